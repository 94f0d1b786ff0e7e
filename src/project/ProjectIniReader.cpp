#include "project/ProjectIniReader.h"

#include "base/FileIo.h"
#include "project/SimpleIniFile.h"

namespace zr48 {

namespace {

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

Text ProjectIniReader::ValueOf(std::string_view written)
{
    written = TrimBlanks(written);
    if (written.size() >= 2 && (written.front() == '"' || written.front() == '\'') && written.back() == written.front())
        written = written.substr(1, written.size() - 2);
    return Text(written.substr(0, kMaxValueLength));
}

ProjectIniReader ProjectIniReader::FromFile(std::string_view path)
{
    const auto bytes = tryReadFileBytes(path);
    if (!bytes)
        return ProjectIniReader(std::vector<std::string>{});
    return FromBytes(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

ProjectIniReader ProjectIniReader::FromBytes(std::string_view all)
{
    // UTF-8 lines are kept whole, so that their paths survive; texts are converted when read.
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    if (all.starts_with(kUtf8Mark))
        return ProjectIniReader(TSimpleIniFile::DecodeLines(all.substr(kUtf8Mark.size())), true);
    return ProjectIniReader(TSimpleIniFile::DecodeLines(all));
}

ProjectIniReader::ProjectIniReader(const std::vector<std::string>& lines, bool utf8) : utf8_(utf8)
{
    Entries* current = nullptr;
    bool currentIsFirst = false; // a repeated section name adds nothing: the first one wins
    for (const std::string& raw : lines) {
        const std::string_view line = TrimBlanks(raw);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const auto [it, inserted] = sections_.try_emplace(upperCase(TrimBlanks(line.substr(1, line.size() - 2))));
            current = &it->second;
            currentIsFirst = inserted;
            continue;
        }
        const size_t equals = line.find('=');
        if (!current || !currentIsFirst || equals == std::string_view::npos)
            continue;
        current->try_emplace(upperCase(TrimBlanks(line.substr(0, equals))), ValueOf(line.substr(equals + 1)));
    }
    pathsAreBytes_ = sameText(RawValue("PROJECT", kPathBytesKey).value_or(""), kPathBytesValue);
}

std::optional<Text> ProjectIniReader::Value(std::string_view section, std::string_view key) const
{
    auto value = RawValue(section, key);
    if (value && utf8_)
        return fromUtf8(*value);
    return value;
}

Path ProjectIniReader::ReadPath(std::string_view section, std::string_view key) const
{
    const auto value = RawValue(section, key);
    if (!value)
        return {};
    if (utf8_ || pathsAreBytes_)
        return *value;
    // Read as Windows-1252, a long name may grow past what a value holds: it could not be saved
    // again, so it keeps its bytes.
    Path read = pathFromProjectText(*value);
    return read.size() <= kMaxValueLength ? read : *value;
}

std::optional<std::string> ProjectIniReader::RawValue(std::string_view section, std::string_view key) const
{
    const auto s = sections_.find(upperCase(section));
    if (s == sections_.end())
        return std::nullopt;
    const auto k = s->second.find(upperCase(key));
    if (k == s->second.end())
        return std::nullopt;
    return k->second;
}

Text ProjectIniReader::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    return Value(section, key).value_or(Text(def));
}

std::uint16_t ProjectIniReader::ReadWord(std::string_view section, std::string_view key, std::uint16_t def) const
{
    const auto value = Value(section, key);
    if (!value)
        return def;
    const auto number = ParseIniInteger(*value);
    return number ? static_cast<std::uint16_t>(static_cast<std::uint32_t>(*number) & 0xFFFF) : def;
}

} // namespace zr48
