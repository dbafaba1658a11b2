#pragma once

#include <QString>

namespace kx {

// Creates a new database file, encrypted with the database password, with
// the five tables and the administrator. Refuses to overwrite a file.
// With `demo`, adds a sender profile and about thirty orders.
void createDatabase(const QString& path, bool demo);

// Makes the register's tables, the administrator and (with `demo`) the
// same demo rows in an empty database on a server, named by a libpq URI, in
// one transaction. Refuses a database that already holds any of the tables.
void createServerRegister(const QString& uri, bool demo);

class ServerConnection;
// Makes the register's tables, without rows, inside the transaction the
// caller has begun. Refuses a database that already holds any of them.
void createServerTables(ServerConnection& db);

}  // namespace kx
