#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class QComboBox;

namespace kx {

class Dataset;
class Dialogs;

// The data operations that work on controls.

// Trims the control's text (a line edit or an editable combo box); when
// nothing is left, shows the warning "Warning" with the message, moves the
// focus to the control and returns false.
bool requiredFieldCheck(Dialogs& dialogs, QWidget* control, const QString& message);

// Empties the box (list and text, without a change reaction), then lists the
// distinct values of the column in the engine's order. A null in the column
// stops the fill with the conversion error, leaving the box empty.
void fillColumnList(Dataset& dataset, const QString& column, const QString& table, QComboBox* box);

// Replaces the box's list (and empties its text) without a change reaction.
void replaceItems(QComboBox* box, const QStringList& items);

// The text of a line edit or combo box.
QString controlText(QWidget* control);

// Lets a line edit, or an editable combo box's line edit, hold a text of any
// length. A line edit cuts what it is given at 32,767 characters by default,
// and a field that shows a longer stored text cut would write the cut text
// back on the next save.
void holdAnyLength(QWidget* control);

}  // namespace kx
