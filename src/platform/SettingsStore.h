#pragma once

#include <QString>
#include <optional>

namespace kx {

// The per-user settings store. A key is a path such as
// "Software\\tarnvale\\wbq". Reading never creates the key; writing does.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool keyExists(const QString& key) const = 0;
    // nullopt when the key or the value is missing.
    virtual std::optional<QString> read(const QString& key, const QString& name) const = 0;
    // Throws DbError when the store refuses the write.
    virtual void write(const QString& key, const QString& name, const QString& value) = 0;
};

// Off Windows the key "Software\\<org>\\<app>" is the file
// <config>/<org>/<app>.conf of QSettings.
class QtSettingsStore : public SettingsStore {
public:
    bool keyExists(const QString& key) const override;
    std::optional<QString> read(const QString& key, const QString& name) const override;
    void write(const QString& key, const QString& name, const QString& value) override;

private:
    static QString fileOf(const QString& key);
};

}  // namespace kx
