// kestrix-newdb [--demo] PATH|URI — creates a new database file with the
// schema, the administrator and, with --demo, a sender profile and demo
// orders; given a postgresql:// URI, the same register in that empty database.
#include "data/DatabaseFactory.h"
#include "data/ServerConnection.h"
#include "core/OperationError.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool demo = args.removeAll(QStringLiteral("--demo")) > 0;
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: kestrix-newdb [--demo] PATH|URI\n");
        return 2;
    }
    try {
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
