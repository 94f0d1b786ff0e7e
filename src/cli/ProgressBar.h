#pragma once
// A progress bar on the terminal: counts, rate and time left. Rendering is pure (time is passed
// in), so it can be tested; ProgressBar itself only decides when to draw.

#include <cstdint>
#include <iosfwd>
#include <string>

namespace zr48::cli {

// "[#########...........]  900/2000 sectors  450.0 sectors/s  0:02 left"
std::string renderProgress(std::int64_t position, std::int64_t maximum, double elapsedSeconds, const std::string& unit,
                           int barWidth = 24);

class ProgressBar {
public:
    // Redraw: on a terminal, the bar is redrawn in place. Lines: elsewhere (a log, a pipe), a line
    // at every tenth of the way. Off: nothing (zr48 -q).
    enum class Mode { Redraw, Lines, Off };

    ProgressBar(std::ostream& out, std::string unit, Mode mode);

    void update(std::int64_t position, std::int64_t maximum, double elapsedSeconds);
    // Ends the bar's line (once).
    void finish();

private:
    std::ostream& out_;
    std::string unit_;
    Mode mode_;
    bool drawn_ = false;
    int lastTenth_ = -1;
    std::size_t lastLength_ = 0;
};

// How bars on `err` are drawn: not at all when quiet, redrawn where `err` is the terminal's
// standard error (and time is real), else as lines.
ProgressBar::Mode progressMode(const std::ostream& err, bool quiet, bool virtualTime);

} // namespace zr48::cli
