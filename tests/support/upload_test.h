#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device_network_test.h"
#include "upload/run_upload.h"

// What the upload tests against simulated devices share: the sink that records what an upload
// reports, firmware files, an MD5 computed apart from the writer's, short bounds.
namespace tavro::test {

inline constexpr const char* kDevice = "198.18.0.10";

// Collects what an upload reports, as the dialog's log pane and progress bar would show it.
class RecordingSink : public upload::UploadSink {
public:
    void AppendText(std::string_view text) override { log.append(text); }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }

    std::string log;
    std::vector<int> progress;
    std::vector<std::string> errors;
};

// A firmware file with bytes that differ from block to block, removed when the test ends.
class FirmwareFile {
public:
    explicit FirmwareFile(std::size_t length) {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("tavro-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                  "-" + std::to_string(length) + ".bin"))
                    .string();
        bytes_.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            bytes_[i] = static_cast<char>((i * 31 + i / 1024) % 251);
        }
        std::ofstream(path_, std::ios::binary).write(bytes_.data(), bytes_.size());
    }
    ~FirmwareFile() { std::remove(path_.c_str()); }
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;
    const std::string& path() const { return path_; }
    const std::string& bytes() const { return bytes_; }

private:
    std::string path_;
    std::string bytes_;
};

// The MD5 hex text computed here, apart from the writer's own digest code.
inline std::string Md5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

inline int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Short waits where a test waits on a time-out; the product's bounds are longer.
inline upload::UploadTimeouts ShortTimeouts() {
    upload::UploadTimeouts timeouts;
    timeouts.reply = std::chrono::milliseconds(200);
    timeouts.connectBack = std::chrono::seconds(1);
    timeouts.acknowledgement = std::chrono::seconds(1);
    return timeouts;
}

class UploadTest : public DeviceNetworkTest {
protected:
    upload::UploadResult Upload(const std::string& path,
                                const upload::UploadTimeouts& timeouts = {},
                                const std::string& password = upload::kUploadPassword) {
        upload::UploadRequest request;
        request.deviceAddress = *net::Ipv4Address::Parse(kDevice);
        request.localAddress = *net::Ipv4Address::Parse(kToolAddress);
        request.password = password;
        request.firmwarePath = path;
        return upload::RunUpload(request, sink_, timeouts);
    }
    // The device took exactly the file: it checked length and MD5 and stored these bytes.
    void ExpectStored(const FirmwareFile& file) {
        EXPECT_THAT(sim().Events(kDevice, "image-ok"),
                    ::testing::ElementsAre(std::to_string(file.bytes().size()) + " " +
                                           Md5Hex(file.bytes())));
        const auto stored = sim().StoredImage(kDevice);
        ASSERT_TRUE(stored.has_value()) << "the device stored no image";
        EXPECT_TRUE(*stored == file.bytes()) << "the stored image differs from the file";
    }
    // The device checked no image and stored none.
    void ExpectNothingStored() {
        EXPECT_THAT(sim().Events(kDevice, "image-ok"), ::testing::IsEmpty());
        EXPECT_FALSE(sim().StoredImage(kDevice).has_value());
    }
    RecordingSink sink_;
};

}  // namespace tavro::test
