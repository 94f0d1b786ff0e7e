#include "desktop/main/OptionsRules.h"

#include "base/Paths.h"

#include <charconv>

namespace zr48 {

std::int32_t percentFromText(std::string_view text)
{
    const std::string_view number = trimmed(text);
    std::int32_t value = 0;
    const char* end = number.data() + number.size();
    const auto result = std::from_chars(number.data() + (number.starts_with('+') ? 1 : 0), end, value);
    if (number.empty() || result.ec != std::errc() || result.ptr != end)
        return 1;
    return value;
}

std::string chooserStartDirectory(std::string_view startPath)
{
    return extractFileDir(startPath);
}

std::string chosenDirectory(std::string_view directory)
{
    return includeTrailingDelimiter(directory);
}

} // namespace zr48
