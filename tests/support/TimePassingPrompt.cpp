#include "support/TimePassingPrompt.h"

namespace zr48::test {

Answer TimePassingPrompt::show(const std::string& message, Icon icon, Buttons buttons)
{
    std::function<void()> unused;
    return hold(message, icon, buttons, unused);
}

Answer TimePassingPrompt::showQuestion(const Question& question, std::function<void()>& close)
{
    questions_.push_back(question);
    return hold(question.message, question.icon, question.buttons, close);
}

Answer TimePassingPrompt::hold(const std::string& message, Icon icon, Buttons buttons, std::function<void()>& close)
{
    // The answer is taken when the message opens, so nested messages take theirs in the order
    // they appear.
    const Answer answer = ScriptedPrompt::show(message, icon, buttons);
    const std::size_t index = opens_.size();
    opens_.push_back({message, clock_.now()});
    ++openNow_;
    bool closed = false;
    const auto closeNow = [this, index, &closed](bool withdrawn) {
        if (closed)
            return;
        closed = true;
        --openNow_;
        opens_[index].closedMs = clock_.now();
        opens_[index].withdrawn = withdrawn;
    };
    // A question that its asker takes back closes at that moment, as a message box does; what the
    // asker shows next opens after it.
    close = [&closeNow] { closeNow(true); };
    if (whileOpen)
        whileOpen(message);
    clock_.advanceUntil([&closed] { return closed; }, openMs);
    close = nullptr;
    closeNow(false);
    return answer;
}

} // namespace zr48::test
