// A version query that this computer could not make, for want of descriptors: never the
// device's silence.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "discovery/sightings.h"
#include "discovery/version_queries.h"
#include "net/socket_error.h"
#include "scripted_peer.h"

namespace tavro::discovery {
namespace {

// Holds every descriptor the process may still open, under a limit lowered for the purpose,
// and gives them back when it goes.
class DescriptorsUsedUp {
public:
    // spare: how many descriptors to leave free.
    explicit DescriptorsUsedUp(std::size_t spare = 0) {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = std::min<rlim_t>(saved_.rlim_cur, 256);
        setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd = ::open("/dev/null", O_RDONLY); fd >= 0; fd = ::open("/dev/null", O_RDONLY)) {
            held_.push_back(fd);
        }
        for (std::size_t i = 0; i < spare && !held_.empty(); ++i) {
            ::close(held_.back());
            held_.pop_back();
        }
    }
    ~DescriptorsUsedUp() {
        for (const int fd : held_) ::close(fd);
        setrlimit(RLIMIT_NOFILE, &saved_);
    }
    DescriptorsUsedUp(const DescriptorsUsedUp&) = delete;
    DescriptorsUsedUp& operator=(const DescriptorsUsedUp&) = delete;

private:
    rlimit saved_{};
    std::vector<int> held_;
};

TEST(VersionFateWithoutDescriptors, AQueryThisComputerCouldNotMakeIsALocalFailure) {
    test::ScriptedPeer peer("SKETCH VER : 105\r\nTEXT VER : 3\r\n");
    DiscoveryOptions options;
    options.versionPort = peer.port();
    {
        const DescriptorsUsedUp usedUp;
        const VersionFinding finding =
            QueryVersionOf(net::kLoopbackAddress, net::kLoopbackAddress, options);
        EXPECT_EQ(finding.fate, VersionFate::LocalFailure);
        EXPECT_EQ(finding.localError, net::kErrorTooManySockets);
    }
    // The same device, asked with descriptors to spare.
    EXPECT_EQ(QueryVersionOf(net::kLoopbackAddress, net::kLoopbackAddress, options).fate,
              VersionFate::Answered);
}

TEST(VersionFateWithoutDescriptors, ManyRepliesWithoutDescriptorsAreNoneOfThemSilent) {
    DiscoveryOptions options;
    options.versionPort = 9;
    std::vector<Sighting> sightings;
    {
        const DescriptorsUsedUp usedUp;
        VersionQueries queries(net::kLoopbackAddress, options, VersionQueries::Overflow::wait, 4);
        for (int i = 0; i < 16; ++i) {
            DeviceRecord row;
            const std::string address = "127.0.1." + std::to_string(i + 1);
            std::strncpy(row.addressText, address.c_str(), sizeof row.addressText - 1);
            queries.Take(row);
        }
        ASSERT_EQ(queries.Finish(), 0);
        sightings = queries.Sightings();
    }
    ASSERT_EQ(sightings.size(), 16u);
    for (const Sighting& sighting : sightings) {
        EXPECT_EQ(sighting.version.fate, VersionFate::LocalFailure) << sighting.row.addressText;
        EXPECT_EQ(sighting.version.localError, net::kErrorTooManySockets);
        EXPECT_FALSE(sighting.listed);
    }
}

TEST(VersionFateWithoutDescriptors, RepliesWaitForTheDescriptorsOfRunningQueries) {
    // A port whose connections the kernel completes and nobody reads: each query holds its
    // descriptor until its bound.
    int error = 0;
    net::Socket listener = net::Socket::Create(net::kStreamSocket, error);
    ASSERT_EQ(listener.Bind(net::Endpoint{net::kAnyAddress, 0}), 0);
    ASSERT_EQ(listener.Listen(16), 0);
    net::Endpoint local;
    ASSERT_EQ(listener.GetLocalEndpoint(local), 0);
    DiscoveryOptions options;
    options.versionPort = local.port;
    options.versionTimeout = std::chrono::milliseconds(200);
    std::vector<Sighting> sightings;
    {
        const DescriptorsUsedUp usedUp(1);  // one query at a time
        VersionQueries queries(net::kLoopbackAddress, options, VersionQueries::Overflow::wait);
        for (int i = 0; i < 4; ++i) {
            DeviceRecord row;
            const std::string address = "127.0.2." + std::to_string(i + 1);
            std::strncpy(row.addressText, address.c_str(), sizeof row.addressText - 1);
            queries.Take(row);
        }
        ASSERT_EQ(queries.Finish(), 0);
        sightings = queries.Sightings();
    }
    ASSERT_EQ(sightings.size(), 4u);
    for (const Sighting& sighting : sightings) {
        // Asked, one after another, and silent: not "could not ask".
        EXPECT_EQ(sighting.version.fate, VersionFate::Silent) << sighting.row.addressText;
    }
}

}  // namespace
}  // namespace tavro::discovery
