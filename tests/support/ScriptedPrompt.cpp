#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace zr48::test {

ScriptedPrompt::~ScriptedPrompt()
{
    EXPECT_TRUE(script_.empty()) << script_.size() << " scripted answer(s) were never asked for";
}

ScriptedPrompt& ScriptedPrompt::answer(Answer answer, Text expectedPart)
{
    script_.push_back({answer, std::move(expectedPart)});
    return *this;
}

Answer ScriptedPrompt::show(const Text& message, Icon icon, Buttons buttons)
{
    Answer answer = Answer::Ok;
    if (buttons != Buttons::Ok) {
        if (script_.empty()) {
            ADD_FAILURE() << "unscripted question (" << toString(buttons) << "): " << toUtf8(message);
            answer = offers(buttons, Answer::Cancel) ? Answer::Cancel : Answer::No;
        } else {
            const Scripted next = script_.front();
            script_.pop_front();
            EXPECT_TRUE(offers(buttons, next.answer))
                << "scripted answer " << toString(next.answer) << " is not a button of " << toUtf8(message);
            EXPECT_NE(message.find(next.expectedPart), Text::npos)
                << "expected a question containing \"" << toUtf8(next.expectedPart) << "\", got \"" << toUtf8(message)
                << '"';
            answer = next.answer;
        }
    }
    shown_.push_back({message, icon, buttons, answer});
    return answer;
}

std::vector<Text> ScriptedPrompt::messages() const
{
    std::vector<Text> out;
    for (const Shown& s : shown_)
        out.push_back(s.message);
    return out;
}

std::vector<Text> ScriptedPrompt::errors() const
{
    std::vector<Text> out;
    for (const Shown& s : shown_) {
        if (s.icon == Icon::Error)
            out.push_back(s.message);
    }
    return out;
}

} // namespace zr48::test
