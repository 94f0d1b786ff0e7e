// The downloader against a simulated unit in virtual time: what goes out, what the dialog shows,
// how silence, stray acknowledgements and damaged files end a download, and the check that keeps
// a damaged image from the card. The records of the transfer tests are no card image: they go out
// with the check overridden, as `zr48 download --force` sends them.

#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/Compiler.h"
#include "support/TempDir.h"
#include "support/TimePassingPrompt.h"
#include "tools/TransferRig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zr48::test {
namespace {

constexpr std::uint8_t kSectorWrite = 3;

class DownloaderTest : public testing::Test {
protected:
    TempDir dir;
    TransferRig rig;
};

TEST_F(DownloaderTest, SendsEachRecordBigEndianAndFinishesAfterTheLastAcknowledgement)
{
    const Text image = dir.write("card.mpd", Record(0x1234, 0xAB) + Record(5, 0x01));
    rig.downloader.Start(image, CheckPolicy::Force);

    ASSERT_EQ(rig.sent.size(), 1u);
    const std::vector<std::uint8_t>& first = rig.sent[0].payload;
    ASSERT_EQ(first.size(), 516u);
    EXPECT_EQ(first[0], kSectorWrite);
    EXPECT_EQ(first[1], 0);
    EXPECT_EQ(first[2], 0x12);
    EXPECT_EQ(first[3], 0x34);
    EXPECT_EQ(first[4], 0xAB);
    EXPECT_EQ(first[515], 0xAB);
    const DownloaderView& view = rig.downloader.View();
    EXPECT_EQ(view.Label, "Writing sector 4660");
    EXPECT_EQ(view.ProgressMax, 1028);
    EXPECT_EQ(view.ProgressPosition, 514);
    EXPECT_TRUE(view.Visible);
    EXPECT_TRUE(view.ButtonCancelEnabled);
    EXPECT_FALSE(view.ButtonOkEnabled);

    rig.clock.advanceUntil([&] { return rig.downloader.Result() != DownloadResult::Running; }, 10000);
    EXPECT_EQ(rig.downloader.Result(), DownloadResult::Finished);
    EXPECT_EQ(rig.sentNumbers(kSectorWrite), (std::vector<std::uint16_t>{0x1234, 5}));
    EXPECT_EQ(view.Label, "Download Finished.");
    EXPECT_EQ(view.ProgressPosition, view.ProgressMax);
    EXPECT_TRUE(view.Visible); // until OK
    EXPECT_FALSE(view.ButtonCancelEnabled);
    EXPECT_TRUE(view.ButtonOkEnabled);
    EXPECT_EQ(rig.sim.card.read(0x1234)[100], 0xAB);
    EXPECT_EQ(rig.sim.card.read(5)[511], 0x01);
    EXPECT_TRUE(rig.prompt.shown.empty());

    rig.downloader.Close(); // OK
    EXPECT_FALSE(view.Visible);
    EXPECT_EQ(rig.downloader.Result(), DownloadResult::Finished);
}

TEST_F(DownloaderTest, AnEmptyFileFinishesAtOnceAndOneRecordNeedsOneFrame)
{
    struct Case {
        std::string bytes;
        std::size_t frames;
    };
    for (const Case& c : {Case{"", 0}, Case{Record(7, 0x55), 1}}) {
        rig.sent.clear();
        EXPECT_TRUE(rig.download(dir.write("one.mpd", c.bytes), CheckPolicy::Force));
        EXPECT_EQ(rig.sent.size(), c.frames);
        EXPECT_EQ(rig.downloader.View().Label, "Download Finished.");
        EXPECT_TRUE(rig.downloader.View().Visible);
    }
}

TEST_F(DownloaderTest, ASilentUnitFailsTheDownload2200MsAfterTheLastAcknowledgement)
{
    std::string bytes;
    for (std::uint16_t s = 0; s < 6; ++s)
        bytes += Record(s, static_cast<std::uint8_t>(s));
    // The unit stops answering once sector 3 is on its way.
    rig.onSend = [&](const Sent& s) {
        if (s.type() == kSectorWrite && s.number() == 3)
            rig.sim.unit.faults().silent = true;
    };
    EXPECT_FALSE(rig.download(dir.write("card.mpd", bytes), CheckPolicy::Force));

    EXPECT_EQ(rig.downloader.Result(), DownloadResult::Failed);
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    // What the card holds is said: the sectors before the unanswered one were acknowledged.
    EXPECT_EQ(rig.prompt.shown[0].message,
              "Download failed.\n3 of 6 sectors were written, so the ZR48's card holds part of the image. Download it "
              "again.\nPlease check connection and/or memory card.\n");
    EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Error);
    EXPECT_EQ(rig.prompt.shown[0].atMs - rig.lastReplyMs, 2200);
    // Sent once and resent ten times, 200 ms apart; nothing after it.
    const auto numbers = rig.sentNumbers(kSectorWrite);
    EXPECT_EQ(numbers, (std::vector<std::uint16_t>{0, 1, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(rig.sent.back().atMs - rig.lastReplyMs, 2000);
    EXPECT_FALSE(rig.downloader.View().Visible);
}

TEST_F(DownloaderTest, StrayAcknowledgementsAndThoseAfterCancelAreIgnored)
{
    rig.sim.unit.faults().silent = true;
    rig.downloader.Start(dir.write("card.mpd", Record(5, 1) + Record(6, 2)), CheckPolicy::Force);
    const auto ack = [&](std::uint16_t sector) {
        const std::uint8_t frame[4] = {4, 0, static_cast<std::uint8_t>(sector >> 8), static_cast<std::uint8_t>(sector)};
        rig.downloader.HandleFrame(frame, 4);
    };
    ack(4);   // the sector before
    ack(261); // 0x0105: the right low byte only
    EXPECT_EQ(rig.sentNumbers(kSectorWrite), (std::vector<std::uint16_t>{5}));
    rig.clock.advance(200);
    EXPECT_EQ(rig.sentNumbers(kSectorWrite), (std::vector<std::uint16_t>{5, 5})); // the watchdog resent it

    rig.downloader.Cancel();
    EXPECT_EQ(rig.downloader.Result(), DownloadResult::Cancelled);
    EXPECT_FALSE(rig.downloader.View().Visible);
    ack(5);
    rig.clock.advance(5000);
    EXPECT_EQ(rig.sentNumbers(kSectorWrite), (std::vector<std::uint16_t>{5, 5}));
    EXPECT_TRUE(rig.prompt.shown.empty());
}

// The dialog's Cancel, Esc and close ask before they stop a running download; the question stays
// open while the download goes on, which may finish meanwhile.
TEST_F(DownloaderTest, StoppingARunningDownloadAsksFirst)
{
    std::string bytes;
    for (std::uint16_t s = 0; s < 20; ++s)
        bytes += Record(s, static_cast<std::uint8_t>(s));
    const Text image = dir.write("card.mpd", bytes);
    struct Case {
        const char* name;
        Answer answer;
        bool finishWhileAsked;
        DownloadResult result;
        bool visible;
        const char* report; // the message after the question; "" for none
    };
    const Case cases[] = {
        {"No", Answer::No, false, DownloadResult::Running, true, ""},
        {"Yes", Answer::Yes, false, DownloadResult::Cancelled, false,
         "Download stopped.\n4 of 20 sectors were written, so the ZR48's card holds part of the image. Download it "
         "again."},
        // The finished download keeps its dialog with "Download Finished." whatever the late answer.
        {"Yes after it finished", Answer::Yes, true, DownloadResult::Finished, true, ""},
        {"No after it finished", Answer::No, true, DownloadResult::Finished, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.prompt.shown.clear();
        rig.downloader.Start(image, CheckPolicy::Force);
        ASSERT_TRUE(rig.clock.advanceUntil([&] { return rig.downloader.RecordsSent() == 5; }, 5000));
        rig.prompt.questionAnswer = c.answer;
        rig.prompt.whileOpen = [&] {
            if (c.finishWhileAsked)
                rig.clock.advanceUntil([&] { return rig.downloader.Result() == DownloadResult::Finished; }, 10000);
        };
        EXPECT_EQ(rig.downloader.RequestStop(), c.result == DownloadResult::Cancelled);
        ASSERT_GE(rig.prompt.shown.size(), 1u);
        EXPECT_EQ(rig.prompt.shown[0].message, "Stop the download?\nThe ZR48 will hold an incomplete project.");
        EXPECT_EQ(rig.downloader.Result(), c.result);
        EXPECT_EQ(rig.downloader.View().Visible, c.visible);
        EXPECT_EQ(rig.prompt.shown.size() > 1 ? rig.prompt.shown[1].message : "", c.report);
        rig.prompt.whileOpen = nullptr;
        rig.downloader.Cancel();
    }
    // A finished download just closes.
    rig.prompt.shown.clear();
    ASSERT_TRUE(rig.download(image, CheckPolicy::Force));
    rig.downloader.RequestStop();
    EXPECT_FALSE(rig.downloader.View().Visible);
    EXPECT_TRUE(rig.prompt.shown.empty());
}

// "Stop the download?" left open while the download runs to its end: the question closes by itself
// when the download ends, the result shows, and the answer the user would have given later counts
// for nothing. Whoever asks, Enter continues and the buttons say what they do.
TEST_F(DownloaderTest, AStopQuestionLeftOpenClosesWhenTheDownloadEnds)
{
    std::string bytes;
    for (std::uint16_t s = 0; s < 40; ++s)
        bytes += Record(s, static_cast<std::uint8_t>(s));
    const Text image = dir.write("card.mpd", bytes);
    struct Case {
        const char* name;
        StopAsker asker;
        bool unitFallsSilent;
        DownloadResult result;
        const char* afterwards; // the message after the question; "" for none
    };
    const Case cases[] = {
        {"finished, asked by the dialog", StopAsker::Dialog, false, DownloadResult::Finished, ""},
        {"finished, asked on quitting", StopAsker::Quit, false, DownloadResult::Finished, ""},
        {"failed, asked by the dialog", StopAsker::Dialog, true, DownloadResult::Failed, "Download failed.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TimePassingPrompt held{rig.clock, 600'000}; // the user leaves it open for ten minutes
        TDownloader downloader{rig.clock, held};
        downloader.SetLink([&](std::span<const std::uint8_t> payload) { rig.link.Send(payload); });
        rig.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Downloader,
                                         [&](const std::uint8_t* p, int n) { downloader.HandleFrame(p, n); });
        rig.sim.unit.faults().silent = false;
        downloader.Start(image, CheckPolicy::Force);
        ASSERT_TRUE(rig.clock.advanceUntil([&] { return downloader.RecordsSent() == 5; }, 5000));
        if (c.unitFallsSilent)
            rig.sim.unit.faults().silent = true;
        held.answer(Answer::Yes); // what the user would click much later

        EXPECT_FALSE(downloader.RequestStop(c.asker));

        ASSERT_EQ(held.questions().size(), 1u);
        const Question& asked = held.questions()[0];
        EXPECT_EQ(asked.defaultAnswer, Answer::No);
        EXPECT_EQ(asked.noCaption, "&Continue");
        EXPECT_NE(asked.yesCaption.find("Stop Download"), std::string::npos);
        EXPECT_NE(asked.message.find(c.asker == StopAsker::Quit ? "Quitting" : "Stop the download?"),
                  std::string::npos);
        // The question closed when the download ended, long before the user would have answered.
        const TimePassingPrompt::Open& question = held.opens().at(0);
        EXPECT_TRUE(question.withdrawn);
        EXPECT_LT(question.closedMs - question.openedMs, 5000);
        EXPECT_EQ(downloader.Result(), c.result);
        if (c.result == DownloadResult::Finished) {
            EXPECT_EQ(downloader.View().Label, "Download Finished.");
            EXPECT_TRUE(downloader.View().Visible);
            EXPECT_TRUE(downloader.View().ButtonOkEnabled);
            for (std::uint16_t s = 0; s < 40; ++s)
                EXPECT_EQ(rig.sim.card.read(s)[0], s);
        } else {
            EXPECT_FALSE(downloader.View().Visible);
        }
        ASSERT_EQ(held.opens().size(), *c.afterwards ? 2u : 1u);
        if (*c.afterwards) {
            EXPECT_EQ(held.opens()[1].message.rfind(c.afterwards, 0), 0u) << held.opens()[1].message;
            // The result opened once the question had closed, never on top of it.
            EXPECT_GE(held.opens()[1].openedMs, question.closedMs);
        }
        rig.clock.advance(1000);
        rig.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Downloader, nullptr);
    }
}

TEST_F(DownloaderTest, AFileThatCannotBeReadIsNamedAndNothingIsSent)
{
    const Text missing = dir.text("no such folder/card.mpd");
    EXPECT_FALSE(rig.download(missing));
    EXPECT_TRUE(rig.sent.empty());
    EXPECT_FALSE(rig.downloader.View().Visible);
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Error);
    EXPECT_NE(rig.prompt.shown[0].message.find(missing), std::string::npos) << rig.prompt.shown[0].message;
}

TEST_F(DownloaderTest, ACutOffLastRecordIsNotSentAndTheImageIsReportedDamaged)
{
    EXPECT_FALSE(rig.download(dir.write("card.mpd", Record(20, 1) + Record(21, 2) + std::string(100, '\x07')),
                              CheckPolicy::Force));
    EXPECT_EQ(rig.sentNumbers(kSectorWrite), (std::vector<std::uint16_t>{20, 21}));
    EXPECT_EQ(rig.sim.card.read(21)[0], 2);
    EXPECT_EQ(rig.downloader.Result(), DownloadResult::Failed);
    EXPECT_NE(rig.downloader.View().Label, "Download Finished.");
    EXPECT_FALSE(rig.downloader.View().Visible);
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Error);
    EXPECT_NE(rig.prompt.shown[0].message.find("damaged"), std::string::npos);
    EXPECT_NE(rig.prompt.shown[0].message.find("100 bytes"), std::string::npos);
}

TEST_F(DownloaderTest, StartingAgainAbandonsTheRunningDownload)
{
    rig.sim.unit.faults().silent = true;
    rig.downloader.Start(dir.write("a.mpd", Record(1, 1) + Record(2, 1)), CheckPolicy::Force);
    rig.clock.advance(300); // one resend of sector 1
    rig.sim.unit.faults().silent = false;
    EXPECT_TRUE(rig.download(dir.write("b.mpd", Record(9, 9)), CheckPolicy::Force));
    EXPECT_EQ(rig.sentNumbers(kSectorWrite), (std::vector<std::uint16_t>{1, 1, 9}));
    EXPECT_EQ(rig.sim.card.read(2)[0], 0); // the first image's second record never went out
}

// The sample project compiled into an image file of the test's folder: 24 whole records.
class DownloaderCheckTest : public DownloaderTest {
protected:
    DownloaderCheckTest()
    {
        std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
        EXPECT_TRUE(CompileProject(dir.text("Villa/Villa.mpj"), rig.prompt));
        image = readFileBytes(dir.text("Villa/Villa.mpd"));
        EXPECT_EQ(image.size(), 24u * 514);
        // A card that holds something else, which a refused download must leave alone.
        Sector old;
        old.fill(0xEE);
        rig.sim.card.write(0, old);
    }
    Text write(const std::string& bytes) const { return dir.write("Damaged.mpd", bytes); }
    std::string first(std::size_t bytes) const { return std::string(image.begin(), image.begin() + bytes); }

