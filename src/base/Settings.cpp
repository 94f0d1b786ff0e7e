#include "base/Settings.h"

namespace zr48 {

Path Settings::projectDir() const
{
    return store_.readString("ProjectDir").value_or(defaults_.projectDir);
}

Path Settings::database() const
{
    return store_.readString("Database").value_or(defaults_.database);
}

bool Settings::advanced() const
{
    const auto value = store_.readInteger("Advanced");
    return value ? *value != 0 : defaults_.advanced;
}

bool Settings::expert() const
{
    const auto value = store_.readInteger("Expert");
    return value ? *value != 0 : defaults_.expert;
}

std::int32_t Settings::irOptimizerPass1() const
{
    return store_.readInteger("IrOptimizerPass1").value_or(defaults_.irOptimizerPass1);
}

std::int32_t Settings::irOptimizerPass2() const
{
    return store_.readInteger("IrOptimizerPass2").value_or(defaults_.irOptimizerPass2);
}

std::string Settings::link() const
{
    return store_.readString("Link").value_or(defaults_.link);
}

void Settings::setProjectDir(const Path& value)
{
    store_.writeString("ProjectDir", value);
}

void Settings::setDatabase(const Path& value)
{
    store_.writeString("Database", value);
}

void Settings::setAdvanced(bool value)
{
    store_.writeInteger("Advanced", value ? 1 : 0);
}

void Settings::setExpert(bool value)
{
    store_.writeInteger("Expert", value ? 1 : 0);
}

void Settings::setIrOptimizerPass1(std::int32_t value)
{
    store_.writeInteger("IrOptimizerPass1", value);
}

void Settings::setIrOptimizerPass2(std::int32_t value)
{
    store_.writeInteger("IrOptimizerPass2", value);
}

void Settings::setLink(const std::string& value)
{
    store_.writeString("Link", value);
}

std::optional<std::string> MemorySettingsStore::readString(const std::string& name) const
{
    const auto it = strings_.find(name);
    return it == strings_.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::optional<std::int32_t> MemorySettingsStore::readInteger(const std::string& name) const
{
    const auto it = integers_.find(name);
    return it == integers_.end() ? std::nullopt : std::optional<std::int32_t>(it->second);
}

void MemorySettingsStore::writeString(const std::string& name, const std::string& value)
{
    strings_[name] = value;
}

void MemorySettingsStore::writeInteger(const std::string& name, std::int32_t value)
{
    integers_[name] = value;
}

} // namespace zr48
