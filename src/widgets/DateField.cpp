#include "widgets/DateField.h"

#include "core/DateText.h"
#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace kx {

const QString DateField::blankPattern = QStringLiteral("    -  -  ");

namespace {


QIcon dropDownArrow()
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    const QPointF triangle[] = {{2, 4}, {10, 4}, {6, 9}};
    p.drawPolygon(triangle, 3);
    return QIcon(pixmap);
}

}  // namespace

DateField::DateField(QWidget* parent) : QLineEdit(parent)
{
    // '0' takes a digit but does not require one, so the field can be blank
    // or partly typed; the blank character is a space.
    setInputMask(QStringLiteral("0000-00-00; "));
    QAction* drop = addAction(dropDownArrow(), QLineEdit::TrailingPosition);
    drop->setToolTip(QStringLiteral("日历"));
    connect(drop, &QAction::triggered, this, &DateField::showCalendar);

    m_popup = new QWidget(this, Qt::Popup);
    auto* layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(0, 0, 0, 0);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setGridVisible(true);
    layout->addWidget(m_calendar);
    auto choose = [this](QDate d) {
        setDate(d);
        m_popup->hide();
        setFocus(Qt::PopupFocusReason);
    };
    connect(m_calendar, &QCalendarWidget::clicked, this, choose);
    connect(m_calendar, &QCalendarWidget::activated, this, choose);
}

QDate DateField::date() const
{
    return QDate::fromString(displayText(), dateFormat);
}

void DateField::setDate(const QDate& date)
{
    if (date.isValid())
        setText(date.toString(dateFormat));
    else
        clear();
}

void DateField::showCalendar()
{
    const QDate shown = date();
    m_calendar->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void DateField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F4 ||
        (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        showCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace kx
