#pragma once
// Timers on Qt's event loop, for the app and the command-line tool.

#include "base/Timer.h"

namespace zr48 {

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<Timer> create(bool singleShot = false) override;
};

} // namespace zr48
