#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/socket.h"

namespace tavro::test {

// How the device on 127.0.0.1 plays its side of an upload.
struct DeviceScript {
    // Sent to the first invitations in turn, one each; an empty text leaves that one unanswered.
    std::vector<std::string> earlyReplies;
    // The reply to the next invitation, unless the device challenges.
    std::string reply = "OK";
    // Challenge with "AUTH " + nonce ("AUTH" alone for an empty nonce) and check the answer's
    // response against this password.
    bool challenge = false;
    std::string password;
    std::string nonce = "0123456789abcdef0123456789abcdef";
    bool challengeFromOtherPort = false;
    bool sendVerdict = true;
    // Runs just before the device sends its consent (the "OK" reply or verdict).
    std::function<void()> beforeConsenting;
    // Sends the "OK" reply from a second port of its address.
    bool replyFromOtherPort = false;
    bool connectBack = true;
    // Right after the first invitation, before any answer, connect from the device's own
    // address and stay silent on that connection (an earlier try of the device's, or another
    // host behind its address), holding it open to the end.
    bool connectsEarly = false;
    // Close the connection once this many image bytes have been read (0: never).
    std::size_t closeAfterBytes = 0;
    // Send every acknowledgement and the final reply at once, before the first block.
    bool acknowledgeAhead = false;
    // With acknowledgeAhead: never read a byte of the image, until the tool hangs up.
    bool neverRead = false;
    // Close the connection right after connecting, before reading anything.
    bool closeAtOnce = false;
    // Shut down the sending side right after connecting, then read the image without a word.
    bool shutDownSendingAtOnce = false;
    // Bytes sent right behind each acknowledgement.
    std::string acknowledgementTail;
    // The final word after the last acknowledgement, one send per part with a pause between.
    std::vector<std::string> finalReply{"OK"};
    // Close right after the final word, without waiting for the tool to close first.
    bool closeAfterFinalReply = false;
    // SO_RCVBUF of the device's connection (0: the system's), set before it connects.
    int receiveBuffer = 0;

    // A stranger on 127.0.0.2: these datagrams go to the tool right after each invitation,
    // before the device answers it, ...
    std::vector<std::string> strangerReplies;
    // ... this one right before the device's verdict, ...
    std::string strangerVerdict;
    // ... and it connects to the data port before the device does (and waits to be let go).
    bool strangerConnectsFirst = false;
    // How long the device waits for anything before it gives up.
    std::chrono::milliseconds patience{3000};
};

// What the device saw.
struct DeviceLog {
    std::vector<std::string> invitations;
    int invitedPort = 0;
    long long invitedLength = -1;
    std::string invitedDigest;
    std::string answer;  // the datagram received after the challenge
    bool answerAtChallengePort = false;
    bool responseValid = false;
    std::vector<std::size_t> blocks;  // bytes that arrived before each acknowledgement
    std::string image;
    bool closedInOrder = false;  // the tool closed after the final reply, nothing left unread
    bool hungUpOn = false;       // with neverRead: the tool ended the connection
    // The stranger's connection: bytes it received, whether the tool ended it, and when.
    std::size_t strangerReceived = 0;
    bool strangerShutOut = false;
    std::chrono::steady_clock::duration strangerWaited{};
    // The early connection: bytes it received, and whether the tool ended it.
    std::size_t earlyReceived = 0;
    bool earlyShutOut = false;
};

// A simulated device on 127.0.0.1 that runs its script on a thread of its own.
class ScriptedDevice {
public:
    explicit ScriptedDevice(DeviceScript script);
    ~ScriptedDevice();
    ScriptedDevice(const ScriptedDevice&) = delete;
    ScriptedDevice& operator=(const ScriptedDevice&) = delete;

    int port() const { return port_; }
    // Waits for the script to end and returns what the device saw.
    const DeviceLog& Finish();

private:
    void Run();
    void Play();
    bool ReadInvitations(net::Endpoint& tool);
    bool Challenge(const net::Endpoint& tool);
    net::Socket& Stranger();
    void StrangerConnects();
    void ConnectEarly();
    void WatchEarly();
    void Receive(net::Socket& connection);
    void SendFinalReply(net::Socket& connection);
    bool ReadBlock(net::Socket& connection, std::size_t expected);

    DeviceScript script_;
    DeviceLog log_;
    int port_ = 0;  // set while udp_ is made, so it comes first
    net::Socket udp_;
    net::Socket stranger_;
    net::Socket early_;
    std::thread thread_;
};

// The response a device expects: MD5 hex of "<MD5 hex of password>:<nonce>:<cnonce>".
std::string ExpectedResponse(const std::string& password, const std::string& nonce,
                             const std::string& cnonce);

}  // namespace tavro::test
