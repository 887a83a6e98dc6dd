// AES-256-ECB, MD5, SHA-256 and Ed25519 through OpenSSL's EVP interface.
#include "platform/Crypto.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
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

// Decrypts over the cipher text's own bytes, so a definition's payload needs no second buffer of
// its size.
std::optional<size_t> aes256EcbDecryptOver(ByteView key, std::span<uint8_t> text) {
    if (key.size() != kAes256KeySize || text.empty() || text.size() % kAesBlockSize != 0)
        return std::nullopt;
    if (text.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
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

// A failed call leaves entries on OpenSSL's per-thread error queue; later, unrelated OpenSSL
// users would otherwise find them there.
template <typename T> std::optional<T> withClearedErrors(std::optional<T> result) {
    if (!result) ERR_clear_error();
    return result;
}

template <typename Digest> std::optional<Digest> digestOf(ByteView bytes, const EVP_MD* type) {
    Digest digest{};
    unsigned int length = 0;
    static const uint8_t kNothing = 0;
    const uint8_t* source = bytes.empty() ? &kNothing : bytes.data();
    if (EVP_Digest(source, bytes.size(), digest.data(), &length, type, nullptr) != 1 ||
        length != digest.size()) {
        ERR_clear_error();
        return std::nullopt;
    }
    return digest;
}

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

Key privateKeyOf(ByteView privateKey) {
    if (privateKey.size() != kEd25519KeySize) return nullptr;
    return Key(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, privateKey.data(),
                                            privateKey.size()));
}

Key publicKeyOf(ByteView publicKey) {
    if (publicKey.size() != kEd25519KeySize) return nullptr;
    return Key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, publicKey.data(), publicKey.size()));
}

std::optional<Bytes> rawKey(const Key& key, bool privatePart) {
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519) return std::nullopt;
    Bytes raw(kEd25519KeySize);
    size_t length = raw.size();
    const int ok = privatePart ? EVP_PKEY_get_raw_private_key(key.get(), raw.data(), &length)
                               : EVP_PKEY_get_raw_public_key(key.get(), raw.data(), &length);
    if (ok != 1 || length != kEd25519KeySize) return std::nullopt;
    return raw;
}

std::optional<std::string> pemOf(const Key& key, bool privatePart) {
    if (!key) return std::nullopt;
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio) return std::nullopt;
    const int ok = privatePart ? PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0,
                                                          nullptr, nullptr)
                               : PEM_write_bio_PUBKEY(bio.get(), key.get());
    if (ok != 1) return std::nullopt;
    char* text = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &text);
    if (length <= 0 || !text) return std::nullopt;
    return std::string(text, static_cast<size_t>(length));
}

Key keyFromPem(std::string_view pem, bool privatePart) {
    if (pem.size() > static_cast<size_t>(INT_MAX)) return nullptr;
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio) return nullptr;
    // No passphrase callback: an encrypted private key is refused rather than prompted for.
    static pem_password_cb* const kNoPassphrase = [](char*, int, int, void*) { return 0; };
    return Key(privatePart ? PEM_read_bio_PrivateKey(bio.get(), nullptr, kNoPassphrase, nullptr)
                           : PEM_read_bio_PUBKEY(bio.get(), nullptr, kNoPassphrase, nullptr));
}

// Every Ed25519 public key has one SubjectPublicKeyInfo (RFC 8410): this DER prefix, then the
// 32 key bytes; in base64, 60 characters.
constexpr uint8_t kEd25519SpkiPrefix[] = {0x30, 0x2a, 0x30, 0x05, 0x06, 0x03,
                                          0x2b, 0x65, 0x70, 0x03, 0x21, 0x00};
constexpr size_t kEd25519SpkiSize = sizeof(kEd25519SpkiPrefix) + kEd25519KeySize;
constexpr size_t kEd25519SpkiBase64Size = 60;

