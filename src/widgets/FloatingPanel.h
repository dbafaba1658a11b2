#pragma once

#include <QFrame>
#include <QPoint>

namespace kx {

// A panel that floats over the main window and is moved by dragging its
// background with the left mouse button. It stays where it is dropped, also
// when hidden and shown again. A drag stops where 40 × 20 pixels of it, its
// top edge included, still lie inside the parent (PanelReach).
class FloatingPanel : public QFrame {
    Q_OBJECT
public:
    explicit FloatingPanel(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_dragging = false;
    QPoint m_grab;
};

}  // namespace kx
