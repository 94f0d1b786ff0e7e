// The uploader against a simulated unit in virtual time: which sectors it asks for, what the image
// file holds, how a bad directory, silence and an unwritable folder end an upload, and how bytes
// changed on the line are caught before they reach the project.

#include "base/FileIo.h"
#include "project/CardFormat.h"
#include "project/Compiler.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"
#include "support/TempDir.h"
#include "tools/TransferRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <numeric>

namespace zr48::test {
namespace {

constexpr std::uint8_t kSectorRead = 1;

class UploaderTest : public testing::Test {
protected:
    // Directory entry k (7 slot descriptors and a spare per directory sector).
    void putEntry(int k, std::uint8_t type, std::uint16_t fileStart, std::uint16_t fileSectors)
    {
        const auto sector = static_cast<std::uint16_t>(k / 8);
        Sector data = rig.sim.card.read(sector);
        std::uint8_t* e = data.data() + (k % 8) * 64;
        e[0] = type;
        writeLe16(e + 2, fileStart);
        writeLe16(e + 4, fileSectors);
        rig.sim.card.write(sector, data);
    }
    void fill(std::uint16_t sector, std::uint8_t byte)
    {
        Sector data;
        data.fill(byte);
        rig.sim.card.write(sector, data);
    }
    // The sector numbers of the records the upload kept (the image file, or the partial one).
    std::vector<std::uint16_t> imageNumbers() const
    {
        const Bytes image = readFileBytes(rig.uploader.KeptImagePath());
        EXPECT_EQ(image.size() % 514, 0u);
        std::vector<std::uint16_t> numbers;
        for (std::size_t at = 0; at + 514 <= image.size(); at += 514)
            numbers.push_back(readLe16(image.data() + at));
        return numbers;
    }
    static std::vector<std::uint16_t> upTo(std::uint16_t last)
    {
        std::vector<std::uint16_t> numbers(last + 1u);
        std::iota(numbers.begin(), numbers.end(), std::uint16_t{0});
        return numbers;
    }

    TempDir dir;
    TransferRig rig;
};

TEST_F(UploaderTest, AnEmptyDirectoryReadsTenSectorsAndUnpacksThem)
{
    const Text project = dir.text("Copy.mpj");
    EXPECT_TRUE(rig.upload(project));
    EXPECT_EQ(rig.sentNumbers(kSectorRead), upTo(9));
    EXPECT_EQ(rig.sent[0].payload, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(imageNumbers(), upTo(9));
    EXPECT_EQ(rig.completedWith, project);
    EXPECT_TRUE(fileExists(project));
    EXPECT_FALSE(rig.uploader.View().Visible);
    EXPECT_TRUE(rig.prompt.shown.empty());
}

TEST_F(UploaderTest, DeviceFileAreasAreReadInDirectoryOrder)
{
    putEntry(0, 1, 100, 3);
    putEntry(1, 5, 50, 2);
    putEntry(2, 2, 102, 1);  // shares sector 102 with entry 0
    putEntry(15, 1, 200, 1); // the spare entry after sector 1's seven slots
    fill(101, 0x5A);

    rig.uploader.Start(dir.text("Copy.mpj"), {});
    // Until the directory is known the bar counts against 65,536; the first request is on it.
    EXPECT_EQ(rig.uploader.View().ProgressMax, 65536);
    EXPECT_EQ(rig.uploader.View().ProgressPosition, 1);
    EXPECT_EQ(rig.uploader.View().Label, "Reading sector 0");
    bool maxChecked = false;
    rig.uploader.OnViewChanged = [&] {
        if (!rig.uploader.ReadingDirectory() && !maxChecked) {
            EXPECT_EQ(rig.uploader.View().ProgressMax, 7);
            EXPECT_EQ(rig.uploader.View().ProgressPosition, 1); // the bar starts again
            EXPECT_EQ(rig.uploader.View().Label, "Reading sector 100");
            maxChecked = true;
        }
    };
    rig.clock.advanceUntil([&] { return rig.uploader.Result() != UploadResult::Running; }, 60000);
    EXPECT_TRUE(maxChecked);
    EXPECT_EQ(rig.uploader.Result(), UploadResult::Finished);

    std::vector<std::uint16_t> expected = upTo(9);
    for (std::uint16_t s : {100, 101, 102, 50, 51, 102, 200})
        expected.push_back(s);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), expected);
    EXPECT_EQ(imageNumbers(), expected);
    const Bytes image = readFileBytes(rig.uploader.ImagePath());
    EXPECT_EQ(image[11 * 514 + 2], 0x5A); // the record of sector 101 holds its content
    EXPECT_EQ(image[11 * 514 + 513], 0x5A);
}

TEST_F(UploaderTest, ABadDirectorySectorStopsTheUploadAfterItIsStored)
{
    putEntry(4 * 8 + 2, 1, 65000, 600); // past the end of the card: code 3
    EXPECT_FALSE(rig.upload(dir.text("Copy.mpj")));
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].message, "Unknown data format. (Error code 3)");
    EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Error);
    // Read a second time: a byte changed on the line would not have come twice.
    std::vector<std::uint16_t> requested = upTo(4);
    requested.push_back(4);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), requested);
    EXPECT_EQ(imageNumbers(), upTo(4));
    EXPECT_EQ(rig.uploader.KeptImagePath(), dir.text("Copy.partial.mpd"));
    EXPECT_FALSE(fileExists(dir.text("Copy.mpj")));
    EXPECT_FALSE(rig.uploader.View().Visible);
    rig.clock.advance(5000);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), requested); // no watchdog left running
}

