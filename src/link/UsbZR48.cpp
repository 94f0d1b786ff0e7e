#include "link/UsbZR48.h"

#include "link/Frames.h"

#include <algorithm>
#include <cstdio>

namespace zr48 {

void TimerRxThreadHost::start(std::shared_ptr<TZR48USBRxThread> thread, LinkTransport&, Turn turn)
{
    // Threads that ended are let go here, never while one of their turns runs: a turn that shows
    // a message may reopen the link, and so start a thread, from inside itself.
    std::erase_if(running_, [](const Running& r) { return !r.timer->active() && r.turning == 0; });
    Running& r = running_.emplace_back(Running{std::move(thread), timers_.create(false), 0});
    r.timer->onTimeout = [&r, turn = std::move(turn)] {
        // A stopped thread's turn would read nothing; the thread ends here.
        if (r.thread->Terminated()) {
            r.timer->stop();
            return;
        }
        ++r.turning;
        turn(*r.thread);
        --r.turning;
    };
    r.timer->start(1);
}

TUsbZR48::TUsbZR48(TimerFactory& timers, LinkTransport& driver, RxThreadHost& threads, StatusSink statusSink)
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
    Text status = text;
    // The driver's reason beside the code, where it knows one: "USB Error 3 (Permission denied)",
    // "Not Connected (Connection refused by site:7000)".
    if (!connected_ && lastStatus_ != FT_OK && !lastFailure_.reason.empty())
        status += " (" + fromUtf8(lastFailure_.reason) + ")";
    return status;
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
    readPos_ = readEnd_ = 0; // bytes read for the old open are never collected
    driver_.close();
    deviceOpen_ = false;
}

void TUsbZR48::Open()
{
    lastStatus_ = driver_.open();
    lastFailure_ = lastStatus_ == FT_OK ? FtFailure{} : driver_.lastFailure();
    if (lastStatus_ != FT_OK)
        return;
    deviceOpen_ = true;
    // A failure from here on leaves the device open without a receive thread; the next
    // reopen closes it.
    if (SerialLine* line = driver_.serialLine()) {
        if ((lastStatus_ = line->setBaudRate(230400)) != FT_OK)
            return;
        if ((lastStatus_ = line->setDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE)) != FT_OK)
            return;
        if ((lastStatus_ = line->setFlowControl(FT_FLOW_NONE)) != FT_OK)
            return;
        // Speed only: a converter that keeps its 16 ms latency still works, more slowly.
        line->setLatencyTimer(1);
    }
    thread_ = std::make_shared<TZR48USBRxThread>();
    threads_.start(thread_, driver_, [this](TZR48USBRxThread& thread) { ReceiveTurn(thread); });
}

void TUsbZR48::ReceiveTurn(TZR48USBRxThread& thread)
{
    // A stopped thread's turn reads nothing: no byte of a new open is collected into its buffer.
    if (thread.Terminated() || &thread != thread_.get())
        return;
    // A frame handler that shows a message runs further turns inside this one. Each of them
    // continues where the one it interrupts stands, bytes already read first, so every byte is
    // collected once and in order; the interrupted turn then finds nothing left.
    const std::size_t pending = readEnd_ - readPos_;
    std::copy(readBuffer_.begin() + static_cast<std::ptrdiff_t>(readPos_),
              readBuffer_.begin() + static_cast<std::ptrdiff_t>(readEnd_), readBuffer_.begin());
    readPos_ = 0;
    readEnd_ = pending;
    const std::size_t room = readBuffer_.size() - readEnd_;
    const std::size_t queued = room > 0 ? driver_.queuedBytes() : 0;
    if (queued > 0)
        readEnd_ += driver_.read(readBuffer_.data() + readEnd_, std::min(queued, room));

    // Keeps the collector alive should a handler reopen the link while its frame is delivered.
    const std::shared_ptr<TZR48USBRxThread> keep = thread_;
    // A frame leaves the collector before it is delivered, so that a turn inside the handler
    // can collect the next ones; the copy lives as long as this turn.
    std::array<std::uint8_t, kMaxPayload> frame;
    while (readPos_ < readEnd_) {
        if (!thread.collector.push(readBuffer_[readPos_++]))
            continue;
        const auto collected = thread.collector.frame();
        std::copy(collected.begin(), collected.end(), frame.begin());
        Deliver(frame.data(), collected.size());
        if (thread.Terminated())
            return; // the handler reopened the link: what is left belongs to the old open
    }
}

void TUsbZR48::Deliver(const std::uint8_t* payload, std::size_t length)
{
    // Frames that complete before anyone listens are dropped and leave the state as it is.
    if (!handler_)
        return;
    const FrameHandler handler = handler_; // a handler may replace itself
    if (!connected_) {
        // Connected before the notice runs: a turn inside its handler must not announce again.
        connected_ = true;
        handler(nullptr, 0);
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
