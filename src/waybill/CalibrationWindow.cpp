#include "waybill/CalibrationWindow.h"

#include "core/CourierCatalogue.h"
#include "platform/Platform.h"
#include "waybill/CalibrationStore.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

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

// The box's end a hundredth of a millimetre beyond what the stored per cent
// allows, so that each end of the per cent's range can be typed; the per
// cent is then brought back into its range.
double hundredthOutside(double mm, bool up)
{
    return (up ? std::ceil(mm * 100) : std::floor(mm * 100)) / 100;
}

}  // namespace

double CalibrationWindow::percentForMeasured(double measuredMm)
{
    return std::clamp(10000.0 / measuredMm, PrintCorrection::minScalePercent, PrintCorrection::maxScalePercent);
}

double CalibrationWindow::measuredForPercent(double percent)
{
    return 10000.0 / percent;
}

CalibrationWindow::CalibrationWindow(const Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog), m_platform(platform)
{
    setObjectName(QStringLiteral("CalibrationWindow"));
    setWindowTitle(QStringLiteral("打印校准"));

    // Two lines, each on one line: the window is as wide as they are.
    helpLabel = new QLabel(QStringLiteral("1. 用普通纸打印校准页，叠在快递单上，对着光看。\n"
                                          "2. 量十字线离运单标记几毫米填入：印偏左、偏上填正数，偏右、偏下填负数。"),
                           this);
    helpLabel->setObjectName(QStringLiteral("helpLabel"));

    formBox = new QComboBox(this);
    formBox->setObjectName(QStringLiteral("formBox"));
    for (int c = 0; c < CourierCatalogue::menuCount; ++c)
        formBox->addItem(CourierCatalogue::menuCaption(c));

    const QString mm = QStringLiteral(" mm");
    offsetXBox = spin("offsetXBox", PrintCorrection::minOffsetMm, PrintCorrection::maxOffsetMm, 0, mm, this);
    offsetYBox = spin("offsetYBox", PrintCorrection::minOffsetMm, PrintCorrection::maxOffsetMm, 0, mm, this);
    // A larger per cent corrects a printer that prints smaller.
    const double shortest = hundredthOutside(measuredForPercent(PrintCorrection::maxScalePercent), false);
    const double longest = hundredthOutside(measuredForPercent(PrintCorrection::minScalePercent), true);
    measuredXBox = spin("measuredXBox", shortest, longest, 100, mm, this);
    measuredYBox = spin("measuredYBox", shortest, longest, 100, mm, this);
    // Hundredths, so that every stored tenth of a per cent shows as a
    // measure that gives it back; a ruler is read to a tenth.
    for (QDoubleSpinBox* box : {measuredXBox, measuredYBox})
        box->setDecimals(2);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("运单格式："), formBox);
    form->addRow(QStringLiteral("水平偏移（向右为正）："), offsetXBox);
    form->addRow(QStringLiteral("垂直偏移（向下为正）："), offsetYBox);
    form->addRow(QStringLiteral("横标尺实测 100 mm 的长度："), measuredXBox);
    form->addRow(QStringLiteral("竖标尺实测 100 mm 的长度："), measuredYBox);
    // QFormLayout makes each caption the buddy of its field.

    printPageButton = button(QStringLiteral("打印校准页"), "printPageButton", this);
    saveButton = button(QStringLiteral("保存"), "saveButton", this);
    defaultsButton = button(QStringLiteral("恢复默认"), "defaultsButton", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(printPageButton);
    buttons->addStretch(1);
    buttons->addWidget(saveButton);
    buttons->addWidget(defaultsButton);

    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(helpLabel);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(statusLabel);

    for (QDoubleSpinBox* box : {offsetXBox, offsetYBox, measuredXBox, measuredYBox})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            if (m_showing)
                return;
            m_unsaved = true;
            statusLabel->setText(QStringLiteral("已修改，尚未保存"));
        });
    connect(formBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_platform.guard(this, [this, index] { formChosen(index); }); });
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
    c.scaleXPercent = percentForMeasured(measuredXBox->value());
    c.scaleYPercent = percentForMeasured(measuredYBox->value());
    return c;
}

void CalibrationWindow::setCorrection(const PrintCorrection& c)
{
    offsetXBox->setValue(c.offsetXMm);
    offsetYBox->setValue(c.offsetYMm);
    measuredXBox->setValue(measuredForPercent(c.scaleXPercent));
    measuredYBox->setValue(measuredForPercent(c.scaleYPercent));
}

void CalibrationWindow::showValues(const PrintCorrection& c)
{
    m_showing = true;
    setCorrection(c);
    m_showing = false;
    m_unsaved = false;
    m_shownCourier = courier();
}

void CalibrationWindow::loadStored()
{
    showValues(CalibrationStore::load(m_platform.settings, courier()));
    statusLabel->clear();
}

bool CalibrationWindow::settleUnsaved()
{
    if (!m_unsaved)
        return true;
    const QMessageBox::StandardButton answer = m_platform.dialogs.message(
        this, QStringLiteral("提示"),
        QStringLiteral("“%1”的校准值已修改，尚未保存。是否保存？").arg(formBox->itemText(m_shownCourier)),
        Dialogs::Icon::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        CalibrationStore::save(m_platform.settings, m_shownCourier, correction());
    m_unsaved = false;
    return true;
}

void CalibrationWindow::formChosen(int courier)
{
    if (courier == m_shownCourier)
        return;
    bool settled = false;
    // The form stays as it is until the question is answered, and when it
    // is cancelled; a failing save keeps it too.
    {
        const QSignalBlocker quiet(formBox);
        formBox->setCurrentIndex(m_shownCourier);
        settled = settleUnsaved();
        if (settled)
            formBox->setCurrentIndex(courier);
    }
    if (settled)
        loadStored();
}

void CalibrationWindow::closeEvent(QCloseEvent* event)
{
    bool settled = false;
    m_platform.guard(this, [this, &settled] { settled = settleUnsaved(); });
    if (!settled) {
        event->ignore();
        return;
    }
    // The window is shown again later: with what is stored.
    m_platform.guard(this, [this] { loadStored(); });
    QWidget::closeEvent(event);
}

void CalibrationWindow::save()
{
    CalibrationStore::save(m_platform.settings, courier(), correction());
    m_unsaved = false;
    statusLabel->setText(QStringLiteral("已保存：%1").arg(formBox->currentText()));
}

void CalibrationWindow::restoreDefaults()
{
    if (!(CalibrationStore::load(m_platform.settings, courier()) == PrintCorrection{})) {
        const QMessageBox::StandardButton answer = m_platform.dialogs.message(
            this, QStringLiteral("提示"),
            QStringLiteral("恢复默认将清除“%1”已保存的校准值。是否继续？").arg(formBox->currentText()),
            Dialogs::Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    CalibrationStore::save(m_platform.settings, courier(), PrintCorrection{});
    showValues(PrintCorrection{});
    statusLabel->setText(QStringLiteral("已恢复默认：%1").arg(formBox->currentText()));
}

}  // namespace kx
