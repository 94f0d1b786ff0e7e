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

// Reads only regular files (or what a symbolic link to one names): a named pipe or a device would
// hold the reader until something writes to it, or for ever. Throws zr48::Error naming the path
// and the system's reason (also for a folder or a pipe).
Bytes readFileBytes(std::string_view path);
// nullopt when the file cannot be read or is no regular file.
std::optional<Bytes> tryReadFileBytes(std::string_view path);
// The whole file when it holds at most `limit` bytes; nullopt, after reading no more than
// `limit` + 1 bytes, when it holds more (a wrongly chosen huge file, or a device that never ends).
// Throws like readFileBytes when it cannot be read.
std::optional<Bytes> readFileBytesUpTo(std::string_view path, std::size_t limit);

// Throws zr48::Error naming the path and the reason; the target is then unchanged, except when a
// rewrite in place failed after it began (the message then says the file may be incomplete).
void writeFileAtomically(std::string_view path, std::span<const std::uint8_t> bytes);
void writeFileAtomically(std::string_view path, std::string_view bytes);

struct FileToWrite {
    Path path;
    Bytes bytes;
};
// Writes several files as one: each goes to a temporary file beside its target, and the targets
// are replaced only once every temporary file is complete. A failure before then (a name that
// cannot be written, a disk that is full) leaves every target as it was and no file behind;
// throws as writeFileAtomically does. A target whose folder takes no new file is rewritten in
// place, after every temporary file is complete.
void writeFilesAtomically(std::span<const FileToWrite> files);

// Throws zr48::Error naming the folder and the system's reason when no file can be created in it.
void checkFolderWritable(std::string_view folder);
// Throws what writeFileAtomically would throw when `path` cannot be written (a folder, a file the
// user may not write, a folder that takes no files); writes nothing. Asked before work whose
// result would otherwise be lost at the end.
void checkWritable(std::string_view path);
// Removes the file at `path` if there is one; true when none is left.
bool removeFileIfThere(std::string_view path);

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
