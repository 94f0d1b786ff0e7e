#include "base/IniSettingsStore.h"

#include "base/DataDir.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Platform.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace zr48 {

namespace {

constexpr std::string_view kSection = "[General]";

std::vector<std::string> splitLines(const Bytes& bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (const std::uint8_t byte : bytes) {
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += static_cast<char>(byte);
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

bool isSection(std::string_view line)
{
    return line.starts_with('[');
}

// The line of `name` in the section [General] (or before any section), or lines.size().
std::size_t findKey(const std::vector<std::string>& lines, std::string_view name)
{
    bool inGeneral = true; // lines before the first section count as [General]
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (isSection(line))
            inGeneral = line == kSection;
        else if (inGeneral && line.size() > name.size() && line.starts_with(name) && line[name.size()] == '=')
            return i;
    }
    return lines.size();
}

std::vector<std::string> readLines(const Path& file)
{
    const auto bytes = tryReadFileBytes(file);
    return bytes ? splitLines(*bytes) : std::vector<std::string>{};
}

void writeValue(const Path& file, const std::string& name, const std::string& value)
{
    if (value.find_first_of("\r\n") != std::string::npos)
        throw Error("Cannot keep the setting " + name + " in \"" + file + "\":\nits value holds a line break.");
    std::vector<std::string> lines = readLines(file);
    const std::string entry = name + "=" + value;
    if (const std::size_t at = findKey(lines, name); at < lines.size()) {
        lines[at] = entry;
    } else if (const auto section = std::find(lines.begin(), lines.end(), kSection); section == lines.end()) {
        // Lines before any section belong to [General] already.
        lines.insert(lines.begin(), {std::string(kSection), entry});
    } else {
        // At the end of [General], before the blank lines that part it from the next section.
        auto end = std::find_if(section + 1, lines.end(), [](const std::string& line) { return isSection(line); });
        while (end > section + 1 && (end - 1)->empty())
            --end;
        lines.insert(end, entry);
    }
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    try {
        std::error_code ec;
        std::filesystem::create_directories(toFsPath(extractFileDir(file)), ec);
        writeFileAtomically(file, text);
    } catch (const Error& e) {
        throw Error("Cannot write the settings.\n" + e.message());
    }
}

} // namespace

std::optional<std::string> IniSettingsStore::readString(const std::string& name) const
{
    const std::vector<std::string> lines = readLines(file_);
    const std::size_t at = findKey(lines, name);
    if (at == lines.size())
        return std::nullopt;
    return lines[at].substr(name.size() + 1);
}

std::optional<std::int32_t> IniSettingsStore::readInteger(const std::string& name) const
{
    const auto text = readString(name);
    if (!text)
        return std::nullopt;
    std::string_view digits = *text;
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ')
        digits.remove_suffix(1);
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return number;
}

void IniSettingsStore::writeString(const std::string& name, const std::string& value)
{
    writeValue(file_, name, value);
}

void IniSettingsStore::writeInteger(const std::string& name, std::int32_t value)
{
    writeValue(file_, name, std::to_string(value));
}

Path userSettingsFile()
{
    const auto folder = platform::userSettingsFolder();
    return folder ? includeTrailingDelimiter(*folder) + "KELDO/ZR48.ini" : Path{};
}

SettingsDefaults userSettingsDefaults()
{
    SettingsDefaults defaults;
    if (const auto home = platform::homeFolder())
        defaults.projectDir = includeTrailingDelimiter(*home) + "ZR48 Projects/";
    defaults.database = dataDir() + kSampleDatabaseFolder;
    return defaults;
}

} // namespace zr48
