#include "waybill/SenderPanel.h"

#include "core/CourierCatalogue.h"
#include "data/SenderProfile.h"
#include "platform/Platform.h"
#include "widgets/CloseIcon.h"
#include "widgets/CommandRegistry.h"
#include "widgets/ControlOps.h"
#include "widgets/EnterChain.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PictureButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace kx {

namespace {

QLabel* labelFor(QWidget* field, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(field->x() - 112, field->y(), 108, field->height());
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(field);
    return label;
}

QLineEdit* edit(const char* name, int left, int top, int width, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(left, top, width, 21);
    return e;
}

}  // namespace

SenderPanel::SenderPanel(SenderProfile& profile, const Platform& platform, QWidget* parent)
    : FloatingPanel(parent), m_profile(profile), m_platform(platform)
{
    setObjectName(QStringLiteral("Panel5"));
    setGeometry(232, 208, 465, 217);
    setFont(songFont(14));

    senderNameEdit = edit("Edit51", 122, 34, 96, this);
    senderMobileEdit = edit("Edit52", 122, 66, 96, this);
    senderAddressEdit = edit("Edit53", 122, 98, 316, this);
    defaultCourierBox = new QComboBox(this);
    defaultCourierBox->setObjectName(QStringLiteral("ComboBox2"));
    defaultCourierBox->setGeometry(122, 130, 91, 21);
    defaultCourierBox->setEditable(true);
    // Enter ends the focus chain here; it must not add the text to the list.
    defaultCourierBox->setInsertPolicy(QComboBox::NoInsert);
    defaultCourierBox->addItems(CourierCatalogue::courierList());
    defaultCourierBox->setCurrentIndex(-1);
    defaultCourierBox->setEditText(QString());
    // The boxes hold the stored texts whole, however long: a save writes
    // them back.
    for (QWidget* box : {static_cast<QWidget*>(senderNameEdit), static_cast<QWidget*>(senderMobileEdit),
                         static_cast<QWidget*>(senderAddressEdit), static_cast<QWidget*>(defaultCourierBox)})
        holdAnyLength(box);

    labelFor(senderNameEdit, QStringLiteral("寄件人姓名："), this);
    labelFor(senderMobileEdit, QStringLiteral("寄件人手机："), this);
    labelFor(senderAddressEdit, QStringLiteral("寄件地址："), this);
    labelFor(defaultCourierBox, QStringLiteral("默认快递："), this);

    saveButton = new PictureButton(QStringLiteral("保 存"), this);
    saveButton->setObjectName(QStringLiteral("Image10"));
    saveButton->setGeometry(183, 165, 130, 36);
    closeIcon = new CloseIcon(this);
    closeIcon->setObjectName(QStringLiteral("Image5"));
    closeIcon->setGeometry(416, 16, 17, 17);

    auto* enter = new EnterChain(this);
    enter->link(senderNameEdit, senderMobileEdit);
    enter->link(senderMobileEdit, senderAddressEdit);
    enter->link(senderAddressEdit, defaultCourierBox);
    connect(saveButton, &PictureButton::pressed, this, [this](const QPoint&, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            save();
    });
    connect(closeIcon, &CloseIcon::clicked, this, &QWidget::hide);

    // Every edit, the user's or the program's, reaches the profile at once;
    // a change of the profile (loading) shows in the boxes.
    connect(senderNameEdit, &QLineEdit::textChanged, &m_profile, &SenderProfile::setName);
    connect(senderMobileEdit, &QLineEdit::textChanged, &m_profile, &SenderProfile::setMobile);
    connect(senderAddressEdit, &QLineEdit::textChanged, &m_profile, &SenderProfile::setAddress);
    connect(defaultCourierBox, &QComboBox::editTextChanged, &m_profile, &SenderProfile::setCourier);
    connect(defaultCourierBox, &QComboBox::currentTextChanged, &m_profile, &SenderProfile::setCourier);
    connect(&m_profile, &SenderProfile::changed, this, &SenderPanel::showProfile);
    showProfile();

    hide();
}

void SenderPanel::showEvent(QShowEvent* event)
{
    // Shown over the grid and whatever else the main window made after it.
    raise();
    FloatingPanel::showEvent(event);
}

void SenderPanel::registerCommands(CommandRegistry& commands)
{
    // "寄件人" shows the stored profile; "寄件人信息" shows the boxes as they stand.
    commands.on(Command::Sender, [this] {
        show();
        raise();
        load();
    });
    commands.on(Command::SenderInfo, [this] {
        show();
        raise();
    });
    commands.addStartUpStep(StartUpStep::SenderProfile, [this] { load(); });
}

void SenderPanel::showProfile()
{
    auto put = [](QLineEdit* e, const QString& text) {
        if (e->text() != text)
            e->setText(text);
    };
    put(senderNameEdit, m_profile.name());
    put(senderMobileEdit, m_profile.mobile());
    put(senderAddressEdit, m_profile.address());
    if (defaultCourierBox->currentText() != m_profile.courier())
        defaultCourierBox->setEditText(m_profile.courier());
}

void SenderPanel::load()
{
    m_profile.load();
}

void SenderPanel::save()
{
    m_platform.guard(window(), [this] { store(); });
}

void SenderPanel::store()
{
    Dialogs& d = m_platform.dialogs;
    if (!requiredFieldCheck(d, defaultCourierBox, QStringLiteral("默认快递必须输入！")) ||
        !requiredFieldCheck(d, senderNameEdit, QStringLiteral("寄件人姓名必须输入！")) ||
        !requiredFieldCheck(d, senderMobileEdit, QStringLiteral("寄件人手机必须输入！")) ||
        !requiredFieldCheck(d, senderAddressEdit, QStringLiteral("寄件地址必须输入！")))
        return;

    m_profile.save();

    emit bannerRequested(QStringLiteral("寄件人设置成功.."));
    hide();
}

}  // namespace kx
