#include "desktop/main/RecentFiles.h"

#include "base/Error.h"

#include <algorithm>

namespace zr48 {

namespace {

std::string key(int index)
{
    return "RecentFile" + std::to_string(index + 1);
}

} // namespace

std::vector<std::string> RecentFiles::files() const
{
    std::vector<std::string> out;
    for (int i = 0; i < kMaxFiles; ++i) {
        // Paths are stored with their own bytes.
        const auto value = store_.readString(key(i));
        if (value && !value->empty() && std::find(out.begin(), out.end(), *value) == out.end())
            out.push_back(*value);
    }
    return out;
}

void RecentFiles::add(const std::string& path)
{
    if (path.empty())
        return;
    std::vector<std::string> list = files();
    std::erase(list, path);
    list.insert(list.begin(), path);
    if (list.size() > static_cast<std::size_t>(kMaxFiles))
        list.resize(kMaxFiles);
    write(list);
}

void RecentFiles::remove(const std::string& path)
{
    std::vector<std::string> list = files();
    if (std::erase(list, path) > 0)
        write(list);
}

void RecentFiles::write(const std::vector<std::string>& list)
{
    // A convenience the user never asked to keep: a store that cannot be written (a read-only
    // settings file) only means the list is not remembered, which is no reason to interrupt
    // every File Open with a message.
    try {
        for (int i = 0; i < kMaxFiles; ++i) {
            const auto index = static_cast<std::size_t>(i);
            const std::string value = index < list.size() ? list[index] : std::string();
            if (store_.readString(key(i)).value_or(std::string()) != value)
                store_.writeString(key(i), value);
        }
    } catch (const Error&) {
    }
}

} // namespace zr48