TEST_F(UploaderTest, NothingRunsOnWhileTheMessageOfABadDirectorySectorIsOpen)
{
    // While the message is open the link and the timers go on, long enough for a watchdog left
    // running to give up (2,200 ms), but shorter than the link's own give-up.
    putEntry(4 * 8 + 2, 1, 65000, 600);
    rig.prompt.whileOpen = [&] { rig.clock.advance(2500); };
    EXPECT_FALSE(rig.upload(dir.text("Copy.mpj")));
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].message, "Unknown data format. (Error code 3)");
    EXPECT_EQ(rig.sentNumbers(kSectorRead).size(), 6u); // no resend while it was open
    EXPECT_EQ(imageNumbers(), upTo(4));                 // and the image keeps what was read
    EXPECT_EQ(rig.uploader.KeptRecords(), 5u);
}

TEST_F(UploaderTest, ASilentUnitFailsTheUpload2200MsAfterTheLastReply)
{
    putEntry(0, 1, 100, 4);
    rig.onSend = [&](const Sent& s) {
        if (s.type() == kSectorRead && s.number() == 102)
            rig.sim.unit.faults().silent = true;
    };
    const Text earlier = dir.write("Copy.mpd", "an earlier upload");
    EXPECT_FALSE(rig.upload(dir.text("Copy.mpj")));
    EXPECT_EQ(fileContents(earlier), "an earlier upload"); // replaced by a complete image only
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].message, "Upload failed.\nPlease check connection and/or memory card.\n");
    EXPECT_EQ(rig.prompt.shown[0].atMs - rig.lastReplyMs, 2200);
    const auto numbers = rig.sentNumbers(kSectorRead);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), std::uint16_t{102}), 11);
    EXPECT_EQ(numbers.back(), 102);
    // What came in stays in the image file; nothing is unpacked.
    std::vector<std::uint16_t> received = upTo(9);
    received.insert(received.end(), {100, 101});
    EXPECT_EQ(imageNumbers(), received);
    EXPECT_EQ(rig.uploader.KeptRecords(), received.size());
    EXPECT_FALSE(fileExists(dir.text("Copy.mpj")));
    EXPECT_TRUE(rig.completedWith.empty());
}

