// A project written into a simulated unit and read back: the same devices and device files, also
// when frames are lost on the way; and the read-back check that finds a sector that differs.

#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/Compiler.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"
#include "tools/TransferRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace zr48::test {
namespace {

// The sample project, copied so that compiling it writes its image into the test's folder.
Text copyVilla(const TempDir& dir)
{
    std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
    return dir.text("Villa/Villa.mpj");
}

// Whether the card holds every record of the image file.
void expectCardHoldsImage(const SimCard& card, const Bytes& image)
{
    ASSERT_EQ(image.size() % 514, 0u);
    for (std::size_t at = 0; at < image.size(); at += 514) {
        const Sector onCard = card.read(readLe16(image.data() + at));
        ASSERT_TRUE(std::equal(onCard.begin(), onCard.end(), image.begin() + static_cast<std::ptrdiff_t>(at + 2)))
            << "sector " << readLe16(image.data() + at);
    }
}

void expectSameDevices(const Text& originalPath, const Text& uploadedPath)
{
    TProjectFile original;
    original.Load(originalPath);
    TProjectFile uploaded;
    uploaded.Load(uploadedPath);
    int devices = 0;
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        const DEVICE_CONFIG& a = original.Slot(i);
        const DEVICE_CONFIG& b = uploaded.Slot(i);
        EXPECT_EQ(b.DeviceType, a.DeviceType) << "slot " << i;
        if (a.DeviceType == 0)
            continue;
        ++devices;
        EXPECT_EQ(b.DeviceName, a.DeviceName) << "slot " << i;
        EXPECT_EQ(b.SourceSelect, a.SourceSelect) << "slot " << i;
        EXPECT_EQ(b.OptionList.substr(0, a.OptionList.size()), a.OptionList) << "slot " << i;
        EXPECT_EQ(readFileBytes(b.ConfigFile), readFileBytes(a.ConfigFile)) << "slot " << i;
    }
    EXPECT_EQ(devices, 7);
}

// A download over a card that holds another project, stopped at any point: the card's directory
// names only device files written whole, so an upload reads back a whole project (the old one, an
// empty one or the new one), never slots whose device files are not there.
TEST(StoppedDownload, LeavesADirectoryThatNamesOnlyWholeDeviceFiles)
{
    TempDir dir;
    const Text villa = copyVilla(dir);
    TransferRig rig;
    ASSERT_TRUE(CompileProject(villa, rig.prompt));
    ASSERT_TRUE(rig.download(changeFileExt(villa, ".mpd")));

    // The same project without its first device: every later device file moves to another area.
    TProjectFile moved;
    moved.Load(villa);
    int first = 0;
    while (moved.Slot(first).DeviceType == 0)
        ++first;
    moved.Slot(first) = DEVICE_CONFIG{};
    const Text movedPath = dir.text("Villa/Moved.mpj");
    moved.Save(movedPath);
    ASSERT_TRUE(CompileProject(movedPath, rig.prompt));
    const Text movedImage = changeFileExt(movedPath, ".mpd");
    const std::size_t records = readFileBytes(movedImage).size() / 514;

    const Bytes card = [&] {
        Bytes written;
        for (int n = 0; n < 65536; ++n) {
            const Sector s = rig.sim.card.read(static_cast<std::uint16_t>(n));
            if (std::any_of(s.begin(), s.end(), [](std::uint8_t b) { return b != 0; })) {
                written.push_back(static_cast<std::uint8_t>(n & 0xFF));
                written.push_back(static_cast<std::uint8_t>(n >> 8));
                written.insert(written.end(), s.begin(), s.end());
            }
        }
        return written;
    }();
    // Stopped after the first write, within the empty directory, among the device files, within
    // the new directory, and before the last acknowledgement.
    for (const std::size_t stopAt : {std::size_t{1}, std::size_t{5}, std::size_t{12}, records + 9 - 4, records + 9}) {
        SCOPED_TRACE("stopped at write " + std::to_string(stopAt));
        for (std::size_t at = 0; at < card.size(); at += 514) {
            Sector s;
            std::copy_n(card.begin() + static_cast<std::ptrdiff_t>(at + 2), 512, s.begin());
            rig.sim.card.write(readLe16(card.data() + at), s);
        }
        std::size_t writes = 0;
        rig.onSend = [&](const Sent& sent) {
            if (sent.type() == static_cast<std::uint8_t>(FrameType::SectorWrite) && ++writes == stopAt)
                rig.sim.unit.faults().silent = true;
        };
        EXPECT_FALSE(rig.download(movedImage, CheckPolicy::Refuse, CheckPolicy::Force));
        rig.onSend = nullptr;
        rig.sim.unit.faults().silent = false;
        rig.prompt.shown.clear();

        const Text copy = dir.text("Copy" + std::to_string(stopAt) + "/Copy.mpj");
        std::filesystem::create_directories(toFsPath(extractFileDir(copy)));
        EXPECT_TRUE(rig.upload(copy)) << (rig.prompt.shown.empty() ? "" : rig.prompt.shown[0].message);
    }
}

struct Loss {
    double dropRate;
    std::uint32_t seed;
};

class RoundTripTest : public testing::TestWithParam<Loss> {};

