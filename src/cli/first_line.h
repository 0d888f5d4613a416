#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace tavro::cli {

// The first line of a small file (a password file), read no further than its line end and for
// no longer than a bound: a FIFO that no one writes to must not hold the run.
struct FirstLineReading {
    enum class Fault {
        None,
        Unreadable,     // error says why
        TooLong,        // no line end within the limit
        NothingInTime,  // the file gave no line end (nor its end) within the wait
    };
    Fault fault = Fault::None;
    int error = 0;     // the system's error number, with Unreadable
    std::string line;  // without its "\r\n" or "\n", with None
};

// The text before the first "\r" or "\n" (all of it when there is none); at most limit bytes.
FirstLineReading ReadFirstLine(const std::string& path, std::size_t limit,
                               std::chrono::milliseconds wait);

}  // namespace tavro::cli
