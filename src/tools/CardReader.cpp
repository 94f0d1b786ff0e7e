#include "tools/CardReader.h"

#include "link/Frames.h"

namespace zr48 {

TCardReader::TCardReader(TimerFactory& timers) : exchange_(timers)
{
    exchange_.onReply = [this](std::span<const std::uint8_t> reply, int reads) { Take(reply, reads); };
    exchange_.onNoAnswer = [this] { End(CardReadResult::NoAnswer); };
    exchange_.onUnsettled = [this] { End(CardReadResult::Unsettled); };
}

void TCardReader::Start(std::uint16_t first, std::uint16_t last)
{
    records_.clear();
    count_ = last >= first ? std::size_t{last} - first + 1 : 0;
    records_.reserve(count_);
    current_ = first;
    sectorsReadAgain_ = 0;
    result_ = CardReadResult::Running;
    if (count_ == 0) {
        End(CardReadResult::Finished);
        return;
    }
    Request();
}

void TCardReader::Request()
{
    exchange_.Ask(encode(SectorReadFrame{0, current_}), {FrameType::SectorData, current_, std::nullopt}, verify_);
}

void TCardReader::HandleFrame(const std::uint8_t* payload, int length)
{
    if (result_ == CardReadResult::Running)
        exchange_.HandleFrame(payload, length);
}

void TCardReader::Take(std::span<const std::uint8_t> reply, int reads)
{
    if (reads > 2)
        ++sectorsReadAgain_;
    records_.push_back({current_, decodeSectorData(FrameView(reply)).data});
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

void TCardReader::End(CardReadResult result)
{
    exchange_.Stop();
    result_ = result;
    if (OnProgress)
        OnProgress();
}

} // namespace zr48
