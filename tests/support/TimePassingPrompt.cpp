#include "support/TimePassingPrompt.h"

namespace zr48::test {

Answer TimePassingPrompt::show(const std::string& message, Icon icon, Buttons buttons)
{
    // The answer is taken when the message opens, so nested messages take theirs in the order
    // they appear.
    const Answer answer = ScriptedPrompt::show(message, icon, buttons);
    const std::size_t index = opens_.size();
    opens_.push_back({message, clock_.now()});
    ++openNow_;
    if (whileOpen)
        whileOpen(message);
    clock_.advance(openMs);
    --openNow_;
    opens_[index].closedMs = clock_.now();
    return answer;
}

} // namespace zr48::test
