#include "import/XlsxWorkbookReader.h"

#include "core/OperationError.h"
#include "import/BiffDateFormat.h"
#include "import/CellTextBudget.h"

#include <QDir>
#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kx {

namespace {

const QString kWorkbookPart = QStringLiteral("xl/workbook.xml");
const QString kWorkbookRelsPart = QStringLiteral("xl/_rels/workbook.xml.rels");

// The largest row and column an .xlsx sheet can have (XFD1048576).
constexpr int kSheetRows = 1048576;
constexpr int kSheetColumns = 16384;

[[noreturn]] void damaged(const QString& what)
{
    throw OperationError(QStringLiteral("Workbook is damaged: %1.").arg(what));
}

// Ends the read of one part: a reader that stopped on an error has read
// damaged XML, however much of it looked right.
void finish(const QXmlStreamReader& xml, const QString& part)
{
    if (xml.hasError())
        damaged(QStringLiteral("%1 is not well-formed XML (line %2: %3)")
                    .arg(part)
                    .arg(xml.lineNumber())
                    .arg(xml.errorString()));
}

// The next token of a part. The packaging rules forbid document type
// declarations, and refusing them outright keeps entity tricks out of reach.
QXmlStreamReader::TokenType step(QXmlStreamReader& xml, const QString& part)
{
    const QXmlStreamReader::TokenType token = xml.readNext();
    // A part is read from a device that has given all it holds: a document
    // ending early is damaged, never one to wait for more of (the reader
    // would try again at each further call).
    if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        xml.raiseError(xml.errorString());
    if (token == QXmlStreamReader::DTD)
        damaged(QStringLiteral("%1 declares a document type").arg(part));
    return token;
}

QString attribute(const QXmlStreamReader& xml, const char* name)
{
    return xml.attributes().value(QLatin1StringView(name)).toString();
}

bool isTrue(const QString& value)
{
    return value == u"1" || value.compare(u"true", Qt::CaseInsensitive) == 0;
}

// Text in the workbook's string parts escapes characters XML cannot carry
// (a carriage return, most often) as _xHHHH_, and a literal "_x" as _x005F_.
QString unescaped(const QString& text)
{
    if (!text.contains(u"_x"))
        return text;
    auto hex = [](QChar c) { return c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f'); };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && hex(text[i + 2]) && hex(text[i + 3])
            && hex(text[i + 4]) && hex(text[i + 5]) && text[i + 6] == u'_') {
            out += QChar(char16_t(text.mid(i + 2, 4).toUShort(nullptr, 16)));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The text of a shared string item or an inline string, the reader standing
// on its start tag: plain <t>, or rich-text runs <r><t> whose pieces join up.
// Phonetic runs (<rPh>) are reading aids over the text, not part of it.
QString richText(QXmlStreamReader& xml, const QString& part)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (step(xml, part)) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"t")
                text += xml.readElementText();
            else if (xml.name() == u"rPh")
                xml.skipCurrentElement();
            else
                ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return unescaped(text);
}

// A cell reference such as "B3", as 0-based row and column.
bool parseReference(QStringView ref, int& row, int& column)
{
    qsizetype i = 0;
    int c = 0;
    while (i < ref.size() && i < 4 && ref[i].isLetter() && ref[i].toUpper() >= u'A' && ref[i].toUpper() <= u'Z')
        c = c * 26 + (ref[i++].toUpper().unicode() - u'A' + 1);
    if (i == 0 || c > kSheetColumns)
        return false;
    const qsizetype digits = ref.size() - i;
    if (digits < 1 || digits > 7)
        return false;
    int r = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < u'0' || ref[i] > u'9')
            return false;
        r = r * 10 + (ref[i].unicode() - u'0');
    }
    if (r < 1 || r > kSheetRows)
        return false;
    row = r - 1;
    column = c - 1;
    return true;
}

QString referenceName(int row, int column)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

// A part named by a relationship: relative to the workbook's folder, or from
// the container's root when it starts with a slash.
QString resolveTarget(const QString& target)
{
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    const QString path
        = QDir::cleanPath(decoded.startsWith(u'/') ? decoded.mid(1) : QStringLiteral("xl/") + decoded);
    if (path.isEmpty() || path == u"." || path == u".." || path.startsWith(u"../") || path.startsWith(u'/'))
        return {};  // outside the container
    return path;
}

