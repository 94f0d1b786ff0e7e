#include "link/drivers/RealTimeLoop.h"

#include <algorithm>
#include <thread>

namespace zr48 {

RealTimeLoop::RealTimeLoop() : start_(std::chrono::steady_clock::now()) {}

std::int64_t RealTimeLoop::nowUs() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
}

int RealTimeLoop::fireDue(int maxWaitMs)
{
    const std::int64_t nowMs = nowUs() / 1000;
    if (nowMs > clock_.now())
        clock_.advance(nowMs - clock_.now());
    const auto due = clock_.nextDue();
    if (!due)
        return maxWaitMs;
    return static_cast<int>(std::clamp<std::int64_t>(*due - clock_.now(), 0, maxWaitMs));
}

bool RealTimeLoop::runUntil(const std::function<bool()>& done, int limitMs, const std::function<void(int ms)>& wait)
{
    const std::int64_t endMs = nowUs() / 1000 + limitMs;
    for (;;) {
        const int nextMs = fireDue(10);
        if (done())
            return true;
        const std::int64_t leftMs = endMs - nowUs() / 1000;
        if (leftMs <= 0)
            return false;
        const int ms = static_cast<int>(std::clamp<std::int64_t>(std::min<std::int64_t>(nextMs, leftMs), 1, 10));
        if (wait)
            wait(ms);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

} // namespace zr48
