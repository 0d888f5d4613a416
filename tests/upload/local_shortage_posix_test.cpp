// This process out of descriptors (the limit lowered and the table filled in-process): the
// upload says so, whichever step ran into it, and blames neither the file, the network nor the
// device.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "net/socket_error.h"
#include "upload/connect_back_listener.h"
#include "upload/firmware_reader.h"
#include "upload/shared_listener.h"
#include "upload_test_fixture.h"

namespace tavro::upload {
namespace {

using namespace test;
using ::testing::EndsWith;

// Leaves exactly `room` descriptors free until it goes, then gives back every one it took and
// the limit as it was.
class DescriptorShortage {
public:
    explicit DescriptorShortage(int room) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = static_cast<rlim_t>(HighestOpenDescriptor() + 1 + kSpare);
        if (lowered.rlim_cur < saved_.rlim_cur) ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken_.push_back(fd);
        for (int i = 0; i < room && !taken_.empty(); ++i) {
            ::close(taken_.back());
            taken_.pop_back();
        }
    }
    ~DescriptorShortage() {
        for (const int fd : taken_) ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }
    DescriptorShortage(const DescriptorShortage&) = delete;
    DescriptorShortage& operator=(const DescriptorShortage&) = delete;

private:
    static constexpr int kSpare = 16;

    static int HighestOpenDescriptor() {
        int highest = 2;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            highest = std::max(highest, std::stoi(entry.path().filename().string()));
        }
        return highest;
    }

    rlimit saved_{};
    std::vector<int> taken_;
};

class LocalShortageTest : public RunUploadTest {
protected:
    LocalShortageTest() { WriteFirmware(2500); }

    // A whole upload without a spare descriptor leaves the sanitizers none for their own
    // checks (their probe of an object's memory needs a pipe), and they report what they could
    // not look at; the steps themselves are checked by the plain build.
    void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "the sanitizers need descriptors of their own";
#endif
    }

    DeviceScript Quiet() const {
        DeviceScript script;
        script.patience = 300ms;
        return script;
    }

    UploadReport UploadWithRoom(int room, const UploadRequest& request) {
        UploadReport report;
        DescriptorShortage shortage(room);
        RunUpload(request, sink_, timeouts_, &report);
        return report;
    }
};

TEST_F(LocalShortageTest, EachStepThatRunsOutOfDescriptorsSaysSo) {
    {
        SCOPED_TRACE("no room to open the firmware file");
        ScriptedDevice device(Quiet());
        const UploadReport report = UploadWithRoom(0, RequestFor(device));
        EXPECT_EQ(report.result, net::kErrorTooManySockets);
        EXPECT_EQ(report.cause, UploadCause::LocalShortage);
        EXPECT_EQ(report.fileProblem, FileProblem::None) << "a good file was blamed";
        EXPECT_THAT(sink_.log, EndsWith("ERROR: getMD5\r\n"));
    }
    {
        SCOPED_TRACE("no room for the listener");
        sink_ = RecordingSink{};
        ScriptedDevice device(Quiet());
        UploadRequest request = RequestFor(device);
        request.image = FirmwareImage{2500, ReferenceMd5Hex(bytes_)};
        const UploadReport report = UploadWithRoom(0, request);
        EXPECT_EQ(report.result, net::kErrorTooManySockets);
        EXPECT_EQ(report.cause, UploadCause::LocalShortage);
        EXPECT_THAT(sink_.log, EndsWith("socket :ERROR: 10024\r\n"));
    }
    {
        SCOPED_TRACE("room for the listener, none for the invitation's socket");
        sink_ = RecordingSink{};
        ScriptedDevice device(Quiet());
        const UploadReport report = UploadWithRoom(1, RequestFor(device));
        EXPECT_EQ(report.result, net::kErrorTooManySockets);
        EXPECT_EQ(report.cause, UploadCause::LocalShortage);
        EXPECT_THAT(sink_.log, EndsWith("UDPで相手にアクセス。ファームウェアを送るぞ告知。\r\n"
                                        "socket :ERROR: 10024\r\n"));
        EXPECT_TRUE(device.Finish().invitations.empty());
    }
}

// The listener a batch shares is opened apart from any upload, and says so itself.
TEST_F(LocalShortageTest, ASharedListenerWithoutRoomSaysSo) {
    UploadReport report;
    std::shared_ptr<ConnectBackListener> listener;
    {
        DescriptorShortage shortage(0);
        listener = OpenConnectBackListener(net::kLoopbackAddress, 0, 8, sink_, report);
    }
    EXPECT_EQ(listener, nullptr);
    EXPECT_EQ(report.result, net::kErrorTooManySockets);
    EXPECT_EQ(report.cause, UploadCause::LocalShortage);
}

// The transfer opens the file again: without room that is no fault of the file either.
TEST(FirmwareReaderShortage, AFileThatCannotBeOpenedForWantOfDescriptorsIsNoFileProblem) {
    ScratchDirectory directory;
    const std::string path = directory.Write("image.bin", FirmwareBytes(100));
    DescriptorShortage shortage(0);
    const FirmwareReader reader(path, 100);
    EXPECT_FALSE(reader.valid());
    EXPECT_EQ(reader.shortage(), net::kErrorTooManySockets);
}

// A device's connection that came while no descriptor was free waits in the system's queue:
// the upload waiting for it ends at its own bound and names the shortage, not the device; once
// there is room again, the connection is taken after all.
TEST(ConnectBackShortage, AConnectionLeftWaitingForWantOfDescriptorsIsNamedForIt) {
    int error = 0;
    net::Socket listening = net::Socket::Create(net::kStreamSocket, error);
    ASSERT_EQ(listening.Bind({net::kLoopbackAddress, 0}), 0);
    net::Endpoint local;
    ASSERT_EQ(listening.GetLocalEndpoint(local), 0);
    ASSERT_EQ(listening.Listen(8), 0);
    ConnectBackListener listener(std::move(listening), local);
    ConnectBackListener::Expectation expected(listener, net::kLoopbackAddress);
    expected.Accepted(ConnectBackListener::Clock::now());
    net::Socket device = net::Socket::Create(net::kStreamSocket, error);
    RecordingSink log;
    {
        DescriptorShortage shortage(0);
        ASSERT_EQ(device.Connect(local, 2s), 0);
        net::Socket none = expected.Accept(500ms, log, error);
        EXPECT_FALSE(none.valid());
        EXPECT_EQ(error, net::kErrorTooManySockets);
    }
    EXPECT_TRUE(expected.Accept(2s, log, error).valid()) << "error " << error;
}

}  // namespace
}  // namespace tavro::upload
