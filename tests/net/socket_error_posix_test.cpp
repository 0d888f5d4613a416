#include <gtest/gtest.h>

#include <cerrno>

#include "net/socket_error.h"

namespace tavro::net {
namespace {

TEST(WinsockErrorFromErrno, NamesTheConditionsUsersSee) {
    EXPECT_EQ(WinsockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WinsockErrorFromErrno(EADDRNOTAVAIL), 10049);
    EXPECT_EQ(WinsockErrorFromErrno(EMSGSIZE), 10040);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinsockErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(WinsockErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(WinsockErrorFromErrno(EADDRINUSE), 10048);
}

TEST(WinsockErrorFromErrno, OthersAreOffsetAndNoneReadsAsAnUploadOutcome) {
    EXPECT_EQ(WinsockErrorFromErrno(ENOENT), 20000 + ENOENT);
    for (int value = -5; value < 200; ++value) {
        const int code = WinsockErrorFromErrno(value);
        EXPECT_FALSE(code >= 0 && code <= 3) << "errno " << value;
    }
}

}  // namespace
}  // namespace tavro::net
