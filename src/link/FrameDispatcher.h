#pragma once
// The main window's frame dispatcher: the link's one frame handler, passing each frame on to the
// tools in a fixed order. The connect notice (no payload) goes only to the firmware updater;
// every other frame first to the document windows (sector viewers, infrared scopes) whose window
// id equals byte 1, in document-window order, then to the downloader, uploader, firmware updater
// and display dump, whatever byte 1 holds, and last to every subscriber, in the order they
// subscribed. Neither type nor length is checked here.
//
// A subscription ends with its owner: a reader made for one command or one window (the card
// comparer, the card reader of a dump) takes frames while it lives and never borrows a dialog's place.

#include <cstdint>
#include <functional>
#include <list>
#include <memory>

namespace zr48 {

class FrameDispatcher {
public:
    using Receiver = std::function<void(const std::uint8_t* payload, int length)>;
    // Calls its argument once per frame-taking document window, in document-window order.
    using WindowVisitor = std::function<void(int windowId, const Receiver& receiver)>;
    using WindowList = std::function<void(const WindowVisitor& visit)>;

    enum class Dialog { Downloader, Uploader, Firmware, DisplayDump };

private:
    struct Subscriber {
        Receiver receiver;
        bool alive = true;
    };
    using Subscribers = std::list<std::shared_ptr<Subscriber>>;

public:
    // Takes frames until it is destroyed or reset; it may outlive its dispatcher.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept = default;
        Subscription& operator=(Subscription&& other) noexcept;
        ~Subscription() { reset(); }
        void reset();

    private:
        friend class FrameDispatcher;
        Subscription(std::weak_ptr<Subscribers> list, std::shared_ptr<Subscriber> subscriber)
            : list_(std::move(list)), subscriber_(std::move(subscriber))
        {}
        std::weak_ptr<Subscribers> list_;
        std::shared_ptr<Subscriber> subscriber_;
    };

    void setConnectNotice(std::function<void()> notice) { connectNotice_ = std::move(notice); }
    void setDialogReceiver(Dialog dialog, Receiver receiver);
    void setWindowList(WindowList windows) { windows_ = std::move(windows); }
    [[nodiscard]] Subscription subscribe(Receiver receiver);

    // The link's frame handler.
    void Dispatch(const std::uint8_t* payload, int length) const;

private:
    std::function<void()> connectNotice_;
    Receiver dialogs_[4];
    WindowList windows_;
    std::shared_ptr<Subscribers> subscribers_ = std::make_shared<Subscribers>();
};

} // namespace zr48
