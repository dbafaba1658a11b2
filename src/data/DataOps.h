#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace kx {

class Dataset;

// The shared data operations on a dataset. None of them catches a database
// error: it escapes to the handler's guard.

// Closes the dataset, replaces its statement and opens it on the first row.
void openQuery(Dataset& dataset, const QString& sql, const QVariantList& params = {});

// Closes the dataset, replaces its statement and runs it; stays closed.
// Returns how many rows it changed.
int runStatement(Dataset& dataset, const QString& sql, const QVariantList& params = {});

// The distinct values of a column in the engine's order, through `dataset`
// (left on its last row). A null stops with the conversion error.
QStringList columnValues(Dataset& dataset, const QString& column, const QString& table);

}  // namespace kx
