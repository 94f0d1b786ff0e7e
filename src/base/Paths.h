#pragma once
// Paths. A path keeps the file system's own bytes (UTF-8 on Linux, or whatever other bytes a name
// holds), so that any name Linux can hold works: it is never converted to Windows-1252, which is
// only for the texts that go to the unit. A path may also come from another system, recorded in a
// project file ("D:\Projects\Villa\FMTUNER.mpi"): backslash, colon and slash all end the
// directory part, so such paths relocate correctly here.

#include "base/Text.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace zr48 {

// The file system's bytes of a path (UTF-8); not Text.
using Path = std::string;

inline constexpr char kNativeSeparator = '/';

bool isPathDelimiter(char c);

// Everything up to and including the last delimiter ("" when there is none).
Path extractFilePath(std::string_view path);
// Everything after the last delimiter.
Path extractFileName(std::string_view path);
// The file name part's extension from its last '.', dot included ("" when there is none).
Path extractFileExt(std::string_view path);
// Replaces the extension of the file name part, or appends `ext` when there is none.
Path changeFileExt(std::string_view path, std::string_view ext);
// The path with a separator at its end (the native one when one has to be added).
Path includeTrailingDelimiter(std::string_view path);
// The directory part without its final delimiter.
Path extractFileDir(std::string_view path);

// The file system's name for a path, with backslashes read as separators.
std::filesystem::path toFsPath(std::string_view path);
Path fromFsPath(const std::filesystem::path& path);
// The full path of `path`, relative ones taken from the current folder.
Path absolutePath(std::string_view path);
// `path` itself when it names its folder (a full path, or one of another system such as
// "D:\Villa.mpj"); otherwise its full path, so that a bare name has the current folder.
Path withFolder(std::string_view path);

// A path as a project file records it: kept when it is valid UTF-8; otherwise the file was written
// on a system that records paths in Windows-1252, and the path is read as such.
Path pathFromProjectText(std::string_view value);
// A path as a message shows it: control characters (a line break inside a name, an escape
// sequence) written as \n, \r, \t or \xHH, so that a name never breaks a message into lines nor
// drives a terminal. Any other byte stays as it is.
std::string shownPath(std::string_view path);

// A path as a Windows-1252 text (quoted in a project's description, say): characters that the
// code page cannot hold become '?'.
Text pathToText(std::string_view path);

} // namespace zr48
