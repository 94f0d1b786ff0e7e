#pragma once
// The seven settings of the system. The core reads them through Settings at the moment of use
// (there is no cache); where they are stored is the edge's business (QSettings in the app and
// the command-line tool, memory in tests).

#include "base/Paths.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace zr48 {

// Raw access to the store. Names are the settings' own ("ProjectDir", "IrOptimizerPass1", ...).
// The string settings are paths: a store keeps their bytes as they are, whatever name they hold.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> readString(const std::string& name) const = 0;
    virtual std::optional<std::int32_t> readInteger(const std::string& name) const = 0;
    // Throw zr48::Error when the store cannot be written.
    virtual void writeString(const std::string& name, const std::string& value) = 0;
    virtual void writeInteger(const std::string& name, std::int32_t value) = 0;
};

// What a value missing from the store reads as.
struct SettingsDefaults {
    Path projectDir;
    Path database;
    bool advanced = false;
    bool expert = false;
    std::int32_t irOptimizerPass1 = 10;
    std::int32_t irOptimizerPass2 = 20;
    // How the desktop program reaches the unit when neither --link nor ZR48_LINK says.
    std::string link = "auto";
};

// The keeper of the settings: one reader and one writer per value.
class Settings {
public:
    Settings(SettingsStore& store, SettingsDefaults defaults) : store_(store), defaults_(std::move(defaults)) {}

    Path projectDir() const;
    Path database() const;
    bool advanced() const;
    bool expert() const;
    std::int32_t irOptimizerPass1() const;
    std::int32_t irOptimizerPass2() const;
    std::string link() const;

    void setProjectDir(const Path& value);
    void setDatabase(const Path& value);
    void setAdvanced(bool value);
    void setExpert(bool value);
    void setIrOptimizerPass1(std::int32_t value);
    void setIrOptimizerPass2(std::int32_t value);
    void setLink(const std::string& value);

    const SettingsDefaults& defaults() const { return defaults_; }

private:
    SettingsStore& store_;
    SettingsDefaults defaults_;
};

// A store in memory, for tests and for runs that must not touch the user's settings.
class MemorySettingsStore : public SettingsStore {
public:
    std::optional<std::string> readString(const std::string& name) const override;
    std::optional<std::int32_t> readInteger(const std::string& name) const override;
    void writeString(const std::string& name, const std::string& value) override;
    void writeInteger(const std::string& name, std::int32_t value) override;

private:
    std::map<std::string, std::string> strings_;
    std::map<std::string, std::int32_t> integers_;
};

} // namespace zr48
