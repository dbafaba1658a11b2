#include "data/StoredOrderNumbers.h"

#include "data/Connection.h"
#include "data/Schema.h"
#include "data/SqlText.h"
#include "data/Statement.h"

#include <QByteArray>

#include <sqlite3.h>

namespace kx {

QSet<QString> StoredOrderNumbers::among(Connection& connection, const QSet<QString>& wanted)
{
    QSet<QString> found;
    if (wanted.isEmpty())
        return found;
    // The engine compares texts by their UTF-8 bytes; so does this.
    QSet<QByteArray> bytes;
    bytes.reserve(wanted.size());
    for (const QString& number : wanted)
        bytes.insert(number.toUtf8());

    static const QString sql = QStringLiteral("select %1 from data where %1 is not null")
                                   .arg(quoteIdentifier(schema::orderColumn::orderNumber));
    Statement st(connection, sql);
    while (st.step() && found.size() < wanted.size()) {
        const QByteArrayView view = st.text(0);
        const char* text = view.data();
        const int size = int(view.size());
        if (!text)
            continue;
        // A view of the engine's bytes: no copy for the many that miss.
        const QByteArray key = QByteArray::fromRawData(text, size);
        if (bytes.contains(key))
            found.insert(QString::fromUtf8(text, size));
    }
    return found;
}

StoredOrderNumbers::Stamp StoredOrderNumbers::stamp(Connection& connection)
{
    // A server tells no version of its data: every stamp differs from the
    // last, and the numbers are read again.
    if (!connection.handle()) {
        static long long taken = 0;
        return {&connection, -1, ++taken};
    }
    Statement st(connection, QStringLiteral("pragma data_version"));
    st.step();
    return {connection.handle(), st.value(0).toLongLong(), sqlite3_total_changes(connection.handle())};
}

}  // namespace kx
