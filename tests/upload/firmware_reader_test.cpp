#include "upload/firmware_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "firmware_files.h"

namespace tavro::upload {
namespace {

using test::FirmwareBytes;
using test::ReferenceMd5Hex;
using test::ScratchDirectory;

// Hands out the whole image in blocks of 1024 and a short last one, as the transfer asks.
std::string ReadAllBlocks(FirmwareReader& reader, std::size_t length) {
    std::string out;
    while (out.size() < length) {
        std::span<const char> block;
        const std::size_t size = std::min<std::size_t>(1024, length - out.size());
        if (!reader.NextBlock(size, block)) break;
        out.append(block.data(), block.size());
    }
    return out;
}

TEST(FirmwareReader, HandsOutTheFileAcrossChunksAndKnowsItsDigest) {
    ScratchDirectory directory;
    for (std::size_t length : {std::size_t{1}, std::size_t{1024}, std::size_t{256 * 1024},
                               std::size_t{3 * 256 * 1024 + 333}}) {
        SCOPED_TRACE(length);
        const std::string bytes = FirmwareBytes(length);
        FirmwareReader reader(directory.Write("image.bin", bytes),
                              static_cast<std::int32_t>(length));
        ASSERT_TRUE(reader.valid());
        EXPECT_TRUE(ReadAllBlocks(reader, length) == bytes);
        EXPECT_EQ(reader.CompareDigest(ReferenceMd5Hex(bytes)), FirmwareReader::Check::Same);
    }
}

// The blocks stop at the announced length; a file that holds more than that has grown since
// it was measured and is not the image announced.
TEST(FirmwareReader, HandsOutNoMoreThanTheAnnouncedLengthAndAGrownFileIsNotTheImage) {
    ScratchDirectory directory;
    const std::string bytes = FirmwareBytes(5000);
    FirmwareReader reader(directory.Write("image.bin", bytes), 2500);
    EXPECT_TRUE(ReadAllBlocks(reader, 2500) == bytes.substr(0, 2500));
    EXPECT_EQ(reader.CompareDigest(ReferenceMd5Hex(bytes.substr(0, 2500))),
              FirmwareReader::Check::Changed);
}

TEST(FirmwareReader, ChangedBytesAreSeenInTheDigestOfWhatWasHandedOut) {
    ScratchDirectory directory;
    const std::string announced = FirmwareBytes(700 * 1024);
    const std::string path = directory.Write("image.bin", announced);
    FirmwareReader reader(path, static_cast<std::int32_t>(announced.size()));
    std::span<const char> block;
    ASSERT_TRUE(reader.NextBlock(1024, block));
    // The first chunk is read; the change lands in a later one.
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(600 * 1024);
    file.put('\x7f');
    file.close();
    const std::string rest = ReadAllBlocks(reader, announced.size() - 1024);
    EXPECT_NE(rest, announced.substr(1024));
    EXPECT_EQ(reader.CompareDigest(ReferenceMd5Hex(announced)), FirmwareReader::Check::Changed);
}

TEST(FirmwareReader, ShortFileFailsAtTheBlockItCannotFill) {
    ScratchDirectory directory;
    FirmwareReader reader(directory.Write("image.bin", FirmwareBytes(1500)), 2500);
    std::span<const char> block;
    EXPECT_TRUE(reader.NextBlock(1024, block));
    EXPECT_FALSE(reader.NextBlock(1024, block));
}

TEST(FirmwareReader, MissingFileIsNotValid) {
    ScratchDirectory directory;
    EXPECT_FALSE(FirmwareReader(directory.PathOf("missing.bin"), 10).valid());
}

}  // namespace
}  // namespace tavro::upload
