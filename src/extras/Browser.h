#pragma once

#include <QUrl>

class QWidget;

namespace kx {

// The embedded browser of the web lookup window. The window needs one thing
// of it: show the page at an address, replacing the one shown.
class Browser {
public:
    virtual ~Browser() = default;
    virtual QWidget* widget() = 0;
    virtual void navigate(const QUrl& url) = 0;
};

}  // namespace kx
