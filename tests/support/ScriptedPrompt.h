#pragma once
// The prompt of tests: records every message and answers questions from a script.
// A question nobody scripted, an answer the question does not offer, and scripted answers
// left unused at the end all fail the running test.

#include "base/Prompt.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace zr48::test {

class ScriptedPrompt : public Prompt {
public:
    struct Shown {
        std::string message; // UTF-8
        Icon icon;
        Buttons buttons;
        Answer answer;
    };

    ~ScriptedPrompt() override;

    // Queues the answer to the next question; `expectedPart`, when given, must occur in it.
    ScriptedPrompt& answer(Answer answer, std::string expectedPart = {});

    Answer show(const std::string& message, Icon icon, Buttons buttons) override;

    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<std::string> messages() const;
    // Messages shown with the error icon.
    std::vector<std::string> errors() const;
    size_t pendingAnswers() const { return script_.size(); }
    // Runs as each message opens, before it is answered: what the user sees meanwhile.
    std::function<void(const std::string& message)> whenShown;
    void clear() { shown_.clear(); }

private:
    struct Scripted {
        Answer answer;
        std::string expectedPart;
    };
    std::deque<Scripted> script_;
    std::vector<Shown> shown_;
};

} // namespace zr48::test
