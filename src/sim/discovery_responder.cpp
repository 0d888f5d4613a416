#include "sim/discovery_responder.h"

#include <algorithm>

#include "sim/bounded_wait.h"
#include "sim/quoted.h"

namespace tavro::sim {

std::string DiscoveryReply(const DeviceSettings& settings) {
    std::string reply(std::max<std::size_t>(settings.replyLength, 30), '\0');
    reply[5] = static_cast<char>(0x12);  // high nibbles: hardware and firmware generation
    reply[6] = static_cast<char>(0x34);
    reply[8] = static_cast<char>(0x01);  // status bytes
    reply[9] = static_cast<char>(0x02);
    std::copy(settings.mac.begin(), settings.mac.end(), reply.begin() + 24);
    reply.resize(settings.replyLength);
    return reply;
}

int DiscoveryResponder::Bind() {
    int error = 0;
    socket_ = net::Socket::Create(net::kDatagramSocket, error);
    if (error != 0) return error;
    return socket_.Bind(net::Endpoint{settings_.address, 0});
}

void DiscoveryResponder::Offer(const net::Endpoint& prober) {
    {
        const std::lock_guard lock(mutex_);
        probers_.push_back(prober);
    }
    offered_.notify_one();
}

void DiscoveryResponder::Run(std::stop_token stop) {
    while (true) {
        net::Endpoint prober;
        {
            std::unique_lock lock(mutex_);
            if (!offered_.wait(lock, stop, [this] { return !probers_.empty(); })) return;
            prober = probers_.front();
            probers_.pop_front();
        }
        Answer(prober, stop);
    }
}

void DiscoveryResponder::Answer(const net::Endpoint& prober, std::stop_token stop) {
    if (life_.Away()) {
        events_.Record(settings_.addressText, "probe-unanswered-away", EndpointText(prober));
        return;
    }
    if (settings_.replies == 0) {
        events_.Record(settings_.addressText, "probe-ignored", EndpointText(prober));
        return;
    }
    if (settings_.floodRate > 0) return Flood(prober, stop);
    const std::string reply = DiscoveryReply(settings_);
    for (int i = 0; i < settings_.replies; ++i) {
        if (!Pause(std::chrono::milliseconds(settings_.replyDelayMs), stop)) return;
        const net::IoResult sent = socket_.SendTo(reply, prober);
        if (sent.ok()) {
            events_.Record(settings_.addressText, "reply-sent",
                           EndpointText(prober) + " " + std::to_string(sent.count));
        } else {
            events_.Record(settings_.addressText, "reply-failed", std::to_string(sent.error));
        }
    }
}

void DiscoveryResponder::Flood(const net::Endpoint& prober, std::stop_token stop) {
    using Clock = std::chrono::steady_clock;
    const std::string reply = DiscoveryReply(settings_);
    const long long total = static_cast<long long>(settings_.floodRate) * settings_.floodSeconds;
    events_.Record(settings_.addressText, "flood-started",
                   EndpointText(prober) + " " + std::to_string(settings_.floodRate) + "/s " +
                       std::to_string(settings_.floodSeconds) + " s");
    const auto start = Clock::now();
    long long sent = 0;
    long long failed = 0;
    for (long long i = 0; i < total; ++i) {
        const auto due =
            start + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(double(i) / settings_.floodRate));
        if (!PauseUntil(due, stop)) break;
        if (socket_.SendTo(reply, prober).ok()) {
            ++sent;
        } else {
            ++failed;
        }
    }
    events_.Record(settings_.addressText, "flood-ended",
                   std::to_string(sent) + " sent " + std::to_string(failed) + " failed");
}

}  // namespace tavro::sim
