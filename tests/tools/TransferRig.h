#pragma once
// A downloader and an uploader wired to a simulated unit through the link and the frame
// dispatcher, as the main window wires them, all in virtual time. Every payload the tools send
// and the time of every message they show are recorded.

#include "base/ByteOrder.h"
#include "base/Prompt.h"
#include "base/VirtualClock.h"
#include "link/FrameDispatcher.h"
#include "link/UsbZR48.h"
#include "sim/SimulatedDriver.h"
#include "tools/Downloader.h"
#include "tools/DownloaderVerifier.h"
#include "tools/Uploader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zr48::test {

// Answers OK to every message, and `questionAnswer` to every question, and notes when each came.
class TimedPrompt : public Prompt {
public:
    struct Shown {
        Text message;
        Icon icon;
        std::int64_t atMs;
    };
    explicit TimedPrompt(const VirtualClock& clock) : clock_(clock) {}
    Answer show(const std::string& message, Icon icon, Buttons buttons) override
    {
        shown.push_back({message, icon, clock_.now()});
        // As on a desktop, frames and timers go on while the box is open.
        if (whileOpen && !open_) {
            open_ = true;
            whileOpen();
            open_ = false;
        }
        return buttons == Buttons::Ok ? Answer::Ok : questionAnswer;
    }
    std::vector<Shown> shown;
    Answer questionAnswer = Answer::No;
    // Runs while a message is open (not again for a message shown meanwhile), e.g. to let time pass.
    std::function<void()> whileOpen;

private:
    const VirtualClock& clock_;
    bool open_ = false;
};

// One payload sent by a tool.
struct Sent {
    std::vector<std::uint8_t> payload;
    std::int64_t atMs;
    std::uint8_t type() const { return payload.at(0); }
    std::uint16_t number() const { return readBe16(payload.data() + 2); }
};

class TransferRig {
public:
    explicit TransferRig(SimOptions options = {})
        : sim(
              clock, [this] { return clock.now() * 1000; }, {}, std::move(options))
    {
        link.SetFrameHandler([this](const std::uint8_t* payload, int length) {
            if (payload && length > 0 && (payload[0] == 2 || payload[0] == 4))
                lastReplyMs = clock.now();
            dispatcher.Dispatch(payload, length);
        });
        const auto send = [this](std::span<const std::uint8_t> payload) {
            sent.push_back({{payload.begin(), payload.end()}, clock.now()});
            if (onSend)
                onSend(sent.back());
            link.Send(payload);
        };
        downloader.SetLink(send);
        uploader.SetLink(send);
        verifier.SetLink(send);
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Downloader, [this](const std::uint8_t* p, int n) {
            downloader.HandleFrame(p, n);
            verifier.HandleFrame(p, n);
        });
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Uploader,
                                     [this](const std::uint8_t* p, int n) { uploader.HandleFrame(p, n); });
    }

    bool download(const Text& imagePath, CheckPolicy policy = CheckPolicy::Ask,
                  std::optional<CheckPolicy> noDevicePolicy = std::nullopt)
    {
        downloader.Start(imagePath, policy, noDevicePolicy);
        clock.advanceUntil([this] { return downloader.Result() != DownloadResult::Running; }, 3'600'000);
        return downloader.Result() == DownloadResult::Finished;
    }
    bool upload(const Text& projectPath)
    {
        uploader.Start(projectPath, [this](const Text& path) { completedWith = path; });
        clock.advanceUntil([this] { return uploader.Result() != UploadResult::Running; }, 3'600'000);
        return uploader.Result() == UploadResult::Finished;
    }

    // The numbers of the frames of `type` sent, in order.
    std::vector<std::uint16_t> sentNumbers(std::uint8_t type) const
    {
        std::vector<std::uint16_t> numbers;
        for (const Sent& s : sent)
            if (s.type() == type)
                numbers.push_back(s.number());
        return numbers;
    }

    VirtualClock clock;
    TimedPrompt prompt{clock};
    SimulatedUnit sim;
    TimerRxThreadHost threads{clock};
    TUsbZR48 link{clock, sim.driver, threads, {}};
    FrameDispatcher dispatcher;
    TDownloader downloader{clock, prompt};
    TUploader uploader{clock, prompt};
    TDownloadVerifier verifier{clock};
    std::vector<Sent> sent;
    std::function<void(const Sent&)> onSend;
    std::int64_t lastReplyMs = -1; // the last SectorData or SectorWriteAck
    Text completedWith;
};

// Sector records as an image file holds them.
inline std::string Record(std::uint16_t number, std::uint8_t fill)
{
    std::string record(514, static_cast<char>(fill));
    record[0] = static_cast<char>(number & 0xFF);
    record[1] = static_cast<char>(number >> 8);
    return record;
}

} // namespace zr48::test
