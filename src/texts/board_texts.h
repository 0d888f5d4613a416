#pragma once

#include <cstddef>
#include <string>

#include "texts/language.h"

namespace tavro::texts {

// How many devices of a write to several stand where, for the one line that sums up a board
// too tall to show every device.
struct BoardCounts {
    std::size_t done = 0;        // ended, however
    std::size_t failed = 0;      // of those done
    std::size_t writing = 0;     // started and not ended
    std::size_t comingBack = 0;  // written, waiting to come back from the reset
    std::size_t waiting = 0;     // not started
};

// On the line of a device that has not started.
std::string BoardWaitingText(Language language);

// "12 done (2 failed), 8 writing, 3 coming back, 9 waiting": the failed and coming-back parts
// only when there are such devices.
std::string BoardTallyText(const BoardCounts& counts, Language language);

}  // namespace tavro::texts
