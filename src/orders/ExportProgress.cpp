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
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(1, 1, 298, 98);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);

    Label1 = new QLabel(QStringLiteral("正在导出数据，请稍候......"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(songFont(12, true));
    Label1->move(24, 24);
    Label1->adjustSize();

    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(19, 49, 260, 13);
    ProgressBar1->setRange(0, orders);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    QPalette bar = ProgressBar1->palette();
    bar.setColor(QPalette::Highlight, QColor(0, 0, 255));
    ProgressBar1->setPalette(bar);

    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());
}

void ExportProgress::setValue(int orders)
{
    ProgressBar1->setValue(orders);
}

}  // namespace kx
