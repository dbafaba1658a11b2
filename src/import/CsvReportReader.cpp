#include "import/CsvReportReader.h"

#include "core/OperationError.h"
#include "core/Gbk.h"

#include <QStringDecoder>
#include <QStringList>

namespace kx {

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kComma = u',';

bool isLineEnd(QChar c) { return c == u'\n' || c == u'\r'; }

// The inside of a quoted section that starts at pos (just past the opening
// quote); a doubled quote stands for one. Leaves pos past the closing quote,
// or at the end when the quote is never closed.
QString readQuoted(QStringView text, qsizetype& pos)
{
    QString value;
    while (pos < text.size()) {
        const QChar c = text[pos++];
        if (c != kQuote) {
            value += c;
            continue;
        }
        if (pos < text.size() && text[pos] == kQuote) {
            value += kQuote;
            ++pos;
            continue;
        }
        return value;
    }
    return value;
}

// Text up to the next comma or line end. After a closing quote this picks up
// stray characters too, which are kept rather than lost.
void readPlain(QStringView text, qsizetype& pos, QString& value)
{
    while (pos < text.size() && text[pos] != kComma && !isLineEnd(text[pos]))
        value += text[pos++];
}

// The spreadsheet conventions the marketplace uses to keep numbers as text:
// a cell written as ="..." (here seen after the CSV quoting was undone) and
// a leading apostrophe.
QString unwrapTextMarkers(QString value)
{
    if (value.size() >= 3 && value.startsWith(QLatin1String("=\"")) && value.endsWith(kQuote))
        return value.mid(2, value.size() - 3).replace(QLatin1String("\"\""), QLatin1String("\""));
    if (value.size() > 1 && value.startsWith(u'\''))
        return value.mid(1);
    return value;
}

QString readField(QStringView text, qsizetype& pos)
{
    QString value;
    if (pos < text.size() && text[pos] == kQuote) {
        ++pos;
        value = readQuoted(text, pos);
        readPlain(text, pos, value);
        return unwrapTextMarkers(value);
    }
    if (pos + 1 < text.size() && text[pos] == u'=' && text[pos + 1] == kQuote) {
        // Written bare, ="..." may still hold commas inside its quotes.
        pos += 2;
        value = readQuoted(text, pos);
        readPlain(text, pos, value);
        return value;
    }
    readPlain(text, pos, value);
    return unwrapTextMarkers(value);
}

}  // namespace

SheetTable CsvReportReader::fromBytes(QByteArrayView fileBytes)
{
    return parse(decode(fileBytes));
}

QString CsvReportReader::decode(QByteArrayView fileBytes)
{
    QByteArrayView bytes = fileBytes;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        // Reports saved by older tools on Chinese systems are GBK; GB18030 is
        // its superset, so it reads those and the rarer four-byte characters.
        QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
        text = gb18030.isValid() ? QString(gb18030.decode(fileBytes)) : Gbk::decode(fileBytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

SheetTable CsvReportReader::parse(QStringView text)
{
    SheetTable table;
    int row = 0;
    qsizetype pos = 0;
    while (pos < text.size()) {
        QStringList fields;
        for (;;) {
            fields << readField(text, pos);
            if (pos < text.size() && text[pos] == kComma) {
                ++pos;
                continue;
            }
            if (pos < text.size() && text[pos] == u'\r')
                ++pos;
            if (pos < text.size() && text[pos] == u'\n')
                ++pos;
            break;
        }

        // A line with nothing in it (or only commas) is not a row: the table
        // keeps no empty cells, so such a row would vanish at the end anyway.
        bool blank = true;
        for (const QString& f : fields)
            blank = blank && f.isEmpty();
        if (blank)
            continue;

        if (row > 0xFFFF)
            throw OperationError(QStringLiteral("订单报表超过 65536 行；请拆分成几个文件后分别导入。"));
        for (int column = 0; column < fields.size(); ++column) {
            if (fields[column].isEmpty())
                continue;
            if (column > 0xFF)
                throw OperationError(QStringLiteral("订单报表第 %1 行超过 256 列。").arg(row + 1));
            table.set(row, column, SheetCell::ofText(fields[column]));
        }
        ++row;
    }
    return table;
}

}  // namespace kx
