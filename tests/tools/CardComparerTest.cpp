// A project compared with the simulated unit's card in virtual time: after a download they are the
// same; one change is named exactly where it is; only the sectors the project's image and the
// directory need are read; a lost reply is resent; a silent unit gives no verdict at all.

#include "tools/CardComparer.h"
#include "project/CardTestSupport.h"
#include "project/Compiler.h"
#include "tools/TransferRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

namespace zr48::test {
namespace {

constexpr std::uint8_t kSectorRead = 1;

// Slots of the project the unit is written from.
constexpr int kTuner = 0;  // K73 FM-Tuner
constexpr int kDvd = 7;    // Infrared (RC5)
constexpr int kTv = 14;    // Infrared (RAW), a device file of several sectors
constexpr int kLight = 49; // Feller BEAMIT, no device file

class CardComparerTest : public testing::Test {
public:
    CardComparerTest()
    {
        frames = rig.dispatcher.subscribe([this](const std::uint8_t* p, int n) { comparer.HandleFrame(p, n); });
        comparer.SetLink([this](std::span<const std::uint8_t> payload) {
            rig.sent.push_back({{payload.begin(), payload.end()}, rig.clock.now()});
            rig.link.Send(payload);
        });
        tuner = dir.write("K73_FM_Tuner.mpi", "DEVICE=1\r\nNAME=FM Tuner\r\n");
        dvd = dir.write("BDP.mpi", "DEVICE=5\r\nIR_POWER=12\r\nIR_PLAY=53\r\n");
        tv =
            dir.write("LX-40_TV.mpi", "DEVICE=6\r\nIR_POWER=\"" + PatternBytes(2500, 7) + "\"\r\nIR_MUTE=\"#560\"\r\n");
        project.ProjectInfo = {"VILLA", "Ground floor", "Installer: A. Keller"};
        AssignDevice(project, kTuner, 1, tuner, "Radio", 1);
        AssignDevice(project, kDvd, 5, dvd, "Blu-ray", 2, "101");
        AssignDevice(project, kTv, 6, tv, "Television", 8, "1");
        AssignDevice(project, kLight, 4, "", "Blinds", 0);
    }

    // Writes `written` into the unit's card as a download does.
    void download(const TProjectFile& written)
    {
        const Path projectPath = dir.text("Written.mpj");
        TProjectFile copy = written;
        copy.Save(projectPath);
        ASSERT_TRUE(CompileProject(projectPath, rig.prompt));
        ASSERT_TRUE(rig.download(ImagePathOfProject(projectPath)));
        rig.sent.clear();
    }

    CompiledImage compiled(const TProjectFile& compared)
    {
        auto image = CompileProjectImage(compared, rig.prompt);
        EXPECT_TRUE(image);
        return image ? *image : CompiledImage{};
    }

    CompareResult compare(const TProjectFile& compared)
    {
        comparer.Start(compiled(compared));
        rig.clock.advanceUntil([this] { return comparer.Result() != CompareResult::Running; }, 3'600'000);
        return comparer.Result();
    }

    // The slots named as differing, with their state texts.
    std::vector<std::pair<Text, Text>> differingSlots() const { return differingSlotsOf(comparer.Comparison()); }
    static std::vector<std::pair<Text, Text>> differingSlotsOf(const CardComparison& comparison)
    {
        std::vector<std::pair<Text, Text>> named;
        for (const SlotComparison& slot : comparison.Slots)
            if (slot.Differs())
                named.emplace_back(TProjectFile::SlotName(slot.Slot), SlotStateText(slot));
        return named;
    }

