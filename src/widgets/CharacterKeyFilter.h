#pragma once

#include <QObject>

class QLineEdit;

namespace kx {

// A typing rule for a line edit: control characters (Backspace, Enter, the
// Ctrl shortcuts) always pass, so editing, copy-and-paste and an EnterChain
// keep working; a printable character passes only when the rule accepts it,
// and a key or an input-method commit holding one it refuses is dropped
// whole. The field's input methods are switched off, so that nothing is
// composed past the filter.
class CharacterKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit CharacterKeyFilter(QObject* parent = nullptr) : QObject(parent) {}

protected:
    // Installs the filter on the field, which then owns it.
    static void attach(QLineEdit* field, CharacterKeyFilter* filter);
    virtual bool acceptsCharacter(char16_t c) const = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool allowed(const QString& text) const;
};

}  // namespace kx
