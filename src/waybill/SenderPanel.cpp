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

    Edit51 = edit("Edit51", 122, 34, 96, this);
    Edit52 = edit("Edit52", 122, 66, 96, this);
    Edit53 = edit("Edit53", 122, 98, 316, this);
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setGeometry(122, 130, 91, 21);
    ComboBox2->setEditable(true);
    // Enter ends the focus chain here; it must not add the text to the list.
    ComboBox2->setInsertPolicy(QComboBox::NoInsert);
    ComboBox2->addItems(CourierCatalogue::courierList());
    ComboBox2->setCurrentIndex(-1);
    ComboBox2->setEditText(QString());
    // The boxes hold the stored texts whole, however long: a save writes
    // them back.
    for (QWidget* box : {static_cast<QWidget*>(Edit51), static_cast<QWidget*>(Edit52),
                         static_cast<QWidget*>(Edit53), static_cast<QWidget*>(ComboBox2)})
        holdAnyLength(box);

    labelFor(Edit51, QStringLiteral("寄件人姓名："), this);
    labelFor(Edit52, QStringLiteral("寄件人手机："), this);
    labelFor(Edit53, QStringLiteral("寄件地址："), this);
    labelFor(ComboBox2, QStringLiteral("默认快递："), this);

    Image10 = new PictureButton(QStringLiteral("保 存"), this);
    Image10->setObjectName(QStringLiteral("Image10"));
    Image10->setGeometry(183, 165, 130, 36);
    Image5 = new CloseIcon(this);
    Image5->setObjectName(QStringLiteral("Image5"));
    Image5->setGeometry(416, 16, 17, 17);

    auto* enter = new EnterChain(this);
    enter->link(Edit51, Edit52);
    enter->link(Edit52, Edit53);
    enter->link(Edit53, ComboBox2);
    connect(Image10, &PictureButton::pressed, this, [this](const QPoint&, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            save();
    });
    connect(Image5, &CloseIcon::clicked, this, &QWidget::hide);

    // Every edit, the user's or the program's, reaches the profile at once;
    // a change of the profile (loading) shows in the boxes.
    connect(Edit51, &QLineEdit::textChanged, &m_profile, &SenderProfile::setName);
    connect(Edit52, &QLineEdit::textChanged, &m_profile, &SenderProfile::setMobile);
    connect(Edit53, &QLineEdit::textChanged, &m_profile, &SenderProfile::setAddress);
    connect(ComboBox2, &QComboBox::editTextChanged, &m_profile, &SenderProfile::setCourier);
    connect(ComboBox2, &QComboBox::currentTextChanged, &m_profile, &SenderProfile::setCourier);
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
    put(Edit51, m_profile.name());
    put(Edit52, m_profile.mobile());
    put(Edit53, m_profile.address());
    if (ComboBox2->currentText() != m_profile.courier())
        ComboBox2->setEditText(m_profile.courier());
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
    if (!requiredFieldCheck(d, ComboBox2, QStringLiteral("默认快递必须输入！")) ||
        !requiredFieldCheck(d, Edit51, QStringLiteral("寄件人姓名必须输入！")) ||
        !requiredFieldCheck(d, Edit52, QStringLiteral("寄件人手机必须输入！")) ||
        !requiredFieldCheck(d, Edit53, QStringLiteral("寄件地址必须输入！")))
        return;

    m_profile.save();

    emit bannerRequested(QStringLiteral("寄件人设置成功.."));
    hide();
}

}  // namespace kx
