#include "tools/Firmware.h"

#include "SimBench.h"
#include "base/FileIo.h"
#include "link/Frames.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"
#include "support/TimePassingPrompt.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zr48 {
namespace {

const Text kDemoVersion = "R48+1.21 KELDO DEMO";

std::vector<std::uint8_t> demoImage()
{
    return readFileBytes(ZR48_FIRMWARE_IMAGE);
}

TEST(FirmwareFileVersion, TakesTheTextFromTheLastMarkerToTheNextZeroByte)
{
    struct Case {
        const char* name;
        std::string content;
        Text version;
    };
    const std::string big(Firmware::kImageSize, 'x');
    const Case cases[] = {
        {"no marker", std::string("R48+0.9\0R48", 11), "Unknown"},
        {"one marker", std::string("abcR48+1.05\0R49+1.00\0", 21), "R48+1.05"},
        {"the second of two", std::string("R48+1.00\0yyR48+1.07 B\0zz", 24), "R48+1.07 B"},
        {"no zero byte after it", "....R48+1.9x", "R48+1.9x"},
        {"marker beyond the first 131,072 bytes", big + std::string("R48+1.5\0", 8), "Unknown"},
        {"text cut at 131,072 bytes", big.substr(7) + "R48+1.5 TAIL", "R48+1.5"},
        {"marker cut short by the read limit", big.substr(3) + "R48+1.5", "Unknown"},
    };
    test::TempDir dir;
    for (const Case& c : cases)
        EXPECT_EQ(Firmware::FileVersion(dir.write("f.bin", c.content)), c.version) << c.name;
    EXPECT_EQ(Firmware::FileVersion(dir.text("missing.bin")), "Unknown");
    EXPECT_EQ(Firmware::FileVersion(dir.text()), "Unknown"); // a folder
    EXPECT_EQ(Firmware::FileVersion(ZR48_FIRMWARE_IMAGE), kDemoVersion);
}

TEST(FirmwareDemoImage, FitsAnUpdateAndCarriesItsVersionInTheProgrammedPart)
{
    const auto image = demoImage();
    EXPECT_GE(image.size(), 122880u);
    EXPECT_LE(image.size(), 131072u);
    const std::vector<std::uint8_t> programmed(image.begin(), image.begin() + 122880);
    EXPECT_EQ(Firmware::ImageVersion(programmed), kDemoVersion);

    // It goes into a simulated unit only; any letter case of its version is the same image.
    EXPECT_TRUE(Firmware::DemoImageForRealUnit(kDemoVersion, false));
    EXPECT_TRUE(Firmware::DemoImageForRealUnit("r48+1.21 keldo demo", false));
    EXPECT_FALSE(Firmware::DemoImageForRealUnit(kDemoVersion, true));
    EXPECT_FALSE(Firmware::DemoImageForRealUnit("R48+1.30", false));
}

TEST(FirmwareFileCheck, RefusesAFileThatIsEmptyTooBigForTheFlashOrWithoutAVersion)
{
    test::TempDir dir;
    const std::string version("R48+1.30\0", 9);
    const auto withVersion = [&](std::size_t size) { return std::string(size - version.size(), 'f') + version; };
    const struct {
        const char* name;
        std::string content;
        const char* problem; // after the quoted path; empty: the file may be programmed
    } cases[] = {
        {"the 480 blocks", withVersion(122880), ""},
        {"a short file", withVersion(100000), ""},
        {"empty", "", " is empty."},
        {"one byte too many", withVersion(122881),
         " holds 122881 bytes; an update programs at most 122880 (480 blocks of 256 bytes)."},
        {"no version text", std::string(122880, 'f'),
         " holds no firmware version (no \"R48+1\" text): it is no ZR48 firmware."},
    };
    for (const auto& c : cases) {
        const Text path = dir.write("f.bin", c.content);
        EXPECT_EQ(Firmware::FileProblem(path), *c.problem ? "The firmware file \"" + path + "\"" + c.problem : "")
            << c.name;
    }
    EXPECT_EQ(Firmware::FileProblem(dir.text("missing.bin")), "Unable to open firmware file.");
    EXPECT_EQ(Firmware::FileProblem(ZR48_FIRMWARE_IMAGE), "");
}

TEST(FirmwareAutomaticCheck, RecommendsAnUpdateOnlyWhenBothVersionsAreKnownAndDiffer)
{
    struct Case {
        Text device;
        Text file;
        bool recommended;
    };
    const Case cases[] = {
        {"R48+1.20 SIM", "R48+1.21 KELDO DEMO", true},
        {"r48+1.21 keldo demo", "R48+1.21 KELDO DEMO", false},
        {"R48+1.21 KELDO DEMO", "R48+1.21 KELDO DEMO", false},
        {"Unknown", "R48+1.21 KELDO DEMO", false}, // no reply
        {"R48+1.20 SIM", "Unknown", false},        // no file or no marker
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        // The unit answers the connect's version request with `device`; the file holds `file`.
        VirtualClock clock;
        test::ScriptedPrompt prompt;
        Firmware firmware(clock, prompt);
        const Text path = c.file == "Unknown" ? dir.text("none.bin") : dir.write("f.bin", "..." + c.file + '\0');
        firmware.EditFileNameChange(path);
        int requests = 0;
        firmware.SetLink([&](std::span<const std::uint8_t> payload) { requests += payload[0] == 11; });
        bool shown = false;
        firmware.onShowRequest = [&] { shown = true; };
        if (c.recommended)
            prompt.answer(Answer::Ok, "We strongly recommend to update the Firmware\nof the ZR48");

        firmware.ConnectNotice();
        firmware.ConnectNotice(); // still pending: nothing more is asked
        EXPECT_EQ(requests, 1);
        if (c.device != "Unknown") {
            const auto reply = encode(VersionReplyFrame{0, c.device});
            firmware.HandleFrame(reply.data(), static_cast<int>(reply.size()));
        }
        clock.advance(199);
        EXPECT_TRUE(prompt.shown().empty());
        clock.advance(1);
        EXPECT_EQ(prompt.shown().size(), c.recommended ? 1u : 0u) << c.device << " / " << c.file;
        EXPECT_EQ(shown, c.recommended);
        if (c.recommended) {
            EXPECT_EQ(prompt.shown()[0].icon, Icon::Information);
            EXPECT_EQ(prompt.shown()[0].buttons, Buttons::OkCancel);
        }
        // Re-armed: the next connect checks again.
        firmware.ConnectNotice();
        EXPECT_EQ(requests, 2);
        if (c.recommended)
            prompt.answer(Answer::Cancel);
        const auto reply = encode(VersionReplyFrame{0, c.device});
        if (c.device != "Unknown")
            firmware.HandleFrame(reply.data(), static_cast<int>(reply.size()));
        clock.advance(200);
        EXPECT_EQ(shown, c.recommended); // Cancel does not show the window
    }
}

// The updater on a simulated unit.
class FirmwareOnUnit : public testing::Test {
protected:
    explicit FirmwareOnUnit(SimOptions options = {}) : bench(std::move(options)), firmware(bench.clock, prompt)
    {
        firmware.SetLink(bench.sender());
        bench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Firmware,
                                           [this](const std::uint8_t* p, int n) { firmware.HandleFrame(p, n); });
    }
    bool runUpdate(const Text& path)
    {
        firmware.EditFileNameChange(path);
        firmware.ButtonUpdateClick();
        return bench.clock.advanceUntil([this] { return firmware.state() == Firmware::State::Idle; }, 600000);
    }
    test::SimBench bench;
    test::ScriptedPrompt prompt;
    Firmware firmware;
    test::TempDir dir;
};

