#include "base/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace zr48 {

namespace {

// Code points of 0x80..0x9F.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr char32_t kMalformed = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at text[i]; returns the code point and advances i.
// A malformed sequence yields kMalformed and consumes one byte.
char32_t decodeUtf8(std::string_view text, size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++i;
        return kMalformed;
    }
    if (i + length > text.size()) {
        ++i;
        return kMalformed;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kMalformed;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kMalformed;
    }
    i += length;
    return cp;
}

} // namespace

char32_t cp1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

int unicodeToCp1252(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (size_t k = 0; k < kHighControls.size(); ++k) {
        if (kHighControls[k] == codePoint)
            return static_cast<int>(0x80 + k);
    }
    return -1;
}

std::string toUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

Text fromUtf8(std::string_view utf8)
{
    Text out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = decodeUtf8(utf8, i);
        const int byte = cp == kMalformed ? -1 : unicodeToCp1252(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

bool isValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        if (decodeUtf8(bytes, i) == kMalformed)
            return false;
    }
    return true;
}

std::u32string utf8Characters(std::string_view bytes)
{
    std::u32string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t at = i;
        const char32_t cp = decodeUtf8(bytes, i);
        out += cp == kMalformed ? static_cast<char32_t>(static_cast<unsigned char>(bytes[at])) : cp;
    }
    return out;
}

unsigned char upperChar(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: return 0x8A; // š
    case 0x9C: return 0x8C; // œ
    case 0x9E: return 0x8E; // ž
    case 0xFF: return 0x9F; // ÿ
    default: return c;
    }
}

unsigned char lowerChar(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
    }
}

Text upperCase(std::string_view text)
{
    Text out(text);
    for (char& c : out)
        c = static_cast<char>(upperChar(static_cast<unsigned char>(c)));
    return out;
}

Text lowerCase(std::string_view text)
{
    Text out(text);
    for (char& c : out)
        c = static_cast<char>(lowerChar(static_cast<unsigned char>(c)));
    return out;
}

int compareText(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = upperChar(static_cast<unsigned char>(a[i]));
        const int cb = upperChar(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && compareText(a, b) == 0;
}

std::string_view trimmed(std::string_view text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

std::size_t firstBinaryByte(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && !(c >= '\t' && c <= '\r') && c != 0x1A)
            return i;
    }
    return std::string_view::npos;
}

std::string binaryDataReason(std::string_view bytes, std::size_t at)
{
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(bytes.at(at)));
    return "it holds binary data, not text (the byte " + std::string(byte) + " at offset " + std::to_string(at) + ")";
}

std::string shownExcerpt(std::string_view bytes, std::size_t most)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const bool utf8 = isValidUtf8(bytes);
    std::string out;
    std::size_t characters = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool continuation = utf8 && (byte & 0xC0) == 0x80;
        if (!continuation && characters++ == most) {
            out += "...";
            break;
        }
        if (byte >= 0x20 && byte != 0x7F && (utf8 || byte < 0x80)) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

} // namespace zr48
