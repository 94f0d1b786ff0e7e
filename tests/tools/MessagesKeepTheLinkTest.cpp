// Messages that the tools show from inside a frame handler, each held open for seconds as a user
// reads it: the link goes on receiving meanwhile, stays connected without reopening, announces
// its connection once, and every tool finishes its work, also while the message is still open.

#include "base/ByteOrder.h"
#include "base/FileIo.h"
#include "base/VirtualClock.h"
#include "infrared/IrCapture.h"
#include "link/FrameDispatcher.h"
#include "link/Frames.h"
#include "link/UsbZR48.h"
#include "sim/SimulatedDriver.h"
#include "support/TempDir.h"
#include "support/TimePassingPrompt.h"
#include "tools/DisplayDump.h"
#include "tools/Downloader.h"
#include "tools/Firmware.h"
#include "tools/MemView.h"
#include "tools/Uploader.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zr48 {
namespace {

// The simulated unit's driver, counting the link's opens.
class CountingDriver : public FtDriver {
public:
    explicit CountingDriver(FtDriver& inner) : inner_(inner) {}
    int opens = 0;

    FtStatus openByDescription(const std::string& description) override
    {
        ++opens;
        return inner_.openByDescription(description);
    }
    FtStatus setBaudRate(std::uint32_t baud) override { return inner_.setBaudRate(baud); }
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) override
    {
        return inner_.setDataCharacteristics(bits, stopBits, parity);
    }
    FtStatus setFlowControl(std::uint16_t flow) override { return inner_.setFlowControl(flow); }
    FtStatus setLatencyTimer(std::uint8_t ms) override { return inner_.setLatencyTimer(ms); }
    std::size_t queuedBytes() override { return inner_.queuedBytes(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override { return inner_.read(buffer, n); }
    void write(const std::uint8_t* bytes, std::size_t n) override { inner_.write(bytes, n); }
    bool waitReadable(int timeoutMs) override { return inner_.waitReadable(timeoutMs); }
    void close() override { inner_.close(); }

private:
    FtDriver& inner_;
};

// The main window's wiring on a simulated unit: every tool registered with the dispatcher, the
// firmware updater's version check on the connect notice, messages open for 7 s each.
class MessagesKeepTheLink : public testing::Test {
protected:
    static constexpr int kViewerId = 2;
    static constexpr int kScopeId = 3;

    MessagesKeepTheLink()
    {
        const auto send = [this](std::span<const std::uint8_t> payload) {
            sent.emplace_back(payload.begin(), payload.end());
            link.Send(payload);
        };
        downloader.SetLink(send);
        uploader.SetLink(send);
        firmware.SetLink(send);
        dump.SetLink(send);
        dispatcher.setConnectNotice([this] {
            ++notices;
            firmware.ConnectNotice();
        });
        dispatcher.setWindowList([this](const FrameDispatcher::WindowVisitor& visit) {
            visit(viewer.windowId(), [this](const std::uint8_t* p, int n) { viewer.HandleFrame(p, n); });
            visit(kScopeId, [this](const std::uint8_t* p, int n) { scope.HandleFrame(p, n); });
        });
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Downloader,
                                     [this](const std::uint8_t* p, int n) { downloader.HandleFrame(p, n); });
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Uploader,
                                     [this](const std::uint8_t* p, int n) { uploader.HandleFrame(p, n); });
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Firmware,
                                     [this](const std::uint8_t* p, int n) { firmware.HandleFrame(p, n); });
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::DisplayDump,
                                     [this](const std::uint8_t* p, int n) { dump.HandleFrame(p, n); });
        link.SetFrameHandler([this](const std::uint8_t* p, int n) { dispatcher.Dispatch(p, n); });

        // The unit runs the file's firmware already, so the connect's version check stays silent.
        firmware.EditFileNameChange(dir.write("fw.bin", "R48+1.20 SIM" + std::string(1, '\0')));
        EXPECT_TRUE(clock.advanceUntil([this] { return link.Connected(); }, 1000));
        clock.advance(300); // the version check has run
    }

    std::size_t sentOfType(FrameType type) const
    {
        std::size_t n = 0;
        for (const auto& frame : sent)
            n += frame.at(0) == static_cast<std::uint8_t>(type);
        return n;
    }
    // What every flow must keep: one open, one connect notice, one version check (and those the
    // flow asks itself), connected.
    void expectTheLinkHeld(std::size_t versionRequestsOfTheFlow = 0) const
    {
        EXPECT_EQ(driver.opens, 1);
        EXPECT_EQ(notices, 1);
        EXPECT_EQ(sentOfType(FrameType::VersionRequest), 1u + versionRequestsOfTheFlow);
        EXPECT_TRUE(link.Connected());
    }
    void expectOpenedAndClosed(const Text& message) const
    {
        ASSERT_FALSE(prompt.opens().empty());
        EXPECT_EQ(prompt.opens().front().message, message);
        EXPECT_GE(prompt.opens().front().closedMs - prompt.opens().front().openedMs, 7000);
    }

    test::TempDir dir;
    VirtualClock clock;
    test::TimePassingPrompt prompt{clock, 7000};
    SimulatedUnit unit{clock, [this] { return clock.now() * 1000; }};
    CountingDriver driver{unit.driver};
    TimerRxThreadHost threads{clock};
    TUsbZR48 link{clock, driver, threads, {}};
    FrameDispatcher dispatcher;
    std::vector<std::vector<std::uint8_t>> sent;
    int notices = 0;
    TDownloader downloader{clock, prompt};
    TUploader uploader{clock, prompt};
    Firmware firmware{clock, prompt};
    DisplayDump dump{clock};
    MemView viewer{clock, kViewerId, [this](std::span<const std::uint8_t> p) {
                       sent.emplace_back(p.begin(), p.end());
                       link.Send(p);
                   }};
    TIrCapture scope{kScopeId,
                     [this](std::span<const std::uint8_t> p) {
                         sent.emplace_back(p.begin(), p.end());
                         link.Send(p);
                     },
                     clock};
};

