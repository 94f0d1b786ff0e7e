#pragma once
// Every message box of the system goes out through a Prompt: message boxes in the app,
// the terminal in the command-line tool, a scripted fake in tests. Messages are UTF-8, so that
// they can name any path; a Windows-1252 text of the unit goes in through toUtf8.

#include "base/Text.h"

#include <string>

namespace zr48 {

enum class Icon { Error, Information, Confirmation, None };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows a modal message and returns the button chosen.
    virtual Answer show(const std::string& message, Icon icon, Buttons buttons) = 0;

    void error(const std::string& message) { show(message, Icon::Error, Buttons::Ok); }
    void information(const std::string& message) { show(message, Icon::Information, Buttons::Ok); }
    Answer confirm(const std::string& message, Buttons buttons) { return show(message, Icon::Confirmation, buttons); }
};

const char* toString(Icon icon);
const char* toString(Buttons buttons);
const char* toString(Answer answer);

// Whether `answer` is one of the buttons of `buttons`.
bool offers(Buttons buttons, Answer answer);

} // namespace zr48