struct Relationship {
    QString type;
    QString part;
};

QHash<QString, Relationship> readRelationships(const QByteArray& bytes, const QString& part)
{
    QHash<QString, Relationship> rels;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (step(xml, part) != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        if (attribute(xml, "TargetMode").compare(u"External", Qt::CaseInsensitive) == 0)
            continue;  // a link out of the container, never a sheet
        rels.insert(attribute(xml, "Id"),
                    {attribute(xml, "Type"), resolveTarget(attribute(xml, "Target"))});
    }
    finish(xml, part);
    return rels;
}

// The part of the first relationship of a type, or the usual place.
QString partOfType(const QHash<QString, Relationship>& rels, QStringView type, const QString& usual)
{
    for (const Relationship& r : rels)
        if (r.type.endsWith(type) && !r.part.isEmpty())
            return r.part;
    return usual;
}

// Sheets whose rows are over the table's limits are refused rather than cut:
// an order report silently missing its last orders is worse than none.
void place(SheetTable& table, int row, int column, const SheetCell& cell)
{
    if (cell.isEmpty())
        return;
    if (row > 0xFFFF)
        throw OperationError(QStringLiteral("The order report has more than 65536 rows; split it and import the parts."));
    if (column > 0xFF)
        throw OperationError(QStringLiteral("Row %1 of the order report has more than 256 columns.").arg(row + 1));
    table.set(row, column, cell);
}

}  // namespace

struct XlsxWorkbookReader::RawCell {
    QString reference;
    QString type;
    int style = 0;
    std::optional<QString> value;       // <v>: the value, or a formula's cached result
    std::optional<QString> inlineText;  // <is>
};

XlsxWorkbookReader XlsxWorkbookReader::fromBytes(const QByteArray& fileBytes)
{
    return XlsxWorkbookReader(XlsxPackage(fileBytes));
}

XlsxWorkbookReader::XlsxWorkbookReader(XlsxPackage package) : m_package(std::move(package))
{
    readWorkbook();
}

void XlsxWorkbookReader::readWorkbook()
{
    const std::optional<QByteArray> workbook = m_package.readIfPresent(kWorkbookPart);
    if (!workbook)
        throw OperationError(QStringLiteral("File is not an .xlsx workbook: it has no part %1.").arg(kWorkbookPart));

    QList<QString> sheetRels;
    QXmlStreamReader xml(*workbook);
    bool root = false;
    bool inSheets = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = step(xml, kWorkbookPart);
        if (token == QXmlStreamReader::EndElement && xml.name() == u"sheets")
            inSheets = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!root) {
            if (xml.name() != u"workbook")
                damaged(QStringLiteral("%1 holds no workbook").arg(kWorkbookPart));
            root = true;
        } else if (xml.name() == u"workbookPr") {
            m_epoch1904 = isTrue(attribute(xml, "date1904"));
        } else if (xml.name() == u"sheets") {
            inSheets = true;
        } else if (inSheets && xml.name() == u"sheet") {
            Sheet sheet;
            sheet.name = attribute(xml, "name");
            if (sheet.name.isEmpty())
                damaged(QStringLiteral("a sheet in %1 has no name").arg(kWorkbookPart));
            QString rel;
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name() == u"id" && !a.namespaceUri().isEmpty())
                    rel = a.value().toString();
            m_sheets << sheet;
            sheetRels << rel;
        }
    }
    finish(xml, kWorkbookPart);
    if (!root)
        damaged(QStringLiteral("%1 holds no workbook").arg(kWorkbookPart));

    const QHash<QString, Relationship> rels
        = readRelationships(m_package.read(kWorkbookRelsPart), kWorkbookRelsPart);
    for (qsizetype i = 0; i < m_sheets.size(); ++i) {
        const Relationship rel = rels.value(sheetRels[i]);
        m_sheets[i].part = rel.part;
        // Chart sheets, dialog sheets and macro sheets have no cells to read.
        m_sheets[i].worksheet = rel.type.endsWith(u"/worksheet");
    }

    const QString strings = partOfType(rels, u"/sharedStrings", QStringLiteral("xl/sharedStrings.xml"));
    // Streamed: a refused part is never unpacked further than it was read.
    if (const std::unique_ptr<QIODevice> device = m_package.openIfPresent(strings))
        readSharedStrings(*device, strings);
    const QString styles = partOfType(rels, u"/styles", QStringLiteral("xl/styles.xml"));
    if (const std::optional<QByteArray> bytes = m_package.readIfPresent(styles))
        readStyles(*bytes, styles);
}

