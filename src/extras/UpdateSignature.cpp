#include "extras/UpdateSignature.h"

#include <sodium.h>

namespace kx {

bool UpdateSignature::verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey)
{
    static_assert(publicKeySize == crypto_sign_ed25519_PUBLICKEYBYTES);
    static_assert(signatureSize == crypto_sign_ed25519_BYTES);
    if (signature.size() != signatureSize || publicKey.size() != publicKeySize)
        return false;
    // sodium_init is cheap after the first call and safe from any thread.
    if (sodium_init() < 0)
        return false;
    return crypto_sign_ed25519_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                               reinterpret_cast<const unsigned char*>(message.constData()),
                                               static_cast<unsigned long long>(message.size()),
                                               reinterpret_cast<const unsigned char*>(publicKey.constData()))
           == 0;
}

QByteArray UpdateSignature::keyFromHex(const QByteArray& hex)
{
    if (hex.size() != 2 * publicKeySize)
        return {};
    for (char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return {};
    }
    return QByteArray::fromHex(hex);
}

}  // namespace kx
