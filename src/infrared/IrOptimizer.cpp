#include "infrared/IrOptimizer.h"

#include "project/SimpleIniFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace zr48 {

Text OptimizeDeviceFile(std::string_view fileBytes, std::span<const int> tolerances)
{
    std::vector<Text> lines = TSimpleIniFile::DecodeLines(fileBytes);
    TIrOptimizer optimizer;
    for (const int tolerance : tolerances) {
        optimizer.SetTolerance(tolerance);
        optimizer.Optimize(lines);
    }
    return DeviceFileBytes(lines);
}

Text DeviceFileBytes(const std::vector<Text>& lines)
{
    Text text;
    for (const Text& line : lines)
        text += line + "\r\n";
    return text;
}

namespace {

constexpr int kTableSize = 10;
const char* const kTableKey = "IR_TIME_";

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number after a "#", from `pos` on: digits and blanks are read, blanks skipped; `pos` ends
// on the first other character. Durations are 64-bit, so any realistic value keeps its own
// number; beyond the 64-bit range a value stays at its largest number.
std::int64_t readNumber(const Text& line, std::size_t& pos)
{
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; pos < line.size() && (isDigit(line[pos]) || line[pos] == ' '); ++pos) {
        if (line[pos] == ' ')
            continue;
        const int digit = line[pos] - '0';
        value = value > (largest - digit) / 10 ? largest : value * 10 + digit;
    }
    return value;
}

// A table value as a whole number of microseconds; the largest entry (2^63 in single precision)
// stays at the largest 64-bit number.
std::int64_t wholeValue(double value)
{
    constexpr double limit = 9223372036854775808.0; // 2^63
    return value >= limit ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(value);
}

void appendNumber(Text& text, std::int64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, result.ptr);
}

std::int64_t roundedValue(float value)
{
    return wholeValue(std::floor(static_cast<double>(value) + 0.5));
}

} // namespace

TimingTable ReadTimingTable(const std::vector<Text>& lines)
{
    TimingTable table{};
    const TSimpleIniFile ini(lines);
    for (int index = 0; index < kTableSize; ++index) {
        const std::int32_t value = ini.ReadInteger(kTableKey + std::to_string(index), 0);
        table[static_cast<std::size_t>(index)] = value > 0 ? value : 0;
    }
    return table;
}

std::vector<std::int64_t> InfraredDurations(const Text& line, const TimingTable& table)
{
    std::vector<std::int64_t> durations;
    const std::size_t quote = line.find('"');
    if (quote == Text::npos)
        return durations;
    bool tableMode = false;
    for (std::size_t i = quote; i < line.size();) {
        const char c = line[i];
        if (c == '#') {
            tableMode = false;
            ++i;
            durations.push_back(readNumber(line, i));
            continue;
        }
        if (c == '$')
            tableMode = true;
        else if (tableMode && isDigit(c))
            durations.push_back(table[static_cast<std::size_t>(c - '0')]);
        ++i;
    }
    return durations;
}

void TIrOptimizer::SetEntries(std::vector<Entry> entries)
{
    entries_ = std::move(entries);
    RefreshRatios();
}

void TIrOptimizer::RefreshRatios()
{
    ratios_.resize(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
        ratios_[i] = 100.0f / entries_[i].value;
}

// Deviation of `a` from an entry in percent: 100 ÷ value × a − 100, each step in single precision.
const TIrOptimizer::Entry* TIrOptimizer::Nearest(float a) const
{
    const Entry* best = nullptr;
    float bestDeviation = 0;
    const auto tolerance = static_cast<float>(tolerance_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const float percent = ratios_[i] * a;
        const float deviation = std::fabs(percent - 100.0f);
        if (deviation <= tolerance && (!best || deviation <= bestDeviation)) {
            best = &entries_[i];
            bestDeviation = deviation;
        }
    }
    return best;
}

void TIrOptimizer::Merge(float a)
{
    if (const Entry* nearest = Nearest(a)) {
        const auto i = static_cast<std::size_t>(nearest - entries_.data());
        entries_[i].value = (a + entries_[i].value) * 0.5f;
        ratios_[i] = 100.0f / entries_[i].value;
    } else {
        entries_.push_back({a, -1});
        ratios_.push_back(100.0f / a);
    }
}

std::int64_t TIrOptimizer::Lookup(int d) const
{
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->index == d)
            return wholeValue(static_cast<double>(it->value));
    return 0;
}

