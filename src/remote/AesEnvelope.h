#pragma once

#include <QByteArray>
#include <QString>

// The encryption envelope of the central-server client: the marker "AES", a 12-byte nonce, the
// message enciphered with AES-256-GCM and the 16-byte tag. The key is derived from the envelope's
// pass phrase with PBKDF2-HMAC-SHA256 (docs/wire.md gives salt and iteration count).
class AesEnvelope
{
public:
    static constexpr int NonceSize = 12;
    static constexpr int TagSize = 16;
    static constexpr int Iterations = 20000;
    static QByteArray marker() { return QByteArrayLiteral("AES"); }
    static QByteArray salt() { return QByteArrayLiteral("varnex-wire-envelope-v1"); }
    // The pass phrase built into the central-server client, as the bytes the key is derived from
    // (ten ASCII characters). The stand-in server uses it too unless it is given another one.
    static QByteArray builtInPassPhrase() { return QByteArrayLiteral("HbrodixQ27"); }

    // The key is derived from the pass phrase's bytes exactly as given; no character set is
    // applied to them.
    explicit AesEnvelope(const QByteArray &passPhrase);

    // True when the message starts with the marker.
    static bool isWrapped(const QByteArray &message);
    static QByteArray deriveKey(const QByteArray &passPhrase);

    QByteArray wrap(const QByteArray &plain) const;
    // Throws ProtocolError for a message without the marker, too short, or whose tag does not
    // verify (wrong pass phrase or damaged message).
    QByteArray unwrap(const QByteArray &message) const;

private:
    QByteArray m_key;
};
