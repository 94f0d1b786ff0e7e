#include "cli/Interrupt.h"

#include <pthread.h>

#include <ctime>

namespace zr48::cli {

CtrlC::CtrlC(std::function<bool()> instead) : instead_(std::move(instead))
{
    if (instead_)
        return;
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
}

CtrlC::~CtrlC()
{
    if (instead_)
        return;
    if (pressed()) {
        const timespec none{};
        sigtimedwait(&set_, nullptr, &none); // handled: the transfer was stopped
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool CtrlC::pressed()
{
    if (pressed_)
        return true;
    if (instead_) {
        pressed_ = instead_();
    } else {
        sigset_t pending;
        sigpending(&pending);
        pressed_ = sigismember(&pending, SIGINT) == 1;
    }
    return pressed_;
}

} // namespace zr48::cli
