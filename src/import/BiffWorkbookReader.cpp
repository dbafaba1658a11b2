#include "import/BiffWorkbookReader.h"

#include "core/OperationError.h"
#include "import/BiffBytes.h"
#include "import/BiffCompoundFile.h"
#include "import/BiffContinuedReader.h"
#include "import/BiffDateFormat.h"
#include "import/BiffRecordStream.h"
#include "import/CellTextBudget.h"


#include <cstring>

namespace kx {

namespace {

namespace Rec {
constexpr quint16 Bof = 0x0809, Eof = 0x000A, FilePass = 0x002F, DateMode = 0x0022, BoundSheet = 0x0085,
                  Format = 0x041E, Xf = 0x00E0, Sst = 0x00FC, Continue = 0x003C, LabelSst = 0x00FD,
                  Label = 0x0204, Number = 0x0203, Rk = 0x027E, MulRk = 0x00BD, Formula = 0x0006,
                  String = 0x0207, BoolErr = 0x0205, Blank = 0x0201, MulBlank = 0x00BE;
}

constexpr quint16 Biff8 = 0x0600;
constexpr quint16 GlobalsSubstream = 0x0005;
constexpr quint16 WorksheetSubstream = 0x0010;
constexpr quint8 StringToken = 0x17;  // tStr: a text constant inside a formula

[[noreturn]] void damaged(const QString& what)
{
    throw OperationError(QStringLiteral("Workbook is damaged: %1.").arg(what));
}

// A record body together with the CONTINUE records right behind it.
QList<QByteArrayView> withContinues(BiffRecordStream& records, const BiffRecordStream::Record& first)
{
    QList<QByteArrayView> pieces{first.body};
    BiffRecordStream::Record next;
    while (records.peekType() == Rec::Continue && records.next(next))
        pieces << next.body;
    return pieces;
}

// A compact number: either a 30-bit integer or the top 30 bits of a double,
// optionally to be divided by 100.
double rkValue(quint32 rk)
{
    double value;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100.0 : value;
}

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2A: return QStringLiteral("#N/A");
    default: return QStringLiteral("#ERROR!");
    }
}

}  // namespace

BiffWorkbookReader BiffWorkbookReader::fromBytes(const QByteArray& fileBytes)
{
    return BiffWorkbookReader(BiffCompoundFile::workbookStream(fileBytes));
}

BiffWorkbookReader BiffWorkbookReader::fromWorkbookStream(const QByteArray& stream)
{
    return BiffWorkbookReader(stream);
}

BiffWorkbookReader::BiffWorkbookReader(QByteArray stream) : m_stream(std::move(stream))
{
    readGlobals();
}

void BiffWorkbookReader::readGlobals()
{
    BiffRecordStream records(m_stream, 0);
    BiffRecordStream::Record r;
    if (!records.next(r) || r.type != Rec::Bof)
        damaged(QStringLiteral("the workbook stream does not start with a BOF record"));
    const BiffBytes bof(r.body, "BOF");
    if (bof.u16(0) != Biff8)
        throw OperationError(QStringLiteral("Workbook is not in Excel 97-2003 (BIFF8) format; save it in that format and import it again."));
    if (bof.u16(2) != GlobalsSubstream)
        damaged(QStringLiteral("the workbook stream does not start with its global records"));

    while (records.next(r)) {
        switch (r.type) {
        case Rec::Eof:
            // Which cell styles show dates, worked out once: a report has
            // tens of thousands of number cells and a handful of styles.
            m_dateStyles.reserve(m_xfFormats.size());
            for (const quint16 format : std::as_const(m_xfFormats))
                m_dateStyles << BiffDateFormat::isDateFormat(format, m_formats.value(format));
            return;
        case Rec::FilePass:
            throw OperationError(QStringLiteral("Workbook is encrypted; remove its password and import it again."));
        case Rec::DateMode:
            m_epoch1904 = BiffBytes(r.body, "DATEMODE").u16(0) == 1;
            break;
        case Rec::BoundSheet: {
            const BiffBytes b(r.body, "BOUNDSHEET");
            Sheet s;
            s.offset = b.u32(0);
            s.worksheet = b.u8(5) == 0x00;
            s.name = b.string(6, true);
            m_sheets << s;
            break;
        }
        case Rec::Format: {
            const BiffBytes b(r.body, "FORMAT");
            m_formats.insert(b.u16(0), b.string(2, false));
            break;
        }
        case Rec::Xf:
            m_xfFormats << BiffBytes(r.body, "XF").u16(2);
            break;
        case Rec::Sst:
            readSharedStrings(withContinues(records, r));
            break;
        default:
            break;
        }
    }
    damaged(QStringLiteral("the global records end without an EOF record"));
}

