#include "tools/DownloaderVerifier.h"

#include "base/ByteOrder.h"
#include "base/Timer.h"
#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

namespace {
constexpr std::size_t kRecordSize = 2 + kSectorSize;
}

TDownloadVerifier::TDownloadVerifier(TimerFactory& timers) : watchdogTimer_(timers.create())
{
    watchdogTimer_->onTimeout = [this] { WatchdogTimerTimer(); };
}

TDownloadVerifier::~TDownloadVerifier() = default;

void TDownloadVerifier::Start(std::span<const std::uint8_t> image)
{
    watchdogTimer_->stop();
    order_.clear();
    expected_.clear();
    for (std::size_t at = 0; image.size() - at >= kRecordSize; at += kRecordSize) {
        const std::uint16_t sector = readLe16(image.data() + at);
        const auto [it, first] = expected_.try_emplace(sector);
        if (first)
            order_.push_back(sector);
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at + 2), kSectorSize, it->second.begin());
    }
    next_ = 0;
    sectorsReadAgain_ = 0;
    result_ = VerifyResult::Running;
    RequestNext();
}

void TDownloadVerifier::RequestNext()
{
    if (next_ == order_.size()) {
        End(VerifyResult::Same);
        return;
    }
    currentSector_ = order_[next_];
    differingReads_.clear();
    SendRequest();
}

void TDownloadVerifier::SendRequest()
{
    request_ = encode(SectorReadFrame{0, currentSector_});
    resendCount_ = 0;
    if (send_)
        send_(request_);
    watchdogTimer_->start(kWatchdogMs);
}

void TDownloadVerifier::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, static_cast<std::size_t>(std::max(length, 0)));
    if (result_ != VerifyResult::Running || !frame.is(FrameType::SectorData) || frame.be16(2) != currentSector_)
        return;
    const SectorDataFrame data = decodeSectorData(frame);
    const auto& expected = expected_.at(currentSector_);
    const auto mine = std::mismatch(expected.begin(), expected.end(), data.data.begin()).first;
    if (mine != expected.end()) {
        // Only what two reads agree on is on the card.
        if (std::find(differingReads_.begin(), differingReads_.end(), data.data) != differingReads_.end()) {
            firstDifferingByte_ = static_cast<std::size_t>(mine - expected.begin());
            End(VerifyResult::Differs);
            return;
        }
        if (differingReads_.empty())
            ++sectorsReadAgain_;
        differingReads_.push_back(data.data);
        if (differingReads_.size() >= static_cast<std::size_t>(kMaxReads)) {
            End(VerifyResult::Unsettled);
            return;
        }
        SendRequest();
        return;
    }
    ++next_;
    if (OnProgress)
        OnProgress();
    RequestNext();
}

void TDownloadVerifier::WatchdogTimerTimer()
{
    if (resendCount_ >= kMaxResends) {
        End(VerifyResult::NoAnswer);
        return;
    }
    if (send_)
        send_(request_);
    ++resendCount_;
}

void TDownloadVerifier::End(VerifyResult result)
{
    watchdogTimer_->stop();
    result_ = result;
    if (OnProgress)
        OnProgress();
}

} // namespace zr48
