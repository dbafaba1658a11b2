// kestrix-newdb [--demo] PATH|URI — creates a new database file with the
// schema, the administrator and, with --demo, a sender profile and demo
// orders; given a postgresql:// URI, the same register in that empty database.
//
// kestrix-newdb --from FILE URI — copies the register in FILE (a data.mdb)
// into the empty database URI, after the checker program has looked at the
// file, and prints the rows copied per table.
#include "core/OperationError.h"
#include "data/DatabaseChecker.h"
#include "data/DatabaseFactory.h"
#include "data/RegisterTransfer.h"
#include "data/ServerConnection.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: kestrix-newdb [--demo] PATH|URI\n"
                         "       kestrix-newdb --from FILE URI\n");
    return 2;
}

int copyFrom(const QString& file, const QString& uri)
{
    // In a process of its own, as for every file the program did not make:
    // a crafted file ends the checker, not this copy.
    kx::DatabaseChecker().checkWhole(file);
    const kx::RegisterTransfer::Counts counts = kx::RegisterTransfer().copyIntoEmptyServer(file, uri);
    for (const kx::RegisterTransfer::TableRows& t : counts)
        std::printf("%s %lld\n", qPrintable(t.table), static_cast<long long>(t.rows));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    try {
        if (args.value(0) == QLatin1String("--from")) {
            if (args.size() != 3 || !kx::ServerConnection::isServerUri(args.at(2)))
                return usage();
            return copyFrom(args.at(1), args.at(2));
        }
        const bool demo = args.removeAll(QStringLiteral("--demo")) > 0;
        if (args.size() != 1 || args.first().startsWith(QLatin1Char('-')))
            return usage();
        if (kx::ServerConnection::isServerUri(args.first()))
            kx::createServerRegister(args.first(), demo);
        else
            kx::createDatabase(args.first(), demo);
    } catch (const kx::OperationError& e) {
        std::fprintf(stderr, "kestrix-newdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
