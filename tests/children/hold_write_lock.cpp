// Another station holding the database file: opens it, takes the lock named
// by the second argument ("immediate": a write transaction, which readers
// pass; "exclusive": one that shuts them out too), says "locked" on its
// output, and keeps the lock until its input closes.
#include "data/Connection.h"
#include "data/Schema.h"

#include <QString>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    try {
        kx::Connection c;
        c.open(QString::fromLocal8Bit(argv[1]), kx::schema::databaseKey);
        c.exec(QStringLiteral("begin ") + QString::fromLatin1(argv[2]));
        std::fputs("locked\n", stdout);
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        c.exec(QStringLiteral("rollback"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
