#include "desktop/editor/EditorRules.h"

namespace zr48 {

std::string editorTitle(std::string_view path, bool modified, bool readOnly)
{
    std::string title = "Text Editor";
    if (!path.empty())
        title.append(" - ").append(path);
    if (modified)
        title += " *";
    if (readOnly)
        title += " (Read only)";
    return title;
}

std::string caretText(long line, long column)
{
    return std::to_string(line + 1) + ":" + std::to_string(column + 1);
}

Text editorTextFromFile(std::string_view bytes)
{
    Text text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
            continue;
        }
        text += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    return text;
}

Text fileBytesFromEditorText(std::string_view text)
{
    Text bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}

Text joinLines(const std::vector<Text>& lines)
{
    Text text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    return text;
}

} // namespace zr48
