#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "net/ipv4_address.h"
#include "upload/upload_result.h"

namespace tavro::upload {

// Why an upload ended the way it did: the outcome code alone cannot tell a wrong password from
// a device that is not there, nor a firewall from a device that hung up.
enum class UploadCause {
    None,               // the device took the image
    FileUnusable,       // the file cannot be taken as an image (fileProblem says why)
    DigestFailed,       // a digest failed inside the tool
    ListenerFailed,     // no listener for the connection back (result is the socket code)
    InvitationFailed,   // the invitation or the password proof could not be sent
    NoAnswer,           // every invitation went unanswered
    BadAnswer,          // the device answered the invitation with something else (deviceAnswer)
    UnreadableAnswer,   // no reply, but datagrams too long to be one (answerBytes)
    NoVerdict,          // no verdict on the password proof within the reply bound
    PasswordRefused,    // the verdict refused the proof (deviceAnswer)
    NoConnectBack,      // the device did not connect back within the bound
    ConnectionClosed,   // the connection broke off during the transfer
    NoAcknowledgement,  // the device stopped acknowledging within the bound
    NoFinalWord,        // every block acknowledged, then no final word within the bound
    BadFinalWord,       // every block acknowledged, then a final word other than "OK" (finalWord)
    LocalShortage,      // this computer ran out of descriptors or buffers (result is the code)
};

// What was wrong with the firmware file, in the operating system's terms where it has some.
enum class FileProblem {
    None,
    Missing,
    Directory,
    PermissionDenied,
    Empty,
    TooLarge,      // longer than a signed 32-bit count of bytes
    Changed,       // not the image announced any more, or shorter by the time it was read
    SizeMismatch,  // its size is not the number of bytes it holds (a special file)
    Other,         // fileReason holds the system's words
};

// The outcome of one upload and the facts behind it. Front ends that only show the outcome
// read `result`; the others put the cause into words.
struct UploadReport {
    UploadResult result = kUploadSucceeded;
    UploadCause cause = UploadCause::None;
    net::Ipv4Address device;
    int tries = 0;  // invitations sent
    // The device's own words where they ended the upload (reply, verdict), bytes as they came.
    std::string deviceAnswer;
    std::size_t answerBytes = 0;  // the length of the last datagram that was no reply
    net::Ipv4Address localAddress;
    std::uint16_t localPort = 0;   // the listener's port once it had one
    bool localPortChosen = false;  // the port was asked for, not picked by the system
    std::int64_t bytesAcknowledged = 0;
    std::int64_t bytesTotal = 0;
    std::string finalWord;  // bytes as they came
    std::string filePath;
    std::string fileDigestHex;  // the image's MD5 once it was measured
    FileProblem fileProblem = FileProblem::None;
    std::string fileReason;              // the system's words for FileProblem::Other
    std::chrono::milliseconds bound{0};  // the wait that ran out, where one did
};

}  // namespace tavro::upload
