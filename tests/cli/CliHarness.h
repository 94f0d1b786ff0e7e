#pragma once
// A zr48 command line run in a test: output captured, questions answered by a script, settings
// in memory, and device commands on the simulated unit in virtual time.

#include "base/Settings.h"
#include "cli/Cli.h"
#include "support/ScriptedPrompt.h"

#include <sstream>

namespace zr48::cli {

struct CliHarness {
    // Runs a whole command line with fresh output streams.
    int runCli(const Arguments& arguments)
    {
        out.str({});
        err.str({});
        return run(environment, arguments);
    }

    std::ostringstream out;
    std::ostringstream err;
    test::ScriptedPrompt prompt;
    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
    Environment environment{out, err, prompt, settings, {}, {.virtualTime = true}};
};

} // namespace zr48::cli
