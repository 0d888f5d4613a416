#include "upload/md5_digest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware_files.h"

namespace tavro::upload {
namespace {

using test::FirmwareBytes;
using test::ReferenceMd5Hex;
using test::ScratchDirectory;

constexpr std::size_t kFourMiB = 4 * 1024 * 1024;

struct ErrorRecorder {
    std::vector<std::string> shown;
    std::function<void(std::string_view)> callback() {
        return [this](std::string_view text) { shown.emplace_back(text); };
    }
};

TEST(GetTextMD5, MatchesTheRfc1321TestSuite) {
    std::string kEightyDigits;
    for (int i = 0; i < 8; ++i) kEightyDigits += "1234567890";
    const std::pair<std::string, std::string> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {kEightyDigits, "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, expected] : suite) {
        ErrorRecorder errors;
        Md5Digest digest{};
        ASSERT_TRUE(GetTextMD5(text, digest, errors.callback())) << text;
        EXPECT_EQ(DigestHex(digest), expected) << text;
        EXPECT_TRUE(errors.shown.empty());
    }
}

TEST(GetTextMD5, DigestsEmbeddedNulBytes) {
    const std::string bytes("a\0b", 3);
    Md5Digest digest{};
    ASSERT_TRUE(GetTextMD5(bytes, digest, [](std::string_view) {}));
    EXPECT_EQ(DigestHex(digest), ReferenceMd5Hex(bytes));
}

TEST(DigestHex, WritesTwoLowerCaseDigitsPerByteInOrder) {
    Md5Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i * 17);
    digest[1] = 10;
    digest[15] = 0xAB;
    EXPECT_EQ(DigestHex(digest), "000a2233445566778899aabbccddeeab");
}

TEST(Md5Stream, PiecesGiveTheDigestOfTheWhole) {
    const std::string bytes = FirmwareBytes(100000);
    Md5Stream stream;
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 + 1) {
        ASSERT_TRUE(stream.Add(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at))));
    }
    Md5Digest digest{};
    ASSERT_TRUE(stream.Finish(digest));
    EXPECT_EQ(DigestHex(digest), ReferenceMd5Hex(bytes));
    EXPECT_FALSE(stream.Finish(digest)) << "a finished stream is spent";
}

TEST(GetFileMD5, DigestsFilesUpToAndBeyondOneReadBlock) {
    ScratchDirectory directory;
    for (std::size_t length : {std::size_t{1}, kFourMiB, kFourMiB + 1, 2 * kFourMiB + 12345}) {
        const std::string bytes = FirmwareBytes(length);
        const std::string path = directory.Write("image.bin", bytes);
        Md5Digest digest{};
        ASSERT_TRUE(GetFileMD5(path, digest)) << length;
        EXPECT_EQ(DigestHex(digest), ReferenceMd5Hex(bytes)) << length;
    }
}

TEST(GetFileMD5, EmptyMissingOrDirectoryPathFailsWithAZeroDigest) {
    ScratchDirectory directory;
    const std::string empty = directory.Write("empty.bin", "");
    for (const std::string& path : {empty, directory.PathOf("missing.bin"), directory.PathOf("")}) {
        Md5Digest digest;
        digest.fill(0x5A);
        EXPECT_FALSE(GetFileMD5(path, digest)) << path;
        EXPECT_EQ(digest, Md5Digest{}) << path;
    }
}

}  // namespace
}  // namespace tavro::upload
