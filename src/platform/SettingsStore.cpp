#include "platform/SettingsStore.h"

#include "core/OperationError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kx {

QString QtSettingsStore::fileOf(const QString& key)
{
    QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QLatin1Char('/') + parts.join(QLatin1Char('/')) + QStringLiteral(".conf");
}

bool QtSettingsStore::keyExists(const QString& key) const
{
    return QFileInfo::exists(fileOf(key));
}

std::optional<QString> QtSettingsStore::read(const QString& key, const QString& name) const
{
    if (!keyExists(key))
        return std::nullopt;
    QSettings s(fileOf(key), QSettings::IniFormat);
    if (!s.contains(name))
        return std::nullopt;
    return s.value(name).toString();
}

void QtSettingsStore::write(const QString& key, const QString& name, const QString& value)
{
    const QString file = fileOf(key);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings s(file, QSettings::IniFormat);
    s.setValue(name, value);
    s.sync();
    if (s.status() != QSettings::NoError)
        throw OperationError(QStringLiteral("Failed to set data for '%1'").arg(name));
}

}  // namespace kx
