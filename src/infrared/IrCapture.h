#pragma once
// The capture exchanges of one infrared scope: "Capture" asks the unit to capture (the request
// resent every 100 ms, at most 10 times, until the unit says it started), the unit's status is
// polled every 500 ms until it reports a length, and the captured bytes are fetched in blocks of
// 512 through an `Exchange`: each request resent every 100 ms, at most 10 times, and only the block
// asked for (its offset and this scope's window id) is taken; a late or foreign one is dropped.
// With verification a block is read until two reads agree. Frames arrive through HandleFrame (only
// those addressed to this scope's window id); requests leave through `send`.

#include "base/Timer.h"
#include "infrared/IrSamples.h"
#include "link/Exchange.h"
#include "link/SendFunction.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace zr48 {

class TIrCapture {
public:
    using Send = SendFunction;

    enum class State { Idle, Starting, Waiting, Transferring };

    static constexpr int kWaitIntervalMs = 500;
    static constexpr int kRequestIntervalMs = 100;
    static constexpr int kRequestRetries = 10;
    static constexpr int kBlockSize = 512;

    TIrCapture(int windowId, Send send, TimerFactory& timers);
    // Frames carry no checksum: with verification the announced length counts when two statuses
    // agree, and every block goes in only when two reads agree.
    void SetVerify(bool verify) { verify_ = verify; }
    TIrCapture(const TIrCapture&) = delete;
    TIrCapture& operator=(const TIrCapture&) = delete;

    // "Capture": clears the capture and asks the unit for a new one.
    void ButtonCaptureClick();
    // A capture kept in a file (the start of the buffer, at most 65,536 bytes) becomes the
    // capture on screen, as if its bytes had just arrived. Meant for an idle scope: an exchange
    // under way is given up.
    void LoadCapture(std::span<const std::uint8_t> bytes);
    // A frame whose byte 1 is this scope's window id.
    void HandleFrame(const std::uint8_t* payload, int length);

    State state() const { return state_; }
    // The unit never answered the last "Capture": every request to start was lost.
    bool StartUnanswered() const { return startUnanswered_; }
    // Capture is enabled when idle.
    bool CaptureEnabled() const { return state_ == State::Idle; }
    const CaptureBuffer& Buffer() const { return *buffer_; }
    int CapturedLength() const { return capturedLength_; }
    // How many samples, from sample 0, are drawn: those of the bytes received (ReceivedBytes),
    // during the transfer and after it.
    float ValidSamples() const { return validSamples_; }
    // Byte offset of the block being requested.
    int NextOffset() const { return nextOffset_; }
    // Every announced byte has arrived (false while none was announced, and after the unit
    // stopped answering during the transfer).
    bool TransferComplete() const
    {
        return capturedLength_ > 0 && (nextOffset_ >= capturedLength_ || nextOffset_ >= kCaptureBytes);
    }

    // The bytes from the start of the buffer that arrived in order: every announced byte after a
    // complete transfer, fewer when the unit stopped answering, 0 while none was announced.
    int ReceivedBytes() const;

    // Called when the capture was cleared by "Capture" (the views repaint, the measurement resets).
    std::function<void()> onCleared;
    // Called after each frame that the scope handles draws anew (zoomed view, then overview).
    std::function<void()> onRedraw;
    // Called when the scope becomes idle again (Capture enabled): the transfer is complete or the
    // unit stopped answering.
    std::function<void()> onFinished;

private:
    void TimerWaitTimer();
    void TimerRequestTimer();
    void RequestBlock();
    void TakeBlock(std::span<const std::uint8_t> reply);
    void SendCaptureStart();
    void Finish();

    std::uint8_t windowId_;
    Send send_;
    std::unique_ptr<Timer> timerWait_;
    std::unique_ptr<Timer> timerRequest_;
    std::unique_ptr<CaptureBuffer> buffer_;
    Exchange blockExchange_;
    bool verify_ = false;
    int lastAnnounced_ = -1; // the length the last status announced
    State state_ = State::Idle;
    int capturedLength_ = 0;
    int nextOffset_ = 0;
    int retriesLeft_ = 0;
    float validSamples_ = 0;
    bool startUnanswered_ = false;
};

} // namespace zr48