Text TIrOptimizer::Expand(const Text& line) const
{
    const std::size_t quote = line.find('"');
    if (quote == Text::npos)
        return line;
    Text out;
    out.reserve(line.size() + 64);
    out.append(line, 0, quote);
    bool table = false;
    for (std::size_t i = quote; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '#') {
            table = false;
        } else if (c == '$') {
            table = true;
        } else if (table && isDigit(c)) {
            out += '#';
            appendNumber(out, Lookup(c - '0'));
            continue;
        }
        out += c;
    }
    return out;
}

void TIrOptimizer::Collect(const Text& line)
{
    const std::size_t quote = line.find('"');
    if (quote == Text::npos)
        return;
    for (std::size_t i = quote; i < line.size();) {
        if (line[i] != '#') {
            ++i;
            continue;
        }
        ++i;
        const std::int64_t number = readNumber(line, i);
        if (number != 0)
            Merge(static_cast<float>(number));
    }
}

Text TIrOptimizer::Rewrite(const Text& line) const
{
    const std::size_t quote = line.find('"');
    if (quote == Text::npos)
        return line;
    Text out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t hash = line.find('#', i > quote ? i : quote);
        out.append(line, i, hash == Text::npos ? Text::npos : hash - i);
        if (hash == Text::npos)
            break;
        i = hash + 1;
        const std::int64_t number = readNumber(line, i);
        if (const Entry* nearest = Nearest(static_cast<float>(number))) {
            out += '$';
            appendNumber(out, nearest->index);
        } else {
            out += '#';
            appendNumber(out, number);
        }
    }
    return out;
}

Text TIrOptimizer::Cleanup(const Text& line)
{
    Text out = line;
    CleanupInPlace(out);
    return out;
}

void TIrOptimizer::CleanupInPlace(Text& line)
{
    std::size_t kept = 0;
    bool keep = true;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '$') {
            if (!keep) {
                while (i + 1 < line.size() && line[i + 1] == '$')
                    ++i;
            } else {
                line[kept++] = c;
            }
            keep = false;
            continue;
        }
        if (c == '#')
            keep = true;
        line[kept++] = c;
    }
    line.resize(kept);
}

void TIrOptimizer::Optimize(std::vector<Text>& lines)
{
    // 1. The timing table as the text has it.
    entries_.clear();
    const TimingTable given = ReadTimingTable(lines);
    for (int index = 0; index < kTableSize; ++index) {
        if (const std::int64_t value = given[static_cast<std::size_t>(index)]; value > 0)
            entries_.push_back({static_cast<float>(value), index});
    }
    RefreshRatios();
    // 2. References become literal durations.
    for (Text& line : lines)
        line = Expand(line);
    // 3. Every duration, in the order of the text.
    entries_.clear();
    ratios_.clear();
    for (const Text& line : lines)
        Collect(line);
    // 4. The ten smallest values stay.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.value < b.value; });
    if (entries_.size() > kTableSize)
        entries_.resize(kTableSize);
    // 5. Each entry without an index takes the lowest free one, so index 0 is the smallest value.
    for (Entry& entry : entries_) {
        if (entry.index != -1)
            continue;
        int free = 0;
        while (std::any_of(entries_.begin(), entries_.end(), [free](const Entry& e) { return e.index == free; }))
            ++free;
        entry.index = free;
    }
    // 6.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.index < b.index; });
    RefreshRatios();
    // 7. The old table goes; the new one takes the place of its first line.
    std::size_t tablePosition = Text::npos;
    std::vector<Text> kept;
    kept.reserve(lines.size() + entries_.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(kTableKey) != Text::npos) {
            if (tablePosition == Text::npos)
                tablePosition = kept.size();
            continue;
        }
        kept.push_back(std::move(lines[i]));
    }
    if (tablePosition == Text::npos)
        tablePosition = kept.size();
    // 8.
    std::vector<Text> table;
    for (const Entry& entry : entries_) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "IR_TIME_%i = %lld", entry.index,
                      static_cast<long long>(roundedValue(entry.value)));
        table.emplace_back(buffer);
    }
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(tablePosition), table.begin(), table.end());
    // 9 and 10.
    for (Text& line : kept) {
        line = Rewrite(line);
        CleanupInPlace(line);
    }
    lines = std::move(kept);
}

