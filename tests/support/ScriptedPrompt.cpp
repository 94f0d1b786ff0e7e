#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace zr48::test {

ScriptedPrompt::~ScriptedPrompt()
{
    EXPECT_TRUE(script_.empty()) << script_.size() << " scripted answer(s) were never asked for";
}

ScriptedPrompt& ScriptedPrompt::answer(Answer answer, std::string expectedPart)
{
    script_.push_back({answer, std::move(expectedPart)});
    return *this;
}

Answer ScriptedPrompt::show(const std::string& message, Icon icon, Buttons buttons)
{
    if (whenShown)
        whenShown(message);
    Answer answer = Answer::Ok;
    if (buttons != Buttons::Ok) {
        if (script_.empty()) {
            ADD_FAILURE() << "unscripted question (" << toString(buttons) << "): " << message;
            answer = offers(buttons, Answer::Cancel) ? Answer::Cancel : Answer::No;
        } else {
            const Scripted next = script_.front();
            script_.pop_front();
            EXPECT_TRUE(offers(buttons, next.answer))
                << "scripted answer " << toString(next.answer) << " is not a button of " << message;
            EXPECT_NE(message.find(next.expectedPart), std::string::npos)
                << "expected a question containing \"" << next.expectedPart << "\", got \"" << message << '"';
            answer = next.answer;
        }
    }
    shown_.push_back({message, icon, buttons, answer});
    return answer;
}

std::vector<std::string> ScriptedPrompt::messages() const
{
    std::vector<std::string> out;
    for (const Shown& s : shown_)
        out.push_back(s.message);
    return out;
}

std::vector<std::string> ScriptedPrompt::errors() const
{
    std::vector<std::string> out;
    for (const Shown& s : shown_) {
        if (s.icon == Icon::Error)
            out.push_back(s.message);
    }
    return out;
}

} // namespace zr48::test
