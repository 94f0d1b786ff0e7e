#include "cli/TerminalPrompt.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zr48 {
namespace {

TEST(TerminalPrompt, AnswersFromTheTerminal)
{
    const struct {
        const char* input;
        Buttons buttons;
        TerminalPrompt::Policy policy;
        Answer expected;
    } cases[] = {
        {"y\n", Buttons::YesNo, TerminalPrompt::Policy::Ask, Answer::Yes},
        {"No\n", Buttons::YesNoCancel, TerminalPrompt::Policy::Ask, Answer::No},
        {"c\n", Buttons::YesNo, TerminalPrompt::Policy::Ask, Answer::No},                // not offered; input ends
        {"x\n\nc\n", Buttons::YesNoCancel, TerminalPrompt::Policy::Ask, Answer::Cancel}, // asks again
        {"", Buttons::YesNoCancel, TerminalPrompt::Policy::Ask, Answer::Cancel},         // no input: safe answer
        {"", Buttons::YesNo, TerminalPrompt::Policy::Ask, Answer::No},
        {"o\n", Buttons::OkCancel, TerminalPrompt::Policy::Ask, Answer::Ok},
        {"", Buttons::YesNo, TerminalPrompt::Policy::AlwaysYes, Answer::Yes},
        {"", Buttons::OkCancel, TerminalPrompt::Policy::AlwaysYes, Answer::Ok},
        {"y\n", Buttons::YesNoCancel, TerminalPrompt::Policy::AlwaysNo, Answer::Cancel},
        {"y\n", Buttons::YesNo, TerminalPrompt::Policy::AlwaysNo, Answer::No},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        std::ostringstream err;
        TerminalPrompt prompt(in, err, c.policy);
        EXPECT_EQ(prompt.show("Overwrite?", Icon::Confirmation, c.buttons), c.expected)
            << "input \"" << c.input << "\", buttons " << toString(c.buttons);
    }
}

TEST(TerminalPrompt, WritesMessagesAsTheyAreToStandardErrorAfterTheCommandsPrefix)
{
    // Messages are UTF-8 already: a path in them reaches the terminal unchanged.
    std::istringstream in;
    std::ostringstream err;
    TerminalPrompt prompt(in, err, TerminalPrompt::Policy::AlwaysNo);
    prompt.error("File not found:\n/srv/Проект/家.mpi\n");
    prompt.information("Update finished.");
    prompt.confirm("Replace it?", Buttons::YesNo);
    EXPECT_EQ(err.str(), "zr48: error: File not found:\nzr48: /srv/Проект/家.mpi\n"
                         "zr48: Update finished.\n"
                         "zr48: question: Replace it? [y]es/[n]o: No (--no)\n");
}

} // namespace
} // namespace zr48
