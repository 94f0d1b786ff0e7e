#pragma once

#include "base/Timer.h"
#include "cli/Cli.h"
#include "cli/CommandsLink.h"
#include "cli/ProgressBar.h"
#include "link/UsbZR48.h"

#include <iosfwd>
#include <string>

namespace zr48::cli {

// `zr48 ir capture|analyse|optimize ...`: the infrared tools from the terminal.
Command irCommand();

// The body of `zr48 ir capture` on a link just made: asks the unit for a capture, waits for it,
// fetches it with a progress bar on `err` and writes the captured bytes to `path`. `timers` run
// the link's timers, `elapsedSeconds` tells the time for the progress bar; `how` names the way the
// unit is reached. When `interrupted` tells of Ctrl-C (`runUntil` then returns false), the capture
// ends and nothing is written.
int captureToFile(std::ostream& out, std::ostream& err, TUsbZR48& link, TimerFactory& timers,
                  const std::function<double()>& elapsedSeconds, const RunUntil& runUntil, const std::string& how,
                  const Path& path, ProgressBar::Mode barMode, const std::function<bool()>& interrupted = {});

} // namespace zr48::cli
