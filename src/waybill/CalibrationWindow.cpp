#include "waybill/CalibrationWindow.h"

#include "core/CourierCatalogue.h"
#include "platform/Platform.h"
#include "waybill/CalibrationStore.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kx {

namespace {

QDoubleSpinBox* spin(const char* name, double lo, double hi, double value, const QString& suffix, QWidget* parent)
{
    auto* s = new QDoubleSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setDecimals(1);
    s->setRange(lo, hi);
    s->setSingleStep(0.1);
    s->setValue(value);
    s->setSuffix(suffix);
    s->setMinimumWidth(110);
    return s;
}

QPushButton* button(const QString& caption, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

CalibrationWindow::CalibrationWindow(const Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog), m_platform(platform)
{
    setObjectName(QStringLiteral("CalibrationWindow"));
    setWindowTitle(QStringLiteral("打印校准"));

    formBox = new QComboBox(this);
    formBox->setObjectName(QStringLiteral("formBox"));
    for (int c = 0; c < CourierCatalogue::menuCount; ++c)
        formBox->addItem(CourierCatalogue::menuCaption(c));

    const QString mm = QStringLiteral(" mm"), percent = QStringLiteral(" %");
    offsetXBox = spin("offsetXBox", PrintCorrection::minOffsetMm, PrintCorrection::maxOffsetMm, 0, mm, this);
    offsetYBox = spin("offsetYBox", PrintCorrection::minOffsetMm, PrintCorrection::maxOffsetMm, 0, mm, this);
    scaleXBox = spin("scaleXBox", PrintCorrection::minScalePercent, PrintCorrection::maxScalePercent, 100, percent, this);
    scaleYBox = spin("scaleYBox", PrintCorrection::minScalePercent, PrintCorrection::maxScalePercent, 100, percent, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("运单格式："), formBox);
    form->addRow(QStringLiteral("水平偏移（向右为正）："), offsetXBox);
    form->addRow(QStringLiteral("垂直偏移（向下为正）："), offsetYBox);
    form->addRow(QStringLiteral("水平缩放："), scaleXBox);
    form->addRow(QStringLiteral("垂直缩放："), scaleYBox);
    // QFormLayout makes each caption the buddy of its field.

    printPageButton = button(QStringLiteral("打印校准页"), "printPageButton", this);
    saveButton = button(QStringLiteral("保存"), "saveButton", this);
    defaultsButton = button(QStringLiteral("恢复默认"), "defaultsButton", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(printPageButton);
    buttons->addStretch(1);
    buttons->addWidget(saveButton);
    buttons->addWidget(defaultsButton);

    auto* hint = new QLabel(QStringLiteral("先用普通纸打印校准页，将其叠在运单上对照，从标尺读出偏差后填入并保存。"), this);
    hint->setWordWrap(true);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(statusLabel);

    connect(formBox, &QComboBox::currentIndexChanged, this, [this] { loadStored(); });
    connect(printPageButton, &QPushButton::clicked, this,
            [this] { emit calibrationPageWanted(courier(), correction()); });
    connect(saveButton, &QPushButton::clicked, this, [this] { m_platform.guard(this, [this] { save(); }); });
    connect(defaultsButton, &QPushButton::clicked, this,
            [this] { m_platform.guard(this, [this] { restoreDefaults(); }); });

    m_platform.guard(this, [this] { loadStored(); });
}

int CalibrationWindow::courier() const
{
    return formBox->currentIndex();
}

void CalibrationWindow::setCourier(int courier)
{
    formBox->setCurrentIndex(courier);
}

PrintCorrection CalibrationWindow::correction() const
{
    PrintCorrection c;
    c.offsetXMm = offsetXBox->value();
    c.offsetYMm = offsetYBox->value();
    c.scaleXPercent = scaleXBox->value();
    c.scaleYPercent = scaleYBox->value();
    return c;
}

void CalibrationWindow::setCorrection(const PrintCorrection& c)
{
    offsetXBox->setValue(c.offsetXMm);
    offsetYBox->setValue(c.offsetYMm);
    scaleXBox->setValue(c.scaleXPercent);
    scaleYBox->setValue(c.scaleYPercent);
}

void CalibrationWindow::loadStored()
{
    setCorrection(CalibrationStore::load(m_platform.settings, courier()));
    statusLabel->clear();
}

void CalibrationWindow::save()
{
    CalibrationStore::save(m_platform.settings, courier(), correction());
    statusLabel->setText(QStringLiteral("已保存：%1").arg(formBox->currentText()));
}

void CalibrationWindow::restoreDefaults()
{
    setCorrection(PrintCorrection{});
    CalibrationStore::save(m_platform.settings, courier(), PrintCorrection{});
    statusLabel->setText(QStringLiteral("已恢复默认：%1").arg(formBox->currentText()));
}

}  // namespace kx
