#pragma once
// What a file is: one table of the kinds of file the system reads (project, device file, card
// image, firmware, infrared capture, and any other text file that the editor opens), each with the one check that tells
// whether a file is of that kind. Every command and window that takes a file runs the check of its kind before it reads
// further, so that no reader meets binary data, an empty file or a huge one unawares. The checks
// are bounded: a file far larger than its kind is refused by its size before it is read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zr48 {

enum class FileKind { Project, DeviceFile, Image, Firmware, Capture, TextFile };

// The largest text file the editor opens, and how much of one is looked at for binary data.
inline constexpr std::uintmax_t kMaxTextFileBytes = std::uintmax_t{256} * 1024 * 1024;
inline constexpr std::size_t kTextFileHeadBytes = 64 * 1024;

// What a check found. `Reason` is the end of a sentence ("it holds binary data, not text (...)",
// kNoSuchFile when there is no such file); empty when the file is of its kind.
struct FileCheck {
    FileKind Kind;
    bool Ok = false;
    std::string Reason;
};

struct FileKindRow {
    FileKind Kind;
    const char* Name;       // "project file"
    const char* Extensions; // its extensions without the dot, '|' between them: "mpj"
    // Why the file at the path is not of this kind; nullopt when it is.
    std::optional<std::string> (*Problem)(std::string_view path);
};

std::span<const FileKindRow> fileKinds();
const FileKindRow& fileKindRow(FileKind kind);

// Runs the check of `kind` on the file at `path`.
FileCheck checkFile(FileKind kind, std::string_view path);

// The kind among `kinds` whose extensions hold the extension of `path` (letter case ignored);
// nullopt when none does.
std::optional<FileKind> kindOfExtension(std::string_view path, std::span<const FileKind> kinds);

// "a project file", "an image file".
std::string withArticle(std::string_view name);

// A failed check as a whole sentence naming the file as it was given: "The file "x.mpj" is not a
// project file: it is empty.", "There is no project file "x.mpj".", "The device file "x.mpi"
// cannot be read (Permission denied)."
std::string fileCheckMessage(const FileCheck& check, std::string_view shownName);

} // namespace zr48