    Bytes image;
};

TEST_F(DownloaderCheckTest, ADamagedImageIsRefusedWithItsFirstProblemAndNothingIsSent)
{
    std::string noise(9000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919) >> 3);
    const struct {
        const char* what;
        std::string bytes;
        const char* problem;
    } cases[] = {
        {"empty", "", "the file holds no sector records"},
        {"cut off inside a record", first(image.size() - 300), "the file ends with 214 bytes of a cut-off sector"},
        {"cut off after five records", first(5 * 514), "directory sector 5 is missing"},
        {"no card image at all", noise, "the file ends with 262 bytes of a cut-off sector"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rig.prompt.shown.clear();
        const Text path = write(c.bytes);
        EXPECT_FALSE(rig.download(path, CheckPolicy::Refuse));
        EXPECT_EQ(rig.downloader.Result(), DownloadResult::Refused);
        EXPECT_TRUE(rig.sent.empty());
        EXPECT_FALSE(rig.downloader.View().Visible);
        ASSERT_EQ(rig.prompt.shown.size(), 1u);
        EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Error);
        EXPECT_EQ(rig.prompt.shown[0].message,
                  "The image file \"" + path + "\" is damaged: " + c.problem + ".\nNothing was written to the ZR48.");
        EXPECT_EQ(rig.sim.card.read(0)[0], 0xEE);
    }
}

