#pragma once

#include <QString>

namespace kx {

// Who is logged in: the name typed into the login window's user box, kept
// where the features that print it (the exported list, the printed list)
// read it, so that no window reads the login window's controls.
class LoginSession {
public:
    const QString& userName() const { return m_userName; }
    void setUserName(const QString& name) { m_userName = name; }

private:
    QString m_userName;
};

}  // namespace kx
