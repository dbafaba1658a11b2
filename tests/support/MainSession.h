#pragma once

#include "Fakes.h"
#include "TestDb.h"

#include "app/MainWindow.h"
#include "data/Database.h"

#include <functional>
#include <memory>

namespace kx::test {

// A main window over a fresh database with a sender profile, shown; the
// fixture runs on the database before the data module opens it.
struct MainSession {
    explicit MainSession(const std::function<void(TestDb&)>& fixture = {}, bool withSender = true);
    // For a test of the start itself: the fixture runs, the program starts
    // only at start().
    struct Deferred {};
    MainSession(Deferred, const std::function<void(TestDb&)>& fixture = {}, bool withSender = true);
    // Starts as the program does: the data module opens the file and the main
    // window shows over it. When the data module refuses the file, returns
    // the message the program shows before it ends, and makes no window.
    QString start();
    // Types the pair into the login window and presses "登 录".
    void logIn(const QString& user, const QString& password);
    // Lets the login window come up; false when it does not.
    bool waitForLogin();

    TestDb db;
    FakePlatform fp;
    std::unique_ptr<Database> dm;
    std::unique_ptr<MainWindow> main;
};

}  // namespace kx::test