TEST_F(DownloaderCheckTest, TheDesktopAsksAndForceWritesTheDamagedImageAsItIs)
{
    const Text path = write(first(5 * 514));
    const struct {
        const char* what;
        CheckPolicy policy;
        Answer answer;
        std::size_t questions;
        bool written;
    } cases[] = {
        {"asked, No", CheckPolicy::Ask, Answer::No, 1, false},
        {"asked, Yes", CheckPolicy::Ask, Answer::Yes, 1, true},
        {"forced", CheckPolicy::Force, Answer::No, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rig.sent.clear();
        rig.prompt.shown.clear();
        rig.prompt.questionAnswer = c.answer;
        EXPECT_EQ(rig.download(path, c.policy), c.written);
        EXPECT_EQ(rig.downloader.Result(), c.written ? DownloadResult::Finished : DownloadResult::Refused);
        ASSERT_EQ(rig.prompt.shown.size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Confirmation);
            EXPECT_EQ(rig.prompt.shown[0].message, "The image file \"" + path +
                                                       "\" is damaged: directory sector 5 is missing.\n"
                                                       "Write it to the ZR48 anyway?");
        }
        EXPECT_EQ(rig.sentNumbers(kSectorWrite),
                  c.written ? (std::vector<std::uint16_t>{0, 1, 2, 3, 4}) : std::vector<std::uint16_t>{});
        EXPECT_EQ(rig.sim.card.read(0)[0], c.written ? image[2] : 0xEE);
    }
}

