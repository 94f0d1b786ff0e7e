#pragma once
// Text for manual pages: UTF-8 made safe for roff, and the few man(7) constructs the pages use.

#include <string>
#include <string_view>

namespace zr48::manual {

// `utf8` as roff text: backslashes and hyphens escaped (so that options copy as they are typed),
// a line that would start a request protected, characters beyond ASCII as \[uXXXX].
std::string roffEscape(std::string_view utf8);

// Lines of help text as roff: each line a text line, empty lines new paragraphs, lines that are
// indented kept as they are typed (no filling).
std::string roffParagraphs(std::string_view text);

// A tagged paragraph: the tag in bold, words in capitals after it (the value's name) in italics.
std::string roffTagged(std::string_view tag, std::string_view body);

} // namespace zr48::manual
