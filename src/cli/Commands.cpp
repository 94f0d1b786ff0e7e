// The table of commands. Each command lives in a file of its own and is listed here once.

#include "cli/Cli.h"
#include "cli/CommandsBasic.h"
#include "cli/CommandsCompare.h"
#include "cli/CommandsImage.h"
#include "cli/CommandsInfrared.h"
#include "cli/CommandsLink.h"
#include "cli/CommandsProject.h"
#include "cli/CommandsReport.h"
#include "cli/CommandsTransfer.h"
#include "cli/CommandsUnit.h"

#include <array>

namespace zr48::cli {

std::span<const Command> commands()
{
    // One line per file of commands, kept by hand: clang-format would pack a longer list into columns.
    // clang-format off
    static const std::array table = {
        helpCommand(), settingsCommand(),
        // projects and card images
        showCommand(), copyProjectCommand(), reportCommand(),
        compileCommand(), unpackCommand(), inspectCommand(),
        // the unit
        statusCommand(), listCommand(),
        downloadCommand(), uploadCommand(), dumpCardCommand(), compareCommand(),
        firmwareCommand(), versionCommand(), displayCommand(), sectorCommand(),
        // infrared
        irCommand(),
    };
    // clang-format on
    return table;
}

} // namespace zr48::cli
