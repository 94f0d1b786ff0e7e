#include "infrared/IrString.h"

#include "project/SimpleIniFile.h"

#include <charconv>
#include <limits>

namespace zr48 {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string at(std::size_t position)
{
    return " at character " + std::to_string(position + 1);
}

} // namespace

IrTimingTable readIrTimingTable(const std::vector<Text>& lines)
{
    const TSimpleIniFile ini(lines);
    IrTimingTable table;
    for (std::size_t d = 0; d < table.values.size(); ++d) {
        const std::int32_t value = ini.ReadInteger("IR_TIME_" + std::to_string(d), 0);
        table.values[d] = value > 0 ? static_cast<std::uint32_t>(value) : 0;
    }
    return table;
}

std::optional<IrDurations> parseIrString(std::string_view text, const IrTimingTable* table, std::string& problem)
{
    text = trimmed(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    IrDurations durations;
    bool tableMode = false;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '#') {
            tableMode = false;
            std::uint64_t value = 0;
            bool digits = false;
            for (++i; i < text.size() && (isDigit(text[i]) || text[i] == ' '); ++i) {
                if (text[i] == ' ')
                    continue;
                digits = true;
                value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(text[i] - '0'),
                                                std::numeric_limits<std::uint32_t>::max());
            }
            if (!digits || value == 0) {
                problem = (digits ? "a duration of 0" : "\"#\" without a number") + at(i - 1);
                return std::nullopt;
            }
            durations.push_back(static_cast<std::uint32_t>(value));
        } else if (c == '$') {
            tableMode = true;
            ++i;
        } else if (tableMode && isDigit(c)) {
            const int d = c - '0';
            if (!table) {
                problem = "$" + std::string(1, c) + at(i) +
                          " refers to the timing table IR_TIME_0..9, which only a device file has";
                return std::nullopt;
            }
            if (table->values[static_cast<std::size_t>(d)] == 0) {
                problem = "$" + std::string(1, c) + at(i) + " refers to IR_TIME_" + std::string(1, c) +
                          ", which has no value";
                return std::nullopt;
            }
            durations.push_back(table->values[static_cast<std::size_t>(d)]);
            ++i;
        } else if (c == ' ') {
            ++i;
        } else {
            problem =
                "'" + std::string(1, c) + "'" + at(i) + " is neither \"#\" and a duration nor \"$\" and table digits";
            return std::nullopt;
        }
    }
    if (durations.empty()) {
        problem = "no duration";
        return std::nullopt;
    }
    return durations;
}

Text formatIrString(std::span<const std::uint32_t> durations)
{
    Text text;
    text.reserve(durations.size() * 5);
    char digits[12];
    for (const std::uint32_t duration : durations) {
        const auto result = std::to_chars(digits, digits + sizeof digits, duration);
        text += '#';
        text.append(digits, result.ptr);
    }
    return text;
}

std::optional<IrStringLine> irStringLine(std::string_view line)
{
    const std::size_t equals = line.find('=');
    const std::size_t quote = line.find('"');
    if (equals == std::string_view::npos || quote == std::string_view::npos || quote < equals)
        return std::nullopt;
    if (!trimmed(line.substr(equals + 1, quote - equals - 1)).empty())
        return std::nullopt;
    std::string_view value = line.substr(quote + 1);
    const std::size_t close = value.rfind('"');
    if (close != std::string_view::npos && trimmed(value.substr(close + 1)).empty())
        value = value.substr(0, close);
    const std::string_view start = trimmed(value);
    if (start.empty() || (start.front() != '#' && start.front() != '$'))
        return std::nullopt;
    const Text key(trimmed(line.substr(0, equals)));
    if (key.empty())
        return std::nullopt;
    return IrStringLine{key, Text(value)};
}

} // namespace zr48
