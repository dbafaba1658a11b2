#pragma once

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;

namespace kx {

// A date field written yyyy-mm-dd with a drop-down calendar. Without a date
// its text is the blank pattern "    -  -  " (the mask with its blanks).
class DateField : public QLineEdit {
    Q_OBJECT
public:
    static const QString blankPattern;

    explicit DateField(QWidget* parent = nullptr);

    // The date shown; invalid while blank or not a complete, real date.
    QDate date() const;
    // An invalid date blanks the field.
    void setDate(const QDate& date);
    bool isBlank() const { return displayText() == blankPattern; }

    // Drops the calendar down under the field (also Alt+Down or F4).
    void showCalendar();
    QCalendarWidget* calendar() const { return m_calendar; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* m_popup;
    QCalendarWidget* m_calendar;
};

}  // namespace kx
