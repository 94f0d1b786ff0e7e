#pragma once
// Time enters the logic only through timers; nothing in the core reads a clock or sleeps.
// The app runs them on Qt's event loop, tests on a VirtualClock.

#include <functional>
#include <memory>

namespace zr48 {

class Timer {
public:
    virtual ~Timer() = default;

    // Starts counting from now; a running timer starts over.
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
    // The interval of the last start (0 before the first).
    virtual int interval() const = 0;

    // Stop, then start again from now with the same interval.
    void restart()
    {
        stop();
        start(interval());
    }

    // Called on each expiry; a single-shot timer is no longer active when it runs.
    std::function<void()> onTimeout;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> create(bool singleShot = false) = 0;
};

} // namespace zr48
