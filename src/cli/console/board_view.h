#pragma once

#include <memory>

#include "cli/console/console_batch_view.h"
#include "cli/console/write_board.h"

namespace tavro::cli {

// Several devices written at once: on a terminal one redrawn line per device (the board);
// with -v each trace line behind its device's address; at the end a summary on stdout, one
// line per device in the order they were named, and under a failed one its cause.
class BoardView final : public ConsoleBatchView {
public:
    BoardView(ConsoleSettings settings, const std::vector<batch::WriteTarget>& targets);

    void Concluded(const std::vector<batch::DeviceOutcome>& outcomes) override;

private:
    UploadDisplay DisplayFor(std::size_t device) override;
    void ShowAwaiting(std::size_t device, const upload::UploadReport& upload) override;
    void ShowEnded(std::size_t device, const batch::DeviceOutcome& outcome) override;

    std::unique_ptr<WriteBoard> board_;  // on a terminal without -v
};

}  // namespace tavro::cli