namespace {

std::vector<TIrOptimizer::Entry> tableEntries(const TimingTable& table)
{
    std::vector<TIrOptimizer::Entry> entries;
    for (int index = 0; index < kTableSize; ++index)
        if (const std::int64_t value = table[static_cast<std::size_t>(index)]; value > 0)
            entries.push_back({static_cast<float>(value), index});
    return entries;
}

bool isTableLine(const Text& line)
{
    return line.find(kTableKey) != Text::npos;
}

} // namespace

void MergeIntoTimingTable(std::vector<Text>& lines, std::vector<std::size_t> added, std::span<const int> tolerances)
{
    std::sort(added.begin(), added.end());
    const TimingTable given = ReadTimingTable(lines);
    const std::vector<TIrOptimizer::Entry> kept = tableEntries(given);
    TimingTable table = given;
    for (const int tolerance : tolerances) {
        TIrOptimizer optimizer;
        optimizer.SetTolerance(tolerance);
        // References of the added lines (to old values and to those of the pass before) as durations.
        optimizer.SetEntries(tableEntries(table));
        for (const std::size_t i : added)
            lines[i] = optimizer.Expand(lines[i]);
        // The added durations that no old value takes, merged among themselves.
        TIrOptimizer old;
        old.SetTolerance(tolerance);
        old.SetEntries(kept);
        optimizer.SetEntries({});
        for (const std::size_t i : added)
            for (const std::int64_t duration : InfraredDurations(lines[i], table))
                if (duration != 0 && !old.Nearest(static_cast<float>(duration)))
                    optimizer.Merge(static_cast<float>(duration));
        std::vector<TIrOptimizer::Entry> merged = optimizer.Entries();
        std::stable_sort(merged.begin(), merged.end(),
                         [](const TIrOptimizer::Entry& a, const TIrOptimizer::Entry& b) { return a.value < b.value; });
        // The free places, smallest value first; what finds none stays literal.
        std::vector<TIrOptimizer::Entry> entries = kept;
        table = given;
        std::size_t next = 0;
        for (int index = 0; index < kTableSize && next < merged.size(); ++index) {
            if (given[static_cast<std::size_t>(index)] > 0)
                continue;
            const std::int64_t value = roundedValue(merged[next++].value);
            table[static_cast<std::size_t>(index)] = value;
            entries.push_back({static_cast<float>(value), index});
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const TIrOptimizer::Entry& a, const TIrOptimizer::Entry& b) { return a.index < b.index; });
        optimizer.SetEntries(std::move(entries));
        for (const std::size_t i : added) {
            lines[i] = optimizer.Rewrite(lines[i]);
            TIrOptimizer::CleanupInPlace(lines[i]);
        }
    }
    std::vector<Text> tableLines;
    for (int index = 0; index < kTableSize; ++index) {
        const auto at = static_cast<std::size_t>(index);
        if (given[at] == 0 && table[at] > 0)
            tableLines.push_back(kTableKey + std::to_string(index) + " = " + std::to_string(table[at]));
    }
    if (tableLines.empty())
        return;
    std::size_t position = lines.size();
    for (std::size_t i = lines.size(); i-- > 0;)
        if (isTableLine(lines[i]) && std::find(added.begin(), added.end(), i) == added.end()) {
            position = i + 1;
            break;
        }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(position), tableLines.begin(), tableLines.end());
}

} // namespace zr48
