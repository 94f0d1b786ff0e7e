#pragma once
// The settings store of the app and the command-line tool: QSettings, organisation "KELDO",
// application "ZR48" (on Linux the file KELDO/ZR48.conf under the XDG configuration folder).

#include "base/Settings.h"

#include <QSettings>

namespace zr48 {

class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();

    // A path kept as bytes reads back as they were; one kept as a string reads as its UTF-8.
    std::optional<std::string> readString(const std::string& name) const override;
    // A value that is not a whole number reads as missing.
    std::optional<std::int32_t> readInteger(const std::string& name) const override;
    // A path of valid UTF-8 is kept as a string (readable in the file); any other as its bytes.
    void writeString(const std::string& name, const std::string& value) override;
    void writeInteger(const std::string& name, std::int32_t value) override;

    Path fileName() const;

private:
    void commit();
    mutable QSettings settings_;
};

// The defaults of this platform: a projects folder in the user's home and the sample database of
// the data folder.
SettingsDefaults platformSettingsDefaults();

} // namespace zr48
