#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace kx {

// Dates as the program shows, stores and binds them: yyyy-mm-dd, and for a
// date and time a blank and hh:mm:ss, the time left out at exactly midnight.
// Stored this way they sort correctly as text.
inline const QString dateFormat = QStringLiteral("yyyy-MM-dd");

QString dateText(const QDate& date);
QString dateTimeText(const QDateTime& moment);

// The date of a stored text "yyyy-mm-dd", with or without a time after it;
// invalid when the text does not start with a date.
QDate storedDate(QStringView text);

}  // namespace kx
