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
// operator picks a form, prints its calibration page, reads the misalignment
// off the rulers and types it in; "保存" keeps it for every later print of
// that form, "恢复默认" puts the form back to no correction.
class CalibrationWindow : public QWidget {
    Q_OBJECT
public:
    CalibrationWindow(const Platform& platform, QWidget* parent = nullptr);

    // The form shown (0..8, the courier print menu's order) and its values.
    int courier() const;
    void setCourier(int courier);
    PrintCorrection correction() const;
    void setCorrection(const PrintCorrection& correction);

    void save();
    void restoreDefaults();

    QComboBox* formBox;
    QDoubleSpinBox* offsetXBox;
    QDoubleSpinBox* offsetYBox;
    QDoubleSpinBox* scaleXBox;
    QDoubleSpinBox* scaleYBox;
    QPushButton* printPageButton;  // 打印校准页
    QPushButton* saveButton;       // 保存
    QPushButton* defaultsButton;   // 恢复默认
    QLabel* statusLabel;

signals:
    // The calibration page of the form with the values as they stand.
    void calibrationPageWanted(int courier, const kx::PrintCorrection& correction);

private:
    void loadStored();

    const Platform& m_platform;
};

}  // namespace kx
