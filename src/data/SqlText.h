#pragma once

#include <QChar>
#include <QString>

namespace kx {

// The pieces of statement text made from names and texts that the program
// does not choose itself.

// A table or column name as the statement names it, so that no name can
// change what the statement does: a column a damaged or crafted file brings
// (such as "a] is ? or 1=1 or [a") stays the one column it is.
// Bracketed ("[a]") as the statements have always named columns; a name
// holding "]" goes in double quotes with each '"' doubled instead, since the
// engine ends a bracketed name at its first "]" and knows no doubling there.
QString quoteIdentifier(const QString& name);

// The escape character of likeLiteral(); the LIKE that takes its result
// names it: "x like '%' || ? || '%' escape '\'".
inline constexpr QChar likeEscape = u'\\';

// The text bound into a LIKE so that it matches itself only: "%", "_" and
// the escape character each escaped. Letter case is left to LIKE, which
// folds ASCII letters only.
QString likeLiteral(const QString& text);

}  // namespace kx
