// A child of the transfer test: restores a backup file into the register on
// a database server, saying "start" on stdout just before and "done" once the
// restore has returned. The test kills it with SIGKILL in between and looks
// at what the server holds afterwards.
//
//   kx_transferchild restore FILE URI
//
// Exit code 0 when the restore got through (its message on stderr
// otherwise, exit code 1), 2 when the arguments were wrong.

#include "data/RegisterTransfer.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 || args.at(1) != QLatin1String("restore"))
        return 2;
    std::puts("start");
    std::fflush(stdout);
    try {
        kx::RegisterTransfer().restoreToServer(args.at(2), args.at(3));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::puts("done");
    std::fflush(stdout);
    return 0;
}
