// kestrix-sign — the maker's side of signed updates.
//
//   kestrix-sign keygen SECRET-KEY-FILE
//       makes a new Ed25519 key pair: the secret key goes into a new file
//       (only its owner may read it; an existing file is never replaced),
//       the public key is printed, 64 hex digits, for the build option
//       KX_UPDATE_PUBLIC_KEY.
//   kestrix-sign public SECRET-KEY-FILE
//       prints the public key of a secret key file again.
//   kestrix-sign sign SECRET-KEY-FILE WBQ-INF
//       prints wbq.inf signed: its text, then the line
//       "signature=<128 hex digits>" over every byte before that line.
//
// The secret key file belongs on the maker's signing machine only: never in
// the repository, never on the download server.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

namespace {

// What the program takes as update information at most.
constexpr qsizetype maxSignedSize = 64 * 1024;

int usage()
{
    std::fprintf(stderr,
                 "usage: kestrix-sign keygen SECRET-KEY-FILE\n"
                 "       kestrix-sign public SECRET-KEY-FILE\n"
                 "       kestrix-sign sign SECRET-KEY-FILE WBQ-INF\n");
    return 2;
}

int failure(const char* what, const char* detail = nullptr)
{
    std::fprintf(stderr, "kestrix-sign: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    return 1;
}

QByteArray hex(const unsigned char* bytes, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size)).toHex();
}

bool readFile(const char* path, qsizetype limit, QByteArray* contents)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *contents = file.read(limit + 1);
    return file.error() == QFileDevice::NoError;
}

// The secret key as keygen wrote it: 128 hex digits on one line.
bool readSecretKey(const char* path, unsigned char key[crypto_sign_ed25519_SECRETKEYBYTES])
{
    QByteArray text;
    if (!readFile(path, 1024, &text))
        return false;
    const QByteArray digits = text.trimmed();
    if (digits.size() != 2 * crypto_sign_ed25519_SECRETKEYBYTES)
        return false;
    for (char c : digits) {
        if (!std::strchr("0123456789abcdefABCDEF", c))
            return false;
    }
    const QByteArray raw = QByteArray::fromHex(digits);
    std::memcpy(key, raw.constData(), crypto_sign_ed25519_SECRETKEYBYTES);
    return true;
}

int keygen(const char* path)
{
    unsigned char publicKey[crypto_sign_ed25519_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_ed25519_SECRETKEYBYTES];
    crypto_sign_ed25519_keypair(publicKey, secretKey);
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return failure("cannot create the secret key file", std::strerror(errno));
    const QByteArray line = hex(secretKey, sizeof secretKey) + '\n';
    sodium_memzero(secretKey, sizeof secretKey);
    const bool written = ::write(fd, line.constData(), size_t(line.size())) == line.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        ::unlink(path);
        return failure("cannot write the secret key file");
    }
    std::printf("%s\n", hex(publicKey, sizeof publicKey).constData());
    return 0;
}

int printPublic(const char* keyPath)
{
    unsigned char secretKey[crypto_sign_ed25519_SECRETKEYBYTES];
    unsigned char publicKey[crypto_sign_ed25519_PUBLICKEYBYTES];
    if (!readSecretKey(keyPath, secretKey))
        return failure("not a secret key file of kestrix-sign", keyPath);
    crypto_sign_ed25519_sk_to_pk(publicKey, secretKey);
    sodium_memzero(secretKey, sizeof secretKey);
    std::printf("%s\n", hex(publicKey, sizeof publicKey).constData());
    return 0;
}

int sign(const char* keyPath, const char* infoPath)
{
    unsigned char secretKey[crypto_sign_ed25519_SECRETKEYBYTES];
    if (!readSecretKey(keyPath, secretKey))
        return failure("not a secret key file of kestrix-sign", keyPath);
    QByteArray body;
    if (!readFile(infoPath, maxSignedSize, &body))
        return failure("cannot read", infoPath);
    if (!body.isEmpty() && !body.endsWith('\n'))
        body += '\n';
    if (body.startsWith("signature=") || body.contains("\nsignature="))
        return failure("the file is already signed", infoPath);
    unsigned char signature[crypto_sign_ed25519_BYTES];
    crypto_sign_ed25519_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(body.constData()),
                                 static_cast<unsigned long long>(body.size()), secretKey);
    sodium_memzero(secretKey, sizeof secretKey);
    const QByteArray signedText = body + "signature=" + hex(signature, sizeof signature) + '\n';
    if (signedText.size() > maxSignedSize)
        return failure("the signed file would be larger than the program accepts (64 KB)");
    if (std::fwrite(signedText.constData(), 1, size_t(signedText.size()), stdout) != size_t(signedText.size())
        || std::fflush(stdout) != 0)
        return failure("cannot write the signed file");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (sodium_init() < 0)
        return failure("libsodium cannot start");
    if (argc == 3 && std::strcmp(argv[1], "keygen") == 0)
        return keygen(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "public") == 0)
        return printPublic(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "sign") == 0)
        return sign(argv[2], argv[3]);
    return usage();
}
