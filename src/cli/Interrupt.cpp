#include "cli/Interrupt.h"

namespace zr48::cli {

CtrlC::CtrlC(std::function<bool()> instead) : instead_(std::move(instead))
{
    if (!instead_)
        watch_.emplace();
}

bool CtrlC::pressed()
{
    if (!pressed_)
        pressed_ = instead_ ? instead_() : watch_->pressed();
    return pressed_;
}

} // namespace zr48::cli
