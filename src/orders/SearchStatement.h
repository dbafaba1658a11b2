#pragma once

#include "data/Schema.h"

#include <QString>
#include <QVariantList>
#include <utility>
#include <vector>

namespace kx {

// The texts of the quick search's seven boxes, as typed (not trimmed).
struct SearchConditions {
    QString courier;
    QString name;
    QString address;
    QString orderNumber;
    QString member;
    QString mobile;
    QString printStatus;
};

// The quick search's statement: "select * from data " + the base condition,
// then one LIKE condition per non-empty box in a fixed order. The texts are
// bound, so a quote or a bracket in them cannot change the statement, and
// escaped, so that a "%" or "_" typed finds that character, not any text.
struct SearchStatement {
    // Every search leaves out the orders without a recipient name.
    static inline const QString baseCondition =
        QStringLiteral("where [%1]<>''").arg(schema::orderColumn::recipientName);

    QString sql;
    QVariantList params;
    // The LIKE conditions in the statement's order: the field and the box's
    // text as typed (before the escaping that params hold).
    std::vector<std::pair<QString, QString>> terms;

    static SearchStatement build(const SearchConditions& conditions);
};

}  // namespace kx
