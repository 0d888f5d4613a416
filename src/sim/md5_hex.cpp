#include "sim/md5_hex.h"

#include <array>
#include <cstdint>
#include <cstdio>

// A plain MD5 (RFC 1321) of the simulator's own: it shares no code with the writer's digests on
// any platform, so a device checks what the writer computed instead of repeating it.

namespace tavro::sim {
namespace {

using Word = std::uint32_t;

constexpr std::array<Word, 64> kSines = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// The left rotations of each round's four steps.
constexpr std::array<int, 16> kShifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

Word RotateLeft(Word value, int count) { return (value << count) | (value >> (32 - count)); }

struct State {
    std::array<Word, 4> words = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

    void Block(const unsigned char* block) {
        std::array<Word, 16> x{};
        for (std::size_t i = 0; i < 16; ++i) {
            x[i] = Word{block[4 * i]} | Word{block[4 * i + 1]} << 8 | Word{block[4 * i + 2]} << 16 |
                   Word{block[4 * i + 3]} << 24;
        }
        Word a = words[0], b = words[1], c = words[2], d = words[3];
        for (std::size_t step = 0; step < 64; ++step) {
            const std::size_t round = step / 16;
            Word mixed = 0;
            std::size_t index = 0;
            if (round == 0) {
                mixed = (b & c) | (~b & d);
                index = step;
            } else if (round == 1) {
                mixed = (b & d) | (c & ~d);
                index = (5 * step + 1) % 16;
            } else if (round == 2) {
                mixed = b ^ c ^ d;
                index = (3 * step + 5) % 16;
            } else {
                mixed = c ^ (b | ~d);
                index = (7 * step) % 16;
            }
            const Word rotated =
                RotateLeft(a + mixed + kSines[step] + x[index], kShifts[round * 4 + step % 4]);
            a = d;
            d = c;
            c = b;
            b = b + rotated;
        }
        words[0] += a;
        words[1] += b;
        words[2] += c;
        words[3] += d;
    }
};

}  // namespace

std::string Md5Hex(std::string_view bytes) {
    State state;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t whole = bytes.size() - bytes.size() % 64;
    for (std::size_t offset = 0; offset < whole; offset += 64) {
        state.Block(data + offset);
    }
    // The tail, a 1 bit, zeros up to 56 bytes of the last block, then the bit length.
    std::array<unsigned char, 128> tail{};
    const std::size_t rest = bytes.size() - whole;
    for (std::size_t i = 0; i < rest; ++i) {
        tail[i] = data[whole + i];
    }
    tail[rest] = 0x80;
    const std::size_t tailSize = rest < 56 ? 64 : 128;
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (std::size_t i = 0; i < 8; ++i) {
        tail[tailSize - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    for (std::size_t offset = 0; offset < tailSize; offset += 64) {
        state.Block(tail.data() + offset);
    }

    std::string hex;
    for (const Word word : state.words) {
        for (int i = 0; i < 4; ++i) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x",
                          static_cast<unsigned>((word >> (8 * i)) & 0xFF));
            hex += pair;
        }
    }
    return hex;
}

}  // namespace tavro::sim
