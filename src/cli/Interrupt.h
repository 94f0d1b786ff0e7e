#pragma once
// Ctrl-C while a transfer runs: held back for the transfer's time and noticed between timers, so
// that the transfer ends as its Cancel button ends it, with a message that says what was kept.
// Outside a transfer, Ctrl-C ends the program as usual. The holding is the system's business
// (`platform::CtrlCWatch`: SIGINT on Linux, the console's handler on Windows).

#include "base/Platform.h"

#include <functional>
#include <optional>

namespace zr48::cli {

class CtrlC {
public:
    // Made before the unit's session, whose threads take over the signal mask. With `instead`
    // (tests), that is asked and the key is left alone.
    explicit CtrlC(std::function<bool()> instead = {});
    CtrlC(const CtrlC&) = delete;
    CtrlC& operator=(const CtrlC&) = delete;

    // Whether Ctrl-C has been pressed since the transfer began; it stays pressed.
    bool pressed();

private:
    std::function<bool()> instead_;
    bool pressed_ = false;
    std::optional<platform::CtrlCWatch> watch_;
};

} // namespace zr48::cli
