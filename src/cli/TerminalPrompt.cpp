#include "cli/TerminalPrompt.h"

#include "cli/Cli.h"

#include <istream>
#include <ostream>
#include <string>

namespace zr48 {

namespace {

const char* label(Icon icon)
{
    switch (icon) {
    case Icon::Error: return "error: ";
    case Icon::Information: return "";
    case Icon::Confirmation: return "question: ";
    case Icon::None: break;
    }
    return "";
}

const char* choices(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return "";
    case Buttons::OkCancel: return " [o]k/[c]ancel: ";
    case Buttons::YesNo: return " [y]es/[n]o: ";
    case Buttons::YesNoCancel: break;
    }
    return " [y]es/[n]o/[c]ancel: ";
}

// The answer that changes nothing: Cancel where offered, else No.
Answer safeAnswer(Buttons buttons)
{
    return offers(buttons, Answer::Cancel) ? Answer::Cancel : Answer::No;
}

// Messages keep their line breaks, each further line with the prefix too; a trailing one is
// dropped so the terminal stays tidy.
std::string forTerminal(const std::string& message)
{
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '\n')
            out += cli::kMessagePrefix;
    }
    return out;
}

} // namespace

Answer TerminalPrompt::show(const std::string& message, Icon icon, Buttons buttons)
{
    // One prefix for every message of the command line.
    err_ << cli::kMessagePrefix << label(icon) << forTerminal(message);
    if (buttons == Buttons::Ok) {
        err_ << '\n';
        return Answer::Ok;
    }
    switch (policy_) {
    case Policy::AlwaysYes: {
        const Answer yes = offers(buttons, Answer::Yes) ? Answer::Yes : Answer::Ok;
        err_ << choices(buttons) << toString(yes) << " (--yes)\n";
        return yes;
    }
    case Policy::AlwaysNo: {
        const Answer no = safeAnswer(buttons);
        err_ << choices(buttons) << toString(no) << " (--no)\n";
        return no;
    }
    case Policy::Ask: break;
    }
    for (;;) {
        err_ << choices(buttons) << std::flush;
        if (const auto answer = readAnswer(buttons))
            return *answer;
        if (!in_.good()) {
            const Answer fallback = safeAnswer(buttons);
            err_ << toString(fallback) << " (no input)\n";
            return fallback;
        }
    }
}

std::optional<Answer> TerminalPrompt::readAnswer(Buttons buttons)
{
    std::string line;
    if (!std::getline(in_, line) || line.empty())
        return std::nullopt;
    Answer answer;
    switch (line[0]) {
    case 'y':
    case 'Y': answer = Answer::Yes; break;
    case 'n':
    case 'N': answer = Answer::No; break;
    case 'c':
    case 'C': answer = Answer::Cancel; break;
    case 'o':
    case 'O': answer = Answer::Ok; break;
    default: return std::nullopt;
    }
    return offers(buttons, answer) ? std::optional<Answer>(answer) : std::nullopt;
}

} // namespace zr48
