#pragma once
// TUsbZR48, the one link to the ZR48: opens the converter, frames and sends payloads, collects
// received frames and hands each to one frame handler, keeps the line alive (every 500 ms without
// a send), reopens after 3,000 ms without a received frame and writes its status text every
// 100 ms. All of it runs on the user-interface thread; time comes from the timer seam.

#include "base/Text.h"
#include "base/Timer.h"
#include "link/Framing.h"
#include "link/FtDriver.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <span>
#include <vector>

namespace zr48 {

// One receive thread's state: the frame being collected and whether the thread was told to stop.
// A new open gets a new one, so no byte of a new open lands in a stopped thread's buffer.
class TZR48USBRxThread {
public:
    FrameCollector collector;

    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }

private:
    std::atomic<bool> terminated_{false};
};

// Runs receive threads. The app runs each on a thread of its own that waits for the driver's
// readiness and hands every receive turn to the user-interface thread; in virtual time a timer
// runs the turns. Either way the turn itself runs where the link's timers run.
class RxThreadHost {
public:
    using Turn = std::function<void(TZR48USBRxThread&)>;
    virtual ~RxThreadHost() = default;
    // Serves `thread` until it is told to stop: wait at most 1 ms for bytes, then run `turn`
    // on the user-interface thread and wait until it has run.
    virtual void start(std::shared_ptr<TZR48USBRxThread> thread, LinkTransport& driver, Turn turn) = 0;
};

// Runs the receive turns from a 1 ms timer: the receive thread of virtual time and of the
// single-threaded command-line loop.
class TimerRxThreadHost : public RxThreadHost {
public:
    explicit TimerRxThreadHost(TimerFactory& timers) : timers_(timers) {}
    void start(std::shared_ptr<TZR48USBRxThread> thread, LinkTransport& driver, Turn turn) override;

private:
    struct Running {
        std::shared_ptr<TZR48USBRxThread> thread;
        std::unique_ptr<Timer> timer;
        int turning; // turns of this thread running now, one inside another
    };
    TimerFactory& timers_;
    std::list<Running> running_; // stable: each timer's handler refers to its entry
};

class TUsbZR48 {
public:
    // Called with (payload, length), or with (nullptr, 0) when the link has just become connected.
    // The bytes stay valid only for the call.
    using FrameHandler = std::function<void(const std::uint8_t* payload, int length)>;
    using StatusSink = std::function<void(const Text&)>;

    static constexpr int kReopenMs = 3000;
    static constexpr int kStatusMs = 100;
    static constexpr int kKeepAliveMs = 500;
    static constexpr std::size_t kReadBufferSize = 65536;

    // Starts the three timers and tries to open the converter at once.
    TUsbZR48(TimerFactory& timers, LinkTransport& driver, RxThreadHost& threads, StatusSink statusSink);
    // Stops the receive thread and closes the converter.
    ~TUsbZR48();
    TUsbZR48(const TUsbZR48&) = delete;
    TUsbZR48& operator=(const TUsbZR48&) = delete;

    void SetFrameHandler(FrameHandler handler);

    // Frames and writes one payload of 1 to 528 bytes; other lengths are refused. Works while
    // closed too, and then nothing reaches the unit.
    void Send(const std::uint8_t* payload, int length);
    void Send(std::span<const std::uint8_t> payload) { Send(payload.data(), static_cast<int>(payload.size())); }

    // A frame has been received since the last open.
    bool Connected() const { return connected_; }
    std::uint32_t TxCount() const { return txCount_; }
    std::uint32_t RxCount() const { return rxCount_; }
    // Result of the last open or line-setting call, and what the driver said beyond it.
    FtStatus LastStatus() const { return lastStatus_; }
    const FtFailure& LastFailure() const { return lastFailure_; }
    bool DeviceOpen() const { return deviceOpen_; }
    Text StatusText() const;

    // Closes, then opens again; the reopen timer runs this.
    void Reopen();

    // One receive turn of `thread`: read what is queued (at most 64 KiB), collect and deliver frames.
    // A turn of a thread that was told to stop reads nothing. Re-entrant: a frame handler that
    // shows a modal message runs turns inside this one, and they deliver the frames that follow.
    void ReceiveTurn(TZR48USBRxThread& thread);

private:
    void Close();
    void Open();
    void Deliver(const std::uint8_t* payload, std::size_t length);

    LinkTransport& driver_;
    RxThreadHost& threads_;
    StatusSink statusSink_;
    FrameHandler handler_;
    std::unique_ptr<Timer> reopenTimer_;
    std::unique_ptr<Timer> statusTimer_;
    std::unique_ptr<Timer> keepAliveTimer_;
    std::shared_ptr<TZR48USBRxThread> thread_;
    std::uint32_t txCount_ = 0;
    std::uint32_t rxCount_ = 0;
    FtStatus lastStatus_ = FT_DEVICE_NOT_FOUND;
    FtFailure lastFailure_;
    bool deviceOpen_ = false;
    bool connected_ = false;
    std::array<std::uint8_t, kMaxWireFrame> sendBuffer_{};
    // Bytes read and not yet collected lie in readBuffer_[readPos_, readEnd_).
    std::vector<std::uint8_t> readBuffer_;
    std::size_t readPos_ = 0;
    std::size_t readEnd_ = 0;
};

} // namespace zr48
