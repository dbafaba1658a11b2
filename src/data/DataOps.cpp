#include "data/DataOps.h"

#include "data/Dataset.h"
#include "data/DbError.h"
#include "platform/Dialogs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace kx {

QString controlText(QWidget* control)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* box = qobject_cast<QComboBox*>(control))
        return box->currentText();
    return QString();
}

bool requiredFieldCheck(Dialogs& dialogs, QWidget* control, const QString& message)
{
    if (!trimControl(controlText(control)).isEmpty())
        return true;
    dialogs.message(control ? control->window() : nullptr, QStringLiteral("Warning"), message,
                    Dialogs::Icon::Warning, QMessageBox::Ok, QMessageBox::Ok);
    if (control)
        control->setFocus(Qt::OtherFocusReason);
    return false;
}

void openQuery(Dataset& dataset, const QString& sql, const QVariantList& params)
{
    dataset.close();
    dataset.setSql(sql, params);
    dataset.open();
}

void runStatement(Dataset& dataset, const QString& sql, const QVariantList& params)
{
    dataset.close();
    dataset.setSql(sql, params);
    dataset.execSql();
}

void fillColumnList(Dataset& dataset, const QString& column, const QString& table, QComboBox* box)
{
    const QSignalBlocker blocker(box);
    box->clear();
    box->setEditText(QString());
    openQuery(dataset, QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                           QStringLiteral(" group by ") + column + QStringLiteral(" order by ") + column);
    QStringList items;
    items.reserve(dataset.rowCount());
    const int field = dataset.fieldIndex(column);
    for (int row = 0; row < dataset.rowCount(); ++row)
        items.append(textOf(dataset.value(row, field)));
    dataset.last();
    box->addItems(items);
    // Adding to an empty box makes its first entry current; the text stays empty.
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

}  // namespace kx
