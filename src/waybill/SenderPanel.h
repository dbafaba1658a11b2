#pragma once

#include "widgets/FloatingPanel.h"

class QLineEdit;
class QComboBox;

namespace kx {

class CommandRegistry;
class SenderProfile;
struct Platform;
class PictureButton;
class CloseIcon;

// The sender panel (Panel5): the four boxes of the sender profile. Each edit
// goes straight into the profile, which printing, the order editor and the
// clean-up read as it stands, saved or not.
class SenderPanel : public FloatingPanel {
    Q_OBJECT
public:
    SenderPanel(SenderProfile& profile, const Platform& platform, QWidget* parent = nullptr);
    // Claims "寄件人" and "寄件人信息" and loads the profile at start-up.
    void registerCommands(CommandRegistry& commands);

    // Reads "select * from post" into the profile and so the four boxes; throws the conversion
    // error on a missing row or a null, leaving the later boxes as they were.
    void load();
    // 保 存: checks the four boxes, writes them trimmed into the first row of
    // post (creating it when the table is empty), asks for the banner and
    // hides the panel. Errors are shown here; the panel then stays open.
    void save();

    QLineEdit* senderNameEdit;
    QLineEdit* senderMobileEdit;
    QLineEdit* senderAddressEdit;
    QComboBox* defaultCourierBox;
    PictureButton* saveButton;
    CloseIcon* closeIcon;  // hides the panel without saving

signals:
    void bannerRequested(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void store();
    void showProfile();

    SenderProfile& m_profile;
    const Platform& m_platform;
};

}  // namespace kx
