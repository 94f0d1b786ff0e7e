#include "tools/DownloaderVerifier.h"

#include "base/ByteOrder.h"
#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

namespace {
constexpr std::size_t kRecordSize = 2 + kSectorSize;
}

TDownloadVerifier::TDownloadVerifier(TimerFactory& timers) : exchange_(timers)
{
    exchange_.onReply = [this](std::span<const std::uint8_t> reply, int reads) { Take(reply, reads); };
    exchange_.onNoAnswer = [this] { End(VerifyResult::NoAnswer); };
    exchange_.onUnsettled = [this] { End(VerifyResult::Unsettled); };
}

TDownloadVerifier::~TDownloadVerifier() = default;

void TDownloadVerifier::Start(std::span<const std::uint8_t> image)
{
    exchange_.Stop();
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
    exchange_.Ask(encode(SectorReadFrame{0, currentSector_}), {FrameType::SectorData, currentSector_, std::nullopt});
}

void TDownloadVerifier::HandleFrame(const std::uint8_t* payload, int length)
{
    if (result_ == VerifyResult::Running)
        exchange_.HandleFrame(payload, length);
}

void TDownloadVerifier::Take(std::span<const std::uint8_t> reply, int reads)
{
    const Sector data = decodeSectorData(FrameView(reply)).data;
    const auto& expected = expected_.at(currentSector_);
    const auto mine = std::mismatch(expected.begin(), expected.end(), data.begin()).first;
    if (mine != expected.end()) {
        if (reads == 1) {
            // Only what two reads agree on is on the card.
            ++sectorsReadAgain_;
            exchange_.Confirm(reply);
            return;
        }
        firstDifferingByte_ = static_cast<std::size_t>(mine - expected.begin());
        End(VerifyResult::Differs);
        return;
    }
    ++next_;
    if (OnProgress)
        OnProgress();
    RequestNext();
}

void TDownloadVerifier::End(VerifyResult result)
{
    exchange_.Stop();
    result_ = result;
    if (OnProgress)
        OnProgress();
}

} // namespace zr48
