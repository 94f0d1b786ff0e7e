#pragma once
// Path helpers over Windows-1252 path texts. A path may come from another system
// ("D:\Projects\Villa\FMTUNER.mpi") or from this one ("/home/ann/Villa/FMTUNER.mpi"):
// backslash, colon and slash all end the directory part.

#include "base/Text.h"

#include <filesystem>
#include <string_view>

namespace zr48 {

inline constexpr char kNativeSeparator = '/';

bool isPathDelimiter(char c);

// Everything up to and including the last delimiter ("" when there is none).
Text extractFilePath(std::string_view path);
// Everything after the last delimiter.
Text extractFileName(std::string_view path);
// The file name part's extension from its last '.', dot included ("" when there is none).
Text extractFileExt(std::string_view path);
// Replaces the extension of the file name part, or appends `ext` when there is none.
Text changeFileExt(std::string_view path, std::string_view ext);
// The path with a separator at its end (the native one when one has to be added).
Text includeTrailingDelimiter(std::string_view path);
// The directory part without its final delimiter.
Text extractFileDir(std::string_view path);

// The file system's name for a path: UTF-8, with backslashes read as separators.
std::filesystem::path toFsPath(std::string_view path);
Text fromFsPath(const std::filesystem::path& path);
// The full path of `path`, relative ones taken from the current folder.
Text absolutePath(std::string_view path);

} // namespace zr48
