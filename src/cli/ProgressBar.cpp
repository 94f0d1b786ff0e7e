#include "cli/ProgressBar.h"

#include "base/Platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <ostream>

namespace zr48::cli {

std::string renderProgress(std::int64_t position, std::int64_t maximum, double elapsedSeconds, const std::string& unit,
                           int barWidth)
{
    maximum = std::max<std::int64_t>(maximum, 0);
    position = std::clamp<std::int64_t>(position, 0, maximum);
    const double fraction = maximum > 0 ? static_cast<double>(position) / static_cast<double>(maximum) : 0.0;
    const int filled = static_cast<int>(fraction * barWidth);
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(barWidth - filled), '.') + "]  " + std::to_string(position) +
                       "/" + std::to_string(maximum) + " " + unit;
    if (elapsedSeconds > 0 && position > 0) {
        const double rate = static_cast<double>(position) / elapsedSeconds;
        char text[64];
        std::snprintf(text, sizeof text, "  %.1f %s/s", rate, unit.c_str());
        line += text;
        if (position < maximum) {
            const auto left = static_cast<long>(std::ceil(static_cast<double>(maximum - position) / rate));
            std::snprintf(text, sizeof text, "  %ld:%02ld left", left / 60, left % 60);
            line += text;
        }
    }
    return line;
}

ProgressBar::ProgressBar(std::ostream& out, std::string unit, Mode mode)
    : out_(out), unit_(std::move(unit)), mode_(mode)
{}

void ProgressBar::update(std::int64_t position, std::int64_t maximum, double elapsedSeconds)
{
    if (mode_ == Mode::Off)
        return;
    const std::string line = renderProgress(position, maximum, elapsedSeconds, unit_);
    if (mode_ == Mode::Redraw) {
        // Pad over the rest of a longer earlier line.
        out_ << '\r' << line << std::string(lastLength_ > line.size() ? lastLength_ - line.size() : 0, ' ')
             << std::flush;
        lastLength_ = line.size();
        drawn_ = true;
        return;
    }
    const int tenth = maximum > 0 ? static_cast<int>(10 * std::clamp<std::int64_t>(position, 0, maximum) / maximum) : 0;
    if (tenth != lastTenth_) {
        out_ << line << '\n';
        lastTenth_ = tenth;
    }
}

void ProgressBar::finish()
{
    if (drawn_)
        out_ << '\n';
    drawn_ = false;
}

ProgressBar::Mode progressMode(const std::ostream& err, bool quiet, bool virtualTime)
{
    if (quiet)
        return ProgressBar::Mode::Off;
    const bool terminal = err.rdbuf() == std::cerr.rdbuf() && platform::isTerminal(platform::StandardStream::Error);
    return terminal && !virtualTime ? ProgressBar::Mode::Redraw : ProgressBar::Mode::Lines;
}

} // namespace zr48::cli
