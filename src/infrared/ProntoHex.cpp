#include "infrared/ProntoHex.h"

#include "base/Error.h"
#include "base/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace zr48 {

namespace {

std::vector<std::uint16_t> readWords(std::string_view text)
{
    std::vector<std::uint16_t> words;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size())
            return words;
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t')
            ++end;
        const std::string_view word = text.substr(i, end - i);
        unsigned value = 0;
        const auto result = std::from_chars(word.data(), word.data() + word.size(), value, 16);
        if (word.size() > 4 || result.ec != std::errc() || result.ptr != word.data() + word.size())
            throw Error("'" + shownExcerpt(word) + "' is no four-digit hexadecimal word");
        words.push_back(static_cast<std::uint16_t>(value));
        i = end;
    }
}

} // namespace

std::optional<ProntoCode> parseProntoCode(std::string_view text, std::string& notLearned)
{
    const std::vector<std::uint16_t> words = readWords(text);
    if (words.size() < 4)
        throw Error("a Pronto code has four words before its bursts; this one has " + std::to_string(words.size()));
    if (words.size() % 2 != 0)
        throw Error("an odd number of words (" + std::to_string(words.size()) + "); bursts come in pairs");
    if (words[0] != 0x0000) {
        char kind[8];
        std::snprintf(kind, sizeof kind, "%04X", words[0]);
        notLearned = kind;
        return std::nullopt;
    }
    if (words[1] == 0)
        throw Error("the carrier word is 0000: the code has no frequency");
    const std::size_t pairs = std::size_t{words[2]} + words[3];
    if (pairs == 0)
        throw Error("the code announces no bursts");
    if (4 + 2 * pairs != words.size())
        throw Error("the code announces " + std::to_string(words[2]) + " + " + std::to_string(words[3]) +
                    " burst pairs but " + std::to_string((words.size() - 4) / 2) + " follow");
    const double unit = words[1] * kProntoClockMicroseconds;
    ProntoCode code;
    code.carrierHz = static_cast<std::uint32_t>(std::lround(1000000.0 / unit));
    for (std::size_t i = 4; i < words.size(); ++i) {
        if (words[i] == 0)
            throw Error("burst " + std::to_string(i - 3) + " is 0");
        // At least a microsecond: the shortest duration a "#" string holds.
        code.durations.push_back(static_cast<std::uint32_t>(std::max(1L, std::lround(words[i] * unit))));
    }
    return code;
}

std::string formatProntoCode(std::span<const std::uint32_t> durations, std::uint32_t carrierHz, std::uint32_t leadOut)
{
    const long divisor = std::clamp(std::lround(1000000.0 / (carrierHz * kProntoClockMicroseconds)), 1L, 0xFFFFL);
    const double unit = divisor * kProntoClockMicroseconds;
    std::vector<std::uint32_t> bursts(durations.begin(), durations.end());
    if (bursts.size() % 2 != 0)
        bursts.push_back(leadOut);
    // A word holds at most FFFF: more pairs, or a longer burst, would be another code.
    if (bursts.size() / 2 > 0xFFFF)
        throw Error(std::to_string(bursts.size() / 2) + " burst pairs; a Pronto code holds at most 65535");
    const auto longest = std::max_element(bursts.begin(), bursts.end());
    if (longest != bursts.end() && std::lround(*longest / unit) > 0xFFFF)
        throw Error("a duration of " + std::to_string(*longest) + " us; a Pronto code at " + std::to_string(carrierHz) +
                    " Hz holds at most " + std::to_string(std::lround(0xFFFF * unit)) + " us");
    std::string text;
    char word[8];
    auto add = [&](long value) {
        std::snprintf(word, sizeof word, "%04lX", value);
        if (!text.empty())
            text += ' ';
        text += word;
    };
    add(0);
    add(divisor);
    add(0);
    add(static_cast<long>(bursts.size() / 2));
    for (const std::uint32_t duration : bursts)
        add(std::max(1L, std::lround(duration / unit)));
    return text;
}

} // namespace zr48