void BiffWorkbookReader::readSharedStrings(QList<QByteArrayView> pieces)
{
    BiffContinuedReader reader(std::move(pieces), "SST");
    reader.u32();  // references in the workbook, not needed
    const quint32 unique = reader.u32();
    // The count is the writer's claim; the strings themselves decide how many
    // there are, and a cell naming a missing one is caught where it is read.
    // Each string is charged as it is read, so that a table of millions of
    // tiny strings costs no more than the limit allows.
    CellTextBudget budget;
    for (quint32 i = 0; i < unique && !reader.atEnd(); ++i) {
        QString text = reader.string();
        budget.charge(text.size());
        m_strings << std::move(text);
    }
}

QStringList BiffWorkbookReader::sheetNames() const
{
    QStringList names;
    for (const Sheet& s : m_sheets)
        names << s.name;
    return names;
}

bool BiffWorkbookReader::isDateStyle(int xf) const
{
    return xf >= 0 && xf < m_dateStyles.size() && m_dateStyles[xf];
}

SheetCell BiffWorkbookReader::numberCell(double value, int xf) const
{
    if (isDateStyle(xf)) {
        const QDateTime when = BiffDateFormat::fromSerial(value, m_epoch1904);
        if (when.isValid())
            return SheetCell::ofDateTime(when);
    }
    return SheetCell::ofNumber(value);
}

