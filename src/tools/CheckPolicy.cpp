#include "tools/CheckPolicy.h"

#include "base/Prompt.h"

namespace zr48 {

bool GoOnDespite(Prompt& prompt, CheckPolicy policy, const Text& problem, const Text& question, const Text& refused)
{
    switch (policy) {
    case CheckPolicy::Force: return true;
    case CheckPolicy::Ask: return prompt.confirm(problem + "\n" + question, Buttons::YesNo) == Answer::Yes;
    case CheckPolicy::Refuse: break;
    }
    prompt.error(problem + "\n" + refused);
    return false;
}

} // namespace zr48
