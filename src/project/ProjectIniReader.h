#pragma once
// Reader of the project file's sectioned INI text. Its rules differ from the device files' reader:
// the first occurrence of a section or key wins, values may be quoted with " or ', and at most
// 2047 characters of a value are read.

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

    // A file that does not exist (or cannot be read) reads as an empty file.
    static ProjectIniReader FromFile(std::string_view path);
    explicit ProjectIniReader(const std::vector<Text>& lines);

    // What the reader makes of the text after a key's "=": blanks around it dropped, one pair of
    // enclosing quotes removed, cut to kMaxValueLength characters.
    static Text ValueOf(std::string_view written);

    std::optional<Text> Value(std::string_view section, std::string_view key) const;
    Text ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // The integer conversion of the device files' reader, kept to its low 16 bits.
    std::uint16_t ReadWord(std::string_view section, std::string_view key, std::uint16_t def) const;

private:
    using Entries = std::unordered_map<Text, Text>; // upper-cased key -> value
    std::unordered_map<Text, Entries> sections_;    // upper-cased section name -> entries
};

} // namespace zr48
