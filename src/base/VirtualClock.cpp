#include "base/VirtualClock.h"

#include <algorithm>

namespace zr48 {

class VirtualClock::VirtualTimer : public Timer {
public:
    VirtualTimer(VirtualClock& clock, bool singleShot) : clock_(clock), singleShot_(singleShot) {}
    ~VirtualTimer() override { clock_.disarm(this); }

    void start(int intervalMs) override
    {
        interval_ = intervalMs;
        // A zero interval would fire endlessly without time moving on.
        clock_.arm(this, clock_.now_ + std::max(intervalMs, 1));
    }
    void stop() override { clock_.disarm(this); }
    bool active() const override { return active_; }
    int interval() const override { return interval_; }

    void expire()
    {
        if (singleShot_)
            clock_.disarm(this);
        else
            clock_.arm(this, clock_.now_ + std::max(interval_, 1));
        if (onTimeout)
            onTimeout();
    }

    bool active_ = false;

private:
    VirtualClock& clock_;
    bool singleShot_;
    int interval_ = 0;
};

VirtualClock::VirtualClock() = default;

VirtualClock::~VirtualClock() = default;

std::unique_ptr<Timer> VirtualClock::create(bool singleShot)
{
    return std::make_unique<VirtualTimer>(*this, singleShot);
}

void VirtualClock::arm(VirtualTimer* timer, std::int64_t due)
{
    disarm(timer);
    entries_.push_back({timer, due, nextOrder_++, {}});
    timer->active_ = true;
}

void VirtualClock::disarm(VirtualTimer* timer)
{
    std::erase_if(entries_, [timer](const Entry& e) { return e.timer == timer; });
    timer->active_ = false;
}

std::optional<std::int64_t> VirtualClock::nextDue() const
{
    if (entries_.empty())
        return std::nullopt;
    return std::min_element(entries_.begin(), entries_.end(),
                            [](const Entry& a, const Entry& b) { return a.due < b.due; })
        ->due;
}

bool VirtualClock::fireNext(std::int64_t limit)
{
    auto next = std::min_element(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    if (next == entries_.end() || next->due > limit)
        return false;
    now_ = next->due;
    if (next->timer) {
        next->timer->expire();
    } else {
        auto work = std::move(next->work);
        entries_.erase(next);
        work();
    }
    return true;
}

void VirtualClock::advance(std::int64_t ms)
{
    const std::int64_t target = now_ + std::max<std::int64_t>(ms, 0);
    while (fireNext(target)) {
    }
    // A timer's handler may have moved time further on (a message that lets time pass while it
    // is open); time never goes back.
    now_ = std::max(now_, target);
}

bool VirtualClock::advanceUntil(const std::function<bool()>& done, std::int64_t limitMs)
{
    const std::int64_t limit = now_ + limitMs;
    while (!done()) {
        if (!fireNext(limit)) {
            now_ = std::max(now_, limit);
            return done();
        }
    }
    return true;
}

void VirtualClock::schedule(std::int64_t delayMs, std::function<void()> work)
{
    entries_.push_back({nullptr, now_ + std::max<std::int64_t>(delayMs, 0), nextOrder_++, std::move(work)});
}

} // namespace zr48
