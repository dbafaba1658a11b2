#pragma once

#include "data/Dataset.h"

#include <QDate>
#include <QString>
#include <optional>

namespace kx {

// The editor's fields as the user left them.
struct OrderTexts {
    QString courier;
    QString printStatus;
    QDate date;
    QString name;
    QString mobile;
    QString address;
    QString quantity;
    QString amount;
    QString remark;
    QString item;
    QString member;
    QString orderNumber;
};

// A quantity or amount as loading put it into its field: the text shown and
// the stored value behind it, which the text may carry only to 15 digits.
struct ShownNumber {
    QString text;
    double value = 0;
};

// Turns the editor's texts into the twelve columns an order save writes.
class OrderValues {
public:
    // A quantity or amount as typed: digits with at most one point and at
    // least one digit ("12", "1.5", ".5", "3."). Anything else, an empty
    // text or a lone point included, is not a number.
    static std::optional<double> number(const QString& text);
    // The same, except that a field still showing its loaded text gives the
    // stored value back unchanged: 59.699999999999996 is shown as 59.7, and
    // saving an order the user did not touch must not turn it into 59.7.
    static std::optional<double> number(const QString& text, const std::optional<ShownNumber>& shown);

    // The columns in the order they are written; texts trimmed, the date as
    // yyyy-mm-dd. The caller has checked both numbers.
    static FieldValues fields(const OrderTexts& texts, double quantity, double amount);
};

}  // namespace kx
