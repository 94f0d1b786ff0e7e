// The uploader against a simulated unit in virtual time: which sectors it asks for, what the image
// file holds, and how a bad directory, silence and an unwritable folder end an upload.

#include "base/FileIo.h"
#include "support/TempDir.h"
#include "tools/TransferRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
    // The sector numbers of the image file's records.
    std::vector<std::uint16_t> imageNumbers() const
    {
        const Bytes image = readFileBytes(rig.uploader.ImagePath());
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
    putEntry(2, 2, 101, 1);  // shares sector 101 with entry 0
    putEntry(3, 2, 300, 0);  // in use without sectors: nothing to read
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
    for (std::uint16_t s : {100, 101, 102, 50, 51, 101, 200})
        expected.push_back(s);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), expected);
    EXPECT_EQ(imageNumbers(), expected);
    const Bytes image = readFileBytes(rig.uploader.ImagePath());
    EXPECT_EQ(image[11 * 514 + 2], 0x5A); // the record of sector 101 holds its content
    EXPECT_EQ(image[15 * 514 + 513], 0x5A);
}

TEST_F(UploaderTest, ABadDirectorySectorStopsTheUploadAfterItIsStored)
{
    putEntry(4 * 8 + 2, 1, 65000, 600); // past the end of the card: code 3
    EXPECT_FALSE(rig.upload(dir.text("Copy.mpj")));
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_EQ(rig.prompt.shown[0].message, "Unknown data format. (Error code 3)");
    EXPECT_EQ(rig.prompt.shown[0].icon, Icon::Error);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), upTo(4));
    EXPECT_EQ(imageNumbers(), upTo(4));
    EXPECT_FALSE(fileExists(dir.text("Copy.mpj")));
    EXPECT_FALSE(rig.uploader.View().Visible);
    rig.clock.advance(5000);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), upTo(4)); // no watchdog left running
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
    EXPECT_EQ(rig.sentNumbers(kSectorRead), upTo(4)); // no resend while it was open
    EXPECT_EQ(imageNumbers(), upTo(4));               // and the image keeps what was read
    EXPECT_EQ(rig.uploader.KeptRecords(), 5u);
}

TEST_F(UploaderTest, ASilentUnitFailsTheUpload2200MsAfterTheLastReply)
{
    putEntry(0, 1, 100, 4);
    rig.onSend = [&](const Sent& s) {
        if (s.type() == kSectorRead && s.number() == 102)
            rig.sim.unit.faults().silent = true;
    };
    EXPECT_FALSE(rig.upload(dir.text("Copy.mpj")));
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
    rig.uploader.ButtonCancelClick();
    EXPECT_EQ(rig.uploader.Result(), UploadResult::Cancelled);
    data(1);
    rig.clock.advance(5000);
    EXPECT_EQ(rig.sentNumbers(kSectorRead), (std::vector<std::uint16_t>{0, 1}));
    EXPECT_EQ(imageNumbers(), (std::vector<std::uint16_t>{0})); // kept, as received
    EXPECT_EQ(rig.uploader.KeptRecords(), 1u);
    EXPECT_TRUE(rig.prompt.shown.empty());
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

TEST_F(UploaderTest, AnImageThatCannotBeWrittenAtTheEndIsReportedAndNothingIsKept)
{
    putEntry(0, 1, 100, 4);
    rig.uploader.Start(dir.text("Copy.mpj"), {});
    // The folder changes under the upload: a folder now stands where the image file goes.
    std::filesystem::remove(dir.path() / "Copy.mpd");
    std::filesystem::create_directory(dir.path() / "Copy.mpd");
    rig.clock.advanceUntil([&] { return rig.uploader.Result() != UploadResult::Running; }, 60000);
    EXPECT_EQ(rig.uploader.Result(), UploadResult::Failed);
    EXPECT_EQ(rig.uploader.KeptRecords(), std::nullopt);
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

} // namespace
} // namespace zr48::test
