#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/ipv4_address.h"
#include "texts/language.h"
#include "upload/upload_report.h"
#include "upload/upload_result.h"

namespace tavro::texts {

// Makes text that came from a device or the user (an answer, a path) safe to show; the front
// end that shows it knows what that takes.
using ShowForeignText = std::string (*)(std::string_view text);

// The sentence for the outcome of an upload. In Japanese these are the dialog's own words,
// byte for byte.
std::string OutcomeText(upload::UploadResult result, Language language);

// One sentence, without a line break, on why the upload ended as it did; empty after a
// success. Foreign bytes in it (the device's words, the file's path) pass through `show`.
std::string CauseText(const upload::UploadReport& report, Language language, ShowForeignText show);

// Where the user fixes the port the device connects back to: the command line's option or the
// dialog's menu. The causes that advise fixing it name that place.
enum class PortSetting { commandLineOption, dialogMenu };
std::string CauseText(const upload::UploadReport& report, Language language, ShowForeignText show,
                      PortSetting portSetting);

// The cause of a device whose write a stop signal cut short.
std::string InterruptedText(Language language);

// What the upload is doing while it waits on the device.
std::string InvitingText(std::string_view device, int attempt, int attempts, Language language);
std::string AwaitingText(std::string_view device, net::Ipv4Address localAddress, std::uint16_t port,
                         Language language);

// The transfer's progress line: a bar, the percentage, the bytes, the rate and the time left.
// A rate of 0 or below is not known yet, and the rate and time left are then left out.
std::string ProgressText(std::int64_t acknowledged, std::int64_t total, double bytesPerSecond,
                         Language language);

// A bound as a user reads it: "30 s", "1.5 s", "200 ms" (Japanese: "30 秒", ...).
std::string BoundText(std::chrono::milliseconds bound, Language language);

}  // namespace tavro::texts
