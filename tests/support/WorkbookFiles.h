#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace kx::test {

// The bytes of a file in tests/fixtures; a missing one stops the test run.
QByteArray fixtureBytes(const QString& name);

// A compound document holding the named streams, the container an Excel
// 97-2003 workbook, an Excel 95 one and an encrypted current one all share.
QByteArray compoundDocument(const QList<std::pair<QByteArray, QByteArray>>& streams);

}  // namespace kx::test
