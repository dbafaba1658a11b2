#include "extras/AboutBox.h"

#include "extras/ExtrasConfig.h"
#include "platform/Shell.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace kx {

namespace {

QFont songFont()
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(14);
    return font;
}

}  // namespace

AboutBox::AboutBox(Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
    , m_shell(shell)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("关于软件..."));
    setFixedSize(387, 163);
    setWindowModality(Qt::ApplicationModal);

    text(QStringLiteral("《Kestrix快递单打印软件》"), 146, 33);
    text(QStringLiteral("Email："), 157, 67);
    m_email = text(makerEmail, 203, 66);
    text(QStringLiteral("网 站："), 157, 91);
    m_web = text(makerSite, 203, 90);
    for (QLabel* link : {m_email, m_web}) {
        QFont font = link->font();
        font.setUnderline(true);
        link->setFont(font);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
    m_email->setObjectName(QStringLiteral("EmailLink"));
    m_web->setObjectName(QStringLiteral("WebLink"));
    QLabel* notice = text(aboutNotice, 139, 118);
    notice->setWordWrap(true);
    notice->setFixedSize(238, 28);

    m_okButton = new QPushButton(QStringLiteral("确 定"), this);
    m_okButton->setObjectName(QStringLiteral("Button1"));
    m_okButton->setGeometry(314, 31, 71, 26);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* AboutBox::text(const QString& content, int left, int top)
{
    auto* label = new QLabel(content, this);
    label->setFont(songFont());
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->move(left, top);
    label->adjustSize();
    return label;
}

void AboutBox::showModal()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void AboutBox::paintEvent(QPaintEvent*)
{
    // The background: a pale sky with a parcel-brown band on the left and a
    // stack of three boxes standing on it.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xf4, 0xf8, 0xfd));
    sky.setColorAt(1, QColor(0xd8, 0xe6, 0xf5));
    p.fillRect(rect(), sky);
    p.fillRect(QRect(0, 0, 126, height()), QColor(0xc9, 0xa2, 0x6b));
    const QColor box(0xe8, 0xc9, 0x94);
    const QColor edge(0x7a, 0x55, 0x2a);
    p.setPen(QPen(edge, 1.5));
    const QRectF boxes[3] = {{18, 92, 50, 44}, {64, 100, 44, 36}, {38, 54, 44, 38}};
    for (const QRectF& r : boxes) {
        p.setBrush(box);
        p.drawRect(r);
        p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.top() + 12));
    }
    p.setPen(QPen(QColor(0x9f, 0xb8, 0xd6), 1));
    p.drawLine(QPointF(139, 60), QPointF(380, 60));
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_email) {
            m_shell.openUrl(QStringLiteral("mailto:") + makerEmail);
            return true;
        }
        if (watched == m_web) {
            m_shell.openUrl(makerSite);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kx
