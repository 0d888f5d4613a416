#include "interfaces/netlink_dump_linux.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <cstring>

#include "interfaces/owned_fd_posix.h"

namespace tavro::interfaces {
namespace {

constexpr int kAttempts = 3;
constexpr time_t kAnswerTimeoutSeconds = 5;

using Messages = std::vector<std::vector<unsigned char>>;

std::string ErrnoText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

OwnedFd OpenRouteSocket(std::string& why) {
    OwnedFd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!fd.valid()) {
        why = ErrnoText("cannot open a netlink socket", errno);
        return fd;
    }
    // The kernel answers at once; the limit only keeps a lost answer from holding the caller.
    const timeval limit{kAnswerTimeoutSeconds, 0};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    return fd;
}

bool SendRequest(int fd, std::uint16_t type, std::uint32_t sequence,
                 std::span<const unsigned char> familyHeader, std::string& why) {
    std::vector<unsigned char> request(NLMSG_SPACE(familyHeader.size()), 0);
    nlmsghdr header{};
    header.nlmsg_len = static_cast<std::uint32_t>(NLMSG_LENGTH(familyHeader.size()));
    header.nlmsg_type = type;
    header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    header.nlmsg_seq = sequence;
    std::memcpy(request.data(), &header, sizeof header);
    std::memcpy(request.data() + NLMSG_HDRLEN, familyHeader.data(), familyHeader.size());

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
        sent = ::sendto(fd, request.data(), header.nlmsg_len, 0,
                        reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) why = ErrnoText("cannot send a netlink request", errno);
    return sent >= 0;
}

// One datagram, however long: its length is learned first so nothing is cut. fromKernel
// tells whether the kernel sent it; another process could write to our port as well.
bool ReceiveDatagram(int fd, std::vector<unsigned char>& buffer, std::size_t& length,
                     bool& fromKernel, std::string& why) {
    ssize_t size;
    do {
        size = ::recv(fd, buffer.data(), buffer.size(), MSG_PEEK | MSG_TRUNC);
    } while (size < 0 && errno == EINTR);
    if (size >= 0 && static_cast<std::size_t>(size) > buffer.size()) {
        buffer.resize(static_cast<std::size_t>(size));
    }
    sockaddr_nl sender{};
    if (size >= 0) {
        do {
            socklen_t senderSize = sizeof sender;
            size = ::recvfrom(fd, buffer.data(), buffer.size(), 0,
                              reinterpret_cast<sockaddr*>(&sender), &senderSize);
        } while (size < 0 && errno == EINTR);
    }
    if (size < 0) {
        why = ErrnoText("cannot read the netlink answer", errno);
        return false;
    }
    length = static_cast<std::size_t>(size);
    fromKernel = sender.nl_pid == 0;
    return true;
}

enum class DumpEnd { kMore, kDone, kInterrupted, kFailed };

// NLMSG_OK, with its comparison of the unsigned length against the signed remainder spelled
// out (the macro's own form is a sign-compare warning under clang).
bool MessageFits(const nlmsghdr* message, int remaining) {
    return remaining >= static_cast<int>(sizeof(nlmsghdr)) &&
           message->nlmsg_len >= sizeof(nlmsghdr) &&
           message->nlmsg_len <= static_cast<unsigned>(remaining);
}

// Takes the messages of one datagram; tells whether the dump has ended and how.
DumpEnd TakeMessages(const unsigned char* data, std::size_t length, std::uint32_t sequence,
                     Messages& messages, bool& interrupted, std::string& why) {
    int remaining = static_cast<int>(length);
    for (auto* message = reinterpret_cast<const nlmsghdr*>(data); MessageFits(message, remaining);
         message = NLMSG_NEXT(message, remaining)) {
        if (message->nlmsg_seq != sequence) continue;
        if (message->nlmsg_flags & NLM_F_DUMP_INTR) interrupted = true;
        if (message->nlmsg_type == NLMSG_DONE) {
            // A dump that failed part way carries the error in its end message.
            int status = 0;
            if (message->nlmsg_len >= NLMSG_LENGTH(sizeof status)) {
                std::memcpy(&status, NLMSG_DATA(message), sizeof status);
            }
            if (status < 0) {
                why = ErrnoText("the netlink dump failed", -status);
                return DumpEnd::kFailed;
            }
            return interrupted ? DumpEnd::kInterrupted : DumpEnd::kDone;
        }
        if (message->nlmsg_type == NLMSG_ERROR) {
            const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(message));
            if (message->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr)) || error->error != 0) {
                const int code =
                    message->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr)) ? EPROTO : -error->error;
                why = ErrnoText("the kernel refused the netlink request", code);
                return DumpEnd::kFailed;
            }
            continue;
        }
        if (message->nlmsg_type == NLMSG_NOOP) continue;
        const auto* begin = reinterpret_cast<const unsigned char*>(message);
        messages.emplace_back(begin, begin + message->nlmsg_len);
    }
    return DumpEnd::kMore;
}

DumpEnd DumpOnce(std::uint16_t type, std::span<const unsigned char> familyHeader,
                 std::uint32_t sequence, Messages& messages, std::string& why) {
    const OwnedFd fd = OpenRouteSocket(why);
    if (!fd.valid() || !SendRequest(fd.get(), type, sequence, familyHeader, why)) {
        return DumpEnd::kFailed;
    }
    std::vector<unsigned char> buffer(32 * 1024);
    bool interrupted = false;
    for (;;) {
        std::size_t length = 0;
        bool fromKernel = false;
        if (!ReceiveDatagram(fd.get(), buffer, length, fromKernel, why)) return DumpEnd::kFailed;
        if (!fromKernel) continue;
        if (length == 0) {
            why = "the netlink answer ended early";
            return DumpEnd::kFailed;
        }
        const DumpEnd end =
            TakeMessages(buffer.data(), length, sequence, messages, interrupted, why);
        if (end != DumpEnd::kMore) return end;
    }
}

}  // namespace

std::optional<Messages> DumpRoute(std::uint16_t type, std::span<const unsigned char> familyHeader,
                                  std::string& why) {
    // A dump that the kernel marks interrupted saw the list change under it; ask again,
    // and keep the last answer if the list will not hold still.
    Messages messages;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        messages.clear();
        const DumpEnd end =
            DumpOnce(type, familyHeader, static_cast<std::uint32_t>(attempt), messages, why);
        if (end == DumpEnd::kFailed) return std::nullopt;
        if (end == DumpEnd::kDone) break;
    }
    return messages;
}

}  // namespace tavro::interfaces
