#pragma once

#include "extras/Browser.h"

class QWebEngineView;

namespace kx {

// The browser of the program: a Qt WebEngine view. A page that fails to load
// is shown as the engine shows any failed page.
class WebEngineBrowser : public Browser {
public:
    explicit WebEngineBrowser(QWidget* parent);
    QWidget* widget() override;
    void navigate(const QUrl& url) override;
    QWebEngineView* view() const { return m_view; }

private:
    QWebEngineView* m_view;
};

}  // namespace kx
