#pragma once
// How a project's device files are shown: one of the project's own folder as "[PROJECT]", the
// folder's own separator and its name, in the project window and on the command line alike.

#include <string>
#include <string_view>

namespace zr48 {

// "[PROJECT]" and a separator stand for the project's own folder in what is shown.
inline constexpr std::string_view kProjectFolderMark = "[PROJECT]";

// The project folder of a project file: its directory part ("" when it has none).
std::string projectFolderOf(std::string_view documentFile);
// A device file of the project folder (same directory, letter case included) as "[PROJECT]" + the
// folder's own separator + its name; any other path unchanged.
std::string DisplayPath(std::string_view path, std::string_view projectFolder);
// The reverse: where "[PROJECT]" and a separator occur, the first ten characters give way to the
// project folder; any other text unchanged.
std::string ResolvePath(std::string_view path, std::string_view projectFolder);

} // namespace zr48