TEST_F(FirmwareOnUnit, BootLoaderProgramsAll480BlocksAndTheUnitReportsTheNewVersion)
{
    const auto image = demoImage();
    ASSERT_NE(bench.unit.unit.version(), kDemoVersion);
    ASSERT_TRUE(runUpdate(ZR48_FIRMWARE_IMAGE));
    EXPECT_EQ(firmware.outcome(), Firmware::Outcome::Finished);
    EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});
    EXPECT_EQ(firmware.view().progressPosition, 480);
    EXPECT_EQ(firmware.view().progressMaximum, 480);
    EXPECT_TRUE(firmware.view().updateEnabled);
    const auto& flash = bench.unit.unit.flash();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 122880, flash.begin()));
    EXPECT_EQ(bench.sentOfType(FrameType::BootBlock), 480u); // no loss: each block once

    prompt.clear();
    firmware.ButtonCheckVersionClick();
    bench.clock.advance(200);
    EXPECT_EQ(prompt.messages(),
              std::vector<Text>{"Firmware version of the ZR48 currently connected:\n" + kDemoVersion});
}

// Closing the window during an update asks first; No lets it go on, Yes stops it, says what the
// unit holds, and the window opens afresh next time.
TEST_F(FirmwareOnUnit, ClosingTheWindowDuringAnUpdateAsksFirstAndSaysWhatTheUnitHolds)
{
    const Text question = "Stop the firmware update?\nThe ZR48 will stay in its boot loader with incomplete firmware.";
    struct Case {
        const char* name;
        int blocksFirst; // -1: close while waiting for the boot loader
        const char* report;
    };
    const Case cases[] = {
        {"waiting for the boot loader", -1,
         "Firmware update stopped before any block was programmed.\nShould the ZR48 not start as usual, it waits in "
         "its boot loader: open Update Firmware and click Update again."},
        {"programming", 10,
         "Firmware update stopped after 10 of 480 blocks.\nThe ZR48 stays in its boot loader with incomplete "
         "firmware until an update completes: open Update Firmware and click Update again."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.clear();
        firmware.FormShow(false);
        firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
        firmware.ButtonUpdateClick();
        if (c.blocksFirst >= 0)
            ASSERT_TRUE(bench.clock.advanceUntil([&] { return firmware.currentBlock() == c.blocksFirst; }, 60000));
        const Firmware::State running = firmware.state();
        prompt.answer(Answer::No, question);
        EXPECT_FALSE(firmware.CloseRequested());
        EXPECT_EQ(firmware.state(), running);
        EXPECT_TRUE(firmware.view().visible);

        prompt.answer(Answer::Yes, question);
        EXPECT_TRUE(firmware.CloseRequested());
        EXPECT_EQ(firmware.state(), Firmware::State::Idle);
        EXPECT_FALSE(firmware.view().visible);
        ASSERT_EQ(prompt.shown().size(), 3u);
        EXPECT_EQ(prompt.shown()[2].message, c.report);
        EXPECT_EQ(prompt.shown()[2].icon, Icon::Information);
        // Opened again: no trace of the stopped update.
        firmware.FormShow(false);
        EXPECT_EQ(firmware.view().progressPosition, 0);
        EXPECT_EQ(firmware.view().progressMaximum, 480);
        EXPECT_TRUE(firmware.view().updateEnabled);
        bench.clock.advance(6000); // the boot loader's give-up of the first case
    }
    // Without an update the window closes without a word.
    prompt.clear();
    EXPECT_TRUE(firmware.CloseRequested());
    EXPECT_FALSE(firmware.view().visible);
    EXPECT_TRUE(prompt.shown().empty());
}

// "Stop the firmware update?" left open while the update runs to its end: the question closes by
// itself when the update ends, the update's own message opens after it, and the answer the user
// would have given later stops nothing.
TEST(FirmwareStopQuestion, LeftOpenItClosesWhenTheUpdateEnds)
{
    struct Case {
        const char* name;
        StopAsker asker;
        bool silentUnit;
        Firmware::Outcome outcome;
        const char* result;
    };
    const Case cases[] = {
        {"finished, asked by the window", StopAsker::Dialog, false, Firmware::Outcome::Finished, "Update finished."},
        {"finished, asked on quitting", StopAsker::Quit, false, Firmware::Outcome::Finished, "Update finished."},
        {"no boot loader", StopAsker::Dialog, true, Firmware::Outcome::BootLoaderUnreachable,
         "Unable to connect to the ZR48 boot loader."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SimBench bench;
        test::TimePassingPrompt held{bench.clock, 300'000}; // left open for five minutes
        Firmware firmware{bench.clock, held};
        firmware.SetLink(bench.sender());
        bench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Firmware,
                                           [&](const std::uint8_t* p, int n) { firmware.HandleFrame(p, n); });
        bench.unit.unit.faults().silent = c.silentUnit;
        firmware.FormShow(false);
        firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
        firmware.ButtonUpdateClick();
        if (!c.silentUnit)
            ASSERT_TRUE(bench.clock.advanceUntil([&] { return firmware.currentBlock() == 20; }, 60000));
        held.answer(Answer::Yes);

        EXPECT_FALSE(firmware.CloseRequested(c.asker));

        ASSERT_EQ(held.questions().size(), 1u);
        EXPECT_EQ(held.questions()[0].defaultAnswer, Answer::No);
        EXPECT_EQ(held.questions()[0].noCaption, "&Continue");
        EXPECT_NE(held.questions()[0].yesCaption.find("Stop Update"), std::string::npos);
        ASSERT_EQ(held.opens().size(), 2u);
        const auto& question = held.opens()[0];
        EXPECT_TRUE(question.withdrawn);
        EXPECT_LT(question.closedMs - question.openedMs, 120'000);
        EXPECT_EQ(held.opens()[1].message, c.result);
        EXPECT_GE(held.opens()[1].openedMs, question.closedMs);
        // A finished update then asks the unit which firmware it runs.
        bench.clock.advanceUntil([&] { return firmware.state() == Firmware::State::Idle; }, 10000);
        EXPECT_EQ(firmware.outcome(), c.outcome);
        EXPECT_EQ(firmware.state(), Firmware::State::Idle);
        EXPECT_TRUE(firmware.view().visible); // the window stays, with its result
        if (c.outcome == Firmware::Outcome::Finished)
            EXPECT_EQ(firmware.view().progressPosition, 480);
    }
}

TEST_F(FirmwareOnUnit, AShortFileProgramsZerosBeyondItsEndAndScansNeverTouchTheImage)
{
    // 100,000 bytes: the blocks beyond its end carry the buffer's zeros. While it is programmed,
    // the named file changes and the file on disk is rewritten; the once-a-second scans read
    // them, yet the blocks still to be sent stay those of the file read at Update.
    std::string content(100000, 'a');
    content.replace(500, 9, std::string("R48+1.3\0", 8));
    const Text path = dir.write("short.bin", content);
    const Text other = dir.write("other.bin", std::string(131072, 'o'));
    firmware.EditFileNameChange(path);
    firmware.ButtonUpdateClick();
    ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.currentBlock() == 10; }, 60000));
    dir.write("short.bin", std::string(131072, 'b'));
    firmware.EditFileNameChange(other);
    ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.state() == Firmware::State::Idle; }, 600000));
    EXPECT_EQ(firmware.view().fileVersion, "Unknown"); // the scans did run on the new file

    const auto& flash = bench.unit.unit.flash();
    EXPECT_TRUE(std::equal(content.begin(), content.end(), flash.begin(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
    EXPECT_TRUE(std::all_of(flash.begin() + 100000, flash.begin() + 122880, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(bench.unit.unit.version(), "R48+1.3");
}

TEST_F(FirmwareOnUnit, EveryBlockSentCarriesTheFilesBytesAndZerosBeyondItsEnd)
{
    // After an update with the whole demonstration image, a shorter file: its blocks must not
    // carry what the earlier file left behind.
    ASSERT_TRUE(runUpdate(ZR48_FIRMWARE_IMAGE));
    std::string content(100000, 's');
    for (std::size_t i = 0; i < content.size(); i += 97)
        content[i] = static_cast<char>(i);
    content.replace(700, 8, std::string("R48+1.4\0", 8));
    bench.sent.clear();
    prompt.clear();
    ASSERT_TRUE(runUpdate(dir.write("short.bin", content)));
    EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});

    std::vector<std::uint8_t> expected(content.begin(), content.end());
    expected.resize(122880, 0);
    std::vector<bool> seen(480, false);
    for (const auto& frame : bench.sent) {
        if (frame[0] != static_cast<std::uint8_t>(FrameType::BootBlock))
            continue;
        const int block = (frame[2] << 8) | frame[3];
        ASSERT_LT(block, 480);
        seen[static_cast<std::size_t>(block)] = true;
        EXPECT_TRUE(std::equal(frame.begin() + 4, frame.end(), expected.begin() + block * 256)) << "block " << block;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 480);
    const auto& flash = bench.unit.unit.flash();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash.begin()));
    EXPECT_EQ(bench.unit.unit.version(), "R48+1.4");
}

