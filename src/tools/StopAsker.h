#pragma once
// Who asks a device tool to stop a transfer that runs: its own dialog (Cancel, Esc, the close
// button), or the program that is about to quit. The question says which.

#include "base/Prompt.h"

#include <string>

namespace zr48 {

enum class StopAsker { Dialog, Quit };

// The question before a running transfer stops: `asked` when its dialog asks, `quitting` when the
// program quits. Yes stops ("Stop Download", "Stop Download and Quit" for `stop` "Stop Download"),
// No continues, and Enter gives No.
inline Question stopTransferQuestion(StopAsker asker, const std::string& asked, const std::string& quitting,
                                     const std::string& stop)
{
    Question question;
    question.message = asker == StopAsker::Quit ? quitting : asked;
    question.yesCaption = asker == StopAsker::Quit ? stop + " and &Quit" : "&" + stop;
    question.noCaption = "&Continue";
    question.defaultAnswer = Answer::No;
    return question;
}

} // namespace zr48