TEST_F(UploaderTest, RepliesForOtherSectorsAndAfterCancelAreIgnored)
{
    rig.sim.unit.faults().silent = true;
    rig.uploader.Start(dir.text("Copy.mpj"), {});
    const auto data = [&](std::uint16_t sector) {
        SectorDataFrame frame{0, sector, {}};
        const auto payload = encode(frame);
        rig.uploader.HandleFrame(payload.data(), static_cast<int>(payload.size()));
    };
    data(1);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), (std::vector<std::uint16_t>{0}));
    data(0);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), (std::vector<std::uint16_t>{0, 1}));
    rig.uploader.Cancel();
    EXPECT_EQ(rig.uploader.Result(), UploadResult::Cancelled);
    data(1);
    rig.clock.advance(5000);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), (std::vector<std::uint16_t>{0, 1}));
    EXPECT_EQ(imageNumbers(), (std::vector<std::uint16_t>{0})); // kept, as received
    EXPECT_EQ(rig.uploader.KeptRecords(), 1u);
    EXPECT_TRUE(rig.prompt.shown.empty());

    // Cancelled before any sector came in: nothing read, no file left behind.
    rig.uploader.Start(dir.text("Other.mpj"), {});
    rig.uploader.Cancel();
    EXPECT_EQ(rig.uploader.KeptRecords(), 0u);
    EXPECT_FALSE(fileExists(dir.text("Other.partial.mpd")));
    EXPECT_FALSE(fileExists(dir.text("Other.mpd")));
}

TEST_F(UploaderTest, AnImageFileThatCannotBeCreatedIsReportedAndNothingIsSent)
{
    EXPECT_FALSE(rig.upload(dir.text("missing folder/Copy.mpj")));
    EXPECT_TRUE(rig.sent.empty());
    EXPECT_FALSE(rig.uploader.View().Visible);
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Error);
    EXPECT_NE(rig.prompt.shown[0].message.find("Copy.mpd"), std::string::npos) << rig.prompt.shown[0].message;
}

// What was read is not lost: it stays beside, under the partial image's name, and no project is made.
TEST_F(UploaderTest, AnImageThatCannotBeWrittenAtTheEndIsReportedAndKeptBeside)
{
    putEntry(0, 1, 100, 4);
    rig.uploader.Start(dir.text("Copy.mpj"), {});
    // The folder changes under the upload: a folder now stands where the image file goes.
    std::filesystem::create_directory(dir.path() / "Copy.mpd");
    rig.clock.advanceUntil([&] { return rig.uploader.Result() != UploadResult::Running; }, 60000);
    EXPECT_EQ(rig.uploader.Result(), UploadResult::Failed);
    ASSERT_TRUE(rig.uploader.KeptRecords().has_value());
    EXPECT_EQ(rig.uploader.KeptImagePath(), dir.text("Copy.partial.mpd"));
    EXPECT_EQ(readFileBytes(rig.uploader.KeptImagePath()).size(), *rig.uploader.KeptRecords() * 514u);
    EXPECT_GT(*rig.uploader.KeptRecords(), 0u);
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_NE(rig.prompt.shown[0].message.find(dir.text("Copy.mpd")), std::string::npos) << rig.prompt.shown[0].message;
    EXPECT_FALSE(fileExists(dir.text("Copy.mpj")));
}

// Verification on a card whose device file area holds 30 sectors of different bytes.
class UploaderVerifyTest : public UploaderTest {
protected:
    void SetUp() override
    {
        putEntry(0, 1, 100, 30);
        for (std::uint16_t s = 100; s < 130; ++s)
            fill(s, static_cast<std::uint8_t>(s * 3));
        // A device file of 29 sectors begins at sector 100: its header is sound.
        Sector first = rig.sim.card.read(100);
        std::fill_n(first.begin(), 64, 0);
        writeLe32(first.data() + 2, 64 + 28 * 512);
        writeLe16(first.data(), DeviceFileChecksum(first));
        rig.sim.card.write(100, first);
    }
    // Whether every record of the image file holds what the card holds.
    bool imageMatchesCard() const
    {
        const Bytes image = readFileBytes(rig.uploader.ImagePath());
        for (std::size_t at = 0; at + 514 <= image.size(); at += 514) {
            const Sector onCard = rig.sim.card.read(readLe16(image.data() + at));
            if (!std::equal(onCard.begin(), onCard.end(), image.begin() + static_cast<std::ptrdiff_t>(at + 2)))
                return false;
        }
        return image.size() == 40 * 514;
    }
    std::size_t requestsOf(std::uint16_t sector) const
    {
        const auto numbers = rig.sentNumbers(kSectorRead);
        return static_cast<std::size_t>(std::count(numbers.begin(), numbers.end(), sector));
    }
};

