#include "remote/AesEnvelope.h"

#include "remote/RemoteError.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace {
struct CtxFree
{
    void operator()(EVP_CIPHER_CTX *c) const { EVP_CIPHER_CTX_free(c); }
};
using Ctx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;
} // namespace

AesEnvelope::AesEnvelope(const QByteArray &passPhrase) : m_key(deriveKey(passPhrase)) {}

QByteArray AesEnvelope::deriveKey(const QByteArray &passPhrase)
{
    QByteArray key(32, '\0');
    const QByteArray s = salt();
    if (PKCS5_PBKDF2_HMAC(passPhrase.constData(), int(passPhrase.size()),
                          reinterpret_cast<const unsigned char *>(s.constData()), int(s.size()),
                          Iterations, EVP_sha256(), int(key.size()),
                          reinterpret_cast<unsigned char *>(key.data())) != 1)
        throw RemoteError(QStringLiteral("Cannot derive the envelope key"));
    return key;
}

bool AesEnvelope::isWrapped(const QByteArray &message)
{
    return message.startsWith(marker());
}

QByteArray AesEnvelope::wrap(const QByteArray &plain) const
{
    QByteArray nonce(NonceSize, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(nonce.data()), NonceSize) != 1)
        throw RemoteError(QStringLiteral("Cannot draw a random nonce for the envelope"));
    Ctx ctx(EVP_CIPHER_CTX_new());
    QByteArray cipher(plain.size() + 16, '\0');
    int len = 0, total = 0;
    const QByteArray aad = marker();
    bool ok = ctx && EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
        && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, NonceSize, nullptr) == 1
        && EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr,
                              reinterpret_cast<const unsigned char *>(m_key.constData()),
                              reinterpret_cast<const unsigned char *>(nonce.constData())) == 1
        && EVP_EncryptUpdate(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char *>(aad.constData()), int(aad.size())) == 1;
    if (ok && !plain.isEmpty()) {
        ok = EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char *>(cipher.data()), &len,
                               reinterpret_cast<const unsigned char *>(plain.constData()), int(plain.size())) == 1;
        total = len;
    }
    ok = ok && EVP_EncryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char *>(cipher.data()) + total, &len) == 1;
    total += len;
    QByteArray tag(TagSize, '\0');
    ok = ok && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, TagSize, tag.data()) == 1;
    if (!ok)
        throw RemoteError(QStringLiteral("Cannot encipher the message"));
    cipher.truncate(total);
    return marker() + nonce + cipher + tag;
}

QByteArray AesEnvelope::unwrap(const QByteArray &message) const
{
    if (!isWrapped(message))
        throw ProtocolError(QStringLiteral("The message has no AES envelope"));
    const int head = int(marker().size());
    if (message.size() < head + NonceSize + TagSize)
        throw ProtocolError(QStringLiteral("The AES envelope is truncated"));
    const QByteArray nonce = message.mid(head, NonceSize);
    const QByteArray cipher = message.mid(head + NonceSize, message.size() - head - NonceSize - TagSize);
    QByteArray tag = message.right(TagSize);
    QByteArray plain(cipher.size() + 16, '\0');
    int len = 0, total = 0;
    const QByteArray aad = marker();
    Ctx ctx(EVP_CIPHER_CTX_new());
    bool ok = ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
        && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, NonceSize, nullptr) == 1
        && EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr,
                              reinterpret_cast<const unsigned char *>(m_key.constData()),
                              reinterpret_cast<const unsigned char *>(nonce.constData())) == 1
        && EVP_DecryptUpdate(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char *>(aad.constData()), int(aad.size())) == 1;
    if (ok && !cipher.isEmpty()) {
        ok = EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char *>(plain.data()), &len,
                               reinterpret_cast<const unsigned char *>(cipher.constData()), int(cipher.size())) == 1;
        total = len;
    }
    ok = ok && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, TagSize, tag.data()) == 1
        && EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char *>(plain.data()) + total, &len) == 1;
    if (!ok)
        throw ProtocolError(QStringLiteral("The AES envelope does not open: wrong pass phrase or damaged message"));
    total += len;
    plain.truncate(total);
    return plain;
}
