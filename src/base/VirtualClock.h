#pragma once
// Virtual time for tests and simulations: nothing happens until advance() is called, and then
// every due timer fires in time order, the same way every run.

#include "base/Timer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace zr48 {

class VirtualClock : public TimerFactory {
public:
    VirtualClock();
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    std::unique_ptr<Timer> create(bool singleShot = false) override;

    std::int64_t now() const { return now_; }

    // Moves time forward by ms, firing every timer that falls due on the way, earliest first;
    // timers due at the same moment fire in the order they were started. A timer's handler may
    // advance the clock itself (a message box that lets time pass); time then ends where the
    // later of the two advances ends.
    void advance(std::int64_t ms);

    // Advances timer by timer until `done` holds or `limitMs` have passed; returns whether it held.
    bool advanceUntil(const std::function<bool()>& done, std::int64_t limitMs);

    // Time of the next expiry, if any timer is active.
    std::optional<std::int64_t> nextDue() const;

    // Work that is not a timer but must happen in virtual time (a simulated unit answering
    // after its latency) is scheduled the same way: once, at now + delayMs.
    void schedule(std::int64_t delayMs, std::function<void()> work);

private:
    class VirtualTimer;
    struct Entry {
        VirtualTimer* timer; // null for scheduled work
        std::int64_t due;
        std::uint64_t order;
        std::function<void()> work;
    };
    friend class VirtualTimer;

    void arm(VirtualTimer* timer, std::int64_t due);
    void disarm(VirtualTimer* timer);
    bool fireNext(std::int64_t limit);

    std::int64_t now_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::vector<Entry> entries_;
};

} // namespace zr48