TEST_F(FirmwareOnUnit, AFileThatFailsItsCheckIsRefusedAskedAboutOrForced)
{
    const Text path = dir.write("card.bin", std::string(5140, '\0')); // an image of an empty card
    const Text problem = Firmware::FileProblem(path);
    ASSERT_NE(problem, "");
    const struct {
        const char* what;
        CheckPolicy policy;
        std::optional<Answer> answer;
        std::vector<Text> messages;
        bool programmed;
    } cases[] = {
        {"refused", CheckPolicy::Refuse, {}, {problem + "\nNothing was sent to the ZR48."}, false},
        {"asked, No", CheckPolicy::Ask, Answer::No, {problem + "\nProgram it into the ZR48 anyway?"}, false},
        {"asked, Yes",
         CheckPolicy::Ask,
         Answer::Yes,
         {problem + "\nProgram it into the ZR48 anyway?", "Update finished."},
         true},
        {"forced", CheckPolicy::Force, {}, {"Update finished."}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench.sent.clear();
        prompt.clear();
        if (c.answer)
            prompt.answer(*c.answer, "Program it into the ZR48 anyway?");
        firmware.EditFileNameChange(path);
        firmware.ButtonUpdateClick(c.policy);
        bench.clock.advanceUntil([this] { return firmware.state() == Firmware::State::Idle; }, 600000);
        EXPECT_EQ(prompt.messages(), c.messages);
        EXPECT_EQ(firmware.outcome(), c.programmed ? Firmware::Outcome::Finished : Firmware::Outcome::FileRefused);
        EXPECT_EQ(bench.sentOfType(FrameType::BootStart) > 0, c.programmed);
        EXPECT_EQ(bench.sentOfType(FrameType::BootBlock), c.programmed ? 480u : 0u);
        EXPECT_TRUE(firmware.view().updateEnabled);
    }
}

TEST_F(FirmwareOnUnit, AUnitThatAnswersInTimeGoesOnAndAnUnpluggedOneEndsWithWhatIsKnown)
{
    firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
    firmware.ButtonUpdateClick(CheckPolicy::Refuse);
    ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.currentBlock() == 100; }, 60000));

    // Silent for 4 s, then answering again: the update goes on to the end.
    bench.unit.unit.faults().silent = true;
    bench.clock.advance(4000);
    EXPECT_EQ(firmware.state(), Firmware::State::Programming);
    bench.unit.unit.faults().silent = false;
    ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.state() == Firmware::State::Idle; }, 600000));
    EXPECT_EQ(firmware.outcome(), Firmware::Outcome::Finished);

    // Unplugged at block 200 for good: 5 s after the last acknowledgement the boot loader is asked
    // for again, and 5 s later the update ends, saying what is known.
    prompt.clear();
    firmware.ButtonUpdateClick(CheckPolicy::Refuse);
    ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.currentBlock() == 200; }, 60000));
    const std::int64_t lastAck = bench.clock.now();
    bench.unit.unit.unplug();
    ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.state() == Firmware::State::Idle; }, 600000));
    EXPECT_EQ(bench.clock.now() - lastAck, 10000);
    EXPECT_EQ(firmware.outcome(), Firmware::Outcome::UnitStoppedAnswering);
    EXPECT_TRUE(firmware.view().updateEnabled);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"The update did not finish.\nThe ZR48 may be in its boot loader or "
                                                 "run its old firmware; run the update again."});
    const auto sent = bench.sent.size();
    bench.clock.advance(10000);
    EXPECT_EQ(bench.sent.size(), sent); // nothing is resent any more
}

