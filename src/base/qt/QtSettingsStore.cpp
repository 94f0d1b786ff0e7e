#include "base/qt/QtSettingsStore.h"

#include "base/DataDir.h"
#include "base/Error.h"
#include "base/qt/QtText.h"

#include <QDir>

namespace zr48 {

QtSettingsStore::QtSettingsStore() : settings_("KELDO", "ZR48") {}

std::optional<std::string> QtSettingsStore::readString(const std::string& name) const
{
    const QVariant value = settings_.value(QString::fromStdString(name));
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().toStdString();
    return pathFromQString(value.toString());
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

void QtSettingsStore::writeString(const std::string& name, const std::string& value)
{
    if (isValidUtf8(value))
        settings_.setValue(QString::fromStdString(name), pathToQString(value));
    else
        settings_.setValue(QString::fromStdString(name), QByteArray::fromStdString(value));
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

Path QtSettingsStore::fileName() const
{
    return pathFromQString(settings_.fileName());
}

SettingsDefaults platformSettingsDefaults()
{
    SettingsDefaults defaults;
    defaults.projectDir = pathFromQString(QDir::homePath() + "/ZR48 Projects/");
    defaults.database = dataDir() + kSampleDatabaseFolder;
    return defaults;
}

} // namespace zr48
