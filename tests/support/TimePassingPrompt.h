#pragma once
// A scripted prompt whose messages stay open for a while in virtual time, as a user reads them:
// while one is open the clock moves on, so link frames, keep-alives and the tools' timers go on
// running inside the message, as they do under a real message box.

#include "base/VirtualClock.h"
#include "support/ScriptedPrompt.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zr48::test {

class TimePassingPrompt : public ScriptedPrompt {
public:
    struct Open {
        std::string message; // UTF-8
        std::int64_t openedMs;
        std::int64_t closedMs = -1; // -1 while still open
        bool withdrawn = false;     // closed by its asker before the user answered
    };

    // Every message stays open `holdMs` of virtual time, then gets its scripted answer; a question
    // that its asker withdraws meanwhile closes at once.
    TimePassingPrompt(VirtualClock& clock, std::int64_t holdMs) : openMs(holdMs), clock_(clock) {}

    Answer show(const std::string& message, Icon icon, Buttons buttons) override;

    // When each message opened and closed, in the order they opened.
    const std::vector<Open>& opens() const { return opens_; }
    // The questions asked through Prompt::ask, with their captions and safe answers.
    const std::vector<Question>& questions() const { return questions_; }
    // Messages open at this moment (more than one when a handler shows one inside another).
    int openNow() const { return openNow_; }

    // How long the next messages stay open.
    std::int64_t openMs;
    // Runs as soon as a message opens, before time passes: what the user does meanwhile.
    std::function<void(const std::string& message)> whileOpen;

protected:
    Answer showQuestion(const Question& question, std::function<void()>& close) override;

private:
    Answer hold(const std::string& message, Icon icon, Buttons buttons, std::function<void()>& close);

    VirtualClock& clock_;
    std::vector<Open> opens_;
    std::vector<Question> questions_;
    int openNow_ = 0;
};

} // namespace zr48::test