TEST_F(MessagesKeepTheLink, UpdateFinishedHeldOpenWhileTheOtherToolsWork)
{
    Sector content{};
    content.fill('Z');
    unit.card.write(0x0042, content);
    // While "Update finished." is open, the user reads a sector, the display and a remote
    // control's code; all of it arrives before the message is closed.
    bool allDone = false;
    prompt.whileOpen = [&](const Text&) {
        viewer.EditSectorChange("$42");
        dump.ButtonRefreshClick();
        scope.ButtonCaptureClick();
        allDone = clock.advanceUntil(
            [&] {
                return viewer.state() == MemView::State::Showing && dump.view().pictureVisible &&
                       scope.TransferComplete();
            },
            6000);
    };
    firmware.EditFileNameChange(dir.write("new.bin", "R48+1.30" + std::string(1, '\0')));
    firmware.ButtonUpdateClick();
    ASSERT_TRUE(clock.advanceUntil([&] { return firmware.outcome() == Firmware::Outcome::Finished; }, 600000));
    clock.advance(100);

    EXPECT_TRUE(allDone);
    EXPECT_EQ(viewer.view().memo.at(0).substr(0, 14), "0042:000   5A ");
    EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});
    expectOpenedAndClosed("Update finished.");
    EXPECT_EQ(unit.unit.version(), "R48+1.30");
    expectTheLinkHeld(2); // the update's own check: two replies that agree
}