TEST_F(UploaderVerifyTest, ReadsEverySectorTwice)
{
    rig.uploader.SetVerify(true);
    EXPECT_TRUE(rig.upload(dir.text("Copy.mpj")));
    for (std::uint16_t s : {0, 9, 100, 129})
        EXPECT_EQ(requestsOf(s), 2u) << s;
    EXPECT_EQ(rig.sentNumbers(kSectorRead).size(), 80u);
    EXPECT_EQ(rig.uploader.SectorsReadAgain(), 0u);
    EXPECT_TRUE(imageMatchesCard());
    EXPECT_EQ(rig.uploader.View().ProgressMax, 30); // the bar counts sectors, not reads
}

TEST_F(UploaderVerifyTest, ReadsAgainUntilTwoReadsAgreeSoThatChangedBytesNeverReachTheProject)
{
    rig.sim.unit.faults().corruptRate = 0.25;
    rig.sim.unit.faults().seed = 11;
    rig.uploader.SetVerify(true);
    ASSERT_TRUE(rig.upload(dir.text("Copy.mpj")));
    EXPECT_GT(rig.uploader.SectorsReadAgain(), 0u);
    EXPECT_TRUE(imageMatchesCard());
    EXPECT_TRUE(rig.prompt.shown.empty());

    // The same line without verification lets changed bytes through (or stops at a directory
    // sector that a changed byte spoiled).
    rig.uploader.SetVerify(false);
    rig.sent.clear();
    const bool finished = rig.upload(dir.text("Copy.mpj"));
    EXPECT_FALSE(finished && imageMatchesCard());
}

TEST_F(UploaderVerifyTest, GivesUpOnASectorWhoseReadsNeverAgree)
{
    rig.sim.unit.faults().corruptRate = 1;
    rig.uploader.SetVerify(true);
    EXPECT_FALSE(rig.upload(dir.text("Copy.mpj")));
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].message, "Upload failed.\nSector 0 was read 10 times and no two reads agreed.\n"
                                           "Please check connection and/or memory card.\n");
    EXPECT_EQ(rig.uploader.KeptRecords(), 0u);
}

// The sample project on the card, and a line that changes bytes of chosen replies.
class UploadCheckTest : public testing::Test {
protected:
    UploadCheckTest()
    {
        std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
        EXPECT_TRUE(CompileProject(dir.text("Villa/Villa.mpj"), rig.prompt));
        for (const SectorRecord& r : ReadSectorImage(dir.text("Villa/Villa.mpd")).Records)
            rig.sim.card.write(r.Number, r.Data);
        rig.link.SetFrameHandler([this](const std::uint8_t* payload, int length) {
            if (payload && length == 516 && payload[0] == 2) {
                const auto it = spoiled.find(readBe16(payload + 2));
                if (it != spoiled.end() && it->second.times > 0) {
                    --it->second.times;
                    std::vector<std::uint8_t> changed(payload, payload + length);
                    changed[4 + it->second.at] = it->second.value;
                    rig.dispatcher.Dispatch(changed.data(), length);
                    return;
                }
            }
            rig.dispatcher.Dispatch(payload, length);
        });
    }
    std::size_t requestsOf(std::uint16_t sector) const
    {
        const auto numbers = rig.sentNumbers(kSectorRead);
        return static_cast<std::size_t>(std::count(numbers.begin(), numbers.end(), sector));
    }
    // Whether every record of the image file holds what the card holds: 10 sectors and the 144 of
    // the device file areas.
    bool imageHoldsCard(const Text& path) const
    {
        const SectorImage image = ReadSectorImage(path);
        return image.Records.size() == 154 && std::all_of(image.Records.begin(), image.Records.end(), [&](auto& r) {
                   return r.Data == rig.sim.card.read(r.Number);
               });
    }
    // Every device file of the upload holds the bytes of the sample project's.
    void expectExactDeviceFiles() const
    {
        TProjectFile original;
        original.Load(dir.text("Villa/Villa.mpj"));
        TProjectFile copy;
        copy.Load(dir.text("Copy.mpj"));
        for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
            EXPECT_EQ(copy.Slot(i).DeviceType, original.Slot(i).DeviceType) << i;
            if (original.Slot(i).DeviceType != 0) {
                EXPECT_EQ(fileContents(copy.Slot(i).ConfigFile), fileContents(original.Slot(i).ConfigFile)) << i;
            }
        }
    }

    struct Spoil {
        int times;
        std::size_t at;
        std::uint8_t value;
    };
    std::map<std::uint16_t, Spoil> spoiled; // by sector: replies still to change, which byte, to what
    TempDir dir;
    TransferRig rig;
};

