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

}  // namespace

CourierLookupWindow::CourierLookupWindow(const QList<CourierSite>& sites, const BrowserFactory& makeBrowser, QWidget* parent)
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

    m_browser = makeBrowser(this);
    m_browser->widget()->setGeometry(8, 128, 1025, 577);
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
            m_browser->navigate(QUrl(m_sites[index].url));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kx
