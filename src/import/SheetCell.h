#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace kx {

// One cell of an imported sheet. The value holds a QString for text and
// errors, a double for numbers, a QDateTime for dates (wall-clock times, held
// in UTC) and a bool for booleans; an empty cell holds nothing.
struct SheetCell {
    enum class Kind { Empty, Text, Number, DateTime, Boolean, Error };

    Kind kind = Kind::Empty;
    QVariant value;

    bool isEmpty() const { return kind == Kind::Empty; }
    QString text() const { return kind == Kind::Text || kind == Kind::Error ? value.toString() : QString(); }
    double number() const { return kind == Kind::Number ? value.toDouble() : 0.0; }
    QDateTime dateTime() const { return kind == Kind::DateTime ? value.toDateTime() : QDateTime(); }
    bool boolean() const { return kind == Kind::Boolean && value.toBool(); }

    static SheetCell ofText(const QString& s) { return {Kind::Text, s}; }
    static SheetCell ofNumber(double d) { return {Kind::Number, d}; }
    static SheetCell ofDateTime(const QDateTime& t) { return {Kind::DateTime, t}; }
    static SheetCell ofBoolean(bool b) { return {Kind::Boolean, b}; }
    static SheetCell ofError(const QString& code) { return {Kind::Error, code}; }
};

}  // namespace kx
