#include "cli/console/write_board.h"

#include <algorithm>

#include "cli/console/display_width.h"

namespace tavro::cli {
namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr std::size_t kAddressWidth = 15;

}  // namespace

WriteBoard::WriteBoard(JobState& job, std::ostream& err, std::vector<std::string> devices,
                       std::size_t columns)
    : job_(job),
      err_(err),
      devices_(std::move(devices)),
      columns_(columns),
      states_(devices_.size(), "waiting") {}

void WriteBoard::Set(std::size_t device, std::string state, bool final) {
    std::lock_guard lock(mutex_);
    if (device >= states_.size() || states_[device] == state) return;
    states_[device] = std::move(state);
    pending_ = true;
    if (final || !drawn_ || std::chrono::steady_clock::now() - lastDraw_ >= kRedrawInterval) {
        Draw();
    }
}

void WriteBoard::End() {
    std::lock_guard lock(mutex_);
    if (pending_) Draw();
}

// Back to the board's first line, then every line cleared and written again.
void WriteBoard::Draw() {
    std::string text = drawn_ ? "\x1b[" + std::to_string(devices_.size()) + "A" : "";
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const std::string& device = devices_[i];
        const std::string line =
            device + std::string(kAddressWidth - std::min(kAddressWidth, device.size()), ' ') +
            "  " + states_[i];
        // The last column stays free: some terminals move to the next line once it is written.
        text += "\r\x1b[2K" + FitToColumns(line, columns_ - 1) + "\n";
    }
    job_.Show(err_, text);
    drawn_ = true;
    pending_ = false;
    lastDraw_ = std::chrono::steady_clock::now();
}

}  // namespace tavro::cli
