#include "extras/WebEngineBrowser.h"

#include <QWebEngineView>

namespace kx {

WebEngineBrowser::WebEngineBrowser(QWidget* parent)
    : m_view(new QWebEngineView(parent))
{
    m_view->setObjectName(QStringLiteral("WebBrowser1"));
}

QWidget* WebEngineBrowser::widget()
{
    return m_view;
}

void WebEngineBrowser::navigate(const QUrl& url)
{
    m_view->load(url);
}

}  // namespace kx
