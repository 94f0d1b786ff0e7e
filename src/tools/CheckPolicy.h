#pragma once
// What a device tool does when the file it is to write to the unit fails its check (a damaged
// card image, a file that is no firmware): the desktop program asks, the command line refuses
// unless --force is given.

#include "base/Text.h"

namespace zr48 {

class Prompt;

enum class CheckPolicy {
    Refuse, // show the problem as an error and stop
    Ask,    // show the problem and ask whether to go on anyway
    Force,  // go on without a word
};

// Whether to go on despite `problem`. Refuse shows the problem and `refused` (what was not done)
// as an error; Ask shows the problem and `question` with Yes and No, and goes on on Yes.
bool GoOnDespite(Prompt& prompt, CheckPolicy policy, const Text& problem, const Text& question, const Text& refused);

} // namespace zr48
