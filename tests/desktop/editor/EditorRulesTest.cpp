// The text editor's rules: titles, caret text and the file format.

#include "desktop/editor/EditorRules.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

TEST(EditorRules, Titles)
{
    const struct {
        const char* path;
        bool modified;
        bool readOnly;
        const char* title;
    } cases[] = {
        {"[Unnamed2]", false, false, "Text Editor - [Unnamed2]"},
        {"/db/Video/TV.mpi", false, true, "Text Editor - /db/Video/TV.mpi (Read only)"},
        {"/p/TV.mpi", true, false, "Text Editor - /p/TV.mpi *"},
        {"/p/TV.mpi", true, true, "Text Editor - /p/TV.mpi * (Read only)"},
        {"", false, false, "Text Editor"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(editorTitle(c.path, c.modified, c.readOnly), c.title);
}

TEST(EditorRules, CaretCountsFromOne)
{
    EXPECT_EQ(caretText(0, 0), "1:1");
    EXPECT_EQ(caretText(11, 4), "12:5");
}

TEST(EditorRules, EveryLineEndReadsAsOneAndIsWrittenAsCrLf)
{
    EXPECT_EQ(editorTextFromFile("a\r\nb\nc\rd\r\n\r\n"), "a\nb\nc\nd\n\n");
    EXPECT_EQ(editorTextFromFile("a\r"), "a\n");
    EXPECT_EQ(fileBytesFromEditorText("a\nb\n\n"), "a\r\nb\r\n\r\n");
    const std::string crlf = "KEY=1\r\nIR=\"#560#1690\"\r\n";
    EXPECT_EQ(fileBytesFromEditorText(editorTextFromFile(crlf)), crlf);
}

TEST(EditorRules, LinesJoinWithALineBreakBetweenEachTwo)
{
    EXPECT_EQ(joinLines({"a", "", "b", ""}), "a\n\nb\n");
    EXPECT_EQ(joinLines({"x"}), "x");
    EXPECT_EQ(joinLines({}), "");
}

} // namespace
} // namespace zr48
