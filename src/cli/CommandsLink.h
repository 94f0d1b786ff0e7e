#pragma once

#include "cli/Cli.h"
#include "link/UsbZR48.h"

#include <functional>
#include <iosfwd>
#include <string>

namespace zr48::cli {

Command statusCommand();
Command listCommand();

// Runs timers until the condition holds or the milliseconds have passed; whether it held.
using RunUntil = std::function<bool(const std::function<bool()>& done, int limitMs)>;

// The body of `zr48 status` on a link just made: waits up to 3 s for the connection, asks the
// unit's firmware version and prints both. `how` names the way the unit is reached, for the
// message when none answers. Exit status 0 when connected, kExitNoUnit otherwise. With `json`, one
// JSON document on `out` either way.
int reportStatus(std::ostream& out, std::ostream& err, TUsbZR48& link, const RunUntil& runUntil, const std::string& how,
                 bool json = false);

} // namespace zr48::cli
