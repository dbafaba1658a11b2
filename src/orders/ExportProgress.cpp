#include "orders/ExportProgress.h"

#include "widgets/FontSubstitutions.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace kx {

ExportProgress::ExportProgress(int orders, QWidget* owner)
    : QFrame(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ExportProgress"));
    // 9 points at 96 dots per inch.
    setFont(songFont(12));
    setFixedSize(300, 100);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    // Inside the frame; the note and the bar stand at their places in the
    // window, one pixel further from the panel's corner.
    frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Panel1"));
    frame->setGeometry(1, 1, 298, 98);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(1);

    messageLabel = new QLabel(QStringLiteral("正在导出数据，请稍候......"), frame);
    messageLabel->setObjectName(QStringLiteral("Label1"));
    messageLabel->setFont(songFont(12, true));
    messageLabel->move(24, 24);
    messageLabel->adjustSize();

    progressBar = new QProgressBar(frame);
    progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar->setGeometry(19, 49, 260, 13);
    progressBar->setRange(0, orders);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    QPalette bar = progressBar->palette();
    bar.setColor(QPalette::Highlight, QColor(0, 0, 255));
    progressBar->setPalette(bar);

    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());
}

void ExportProgress::setValue(int orders)
{
    progressBar->setValue(orders);
}

}  // namespace kx
