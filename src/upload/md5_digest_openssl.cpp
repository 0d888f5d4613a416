#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "upload/file_by_path.h"
#include "upload/md5_digest.h"

namespace tavro::upload {
namespace {

// One read of the file digest never asks for more than this, however long the file.
constexpr std::size_t kFileBlockSize = 4 * 1024 * 1024;

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

bool FinishDigest(EVP_MD_CTX* context, Md5Digest& digest) {
    Md5Digest value{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, value.data(), &length) != 1 || length != value.size()) {
        return false;
    }
    digest = value;
    return true;
}

}  // namespace

bool GetFileMD5(const std::string& path, Md5Digest& digest) {
    digest.fill(0);
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kFileBlockSize]);
    if (!block) return false;
    DigestContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return false;
    const OwnedFile file = OpenFileForReading(path);
    if (!file) return false;

    bool anyBlock = false;
    while (std::size_t count = std::fread(block.get(), 1, kFileBlockSize, file.get())) {
        if (EVP_DigestUpdate(context.get(), block.get(), count) != 1) return false;
        anyBlock = true;
    }
    // A read that fails part way must not pass off the digest of a part as the file's.
    if (std::ferror(file.get()) || !anyBlock) return false;
    return FinishDigest(context.get(), digest);
}

bool GetTextMD5(std::string_view data, Md5Digest& digest,
                const std::function<void(std::string_view)>& showError) {
    // The step names are the ones users and support have always seen in these boxes.
    DigestContext context(EVP_MD_CTX_new());
    if (!context) {
        showError("CryptAcquireContext");
        return false;
    }
    if (EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
        showError("CryptCreateHash");
        return false;
    }
    if (EVP_DigestUpdate(context.get(), data.data(), data.size()) != 1) {
        showError("CryptHashData");
        return false;
    }
    if (!FinishDigest(context.get(), digest)) {
        showError("CryptGetHashParam");
        return false;
    }
    return true;
}

struct Md5Stream::Context {
    DigestContext digest;
};

void Md5Stream::ContextFree::operator()(Context* context) const { delete context; }

Md5Stream::Md5Stream() {
    DigestContext digest(EVP_MD_CTX_new());
    if (digest && EVP_DigestInit_ex(digest.get(), EVP_md5(), nullptr) == 1) {
        context_.reset(new (std::nothrow) Context{std::move(digest)});
    }
}

Md5Stream::~Md5Stream() = default;
Md5Stream::Md5Stream(Md5Stream&&) noexcept = default;
Md5Stream& Md5Stream::operator=(Md5Stream&&) noexcept = default;

bool Md5Stream::Add(std::span<const char> bytes) {
    if (!context_) return false;
    if (EVP_DigestUpdate(context_->digest.get(), bytes.data(), bytes.size()) != 1) {
        context_.reset();
        return false;
    }
    return true;
}

bool Md5Stream::Finish(Md5Digest& digest) {
    if (!context_) return false;
    const bool finished = FinishDigest(context_->digest.get(), digest);
    context_.reset();
    return finished;
}

}  // namespace tavro::upload
