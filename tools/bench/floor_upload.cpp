// tavro-bench-floor [--hash-as-sent] LOCAL_ADDR DEVICE_ADDR FILE
//
// The least an uploader without password can do, for scripts/bench to measure the real one
// against: hash the file, invite the device, serve its connection back in 1024-byte blocks
// with one blocking send and one blocking receive per block, read the final word. Every wait
// is bounded by socket timeouts set once, so bounding costs nothing per block. Errors end
// with a short message and status 1; the device's final "OK" ends with 0.
//
// With --hash-as-sent it also hashes what it reads for sending and compares that digest with
// the announced one before the last chunk goes, as an uploader must that promises to send
// exactly the image it announced: the floor for that promise, one more pass of MD5.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBlockSize = 1024;
constexpr std::size_t kFileChunk = 256 * 1024;  // a multiple of the block size
constexpr std::uint16_t kDevicePort = 3232;
constexpr int kWaitSeconds = 30;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "tavro-bench-floor: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

class Fd {
public:
    Fd(int fd, const char* what) : fd_(fd) {
        if (fd_ < 0) Fail(what);
    }
    ~Fd() { ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

sockaddr_in Address(const char* text, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, text, &address.sin_addr) != 1) {
        std::fprintf(stderr, "tavro-bench-floor: bad address %s\n", text);
        std::exit(64);
    }
    return address;
}

void BoundWaits(int fd) {
    const timeval limit{kWaitSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

// Fills as much of area as the file still holds; the file is read in large chunks.
std::size_t ReadChunk(int fd, char* area, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, area + got, size - got);
        if (n < 0) Fail("read");
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

DigestContext NewMd5() {
    DigestContext context(EVP_MD_CTX_new());
    EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr);
    return context;
}

std::string HexDigest(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

std::string Md5Hex(int fd, std::vector<char>& area) {
    const DigestContext context = NewMd5();
    while (const std::size_t got = ReadChunk(fd, area.data(), area.size())) {
        EVP_DigestUpdate(context.get(), area.data(), got);
    }
    return HexDigest(context.get());
}

void Invite(const sockaddr_in& local, const sockaddr_in& device, std::uint16_t port,
            long long length, const std::string& md5) {
    Fd udp(::socket(AF_INET, SOCK_DGRAM, 0), "socket");
    sockaddr_in from = local;
    from.sin_port = 0;
    if (::bind(udp.get(), reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) Fail("bind");
    BoundWaits(udp.get());
    const std::string invitation =
        "0 " + std::to_string(port) + " " + std::to_string(length) + " " + md5 + "\n";
    if (::sendto(udp.get(), invitation.data(), invitation.size(), 0,
                 reinterpret_cast<const sockaddr*>(&device), sizeof device) < 0) {
        Fail("sendto");
    }
    char reply[64];
    const ssize_t n = ::recv(udp.get(), reply, sizeof reply, 0);
    if (n < 0) Fail("invitation reply");
    if (std::string(reply, static_cast<std::size_t>(n)) != "OK") {
        std::fprintf(stderr, "tavro-bench-floor: invitation refused\n");
        std::exit(1);
    }
}

void SendAll(int fd, const char* data, std::size_t size) {
    while (size != 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) Fail("send");
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// What is about to be sent, hashed again when asked; the last chunk leaves only when the digest
// of everything read matches the announced one.
class SentImageCheck {
public:
    SentImageCheck(bool enabled, long long length, const std::string& announced)
        : context_(enabled ? NewMd5() : nullptr), left_(length), announced_(announced) {}

    void Check(const char* chunk, std::size_t size) {
        if (!context_) return;
        EVP_DigestUpdate(context_.get(), chunk, size);
        left_ -= static_cast<long long>(size);
        if (left_ == 0 && HexDigest(context_.get()) != announced_) {
            std::fprintf(stderr, "tavro-bench-floor: the file changed during the upload\n");
            std::exit(2);
        }
    }

private:
    DigestContext context_;
    long long left_;
    std::string announced_;
};

// Stop and wait: a block, then its acknowledgement (no more bytes than the decimal size).
void SendBlocks(int connection, int file, std::vector<char>& area, SentImageCheck& check) {
    char acknowledgement[8];
    while (const std::size_t got = ReadChunk(file, area.data(), area.size())) {
        check.Check(area.data(), got);
        for (std::size_t at = 0; at < got; at += kBlockSize) {
            const std::size_t block = std::min(kBlockSize, got - at);
            SendAll(connection, area.data() + at, block);
            const std::size_t width = std::to_string(block).size();
            const ssize_t n = ::recv(connection, acknowledgement, width, 0);
            if (n < 0) Fail("acknowledgement");
            if (n == 0) {
                std::fprintf(stderr, "tavro-bench-floor: device closed before acknowledging\n");
                std::exit(1);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool hashAsSent = argc > 1 && std::strcmp(argv[1], "--hash-as-sent") == 0;
    if (hashAsSent) {
        --argc;
        ++argv;
    }
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: tavro-bench-floor [--hash-as-sent] LOCAL_ADDR DEVICE_ADDR FILE\n");
        return 64;
    }
    const sockaddr_in local = Address(argv[1], 0);
    const sockaddr_in device = Address(argv[2], kDevicePort);
    Fd file(::open(argv[3], O_RDONLY | O_CLOEXEC), argv[3]);
    struct stat facts {};
    if (::fstat(file.get(), &facts) != 0) Fail("stat");
    std::vector<char> area(kFileChunk);
    const std::string md5 = Md5Hex(file.get(), area);
    if (::lseek(file.get(), 0, SEEK_SET) != 0) Fail("lseek");

    Fd listener(::socket(AF_INET, SOCK_STREAM, 0), "socket");
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Fail("bind");
    }
    if (::listen(listener.get(), 1) != 0) Fail("listen");
    sockaddr_in bound{};
    socklen_t boundSize = sizeof bound;
    ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&bound), &boundSize);
    BoundWaits(listener.get());  // accept() honours the receive timeout

    Invite(local, device, ntohs(bound.sin_port), static_cast<long long>(facts.st_size), md5);
    Fd connection(::accept(listener.get(), nullptr, nullptr), "accept");
    BoundWaits(connection.get());
    SentImageCheck check(hashAsSent, static_cast<long long>(facts.st_size), md5);
    SendBlocks(connection.get(), file.get(), area, check);

    char reply[2];
    std::size_t got = 0;
    while (got < sizeof reply) {
        const ssize_t n = ::recv(connection.get(), reply + got, sizeof reply - got, 0);
        if (n < 0) Fail("final reply");
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (std::string(reply, got) != "OK") {
        std::fprintf(stderr, "tavro-bench-floor: final reply \"%.*s\"\n", static_cast<int>(got),
                     reply);
        return 1;
    }
    return 0;
}
