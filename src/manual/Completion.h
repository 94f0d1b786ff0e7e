#pragma once
// Bash completion for zr48, made from its command table: the commands and subcommands, the global
// options and each command's own, the link targets, and the files each argument and option value
// takes. It uses the helpers of the bash-completion package, which is what loads it.

#include <string>

namespace zr48::manual {

std::string zr48BashCompletion();

} // namespace zr48::manual
