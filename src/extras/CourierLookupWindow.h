#pragma once

#include "extras/ExtrasConfig.h"

#include <QList>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;

namespace kx {

class Browser;

// The courier web lookup "网点查询": nine courier pictures in two rows above
// an embedded browser. A click on a picture shows that courier's home page;
// nothing is loaded before the first click. Closing only hides the window,
// which keeps its page for the next showing.
//
// Run as root, the window starts no browser at all (it would run as root
// too, with web pages from outside inside it): in its place a text says
// why, and a click on a picture shows that courier's address there to be
// opened in the user's own browser.
class CourierLookupWindow : public QWidget {
    Q_OBJECT
public:
    using BrowserFactory = std::function<std::unique_ptr<Browser>(QWidget* parent)>;

    CourierLookupWindow(const QList<CourierSite>& sites, const BrowserFactory& makeBrowser, bool runningAsRoot,
                        QWidget* parent = nullptr);
    ~CourierLookupWindow() override;

    // Shows the window, or brings the one already shown to the front.
    void showLookup();
    // Null when running as root; the notice is then shown in its place.
    Browser* browser() const { return m_browser.get(); }
    QLabel* rootNotice() const { return m_rootNotice; }
    QLabel* picture(int index) const { return m_pictures.value(index); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<CourierSite> m_sites;
    std::unique_ptr<Browser> m_browser;
    QList<QLabel*> m_pictures;
    QLabel* m_rootNotice = nullptr;
};

}  // namespace kx
