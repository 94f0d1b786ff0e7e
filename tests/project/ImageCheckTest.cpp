// The checks that keep a damaged card image from a card and from unpacking: a compiled image
// passes; each kind of damage is named, in the order a reader meets it.

#include "project/ImageCheck.h"

#include "CardTestSupport.h"
#include "base/Error.h"
#include "project/CardFormat.h"
#include "project/Compiler.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zr48 {
namespace {

using test::AssignDevice;
using test::PatternBytes;

// A project with two devices, compiled: sectors 0 to 9, then the file of slot 9 (DVD-2) at 16 to
// 18 (1000 bytes in an area of 16 sectors) and at 32 the one zero sector of slot 10, which has no
// device file.
class ImageCheckTest : public testing::Test {
public: // the damage of each case reaches in
    ImageCheckTest()
    {
        TProjectFile project;
        AssignDevice(project, 9, 5, dir.write("BDP.mpi", PatternBytes(1000)), "Blu-ray");
        AssignDevice(project, 10, 5, "", "No file");
        project.Save(dir.text("Villa.mpj"));
        EXPECT_TRUE(CompileProject(dir.text("Villa.mpj"), prompt));
        image = ReadSectorImage(dir.text("Villa.mpd"));
    }
    SectorRecord& record(std::uint16_t number)
    {
        return *std::find_if(image.Records.begin(), image.Records.end(),
                             [number](const SectorRecord& r) { return r.Number == number; });
    }
    void drop(std::uint16_t number)
    {
        std::erase_if(image.Records, [number](const SectorRecord& r) { return r.Number == number; });
    }

    test::TempDir dir;
    test::ScriptedPrompt prompt;
    SectorImage image;
};

TEST_F(ImageCheckTest, ACompiledImagePasses)
{
    ASSERT_EQ(test::RecordNumbers(image), (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 18, 32}));
    EXPECT_EQ(ImageProblems(image), std::vector<Text>{});
    EXPECT_EQ(ImageFileProblem(dir.text("Villa.mpd")), "");
}

TEST_F(ImageCheckTest, NamesEveryKindOfDamage)
{
    const struct {
        const char* what;
        void (*damage)(ImageCheckTest&);
        std::vector<Text> problems;
    } cases[] = {
        {"no records", [](ImageCheckTest& t) { t.image.Records.clear(); }, {"the file holds no sector records"}},
        {"cut off",
         [](ImageCheckTest& t) { t.image.TrailingBytes = 100; },
         {"the file ends with 100 bytes of a cut-off sector"}},
        {"a directory sector twice",
         [](ImageCheckTest& t) { t.image.Records.push_back(t.image.Records[3]); },
         {"sector 3 appears more than once"}},
        {"a directory sector missing", [](ImageCheckTest& t) { t.drop(1); }, {"directory sector 1 is missing"}},
        {"a directory sector that fails its check",
         [](ImageCheckTest& t) { t.record(1).Data[128 + 26] = 2; },
         {"directory sector 1 fails the check with error code 1: an option byte is neither 0 nor 1"}},
        {"an unknown device type",
         [](ImageCheckTest& t) { t.record(1).Data[128] = 12; },
         {"slot DVD-2 has the unknown device type 12"}},
        {"the menu missing", [](ImageCheckTest& t) { t.drop(9); }, {"the menu sector 9 is missing"}},
        {"a device file missing",
         [](ImageCheckTest& t) { t.drop(16); },
         {"the device file of slot DVD-2 is not in the image"}},
        {"a sector of a device file missing",
         [](ImageCheckTest& t) { t.drop(17); },
         {"sector 17 of the device file of slot DVD-2 is not in the image"}},
        {"a checksum that is not valid",
         [](ImageCheckTest& t) { t.record(16).Data[300] ^= 1; },
         {"the checksum of the device file of slot DVD-2 is not valid"}},
        {"a device file longer than its area",
         [](ImageCheckTest& t) {
             Sector& first = t.record(16).Data;
             first[3] = 0x20; // 8,192 more bytes
             first[0] = static_cast<std::uint8_t>(DeviceFileChecksum(first));
             first[1] = static_cast<std::uint8_t>(DeviceFileChecksum(first) >> 8);
         },
         {"the device file of slot DVD-2 is too big for its area of 16 sectors"}},
        {"a device file area over the directory",
         [](ImageCheckTest& t) { t.record(1).Data[128 + 2] = 5; },
         {"the device file of slot DVD-2 is not in the image"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const SectorImage compiled = image;
        c.damage(*this);
        EXPECT_EQ(ImageProblems(image), c.problems);
        image = compiled;
    }
}

TEST_F(ImageCheckTest, TheFileCheckNamesTheFileAndItsFirstProblem)
{
    drop(0);
    drop(16);
    WriteSectorImage(dir.text("Damaged.mpd"), image.Records);
    EXPECT_EQ(ImageProblems(image).size(), 2u);
    EXPECT_EQ(ImageFileProblem(dir.text("Damaged.mpd")),
              "The image file \"" + dir.text("Damaged.mpd") + "\" is damaged: directory sector 0 is missing.");
    EXPECT_THROW(ImageFileProblem(dir.text("Gone.mpd")), Error);
}

} // namespace
} // namespace zr48