    TempDir dir;
    TransferRig rig;
    TCardComparer comparer{rig.clock, rig.prompt};
    FrameDispatcher::Subscription frames;
    TProjectFile project;
    Path tuner, dvd, tv;
};

TEST_F(CardComparerTest, AfterADownloadTheUnitHoldsTheProjectAndOnlyItsImageSectorsAreRead)
{
    download(project);
    ASSERT_EQ(compare(project), CompareResult::Finished);

    const CardComparison& result = comparer.Comparison();
    EXPECT_TRUE(result.Same());
    EXPECT_EQ(VerdictText(result), "The ZR48 holds this project.");
    ASSERT_EQ(result.Slots.size(), 4u);
    for (const SlotComparison& slot : result.Slots)
        EXPECT_EQ(SlotStateText(slot), "same") << TProjectFile::SlotName(slot.Slot);
    EXPECT_EQ(result.Slots[2].UnitFileName, "LX-40_TV");

    // Every sector the image writes, each read once, and no other.
    const CompiledImage image = compiled(project);
    std::multiset<std::uint16_t> imageSectors;
    for (const SectorRecord& record : image.Records)
        imageSectors.insert(record.Number);
    const auto read = rig.sentNumbers(kSectorRead);
    EXPECT_EQ(std::multiset<std::uint16_t>(read.begin(), read.end()), imageSectors);
    EXPECT_TRUE(rig.prompt.shown.empty());
    EXPECT_FALSE(comparer.View().Visible);
    EXPECT_EQ(comparer.View().ProgressPosition, comparer.View().ProgressMax);
}

// One change between what was downloaded and the project compared: each is named where it is.
struct OneChange {
    const char* what;
    std::function<void(CardComparerTest&, TProjectFile& written, TProjectFile& compared)> change;
    Text slot;
    Text state;
    friend void PrintTo(const OneChange& c, std::ostream* os) { *os << c.what; }
};

class OneChangeTest : public CardComparerTest, public testing::WithParamInterface<OneChange> {};

TEST_P(OneChangeTest, NamesExactlyTheSlotThatDiffers)
{
    TProjectFile written = project;
    TProjectFile compared = project;
    GetParam().change(*this, written, compared);
    download(written);
    ASSERT_EQ(compare(compared), CompareResult::Finished);

    const std::vector<std::pair<Text, Text>> expected = {{GetParam().slot, GetParam().state}};
    EXPECT_EQ(differingSlots(), expected);
    EXPECT_EQ(comparer.Comparison().Differences(), 1);
    EXPECT_FALSE(comparer.Comparison().AreasDiffer);
    EXPECT_EQ(VerdictText(comparer.Comparison()), "The ZR48 differs from this project in 1 place.");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, OneChangeTest,
    testing::Values(
        OneChange{"a key changed in a device file of several sectors",
                  [](CardComparerTest& t, TProjectFile&, TProjectFile& compared) {
                      compared.Slot(kTv).ConfigFile =
                          t.dir.write("changed/LX-40_TV.mpi",
                                      "DEVICE=6\r\nIR_POWER=\"" + PatternBytes(2500, 7) + "\"\r\nIR_MUTE=\"#561\"\r\n");
                  },
                  "TV", "device file differs"},
        OneChange{"a device file of another length",
                  [](CardComparerTest& t, TProjectFile&, TProjectFile& compared) {
                      compared.Slot(kDvd).ConfigFile =
                          t.dir.write("changed/BDP.mpi", "DEVICE=5\r\nIR_POWER=12\r\nIR_PLAY=53\r\nIR_STOP=54\r\n");
                  },
                  "DVD", "device file differs"},
        OneChange{"the same content under another file name",
                  [](CardComparerTest& t, TProjectFile&, TProjectFile& compared) {
                      compared.Slot(kDvd).ConfigFile =
                          t.dir.write("Player.mpi", "DEVICE=5\r\nIR_POWER=12\r\nIR_PLAY=53\r\n");
                  },
                  "DVD", "device file name differs"},
        OneChange{"a renamed slot",
                  [](CardComparerTest&, TProjectFile&, TProjectFile& compared) {
                      compared.Slot(kTv).DeviceName = "Fernseher";
                  },
                  "TV", "name differs"},
        OneChange{"source and options",
                  [](CardComparerTest&, TProjectFile&, TProjectFile& compared) {
                      compared.Slot(kDvd).SourceSelect = 3;
                      compared.Slot(kDvd).OptionList = "1";
                  },
                  "DVD", "source and options differ"},
        OneChange{"another device type with the same file",
                  [](CardComparerTest&, TProjectFile&, TProjectFile& compared) { compared.Slot(kDvd).DeviceType = 6; },
                  "DVD", "device type differs"},
        // The extra slot lies before the others: every later area on the card sits 12 sectors
        // further on, and their device files are still found the same.
        OneChange{"an extra slot on the unit",
                  [](CardComparerTest& t, TProjectFile& written, TProjectFile&) {
                      AssignDevice(written, 1, 1, t.tuner, "Radio 2", 1);
                  },
                  "TUNER-1", "only on the unit"},
        OneChange{"an extra slot in the project",
                  [](CardComparerTest& t, TProjectFile&, TProjectFile& compared) {
                      AssignDevice(compared, 62, 5, t.dvd, "Sub", 0);
                  },
                  "SOUND-6", "only in the project"},
        OneChange{"a missing device file in the project",
                  [](CardComparerTest& t, TProjectFile&, TProjectFile& compared) {
                      compared.Slot(kTuner).ConfigFile = t.dir.text("Gone.mpi");
                  },
                  "TUNER", "the project's device file is missing or too big"}),
    [](const testing::TestParamInfo<OneChange>& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(CardComparerTest, AMenuLineIsNamedWithBothTexts)
{
    download(project);
    TProjectFile compared = project;
    compared.ProjectInfo[1] = "First floor";
    ASSERT_EQ(compare(compared), CompareResult::Finished);
    EXPECT_TRUE(differingSlots().empty());
    EXPECT_EQ(comparer.Comparison().Differences(), 1);
    EXPECT_EQ(MenuLineText(comparer.Comparison().Menu[1]),
              "Menu line 2: \"Ground floor\" on the unit, \"First floor\" in the project");
    EXPECT_EQ(MenuLineText(comparer.Comparison().Menu[0]), "Menu line 1: same");
}

TEST_F(CardComparerTest, SeveralDifferencesInOneSlotAreAllNamed)
{
    download(project);
    TProjectFile compared = project;
    compared.Slot(kTuner).DeviceName = "Tuner";
    compared.Slot(kTuner).SourceSelect = 2;
    compared.Slot(kTuner).ConfigFile = dir.write("Other.mpi", "DEVICE=1\r\nNAME=Other\r\n");
    ASSERT_EQ(compare(compared), CompareResult::Finished);

    const SlotComparison& slot = comparer.Comparison().Slots.at(0);
    EXPECT_EQ(SlotStateText(slot), "name and source differ; device file differs");
    const std::vector<Text> details = {
        "name differs: \"Radio\" on the unit, \"Tuner\" in the project",
        "source differs: Tuner on the unit, DVD in the project",
        "device file differs: \"K73_FM_Tuner\" on the unit, \"Other\" in the project; NAME changed",
    };
    EXPECT_EQ(SlotDifferenceDetails(slot), details);
}

TEST_F(CardComparerTest, AreasTheProjectWouldMoveAreOnePlaceOfTheirOwn)
{
    download(project);
    // The tuner's device file area written two sectors further on, with its content, as another
    // program might have laid out the card.
    Sector directory = rig.sim.card.read(0);
    const std::uint16_t start = readLe16(&directory[2]);
    writeLe16(&directory[2], static_cast<std::uint16_t>(start + 2));
    rig.sim.card.write(0, directory);
    rig.sim.card.write(static_cast<std::uint16_t>(start + 2), rig.sim.card.read(start));

    ASSERT_EQ(compare(project), CompareResult::Finished);
    EXPECT_TRUE(differingSlots().empty());
    EXPECT_TRUE(comparer.Comparison().AreasDiffer);
    EXPECT_EQ(comparer.Comparison().Differences(), 1);
}

// A card that holds what `written` compiles to, compared with `compared`, without a unit: the
// comparison of the card's bytes alone.
CardComparison CompareWithCardOf(const CompiledImage& written, const CompiledImage& compared)
{
    std::map<std::uint16_t, Sector> card;
    for (const SectorRecord& record : written.Records)
        card[record.Number] = record.Data;
    return CompareCard(compared, card);
}

// What differs inside a changed device file is named entry by entry.
TEST_F(CardComparerTest, AChangedDeviceFileNamesTheEntriesThatDiffer)
{
    std::string manyKeys;
    for (int k = 1; k <= 8; ++k)
        manyKeys += "IR_KEY" + std::to_string(k) + "=" + std::to_string(k) + "\r\n";
    const struct {
        const char* what;
        int slot;
        std::string written;  // the device file on the card
        std::string compared; // the one in the project
        Text details;
    } cases[] = {
        {"changed, added and removed", kDvd, "DEVICE=5\r\nIR_POWER=12\r\nIR_PLAY=53\r\n",
         "DEVICE=5\r\nIR_POWER=13\r\nIR_STOP=54\r\n",
         "device file \"BDP\" differs: IR_POWER changed; IR_STOP added in the project; IR_PLAY removed in the project"},
        {"letter case of a name and spacing alone", kDvd, "DEVICE=5\r\nIR_POWER=12\r\nIR_PLAY=53\r\n",
         "; checked\r\nDEVICE=5\r\nir_play = 53\r\nIR_POWER=12\r\n",
         "device file \"BDP\" differs: the same entries, in other lines (comments, spacing or order)"},
        {"more names than a line shows", kDvd, "DEVICE=5\r\n" + manyKeys, "DEVICE=6\r\n" + manyKeys + "IR_KEY9=9\r\n",
         "device file \"BDP\" differs: DEVICE changed; IR_KEY9 added in the project"},
        {"all eight changed", kDvd, "DEVICE=5\r\n" + manyKeys,
         "DEVICE=5\r\n" +
             [] {
                 std::string changed;
                 for (int k = 1; k <= 8; ++k)
                     changed += "IR_KEY" + std::to_string(k) + "=" + std::to_string(k + 10) + "\r\n";
                 return changed;
             }(),
         "device file \"BDP\" differs: IR_KEY1, IR_KEY2, IR_KEY3, IR_KEY4, IR_KEY5, IR_KEY6 and 2 more changed"},
        // The project's file takes one sector; the card's runs over six, of which one is read, and its
        // cut line says nothing. What the project adds may stand in the part not read.
        {"a card's file longer than the project's", kTv,
         "DEVICE=6\r\nIR_MUTE=\"#560\"\r\nIR_POWER=\"" + std::string(2500, '1') + "\"\r\n",
         "DEVICE=6\r\nIR_MUTE=\"#561\"\r\nIR_HDMI=1\r\n",
         "device file \"LX-40_TV\" differs: IR_MUTE changed (the ZR48's file is longer; past the project's length it "
         "was not read)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TProjectFile written = project;
        TProjectFile compared = project;
        const Path name = extractFileName(project.Slot(c.slot).ConfigFile);
        written.Slot(c.slot).ConfigFile = dir.write("written/" + name, c.written);
        compared.Slot(c.slot).ConfigFile = dir.write("compared/" + name, c.compared);
        const CardComparison result = CompareWithCardOf(compiled(written), compiled(compared));
        ASSERT_EQ(result.Differences(), 1);
        const SlotComparison& slot = *std::find_if(result.Slots.begin(), result.Slots.end(),
                                                   [&c](const SlotComparison& s) { return s.Slot == c.slot; });
        EXPECT_EQ(SlotStateText(slot), "device file differs");
        EXPECT_EQ(SlotDifferenceDetails(slot), std::vector<Text>{c.details});
    }
}

// The card's last sector is read like any other: a device file that ends there is the same as the
// project's. The layout never reaches it; a card laid out by other means may.
TEST_F(CardComparerTest, ADeviceFileEndingAtTheCardsLastSectorComparesTheSame)
{
    CompiledImage image = compiled(project);
    std::vector<SectorRecord> tv = image.DeviceFileRecords(kTv);
    ASSERT_GT(tv.size(), 1u);
    DEVICE_CONFIG& slot = image.Project.Slot(kTv);
    const auto start = static_cast<std::uint16_t>(kLastCardSector + 1 - tv.size());
    std::erase_if(image.Records, [&](const SectorRecord& r) {
        return r.Number >= slot.FileStart && r.Number - slot.FileStart < slot.FileSectors;
    });
    slot.FileStart = start;
    slot.FileSectors = static_cast<std::uint16_t>(tv.size());
    for (SectorRecord& record : tv) {
        record.Number = static_cast<std::uint16_t>(start + (&record - tv.data()));
        image.Records.push_back(record);
    }
    const int directorySector = kTv / kDescriptorsPerSector;
    for (SectorRecord& record : image.Records)
        if (record.Number == directorySector)
            record.Data = EncodeDirectorySector(image.Project, directorySector);
    ASSERT_EQ(image.Records.back().Number, kLastCardSector);

    const CardComparison result = CompareWithCardOf(image, image);
    EXPECT_TRUE(differingSlotsOf(result).empty());
    EXPECT_TRUE(result.Same());
}

TEST_F(CardComparerTest, ALostReplyIsResentAndTheComparisonCompletes)
{
    download(project);
    rig.sim.unit.faults().dropEveryNth = 4; // every fourth request goes unanswered
    ASSERT_EQ(compare(project), CompareResult::Finished);
    EXPECT_TRUE(comparer.Comparison().Same());

    const auto read = rig.sentNumbers(kSectorRead);
    const std::set<std::uint16_t> distinct(read.begin(), read.end());
    EXPECT_GT(read.size(), distinct.size()); // some sectors were asked for again
    EXPECT_EQ(distinct.size(), compiled(project).Records.size());
    EXPECT_TRUE(rig.prompt.shown.empty());
}

TEST_F(CardComparerTest, ASilentUnitGivesAReadFailureAndNoVerdict)
{
    download(project);
    rig.sim.unit.faults().silent = true;
    ASSERT_EQ(compare(project), CompareResult::NoAnswer);

    EXPECT_TRUE(comparer.Comparison().Slots.empty());
    ASSERT_EQ(rig.prompt.shown.size(), 1u);
    EXPECT_NE(rig.prompt.shown[0].message.find("Compare failed."), std::string::npos);
    EXPECT_NE(rig.prompt.shown[0].message.find("sector 0"), std::string::npos);
    // One request and ten resends, 200 ms apart, then the give-up on the next tick.
    EXPECT_EQ(rig.sentNumbers(kSectorRead).size(), 11u);
    EXPECT_FALSE(comparer.View().Visible);

    // A reply that comes late changes nothing.
    rig.sim.unit.faults().silent = false;
    rig.clock.advance(1000);
    EXPECT_EQ(comparer.Result(), CompareResult::NoAnswer);
}

TEST_F(CardComparerTest, CancelStopsReadingWithoutAVerdict)
{
    download(project);
    comparer.Start(compiled(project));
    rig.clock.advanceUntil([this] { return comparer.SectorsRead() == 5; }, 60'000);
    comparer.Cancel();
    const std::size_t sent = rig.sent.size();
    rig.clock.advance(5000);
    EXPECT_EQ(comparer.Result(), CompareResult::Cancelled);
    EXPECT_EQ(rig.sent.size(), sent);
    EXPECT_TRUE(comparer.Comparison().Slots.empty());
}

// A line that changes reply bytes or delays every reply past the watchdog: the verdict is still
// the card's. A reply that arrives after its resend is a stray one when the next sector is awaited,
// and a changed byte would be a difference that is not on the card.
class FaultyLineCompareTest : public CardComparerTest, public testing::WithParamInterface<SimFaults> {};

TEST_P(FaultyLineCompareTest, TheVerdictIsTheCardsWhateverTheLineDoes)
{
    TProjectFile changed = project;
    changed.Slot(kTv).ConfigFile = dir.write("changed/LX-40_TV.mpi", "DEVICE=6\r\nIR_POWER=\"" + PatternBytes(2500, 7) +
                                                                         "\"\r\nIR_MUTE=\"#561\"\r\n");
    download(project);
    rig.sim.unit.faults() = GetParam();

    ASSERT_EQ(compare(project), CompareResult::Finished);
    EXPECT_TRUE(comparer.Comparison().Same()) << VerdictText(comparer.Comparison());

    ASSERT_EQ(compare(changed), CompareResult::Finished);
    EXPECT_EQ(differingSlots(), (std::vector<std::pair<Text, Text>>{{"TV", "device file differs"}}));
    EXPECT_EQ(comparer.Comparison().Differences(), 1);
    EXPECT_TRUE(rig.prompt.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultyLineCompareTest,
                         testing::Values(SimFaults{.seed = 1, .corruptRate = 0.05},
                                         SimFaults{.seed = 2, .corruptRate = 0.05},
                                         SimFaults{.seed = 3, .corruptRate = 0.2},
                                         SimFaults{.seed = 4, .extraDelayMs = 300},
                                         SimFaults{.seed = 5, .corruptRate = 0.05, .replyLossRate = 0.3}));

} // namespace
} // namespace zr48::test
