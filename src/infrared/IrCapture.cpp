#include "infrared/IrCapture.h"

#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

TIrCapture::TIrCapture(int windowId, Send send, TimerFactory& timers)
    : windowId_(static_cast<std::uint8_t>(windowId & 0xFF)), send_(std::move(send)), timerWait_(timers.create()),
      timerRequest_(timers.create()), buffer_(std::make_unique<CaptureBuffer>())
{
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
    if (frame.is(FrameType::IrCaptureStarted)) {
        timerWait_->start(kWaitIntervalMs);
        if (state_ == State::Starting) {
            timerRequest_->stop();
            state_ = State::Waiting;
        }
        return;
    }
    if (frame.is(FrameType::IrCaptureStatus)) {
        capturedLength_ = decodeIrCaptureStatus(frame).capturedBytes;
        if (capturedLength_ > 0) {
            nextOffset_ = 0;
            SendDataRead();
            timerWait_->stop();
            // A lost first block is asked for again like every other block.
            retriesLeft_ = kRequestRetries;
            timerRequest_->start(kRequestIntervalMs);
            state_ = State::Transferring;
        }
        if (onRedraw)
            onRedraw();
        return;
    }
    if (frame.is(FrameType::IrData)) {
        const IrDataFrame block = decodeIrData(frame);
        // A block is stored at its own offset, whichever block was asked for, when it fits.
        if (block.offset + kBlockSize <= kCaptureBytes)
            std::copy(block.data.begin(), block.data.end(), buffer_->begin() + block.offset);
        if (nextOffset_ < capturedLength_) {
            nextOffset_ += kBlockSize;
            // Every sample that arrived is drawn: as many as "Save capture..." writes.
            validSamples_ = static_cast<float>(ReceivedBytes() * 8);
            // The buffer ends at 65,536 bytes whatever length the unit announced.
            if (nextOffset_ >= kCaptureBytes) {
                Finish();
            } else {
                SendDataRead();
                timerRequest_->start(kRequestIntervalMs);
                retriesLeft_ = kRequestRetries;
            }
        } else {
            Finish();
        }
        if (onRedraw)
            onRedraw();
    }
}

void TIrCapture::TimerWaitTimer()
{
    send_(encode(IrCaptureQueryFrame{windowId_}));
}

void TIrCapture::TimerRequestTimer()
{
    if (retriesLeft_ != 0) {
        if (state_ == State::Starting)
            SendCaptureStart();
        else
            SendDataRead();
        --retriesLeft_;
    } else {
        startUnanswered_ = state_ == State::Starting;
        Finish();
    }
}

void TIrCapture::SendDataRead()
{
    send_(encode(IrDataReadFrame{windowId_, static_cast<std::uint16_t>(nextOffset_)}));
}

void TIrCapture::Finish()
{
    state_ = State::Idle;
    timerRequest_->stop();
    if (onFinished)
        onFinished();
}

} // namespace zr48
