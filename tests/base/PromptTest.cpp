#include "support/ScriptedPrompt.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace zr48 {
namespace {

using test::ScriptedPrompt;

TEST(ScriptedPrompt, RecordsMessagesAndAnswersQuestionsFromItsScript)
{
    ScriptedPrompt prompt;
    prompt.answer(Answer::No, "overwrite").answer(Answer::Cancel);
    prompt.error("File not found:\nx.mpi");
    EXPECT_EQ(prompt.confirm("Do you want to overwrite it?", Buttons::YesNo), Answer::No);
    EXPECT_EQ(prompt.confirm("Save changes?", Buttons::YesNoCancel), Answer::Cancel);
    prompt.information("Done.");

    ASSERT_EQ(prompt.shown().size(), 4u);
    EXPECT_EQ(prompt.shown()[0].icon, Icon::Error);
    EXPECT_EQ(prompt.shown()[1].buttons, Buttons::YesNo);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"File not found:\nx.mpi"});
    EXPECT_EQ(prompt.messages().back(), "Done.");
}

TEST(ScriptedPrompt, FailsTheTestOnAnUnscriptedQuestion)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompt prompt;
            EXPECT_EQ(prompt.confirm("Delete everything?", Buttons::YesNoCancel), Answer::Cancel);
        },
        "unscripted question");
}

TEST(ScriptedPrompt, FailsTheTestOnAnAnswerThatIsNotOffered)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompt prompt;
            prompt.answer(Answer::Cancel);
            prompt.confirm("Continue?", Buttons::YesNo);
        },
        "is not a button");
}

TEST(ScriptedPrompt, FailsTheTestOnTheWrongQuestion)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompt prompt;
            prompt.answer(Answer::Yes, "overwrite");
            prompt.confirm("Delete?", Buttons::YesNo);
        },
        "expected a question containing");
}

TEST(ScriptedPrompt, FailsTheTestOnAnswersLeftUnused)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompt prompt;
            prompt.answer(Answer::Yes);
        },
        "never asked for");
}

TEST(Prompt, KnowsWhichAnswersEachButtonSetOffers)
{
    EXPECT_TRUE(offers(Buttons::Ok, Answer::Ok));
    EXPECT_FALSE(offers(Buttons::Ok, Answer::Cancel));
    EXPECT_TRUE(offers(Buttons::OkCancel, Answer::Cancel));
    EXPECT_FALSE(offers(Buttons::YesNo, Answer::Cancel));
    EXPECT_TRUE(offers(Buttons::YesNoCancel, Answer::Cancel));
    EXPECT_FALSE(offers(Buttons::YesNoCancel, Answer::Ok));
}

} // namespace
} // namespace zr48
