#include "widgets/ControlOps.h"

#include "core/TextValue.h"
#include "data/DataOps.h"
#include "platform/Dialogs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <limits>

namespace kx {

QString controlText(QWidget* control)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* box = qobject_cast<QComboBox*>(control))
        return box->currentText();
    return QString();
}

void holdAnyLength(QWidget* control)
{
    QLineEdit* edit = qobject_cast<QLineEdit*>(control);
    if (auto* box = qobject_cast<QComboBox*>(control))
        edit = box->lineEdit();
    if (edit)
        edit->setMaxLength(std::numeric_limits<int>::max());
}

bool requiredFieldCheck(Dialogs& dialogs, QWidget* control, const QString& message)
{
    if (!trimControl(controlText(control)).isEmpty())
        return true;
    dialogs.warning(control ? control->window() : nullptr, message);
    if (control)
        control->setFocus(Qt::OtherFocusReason);
    return false;
}

void replaceItems(QComboBox* box, const QStringList& items)
{
    const QSignalBlocker blocker(box);
    box->clear();
    box->setEditText(QString());
    box->addItems(items);
    // Adding to an empty box makes its first entry current; the text stays empty.
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

void fillColumnList(Dataset& dataset, const QString& column, const QString& table, QComboBox* box)
{
    replaceItems(box, {});
    replaceItems(box, columnValues(dataset, column, table));
}

}  // namespace kx
