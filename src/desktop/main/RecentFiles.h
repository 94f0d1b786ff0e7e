#pragma once
// The files opened last, newest first, kept in the settings store ("RecentFile1" to
// "RecentFile8"), so that the File menu can offer them again at the next start.

#include "base/Settings.h"

#include <string>
#include <vector>

namespace zr48 {

class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    explicit RecentFiles(SettingsStore& store) : store_(store) {}

    // Newest first; empty entries are skipped.
    std::vector<std::string> files() const;
    // `path` becomes the newest; an older entry of the same path goes, the ninth drops off. A store
    // that cannot be written keeps the list as it was, silently.
    void add(const std::string& path);
    void remove(const std::string& path);

private:
    void write(const std::vector<std::string>& files);
    SettingsStore& store_;
};

} // namespace zr48