void XlsxWorkbookReader::readSharedStrings(QIODevice& device, const QString& part)
{
    // Each string is charged as it is read: a part of millions of empty
    // items (a few hundred kilobytes packed) is refused after a small share
    // of them, not after gigabytes. The count the part declares is not used.
    CellTextBudget budget;
    QXmlStreamReader xml(&device);
    while (!xml.atEnd()) {
        if (step(xml, part) == QXmlStreamReader::StartElement && xml.name() == u"si") {
            QString text = richText(xml, part);
            budget.charge(text.size());
            m_strings << std::move(text);
        }
    }
    XlsxPackage::checkReadToEnd(device);
    finish(xml, part);
}

void XlsxWorkbookReader::readStyles(const QByteArray& bytes, const QString& part)
{
    QHash<int, QString> codes;  // the workbook's own number formats
    QList<int> formats;         // per cell style: its number format
    QXmlStreamReader xml(bytes);
    bool inCodes = false;
    bool inCellStyles = false;
    auto number = [&](const char* name) {
        const QString text = attribute(xml, name);
        bool ok = text.isEmpty();
        const int n = ok ? 0 : text.toInt(&ok);
        if (!ok || n < 0)
            damaged(QStringLiteral("%1 has the number format '%2'").arg(part, text));
        return n;
    };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = step(xml, part);
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"numFmts")
                inCodes = true;
            else if (xml.name() == u"cellXfs")
                inCellStyles = true;
            else if (inCodes && xml.name() == u"numFmt")
                codes.insert(number("numFmtId"), attribute(xml, "formatCode"));
            else if (inCellStyles && xml.name() == u"xf")
                formats << number("numFmtId");
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == u"numFmts")
                inCodes = false;
            else if (xml.name() == u"cellXfs")
                inCellStyles = false;
        }
    }
    finish(xml, part);

    for (int format : formats) {
        const auto code = codes.constFind(format);
        const QString own = code == codes.cend() ? QString() : *code;
        m_dateStyles << (BiffDateFormat::isDateFormat(format, own)
                         || (own.isNull() && BiffDateFormat::isEastAsianDateIndex(format)));
    }
}

QStringList XlsxWorkbookReader::sheetNames() const
{
    QStringList names;
    for (const Sheet& s : m_sheets)
        names << s.name;
    return names;
}

QStringList XlsxWorkbookReader::worksheetNames() const
{
    QStringList names;
    for (const Sheet& s : m_sheets)
        if (s.worksheet)
            names << s.name;
    return names;
}

SheetCell XlsxWorkbookReader::numberCell(double value, int style) const
{
    if (style >= 0 && style < m_dateStyles.size() && m_dateStyles[style]) {
        const QDateTime when = BiffDateFormat::fromSerial(value, m_epoch1904);
        if (when.isValid())
            return SheetCell::ofDateTime(when);
    }
    return SheetCell::ofNumber(value);
}

SheetCell XlsxWorkbookReader::cellOf(const RawCell& raw, int row, int column) const
{
    auto where = [&] { return referenceName(row, column); };
    if (raw.type == u"inlineStr") {
        if (raw.inlineText)
            return SheetCell::ofText(*raw.inlineText);
        return raw.value ? SheetCell::ofText(unescaped(*raw.value)) : SheetCell{};
    }
    // No value at all, or a formula never calculated: nothing to show.
    if (!raw.value || raw.value->isEmpty())
        return {};
    const QString& v = *raw.value;
    if (raw.type.isEmpty() || raw.type == u"n") {
        bool ok = false;
        const double number = v.toDouble(&ok);
        if (!ok || !std::isfinite(number))
            damaged(QStringLiteral("cell %1 holds '%2' where a number belongs").arg(where(), v));
        return numberCell(number, raw.style);
    }
    if (raw.type == u"s") {
        bool ok = false;
        const uint index = v.toUInt(&ok);
        if (!ok)
            damaged(QStringLiteral("cell %1 names the shared string '%2'").arg(where(), v));
        if (index >= uint(m_strings.size()))
            damaged(QStringLiteral("a cell names shared string %1 of %2").arg(index).arg(m_strings.size()));
        return SheetCell::ofText(m_strings[qsizetype(index)]);
    }
    if (raw.type == u"str")
        return SheetCell::ofText(unescaped(v));
    if (raw.type == u"b") {
        if (v != u"0" && v != u"1" && v != u"true" && v != u"false")
            damaged(QStringLiteral("cell %1 holds '%2' where TRUE or FALSE belongs").arg(where(), v));
        return SheetCell::ofBoolean(isTrue(v));
    }
    if (raw.type == u"e")
        return SheetCell::ofError(v);
    if (raw.type == u"d") {
        const QDateTime when = QDateTime::fromString(v, Qt::ISODateWithMs);
        if (!when.isValid())
            damaged(QStringLiteral("cell %1 holds '%2' where a date belongs").arg(where(), v));
        return SheetCell::ofDateTime(when.timeSpec() == Qt::LocalTime ? when : when.toLocalTime());
    }
    damaged(QStringLiteral("cell %1 has the unknown type '%2'").arg(where(), raw.type));
}