// Every other transfer goes on after a short unplug; so does an update, through the boot loader
// hand-over again after the silence. The link's notice that it is connected again (the main window
// passes it on, the command line does not) asks for no version in the middle of it.
TEST_F(FirmwareOnUnit, AShortUnplugDuringTheUpdateStartsTheHandOverAgainAndTheUpdateFinishes)
{
    const auto image = demoImage();
    for (const bool connectNotice : {true, false}) {
        SCOPED_TRACE(connectNotice);
        if (connectNotice)
            bench.dispatcher.setConnectNotice([this] { firmware.ConnectNotice(); });
        else
            bench.dispatcher.setConnectNotice({});
        prompt.clear();
        firmware.EditFileNameChange(
            dir.write("old.bin", std::string("R48+1.20 SIM\0", 13) + std::string(1000, '\x5A')));
        ASSERT_TRUE(runUpdate(dir.text("old.bin"))); // the unit runs other firmware than the image
        ASSERT_EQ(bench.unit.unit.version(), "R48+1.20 SIM");

        prompt.clear();
        firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
        firmware.ButtonUpdateClick(CheckPolicy::Refuse);
        ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.currentBlock() == 300; }, 60000));
        bench.unit.unit.unplug(); // the unit leaves its boot loader and runs its old firmware
        bench.clock.advance(1000);
        bench.unit.unit.replug();
        ASSERT_TRUE(bench.clock.advanceUntil([this] { return firmware.state() == Firmware::State::Idle; }, 600000));
        EXPECT_EQ(firmware.outcome(), Firmware::Outcome::Finished);
        EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});
        EXPECT_EQ(bench.unit.unit.version(), kDemoVersion);
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + 122880, bench.unit.unit.flash().begin()));
    }
}

