#include "project/SimpleIniFile.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"

#include <algorithm>

namespace zr48 {

namespace {

constexpr std::string_view kLeadingSection = "DUMMY_SECTION";

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Every character outside the code page becomes one '?': a surrogate pair, a surrogate without its
// partner (the unit after a lone high surrogate is read as a character of its own, a line end
// too) and an odd byte at the end.
Text DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    const size_t units = bytes.size() / 2;
    const auto unitAt = [&](size_t u) {
        const auto hi = static_cast<unsigned char>(bytes[2 * u + (bigEndian ? 0 : 1)]);
        const auto lo = static_cast<unsigned char>(bytes[2 * u + (bigEndian ? 1 : 0)]);
        return static_cast<char16_t>((hi << 8) | lo);
    };
    Text out;
    out.reserve(units + 1);
    for (size_t u = 0; u < units; ++u) {
        const char16_t unit = unitAt(u);
        if (IsHighSurrogate(unit) && u + 1 < units && IsLowSurrogate(unitAt(u + 1))) {
            ++u;
            out += '?';
            continue;
        }
        const int byte = IsHighSurrogate(unit) || IsLowSurrogate(unit) ? -1 : unicodeToCp1252(unit);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    if (bytes.size() % 2 != 0)
        out += '?';
    return out;
}

std::vector<Text> SplitLines(std::string_view text)
{
    std::vector<Text> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<std::uint32_t> HexValue(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    int significant = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        if (significant > 0 || digit != 0)
            ++significant;
        if (significant > 8)
            return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

} // namespace

std::optional<std::int32_t> ParseIniInteger(std::string_view text)
{
    Text work(text);
    if (work.size() >= 3 && work[0] == '0' && (work[1] == 'x' || work[1] == 'X'))
        work.replace(0, 2, "$");
    std::string_view s = work;
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::string_view hex;
    bool isHex = true;
    if (s.starts_with("0x") || s.starts_with("0X"))
        hex = s.substr(2);
    else if (!s.empty() && (s.front() == '$' || s.front() == 'x' || s.front() == 'X'))
        hex = s.substr(1);
    else
        isHex = false;
    if (isHex) {
        const auto pattern = HexValue(hex);
        if (!pattern)
            return std::nullopt;
        const std::uint32_t signedPattern = negative ? 0u - *pattern : *pattern;
        return static_cast<std::int32_t>(signedPattern);
    }
    if (s.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::vector<Text> TSimpleIniFile::DecodeLines(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return SplitLines(fromUtf8(bytes.substr(3)));
    if (bytes.starts_with("\xFF\xFE"))
        return SplitLines(DecodeUtf16(bytes.substr(2), false));
    if (bytes.starts_with("\xFE\xFF"))
        return SplitLines(DecodeUtf16(bytes.substr(2), true));
    return SplitLines(bytes);
}

TSimpleIniFile::TSimpleIniFile(std::string_view path)
{
    const Bytes bytes = readFileBytes(path);
    Parse(DecodeLines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

TSimpleIniFile::TSimpleIniFile(const std::vector<Text>& lines)
{
    Parse(lines);
}

void TSimpleIniFile::Parse(const std::vector<Text>& lines)
{
    sections_.push_back({Text(kLeadingSection), {}});
    for (const Text& raw : lines) {
        const std::string_view line = trimmed(raw);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections_.push_back({Text(trimmed(line.substr(1, line.size() - 2))), {}});
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            sections_.back().entries.emplace_back(line);
        } else {
            Text entry(trimmed(line.substr(0, equals)));
            entry += '=';
            entry += trimmed(line.substr(equals + 1));
            sections_.back().entries.push_back(std::move(entry));
        }
    }
}

const TSimpleIniFile::Section& TSimpleIniFile::LeadingSection() const
{
    const Section* leading = nullptr;
    for (const Section& section : sections_) {
        if (sameText(section.name, kLeadingSection))
            leading = &section;
    }
    return *leading;
}

std::vector<Text> TSimpleIniFile::EntryNames() const
{
    std::vector<Text> names;
    for (const Text& entry : LeadingSection().entries) {
        const size_t equals = entry.find('=');
        if (equals == Text::npos)
            continue;
        Text name = entry.substr(0, equals);
        if (std::none_of(names.begin(), names.end(), [&](const Text& n) { return sameText(n, name); }))
            names.push_back(std::move(name));
    }
    return names;
}

const Text* TSimpleIniFile::FindValue(std::string_view key) const
{
    if (!index_) {
        index_.emplace();
        // Later entries of the same name replace earlier ones: the last one wins.
        for (const Text& entry : LeadingSection().entries) {
            const size_t equals = entry.find('=');
            if (equals != Text::npos)
                (*index_)[upperCase(std::string_view(entry).substr(0, equals))] = entry.substr(equals + 1);
        }
    }
    const auto it = index_->find(upperCase(key));
    return it == index_->end() ? nullptr : &it->second;
}

Text TSimpleIniFile::ReadString(std::string_view key, std::string_view def) const
{
    const Text* found = FindValue(key);
    Text result = found ? *found : Text(def);
    if (!result.empty() && result.front() == '"') {
        result.erase(0, 1);
        if (!result.empty())
            result.pop_back();
    }
    return result;
}

std::int32_t TSimpleIniFile::ReadInteger(std::string_view key, std::int32_t def) const
{
    const Text* found = FindValue(key);
    return ParseIniInteger(found ? *found : Text()).value_or(def);
}

namespace {

// A file that is there but that the user may not read is said as such, not as no device file.
constexpr const char* kCannotBeRead = "it cannot be read";

// The problem of a device file's bytes; its lines when there is none.
std::optional<std::string> DeviceFileTextProblem(std::string_view bytes, std::vector<Text>& lines)
{
    lines = TSimpleIniFile::DecodeLines(bytes);
    bool entry = false;
    for (const Text& line : lines) {
        // Line ends are gone; what decoding left of a text file has no other control character.
        if (firstBinaryByte(line) != std::string_view::npos)
            return "it holds binary data, not text";
        const std::size_t equals = line.find('=');
        entry = entry || (equals != Text::npos && equals > 0);
    }
    if (!entry)
        return bytes.empty() ? "it is empty" : "it holds no KEY=value line";
    return std::nullopt;
}

// A section line hides every line after it from the unit and the optimizer, which would then
// rewrite the strings there with an empty table; a project file begins with one. A file to be
// rewritten must have none.
std::optional<std::string> SectionLineProblem(const std::vector<Text>& lines)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view content = trimmed(lines[i]);
        if (content.size() >= 2 && content.front() == '[' && content.back() == ']')
            return "line " + std::to_string(i + 1) + " is the section line \"" + toUtf8(Text(content)) +
                   "\", which a device file has none of" + (i == 0 ? " (a project file begins with one)" : "");
    }
    return std::nullopt;
}

// Reads the file at `path` and checks it; its lines when it is a device file.
std::optional<std::string> ReadCheckedDeviceFile(std::string_view path, std::vector<Text>& lines)
{
    if (auto reason = notAFileReason(path))
        return reason;
    std::optional<Bytes> bytes;
    try {
        bytes = readFileBytesUpTo(path, kMaxDeviceFileBytes);
    } catch (const Error& e) {
        // The system's reason ("Permission denied"), without the sentence that names the file.
        const std::string& message = e.message();
        return std::string(kCannotBeRead) + " (" + message.substr(message.find('\n') + 1) + ")";
    }
    if (!bytes)
        return "it is larger than " + std::to_string(kMaxDeviceFileBytes / 1024) + " KiB, which no device file is";
    return DeviceFileTextProblem(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), lines);
}

} // namespace

std::optional<std::string> DeviceFileProblem(std::string_view path)
{
    std::vector<Text> lines;
    return ReadCheckedDeviceFile(path, lines);
}

std::string DeviceFileProblemMessage(std::string_view path, const std::string& problem)
{
    if (problem == kNoSuchFile)
        return "Cannot find the device file \"" + shownPath(path) + "\".";
    if (problem.starts_with(kCannotBeRead))
        return "The device file \"" + shownPath(path) + "\" " + problem.substr(3) + ".";
    return NotADeviceFile(path, problem);
}

std::vector<Text> ReadDeviceFileLines(std::string_view path)
{
    std::vector<Text> lines;
    if (const auto problem = ReadCheckedDeviceFile(path, lines))
        throw Error(DeviceFileProblemMessage(path, *problem));
    if (const auto problem = SectionLineProblem(lines))
        throw Error(NotADeviceFile(path, *problem));
    return lines;
}

std::vector<Text> DeviceFileLines(std::string_view path, std::string_view bytes)
{
    if (bytes.size() > kMaxDeviceFileBytes)
        throw Error(NotADeviceFile(path, "it is larger than " + std::to_string(kMaxDeviceFileBytes / 1024) +
                                             " KiB, which no device file is"));
    std::vector<Text> lines;
    if (auto problem = DeviceFileTextProblem(bytes, lines); problem || (problem = SectionLineProblem(lines)))
        throw Error(NotADeviceFile(path, *problem));
    return lines;
}

std::string NotADeviceFile(std::string_view path, const std::string& reason)
{
    return "The file \"" + shownPath(path) + "\" is not a device file: " + reason + ".";
}

} // namespace zr48
