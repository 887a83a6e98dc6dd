#include "platform/Crypto.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <climits>
#include <memory>

namespace fu::platform {
namespace {

constexpr size_t kAes256KeySize = 32;
constexpr size_t kAesBlockSize = 16;

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// One pass of AES-256-ECB with PKCS#7 padding in either direction. The context is owned by a
// unique_ptr so that every early return frees it.
std::optional<Bytes> aes256Ecb(ByteView key, ByteView input, bool encrypt) {
    if (key.size() != kAes256KeySize) return std::nullopt;
    // EVP counts in int and may write one block beyond the input.
    if (input.size() > static_cast<size_t>(INT_MAX) - kAesBlockSize) return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return std::nullopt;
    if (EVP_CipherInit_ex(context.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr,
                          encrypt ? 1 : 0) != 1) {
        return std::nullopt;
    }
    Bytes output(input.size() + kAesBlockSize);
    int written = 0;
    static const uint8_t kNothing = 0;
    const uint8_t* source = input.empty() ? &kNothing : input.data();
    if (EVP_CipherUpdate(context.get(), output.data(), &written, source,
                         static_cast<int>(input.size())) != 1) {
        return std::nullopt;
    }
    int finalWritten = 0;
    if (EVP_CipherFinal_ex(context.get(), output.data() + written, &finalWritten) != 1) {
        return std::nullopt;
    }
    output.resize(static_cast<size_t>(written) + static_cast<size_t>(finalWritten));
    return output;
}

std::optional<Bytes> withClearedErrors(std::optional<Bytes> result) {
    // A failed call leaves entries on OpenSSL's per-thread error queue; later, unrelated
    // OpenSSL users would otherwise find them there.
    if (!result) ERR_clear_error();
    return result;
}

} // namespace

std::optional<Md5Digest> md5(ByteView bytes) {
    Md5Digest digest{};
    unsigned int length = 0;
    static const uint8_t kNothing = 0;
    const uint8_t* source = bytes.empty() ? &kNothing : bytes.data();
    if (EVP_Digest(source, bytes.size(), digest.data(), &length, EVP_md5(), nullptr) != 1 ||
        length != digest.size()) {
        ERR_clear_error();
        return std::nullopt;
    }
    return digest;
}

std::optional<Bytes> aes256EcbDecrypt(ByteView key, ByteView cipherText) {
    // An empty text carries no padding block, so it cannot be a PKCS#7 ciphertext.
    if (cipherText.empty() || cipherText.size() % kAesBlockSize != 0) return std::nullopt;
    return withClearedErrors(aes256Ecb(key, cipherText, false));
}

std::optional<Bytes> aes256EcbEncrypt(ByteView key, ByteView plainText) {
    return withClearedErrors(aes256Ecb(key, plainText, true));
}

} // namespace fu::platform
