#include "link/Exchange.h"

#include "base/Timer.h"

#include <algorithm>

namespace zr48 {

bool Awaited::matches(FrameView frame) const
{
    return frame.is(type) && (!number || frame.be16(2) == *number) && (!windowId || frame.windowId() == *windowId);
}

Exchange::Exchange(TimerFactory& timers, int intervalMs, int maxResends)
    : watchdog_(timers.create()), intervalMs_(intervalMs), maxResends_(maxResends)
{
    watchdog_->onTimeout = [this] { onWatchdog(); };
}

Exchange::~Exchange() = default;

int Exchange::WatchdogMs() const
{
    return intervalMs_;
}

void Exchange::Ask(std::span<const std::uint8_t> request, Awaited awaited, bool confirm,
                   std::span<const std::uint8_t> first)
{
    request_.assign(request.begin(), request.end());
    awaited_ = awaited;
    confirm_ = confirm || !first.empty();
    reads_.clear();
    if (!first.empty())
        reads_.emplace_back(first.begin(), first.end());
    waiting_ = true;
    Send();
}

void Exchange::Confirm(std::span<const std::uint8_t> first)
{
    reads_ = {{first.begin(), first.end()}};
    confirm_ = true;
    waiting_ = true;
    Send();
}

void Exchange::Send()
{
    resends_ = 0;
    if (send_)
        send_(request_);
    watchdog_->start(WatchdogMs());
}

bool Exchange::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, static_cast<std::size_t>(std::max(length, 0)));
    if (!waiting_ || !awaited_.matches(frame))
        return false;
    std::vector<std::uint8_t> reply(payload, payload + frame.length());
    int reads = 1;
    if (confirm_) {
        if (std::find(reads_.begin(), reads_.end(), reply) == reads_.end()) {
            reads_.push_back(std::move(reply));
            if (reads_.size() >= static_cast<std::size_t>(kMaxReads)) {
                Stop();
                if (onUnsettled)
                    onUnsettled();
                return true;
            }
            Send();
            return true;
        }
        reads = static_cast<int>(reads_.size()) + 1;
    }
    // Settled before the answer is passed on: the caller may ask the next at once.
    Stop();
    if (onReply)
        onReply(reply, reads);
    return true;
}

void Exchange::onWatchdog()
{
    if (!waiting_)
        return;
    if (resends_ >= maxResends_) {
        Stop();
        if (onNoAnswer)
            onNoAnswer();
        return;
    }
    if (send_)
        send_(request_);
    ++resends_;
}

void Exchange::Stop()
{
    waiting_ = false;
    watchdog_->stop();
}

} // namespace zr48
