#pragma once
// The settings in a small INI file of their own, for a program without Qt (the command-line tool
// on Windows): "Name=value" lines in the section [General], the values as their bytes. Every
// read looks at the file, so a change made by another program is seen at once; a write keeps
// the file's other lines and goes through the atomic write.

#include "base/Settings.h"

namespace zr48 {

class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(Path file) : file_(std::move(file)) {}

    std::optional<std::string> readString(const std::string& name) const override;
    // A value that is not a whole number reads as missing.
    std::optional<std::int32_t> readInteger(const std::string& name) const override;
    // Makes the file's folder when there is none. A value with a line break cannot be kept in a
    // line and is refused (no path on Windows holds one).
    void writeString(const std::string& name, const std::string& value) override;
    void writeInteger(const std::string& name, std::int32_t value) override;

    const Path& fileName() const { return file_; }

private:
    Path file_;
};

// Where a program without Qt keeps its settings: KELDO/ZR48.ini in the user's folder of program
// settings (%APPDATA% on Windows, $XDG_CONFIG_HOME or ~/.config elsewhere); "" when the system
// names none.
Path userSettingsFile();
// The defaults of such a program: a projects folder "ZR48 Projects" in the user's home and the
// sample database of the data folder.
SettingsDefaults userSettingsDefaults();

} // namespace zr48
