#pragma once

#include <QByteArray>

namespace kx {

// The maker's Ed25519 signature over the update information. Only the
// holder of the private key (kept off this repository and off the server)
// can make one that the public key compiled into the program accepts; the
// download server and anyone on the way to it cannot.
class UpdateSignature {
public:
    static constexpr int publicKeySize = 32;
    static constexpr int signatureSize = 64;

    // True when `signature` (raw bytes) is the key's detached signature of
    // `message`. A key or signature of the wrong length is simply false.
    static bool verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey);
    // The raw key from its 64 hex digits (the build option's form); empty
    // when the text is anything else.
    static QByteArray keyFromHex(const QByteArray& hex);
};

}  // namespace kx