TEST_F(FirmwareOnUnit, EveryConnectionOfAUnitWithOtherFirmwareRecommendsTheUpdate)
{
    bench.dispatcher.setConnectNotice([this] { firmware.ConnectNotice(); });
    firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
    int showRequests = 0;
    firmware.onShowRequest = [&] { ++showRequests; };
    const Text recommendation = "We strongly recommend to update the Firmware";
    prompt.answer(Answer::Ok, recommendation);
    ASSERT_TRUE(bench.clock.advanceUntil([&] { return !prompt.shown().empty(); }, 5000));
    EXPECT_EQ(firmware.deviceVersion(), "R48+1.20 SIM");
    EXPECT_EQ(showRequests, 1);

    // Unplugged and plugged in again: the link reconnects and the check runs again.
    bench.unit.unit.unplug();
    bench.clock.advance(3500);
    ASSERT_FALSE(bench.link.Connected());
    bench.unit.unit.replug();
    prompt.answer(Answer::Cancel, recommendation);
    ASSERT_TRUE(bench.clock.advanceUntil([&] { return prompt.shown().size() == 2; }, 10000));
    EXPECT_EQ(showRequests, 1);

    // Once the unit runs the file's firmware, a reconnection stays silent.
    ASSERT_TRUE(runUpdate(ZR48_FIRMWARE_IMAGE));
    bench.unit.unit.unplug();
    bench.clock.advance(3500);
    bench.unit.unit.replug();
    ASSERT_TRUE(bench.clock.advanceUntil([&] { return bench.link.Connected(); }, 10000));
    bench.clock.advance(1000);
    EXPECT_EQ(firmware.deviceVersion(), kDemoVersion);
    EXPECT_EQ(prompt.messages().back(), "Update finished.");
}

