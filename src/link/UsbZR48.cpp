#include "link/UsbZR48.h"

#include "link/Frames.h"

#include <algorithm>
#include <cstdio>

namespace zr48 {

void TimerRxThreadHost::start(std::shared_ptr<TZR48USBRxThread> thread, FtDriver&, Turn turn)
{
    // Threads that ended are let go here, never from inside their own timer's tick.
    std::erase_if(running_, [](const Running& r) { return !r.timer->active(); });
    Running r{std::move(thread), timers_.create(false)};
    Timer* timer = r.timer.get();
    TZR48USBRxThread* served = r.thread.get();
    timer->onTimeout = [timer, served, turn = std::move(turn)] {
        // A stopped thread's turn would read nothing; the thread ends here.
        if (served->Terminated()) {
            timer->stop();
            return;
        }
        turn(*served);
    };
    timer->start(1);
    running_.push_back(std::move(r));
}

TUsbZR48::TUsbZR48(TimerFactory& timers, FtDriver& driver, RxThreadHost& threads, StatusSink statusSink)
    : driver_(driver), threads_(threads), statusSink_(std::move(statusSink)), reopenTimer_(timers.create(false)),
      statusTimer_(timers.create(false)), keepAliveTimer_(timers.create(false)), readBuffer_(kReadBufferSize)
{
    reopenTimer_->onTimeout = [this] { Reopen(); };
    statusTimer_->onTimeout = [this] {
        if (statusSink_)
            statusSink_(StatusText());
    };
    keepAliveTimer_->onTimeout = [this] {
        if (deviceOpen_) {
            const auto keepAlive = encode(KeepAliveFrame{});
            Send(keepAlive);
        }
    };
    reopenTimer_->start(kReopenMs);
    statusTimer_->start(kStatusMs);
    keepAliveTimer_->start(kKeepAliveMs);
    Reopen();
}

TUsbZR48::~TUsbZR48()
{
    Close();
}

void TUsbZR48::SetFrameHandler(FrameHandler handler)
{
    handler_ = std::move(handler);
}

Text TUsbZR48::StatusText() const
{
    char text[64];
    if (connected_)
        std::snprintf(text, sizeof text, "Connected (Rx:%lu, Tx:%lu)", static_cast<unsigned long>(rxCount_),
                      static_cast<unsigned long>(txCount_));
    else if (lastStatus_ == FT_DEVICE_NOT_FOUND)
        std::snprintf(text, sizeof text, "Not Connected");
    else if (lastStatus_ == FT_OK)
        std::snprintf(text, sizeof text, "Connecting...");
    else
        std::snprintf(text, sizeof text, "USB Error %lu", static_cast<unsigned long>(lastStatus_));
    return text;
}

void TUsbZR48::Send(const std::uint8_t* payload, int length)
{
    if (!payload || length < 1 || static_cast<std::size_t>(length) > kMaxPayload)
        return;
    if (payload[0] != static_cast<std::uint8_t>(FrameType::KeepAlive))
        txCount_ += static_cast<std::uint32_t>(length);
    const std::size_t n = stuffFrame({payload, static_cast<std::size_t>(length)}, sendBuffer_.data());
    driver_.write(sendBuffer_.data(), n);
    keepAliveTimer_->restart();
}

void TUsbZR48::Reopen()
{
    connected_ = false;
    Close();
    Open();
}

void TUsbZR48::Close()
{
    if (!deviceOpen_)
        return;
    if (thread_)
        thread_->Terminate(); // it ends after its current wait; nobody waits for it
    thread_.reset();
    driver_.close();
    deviceOpen_ = false;
}

void TUsbZR48::Open()
{
    lastStatus_ = driver_.openByDescription(kZr48Description);
    if (lastStatus_ != FT_OK)
        return;
    deviceOpen_ = true;
    // A failure from here on leaves the device open without a receive thread; the next
    // reopen closes it.
    if ((lastStatus_ = driver_.setBaudRate(230400)) != FT_OK)
        return;
    if ((lastStatus_ = driver_.setDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE)) != FT_OK)
        return;
    if ((lastStatus_ = driver_.setFlowControl(FT_FLOW_NONE)) != FT_OK)
        return;
    // Speed only: a converter that keeps its 16 ms latency still works, more slowly.
    driver_.setLatencyTimer(1);
    thread_ = std::make_shared<TZR48USBRxThread>();
    threads_.start(thread_, driver_, [this](TZR48USBRxThread& thread) { ReceiveTurn(thread); });
}

void TUsbZR48::ReceiveTurn(TZR48USBRxThread& thread)
{
    // A stopped thread's turn, or a turn that a modal loop inside a frame handler would nest
    // into the running one, reads nothing; the bytes wait for the next turn.
    if (thread.Terminated() || &thread != thread_.get() || inTurn_)
        return;
    const std::size_t queued = driver_.queuedBytes();
    if (queued == 0)
        return;
    const std::size_t n = driver_.read(readBuffer_.data(), std::min(queued, readBuffer_.size()));
    inTurn_ = true;
    struct TurnEnd {
        bool& flag;
        ~TurnEnd() { flag = false; }
    } turnEnd{inTurn_};
    // Keeps the collector alive should a handler reopen the link while its frame is delivered.
    const std::shared_ptr<TZR48USBRxThread> keep = thread_;
    thread.collector.feed({readBuffer_.data(), n},
                          [this](const std::uint8_t* payload, std::size_t length) { Deliver(payload, length); });
}

void TUsbZR48::Deliver(const std::uint8_t* payload, std::size_t length)
{
    // Frames that complete before anyone listens are dropped and leave the state as it is.
    if (!handler_)
        return;
    const FrameHandler handler = handler_; // a handler may replace itself
    if (!connected_) {
        handler(nullptr, 0);
        connected_ = true;
    }
    if (length > 0 && payload[0] != static_cast<std::uint8_t>(FrameType::KeepAliveReply))
        rxCount_ += static_cast<std::uint32_t>(length);
    reopenTimer_->restart();
    // An empty frame counts as received, but with length 0 it would look like the connect
    // notice, so the handler does not see it.
    if (length > 0)
        handler(payload, static_cast<int>(length));
}

} // namespace zr48
