#pragma once

#include "report/PrintCorrection.h"

#include <QString>

namespace kx {

class SettingsStore;

// The printer correction of each courier form, kept in the settings store
// under "Software\tarnvale\wbq" as calib_<form code> = "dx,dy,sx,sy".
class CalibrationStore {
public:
    static QString key();
    // "calib_STO", ..., "calib_汇通".
    static QString valueName(int courier);

    // No value, or one that cannot be read: no correction.
    static PrintCorrection load(const SettingsStore& settings, int courier);
    static void save(SettingsStore& settings, int courier, const PrintCorrection& correction);
};

}  // namespace kx
