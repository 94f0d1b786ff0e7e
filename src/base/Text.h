#pragma once
// Windows-1252 text: the texts that go to the unit or live in its files (device names, menu lines,
// device file contents) are strings of these bytes. Paths are not (see Paths.h), nor are the
// messages shown to the user (UTF-8, so that they can name any path). Conversions to Unicode
// happen only at the edges (terminal, GUI).

#include <string>
#include <string_view>

namespace zr48 {

using Text = std::string;

// The Unicode code point of a Windows-1252 byte. The five bytes that the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows
// does, so that every byte survives a round trip.
char32_t cp1252ToUnicode(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when the code page cannot hold it.
int unicodeToCp1252(char32_t codePoint);

std::string toUtf8(std::string_view text);
// Characters that Windows-1252 cannot hold, and malformed UTF-8, become '?'.
Text fromUtf8(std::string_view utf8);

// Whether `bytes` is well-formed UTF-8 (shortest forms, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(std::string_view bytes);
// The characters of UTF-8 text as code points; a byte that belongs to no well-formed sequence
// stands for the character of the same number (as in Latin-1), so that nothing is dropped.
std::u32string utf8Characters(std::string_view bytes);

// Letter case as the Western system locale maps it (accented letters, š/Š, œ/Œ, ž/Ž, ÿ/Ÿ).
unsigned char upperChar(unsigned char c);
unsigned char lowerChar(unsigned char c);
Text upperCase(std::string_view text);
Text lowerCase(std::string_view text);

// Case-insensitive comparison: both sides upper-cased, then compared byte by byte.
int compareText(std::string_view a, std::string_view b);
bool sameText(std::string_view a, std::string_view b);

// Removes leading and trailing spaces and control characters (every byte up to 0x20).
std::string_view trimmed(std::string_view text);

// Where `bytes` holds a byte that no text file holds: a control character other than tab, line
// feed, vertical tab, form feed, carriage return and the end-of-file mark 0x1A (every byte of
// Windows-1252 and of UTF-8 text is allowed). npos when there is none.
std::size_t firstBinaryByte(std::string_view bytes);
// "binary data, not text (the byte 0x00 at offset 17)": what a reader says of such a file.
std::string binaryDataReason(std::string_view bytes, std::size_t at);

// Bytes of a file as a message quotes them: control characters, and every byte of 0x80 and above
// where the bytes are no UTF-8, written as \n, \r, \t or \xHH; at most `most` characters, then
// "...". A garbage file never fills a message with its bytes nor drives a terminal.
std::string shownExcerpt(std::string_view bytes, std::size_t most = 40);

} // namespace zr48
