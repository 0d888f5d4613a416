#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/dialog_controls.h"

namespace tavro::ui {

// Control id of the prompt's one edit field, for tests that fill it from outside.
inline constexpr int kTextPromptFieldId = 100;

// A small modal prompt owned by owner: the label, one edit field (masked or digits only, as
// the prompt asks), OK and Cancel. The typed text after OK; nullopt after Cancel.
std::optional<std::wstring> AskTextInDialog(HINSTANCE instance, HWND owner,
                                            const TextPrompt& prompt, const std::wstring& fontFace);

}  // namespace tavro::ui