TEST_P(RoundTripTest, GivesBackTheProjectsDevicesAndDeviceFiles)
{
    TempDir dir;
    const Text project = copyVilla(dir);
    SimOptions options;
    options.faults.dropRate = GetParam().dropRate;
    options.faults.seed = GetParam().seed;
    TransferRig rig(options);
    ASSERT_TRUE(CompileProject(project, rig.prompt));
    const Bytes image = readFileBytes(changeFileExt(project, ".mpd"));

    ASSERT_TRUE(rig.download(changeFileExt(project, ".mpd")));
    expectCardHoldsImage(rig.sim.card, image);
    const std::size_t downloadFrames = rig.sent.size();

    const Text copy = dir.text("Copy/Copy.mpj");
    std::filesystem::create_directory(dir.path() / "Copy");
    ASSERT_TRUE(rig.upload(copy));
    EXPECT_EQ(rig.completedWith, copy);
    expectCardHoldsImage(rig.sim.card, readFileBytes(rig.uploader.ImagePath()));
    expectSameDevices(project, copy);
    EXPECT_TRUE(rig.prompt.shown.empty());

    if (GetParam().dropRate > 0) {
        // Lost frames were made good by resends in both directions.
        EXPECT_GT(downloadFrames, image.size() / 514);
        EXPECT_GT(rig.sim.unit.requestsReceived(), rig.sent.size() - 10); // a few keep-alives as well
    }
}

INSTANTIATE_TEST_SUITE_P(Loss, RoundTripTest, testing::Values(Loss{0, 1}, Loss{0.1, 1}, Loss{0.1, 2024}));

// Villa compiled and downloaded to the simulated card.
class DownloadVerifierTest : public testing::Test {
protected:
    void SetUp() override
    {
        const Text project = copyVilla(dir);
        ASSERT_TRUE(CompileProject(project, rig.prompt));
        const Text imagePath = changeFileExt(project, ".mpd");
        ASSERT_TRUE(rig.download(imagePath));
        image = readFileBytes(imagePath);
    }

    TempDir dir;
    TransferRig rig;
    Bytes image;
};

TEST_F(DownloadVerifierTest, FindsTheFirstSectorThatDiffersFromTheImage)
{
    const auto runCheck = [&] {
        rig.verifier.Start(image);
        rig.clock.advanceUntil([&] { return rig.verifier.Result() != VerifyResult::Running; }, 600000);
        return rig.verifier.Result();
    };
    EXPECT_EQ(runCheck(), VerifyResult::Same);
    EXPECT_EQ(rig.verifier.SectorsChecked(), image.size() / 514);

    // Two sectors changed behind the downloader's back: the earlier one in file order is reported.
    const std::uint16_t third = readLe16(image.data() + 2 * 514);
    const std::uint16_t fifth = readLe16(image.data() + 4 * 514);
    for (const std::uint16_t sector : {fifth, third}) {
        Sector changed = rig.sim.card.read(sector);
        changed[300] ^= 0xFF;
        rig.sim.card.write(sector, changed);
    }
    EXPECT_EQ(runCheck(), VerifyResult::Differs);
    EXPECT_EQ(rig.verifier.CurrentSector(), third);
    EXPECT_EQ(rig.verifier.FirstDifferingByte(), 300u);

    rig.sim.unit.faults().silent = true;
    EXPECT_EQ(runCheck(), VerifyResult::NoAnswer);
    EXPECT_EQ(rig.verifier.CurrentSector(), readLe16(image.data()));
}

// Frames carry no checksum: a read that a changed byte spoiled is no difference on the card.
TEST_F(DownloadVerifierTest, BytesChangedOnTheLineAreNoDifference)
{
    const std::uint16_t fifth = readLe16(image.data() + 4 * 514);
    std::size_t readAgain = 0;
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        SCOPED_TRACE(seed);
        rig.sim.unit.faults() = {.seed = seed, .corruptRate = 0.2};
        rig.verifier.Start(image);
        rig.clock.advanceUntil([&] { return rig.verifier.Result() != VerifyResult::Running; }, 600000);
        EXPECT_EQ(rig.verifier.Result(), VerifyResult::Same);
        readAgain += rig.verifier.SectorsReadAgain();

        // A sector that does differ on the card is still found, at its first differing byte.
        Sector changed = rig.sim.card.read(fifth);
        changed[40] ^= 0x10;
        rig.sim.card.write(fifth, changed);
        rig.verifier.Start(image);
        rig.clock.advanceUntil([&] { return rig.verifier.Result() != VerifyResult::Running; }, 600000);
        EXPECT_EQ(rig.verifier.Result(), VerifyResult::Differs);
        EXPECT_EQ(rig.verifier.CurrentSector(), fifth);
        EXPECT_EQ(rig.verifier.FirstDifferingByte(), 40u);
        changed[40] ^= 0x10;
        rig.sim.card.write(fifth, changed);
    }
    EXPECT_GT(readAgain, 0u); // the line did change bytes

    // Every read spoiled: no two agree, and none is taken as the card's.
    rig.sim.unit.faults() = {.seed = 9, .corruptRate = 1};
    rig.verifier.Start(image);
    rig.clock.advanceUntil([&] { return rig.verifier.Result() != VerifyResult::Running; }, 600000);
    EXPECT_EQ(rig.verifier.Result(), VerifyResult::Unsettled);
}

} // namespace
} // namespace zr48::test