// Written to a card, such an image leaves the unit with an empty project.
TEST_F(DownloaderCheckTest, AnImageThatAssignsNoDeviceIsWrittenOnlyWhenConfirmed)
{
    TProjectFile empty;
    empty.Save(dir.text("Empty.mpj"));
    ASSERT_TRUE(CompileProject(dir.text("Empty.mpj"), rig.prompt));
    const Text path = dir.text("Empty.mpd");
    const struct {
        const char* what;
        CheckPolicy policy;
        std::optional<CheckPolicy> noDevice;
        Answer answer;
        std::size_t questions;
        bool written;
    } cases[] = {
        {"asked, No", CheckPolicy::Ask, std::nullopt, Answer::No, 1, false},
        {"a compiled project (damage refused), asked, No", CheckPolicy::Refuse, std::nullopt, Answer::No, 1, false},
        {"asked, Yes", CheckPolicy::Refuse, std::nullopt, Answer::Yes, 1, true},
        {"forced", CheckPolicy::Force, std::nullopt, Answer::No, 0, true},
        {"asked before by the caller", CheckPolicy::Refuse, CheckPolicy::Force, Answer::No, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rig.sent.clear();
        rig.prompt.shown.clear();
        rig.sim.card.write(0, Sector{0xEE});
        rig.prompt.questionAnswer = c.answer;
        EXPECT_EQ(rig.download(path, c.policy, c.noDevice), c.written);
        EXPECT_EQ(rig.downloader.Result(), c.written ? DownloadResult::Finished : DownloadResult::Refused);
        ASSERT_EQ(rig.prompt.shown.size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(rig.prompt.shown[0].message, "The image \"" + path +
                                                       "\" assigns no device to any slot: written to the card, it "
                                                       "leaves the ZR48 with an empty project.\n"
                                                       "Write it to the ZR48 anyway?");
        }
        EXPECT_EQ(rig.sent.empty(), !c.written);
        EXPECT_EQ(rig.sim.card.read(0)[0], c.written ? 0 : 0xEE);
    }
    // An image with a device is written without a question.
    rig.prompt.shown.clear();
    EXPECT_TRUE(rig.download(dir.text("Villa/Villa.mpd"), CheckPolicy::Refuse));
    EXPECT_TRUE(rig.prompt.shown.empty());
}

} // namespace
} // namespace zr48::test
