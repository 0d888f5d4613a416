#include "sim/version_server.h"

#include <list>

#include "sim/bounded_wait.h"
#include "sim/quoted.h"
#include "sim/reuse_address.h"

namespace tavro::sim {
namespace {

constexpr std::string_view kRequest{"VER\n\0", 5};
// A search queries every reply at once: a few hundred connections may arrive together.
constexpr int kBacklog = 1024;

}  // namespace

std::string VersionAnswer(const DeviceSettings& settings) {
    return VersionAnswer(settings, settings.sketchVersion);
}

std::string VersionAnswer(const DeviceSettings& settings, std::uint32_t sketchVersion) {
    if (settings.versionAnswer) return *settings.versionAnswer;
    return "SKETCH VER : " + std::to_string(sketchVersion) +
           "\r\nTEXT VER : " + std::to_string(settings.textVersion) + "\r\n";
}

int VersionServer::Bind() {
    int error = 0;
    listener_ = net::Socket::Create(net::kStreamSocket, error);
    if (error != 0) return error;
    ReuseAddress(listener_);
    if (const int bound = listener_.Bind(net::Endpoint{settings_.address, kVersionPort});
        bound != 0) {
        return bound;
    }
    return listener_.Listen(kBacklog);
}

void VersionServer::Run(std::stop_token stop) {
    // Destroyed on return: each session is asked to stop and joined.
    std::list<Session> sessions;
    while (!stop.stop_requested()) {
        std::erase_if(sessions, [](const Session& session) { return session.done.load(); });
        int error = 0;
        net::Endpoint peer;
        net::Socket connection = listener_.Accept(std::chrono::milliseconds(100), error, &peer);
        if (error != 0) continue;
        events_.Record(settings_.addressText, "version-connection", EndpointText(peer));
        Session& session = sessions.emplace_back();
        session.thread = std::jthread(
            [this, &session, connection = std::move(connection)](std::stop_token own) mutable {
                Serve(connection, own);
                connection.Close();
                session.done = true;
            });
    }
}

void VersionServer::Serve(net::Socket& connection, std::stop_token stop) {
    // A resetting device has no server yet: the connection ends at once.
    if (life_.Away()) {
        events_.Record(settings_.addressText, "version-closed-away");
        return;
    }
    if (settings_.versionMode == VersionMode::Close) {
        events_.Record(settings_.addressText, "version-closed");
        return;
    }
    const std::string request = ReadRequest(connection, stop);
    events_.Record(settings_.addressText, "version-request", Quoted(request));
    if (request != kRequest) {
        events_.Record(settings_.addressText, "version-request-unexpected");
        return;
    }
    if (settings_.versionMode == VersionMode::Silent) {
        events_.Record(settings_.addressText, "version-silent");
        HoldUntilClosed(connection, stop);
        return;
    }
    if (!Pause(std::chrono::milliseconds(settings_.versionDelayMs), stop)) return;
    Answer(connection, stop);
}

// At once, or one byte at a time when the device trickles; a trickle ends early when the
// writer has gone.
void VersionServer::Answer(net::Socket& connection, std::stop_token stop) {
    const std::string answer = VersionAnswer(settings_, life_.SketchVersion());
    std::size_t sent = 0;
    if (settings_.versionTrickleMs == 0) {
        if (SendWithin(connection, answer, kPeerLimit, stop) == WaitOutcome::Ready)
            sent = answer.size();
    } else {
        while (sent < answer.size()) {
            if (sent > 0 &&
                WaitPeerGone(connection, std::chrono::milliseconds(settings_.versionTrickleMs),
                             stop) != WaitOutcome::TimedOut)
                break;
            if (SendWithin(connection, std::string_view(answer).substr(sent, 1), kPeerLimit,
                           stop) != WaitOutcome::Ready)
                break;
            ++sent;
        }
    }
    if (sent == answer.size()) {
        events_.Record(settings_.addressText, "version-served", Quoted(answer));
    } else {
        events_.Record(settings_.addressText, "version-send-failed",
                       std::to_string(sent) + " of " + Quoted(answer));
    }
}

// The request is read whole before anything is judged: exactly five bytes, or what came
// before the writer closed or went quiet.
std::string VersionServer::ReadRequest(net::Socket& connection, std::stop_token stop) {
    std::string request;
    char area[kRequest.size()];
    while (request.size() < kRequest.size()) {
        if (WaitReadable(connection, kPeerLimit, stop) != WaitOutcome::Ready) break;
        const net::IoResult got =
            connection.Receive(std::span<char>(area, kRequest.size() - request.size()));
        if (!got.ok() || got.count == 0) break;
        request.append(area, got.count);
    }
    return request;
}

void VersionServer::HoldUntilClosed(net::Socket& connection, std::stop_token stop) {
    char area[256];
    while (WaitReadable(connection, kPeerLimit, stop) == WaitOutcome::Ready) {
        const net::IoResult got = connection.Receive(area);
        if (!got.ok() || got.count == 0) return;
    }
}

}  // namespace tavro::sim
