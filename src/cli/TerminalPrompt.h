#pragma once
// Message boxes on the terminal: messages go to standard error after "zr48: ", questions are
// answered on standard input, or once for all by --yes / --no.

#include "base/Prompt.h"

#include <iosfwd>
#include <optional>

namespace zr48 {

class TerminalPrompt : public Prompt {
public:
    enum class Policy { Ask, AlwaysYes, AlwaysNo };

    TerminalPrompt(std::istream& in, std::ostream& err, Policy policy = Policy::Ask)
        : in_(in), err_(err), policy_(policy)
    {}
    void setPolicy(Policy policy) { policy_ = policy; }

    Answer show(const std::string& message, Icon icon, Buttons buttons) override;

private:
    std::optional<Answer> readAnswer(Buttons buttons);

    std::istream& in_;
    std::ostream& err_;
    Policy policy_;
};

} // namespace zr48
