#pragma once
// A zr48 command line run in a test: output captured, questions answered by a script, settings
// in memory, and device commands on the simulated unit in virtual time.

#include "base/Settings.h"
#include "cli/Cli.h"
#include "support/ScriptedPrompt.h"

#include <pthread.h>

#include <csignal>
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

// Runs `command` with `signal` already waiting, as one sent while it runs (SIGINT: Ctrl-C).
// `taken` says whether the command took it as its own (none is left pending afterwards).
template <class Command>
int withSignalPending(int signal, const Command& command, bool& taken)
{
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, signal);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous);
    raise(signal);
    const int status = command();
    sigset_t pending;
    sigpending(&pending);
    taken = !sigismember(&pending, signal);
    if (!taken) {
        const timespec none{};
        sigtimedwait(&interrupt, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return status;
}

template <class Command>
int withCtrlCPending(const Command& command, bool& taken)
{
    return withSignalPending(SIGINT, command, taken);
}

} // namespace zr48::cli
