#include "tools/CardComparer.h"

#include "base/Prompt.h"
#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

TCardComparer::TCardComparer(TimerFactory& timers, Prompt& prompt) : prompt_(prompt), exchange_(timers)
{
    exchange_.onReply = [this](std::span<const std::uint8_t> reply, int reads) { Take(reply, reads); };
    exchange_.onNoAnswer = [this] {
        GiveUp(CompareResult::NoAnswer,
               "The ZR48 did not answer when sector " + std::to_string(currentSector_) + " was read");
    };
    exchange_.onUnsettled = [this] {
        GiveUp(CompareResult::Unsettled, "Sector " + std::to_string(currentSector_) + " was read " +
                                             std::to_string(Exchange::kMaxReads) + " times and no two reads agreed");
    };
}

TCardComparer::~TCardComparer() = default;

void TCardComparer::Start(CompiledImage image)
{
    exchange_.Stop();
    image_ = std::move(image);
    comparison_ = {};
    sectors_.clear();
    queue_.clear();
    expected_.clear();
    for (int n = 0; n < kFirstSectors; ++n)
        queue_.push_back(static_cast<std::uint16_t>(n));
    // The directory and menu sectors as the project writes them (the last record of each counts).
    for (const SectorRecord& record : image_.Records) {
        if (record.Number < kFirstSectors) {
            expected_.erase(record.Number);
            expected_.emplace(record.Number, record.Data);
        }
    }
    next_ = 0;
    sectorsReadAgain_ = 0;
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
    exchange_.Ask(encode(SectorReadFrame{0, currentSector_}), {FrameType::SectorData, currentSector_, std::nullopt});
    view_.Label = "Reading sector " + std::to_string(currentSector_);
    ++view_.ProgressPosition;
    Changed();
}

void TCardComparer::HandleFrame(const std::uint8_t* payload, int length)
{
    if (result_ == CompareResult::Running)
        exchange_.HandleFrame(payload, length);
}

bool TCardComparer::Unexpected(std::uint16_t sector, const Sector& data) const
{
    const auto [from, to] = expected_.equal_range(sector);
    return std::none_of(from, to, [&data](const auto& entry) { return entry.second == data; });
}

void TCardComparer::Take(std::span<const std::uint8_t> reply, int reads)
{
    const Sector data = decodeSectorData(FrameView(reply)).data;
    if (reads == 1 && Unexpected(currentSector_, data)) {
        // A byte changed on the line would be a difference that is not on the card.
        ++sectorsReadAgain_;
        exchange_.Confirm(reply);
        return;
    }
    sectors_[currentSector_] = data;
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
        const std::vector<SectorRecord> records = image_.DeviceFileRecords(read.Slot);
        for (std::uint32_t k = 0; k < read.Count; ++k) {
            const auto sector = static_cast<std::uint16_t>(read.FirstSector + k);
            if (k < records.size())
                expected_.emplace(sector, records[k].Data);
            // A sector already read (a damaged card's areas overlap) is not asked for again.
            if (!sectors_.contains(sector) && std::find(queue_.begin(), queue_.end(), sector) == queue_.end())
                queue_.push_back(sector);
        }
    }
    view_.ProgressMax = static_cast<std::int64_t>(queue_.size());
}

void TCardComparer::Finish()
{
    exchange_.Stop();
    comparison_ = CompareCard(image_, sectors_);
    Close(CompareResult::Finished);
}

void TCardComparer::GiveUp(CompareResult result, const Text& why)
{
    exchange_.Stop();
    result_ = result;
    Changed(); // a terminal ends its progress line before the message
    prompt_.error("Compare failed.\n" + why + "; nothing was compared.\nPlease check connection and/or memory card.\n");
    Close(result);
}

void TCardComparer::Cancel()
{
    exchange_.Stop();
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
