#pragma once
// The small rules of document windows and file commands: placeholder names, what a title says,
// the close question's text, and what File Open or the command line does with a file name.

#include "base/Text.h"
#include "desktop/common/Document.h"

#include <string>
#include <string_view>

namespace zr48 {

// "[Project3]" for a project window and "[Unnamed3]" for a text editor created with window number
// 2; empty for the other kinds.
std::string placeholderName(DocumentKind kind, int windowNumber);

// The title shows unsaved changes ("*" anywhere in it).
bool titleShowsModified(std::string_view title);
// The title shows an editor without a file of its own ("[Unnamed" anywhere in it).
bool titleShowsUnnamed(std::string_view title);

// A title in its three parts: the window's name with " - " ("Text Editor - "), the path, and the
// marks of its state at the end (" *", " (Read only)"). A title that is too wide is shortened in
// the path alone, so that the name and the state stay in sight.
struct TitleParts {
    std::string name;
    std::string path;
    std::string state;
};
TitleParts splitTitle(std::string_view title);

// "Save changes to\n" + title + " ?"
std::string closeQuestionText(std::string_view title);

// TextFile: any other file, opened in the editor when the table of file kinds takes it as text,
// else refused with the reason.
enum class OpenAction { Nothing, Download, ProjectWindow, TextEditor, TextFile };

// File Open: by the extension as written (".mpd", ".mpj", ".mpi"); any other file ("HOME.MPJ",
// "NOTES.TXT") as a text file, so that a file chosen never opens nothing without a word.
OpenAction fileOpenAction(std::string_view path);
// The command line: by the extension in lower case, ".mpj" or ".mpi" only.
OpenAction commandLineAction(std::string_view path);

// The image file that a download of the project file writes: its extension becomes ".mpd".
std::string downloadImagePath(std::string_view projectFile);
} // namespace zr48
