#pragma once
// The command line of zr48-sim, the simulated unit on a pseudo-terminal: one table of options,
// from which the program reads its arguments and its help and manual page are made.

#include "base/OptionTable.h"
#include "sim/ZR48Simulator.h"

#include <string>
#include <vector>

namespace zr48 {

struct SimCommandLine {
    bool pty = false;
    std::string cardFile;
    SimOptions options;
    bool help = false;
    bool version = false;
    // What is wrong with the line; empty when nothing is.
    std::string error;
};

// `arguments` without the program's name.
SimCommandLine parseSimCommandLine(const std::vector<std::string>& arguments);

// The program as its help and manual page describe it.
const ProgramDescription& simProgram();

} // namespace zr48
