#pragma once

#include "report/ListPrintOptions.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QRadioButton;

namespace kx {

// "打印设置": the page setup of a printed list — the face the table prints
// in, the four margins, whether rows grow to show their whole text, colour
// or black and white, how the table meets the page's width, columns fitted
// to their texts, and the printer's own setup. The fit choice can be made
// only while the table is fitted to the page.
class ListPageSetupDialog : public QDialog {
    Q_OBJECT
public:
    // `printerSetup` opens the printer's setup and says whether it was confirmed.
    ListPageSetupDialog(const ListPrintOptions& options, std::function<bool()> printerSetup,
                        QWidget* parent = nullptr);

    ListPrintOptions options() const;
    // Whether the printer's setup was confirmed while the dialog was open.
    bool printerChanged() const { return m_printerChanged; }

    QComboBox* fontBox;
    QDoubleSpinBox* fontSizeBox;
    QCheckBox* boldBox;
    QDoubleSpinBox* topBox;
    QDoubleSpinBox* bottomBox;
    QDoubleSpinBox* leftBox;
    QDoubleSpinBox* rightBox;
    QCheckBox* growBox;       // 延长表格线(&S)
    QCheckBox* colourBox;     // 彩色(&C)
    QCheckBox* fitBox;        // 表格宽度适应页面宽度(&F)
    QRadioButton* scaleButton;    // 缩放整个表格(&G)
    QRadioButton* columnsButton;  // 改变列宽(&C)
    QCheckBox* autoWidthBox;  // 自动调整列宽到合适尺寸(&W)
    QPushButton* printerButton;  // 打印机设置(&P)
    QPushButton* okButton;
    QPushButton* cancelButton;

private:
    std::function<bool()> m_printerSetup;
    bool m_printerChanged = false;
};

}  // namespace kx
