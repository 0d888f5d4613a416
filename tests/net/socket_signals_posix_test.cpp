// A signal cuts a POSIX wait short (EINTR); the socket layer resumes its waits and still ends
// them at their limits. Windows has no such signals.

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "loopback_sockets.h"
#include "net/socket.h"
#include "net/socket_error.h"

namespace tavro::net {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using namespace test;

void IgnoreSignal(int) {}

// Interrupts the calling thread with SIGUSR1 (no SA_RESTART) every few milliseconds.
class SignalStorm {
public:
    SignalStorm() : target_(pthread_self()) {
        struct sigaction action {};
        action.sa_handler = IgnoreSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGUSR1, &action, &previous_);
        thread_ = std::thread([this] {
            while (!stop_) {
                pthread_kill(target_, SIGUSR1);
                std::this_thread::sleep_for(5ms);
            }
        });
    }
    ~SignalStorm() {
        stop_ = true;
        thread_.join();
        sigaction(SIGUSR1, &previous_, nullptr);
    }

private:
    pthread_t target_;
    struct sigaction previous_ {};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(SocketSignals, InterruptedWaitsRunToTheirLimitInsteadOfFailing) {
    Socket receiver = BoundSocket(kDatagramSocket);
    Socket listener = BoundSocket(kStreamSocket);
    ASSERT_EQ(listener.Listen(1), 0);
    SignalStorm storm;

    bool readable = true;
    auto start = Clock::now();
    EXPECT_EQ(receiver.WaitReadable(300ms, readable), 0);
    EXPECT_FALSE(readable);
    EXPECT_GE(Clock::now() - start, 250ms);

    int error = 0;
    start = Clock::now();
    listener.Accept(300ms, error);
    EXPECT_EQ(error, kErrorTimedOut);
    EXPECT_GE(Clock::now() - start, 250ms);

    char area[4];
    start = Clock::now();
    EXPECT_EQ(receiver.ReceiveWithin(area, 300ms).error, kErrorTimedOut);
    EXPECT_GE(Clock::now() - start, 250ms);

    Endpoint from;
    start = Clock::now();
    EXPECT_EQ(receiver.ReceiveFromWithin(area, from, 300ms).error, kErrorTimedOut);
    EXPECT_GE(Clock::now() - start, 250ms);
}

// Each signal cuts a blocking receive short; restarting it with the whole timeout every time
// would never end while the signals keep coming.
TEST(SocketSignals, InterruptedBoundedReceiveStillEndsAtItsLimit) {
    TcpPair pair = ConnectedPair();
    ASSERT_EQ(pair.server.SetReceiveTimeout(300ms), 0);
    SignalStorm storm;
    char area[4];
    const auto start = Clock::now();
    EXPECT_EQ(pair.server.ReceiveBounded(area, 300ms).error, kErrorTimedOut);
    EXPECT_LT(Clock::now() - start, 3000ms);
}

// A stop (SIGSTOP, later SIGCONT) ends a receive that has a timeout with EINTR once the
// process runs again, maybe long after its limit, while the peer's bytes came in meanwhile.
// This handler plays the stop: the peer sends while the receiver is held past its limit.
namespace held {
int peer = -1;
timespec until{};
void SendAndHoldPastTheLimit(int) {
    ::send(peer, "1024", 4, MSG_NOSIGNAL);
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}
}  // namespace held

TEST(SocketSignals, BytesThatCameWhileTheReceiverWasHeldPastItsLimitAreRead) {
    constexpr auto kLimit = 2000ms;
    TcpPair pair = ConnectedPair();
    ASSERT_EQ(pair.server.SetReceiveTimeout(kLimit), 0);
    held::peer = pair.client.fd();
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    held::until = timespec{now.tv_sec + 2, now.tv_nsec + 500'000'000};
    if (held::until.tv_nsec >= 1'000'000'000) {
        held::until.tv_sec += 1;
        held::until.tv_nsec -= 1'000'000'000;
    }
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = held::SendAndHoldPastTheLimit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, &previous);
    const pthread_t receiver = pthread_self();
    std::thread stopper([receiver] {
        std::this_thread::sleep_for(50ms);
        pthread_kill(receiver, SIGUSR1);
    });

    char area[4] = {};
    const IoResult got = pair.server.ReceiveBounded(area, kLimit);
    stopper.join();
    sigaction(SIGUSR1, &previous, nullptr);
    ASSERT_TRUE(got.ok()) << "error " << got.error;
    EXPECT_EQ(std::string(area, got.count), "1024");
}

}  // namespace
}  // namespace tavro::net
