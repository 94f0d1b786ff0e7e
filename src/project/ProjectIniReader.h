#pragma once
// Reader of the project file's sectioned INI text. Its rules differ from the device files' reader:
// the first occurrence of a section or key wins, values may be quoted with " or ', and at most
// 2047 characters of a value are read. Texts are Windows-1252; paths are the file system's bytes
// (UTF-8), and a path that is not valid UTF-8 was written on a system that records paths in
// Windows-1252 — unless the file says that its paths are the file system's bytes (a name that
// is not UTF-8 on this system, saved here).

#include "base/Paths.h"
#include "base/Text.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zr48 {

class ProjectIniReader {
public:
    static constexpr size_t kMaxValueLength = 2047;
    // The entry of [PROJECT] that says: every path of this file is the file system's bytes, also
    // one that is not UTF-8. Written only by a save that holds such a path, so that every other
    // file reads as before.
    static constexpr std::string_view kPathBytesKey = "PATH_ENCODING";
    static constexpr std::string_view kPathBytesValue = "BYTES";

    // A file that does not exist (or cannot be read) reads as an empty file.
    static ProjectIniReader FromFile(std::string_view path);
    // The file's bytes as they are read (a UTF-8 byte-order mark makes the lines UTF-8).
    static ProjectIniReader FromBytes(std::string_view bytes);
    // `utf8`: the lines are UTF-8 (a file that begins with a UTF-8 byte-order mark), so that texts
    // are converted to Windows-1252 and paths taken as they are.
    explicit ProjectIniReader(const std::vector<std::string>& lines, bool utf8 = false);

    // What the reader makes of the text after a key's "=": blanks around it dropped, one pair of
    // enclosing quotes removed, cut to kMaxValueLength characters.
    static Text ValueOf(std::string_view written);

    bool HasSection(std::string_view section) const { return sections_.contains(upperCase(section)); }
    // A text value, in Windows-1252.
    std::optional<Text> Value(std::string_view section, std::string_view key) const;
    Text ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // A path value, as the file system's bytes (empty when missing). One that is not UTF-8 is read
    // as Windows-1252, unless the file's paths are bytes or that reading would not fit a value.
    Path ReadPath(std::string_view section, std::string_view key) const;
    // The integer conversion of the device files' reader, kept to its low 16 bits.
    std::uint16_t ReadWord(std::string_view section, std::string_view key, std::uint16_t def) const;

private:
    std::optional<std::string> RawValue(std::string_view section, std::string_view key) const;

    bool utf8_ = false;
    bool pathsAreBytes_ = false;
    using Entries = std::unordered_map<Text, Text>; // upper-cased key -> value
    std::unordered_map<Text, Entries> sections_;    // upper-cased section name -> entries
};

} // namespace zr48
