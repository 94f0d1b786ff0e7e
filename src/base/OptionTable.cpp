#include "base/OptionTable.h"

#include <algorithm>
#include <vector>

namespace zr48 {

namespace {

// Room between the widest label and the help text.
constexpr std::size_t kGap = 2;
constexpr std::size_t kIndent = 2;
// Labels wider than this put their help on the next line, so that one long label does not push
// every help text to the right.
constexpr std::size_t kMaxLabelColumn = 24;

} // namespace

std::vector<std::string> wrapLines(std::string_view text, std::size_t width)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view paragraph = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // Leading spaces (an indented line) stay, and the lines it wraps into keep them.
        const std::size_t indent = std::min(paragraph.find_first_not_of(' '), paragraph.size());
        std::string line(paragraph.substr(0, indent));
        paragraph.remove_prefix(indent);
        bool empty = true;
        while (!paragraph.empty()) {
            const std::size_t space = paragraph.find(' ');
            const std::string_view word = paragraph.substr(0, space);
            paragraph.remove_prefix(space == std::string_view::npos ? paragraph.size() : space + 1);
            if (!empty && line.size() + 1 + word.size() > width) {
                lines.push_back(line);
                line.assign(indent, ' ');
                empty = true;
            }
            if (!empty)
                line += ' ';
            line += word;
            empty = false;
        }
        lines.push_back(line);
    }
    return lines;
}

std::string optionLabel(const OptionRow& row)
{
    std::string label;
    if (row.shortName)
        label += row.shortName;
    if (row.shortName && row.longName)
        label += ", ";
    if (row.longName)
        label += row.longName;
    if (row.value)
        label += std::string(" ") + row.value;
    return label;
}

bool namesOption(const OptionRow& row, std::string_view argument)
{
    return (row.shortName && argument == row.shortName) || (row.longName && argument == row.longName);
}

std::string formatOptionList(std::span<const OptionRow> rows, std::size_t width)
{
    std::size_t column = 0;
    for (const OptionRow& row : rows) {
        const std::size_t labelWidth = optionLabel(row).size();
        if (labelWidth <= kMaxLabelColumn)
            column = std::max(column, labelWidth);
    }
    column += kIndent + kGap;
    std::string out;
    for (const OptionRow& row : rows) {
        std::string line = std::string(kIndent, ' ') + optionLabel(row);
        if (line.size() + kGap > column && *row.help) {
            out += line + '\n';
            line.clear();
        }
        for (const std::string& helpLine : wrapLines(row.help, width > column + 20 ? width - column : 20)) {
            line.resize(column, ' ');
            line += helpLine;
            out += line + '\n';
            line.clear();
        }
        if (!line.empty())
            out += line + '\n';
    }
    return out;
}

std::string formatProgramHelp(const ProgramDescription& program)
{
    std::string out = std::string("Usage: ") + program.name;
    if (*program.synopsis)
        out += std::string(" ") + program.synopsis;
    out += "\n\n";
    if (*program.description)
        out += std::string(program.description) + "\n\n";
    if (!program.options.empty())
        out += "Options:\n" + formatOptionList(program.options);
    if (*program.notes)
        out += std::string("\n") + program.notes + "\n";
    return out;
}

} // namespace zr48
