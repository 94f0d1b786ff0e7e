#include "base/Prompt.h"

namespace zr48 {

const char* toString(Icon icon)
{
    switch (icon) {
    case Icon::Error: return "Error";
    case Icon::Information: return "Information";
    case Icon::Confirmation: return "Confirmation";
    case Icon::None: break;
    }
    return "None";
}

const char* toString(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return "OK";
    case Buttons::OkCancel: return "OK/Cancel";
    case Buttons::YesNo: return "Yes/No";
    case Buttons::YesNoCancel: break;
    }
    return "Yes/No/Cancel";
}

const char* toString(Answer answer)
{
    switch (answer) {
    case Answer::Ok: return "OK";
    case Answer::Cancel: return "Cancel";
    case Answer::Yes: return "Yes";
    case Answer::No: break;
    }
    return "No";
}

void OpenQuestion::withdraw()
{
    if (!open_)
        return;
    withdrawn_ = true;
    if (close_)
        close_();
}

std::optional<Answer> Prompt::ask(const Question& question, OpenQuestion& handle)
{
    handle.open_ = true;
    handle.withdrawn_ = false;
    handle.close_ = nullptr;
    const Answer answer = showQuestion(question, handle.close_);
    handle.open_ = false;
    handle.close_ = nullptr;
    if (handle.withdrawn_)
        return std::nullopt;
    return answer;
}

Answer Prompt::showQuestion(const Question& question, std::function<void()>&)
{
    return show(question.message, question.icon, question.buttons);
}

bool offers(Buttons buttons, Answer answer)
{
    switch (buttons) {
    case Buttons::Ok: return answer == Answer::Ok;
    case Buttons::OkCancel: return answer == Answer::Ok || answer == Answer::Cancel;
    case Buttons::YesNo: return answer == Answer::Yes || answer == Answer::No;
    case Buttons::YesNoCancel: break;
    }
    return answer == Answer::Yes || answer == Answer::No || answer == Answer::Cancel;
}

} // namespace zr48
