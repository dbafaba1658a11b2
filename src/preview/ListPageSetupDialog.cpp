#include "preview/ListPageSetupDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kx {

namespace {

QDoubleSpinBox* marginBox(double mm, const char* name, QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    // Up to 6 cm a side: paper down to A5 keeps room for the list.
    box->setRange(0, 60);
    box->setDecimals(1);
    box->setSingleStep(1);
    box->setSuffix(QStringLiteral(" 毫米"));
    box->setValue(mm);
    return box;
}

}  // namespace

ListPageSetupDialog::ListPageSetupDialog(const ListPrintOptions& options, std::function<bool()> printerSetup,
                                         QWidget* parent)
    : QDialog(parent), m_printerSetup(std::move(printerSetup))
{
    setObjectName(QStringLiteral("ListPageSetupDialog"));
    setWindowTitle(QStringLiteral("打印设置"));

    // The print face: any installed family, or a Windows name the program
    // maps to one ("Arial").
    auto* fontGroup = new QGroupBox(QStringLiteral("打印字体"), this);
    fontBox = new QComboBox(fontGroup);
    fontBox->setObjectName(QStringLiteral("fontBox"));
    fontBox->setEditable(true);
    fontBox->addItems(QFontDatabase::families());
    fontBox->setCurrentText(options.fontFamily);
    fontSizeBox = new QDoubleSpinBox(fontGroup);
    fontSizeBox->setObjectName(QStringLiteral("fontSizeBox"));
    fontSizeBox->setRange(4, 72);
    fontSizeBox->setDecimals(1);
    fontSizeBox->setSingleStep(0.5);
    fontSizeBox->setSuffix(QStringLiteral(" 磅"));
    fontSizeBox->setValue(options.fontPoints);
    boldBox = new QCheckBox(QStringLiteral("粗体"), fontGroup);
    boldBox->setObjectName(QStringLiteral("boldBox"));
    boldBox->setChecked(options.fontBold);
    auto* fontLayout = new QHBoxLayout(fontGroup);
    auto* fontLabel = new QLabel(QStringLiteral("字体："), fontGroup);
    fontLabel->setBuddy(fontBox);
    fontLayout->addWidget(fontLabel);
    fontLayout->addWidget(fontBox, 1);
    auto* sizeLabel = new QLabel(QStringLiteral("大小："), fontGroup);
    sizeLabel->setBuddy(fontSizeBox);
    fontLayout->addWidget(sizeLabel);
    fontLayout->addWidget(fontSizeBox);
    fontLayout->addWidget(boldBox);

    auto* marginGroup = new QGroupBox(QStringLiteral("页边距"), this);
    topBox = marginBox(options.topMm, "topBox", marginGroup);
    bottomBox = marginBox(options.bottomMm, "bottomBox", marginGroup);
    leftBox = marginBox(options.leftMm, "leftBox", marginGroup);
    rightBox = marginBox(options.rightMm, "rightBox", marginGroup);
    auto* marginLayout = new QGridLayout(marginGroup);
    const QList<std::pair<QString, QDoubleSpinBox*>> margins = {{QStringLiteral("上："), topBox},
                                                                {QStringLiteral("下："), bottomBox},
                                                                {QStringLiteral("左："), leftBox},
                                                                {QStringLiteral("右："), rightBox}};
    for (int i = 0; i < margins.size(); ++i) {
        auto* label = new QLabel(margins[i].first, marginGroup);
        label->setBuddy(margins[i].second);
        marginLayout->addWidget(label, i / 2, (i % 2) * 2);
        marginLayout->addWidget(margins[i].second, i / 2, (i % 2) * 2 + 1);
    }

    auto* tableGroup = new QGroupBox(QStringLiteral("表格"), this);
    growBox = new QCheckBox(QStringLiteral("延长表格线(&S)"), tableGroup);
    growBox->setObjectName(QStringLiteral("growBox"));
    growBox->setChecked(options.growRows);
    colourBox = new QCheckBox(QStringLiteral("彩色(&C)"), tableGroup);
    colourBox->setObjectName(QStringLiteral("colourBox"));
    colourBox->setChecked(options.colour);
    fitBox = new QCheckBox(QStringLiteral("表格宽度适应页面宽度(&F)"), tableGroup);
    fitBox->setObjectName(QStringLiteral("fitBox"));
    fitBox->setChecked(options.fitToWidth);
    scaleButton = new QRadioButton(QStringLiteral("缩放整个表格(&G)"), tableGroup);
    scaleButton->setObjectName(QStringLiteral("scaleButton"));
    columnsButton = new QRadioButton(QStringLiteral("改变列宽(&C)"), tableGroup);
    columnsButton->setObjectName(QStringLiteral("columnsButton"));
    (options.fit == ListPrintOptions::Fit::ScaleTable ? scaleButton : columnsButton)->setChecked(true);
    autoWidthBox = new QCheckBox(QStringLiteral("自动调整列宽到合适尺寸(&W)"), tableGroup);
    autoWidthBox->setObjectName(QStringLiteral("autoWidthBox"));
    autoWidthBox->setChecked(options.autoWidths);
    auto* tableLayout = new QGridLayout(tableGroup);
    tableLayout->addWidget(growBox, 0, 0, 1, 2);
    tableLayout->addWidget(colourBox, 1, 0, 1, 2);
    tableLayout->addWidget(fitBox, 2, 0, 1, 2);
    tableLayout->addWidget(scaleButton, 3, 1);
    tableLayout->addWidget(columnsButton, 4, 1);
    tableLayout->addWidget(autoWidthBox, 5, 0, 1, 2);
    tableLayout->setColumnMinimumWidth(0, 20);
    tableLayout->setColumnStretch(1, 1);
    auto enableFit = [this] {
        scaleButton->setEnabled(fitBox->isChecked());
        columnsButton->setEnabled(fitBox->isChecked());
    };
    connect(fitBox, &QCheckBox::toggled, this, enableFit);
    enableFit();

    printerButton = new QPushButton(QStringLiteral("打印机设置(&P)"), this);
    printerButton->setObjectName(QStringLiteral("printerButton"));
    connect(printerButton, &QPushButton::clicked, this, [this] {
        if (m_printerSetup && m_printerSetup())
            m_printerChanged = true;
    });

    auto* buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    cancelButton = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(printerButton);
    bottom->addStretch(1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fontGroup);
    layout->addWidget(marginGroup);
    layout->addWidget(tableGroup);
    layout->addLayout(bottom);
}

ListPrintOptions ListPageSetupDialog::options() const
{
    ListPrintOptions o;
    o.fontFamily = fontBox->currentText().trimmed();
    if (o.fontFamily.isEmpty())
        o.fontFamily = ListPrintOptions().fontFamily;
    o.fontPoints = fontSizeBox->value();
    o.fontBold = boldBox->isChecked();
    o.topMm = topBox->value();
    o.bottomMm = bottomBox->value();
    o.leftMm = leftBox->value();
    o.rightMm = rightBox->value();
    o.growRows = growBox->isChecked();
    o.colour = colourBox->isChecked();
    o.fitToWidth = fitBox->isChecked();
    o.fit = scaleButton->isChecked() ? ListPrintOptions::Fit::ScaleTable : ListPrintOptions::Fit::ColumnWidths;
    o.autoWidths = autoWidthBox->isChecked();
    return o;
}

}  // namespace kx
