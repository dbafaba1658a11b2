#include "waybill/CalibrationStore.h"

#include "core/CourierCatalogue.h"
#include "platform/SettingsStore.h"

namespace kx {

QString CalibrationStore::key()
{
    return QStringLiteral("Software\\tarnvale\\wbq");
}

QString CalibrationStore::valueName(int courier)
{
    return QStringLiteral("calib_") + CourierCatalogue::code(courier);
}

PrintCorrection CalibrationStore::load(const SettingsStore& settings, int courier)
{
    const std::optional<QString> text = settings.read(key(), valueName(courier));
    if (!text)
        return {};
    return PrintCorrection::fromText(*text).value_or(PrintCorrection{});
}

void CalibrationStore::save(SettingsStore& settings, int courier, const PrintCorrection& correction)
{
    settings.write(key(), valueName(courier), correction.toText());
}

}  // namespace kx
