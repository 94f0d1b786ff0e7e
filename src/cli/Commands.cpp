// The table of commands. Each command lives in a file of its own and is listed here once.

#include "cli/Cli.h"
#include "cli/CommandsBasic.h"
#include "cli/CommandsLink.h"
#include "cli/CommandsProject.h"

#include <array>

namespace zr48::cli {

std::span<const Command> commands()
{
    static const std::array table = {
        helpCommand(),
        settingsCommand(),
        // projects
        showCommand(),
        copyProjectCommand(),
        // the unit
        statusCommand(),
    };
    return table;
}

} // namespace zr48::cli
