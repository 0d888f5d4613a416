#include "sim/image_receiver.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "sim/bounded_wait.h"
#include "sim/md5_hex.h"
#include "sim/quoted.h"
#include "sim/stranger_connection.h"

namespace tavro::sim {
namespace {

constexpr std::size_t kBlockSize = 1024;
constexpr std::chrono::milliseconds kFloodConnectLimit{200};

// An abortive close: the writer sees its connection reset, as when a device loses power.
void Abort(net::Socket& connection) {
    connection.SetHardClose();
    connection.Close();
}

class Transfer {
public:
    Transfer(const DeviceSettings& settings, DeviceLife& life, const Invitation& invitation,
             EventLog& events, std::stop_token stop)
        : settings_(settings), life_(life), invitation_(invitation), events_(events), stop_(stop) {}

    void Run(const net::Endpoint& writer) {
        // Its reading is waited for (bounded) when the device's part is over.
        std::optional<StrangerConnection> stranger;
        if (!settings_.strangerConnectText.empty()) {
            stranger.emplace(settings_, events_, stop_);
            stranger->Open(writer);
        }
        const std::vector<net::Socket> flood = Flood(writer);
        if (!Connect(writer)) return;
        if (settings_.closeOnAccept) return CloseAtOnce();
        if (settings_.shutdownOnAccept) return ReadWithoutAnswering();
        if (settings_.ackInAdvance) return AcknowledgeInAdvance();
        if (!ReceiveBlocks()) return;
        Finish();
    }

private:
    void Record(std::string_view event, std::string_view detail = {}) {
        events_.Record(settings_.addressText, event, detail);
    }

    bool Send(std::string_view bytes) {
        return SendWithin(connection_, bytes, kPeerLimit, stop_) == WaitOutcome::Ready;
    }

    // Connections that never say a word, each given a short time to be taken; held until the
    // device's part is over.
    std::vector<net::Socket> Flood(const net::Endpoint& writer) {
        std::vector<net::Socket> flood;
        int failed = 0;
        for (int i = 0; i < settings_.floodConnections && !stop_.stop_requested(); ++i) {
            int error = 0;
            net::Socket connection = net::Socket::Create(net::kStreamSocket, error);
            if (error == 0) error = connection.Bind(net::Endpoint{From(), 0});
            if (error == 0) error = ConnectWithin(connection, writer, kFloodConnectLimit, stop_);
            if (error == 0) {
                flood.push_back(std::move(connection));
            } else {
                ++failed;
            }
        }
        if (settings_.floodConnections > 0) {
            Record("flooded", std::to_string(flood.size()) + " " + std::to_string(failed));
        }
        return flood;
    }

    net::Ipv4Address From() const {
        return settings_.connectFromText.empty() ? settings_.address : settings_.connectFrom;
    }

    bool Connect(const net::Endpoint& writer) {
        int error = 0;
        connection_ = net::Socket::Create(net::kStreamSocket, error);
        const net::Ipv4Address from =
            settings_.connectFromText.empty() ? settings_.address : settings_.connectFrom;
        if (error == 0) error = connection_.Bind(net::Endpoint{from, 0});
        if (error == 0) error = ConnectWithin(connection_, writer, kPeerLimit, stop_);
        if (error != 0) {
            Record("connect-failed", EndpointText(writer) + " " + std::to_string(error));
            return false;
        }
        net::Endpoint local;
        connection_.GetLocalEndpoint(local);
        Record("connected", EndpointText(writer) + " from " + EndpointText(local));
        return true;
    }

    // Nothing is waiting to be read yet, so the close is an orderly one: the writer reads
    // the end of the stream where it expects the first acknowledgement.
    void CloseAtOnce() {
        Record("closed-on-accept");
        connection_.Close();
    }

    // The writer reads the end of the stream at once, yet may go on sending into a device
    // that still listens.
    void ReadWithoutAnswering() {
        Record("shut-down-on-accept");
        connection_.ShutdownSending();
        char area[kBlockSize];
        const char* end = "quiet";
        while (WaitReadable(connection_, kPeerLimit, stop_) == WaitOutcome::Ready) {
            const net::IoResult read = connection_.Receive(area);
            end = "closed";
            if (!read.ok() || read.count == 0) break;
            image_.append(area, read.count);
            end = "quiet";
        }
        Record("received", std::to_string(image_.size()) + " (" + end + ")");
    }

    // Every acknowledgement the transfer will ever need, before a single block was read; the
    // device then reads nothing, so the writer's sends fill the connection and stall.
    void AcknowledgeInAdvance() {
        std::string acks;
        std::uint64_t blocks = 0;
        for (std::uint64_t left = invitation_.length; left > 0;
             left -= std::min<std::uint64_t>(left, kBlockSize)) {
            acks += std::to_string(std::min<std::uint64_t>(left, kBlockSize));
            ++blocks;
        }
        Record("acks-in-advance", std::to_string(blocks));
        if (!Send(acks)) {
            Record("ack-failed", "in advance");
            return;
        }
        const WaitOutcome held = WaitPeerGone(connection_, kPeerLimit, stop_);
        Record("held-until", held == WaitOutcome::Ready ? "closed" : OutcomeText(held));
    }