class FirmwareOnLossyUnit : public FirmwareOnUnit {
protected:
    static SimOptions lossy()
    {
        SimOptions options;
        options.bootReadyCount = 600;
        options.faults.dropRate = 0.1;
        options.faults.seed = 7;
        return options;
    }
    FirmwareOnLossyUnit() : FirmwareOnUnit(lossy()) {}
};

TEST_F(FirmwareOnLossyUnit, LostFramesAreResentAndTheBarEndsAt480Of600)
{
    ASSERT_TRUE(runUpdate(ZR48_FIRMWARE_IMAGE));
    EXPECT_EQ(firmware.outcome(), Firmware::Outcome::Finished);
    EXPECT_GT(bench.sentOfType(FrameType::BootBlock), 480u);
    EXPECT_EQ(firmware.view().progressMaximum, 600);
    EXPECT_EQ(firmware.view().progressPosition, 480);
    const auto image = demoImage();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 122880, bench.unit.unit.flash().begin()));
    EXPECT_EQ(bench.unit.unit.version(), kDemoVersion);
}

TEST(FirmwareOnUnitLosingReplies, TheUpdateEndsAlsoWhenTheLastBlocksAcknowledgementIsLost)
{
    // A fifth of the replies is lost on the way back; among these seeds some lose the
    // acknowledgement of the last block, and the updater must still finish.
    int lastAckLost = 0;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SimOptions options;
        options.faults.replyLossRate = 0.2;
        options.faults.seed = seed;
        test::SimBench bench(options);
        test::ScriptedPrompt prompt;
        Firmware firmware(bench.clock, prompt);
        firmware.SetLink(bench.sender());
        bench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Firmware,
                                           [&](const std::uint8_t* p, int n) { firmware.HandleFrame(p, n); });
        firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
        firmware.ButtonUpdateClick();
        ASSERT_TRUE(bench.clock.advanceUntil([&] { return firmware.state() == Firmware::State::Idle; }, 600000))
            << "seed " << seed;
        EXPECT_EQ(firmware.outcome(), Firmware::Outcome::Finished) << "seed " << seed;
        EXPECT_EQ(bench.unit.unit.version(), kDemoVersion) << "seed " << seed;
        std::size_t lastSends = 0;
        for (const auto& frame : bench.sent)
            lastSends += frame[0] == 7 && frame[2] == 479 >> 8 && frame[3] == (479 & 0xFF);
        lastAckLost += lastSends > 1;
    }
    EXPECT_GT(lastAckLost, 0);
}

// After the last block the unit's version is asked as every request is, until two replies agree,
// and compared with the image programmed; the line fails only from that question on.
TEST(FirmwareVersionAfterUpdate, IsAskedUntilTwoRepliesAgreeAndComparedWithTheImage)
{
    struct Case {
        const char* name;
        SimFaults faults;            // from the version question on
        const char* reportedVersion; // what the unit says, when not its own
        Firmware::Outcome outcome;
        const char* errorPart;
    };
    const Case cases[] = {
        {"half the replies lost", {.seed = 3, .replyLossRate = 0.5}, nullptr, Firmware::Outcome::Finished, nullptr},
        {"replies corrupted", {.seed = 4, .corruptRate = 0.5}, nullptr, Firmware::Outcome::Finished, nullptr},
        {"replies late", {.seed = 5, .extraDelayMs = 300}, nullptr, Firmware::Outcome::Finished, nullptr},
        {"a silent unit",
         {.silent = true},
         nullptr,
         Firmware::Outcome::VersionUnanswered,
         "did not tell its firmware version after the update"},
        {"old firmware still running",
         {},
         "R48+1.20 SIM",
         Firmware::Outcome::VersionDiffers,
         "reports firmware version \"R48+1.20 SIM\" after the update, not \"R48+1.21 KELDO DEMO\""},
    };
    for (const Case& c : cases) {
        test::SimBench bench;
        test::ScriptedPrompt prompt;
        Firmware firmware(bench.clock, prompt);
        auto send = bench.sender();
        firmware.SetLink([&](std::span<const std::uint8_t> payload) {
            if (payload[0] == static_cast<std::uint8_t>(FrameType::VersionRequest))
                bench.unit.unit.faults() = c.faults;
            send(payload);
        });
        bench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Firmware, [&](const std::uint8_t* p, int n) {
            if (c.reportedVersion && p && n > 0 && p[0] == static_cast<std::uint8_t>(FrameType::VersionReply)) {
                const auto other = encode(VersionReplyFrame{0, c.reportedVersion});
                firmware.HandleFrame(other.data(), static_cast<int>(other.size()));
                return;
            }
            firmware.HandleFrame(p, n);
        });
        firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
        firmware.ButtonUpdateClick();
        ASSERT_TRUE(bench.clock.advanceUntil([&] { return firmware.state() == Firmware::State::Idle; }, 600000))
            << c.name;
        EXPECT_EQ(firmware.outcome(), c.outcome) << c.name;
        EXPECT_GE(bench.sentOfType(FrameType::VersionRequest), 2u) << c.name; // two replies to agree, or resends
        ASSERT_FALSE(prompt.messages().empty()) << c.name;
        EXPECT_EQ(prompt.messages()[0], "Update finished.") << c.name;
        if (c.outcome == Firmware::Outcome::Finished) {
            EXPECT_EQ(firmware.deviceVersion(), kDemoVersion) << c.name;
            EXPECT_TRUE(prompt.errors().empty()) << c.name;
        } else {
            ASSERT_EQ(prompt.errors().size(), 1u) << c.name;
            EXPECT_NE(prompt.errors()[0].find(c.errorPart), std::string::npos) << prompt.errors()[0];
        }
        EXPECT_TRUE(firmware.view().updateEnabled) << c.name;
    }
}

