#pragma once
// Whole-file reads and writes. A write goes to a temporary file beside the target and is renamed
// over it, so a failure never leaves a half-written file behind; it keeps the target's permission
// bits, refuses a target the user may not write, and writes through a symbolic link to the file
// the link names. A file the user may write in a folder that takes no new files from them is
// rewritten where it is.

#include "base/Paths.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zr48 {

using Bytes = std::vector<std::uint8_t>;

// Throws zr48::Error naming the path and the system's reason (also for a folder).
Bytes readFileBytes(std::string_view path);
// nullopt when the file cannot be read.
std::optional<Bytes> tryReadFileBytes(std::string_view path);

// Throws zr48::Error naming the path and the reason; the target is then unchanged, except when a
// rewrite in place failed after it began (the message then says the file may be incomplete).
void writeFileAtomically(std::string_view path, std::span<const std::uint8_t> bytes);
void writeFileAtomically(std::string_view path, std::string_view bytes);

// Throws zr48::Error naming the folder and the system's reason when no file can be created in it.
void checkFolderWritable(std::string_view folder);

// A regular file, or a symbolic link to one.
bool fileExists(std::string_view path);
bool directoryExists(std::string_view path);
inline constexpr const char* kNoSuchFile = "there is no such file";
// Why `path` cannot be read as a file ("it is a folder, not a file", "there is no such file",
// ...); nullopt when it can be opened as one.
std::optional<std::string> notAFileReason(std::string_view path);
// Whether two paths name the same file: equal as texts, or the same file on disk reached through
// two names (a symbolic link, a bind mount). Letter case counts, as it does on Linux.
bool sameFile(std::string_view a, std::string_view b);

} // namespace zr48
