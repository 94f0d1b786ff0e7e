#include "link/FrameDispatcher.h"

#include <vector>

namespace zr48 {

FrameDispatcher::Subscription& FrameDispatcher::Subscription::operator=(Subscription&& other) noexcept
{
    if (this != &other) {
        reset();
        list_ = std::move(other.list_);
        subscriber_ = std::move(other.subscriber_);
    }
    return *this;
}

void FrameDispatcher::Subscription::reset()
{
    if (!subscriber_)
        return;
    // A frame being dispatched right now does not reach it any more.
    subscriber_->alive = false;
    if (const auto list = list_.lock())
        list->remove(subscriber_);
    subscriber_.reset();
    list_.reset();
}

FrameDispatcher::Subscription FrameDispatcher::subscribe(Receiver receiver)
{
    auto subscriber = std::make_shared<Subscriber>(Subscriber{std::move(receiver)});
    subscribers_->push_back(subscriber);
    return Subscription(subscribers_, std::move(subscriber));
}

void FrameDispatcher::setDialogReceiver(Dialog dialog, Receiver receiver)
{
    dialogs_[static_cast<int>(dialog)] = std::move(receiver);
}

void FrameDispatcher::Dispatch(const std::uint8_t* payload, int length) const
{
    if (!payload) {
        if (connectNotice_)
            connectNotice_();
        return;
    }
    // Compared with the whole id, so a window whose id is 256 or more never matches.
    const int id = length > 1 ? payload[1] : 0;
    if (windows_)
        windows_([&](int windowId, const Receiver& receiver) {
            if (windowId == id && receiver)
                receiver(payload, length);
        });
    for (const Receiver& receiver : dialogs_)
        if (receiver)
            receiver(payload, length);
    // A receiver may subscribe or end subscriptions (a message box runs further frames meanwhile):
    // the frame goes to those subscribed when it arrived and still subscribed.
    const std::vector<std::shared_ptr<Subscriber>> now(subscribers_->begin(), subscribers_->end());
    for (const auto& subscriber : now)
        if (subscriber->alive && subscriber->receiver)
            subscriber->receiver(payload, length);
}

} // namespace zr48
