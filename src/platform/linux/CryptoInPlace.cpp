// AES-256-ECB decryption over the cipher text's own bytes, through OpenSSL's EVP interface: a
// definition's payload is decrypted without a second buffer of its size.
#include "platform/Crypto.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <climits>
#include <memory>

namespace fu::platform {
namespace {

constexpr size_t kKeySize = 32;
constexpr size_t kBlockSize = 16;

struct ContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

std::optional<size_t> decryptInPlace(ByteView key, std::span<uint8_t> text) {
    if (key.size() != kKeySize || text.empty() || text.size() % kBlockSize != 0)
        return std::nullopt;
    if (text.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
    std::unique_ptr<EVP_CIPHER_CTX, ContextFree> context(EVP_CIPHER_CTX_new());
    if (!context ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr) != 1)
        return std::nullopt;
    // EVP allows the output to be the input exactly. With padding on, the update holds the last
    // block back and the final call writes at most that block's plain bytes after the others, so
    // nothing lands outside the text.
    int written = 0;
    if (EVP_DecryptUpdate(context.get(), text.data(), &written, text.data(),
                          static_cast<int>(text.size())) != 1)
        return std::nullopt;
    int finalWritten = 0;
    if (EVP_DecryptFinal_ex(context.get(), text.data() + written, &finalWritten) != 1)
        return std::nullopt;
    return static_cast<size_t>(written) + static_cast<size_t>(finalWritten);
}

} // namespace

std::optional<size_t> aes256EcbDecryptInPlace(ByteView key, std::span<uint8_t> text) {
    std::optional<size_t> length = decryptInPlace(key, text);
    // A refusal leaves entries on OpenSSL's per-thread error queue, which later, unrelated users
    // of OpenSSL would find.
    if (!length) ERR_clear_error();
    return length;
}

} // namespace fu::platform
