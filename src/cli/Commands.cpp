// The table of commands. Each command lives in a file of its own and is listed here once.

#include "cli/Cli.h"
#include "cli/CommandsBasic.h"
#include "cli/CommandsInfrared.h"
#include "cli/CommandsProject.h"

#include <array>

namespace zr48::cli {

std::span<const Command> commands()
{
    // One command a line, so that each new command is a line of its own.
    // clang-format off
    static const std::array table = {
        helpCommand(),
        settingsCommand(),
        showCommand(),
        copyProjectCommand(),
        irCommand(),
    };
    // clang-format on
    return table;
}

} // namespace zr48::cli
