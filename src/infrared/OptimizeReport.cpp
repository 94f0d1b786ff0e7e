#include "infrared/OptimizeReport.h"

#include "infrared/IrOptimizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zr48 {

namespace {

// The lines the optimizer keeps in their order: those with an infrared string that it does not
// delete as timing table lines.
std::vector<std::size_t> KeyLines(const std::vector<Text>& lines)
{
    std::vector<std::size_t> keys;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find('"') != Text::npos && lines[i].find("IR_TIME_") == Text::npos)
            keys.push_back(i);
    return keys;
}

Text KeyName(const Text& line)
{
    const std::size_t end = std::min(line.find('='), line.find('"'));
    Text key(trimmed(std::string_view(line).substr(0, end)));
    if (key.starts_with("IR_") && key.size() > 3)
        key.erase(0, 3);
    return key;
}

std::string Signed(double value, const char* format)
{
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string FromTo(const DurationChange& change)
{
    return " (" + std::to_string(change.Before) + " \u2192 " + std::to_string(change.After) + ")";
}

// Columns count characters, not the bytes of µ and the arrow.
std::size_t CharacterCount(const std::string& utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Padded(std::string text, std::size_t width)
{
    const std::size_t characters = CharacterCount(text);
    if (characters < width)
        text.append(width - characters, ' ');
    return text;
}

} // namespace

double DurationChange::Percent() const
{
    if (Before == 0)
        return After == 0 ? 0.0 : 100.0;
    return 100.0 * static_cast<double>(Micros()) / static_cast<double>(Before);
}

std::size_t OptimizeReport::KeysChanged() const
{
    return static_cast<std::size_t>(
        std::count_if(Keys.begin(), Keys.end(), [](const KeyChange& k) { return k.Changed > 0; }));
}

const KeyChange* OptimizeReport::Worst() const
{
    const KeyChange* worst = nullptr;
    for (const KeyChange& key : Keys) {
        if (key.Changed > 0 &&
            (!worst || std::fabs(key.LargestPercent.Percent()) > std::fabs(worst->LargestPercent.Percent())))
            worst = &key;
    }
    return worst;
}

OptimizeReport CompareOptimized(const std::vector<Text>& before, const std::vector<Text>& after)
{
    const TimingTable tableBefore = ReadTimingTable(before);
    const TimingTable tableAfter = ReadTimingTable(after);
    const std::vector<std::size_t> linesBefore = KeyLines(before);
    const std::vector<std::size_t> linesAfter = KeyLines(after);
    OptimizeReport report;
    for (std::size_t k = 0; k < linesBefore.size() && k < linesAfter.size(); ++k) {
        const Text& line = before[linesBefore[k]];
        const std::vector<std::int64_t> was = InfraredDurations(line, tableBefore);
        const std::vector<std::int64_t> is = InfraredDurations(after[linesAfter[k]], tableAfter);
        KeyChange key;
        key.Key = KeyName(line);
        key.Line = linesBefore[k];
        key.Durations = was.size();
        for (std::size_t i = 0; i < was.size() && i < is.size(); ++i) {
            const DurationChange change{was[i], is[i]};
            if (change.Micros() == 0)
                continue;
            if (++key.Changed == 1 || std::llabs(change.Micros()) > std::llabs(key.LargestMicros.Micros()))
                key.LargestMicros = change;
            if (key.Changed == 1 || std::fabs(change.Percent()) > std::fabs(key.LargestPercent.Percent()))
                key.LargestPercent = change;
        }
        report.Keys.push_back(std::move(key));
    }
    return report;
}

std::string MicrosText(const DurationChange& change)
{
    if (change.Micros() == 0)
        return "none";
    return (change.Micros() > 0 ? "+" : "") + std::to_string(change.Micros()) + " \u00B5s" + FromTo(change);
}

std::string PercentText(const DurationChange& change)
{
    if (change.Micros() == 0)
        return "none";
    return Signed(change.Percent(), "%+.1f %%") + FromTo(change);
}

std::string OptimizeSummary(const OptimizeReport& report)
{
    const KeyChange* worst = report.Worst();
    if (!worst)
        return "No key changed";
    const std::size_t n = report.KeysChanged();
    return std::to_string(n) + (n == 1 ? " key" : " keys") + " changed, largest change " +
           Signed(std::fabs(worst->LargestPercent.Percent()), "%.1f %%") + " in " + toUtf8(worst->Key);
}

std::vector<std::string> OptimizeReportLines(const OptimizeReport& report)
{
    const std::string heading[] = {"Key", "Durations changed", "Largest change in \u00B5s", "Largest change in %"};
    std::vector<std::vector<std::string>> rows = {{std::begin(heading), std::end(heading)}};
    for (const KeyChange& key : report.Keys) {
        rows.push_back({toUtf8(key.Key), std::to_string(key.Changed) + " of " + std::to_string(key.Durations),
                        MicrosText(key.LargestMicros), PercentText(key.LargestPercent)});
    }
    std::vector<std::size_t> widths(std::size(heading), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], CharacterCount(row[c]));
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c)
            line += c + 1 == row.size() ? row[c] : Padded(row[c], widths[c] + 2);
        lines.push_back(line);
    }
    lines.push_back(OptimizeSummary(report) + ".");
    return lines;
}

} // namespace zr48
