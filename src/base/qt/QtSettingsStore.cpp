#include "base/qt/QtSettingsStore.h"

#include "base/DataDir.h"
#include "base/Error.h"
#include "base/qt/QtText.h"

#include <QDir>

namespace zr48 {

QtSettingsStore::QtSettingsStore() : settings_("KELDO", "ZR48") {}

std::optional<Text> QtSettingsStore::readString(const std::string& name) const
{
    const QVariant value = settings_.value(QString::fromStdString(name));
    if (!value.isValid())
        return std::nullopt;
    return fromQString(value.toString());
}

std::optional<std::int32_t> QtSettingsStore::readInteger(const std::string& name) const
{
    const QVariant value = settings_.value(QString::fromStdString(name));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? std::optional<std::int32_t>(number) : std::nullopt;
}

void QtSettingsStore::writeString(const std::string& name, const Text& value)
{
    settings_.setValue(QString::fromStdString(name), toQString(value));
    commit();
}

void QtSettingsStore::writeInteger(const std::string& name, std::int32_t value)
{
    settings_.setValue(QString::fromStdString(name), value);
    commit();
}

void QtSettingsStore::commit()
{
    settings_.sync();
    if (settings_.status() != QSettings::NoError)
        throw Error("Cannot write the settings to \"" + fileName() + "\".");
}

Text QtSettingsStore::fileName() const
{
    return fromQString(settings_.fileName());
}

SettingsDefaults platformSettingsDefaults()
{
    SettingsDefaults defaults;
    defaults.projectDir = fromQString(QDir::homePath() + "/ZR48 Projects/");
    defaults.database = dataDir() + kSampleDatabaseFolder;
    return defaults;
}

} // namespace zr48
