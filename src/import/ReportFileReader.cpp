#include "import/ReportFileReader.h"

#include "core/OperationError.h"
#include "import/BiffWorkbookReader.h"
#include "import/CsvReportReader.h"
#include "import/XlsxWorkbookReader.h"

#include <QFile>
#include <QFileInfo>

namespace kx {

namespace {

// Far beyond any report the formats can hold (65536 rows of a workbook);
// a file this large is something else, and reading it whole would only
// exhaust the memory.
constexpr qint64 largestReport = qint64(512) * 1024 * 1024;

const QByteArray compoundMagic = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
const QByteArray zipMagic = QByteArrayLiteral("PK\x03\x04");

bool hasSheet(const QStringList& names, const QString& wanted)
{
    for (const QString& name : names)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString quotedList(const QStringList& names)
{
    return QStringLiteral("'%1'").arg(names.join(QStringLiteral("', '")));
}

}  // namespace

ReportFileReader ReportFileReader::fromFile(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw OperationError(QStringLiteral("Could not open file '%1'.").arg(path));
    if (file.size() > largestReport)
        throw OperationError(QStringLiteral("File '%1' is too large for an order report.").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw OperationError(QStringLiteral("Could not read file '%1': %2").arg(path, file.errorString()));
    return fromBytes(bytes, path);
}

ReportFileReader ReportFileReader::fromBytes(const QByteArray& fileBytes, const QString& fileName)
{
    ReportFileReader report;
    if (fileBytes.startsWith(compoundMagic)) {
        const BiffWorkbookReader book = BiffWorkbookReader::fromBytes(fileBytes);
        // Named here with the sheets there are, so the shop sees what to rename.
        if (!hasSheet(book.sheetNames(), sheetName))
            throw OperationError(QStringLiteral("The workbook has no sheet named '%1' (its sheets: %2); rename the order sheet %1.")
                                     .arg(sheetName, quotedList(book.sheetNames())));
        report.m_table = book.readSheet(sheetName);
        report.m_epoch1904 = book.uses1904();
    } else if (fileBytes.startsWith(zipMagic)) {
        const XlsxWorkbookReader book = XlsxWorkbookReader::fromBytes(fileBytes);
        // Current Excel saves a CSV report as a workbook of one sheet named
        // after the file: nobody should have to rename it first.
        const QStringList sheets = book.worksheetNames();
        if (sheets.isEmpty())
            throw OperationError(QStringLiteral("The workbook has no worksheet."));
        report.m_table = book.readSheet(hasSheet(sheets, sheetName) ? sheetName : sheets.first());
        report.m_epoch1904 = book.uses1904();
    } else if (fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        report.m_table = CsvReportReader::fromBytes(fileBytes);
    } else {
        throw OperationError(QStringLiteral("File '%1' is neither an Excel workbook nor comma-separated text.")
                          .arg(QFileInfo(fileName).fileName()));
    }
    return report;
}

}  // namespace kx
