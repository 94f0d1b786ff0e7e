#pragma once
// `zr48 ir decode|encode|protocols|import|export`: infrared codes as protocols name them, and the files of
// the world (Pronto hex, Flipper `.ir`) in and out of device files.

#include "cli/Cli.h"

namespace zr48::cli {

Command irDecodeCommand();
Command irEncodeCommand();
Command irProtocolsCommand();
Command irImportCommand();
Command irExportCommand();

} // namespace zr48::cli