class FirmwareOnSilentUnit : public FirmwareOnUnit {
protected:
    static SimOptions silent()
    {
        SimOptions options;
        options.faults.silent = true;
        return options;
    }
    FirmwareOnSilentUnit() : FirmwareOnUnit(silent()) {}
};

TEST_F(FirmwareOnSilentUnit, TheBootLoaderGiveUpComesAfter5000MsEvenWithTheWindowClosed)
{
    firmware.FormShow(false);
    firmware.EditFileNameChange(ZR48_FIRMWARE_IMAGE);
    firmware.ButtonUpdateClick();
    EXPECT_FALSE(firmware.view().updateEnabled);
    bench.clock.advance(1000);
    firmware.FormClose(); // stops the BootStart repeats, not the give-up
    const auto bootStarts = bench.sentOfType(FrameType::BootStart);
    EXPECT_EQ(bootStarts, 5u);
    bench.clock.advance(3999);
    EXPECT_TRUE(prompt.messages().empty());
    bench.clock.advance(1);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to connect to the ZR48 boot loader."});
    EXPECT_EQ(bench.sentOfType(FrameType::BootStart), bootStarts);
    EXPECT_EQ(firmware.outcome(), Firmware::Outcome::BootLoaderUnreachable);
    EXPECT_TRUE(firmware.view().updateEnabled);
    EXPECT_EQ(bench.sentOfType(FrameType::BootBlock), 0u);
}

TEST_F(FirmwareOnSilentUnit, TheManualCheckReportsAMissingReply)
{
    firmware.ButtonCheckVersionClick();
    EXPECT_EQ(firmware.deviceVersion(), "Unknown");
    bench.clock.advance(200);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to retrieve version number."});
}

// The firmware tool with nothing on the link: it keeps the frames sent, and the tests hand it the
// unit's replies.
class FirmwareAlone : public testing::Test {
protected:
    FirmwareAlone()
    {
        firmware.SetLink(
            [this](std::span<const std::uint8_t> frame) { sent.emplace_back(frame.begin(), frame.end()); });
    }

    VirtualClock clock;
    test::ScriptedPrompt prompt;
    Firmware firmware{clock, prompt};
    test::TempDir dir;
    std::vector<std::vector<std::uint8_t>> sent;
};

class FirmwareUpdate : public FirmwareAlone {};
class FirmwareForm : public FirmwareAlone {};

TEST_F(FirmwareUpdate, AFileThatCannotBeOpenedSendsNothing)
{
    firmware.EditFileNameChange(dir.text("missing.bin"));
    firmware.ButtonUpdateClick();
    clock.advance(6000);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to open firmware file."});
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(firmware.view().updateEnabled);
}

