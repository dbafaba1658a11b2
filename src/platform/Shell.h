#pragma once

#include <QString>

namespace kx {

// Opens web addresses, mail addresses and files with the desktop's programs,
// without waiting for them.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void openUrl(const QString& url) = 0;
    virtual void openFile(const QString& path) = 0;
};

class QtShell : public Shell {
public:
    void openUrl(const QString& url) override;
    void openFile(const QString& path) override;
};

}  // namespace kx