// The key of the first "PUBLIC KEY" block when it is plainly an Ed25519 key, read without
// OpenSSL's decoder framework, whose first use costs milliseconds of every run that loads the
// trusted keys. Anything else (headers, another algorithm, damage) is left to OpenSSL, so this
// only ever agrees with it.
std::optional<Bytes> plainEd25519PublicKey(std::string_view pem) {
    static constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
    static constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
    // Each marker a line of its own, as OpenSSL reads them.
    const size_t begin = pem.find(kBegin);
    if (begin == std::string_view::npos || (begin > 0 && pem[begin - 1] != '\n'))
        return std::nullopt;
    size_t bodyAt = begin + kBegin.size();
    if (bodyAt < pem.size() && pem[bodyAt] == '\r') ++bodyAt;
    if (bodyAt >= pem.size() || pem[bodyAt] != '\n') return std::nullopt;
    const size_t end = pem.find(kEnd, bodyAt);
    if (end == std::string_view::npos || pem[end - 1] != '\n') return std::nullopt;
    std::string body;
    for (const char c : pem.substr(bodyAt, end - bodyAt)) {
        if (c == '\n' || c == '\r') continue;
        if (body.size() == kEd25519SpkiBase64Size) return std::nullopt;
        body += c;
    }
    if (body.size() != kEd25519SpkiBase64Size || body.back() != '=' || body[body.size() - 2] == '=')
        return std::nullopt;
    // EVP_DecodeBlock counts the padding's byte; it refuses any character outside base64.
    uint8_t der[kEd25519SpkiSize + 1];
    if (EVP_DecodeBlock(der, reinterpret_cast<const unsigned char*>(body.data()),
                        static_cast<int>(body.size())) != static_cast<int>(kEd25519SpkiSize + 1))
        return std::nullopt;
    if (!std::equal(std::begin(kEd25519SpkiPrefix), std::end(kEd25519SpkiPrefix), der))
        return std::nullopt;
    return Bytes(der + sizeof(kEd25519SpkiPrefix), der + kEd25519SpkiSize);
}

} // namespace

std::optional<Md5Digest> md5(ByteView bytes) { return digestOf<Md5Digest>(bytes, EVP_md5()); }

std::optional<Bytes> aes256EcbDecrypt(ByteView key, ByteView cipherText) {
    // An empty text carries no padding block, so it cannot be a PKCS#7 ciphertext.
    if (cipherText.empty() || cipherText.size() % kAesBlockSize != 0) return std::nullopt;
    return withClearedErrors(aes256Ecb(key, cipherText, false));
}

std::optional<size_t> aes256EcbDecryptInPlace(ByteView key, std::span<uint8_t> text) {
    return withClearedErrors(aes256EcbDecryptOver(key, text));
}

std::optional<Bytes> aes256EcbEncrypt(ByteView key, ByteView plainText) {
    return withClearedErrors(aes256Ecb(key, plainText, true));
}

std::optional<Sha256Digest> sha256(ByteView bytes) {
    return digestOf<Sha256Digest>(bytes, EVP_sha256());
}

std::optional<Bytes> generateEd25519PrivateKey() {
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    return withClearedErrors(rawKey(key, true));
}

std::optional<Bytes> ed25519PublicKey(ByteView privateKey) {
    return withClearedErrors(rawKey(privateKeyOf(privateKey), false));
}

std::optional<Bytes> ed25519Sign(ByteView privateKey, ByteView message) {
    auto sign = [&]() -> std::optional<Bytes> {
        Key key = privateKeyOf(privateKey);
        DigestContext context(EVP_MD_CTX_new());
        // Ed25519 hashes internally: no digest is named, and the message goes in one call.
        if (!key || !context ||
            EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
            return std::nullopt;
        Bytes signature(kEd25519SignatureSize);
        size_t length = signature.size();
        static const uint8_t kNothing = 0;
        const uint8_t* source = message.empty() ? &kNothing : message.data();
        if (EVP_DigestSign(context.get(), signature.data(), &length, source, message.size()) != 1 ||
            length != kEd25519SignatureSize)
            return std::nullopt;
        return signature;
    };
    return withClearedErrors(sign());
}

bool ed25519Verify(ByteView publicKey, ByteView message, ByteView signature) {
    auto verify = [&]() -> std::optional<bool> {
        if (signature.size() != kEd25519SignatureSize) return std::nullopt;
        Key key = publicKeyOf(publicKey);
        DigestContext context(EVP_MD_CTX_new());
        if (!key || !context ||
            EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
            return std::nullopt;
        static const uint8_t kNothing = 0;
        const uint8_t* source = message.empty() ? &kNothing : message.data();
        if (EVP_DigestVerify(context.get(), signature.data(), signature.size(), source,
                             message.size()) != 1)
            return std::nullopt;
        return true;
    };
    return withClearedErrors(verify()).has_value();
}

std::optional<std::string> ed25519PrivateKeyPem(ByteView privateKey) {
    return withClearedErrors(pemOf(privateKeyOf(privateKey), true));
}

std::optional<std::string> ed25519PublicKeyPem(ByteView publicKey) {
    return withClearedErrors(pemOf(publicKeyOf(publicKey), false));
}

std::optional<Bytes> ed25519PrivateKeyFromPem(std::string_view pem) {
    return withClearedErrors(rawKey(keyFromPem(pem, true), true));
}

std::optional<Bytes> ed25519PublicKeyFromPem(std::string_view pem) {
    if (std::optional<Bytes> key = plainEd25519PublicKey(pem)) return key;
    return withClearedErrors(rawKey(keyFromPem(pem, false), false));
}

} // namespace fu::platform