    bool AbortDue() {
        if (!settings_.closeAfter || image_.size() < *settings_.closeAfter) return false;
        // Noted first: the writer may finish before a line written after the reset.
        Record("aborted-after", std::to_string(image_.size()));
        Abort(connection_);
        return true;
    }

    // Reads exactly one block; false when the writer stopped short or the device aborted.
    bool ReceiveBlock(std::size_t size) {
        std::size_t got = 0;
        char area[kBlockSize];
        while (got < size) {
            if (AbortDue()) return false;
            std::size_t want = size - got;
            if (settings_.closeAfter)
                want = std::min<std::size_t>(want, *settings_.closeAfter - image_.size());
            if (WaitReadable(connection_, kPeerLimit, stop_) != WaitOutcome::Ready) {
                Record("transfer-short", std::to_string(image_.size()) + " of " +
                                             std::to_string(invitation_.length) + " (quiet)");
                return false;
            }
            const net::IoResult read = connection_.Receive(std::span<char>(area, want));
            if (!read.ok() || read.count == 0) {
                Record("transfer-short", std::to_string(image_.size()) + " of " +
                                             std::to_string(invitation_.length) + " (closed)");
                return false;
            }
            image_.append(area, read.count);
            got += read.count;
        }
        Record("block", std::to_string(size));
        return !AbortDue();
    }

    bool Acknowledge(std::size_t size) {
        if (!Pause(std::chrono::milliseconds(settings_.ackDelayMs), stop_)) return false;
        const std::string ack = std::to_string(size);
        if (!Send(ack)) {
            Record("ack-failed", ack);
            return false;
        }
        Record("ack", ack);
        if (!settings_.extraAck) return true;
        Record("extra-sent", Quoted(*settings_.extraAck));
        return Send(*settings_.extraAck);
    }

    bool ReceiveBlocks() {
        while (image_.size() < invitation_.length) {
            const std::size_t size =
                std::min<std::uint64_t>(kBlockSize, invitation_.length - image_.size());
            if (!ReceiveBlock(size) || !Acknowledge(size)) return false;
        }
        return !AbortDue();
    }

    bool Verified() {
        const std::string md5 = Md5Hex(image_);
        if (md5 != invitation_.md5Hex) {
            Record("image-mismatch", std::to_string(image_.size()) + " " + md5);
            return false;
        }
        Record("image-ok", std::to_string(image_.size()) + " " + md5);
        return true;
    }

    void Store() {
        if (settings_.storeDirectory.empty()) return;
        const std::string path = settings_.storeDirectory + "/" + settings_.addressText + ".bin";
        std::error_code ignored;  // a directory that cannot be made shows as a failed store
        std::filesystem::create_directories(settings_.storeDirectory, ignored);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(image_.data(), static_cast<std::streamsize>(image_.size()));
        file.close();
        Record(file ? "image-stored" : "image-store-failed", path);
    }

    void HoldWithoutFinalReply() {
        Record("final-withheld");
        char area[64];
        while (WaitReadable(connection_, kPeerLimit, stop_) == WaitOutcome::Ready) {
            const net::IoResult read = connection_.Receive(area);
            if (!read.ok() || read.count == 0) break;
        }
    }

    // An empty final word is an orderly close with nothing said, as a device that resets
    // at once does it.
    void SendFinalReply(std::string_view final) {
        std::size_t first = final.size();
        if (settings_.finalSplitMs && final.size() > 1) first = 1;
        Record("final-sent", Quoted(final.substr(0, first)));
        if (!Send(final.substr(0, first)) || first == final.size()) return;
        if (!Pause(std::chrono::milliseconds(*settings_.finalSplitMs), stop_)) return;
        Record("final-sent", Quoted(final.substr(first)));
        Send(final.substr(first));
    }

    void Finish() {
        const bool verified = Verified();
        if (verified) Store();
        if (settings_.noFinal) return HoldWithoutFinalReply();
        SendFinalReply(settings_.finalWord.value_or(verified ? "OK" : "NG"));
        if (verified) Reset();
    }

    // Noted first, so that a test which saw the writer finish finds the line.
    void Reset() {
        Record("reset",
               settings_.neverBack ? std::string("never-back") : std::to_string(settings_.resetMs));
        life_.Updated();
    }

    const DeviceSettings& settings_;
    DeviceLife& life_;
    const Invitation& invitation_;
    EventLog& events_;
    std::stop_token stop_;
    net::Socket connection_;
    std::string image_;
};

}  // namespace

void ReceiveImage(const DeviceSettings& settings, DeviceLife& life, const Invitation& invitation,
                  const net::Endpoint& writer, EventLog& events, std::stop_token stop) {
    Transfer(settings, life, invitation, events, stop).Run(writer);
}

}  // namespace tavro::sim