TEST_F(FirmwareUpdate, FollowsTheAcknowledgementsOfTheCurrentBlockOnly)
{
    auto feed = [&](auto frame) {
        const auto bytes = encode(frame);
        firmware.HandleFrame(bytes.data(), static_cast<int>(bytes.size()));
    };
    auto lastBlock = [&] {
        EXPECT_EQ(sent.back().size(), 260u);
        return (sent.back()[2] << 8) | sent.back()[3];
    };

    // A BootReady without an update read no image: programming an empty image is refused.
    feed(BootReadyFrame{0, 480});
    clock.advance(1000);
    EXPECT_TRUE(sent.empty());

    std::string content(122880, 'z');
    content.replace(1000, 8, std::string("R48+1.9\0", 8));
    firmware.EditFileNameChange(dir.write("fw.bin", content));
    firmware.ButtonUpdateClick();
    clock.advance(200);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{5, 0}));
    feed(BootReadyFrame{0, 500});
    EXPECT_EQ(firmware.view().progressMaximum, 500);
    clock.advance(199);
    EXPECT_EQ(sent.size(), 1u);
    clock.advance(1); // block 0, 200 ms after BootReady
    EXPECT_EQ(lastBlock(), 0);
    EXPECT_EQ(sent.back()[4], 'z');
    feed(BootBlockAckFrame{0, 0});
    EXPECT_EQ(lastBlock(), 1); // at once
    const auto count = sent.size();
    feed(BootBlockAckFrame{0, 0}); // a late one for the previous block
    EXPECT_EQ(sent.size(), count);
    EXPECT_EQ(firmware.currentBlock(), 1);
    clock.advance(200);
    EXPECT_EQ(lastBlock(), 1);          // resent
    firmware.ButtonCheckVersionClick(); // between blocks; programming goes on
    EXPECT_EQ(sent.back(), (std::vector<std::uint8_t>{11, 0}));
    clock.advance(200);
    EXPECT_EQ(lastBlock(), 1);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to retrieve version number."});
    EXPECT_EQ(firmware.state(), Firmware::State::Programming);
    // 5 s after the last acknowledgement the boot loader is asked for again...
    clock.advance(4599);
    EXPECT_EQ(firmware.state(), Firmware::State::Programming);
    clock.advance(1);
    EXPECT_EQ(firmware.state(), Firmware::State::WaitingForBootLoader);
    clock.advance(200);
    EXPECT_EQ(sent.back(), (std::vector<std::uint8_t>{5, 0}));
    // ...and when it stays silent for 5 s, the update ends with what is known.
    clock.advance(4799);
    EXPECT_EQ(prompt.errors().size(), 1u);
    clock.advance(1);
    EXPECT_EQ(firmware.state(), Firmware::State::Idle);
    EXPECT_EQ(firmware.outcome(), Firmware::Outcome::UnitStoppedAnswering);
    EXPECT_EQ(prompt.errors().back(), Firmware::kUpdateNotFinished);
}

TEST_F(FirmwareForm, ClosingTheWindowWhileProgrammingStopsTheBlocksButNotTheFileCheck)
{
    const Text path = dir.write("fw.bin", std::string("R48+1.4\0", 8));
    firmware.FormShow(false);
    firmware.EditFileNameChange(path);
    firmware.ButtonUpdateClick();
    const auto ready = encode(BootReadyFrame{0, 480});
    firmware.HandleFrame(ready.data(), static_cast<int>(ready.size()));
    clock.advance(600); // block 0, sent and resent
    ASSERT_EQ(firmware.state(), Firmware::State::Programming);
    ASSERT_EQ(sent.size(), 3u);

    firmware.FormClose();
    EXPECT_FALSE(firmware.view().visible);
    EXPECT_TRUE(firmware.view().updateEnabled);
    EXPECT_EQ(firmware.state(), Firmware::State::Idle);
    dir.write("fw.bin", std::string("R48+1.5\0", 8));
    clock.advance(6000);
    EXPECT_EQ(sent.size(), 3u);
    EXPECT_TRUE(prompt.messages().empty());
    EXPECT_EQ(firmware.view().fileVersion, "R48+1.5"); // the label goes on following the file
}

TEST_F(FirmwareForm, FindsTheDefaultFileBesideTheProgramAndShowsItsVersion)
{
    std::filesystem::create_directories(dir.path() / "Firmware");
    firmware.FormCreate(dir.text());
    EXPECT_TRUE(firmware.view().fileName.empty());
    EXPECT_EQ(firmware.view().fileVersion, "Unknown");

    dir.write("Firmware/ZR48.BIN", std::string("R48+1.4\0", 8));
    firmware.FormCreate(dir.text());
    EXPECT_EQ(firmware.view().fileName, dir.text("Firmware/ZR48.BIN"));
    EXPECT_EQ(firmware.view().fileVersion, "R48+1.4");
    // The label follows the file on disk once a second.
    dir.write("Firmware/ZR48.BIN", std::string("R48+1.5\0", 8));
    clock.advance(1000);
    EXPECT_EQ(firmware.view().fileVersion, "R48+1.5");

    // Browse puts the chosen file into the box; a cancelled dialog changes nothing.
    std::optional<Text> choice = dir.write("other.bin", std::string("R48+1.6\0", 8));
    Text filter;
    firmware.chooseFile = [&](const Text& f) {
        filter = f;
        return choice;
    };
    firmware.ButtonBrowseClick();
    EXPECT_EQ(filter, "ZR48 Binary File (*.bin)|*.bin");
    EXPECT_EQ(firmware.view().fileName, dir.text("other.bin"));
    EXPECT_EQ(firmware.view().fileVersion, "R48+1.6");
    choice.reset();
    firmware.ButtonBrowseClick();
    EXPECT_EQ(firmware.view().fileName, dir.text("other.bin"));

    firmware.FormShow(true);
    EXPECT_TRUE(firmware.view().visible);
    EXPECT_TRUE(firmware.view().fileNameEnabled);
    firmware.FormShow(false);
    EXPECT_FALSE(firmware.view().fileNameEnabled);
}

} // namespace
} // namespace zr48
