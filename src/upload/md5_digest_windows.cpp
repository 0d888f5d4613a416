// bcrypt.h builds on the types of windows.h.
// clang-format off
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "upload/file_by_path.h"
#include "upload/md5_digest.h"

namespace tavro::upload {
namespace {

// One read of the file digest never asks for more than this, however long the file.
constexpr std::size_t kFileBlockSize = 4 * 1024 * 1024;

bool Succeeded(NTSTATUS status) { return status >= 0; }

struct ProviderClose {
    void operator()(void* provider) const { ::BCryptCloseAlgorithmProvider(provider, 0); }
};
using Provider = std::unique_ptr<void, ProviderClose>;

struct HashDestroy {
    void operator()(void* hash) const { ::BCryptDestroyHash(hash); }
};
using HashHandle = std::unique_ptr<void, HashDestroy>;

// An MD5 under way: the algorithm provider and the hash object it made. The hash object's
// memory is CNG's own (no buffer given), and the hash holds on to its provider.
struct Hash {
    Provider provider;
    HashHandle hash;
};

Provider OpenProvider() {
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&provider, BCRYPT_MD5_ALGORITHM, nullptr, 0))) {
        return Provider();
    }
    return Provider(provider);
}

HashHandle CreateHash(const Provider& provider) {
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!Succeeded(::BCryptCreateHash(provider.get(), &hash, nullptr, 0, nullptr, 0, 0))) {
        return HashHandle();
    }
    return HashHandle(hash);
}

// CNG takes at most a ULONG of bytes per call; longer data goes in pieces.
bool HashData(const HashHandle& hash, const void* data, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(size, 0x40000000));
        if (!Succeeded(::BCryptHashData(hash.get(), bytes, piece, 0))) return false;
        bytes += piece;
        size -= piece;
    }
    return true;
}

bool FinishDigest(const HashHandle& hash, Md5Digest& digest) {
    Md5Digest value{};
    if (!Succeeded(::BCryptFinishHash(hash.get(), value.data(), value.size(), 0))) return false;
    digest = value;
    return true;
}

std::optional<Hash> StartHash() {
    Hash started{OpenProvider(), HashHandle()};
    if (!started.provider) return std::nullopt;
    started.hash = CreateHash(started.provider);
    if (!started.hash) return std::nullopt;
    return started;
}

}  // namespace

bool GetFileMD5(const std::string& path, Md5Digest& digest) {
    digest.fill(0);
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kFileBlockSize]);
    if (!block) return false;
    std::optional<Hash> hash = StartHash();
    if (!hash) return false;
    const OwnedFile file = OpenFileForReading(path);
    if (!file) return false;

    bool anyBlock = false;
    while (std::size_t count = std::fread(block.get(), 1, kFileBlockSize, file.get())) {
        if (!HashData(hash->hash, block.get(), count)) return false;
        anyBlock = true;
    }
    // A read that fails part way must not pass off the digest of a part as the file's.
    if (std::ferror(file.get()) || !anyBlock) return false;
    return FinishDigest(hash->hash, digest);
}

bool GetTextMD5(std::string_view data, Md5Digest& digest,
                const std::function<void(std::string_view)>& showError) {
    // The step names are the ones users and support have always seen in these boxes.
    const Provider provider = OpenProvider();
    if (!provider) {
        showError("CryptAcquireContext");
        return false;
    }
    const HashHandle hash = CreateHash(provider);
    if (!hash) {
        showError("CryptCreateHash");
        return false;
    }
    if (!HashData(hash, data.data(), data.size())) {
        showError("CryptHashData");
        return false;
    }
    if (!FinishDigest(hash, digest)) {
        showError("CryptGetHashParam");
        return false;
    }
    return true;
}

struct Md5Stream::Context {
    Hash hash;
};

void Md5Stream::ContextFree::operator()(Context* context) const { delete context; }

Md5Stream::Md5Stream() {
    if (std::optional<Hash> hash = StartHash()) {
        context_.reset(new (std::nothrow) Context{std::move(*hash)});
    }
}

Md5Stream::~Md5Stream() = default;
Md5Stream::Md5Stream(Md5Stream&&) noexcept = default;
Md5Stream& Md5Stream::operator=(Md5Stream&&) noexcept = default;

bool Md5Stream::Add(std::span<const char> bytes) {
    if (!context_) return false;
    if (!HashData(context_->hash.hash, bytes.data(), bytes.size())) {
        context_.reset();
        return false;
    }
    return true;
}

bool Md5Stream::Finish(Md5Digest& digest) {
    if (!context_) return false;
    const bool finished = FinishDigest(context_->hash.hash, digest);
    context_.reset();
    return finished;
}

}  // namespace tavro::upload
