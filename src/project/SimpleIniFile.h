#pragma once
// Reader of section-less key=value text: device INI files and the lines of an editor window.
// The text is parsed once; look-ups go to the leading section only, which holds every line up
// to the first section header of the text itself.

#include "base/Text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zr48 {

class TSimpleIniFile {
public:
    // Reads the whole file (a UTF-8 or UTF-16 byte-order mark selects that encoding, otherwise the
    // bytes are Windows-1252). Throws zr48::Error when the file cannot be read.
    explicit TSimpleIniFile(std::string_view path);
    explicit TSimpleIniFile(const std::vector<Text>& lines);

    // The value of the last entry named `key` (letter case ignored). A value that starts with a
    // double quote loses its first and its last character; the rule applies to `def` too.
    Text ReadString(std::string_view key, std::string_view def) const;
    // The value as a decimal or hexadecimal ("$", "x", "0x") 32-bit integer, or `def`.
    std::int32_t ReadInteger(std::string_view key, std::int32_t def) const;
    // The names of the entries that look-ups read, in the order of the text, each once (letter
    // case ignored; spelled as it first occurs).
    std::vector<Text> EntryNames() const;

    // The text of a file as lines: byte-order mark handled, split at CR LF, CR and LF. A character
    // outside the code page, a broken UTF-16 surrogate and an odd last byte each become one '?'.
    static std::vector<Text> DecodeLines(std::string_view bytes);

private:
    struct Section {
        Text name;
        std::vector<Text> entries; // "name=value", or a bare line without "="
    };

    void Parse(const std::vector<Text>& lines);
    const Section& LeadingSection() const;
    const Text* FindValue(std::string_view key) const;

    std::vector<Section> sections_;
    // Upper-cased entry name -> value, of the section that look-ups read; built on first use.
    mutable std::optional<std::unordered_map<Text, Text>> index_;
};

// Integer conversion of a value as ReadInteger does it; nullopt when it is not a valid number.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

// A device file is text of at most 1 MiB: one that fits a card holds at most 15,807 bytes, and a
// device file of the database that is still to be made smaller stays far below the bound.
inline constexpr std::size_t kMaxDeviceFileBytes = std::size_t{1024} * 1024;

// Why the file at `path` is no device file, as the end of a sentence ("it holds binary data, not
// text"): no readable file (kNoSuchFile when there is none), more than kMaxDeviceFileBytes, binary
// data (a control character other than tab or form feed once decoded), or no KEY=value line (an
// empty file too). nullopt for a device file. Every reader that takes a device file asks this
// first: the compiler would otherwise put any bytes onto the card.
std::optional<std::string> DeviceFileProblem(std::string_view path);
// The message for that problem, naming the file.
std::string DeviceFileProblemMessage(std::string_view path, const std::string& problem);

// The lines of a device file that is to be rewritten (the infrared optimizer, an import), decoded
// as DecodeLines does. Throws zr48::Error naming the file when it cannot be read, is no device file
// (DeviceFileProblem) or holds a section line ("[NAME]": a project file, or a file whose later
// lines no reader sees); such a file is never rewritten.
std::vector<Text> ReadDeviceFileLines(std::string_view path);
// The same for the bytes of the file at `path` as an editor holds them.
std::vector<Text> DeviceFileLines(std::string_view path, std::string_view bytes);
// "The file "PATH" is not a device file: REASON."
std::string NotADeviceFile(std::string_view path, const std::string& reason);

} // namespace zr48
