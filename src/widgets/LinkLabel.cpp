#include "widgets/LinkLabel.h"

#include <QMouseEvent>

namespace kx {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    // Only the underline and the colour are the label's own: the face and
    // size follow its window.
    QFont f;
    f.setUnderline(true);
    setFont(f);
    QPalette pal;
    pal.setColor(QPalette::WindowText, Qt::blue);
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(text);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

}  // namespace kx
