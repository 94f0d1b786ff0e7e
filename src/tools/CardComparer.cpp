#include "tools/CardComparer.h"

#include "base/Prompt.h"
#include "base/Timer.h"
#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

TCardComparer::TCardComparer(TimerFactory& timers, Prompt& prompt) : prompt_(prompt), watchdogTimer_(timers.create())
{
    watchdogTimer_->onTimeout = [this] { WatchdogTimerTimer(); };
}

TCardComparer::~TCardComparer() = default;

void TCardComparer::Start(CompiledImage image)
{
    watchdogTimer_->stop();
    image_ = std::move(image);
    comparison_ = {};
    sectors_.clear();
    queue_.clear();
    for (int n = 0; n < kFirstSectors; ++n)
        queue_.push_back(static_cast<std::uint16_t>(n));
    next_ = 0;
    directoryPhase_ = true;
    // At most every device file sector of the image; the directory tells how many are read.
    std::int64_t deviceFileSectors = 0;
    for (int i = 0; i < TProjectFile::kSlotCount; ++i)
        deviceFileSectors += static_cast<std::int64_t>(image_.DeviceFileRecords(i).size());
    view_.ProgressMax = kFirstSectors + deviceFileSectors;
    view_.ProgressPosition = 0;
    view_.ButtonCancelEnabled = true;
    view_.Visible = true;
    result_ = CompareResult::Running;
    RequestNext();
}

void TCardComparer::RequestNext()
{
    currentSector_ = queue_[next_];
    resendCount_ = 0;
    SendRequest();
    view_.Label = "Reading sector " + std::to_string(currentSector_);
    ++view_.ProgressPosition;
    Changed();
}

void TCardComparer::SendRequest()
{
    request_ = encode(SectorReadFrame{0, currentSector_});
    if (send_)
        send_(request_);
    watchdogTimer_->start(kWatchdogMs);
}

void TCardComparer::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, static_cast<std::size_t>(std::max(length, 0)));
    if (result_ != CompareResult::Running || !frame.is(FrameType::SectorData) || frame.be16(2) != currentSector_)
        return;
    sectors_[currentSector_] = decodeSectorData(frame).data;
    ++next_;
    if (next_ == queue_.size() && directoryPhase_)
        PlanDeviceFiles();
    if (next_ == queue_.size()) {
        Finish();
        return;
    }
    RequestNext();
}

void TCardComparer::PlanDeviceFiles()
{
    directoryPhase_ = false;
    DirectorySectors directory;
    for (int k = 0; k < kDirectorySectorCount; ++k)
        directory[static_cast<std::size_t>(k)] = sectors_.at(static_cast<std::uint16_t>(k));
    for (const DeviceFileRead& read : PlanDeviceFileReads(image_, directory)) {
        for (std::uint32_t n = read.FirstSector; n < std::uint32_t{read.FirstSector} + read.Count; ++n) {
            const auto sector = static_cast<std::uint16_t>(n);
            // A sector already read (a damaged card's areas overlap) is not asked for again.
            if (!sectors_.contains(sector) && std::find(queue_.begin(), queue_.end(), sector) == queue_.end())
                queue_.push_back(sector);
        }
    }
    view_.ProgressMax = static_cast<std::int64_t>(queue_.size());
}

void TCardComparer::Finish()
{
    watchdogTimer_->stop();
    comparison_ = CompareCard(image_, sectors_);
    Close(CompareResult::Finished);
}

void TCardComparer::WatchdogTimerTimer()
{
    if (resendCount_ >= kMaxResends) {
        watchdogTimer_->stop();
        result_ = CompareResult::NoAnswer;
        Changed(); // a terminal ends its progress line before the message
        prompt_.error("Compare failed.\nThe ZR48 did not answer when sector " + std::to_string(currentSector_) +
                      " was read; nothing was compared.\nPlease check connection and/or memory card.\n");
        Close(CompareResult::NoAnswer);
        return;
    }
    if (send_)
        send_(request_);
    ++resendCount_;
}

void TCardComparer::ButtonCancelClick()
{
    watchdogTimer_->stop();
    Close(result_ == CompareResult::Running ? CompareResult::Cancelled : result_);
}

void TCardComparer::Close(CompareResult result)
{
    result_ = result;
    view_.ButtonCancelEnabled = false;
    view_.Visible = false;
    Changed();
}

void TCardComparer::Changed()
{
    if (OnViewChanged)
        OnViewChanged();
}

} // namespace zr48
