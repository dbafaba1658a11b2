#pragma once

#include "report/PrintCorrection.h"

#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace kx {

struct Platform;

// "打印校准": the printer correction of each of the nine courier forms. The
// operator picks a form, prints its calibration page on plain paper, holds
// it against the form, reads the misalignment off the rulers and the scale
// off 100 mm of ruler, and types them in; "保存" keeps them for every later
// print of that form, "恢复默认" puts the form back to no correction. Values
// typed and not saved are not lost unasked: switching form or closing the
// window asks whether to save them, and "恢复默认" asks before it wipes a
// saved correction.
class CalibrationWindow : public QWidget {
    Q_OBJECT
public:
    CalibrationWindow(const Platform& platform, QWidget* parent = nullptr);

    // The scale is shown as what 100 mm of the page's ruler measures on
    // paper; the correction that makes it 100 mm is kept in per cent.
    static double percentForMeasured(double measuredMm);
    static double measuredForPercent(double percent);

    // The form shown (0..8, the courier print menu's order) and its values.
    int courier() const;
    void setCourier(int courier);
    PrintCorrection correction() const;
    // Puts values in the boxes as if typed: they are unsaved.
    void setCorrection(const PrintCorrection& correction);
    // Values typed since the form's were loaded or saved.
    bool hasUnsavedValues() const { return m_unsaved; }

    void save();
    void restoreDefaults();

    QLabel* helpLabel;
    QComboBox* formBox;
    QDoubleSpinBox* offsetXBox;
    QDoubleSpinBox* offsetYBox;
    QDoubleSpinBox* measuredXBox;  // 100 mm of the horizontal ruler, measured
    QDoubleSpinBox* measuredYBox;  // 100 mm of the vertical ruler, measured
    QPushButton* printPageButton;  // 打印校准页
    QPushButton* saveButton;       // 保存
    QPushButton* defaultsButton;   // 恢复默认
    QLabel* statusLabel;

signals:
    // The calibration page of the form with the values as they stand.
    void calibrationPageWanted(int courier, const kx::PrintCorrection& correction);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void loadStored();
    void showValues(const PrintCorrection& correction);
    void formChosen(int courier);
    // Asks whether to save the unsaved values of the form shown, and saves
    // them on Yes; false when the user cancels.
    bool settleUnsaved();

    const Platform& m_platform;
    int m_shownCourier = 0;  // the form whose values the boxes hold
    bool m_unsaved = false;
    bool m_showing = false;  // the boxes are being filled, not typed in
};

}  // namespace kx
