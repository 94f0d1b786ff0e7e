#include "infrared/IrKeyName.h"

#include <array>

namespace zr48 {

namespace {

// Latin-1's letters from U+00C0 on, upper-cased; "" where the character is no letter (×, ÷).
constexpr std::array<const char*, 64> kLatin1 = {
    "A", "A", "A", "A", "AE", "AA", "AE", "C", "E",  "E", "E", "E", "I",  "I", "I",  "I",
    "D", "N", "O", "O", "O",  "O",  "OE", "",  "OE", "U", "U", "U", "UE", "Y", "TH", "SS",
    "A", "A", "A", "A", "AE", "AA", "AE", "C", "E",  "E", "E", "E", "I",  "I", "I",  "I",
    "D", "N", "O", "O", "O",  "O",  "OE", "",  "OE", "U", "U", "U", "UE", "Y", "TH", "Y",
};
// Latin Extended-A (U+0100 to U+017F), a letter each: "1" stands for IJ, "2" for OE.
constexpr std::string_view kLatinExtendedA = "AAAAAACCCCCCCCDDDDEEEEEEEEEEGGGGGGGGHHHHIIIIIIIIII11JJKKKLLLLLLLLLL"
                                             "NNNNNNNNNOOOOOO22RRRRRRSSSSSSSSTTTTTTUUUUUUUUUUUUWWYYYZZZZZZS";
static_assert(kLatinExtendedA.size() == 0x80);
// Russian's letters А to Я (lower case 32 further on).
constexpr std::array<const char*, 32> kCyrillic = {
    "A", "B", "V", "G", "D", "E",  "ZH", "Z",  "I",  "Y",    "K", "L", "M", "N", "O",  "P",
    "R", "S", "T", "U", "F", "KH", "TS", "CH", "SH", "SHCH", "",  "Y", "",  "E", "YU", "YA",
};

enum class Kind { Letters, Transliterated, Sign, Break };

// The letters a character stands for in a key.
Kind lettersOf(char32_t c, std::string& letters)
{
    letters.clear();
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        letters = static_cast<char>(c);
        return Kind::Letters;
    }
    if (c >= 'a' && c <= 'z') {
        letters = static_cast<char>(c - 'a' + 'A');
        return Kind::Letters;
    }
    if (c >= 0xC0 && c <= 0xFF)
        letters = kLatin1[c - 0xC0];
    else if (c >= 0x100 && c <= 0x17F) {
        const char letter = kLatinExtendedA[c - 0x100];
        letters = letter == '1' ? "IJ" : letter == '2' ? "OE" : std::string(1, letter);
    } else if (c >= 0x410 && c <= 0x44F) {
        letters = kCyrillic[(c - 0x410) % 32];
        return Kind::Transliterated; // the hard and the soft sign have no letter of their own
    } else if (c == 0x401 || c == 0x451 || c == 0x404 || c == 0x454) // Ё, Є
        letters = c == 0x404 || c == 0x454 ? "YE" : "E";
    else if (c == 0x406 || c == 0x456) // І
        letters = "I";
    else if (c == 0x407 || c == 0x457) // Ї
        letters = "YI";
    else if (c == 0x490 || c == 0x491) // Ґ
        letters = "G";
    else if (c == 0x40E || c == 0x45E) // Ў
        letters = "U";
    else
        return Kind::Break;
    return letters.empty() ? Kind::Break : Kind::Transliterated;
}

bool isLetterOrDigit(char32_t c)
{
    std::string letters;
    return lettersOf(c, letters) == Kind::Letters || !letters.empty();
}

std::string join(const std::string& a, const char* b)
{
    return a.empty() ? std::string(b) : a.find(b) != std::string::npos ? a : a + "; " + b;
}

} // namespace

IrKeyName irKeyName(std::string_view name)
{
    std::u32string characters;
    if (isValidUtf8(name))
        characters = utf8Characters(name);
    else
        for (const char c : name)
            characters += cp1252ToUnicode(static_cast<unsigned char>(c));

    IrKeyName result;
    std::string reason;
    bool wordBreak = false;
    auto add = [&](const std::string& letters) {
        if (wordBreak && !result.key.empty())
            result.key += '_';
        wordBreak = false;
        result.key += letters;
    };
    std::string letters;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const char32_t c = characters[i];
        const Kind kind = lettersOf(c, letters);
        if (kind == Kind::Letters || kind == Kind::Transliterated) {
            if (!letters.empty())
                add(letters);
            if (kind == Kind::Transliterated)
                reason = join(reason, "letters transliterated");
            continue;
        }
        // "+" is always a word; "-" between two letters joins them ("Wi-Fi"), elsewhere it is one.
        const bool joins = i > 0 && i + 1 < characters.size() && isLetterOrDigit(characters[i - 1]) &&
                           isLetterOrDigit(characters[i + 1]);
        if (c == '+' || (c == '-' && !joins)) {
            wordBreak = true;
            add(c == '+' ? "PLUS" : "MINUS");
            wordBreak = true;
            reason = join(reason, "+ and - spelled out");
            continue;
        }
        wordBreak = true;
        if (c != ' ' && c != '_')
            reason = join(reason, "a key holds A-Z, 0-9 and _ only");
    }
    if (result.key.empty()) {
        result.key = "BUTTON";
        reason = join(reason, "a key holds A-Z, 0-9 and _ only");
    }
    // Blanks and underscores as words apart and letters in upper case are no renaming.
    Text plain;
    for (const char32_t c : characters)
        plain += c == ' ' ? '_' : c < 0x80 ? static_cast<char>(upperChar(static_cast<unsigned char>(c))) : '?';
    if (plain != result.key && reason.empty())
        reason = "words joined by a single _";
    result.reason = plain == result.key ? std::string() : reason;
    return result;
}

} // namespace zr48
