#include "network_namespace.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavro::test {
namespace {

bool CanBind(const char* address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, address, &local.sin_addr);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    ::close(fd);
    return bound;
}

// The whole safety of the network tests rests on this: the tool's address exists only while
// the thread is inside the tool namespace, and leaving puts the thread back where it was.
TEST(TestNetwork, ToolAddressExistsOnlyInsideTheToolNamespace) {
    std::string why;
    auto network = TestNetwork::Create({"198.18.0.10"}, why);
    TAVRO_REQUIRE_NAMESPACES(network, why);

    EXPECT_FALSE(CanBind(TestNetwork::kToolAddress));
    {
        EnterNamespace inside(network->tool());
        ASSERT_TRUE(inside.ok());
        EXPECT_TRUE(CanBind(TestNetwork::kToolAddress));
        EXPECT_FALSE(CanBind("198.18.0.10"));
    }
    EXPECT_FALSE(CanBind(TestNetwork::kToolAddress));
    EXPECT_EQ(network->devices().Run("ip -o addr show dev dv0 | grep -q 198.18.0.10"), 0);
}

TEST(TestNetwork, NamespacesAreRemovedWhenTheNetworkGoes) {
    std::string why;
    std::string toolName;
    {
        auto network = TestNetwork::Create({}, why);
        TAVRO_REQUIRE_NAMESPACES(network, why);
        toolName = network->tool().name();
        EXPECT_EQ(std::system(("ip netns list | grep -q " + toolName).c_str()), 0);
    }
    EXPECT_NE(std::system(("ip netns list | grep -q " + toolName).c_str()), 0);
}

}  // namespace
}  // namespace tavro::test