// Frames carry no checksum; the device file's header has one, over its first sector, and the
// directory has its own rules. What fails them is read again before it reaches the project.
TEST_F(UploadCheckTest, WhatTheImageCheckBlamesIsReadAgainSoThatBytesChangedOnTheLineNeverReachTheProject)
{
    const struct {
        const char* what;
        std::uint16_t sector;
        Spoil spoil;
    } cases[] = {
        {"a byte of a device file's first sector", 16, {1, 100, 0x7F}},
        {"its length, making it too big for its area", 16, {1, 3, 0x40}},
        {"an option byte of the directory that fails its rules", 0, {1, 26, 0xFF}},
        // Slot 1 is empty: the device type makes it assigned, with an area that was never read.
        {"the device type of an empty slot", 0, {1, 64, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rig.sent.clear();
        rig.prompt.shown.clear();
        spoiled = {{c.sector, c.spoil}};
        EXPECT_TRUE(rig.upload(dir.text("Copy.mpj")));
        EXPECT_TRUE(rig.prompt.shown.empty()) << rig.prompt.shown.front().message;
        EXPECT_EQ(spoiled[c.sector].times, 0);
        EXPECT_EQ(requestsOf(c.sector), 3u); // the changed read, then two that agree
        EXPECT_EQ(rig.completedWith, dir.text("Copy.mpj"));
        expectExactDeviceFiles();
        EXPECT_TRUE(imageHoldsCard(dir.text("Copy.mpd")));
    }
}

TEST_F(UploadCheckTest, ACardThatFailsTheCheckFailsTheUploadAndKeepsWhatWasReadApart)
{
    const Text earlier = dir.write("Copy.mpd", "an earlier upload");
    Sector first = rig.sim.card.read(16);
    first[100] ^= 0x20; // on the card itself: the device file of slot TUNER
    rig.sim.card.write(16, first);

    EXPECT_FALSE(rig.upload(dir.text("Copy.mpj")));
    EXPECT_EQ(rig.uploader.Result(), UploadResult::Failed);
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].message,
              "Upload failed.\nThe image read from the card fails its check: the checksum of the device file of "
              "slot TUNER is not valid.\nWhat this rests on was read again until two reads agreed: the card itself "
              "holds it (a download that stopped part-way leaves such a card).\n");
    // Its first sector and the directory sector that places it were read twice.
    EXPECT_EQ(requestsOf(16), 2u);
    EXPECT_EQ(requestsOf(0), 2u);
    EXPECT_EQ(requestsOf(17), 1u);
    EXPECT_TRUE(rig.completedWith.empty());
    EXPECT_FALSE(fileExists(dir.text("Copy.mpj")));
    EXPECT_EQ(fileContents(earlier), "an earlier upload");
    EXPECT_EQ(rig.uploader.KeptImagePath(), dir.text("Copy.partial.mpd"));
    EXPECT_EQ(rig.uploader.KeptRecords(), 154u);
    EXPECT_TRUE(imageHoldsCard(dir.text("Copy.partial.mpd")));
    EXPECT_EQ(ReadSectorImage(dir.text("Copy.partial.mpd")).Records[10].Data, first);

    // Once the card is sound again, the complete image replaces the earlier one and the partial
    // one goes.
    first[100] ^= 0x20;
    rig.sim.card.write(16, first);
    rig.prompt.shown.clear();
    EXPECT_TRUE(rig.upload(dir.text("Copy.mpj")));
    EXPECT_TRUE(imageHoldsCard(dir.text("Copy.mpd")));
    EXPECT_FALSE(fileExists(dir.text("Copy.partial.mpd")));
}

} // namespace
} // namespace zr48::test
