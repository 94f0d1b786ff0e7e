#include "tools/CardReader.h"

#include "base/Timer.h"
#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

TCardReader::TCardReader(TimerFactory& timers) : watchdogTimer_(timers.create())
{
    watchdogTimer_->onTimeout = [this] { WatchdogTimerTimer(); };
}

TCardReader::~TCardReader() = default;

void TCardReader::Start(std::uint16_t first, std::uint16_t last)
{
    records_.clear();
    count_ = last >= first ? std::size_t{last} - first + 1 : 0;
    records_.reserve(count_);
    current_ = first;
    result_ = CardReadResult::Running;
    if (count_ == 0) {
        End(CardReadResult::Finished);
        return;
    }
    Request();
}

void TCardReader::Request()
{
    request_ = encode(SectorReadFrame{0, current_});
    resendCount_ = 0;
    if (send_)
        send_(request_);
    watchdogTimer_->start(kWatchdogMs);
}

void TCardReader::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, static_cast<std::size_t>(std::max(length, 0)));
    if (result_ != CardReadResult::Running || !frame.is(FrameType::SectorData) || frame.be16(2) != current_)
        return;
    records_.push_back({current_, decodeSectorData(frame).data});
    if (records_.size() == count_) {
        End(CardReadResult::Finished);
        return;
    }
    ++current_;
    if (OnProgress)
        OnProgress();
    Request();
}

void TCardReader::Cancel()
{
    if (result_ == CardReadResult::Running)
        End(CardReadResult::Cancelled);
}

void TCardReader::WatchdogTimerTimer()
{
    if (resendCount_ >= kMaxResends) {
        End(CardReadResult::NoAnswer);
        return;
    }
    if (send_)
        send_(request_);
    ++resendCount_;
}

void TCardReader::End(CardReadResult result)
{
    watchdogTimer_->stop();
    result_ = result;
    if (OnProgress)
        OnProgress();
}

} // namespace zr48
