#pragma once
// What the infrared optimizer did to a device file's codes: for every key (a line with an infrared
// string) each duration before and after, paired by position, since the optimizer keeps the number
// and order of durations; per key the largest change in microseconds and in percent, and the
// file's worst. Made from the text before and after, so the optimizer itself is not touched.

#include "base/Text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zr48 {

struct DurationChange {
    std::int64_t Before = 0; // microseconds
    std::int64_t After = 0;
    std::int64_t Micros() const { return After - Before; }
    // Relative to Before; a duration of 0 that becomes another counts as 100 %.
    double Percent() const;
};

struct KeyChange {
    Text Key;             // the line's key without "IR_": "POWER"
    std::size_t Line = 0; // of the text before, from 0
    std::size_t Durations = 0;
    std::size_t Changed = 0;
    DurationChange LargestMicros;  // the first duration with the largest change in µs
    DurationChange LargestPercent; // the first duration with the largest change in percent
};

struct OptimizeReport {
    std::vector<KeyChange> Keys; // every key, in the order of the text
    std::size_t KeysChanged() const;
    // The key with the largest change in percent (the first of equals); null when none changed.
    const KeyChange* Worst() const;
};

OptimizeReport CompareOptimized(const std::vector<Text>& before, const std::vector<Text>& after);

// Texts in UTF-8, for the terminal and the windows.
// "12 keys changed, largest change 7.3 % in POWER", or "No key changed".
std::string OptimizeSummary(const OptimizeReport& report);
// "+41 µs (560 → 601)" and "+7.3 % (560 → 601)"; "none" for no change.
std::string MicrosText(const DurationChange& change);
std::string PercentText(const DurationChange& change);
// A table with a heading line, one line per key, and the summary as the last line.
std::vector<std::string> OptimizeReportLines(const OptimizeReport& report);

} // namespace zr48
