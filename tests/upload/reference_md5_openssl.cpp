#include <openssl/evp.h>

#include <stdexcept>

#include "firmware_files.h"

namespace tavro::test {

std::string ReferenceMd5Hex(std::string_view bytes) {
    unsigned char value[EVP_MAX_MD_SIZE];
    std::size_t length = 0;
    if (!EVP_Q_digest(nullptr, "MD5", nullptr, bytes.data(), bytes.size(), value, &length)) {
        throw std::runtime_error("reference MD5 failed");
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < length; ++i) {
        hex += kDigits[value[i] >> 4];
        hex += kDigits[value[i] & 15];
    }
    return hex;
}

}  // namespace tavro::test