TEST_F(MessagesKeepTheLink, TheVersionCheckRecommendationHeldOpen)
{
    // Reconnected to a unit with other firmware: the recommendation stays open 7 s.
    firmware.EditFileNameChange(dir.write("other.bin", "R48+1.30" + std::string(1, '\0')));
    unit.unit.unplug();
    clock.advance(3100);
    ASSERT_FALSE(link.Connected());
    unit.unit.replug();
    prompt.answer(Answer::Cancel, "We strongly recommend to update the Firmware");
    ASSERT_TRUE(clock.advanceUntil([&] { return link.Connected(); }, 10000));
    const int opens = driver.opens;
    ASSERT_TRUE(clock.advanceUntil([&] { return !prompt.opens().empty() && prompt.openNow() == 0; }, 10000));
    clock.advance(100);

    expectOpenedAndClosed(
        "We strongly recommend to update the Firmware\nof the ZR48 to the current Version of this Project Manager");
    EXPECT_EQ(driver.opens, opens);
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(sentOfType(FrameType::VersionRequest), 2u);
    EXPECT_TRUE(link.Connected());
}

TEST_F(MessagesKeepTheLink, ADamagedImagesMessageAtTheEndOfADownload)
{
    std::string image;
    for (std::uint16_t sector : {20, 21}) {
        std::string record(514, 'd');
        record[0] = static_cast<char>(sector);
        record[1] = 0;
        image += record;
    }
    image += std::string(100, 'x');                                    // a cut-off record
    downloader.Start(dir.write("Cut.mpd", image), CheckPolicy::Force); // sent as it is, to end early
    ASSERT_TRUE(clock.advanceUntil([&] { return downloader.Result() != DownloadResult::Running; }, 60000));
    clock.advance(100);

    EXPECT_EQ(downloader.Result(), DownloadResult::Failed);
    EXPECT_FALSE(downloader.View().Visible);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].substr(0, 21), "Download incomplete.\n");
    EXPECT_GE(prompt.opens().front().closedMs - prompt.opens().front().openedMs, 7000);
    EXPECT_EQ(sentOfType(FrameType::SectorWrite), 2u);
    expectTheLinkHeld();
}

TEST_F(MessagesKeepTheLink, AnUnpackingErrorAtTheEndOfAnUpload)
{
    // The project file cannot be written: a folder has its name.
    std::filesystem::create_directories(dir.path() / "Copy.mpj");
    uploader.Start(dir.text("Copy.mpj"), {});
    ASSERT_TRUE(clock.advanceUntil([&] { return uploader.Result() != UploadResult::Running; }, 60000));
    clock.advance(100);

    EXPECT_EQ(uploader.Result(), UploadResult::Failed);
    EXPECT_FALSE(uploader.View().Visible);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("Copy.mpj"), Text::npos);
    EXPECT_GE(prompt.opens().front().closedMs - prompt.opens().front().openedMs, 7000);
    // The names are checked before the card is read: nothing was read, so no image is written.
    EXPECT_NE(prompt.errors()[0].find("is a folder, where the upload writes a file"), Text::npos);
    EXPECT_FALSE(fileExists(dir.text("Copy.mpd")));
    EXPECT_FALSE(fileExists(dir.text("Copy.partial.mpd")));
    expectTheLinkHeld();
}

TEST_F(MessagesKeepTheLink, ABadDirectorySectorsMessageDuringAnUpload)
{
    Sector bad = unit.card.read(4);
    bad[2 * 64] = 1;                           // a slot in use
    writeLe16(bad.data() + 2 * 64 + 2, 65000); // whose area runs past the card's end
    writeLe16(bad.data() + 2 * 64 + 4, 600);
    unit.card.write(4, bad);
    uploader.Start(dir.text("Copy.mpj"), {});
    ASSERT_TRUE(clock.advanceUntil([&] { return uploader.Result() != UploadResult::Running; }, 60000));
    clock.advance(100);

    EXPECT_EQ(uploader.Result(), UploadResult::Failed);
    EXPECT_FALSE(uploader.View().Visible);
    expectOpenedAndClosed("Unknown data format. (Error code 3)");
    // The watchdog stopped before the message: no "Upload failed" after it, the image written once.
    EXPECT_EQ(prompt.messages().size(), 1u);
    expectTheLinkHeld();
}

} // namespace
} // namespace zr48
