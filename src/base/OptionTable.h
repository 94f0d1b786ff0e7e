#pragma once
// A program's options as one table: its --help, its manual page and its shell completion are all
// made from these rows, so they never disagree with each other or with what the program accepts.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

struct OptionRow {
    const char* shortName = nullptr; // "-o", or null
    const char* longName = nullptr;  // "--output", or null
    const char* value = nullptr;     // the name of its value ("FILE"); null for an option without one
    const char* help = "";           // one or more lines
    // What completes the value: file name extensions separated by '|' ("png", "mpj|mpd"), "*" for
    // any file, "" for no file.
    const char* valueFiles = "";
    const char* valueWords = ""; // or fixed words, space-separated
    bool repeatable = false;     // may be given more than once
};

// `text` with each of its lines wrapped between words into lines of at most `width` characters
// (a longer word stays whole); an indented line's further lines keep its indent.
std::vector<std::string> wrapLines(std::string_view text, std::size_t width);

// "-o, --output FILE", "--verify", "-v, --verbose"
std::string optionLabel(const OptionRow& row);
// Whether `argument` names the option, by its short or its long name.
bool namesOption(const OptionRow& row, std::string_view argument);

// The options of a help text, one row each: the label, then the help, its further lines aligned
// under the first; lines longer than `width` are wrapped between words.
std::string formatOptionList(std::span<const OptionRow> rows, std::size_t width = 100);

// What a program's --help and its manual page say about it besides its options.
struct ProgramDescription {
    const char* name;        // "zr48pm"
    const char* summary;     // one line, lower case: "desktop project manager of the KELDO ZR48"
    const char* synopsis;    // after the name: "[--link TARGET] [FILE]"
    const char* description; // paragraphs separated by empty lines
    std::span<const OptionRow> options;
    const char* notes = ""; // paragraphs after the options: signals, exit status
};

// The whole --help of a simple program: usage, description, options, notes.
std::string formatProgramHelp(const ProgramDescription& program);

} // namespace zr48
