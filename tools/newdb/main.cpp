// kestrix-newdb [--demo] PATH — creates a new database file with the schema,
// the administrator and, with --demo, a sender profile and demo orders.
#include "data/DatabaseFactory.h"
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
        std::fprintf(stderr, "usage: kestrix-newdb [--demo] PATH\n");
        return 2;
    }
    try {
        kx::createDatabase(args.first(), demo);
    } catch (const kx::OperationError& e) {
        std::fprintf(stderr, "kestrix-newdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
