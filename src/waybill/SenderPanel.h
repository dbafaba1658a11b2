#pragma once

#include "widgets/FloatingPanel.h"

class QLineEdit;
class QComboBox;

namespace kx {

class Tdmfm;
struct Platform;

// The sender panel (Panel5): the live sender profile.
class SenderPanel : public FloatingPanel {
    Q_OBJECT
public:
    SenderPanel(Tdmfm& dm, const Platform& platform, QWidget* parent = nullptr);

    // Reads "select * from post" into the four boxes; throws the conversion
    // error on a missing row or a null, leaving the later boxes as they were.
    void load();

    QLineEdit* Edit51;   // sender name
    QLineEdit* Edit52;   // sender mobile
    QLineEdit* Edit53;   // sender address
    QComboBox* ComboBox2;  // default courier

signals:
    void bannerRequested(const QString& text);

private:
    Tdmfm& m_dm;
    const Platform& m_platform;
};

}  // namespace kx
