#include "extras/CourierLookupWindow.h"

#include "extras/Browser.h"
#include "extras/CourierLogo.h"

#include <QLabel>
#include <QMouseEvent>

namespace kx {

namespace {

// The pictures' places: five to the upper row, four to the lower.
constexpr int columnLeft[5] = {31, 191, 351, 511, 671};
constexpr int rowTop[2] = {16, 72};
const QRect browserPlace(8, 128, 1025, 577);

const QString rootReason = QStringLiteral(
    "本软件正以 root（系统管理员）身份运行。内置浏览器启动后也会以 root 身份运行，"
    "网页中的恶意代码可能因此控制整个系统，所以这里不打开网页。\n"
    "请以普通用户身份运行本软件，或把快递公司的网址复制到您自己的浏览器中打开。");

}  // namespace

CourierLookupWindow::CourierLookupWindow(const QList<CourierSite>& sites, const BrowserFactory& makeBrowser,
                                         bool runningAsRoot, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
    , m_sites(sites)
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("网点查询"));
    setFixedSize(1033, 705);
    move(166, 3);

    for (int i = 0; i < m_sites.size(); ++i) {
        const CourierSite& site = m_sites[i];
        auto* picture = new QLabel(this);
        picture->setObjectName(site.object);
        picture->setPixmap(CourierLogo::draw(site.name, site.colour));
        picture->setToolTip(site.url);
        picture->setAccessibleName(site.name);
        picture->setCursor(Qt::PointingHandCursor);
        picture->setGeometry(columnLeft[i % 5], rowTop[i / 5], CourierLogo::width, CourierLogo::height);
        picture->installEventFilter(this);
        m_pictures << picture;
    }

    if (runningAsRoot) {
        m_rootNotice = new QLabel(rootReason, this);
        m_rootNotice->setObjectName(QStringLiteral("RootNotice"));
        m_rootNotice->setWordWrap(true);
        m_rootNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_rootNotice->setMargin(16);
        // Plain text the user can copy; nothing here opens a link.
        m_rootNotice->setTextFormat(Qt::PlainText);
        m_rootNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_rootNotice->setGeometry(browserPlace);
        return;
    }
    m_browser = makeBrowser(this);
    m_browser->widget()->setGeometry(browserPlace);
}

CourierLookupWindow::~CourierLookupWindow() = default;

void CourierLookupWindow::showLookup()
{
    show();
    raise();
    activateWindow();
}

bool CourierLookupWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const int index = m_pictures.indexOf(qobject_cast<QLabel*>(watched));
        if (index >= 0) {
            const CourierSite& site = m_sites[index];
            if (m_browser)
                m_browser->navigate(QUrl(site.url));
            else
                m_rootNotice->setText(rootReason + QStringLiteral("\n\n%1的网址：%2").arg(site.name, site.url));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kx
