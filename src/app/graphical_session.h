#pragma once

namespace tavro::ui {

// Whether the dialog can be shown at all: a platform chosen for Qt, or an X11 or Wayland
// display named in the environment.
bool GraphicalSessionNamed();

// Until the returned guard goes, a failure of Qt's platform start-up ends the process with
// the one line of NoGraphicalSessionText() instead of Qt's own advice, and Qt's platform
// warnings that precede such a failure are held back.
class PlatformFailureGuard {
public:
    PlatformFailureGuard();
    ~PlatformFailureGuard();
    PlatformFailureGuard(const PlatformFailureGuard&) = delete;
    PlatformFailureGuard& operator=(const PlatformFailureGuard&) = delete;
};

// "tavro-writer: ..." naming tavro-writer-cli, one line with its line break.
const char* NoGraphicalSessionText();

}  // namespace tavro::ui
