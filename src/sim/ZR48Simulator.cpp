#include "sim/ZR48Simulator.h"

#include "base/Error.h"
#include "link/FirmwareImage.h"

#include <algorithm>
#include <string_view>

namespace zr48 {

namespace {

std::int64_t lineUs(std::size_t bytes)
{
    return static_cast<std::int64_t>(bytes) * ZR48Simulator::kByteUs10 / 10;
}

} // namespace

ZR48Simulator::ZR48Simulator(TimerFactory& timers, std::function<std::int64_t()> nowUs, SimCard& card,
                             SimOptions options)
    : timers_(timers), nowUs_(std::move(nowUs)), card_(card), options_(std::move(options)),
      random_(options_.faults.seed), eventTimer_(timers.create(true)), saveTimer_(timers.create(true)),
      latencyMs_(options_.latencyMs), flash_(kFlashSize, 0xFF), display_(menuPicture())
{
    if (options_.installedVersion)
        card_.setFirmwareVersion(*options_.installedVersion);
    version_ = card_.firmwareVersion().value_or(options_.version);
    setIrCapture(options_.irCapture);
    eventTimer_->onTimeout = [this] { runDue(); };
    saveTimer_->onTimeout = [this] {
        try {
            card_.save();
        } catch (const Error&) {
            saveTimer_->start(kCardSaveDelayMs * 4); // try again later; the card stays in memory
        }
    };
}

ZR48Simulator::~ZR48Simulator()
{
    try {
        card_.save();
    } catch (const Error&) {
    }
}

void ZR48Simulator::schedule(std::int64_t dueUs, std::function<void()> work)
{
    events_.emplace(dueUs, std::move(work));
    armTimer();
}

void ZR48Simulator::armTimer()
{
    if (events_.empty()) {
        eventTimer_->stop();
        return;
    }
    const std::int64_t waitUs = events_.begin()->first - nowUs_();
    // Whole milliseconds, rounded up, so that the event is due when the timer fires.
    eventTimer_->start(static_cast<int>(std::max<std::int64_t>(0, (waitUs + 999) / 1000)));
}

void ZR48Simulator::runDue()
{
    const std::int64_t now = nowUs_();
    while (!events_.empty() && events_.begin()->first <= now) {
        auto work = std::move(events_.begin()->second);
        events_.erase(events_.begin());
        work();
    }
    armTimer();
}

void ZR48Simulator::setIrCapture(std::vector<std::uint8_t> capture)
{
    irCapture_ = capture.empty() ? necCapture(0x04, 0x08) : std::move(capture);
}

void ZR48Simulator::hostWrite(const std::uint8_t* bytes, std::size_t n)
{
    if (!plugged_ || n == 0)
        return;
    const std::int64_t now = nowUs_();
    hostLineFreeUs_ = std::max(now, hostLineFreeUs_) + lineUs(n);
    const std::int64_t arrivedUs = hostLineFreeUs_;
    schedule(arrivedUs,
             [this, data = std::vector<std::uint8_t>(bytes, bytes + n), arrivedUs, generation = plugGeneration_] {
                 if (generation != plugGeneration_)
                     return;
                 collector_.feed(data, [&](const std::uint8_t* payload, std::size_t length) {
                     handleRequest(FrameView(payload, length), arrivedUs);
                 });
             });
}

std::size_t ZR48Simulator::hostRead(std::uint8_t* buffer, std::size_t n)
{
    const std::size_t count = std::min(n, output_.size());
    std::copy_n(output_.begin(), count, buffer);
    output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void ZR48Simulator::unplug()
{
    plugged_ = false;
    ++plugGeneration_;
    output_.clear();
    collector_ = FrameCollector{};
    bootLoader_ = false;
    bootLoaderEnding_ = false;
}

void ZR48Simulator::replug()
{
    plugged_ = true;
}

bool ZR48Simulator::dropThisRequest()
{
    const SimFaults& f = options_.faults;
    if (f.silent)
        return true;
    if (f.dropEveryNth > 0 && requests_ % static_cast<std::uint64_t>(f.dropEveryNth) == 0)
        return true;
    return f.dropRate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < f.dropRate;
}

void ZR48Simulator::handleRequest(FrameView request, std::int64_t arrivedUs)
{
    ++requests_;
    if (request.empty() || dropThisRequest())
        return;
    const std::uint8_t id = request.windowId();
    switch (static_cast<FrameType>(request.type())) {
    case FrameType::SectorRead: {
        const auto r = decodeSectorRead(request);
        reply(encode(SectorDataFrame{id, r.sector, card_.read(r.sector)}), arrivedUs);
        break;
    }
    case FrameType::SectorWrite: {
        const auto w = decodeSectorWrite(request);
        // The card takes its time per sector; the acknowledgement follows the write.
        cardFreeUs_ = std::max(arrivedUs, cardFreeUs_) + kSectorWriteUs;
        card_.write(w.sector, w.data);
        if (!card_.path().empty() && !saveTimer_->active())
            saveTimer_->start(kCardSaveDelayMs);
        reply(encode(SectorWriteAckFrame{id, w.sector}), cardFreeUs_);
        break;
    }
    case FrameType::BootStart:
        bootLoader_ = true;
        reply(encode(BootReadyFrame{id, options_.bootReadyCount}), arrivedUs);
        break;
    case FrameType::BootBlock: {
        const auto b = decodeBootBlock(request);
        // The boot loader stays for a resent last block, whose acknowledgement may have been
        // lost: the host resends it until one arrives. Any other request finds the firmware.
        const bool lastAgain = bootLoaderEnding_ && b.block == kBootBlocks - 1;
        if (!bootLoader_ && !lastAgain)
            break;
        const std::size_t at = std::size_t{b.block} * kBootBlockSize;
        if (at + kBootBlockSize <= flash_.size())
            std::copy(b.data.begin(), b.data.end(), flash_.begin() + static_cast<std::ptrdiff_t>(at));
        if (b.block == kBootBlocks - 1) {
            bootLoader_ = false;
            bootLoaderEnding_ = true;
            version_ = firmwareImageVersion(flash_);
            // The new firmware is there at the next start too.
            card_.setFirmwareVersion(version_);
            if (!card_.path().empty() && !saveTimer_->active())
                saveTimer_->start(kCardSaveDelayMs);
        }
        reply(encode(BootBlockAckFrame{id, b.block}), arrivedUs);
        return;
    }
    case FrameType::KeepAlive: reply(encode(KeepAliveReplyFrame{}), arrivedUs); break;
    case FrameType::VersionRequest: reply(encode(VersionReplyFrame{id, version_}), arrivedUs); break;
    case FrameType::IrCaptureStart:
        irQueriesLeft_ = options_.irQueriesWhileCapturing;
        reply(encode(IrCaptureStartedFrame{id}), arrivedUs);
        break;
    case FrameType::IrCaptureQuery: {
        std::uint16_t count = 0;
        if (irQueriesLeft_ > 0)
            --irQueriesLeft_;
        else if (irQueriesLeft_ == 0)
            count = static_cast<std::uint16_t>(std::min<std::size_t>(irCapture_.size(), 0xFFFF));
        reply(encode(IrCaptureStatusFrame{id, count}), arrivedUs);
        break;
    }
    case FrameType::IrDataRead: {
        const auto r = decodeIrDataRead(request);
        IrDataFrame data{id, r.offset, {}};
        for (std::size_t i = 0; i < kIrBlockSize && r.offset + i < irCapture_.size(); ++i)
            data.data[i] = irCapture_[r.offset + i];
        reply(encode(data), arrivedUs);
        break;
    }
    case FrameType::DisplayRead: {
        const auto page = decodeDisplayRead(request).page;
        if (page >= kDisplayPages)
            break;
        DisplayDataFrame data{id, page, {}};
        std::copy_n(display_.begin() + page * static_cast<std::ptrdiff_t>(kDisplayPageSize), kDisplayPageSize,
                    data.data.begin());
        reply(encode(data), arrivedUs);
        break;
    }
    default: break; // replies and unknown types: a unit ignores them
    }
    bootLoaderEnding_ = false;
}

void ZR48Simulator::reply(std::span<const std::uint8_t> payload, std::int64_t readyUs)
{
    const SimFaults& f = options_.faults;
    if (f.replyLossRate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < f.replyLossRate)
        return; // lost on the way back
    std::vector<std::uint8_t> frame(payload.begin(), payload.end());
    if (f.corruptRate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < f.corruptRate) {
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, frame.size() - 1)(random_);
        frame[at] ^= static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, 255)(random_));
    }
    std::vector<std::uint8_t> wire(2 * frame.size() + 4);
    wire.resize(stuffFrame(frame, wire.data()));

    readyUs += std::int64_t{f.extraDelayMs} * 1000;
    unitLineFreeUs_ = std::max(readyUs, unitLineFreeUs_) + lineUs(wire.size());
    // The converter passes on full 62-byte packets at once and holds the rest for its latency timer.
    const std::int64_t availableUs = unitLineFreeUs_ + (wire.size() % 62 ? std::int64_t{latencyMs_} * 1000 : 0);
    schedule(availableUs, [this, wire = std::move(wire), generation = plugGeneration_] {
        if (generation != plugGeneration_)
            return;
        output_.insert(output_.end(), wire.begin(), wire.end());
        if (onOutput)
            onOutput();
    });
}

Text shippedFirmwareVersion(const Path& dataDir)
{
    const Text version =
        firmwareFileVersion(dataDir.empty() ? Path() : includeTrailingDelimiter(dataDir) + kShippedFirmwareFile);
    return sameText(version, kUnknownFirmwareVersion) ? SimOptions{}.version : version;
}

} // namespace zr48
