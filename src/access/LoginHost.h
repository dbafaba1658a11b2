#pragma once

#include <QString>

namespace kx {

// What the login window's closing steps do to the main window.
class LoginHost {
public:
    virtual ~LoginHost() = default;
    virtual void showAll() = 0;                               // may throw
    virtual void closeMainWindow() = 0;                       // ends the program
    virtual void focusMainWindow() = 0;
    virtual void setOperatorName(const QString& name) = 0;    // status bar panel 1
    virtual void restrictToOrdinaryUser() = 0;                // the administrator rule
    virtual void setJournalNumber(int id) = 0;
};

}  // namespace kx
