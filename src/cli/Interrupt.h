#pragma once
// Ctrl-C while a transfer runs: SIGINT is held back for the transfer's time and noticed between
// timers, so that the transfer ends as its Cancel button ends it, with a message that says what
// was kept. Outside a transfer, Ctrl-C ends the program as usual.

#include <functional>

#include <csignal>

namespace zr48::cli {

class CtrlC {
public:
    // Made before the unit's session, whose threads take over the signal mask. With `instead`
    // (tests), that is asked and the signal is left alone.
    explicit CtrlC(std::function<bool()> instead = {});
    ~CtrlC();
    CtrlC(const CtrlC&) = delete;
    CtrlC& operator=(const CtrlC&) = delete;

    // Whether Ctrl-C has been pressed since the transfer began; it stays pressed.
    bool pressed();

private:
    std::function<bool()> instead_;
    bool pressed_ = false;
    sigset_t set_{};
    sigset_t previous_{};
};

} // namespace zr48::cli
