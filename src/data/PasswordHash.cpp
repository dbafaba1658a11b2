#include "data/PasswordHash.h"

#include "core/OperationError.h"

#include <QByteArray>
#include <atomic>
#include <sodium.h>

namespace kx {

namespace {

const QString hashTag = QStringLiteral("$argon2id$");

// libsodium picks its fastest code for the processor here; calling it again
// is harmless, but once is enough.
void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw OperationError(QStringLiteral("The password library could not be started."));
}

std::atomic<unsigned long long> passes{crypto_pwhash_OPSLIMIT_INTERACTIVE};
std::atomic<std::size_t> memory{crypto_pwhash_MEMLIMIT_INTERACTIVE};

}  // namespace

QString PasswordHash::make(const QString& password)
{
    ensureSodium();
    const QByteArray text = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    // It fails only when the memory it asks for is not there.
    if (crypto_pwhash_str(out, text.constData(), quint64(text.size()), passes.load(), memory.load()) != 0)
        throw OperationError(QStringLiteral("Not enough memory to protect the password."));
    return QString::fromLatin1(out);
}

bool PasswordHash::matches(const QString& stored, const QString& typed)
{
    if (!isHash(stored))
        return stored == typed;
    ensureSodium();
    const QByteArray hash = stored.toLatin1();
    const QByteArray text = typed.toUtf8();
    // A damaged hash verifies nothing, as a wrong password does.
    return crypto_pwhash_str_verify(hash.constData(), text.constData(), quint64(text.size())) == 0;
}

bool PasswordHash::isHash(const QString& stored)
{
    return stored.startsWith(hashTag);
}

void PasswordHash::setCost(Cost cost)
{
    const bool light = cost == Cost::Lightest;
    passes = light ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
    memory = light ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
}

}  // namespace kx
