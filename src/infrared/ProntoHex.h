#pragma once
// Pronto hex, the custom-install world's common form of an infrared code: four-digit hexadecimal
// words. A learned code is 0000, the carrier as a divisor of the Pronto clock, the number of
// burst pairs of the sequence sent once and of the sequence repeated while a key is held, then the
// bursts (a mark and a space each) in carrier periods.

#include "infrared/IrProtocol.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zr48 {

// One period of the Pronto clock, in microseconds.
inline constexpr double kProntoClockMicroseconds = 0.241246;

struct ProntoCode {
    std::uint32_t carrierHz = 0;
    // The sequence sent once, then the repeated one, once.
    IrDurations durations;
};

// The code of a line's words. Nullopt with `notLearned` set (the first word) for a code of another
// kind than a learned one (0000). Throws zr48::Error for words that are no Pronto code: an odd
// number of them, a word that is no hexadecimal number, a carrier of 0, pair counts that do not
// match the words, no burst at all, a burst of 0.
std::optional<ProntoCode> parseProntoCode(std::string_view words, std::string& notLearned);

// The words of a learned code: the durations as the repeated sequence (one burst pair at least;
// a last mark without a space gets `leadOut`), on a carrier of `carrierHz`. Throws zr48::Error
// when the code does not fit the words: more than 65,535 burst pairs, or a burst longer than
// 65,535 carrier periods.
std::string formatProntoCode(std::span<const std::uint32_t> durations, std::uint32_t carrierHz, std::uint32_t leadOut);

} // namespace zr48
