#include "import/RepeatedOrders.h"

#include "core/TextValue.h"

namespace kx {

RepeatedOrders::RepeatedOrders(const QVariantList& numbers)
{
    m_keys.reserve(numbers.size());
    for (const QVariant& n : numbers)
        m_keys << key(n);
}

QString RepeatedOrders::key(const QVariant& number)
{
    if (number.isNull())
        return {};
    const QString text = number.toString();
    return trimControl(text).isEmpty() ? QString() : text;
}

void RepeatedOrders::lookUp(Connection& connection)
{
    QSet<QString> wanted;
    wanted.reserve(m_keys.size());
    for (const QString& k : m_keys)
        if (!k.isEmpty())
            wanted.insert(k);
    const StoredOrderNumbers::Stamp now = StoredOrderNumbers::stamp(connection);
    if (now.connection == nullptr || !(now == m_storedAt)) {
        m_stored = StoredOrderNumbers::among(connection, wanted);
        m_storedAt = now;
    }

    QSet<QString> seen;
    seen.reserve(wanted.size());
    m_count = 0;
    for (const QString& k : m_keys)
        m_count += repeats(k, seen) ? 1 : 0;
    m_seen.clear();
    m_seen.reserve(wanted.size());
    m_leftOut = 0;
}

bool RepeatedOrders::repeats(const QString& key, QSet<QString>& seen) const
{
    if (key.isEmpty())
        return false;
    if (m_stored.contains(key))
        return true;
    const qsizetype before = seen.size();
    seen.insert(key);
    return seen.size() == before;
}

QStringList RepeatedOrders::firstNumbers(int max) const
{
    QStringList first;
    QSet<QString> seen, listed;
    for (const QString& k : m_keys) {
        if (first.size() >= max)
            break;
        if (repeats(k, seen) && !listed.contains(k)) {
            listed.insert(k);
            first << k;
        }
    }
    return first;
}

bool RepeatedOrders::leaveOut(const QVariant& number)
{
    if (!repeats(key(number), m_seen))
        return false;
    ++m_leftOut;
    return true;
}

}  // namespace kx
