#pragma once
// A PDF's text as pdftotext reads it, white space folded to single blanks: what a reader of the
// page finds, whatever the layout. nullopt when pdftotext cannot read it.

#include <cstdio>
#include <optional>
#include <string>

namespace zr48::test {

// `page` 0: the whole document; otherwise that page alone.
inline std::optional<std::string> pdfWords(const std::string& path, int page = 0)
{
    const std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
    FILE* pipe = popen(("pdftotext -q -enc UTF-8" + pages + " '" + path + "' - 2>/dev/null").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, got);
    if (pclose(pipe) != 0)
        return std::nullopt;
    std::string words;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\f' || c == '\t';
        if (!blank)
            words += c;
        else if (!words.empty() && words.back() != ' ')
            words += ' ';
    }
    return words;
}

} // namespace zr48::test
