#include "widgets/FloatingPanel.h"

#include "widgets/PanelReach.h"

#include <QMouseEvent>

namespace kx {

FloatingPanel::FloatingPanel(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    setCursor(Qt::SizeAllCursor);
}

void FloatingPanel::mousePressEvent(QMouseEvent* event)
{
    // Only presses on the background reach the panel: fields and buttons
    // take their own presses.
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_grab = event->position().toPoint();
        raise();
    }
    event->accept();
}

void FloatingPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        // The cursor may leave the window; the panel stops where a piece of
        // it can still be grabbed, and follows again when the cursor returns.
        const QPoint wanted = mapToParent(event->position().toPoint() - m_grab);
        const QWidget* area = parentWidget();
        move(area ? PanelReach::limit(wanted, size(), area->rect()) : wanted);
    }
    event->accept();
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}

}  // namespace kx
