#pragma once
// Every message box of the system goes out through a Prompt: message boxes in the app,
// the terminal in the command-line tool, a scripted fake in tests. Messages are UTF-8, so that
// they can name any path; a Windows-1252 text of the unit goes in through toUtf8.

#include "base/Text.h"

#include <functional>
#include <optional>
#include <string>

namespace zr48 {

enum class Icon { Error, Information, Confirmation, None };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// A question about something that goes on while it is open (a transfer): its buttons say what they
// do, Enter gives the safe answer, and the asker takes it back when what it asks about ends first.
struct Question {
    std::string message;
    Icon icon = Icon::Confirmation;
    Buttons buttons = Buttons::YesNo;
    // The captions of Yes and No ("&" marks the mnemonic); empty: the plain ones.
    std::string yesCaption;
    std::string noCaption;
    // What Enter answers.
    Answer defaultAnswer = Answer::No;
};

// The handle of a question while it is open. The asker keeps it and calls withdraw() when the
// question has become pointless; the prompt that shows the question closes it then.
class OpenQuestion {
public:
    bool isOpen() const { return open_; }
    // Closes the question if it is open; its ask() then returns nothing. Harmless when none is open.
    void withdraw();

private:
    friend class Prompt;
    bool open_ = false;
    bool withdrawn_ = false;
    std::function<void()> close_;
};

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows a modal message and returns the button chosen.
    virtual Answer show(const std::string& message, Icon icon, Buttons buttons) = 0;

    // Asks `question` and returns the button chosen, or nothing when the asker withdrew it through
    // `handle` while it was open. A prompt that cannot close a message from outside still returns
    // nothing for a withdrawn question, whatever its user answered.
    std::optional<Answer> ask(const Question& question, OpenQuestion& handle);

    void error(const std::string& message) { show(message, Icon::Error, Buttons::Ok); }
    void information(const std::string& message) { show(message, Icon::Information, Buttons::Ok); }
    Answer confirm(const std::string& message, Buttons buttons) { return show(message, Icon::Confirmation, buttons); }

protected:
    // Shows `question` until it is answered or `close` is called (from a timer or frame handler
    // that runs while it is open). By default a plain message, which nothing closes from outside.
    virtual Answer showQuestion(const Question& question, std::function<void()>& close);
};

const char* toString(Icon icon);
const char* toString(Buttons buttons);
const char* toString(Answer answer);

// Whether `answer` is one of the buttons of `buttons`.
bool offers(Buttons buttons, Answer answer);

} // namespace zr48
