#pragma once

#include <QPoint>
#include <QWidget>

namespace kx {

// A picture of a blue button with white text. Any mouse button pressed on it
// emits pressed() with the pointer's screen position (the print buttons open
// their courier menu there).
class PictureButton : public QWidget {
    Q_OBJECT
public:
    PictureButton(const QString& text, QWidget* parent = nullptr);
    QString text() const { return m_text; }
    QSize sizeHint() const override { return {130, 36}; }

signals:
    void pressed(const QPoint& globalPos, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_text;
    bool m_hover = false;
};

}  // namespace kx
