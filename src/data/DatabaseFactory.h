#pragma once

#include <QString>

namespace kx {

// Creates a new database file, encrypted with the database password, with
// the five tables and the administrator. Refuses to overwrite a file.
// With `demo`, adds a sender profile and about thirty orders.
void createDatabase(const QString& path, bool demo);

}  // namespace kx
