#include "manual/Roff.h"

#include "base/Text.h"

#include <cctype>
#include <cstdio>

namespace zr48::manual {

std::string roffEscape(std::string_view utf8)
{
    std::string out;
    for (const char32_t c : utf8Characters(utf8)) {
        switch (c) {
        case '\\': out += "\\e"; break;
        case '-': out += "\\-"; break;
        default:
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else {
                char escaped[16];
                std::snprintf(escaped, sizeof escaped, "\\[u%04X]", static_cast<unsigned>(c));
                out += escaped;
            }
        }
    }
    // A text line that begins with a dot or a quote would be read as a request.
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out.insert(0, "\\&");
    return out;
}

std::string roffParagraphs(std::string_view text)
{
    std::string out;
    bool literal = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const bool indented = line.starts_with(" ");
        if (indented != literal) {
            out += indented ? ".nf\n" : ".fi\n";
            literal = indented;
        }
        if (line.find_first_not_of(' ') == std::string_view::npos)
            out += literal ? "\n" : ".PP\n";
        else
            out += roffEscape(line) + "\n";
    }
    if (literal)
        out += ".fi\n";
    return out;
}

std::string roffTagged(std::string_view tag, std::string_view body)
{
    // "-o, --output FILE": the names in bold, the value in italics.
    std::string label;
    std::size_t start = 0;
    while (start < tag.size()) {
        std::size_t end = tag.find(' ', start);
        if (end == std::string_view::npos)
            end = tag.size();
        const std::string_view word = tag.substr(start, end - start);
        const bool value = !word.empty() && std::isupper(static_cast<unsigned char>(word[0]));
        label += (value ? "\\fI" : "\\fB") + roffEscape(word) + "\\fR";
        if (end < tag.size())
            label += ' ';
        start = end + 1;
    }
    return ".TP\n" + label + "\n" + roffParagraphs(body);
}

} // namespace zr48::manual
