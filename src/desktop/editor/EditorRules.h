#pragma once
// The text editor's rules, free of Qt: its title, the caret text of its status bar, and the file
// format (Windows-1252 text, CR LF line ends).

#include "base/Text.h"

#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

// "Text Editor", then " - " and the path when there is one, " *" when modified and
// " (Read only)" when the text is read-only. UTF-8, like the path.
std::string editorTitle(std::string_view path, bool modified, bool readOnly);

// The caret as the status bar shows it: line and column counted from 1 ("12:5").
std::string caretText(long line, long column);

// File bytes to editor text: every line end (CR LF, LF or a lone CR) becomes LF.
Text editorTextFromFile(std::string_view bytes);
// Editor text to file bytes: every LF becomes CR LF.
Text fileBytesFromEditorText(std::string_view text);

// Lines as one text, a line break between each two: the project window's memos.
Text joinLines(const std::vector<Text>& lines);

} // namespace zr48
