#include "import/XlsxWorkbookReader.h"

#include "core/DbError.h"

namespace kx {

// Placeholder until the reader lands: every .xlsx is refused plainly.
XlsxWorkbookReader XlsxWorkbookReader::fromFile(const QString&)
{
    throw DbError(QStringLiteral("Workbooks in the .xlsx format cannot be read yet."));
}

XlsxWorkbookReader XlsxWorkbookReader::fromBytes(const QByteArray&)
{
    throw DbError(QStringLiteral("Workbooks in the .xlsx format cannot be read yet."));
}

QStringList XlsxWorkbookReader::sheetNames() const
{
    return {};
}

BiffTable XlsxWorkbookReader::readSheet(const QString&) const
{
    throw DbError(QStringLiteral("Workbooks in the .xlsx format cannot be read yet."));
}

}  // namespace kx
