// The signature check of the update information on any bytes, three ways:
//  - the bytes as the server's whole reply, with the key of this run: no
//    crash, and nothing accepted unless it ends in a signature this key made;
//  - the bytes signed with this run's key as kestrix-sign signs them: then
//    they are accepted exactly when their content alone is (and they fit in
//    the size limit);
//  - the same with one byte of the content changed: always refused.
#include "extras/UpdateInfo.h"
#include "extras/UpdateSignature.h"

#include <QHash>
#include <sodium.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Key {
    unsigned char publicKey[crypto_sign_ed25519_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_ed25519_SECRETKEYBYTES];
    Key()
    {
        if (sodium_init() < 0)
            std::abort();
        // A fixed seed: the same key in every run, so a finding replays.
        unsigned char seed[crypto_sign_ed25519_SEEDBYTES] = {};
        for (size_t i = 0; i < sizeof seed; ++i)
            seed[i] = static_cast<unsigned char>(i * 7 + 3);
        crypto_sign_ed25519_seed_keypair(publicKey, secretKey, seed);
    }
    QByteArray publicBytes() const { return QByteArray(reinterpret_cast<const char*>(publicKey), sizeof publicKey); }
};

QByteArray signLine(const Key& key, const QByteArray& body)
{
    unsigned char signature[crypto_sign_ed25519_BYTES];
    crypto_sign_ed25519_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(body.constData()),
                                 static_cast<unsigned long long>(body.size()), key.secretKey);
    return "signature=" + QByteArray(reinterpret_cast<const char*>(signature), sizeof signature).toHex() + '\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Key key;
    static const QByteArray publicKey = key.publicBytes();
    static const QStringList allowed{QStringLiteral("kestrix"), QStringLiteral("kestrix-check")};
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));

    QString why;
    if (kx::UpdateInfo::read(text, publicKey, allowed, &why)) {
        // Accepted as it stands: it must end in this key's signature of what
        // comes before the last line.
        const qsizetype at = text.lastIndexOf("signature=");
        if (at < 0 || (at > 0 && text[at - 1] != '\n'))
            std::abort();
        const QByteArray hex = text.mid(at + 10).trimmed();
        if (!kx::UpdateSignature::verify(text.left(at), QByteArray::fromHex(hex), publicKey))
            std::abort();
    }

    QByteArray body = text;
    if (!body.isEmpty() && !body.endsWith('\n'))
        body += '\n';
    const QByteArray signedText = body + signLine(key, body);
    const bool fits = signedText.size() <= kx::UpdateInfo::maxTextSize;
    const bool contentOk = kx::UpdateInfo::parse(body, allowed, &why).has_value();
    const bool accepted = kx::UpdateInfo::read(signedText, publicKey, allowed, &why).has_value();
    if (accepted != (fits && contentOk))
        std::abort();

    if (!body.isEmpty()) {
        QByteArray changed = signedText;
        const size_t where = qHash(text) % size_t(body.size());
        changed[qsizetype(where)] = char(changed[qsizetype(where)] ^ 0x01);
        if (kx::UpdateInfo::read(changed, publicKey, allowed, &why))
            std::abort();
    }
    return 0;
}
