#include "infrared/IrCapture.h"

#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

TIrCapture::TIrCapture(int windowId, Send send, TimerFactory& timers)
    : windowId_(static_cast<std::uint8_t>(windowId & 0xFF)), send_(std::move(send)), timerWait_(timers.create()),
      timerRequest_(timers.create()), buffer_(std::make_unique<CaptureBuffer>()),
      blockExchange_(timers, kRequestIntervalMs, kRequestRetries)
{
    blockExchange_.SetLink(send_);
    blockExchange_.onReply = [this](std::span<const std::uint8_t> reply, int) { TakeBlock(reply); };
    // The capture so far stays; ReceivedBytes tells how much of it arrived.
    blockExchange_.onNoAnswer = [this] { Finish(); };
    blockExchange_.onUnsettled = [this] { Finish(); };
    buffer_->fill(0);
    timerWait_->onTimeout = [this] { TimerWaitTimer(); };
    timerRequest_->onTimeout = [this] { TimerRequestTimer(); };
}

void TIrCapture::ButtonCaptureClick()
{
    SendCaptureStart();
    // A lost request is sent again, as every other request is.
    retriesLeft_ = kRequestRetries;
    startUnanswered_ = false;
    timerRequest_->start(kRequestIntervalMs);
    timerWait_->stop();
    blockExchange_.Stop();
    lastAnnounced_ = -1;
    capturedLength_ = 0;
    buffer_->fill(0);
    state_ = State::Starting;
    if (onCleared)
        onCleared();
}

void TIrCapture::SendCaptureStart()
{
    send_(encode(IrCaptureStartFrame{windowId_}));
}

void TIrCapture::LoadCapture(std::span<const std::uint8_t> bytes)
{
    timerWait_->stop();
    blockExchange_.Stop();
    timerRequest_->stop();
    const auto size = std::min<std::size_t>(bytes.size(), kCaptureBytes);
    buffer_->fill(0);
    std::copy_n(bytes.begin(), size, buffer_->begin());
    capturedLength_ = static_cast<int>(size);
    nextOffset_ = capturedLength_;
    validSamples_ = static_cast<float>(size * 8);
    state_ = State::Idle;
}

int TIrCapture::ReceivedBytes() const
{
    return std::min({capturedLength_, nextOffset_, static_cast<int>(kCaptureBytes)});
}

void TIrCapture::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, length > 0 ? static_cast<std::size_t>(length) : 0);
    // A late answer to a start or a query (one sent twice) changes nothing once the length came.
    const bool beforeLength = state_ == State::Starting || state_ == State::Waiting;
    if (frame.is(FrameType::IrCaptureStarted)) {
        if (!beforeLength)
            return;
        timerWait_->start(kWaitIntervalMs);
        if (state_ == State::Starting) {
            timerRequest_->stop();
            state_ = State::Waiting;
        }
        return;
    }
    if (frame.is(FrameType::IrCaptureStatus)) {
        if (!beforeLength)
            return;
        const int announced = decodeIrCaptureStatus(frame).capturedBytes;
        // With verification the length counts when two answers agree: the polling goes on meanwhile.
        const bool agreed = !verify_ || announced == lastAnnounced_;
        lastAnnounced_ = announced;
        capturedLength_ = agreed ? announced : 0;
        if (capturedLength_ > 0) {
            nextOffset_ = 0;
            timerWait_->stop();
            timerRequest_->stop();
            state_ = State::Transferring;
            // A lost first block is asked for again like every other block.
            RequestBlock();
        }
        if (onRedraw)
            onRedraw();
        return;
    }
    if (frame.is(FrameType::IrData) && state_ == State::Transferring)
        blockExchange_.HandleFrame(payload, length);
}

void TIrCapture::RequestBlock()
{
    const auto offset = static_cast<std::uint16_t>(nextOffset_);
    blockExchange_.Ask(encode(IrDataReadFrame{windowId_, offset}), {FrameType::IrData, offset, windowId_}, verify_);
}

void TIrCapture::TakeBlock(std::span<const std::uint8_t> reply)
{
    const IrDataFrame block = decodeIrData(FrameView(reply));
    if (block.offset + kBlockSize <= kCaptureBytes)
        std::copy(block.data.begin(), block.data.end(), buffer_->begin() + block.offset);
    if (nextOffset_ < capturedLength_) {
        nextOffset_ += kBlockSize;
        // Every sample that arrived is drawn: as many as "Save capture..." writes.
        validSamples_ = static_cast<float>(ReceivedBytes() * 8);
        // The buffer ends at 65,536 bytes whatever length the unit announced.
        if (nextOffset_ >= kCaptureBytes)
            Finish();
        else
            RequestBlock();
    } else {
        Finish();
    }
    if (onRedraw)
        onRedraw();
}

void TIrCapture::TimerWaitTimer()
{
    send_(encode(IrCaptureQueryFrame{windowId_}));
}

void TIrCapture::TimerRequestTimer()
{
    if (retriesLeft_ != 0) {
        SendCaptureStart();
        --retriesLeft_;
    } else {
        startUnanswered_ = state_ == State::Starting;
        Finish();
    }
}

void TIrCapture::Finish()
{
    state_ = State::Idle;
    timerRequest_->stop();
    blockExchange_.Stop();
    if (onFinished)
        onFinished();
}

} // namespace zr48