SheetTable BiffWorkbookReader::readSheet(const QString& name) const
{
    const Sheet* sheet = nullptr;
    for (const Sheet& s : m_sheets)
        if (s.worksheet && s.name.compare(name, Qt::CaseInsensitive) == 0)
            sheet = &s;
    if (!sheet)
        throw OperationError(QStringLiteral("Sheet '%1' not found in the workbook.").arg(name));
    if (sheet->offset >= quint32(m_stream.size()))
        damaged(QStringLiteral("sheet '%1' lies outside the workbook stream").arg(name));

    BiffRecordStream records(m_stream, qsizetype(sheet->offset));
    BiffRecordStream::Record r;
    if (!records.next(r) || r.type != Rec::Bof)
        damaged(QStringLiteral("sheet '%1' does not start where the workbook says").arg(name));
    const BiffBytes bof(r.body, "BOF");
    if (bof.u16(0) != Biff8 || bof.u16(2) != WorksheetSubstream)
        damaged(QStringLiteral("sheet '%1' does not start where the workbook says").arg(name));

    SheetTable table;
    int nested = 0;             // charts and the like embedded in the sheet
    int pendingRow = -1;        // a formula whose text result follows in STRING
    int pendingColumn = -1;
    while (records.next(r)) {
        if (r.type == Rec::Bof) {
            ++nested;
            continue;
        }
        if (r.type == Rec::Eof) {
            if (nested-- == 0) {
                table.trimLeadingEmptyRows();
                return table;
            }
            continue;
        }
        if (nested > 0)
            continue;
        switch (r.type) {
        case Rec::LabelSst: {
            const BiffBytes b(r.body, "LABELSST");
            const quint32 index = b.u32(6);
            if (index >= quint32(m_strings.size()))
                damaged(QStringLiteral("a cell names shared string %1 of %2").arg(index).arg(m_strings.size()));
            table.set(b.u16(0), b.u16(2), SheetCell::ofText(m_strings[index]));
            break;
        }
        case Rec::Label: {
            const BiffBytes b(r.body, "LABEL");
            table.set(b.u16(0), b.u16(2), SheetCell::ofText(b.string(6, false)));
            break;
        }
        case Rec::Number: {
            const BiffBytes b(r.body, "NUMBER");
            table.set(b.u16(0), b.u16(2), numberCell(b.f64(6), b.u16(4)));
            break;
        }
        case Rec::Rk: {
            const BiffBytes b(r.body, "RK");
            table.set(b.u16(0), b.u16(2), numberCell(rkValue(b.u32(6)), b.u16(4)));
            break;
        }
        case Rec::MulRk: {
            const BiffBytes b(r.body, "MULRK");
            if (b.size() < 6 || (b.size() - 6) % 6 != 0)
                b.fail();
            const int row = b.u16(0);
            const int first = b.u16(2);
            const int count = int((b.size() - 6) / 6);
            if (b.u16(b.size() - 2) != first + count - 1)
                damaged(QStringLiteral("a MULRK record's columns do not match its values"));
            for (int i = 0; i < count; ++i)
                table.set(row, first + i, numberCell(rkValue(b.u32(4 + 6 * i + 2)), b.u16(4 + 6 * i)));
            break;
        }
        case Rec::Formula: {
            const BiffBytes b(r.body, "FORMULA");
            const int row = b.u16(0), column = b.u16(2);
            const int tokenBytes = b.u16(20);  // the fixed part must be there even when we only want the result
            pendingRow = -1;
            // A formula that is one text constant — ="1930679858170647", the
            // marketplace's way of keeping an order number whole — is that
            // text, whatever result its writer cached: LibreOffice saves such
            // a formula with the result 0, xlwt with none.
            if (tokenBytes >= 3 && b.u8(22) == StringToken) {
                qsizetype end = 0;
                const QString constant = b.string(23, true, &end);
                if (end == 22 + tokenBytes) {
                    if (!constant.isEmpty())
                        table.set(row, column, SheetCell::ofText(constant));
                    break;
                }
            }
            if (b.u16(12) != 0xFFFF) {
                table.set(row, column, numberCell(b.f64(6), b.u16(4)));
                break;
            }
            switch (b.u8(6)) {
            case 0x00:
                pendingRow = row;
                pendingColumn = column;
                break;
            case 0x01:
                table.set(row, column, SheetCell::ofBoolean(b.u8(8) != 0));
                break;
            case 0x02:
                table.set(row, column, SheetCell::ofError(errorText(b.u8(8))));
                break;
            default:
                break;  // an empty text result is an empty cell
            }
            break;
        }
        case Rec::String: {
            BiffContinuedReader reader(withContinues(records, r), "STRING");
            const QString text = reader.string();
            if (pendingRow >= 0)
                table.set(pendingRow, pendingColumn, SheetCell::ofText(text));
            pendingRow = -1;
            break;
        }
        case Rec::BoolErr: {
            const BiffBytes b(r.body, "BOOLERR");
            const quint8 value = b.u8(6);
            table.set(b.u16(0), b.u16(2),
                      b.u8(7) ? SheetCell::ofError(errorText(value)) : SheetCell::ofBoolean(value != 0));
            break;
        }
        case Rec::Blank:
            BiffBytes(r.body, "BLANK").u16(4);
            break;
        case Rec::MulBlank:
            BiffBytes(r.body, "MULBLANK").u16(4);
            break;
        default:
            break;
        }
    }
    damaged(QStringLiteral("sheet '%1' ends without an EOF record").arg(name));
}

}  // namespace kx
