#pragma once
// Timers in real time for a single-threaded program (the command-line tool, the simulator on a
// pseudo-terminal): a virtual clock that is moved along with the steady clock, so timers fire in
// the same order and way as in tests.

#include "base/VirtualClock.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace zr48 {

class RealTimeLoop : public TimerFactory {
public:
    RealTimeLoop();

    std::unique_ptr<Timer> create(bool singleShot = false) override { return clock_.create(singleShot); }
    VirtualClock& clock() { return clock_; }
    // Microseconds since the loop was made, for a simulated unit's timing.
    std::int64_t nowUs() const;

    // Fires the timers that are due by now; returns milliseconds until the next one (at most
    // `maxWaitMs`).
    int fireDue(int maxWaitMs);

    // Runs timers until `done` holds or `limitMs` have passed; `wait(ms)` passes the time in
    // between (by default it sleeps). Returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, int limitMs, const std::function<void(int ms)>& wait = {});

private:
    std::chrono::steady_clock::time_point start_;
    VirtualClock clock_;
};

} // namespace zr48
