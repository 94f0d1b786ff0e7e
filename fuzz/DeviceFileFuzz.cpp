// The device-file reader on any bytes: decoding (byte-order marks, UTF-16 with broken surrogates,
// line ends), parsing and every look-up the program makes.

#include "FuzzSupport.h"

#include "project/SimpleIniFile.h"

#include <cinttypes>
#include <string>

using namespace zr48;

namespace {

const char* const kKeys[] = {"DEVICE",   "NAME",     "SELECT",    "DESCRIPTION",
                             "OPTION_1", "OPTION_9", "IR_TIME_0", "IR_TIME_9",
                             "IR_TIME_", "",         "=",         "[DUMMY_SECTION]"};

std::string format(const char* pattern, std::uint32_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// An integer the reader accepted reads back the same from its decimal and hexadecimal forms.
void checkIntegerForms(std::string_view value)
{
    const auto number = ParseIniInteger(value);
    if (!number)
        return;
    const auto pattern = static_cast<std::uint32_t>(*number);
    const std::string forms[] = {std::to_string(*number), format("$%" PRIX32, pattern), format("0x%" PRIx32, pattern),
                                 format("x%08" PRIX32, pattern)};
    for (const std::string& form : forms)
        FUZZ_CHECK(ParseIniInteger(form) == number, "value \"" + std::string(value) + "\", form \"" + form + "\"");
}

// Lines and characters of UTF-16 text counted unit by unit: every CR, LF and CR LF ends a line,
// a surrogate pair is one character, any other unit one, and an odd last byte one more.
struct Utf16Count {
    std::size_t lines = 0;
    std::size_t characters = 0;
};

Utf16Count countUtf16(std::string_view text, bool bigEndian)
{
    const std::size_t units = text.size() / 2;
    const auto unit = [&](std::size_t u) {
        const auto first = static_cast<unsigned char>(text[2 * u]);
        const auto second = static_cast<unsigned char>(text[2 * u + 1]);
        return bigEndian ? first << 8 | second : second << 8 | first;
    };
    Utf16Count count;
    bool openLine = false;
    for (std::size_t u = 0; u < units; ++u) {
        const int c = unit(u);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && u + 1 < units && unit(u + 1) == '\n')
                ++u;
            ++count.lines;
            openLine = false;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && u + 1 < units && unit(u + 1) >= 0xDC00 && unit(u + 1) <= 0xDFFF)
            ++u;
        ++count.characters;
        openLine = true;
    }
    if (text.size() % 2 != 0) {
        ++count.characters;
        openLine = true;
    }
    if (openLine)
        ++count.lines;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::asText(data, size);
    const std::vector<Text> lines = TSimpleIniFile::DecodeLines(bytes);

    std::string joined;
    for (const Text& line : lines) {
        FUZZ_CHECK(line.find_first_of("\r\n") == Text::npos, "a line holds a line end");
        joined += line;
    }
    // UTF-16: each character outside the line ends becomes one byte, and every line end ends a line.
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const Utf16Count count = countUtf16(bytes.substr(2), bytes[0] == '\xFE');
        FUZZ_CHECK(lines.size() == count.lines && joined.size() == count.characters,
                   std::to_string(lines.size()) + " lines of " + std::to_string(joined.size()) + " characters, " +
                       std::to_string(count.lines) + " lines of " + std::to_string(count.characters) + " expected");
    }
    // Without a byte-order mark the text is the bytes themselves: only the line ends go.
    if (!bytes.starts_with("\xEF\xBB\xBF") && !bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF")) {
        std::string expected;
        for (char c : bytes) {
            if (c != '\r' && c != '\n')
                expected += c;
        }
        FUZZ_CHECK(joined == expected, "lines lost or changed bytes");
    }

    const TSimpleIniFile ini(lines);
    for (const char* key : kKeys) {
        ini.ReadString(key, "\"default\"");
        ini.ReadInteger(key, -7);
    }
    // The keys the text itself names, the last of them found again after the first look-ups.
    for (const Text& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == Text::npos)
            continue;
        const Text key(trimmed(std::string_view(line).substr(0, equals)));
        ini.ReadString(key, "");
        ini.ReadInteger(key, 0);
        checkIntegerForms(trimmed(std::string_view(line).substr(equals + 1)));
    }
    return 0;
}