SheetTable XlsxWorkbookReader::readSheet(const QString& name) const
{
    const Sheet* sheet = nullptr;
    for (const Sheet& s : m_sheets)
        if (s.worksheet && s.name.compare(name, Qt::CaseInsensitive) == 0)
            sheet = &s;
    if (!sheet)
        throw OperationError(QStringLiteral("Sheet '%1' not found in the workbook.").arg(name));
    if (sheet->part.isEmpty())
        damaged(QStringLiteral("sheet '%1' names no part of the container").arg(sheet->name));
    const QString& part = sheet->part;

    // Streamed, as the shared strings are.
    const std::unique_ptr<QIODevice> device = m_package.openIfPresent(part);
    if (!device)
        damaged(QStringLiteral("it has no part %1").arg(part));
    SheetTable table;
    QXmlStreamReader xml(device.get());
    bool inData = false;
    int row = -1;     // the row being read; a <row> without a number is the next one
    int column = -1;  // the last cell's column; a <c> without a reference is the next one
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = step(xml, part);
        if (token == QXmlStreamReader::EndElement && xml.name() == u"sheetData")
            inData = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"sheetData") {
            inData = true;
        } else if (inData && xml.name() == u"row") {
            const QString number = attribute(xml, "r");
            if (number.isEmpty()) {
                ++row;
            } else {
                bool ok = false;
                const int r = number.toInt(&ok);
                if (!ok || r < 1 || r > kSheetRows)
                    damaged(QStringLiteral("%1 has a row numbered '%2'").arg(part, number));
                row = r - 1;
            }
            column = -1;
        } else if (inData && xml.name() == u"c") {
            RawCell raw;
            const QXmlStreamAttributes attributes = xml.attributes();
            raw.reference = attributes.value(QLatin1StringView("r")).toString();
            raw.type = attributes.value(QLatin1StringView("t")).toString();
            const QStringView style = attributes.value(QLatin1StringView("s"));
            if (!style.isEmpty()) {
                bool ok = false;
                raw.style = style.toInt(&ok);
                if (!ok || raw.style < 0)
                    damaged(QStringLiteral("%1 has a cell with the style '%2'").arg(part, style.toString()));
            }
            while (!xml.atEnd() && step(xml, part) != QXmlStreamReader::EndElement) {
                if (!xml.isStartElement())
                    continue;
                if (xml.name() == u"v")
                    raw.value = xml.readElementText();
                else if (xml.name() == u"is")
                    raw.inlineText = richText(xml, part);
                else
                    xml.skipCurrentElement();  // the formula itself, extensions
            }
            if (xml.hasError())
                break;  // reported as damaged XML, not as whatever half a cell looks like
            if (raw.reference.isEmpty()) {
                row = std::max(row, 0);
                if (++column >= kSheetColumns)
                    damaged(QStringLiteral("%1 has a row running past the last column").arg(part));
            } else if (!parseReference(raw.reference, row, column)) {
                damaged(QStringLiteral("%1 has a cell reference '%2' that cannot be read").arg(part, raw.reference));
            }
            place(table, row, column, cellOf(raw, row, column));
        }
    }
    XlsxPackage::checkReadToEnd(*device);
    finish(xml, part);
    table.trimLeadingEmptyRows();
    return table;
}

}  // namespace kx
