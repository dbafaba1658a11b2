#include "import/ReportCellValue.h"

#include "core/DateText.h"
#include "core/OperationError.h"
#include "core/TextValue.h"
#include "import/BiffDateFormat.h"
#include "import/DateTextParser.h"

#include <QRegularExpression>

#include <cmath>

namespace kx {

namespace {

// A number in a text field as the digits a person would have typed. Order
// numbers and mobiles are whole numbers that a spreadsheet stored as such: a
// sixteen-digit order number must come out as its digits, never as exponent
// text, which no search would ever find again.
QString numberAsText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e21)
        return QString::number(value, 'f', 0);
    return shortestNumber(value);
}

[[noreturn]] void refuse(const SheetCell& cell, const char* wanted)
{
    QString shown;
    switch (cell.kind) {
    case SheetCell::Kind::Error:
        throw OperationError(QStringLiteral("The cell holds the error %1.").arg(cell.text()));
    case SheetCell::Kind::Boolean:
        shown = cell.boolean() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        break;
    case SheetCell::Kind::DateTime:
        shown = dateTimeText(cell.dateTime());
        break;
    case SheetCell::Kind::Number:
        shown = shortestNumber(cell.number());
        break;
    default:
        shown = cell.value.toString();
        break;
    }
    throw OperationError(QStringLiteral("'%1' is not %2.").arg(shown, QLatin1String(wanted)));
}

}  // namespace

QVariant ReportCellValue::text(const SheetCell& cell)
{
    switch (cell.kind) {
    case SheetCell::Kind::Empty:
        // An empty text, not a null: every later step that shows the field
        // as text (the courier list of "全部记录", the editor, a waybill)
        // would stop at a null with the conversion error.
        return QString(QLatin1StringView(""));
    case SheetCell::Kind::Text:
        return cell.value;
    case SheetCell::Kind::Number:
        // A spreadsheet keeps 15 significant digits: from 10^15 on, a long
        // order number kept as a number has already lost its last digits,
        // and the digits we would store look exact but are invented.
        if (std::fabs(cell.number()) >= 1e15)
            throw OperationError(QStringLiteral("'%1' is stored as a number; format the column as text.")
                                     .arg(numberAsText(cell.number())));
        return numberAsText(cell.number());
    case SheetCell::Kind::DateTime:
        return dateTimeText(cell.dateTime());
    case SheetCell::Kind::Boolean:
        return cell.boolean() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case SheetCell::Kind::Error:
        break;
    }
    refuse(cell, "text");
}

double ReportCellValue::parseNumber(const QString& text, bool* ok)
{
    // Digits in groups of three after the first group, or plain digits; a
    // fraction; an exponent. At least one digit before or after the point.
    static const QRegularExpression shape(QStringLiteral(
        "^[+-]?(?:(?:\\d{1,3}(?:,\\d{3})+|\\d+)(?:\\.\\d*)?|\\.\\d+)(?:[eE][+-]?\\d+)?$"));
    *ok = false;
    const QString trimmed = trimControl(text);
    if (!shape.match(trimmed).hasMatch())
        return 0;
    QString plain = trimmed;
    plain.remove(QLatin1Char(','));
    bool read = false;
    const double value = plain.toDouble(&read);
    *ok = read && std::isfinite(value);
    return *ok ? value : 0;
}

QVariant ReportCellValue::number(const SheetCell& cell)
{
    switch (cell.kind) {
    case SheetCell::Kind::Empty:
        return {};
    case SheetCell::Kind::Number:
        if (std::isfinite(cell.number()))
            return cell.number();
        break;
    case SheetCell::Kind::Text: {
        if (trimControl(cell.text()).isEmpty())
            return {};
        bool ok = false;
        const double value = parseNumber(cell.text(), &ok);
        if (ok)
            return value;
        break;
    }
    default:
        break;
    }
    refuse(cell, "a number");
}

QVariant ReportCellValue::dateTime(const SheetCell& cell, bool epoch1904)
{
    switch (cell.kind) {
    case SheetCell::Kind::Empty:
        return {};
    case SheetCell::Kind::DateTime:
        return dateTimeText(cell.dateTime());
    case SheetCell::Kind::Number: {
        const QDateTime when = BiffDateFormat::fromSerial(cell.number(), epoch1904);
        if (when.isValid())
            return dateTimeText(when);
        break;
    }
    case SheetCell::Kind::Text: {
        if (trimControl(cell.text()).isEmpty())
            return {};
        const QDateTime when = DateTextParser::parse(cell.text());
        if (when.isValid())
            return dateTimeText(when);
        break;
    }
    default:
        break;
    }
    refuse(cell, "a date");
}

}  // namespace kx
