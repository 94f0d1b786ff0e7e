#include "base/ByteOrder.h"
#include "base/FileIo.h"
#include "cli/Cli.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace zr48::cli {
namespace {

class CommandsImageTest : public testing::Test {
protected:
    CommandsImageTest()
    {
        TProjectFile project;
        DEVICE_CONFIG& slot = project.Slot(9);
        slot.DeviceType = 5;
        slot.DeviceName = "Blu-ray K\xFC";
        slot.SourceSelect = 2;
        slot.OptionList = "101";
        slot.ConfigFile = dir.write("BDP.mpi", "NAME=" + std::string(995, 'b'));
        project.ProjectInfo = {"VILLA", "Ground floor"};
        project.Save(dir.text("Villa.mpj"));
    }
    int run(Arguments arguments)
    {
        out.str({});
        err.str({});
        prompt.clear();
        return cli::run(environment, arguments);
    }
    std::string arg(std::string_view relative) const { return dir.text(relative); }
    bool contains(const std::ostringstream& stream, std::string_view part) const
    {
        return stream.str().find(part) != std::string::npos;
    }
    // Changes one byte of the compiled image file.
    void patchImage(std::size_t at, std::uint8_t value) const
    {
        Bytes bytes = readFileBytes(dir.text("Villa.mpd"));
        bytes.at(at) = value;
        writeFileAtomically(dir.text("Villa.mpd"), bytes);
    }

    test::TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
    test::ScriptedPrompt prompt;
    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{"/p/", "/db/", false, false, 10, 20}};
    Environment environment{out, err, prompt, settings, {}};
};

TEST_F(CommandsImageTest, CompileWritesTheImageAndSaysWhenItIsIncomplete)
{
    EXPECT_EQ(run({"compile", arg("Villa.mpj")}), kExitOk);
    EXPECT_TRUE(contains(out, "Image written: " + arg("Villa.mpd") + " (13 sectors, 6682 bytes)")) << out.str();
    EXPECT_TRUE(prompt.messages().empty());
    EXPECT_EQ(err.str(), "");

    std::filesystem::remove(dir.path() / "BDP.mpi");
    EXPECT_EQ(run({"compile", arg("Villa.mpj")}), kExitFailed);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"File not found:\n" + dir.text("BDP.mpi")});
    EXPECT_TRUE(contains(err, "is not complete")) << err.str();

    EXPECT_EQ(run({"compile", arg("Chalet.mpj")}), kExitFailed);
    EXPECT_TRUE(contains(err, "there is no project file")) << err.str();
    EXPECT_FALSE(fileExists(dir.text("Chalet.mpd")));

    // An image that cannot be written is no incomplete image: nothing was written.
    std::filesystem::remove(dir.path() / "Villa.mpd");
    std::filesystem::create_directory(dir.path() / "Villa.mpd");
    prompt.clear();
    EXPECT_EQ(run({"compile", arg("Villa.mpj")}), kExitFailed);
    ASSERT_EQ(prompt.errors().size(), 2u); // the missing device file, then the image
    EXPECT_EQ(prompt.errors()[1].rfind("Cannot write \"" + dir.text("Villa.mpd") + "\"", 0), 0u) << prompt.errors()[1];
    EXPECT_EQ(err.str(), "zr48: nothing was written\n");
}

TEST_F(CommandsImageTest, WrongArgumentsAreUsageErrors)
{
    for (const char* command : {"compile", "unpack", "inspect"}) {
        EXPECT_EQ(run({command}), kExitUsage) << command;
        EXPECT_TRUE(contains(err, std::string("zr48: usage: zr48 ") + command)) << err.str();
        EXPECT_EQ(run({command, "a", "b"}), kExitUsage) << command;
    }
}

TEST_F(CommandsImageTest, AFolderGivenForAFileSaysSo)
{
    std::filesystem::create_directory(dir.path() / "Папка.mpj");
    std::filesystem::create_directory(dir.path() / "Папка.mpd");
    const Arguments cases[] = {
        {"compile", arg("Папка.mpj")},       {"unpack", arg("Папка.mpd")},         {"inspect", arg("Папка.mpd")},
        {"ir", "analyse", arg("Папка.mpd")}, {"ir", "optimize", arg("Папка.mpj")},
    };
    for (const Arguments& arguments : cases) {
        prompt.clear();
        EXPECT_EQ(run(arguments), kExitFailed) << arguments[0];
        const std::string said = err.str();
        EXPECT_NE(said.find("it is a folder, not a file"), std::string::npos) << arguments[0] << ": " << said;
        EXPECT_NE(said.find("Папка"), std::string::npos) << said;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "Папка.mpd"));
}

TEST_F(CommandsImageTest, UnpackWritesTheProjectBesideTheImage)
{
    ASSERT_EQ(run({"compile", arg("Villa.mpj")}), kExitOk);
    std::filesystem::create_directory(dir.path() / "Copy");
    std::filesystem::copy_file(dir.path() / "Villa.mpd", dir.path() / "Copy" / "Villa.mpd");
    EXPECT_EQ(run({"unpack", arg("Copy/Villa.mpd")}), kExitOk);
    EXPECT_TRUE(contains(out, "Project written: " + arg("Copy/Villa.mpj") + " (1 device, 1 device file)")) << out.str();
    TProjectFile back;
    back.Load(dir.text("Copy/Villa.mpj"));
    EXPECT_EQ(back.Slot(9).DeviceName, "Blu-ray K\xFC");
    EXPECT_EQ(back.Slot(9).ConfigFile, dir.text("Copy/Villa_10.mpi"));
    EXPECT_EQ(test::fileContents(back.Slot(9).ConfigFile), "NAME=" + std::string(995, 'b'));

    EXPECT_EQ(run({"unpack", arg("Copy/Gone.mpd")}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: there is no image file '" + arg("Copy/Gone.mpd") + "'\n");
}

TEST_F(CommandsImageTest, UnpackReplacesAProjectOrUnpacksADamagedImageOnlyWhenForced)
{
    // Beside the project it was compiled from.
    ASSERT_EQ(run({"compile", arg("Villa.mpj")}), kExitOk);
    const Bytes project = readFileBytes(dir.text("Villa.mpj"));
    EXPECT_EQ(run({"unpack", arg("Villa.mpd")}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: the project '" + arg("Villa.mpj") + "' exists; add --force to replace it\n");
    EXPECT_EQ(readFileBytes(dir.text("Villa.mpj")), project);
    EXPECT_FALSE(fileExists(dir.text("Villa_10.mpi")));
    EXPECT_EQ(run({"unpack", arg("Villa.mpd"), "--force"}), kExitOk) << err.str();
    EXPECT_NE(readFileBytes(dir.text("Villa.mpj")), project);
    EXPECT_TRUE(fileExists(dir.text("Villa_10.mpi")));

    // Damaged: a device file whose checksum does not hold, and bytes that are no image at all.
    std::filesystem::create_directory(dir.path() / "Copy");
    ASSERT_EQ(run({"compile", arg("Villa.mpj")}), kExitOk);
    Bytes image = readFileBytes(dir.text("Villa.mpd"));
    image.at(10 * kSectorRecordSize + 2 + 100) ^= 0x55;
    writeFileAtomically(dir.text("Copy/Villa.mpd"), image);
    std::string noise(20000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    dir.write("Copy/Noise.mpd", noise);
    const struct {
        const char* name;
        const char* problem;
    } cases[] = {
        {"Copy/Villa.mpd", "the checksum of the device file of slot DVD-2 is not valid"},
        {"Copy/Noise.mpd", "the file ends with 468 bytes of a cut-off sector"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run({"unpack", arg(c.name)}), kExitFailed);
        EXPECT_EQ(err.str(), "zr48: The image file \"" + arg(c.name) + "\" is damaged: " + c.problem +
                                 ".\nzr48: nothing was unpacked; add --force to unpack it anyway\n");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "Copy"), {}), 2);
    EXPECT_EQ(run({"unpack", arg("Copy/Villa.mpd"), "--force"}), kExitOk) << err.str();
    EXPECT_TRUE(contains(out, "Project written: " + arg("Copy/Villa.mpj") + " (1 device, 1 device file)"));
}

TEST_F(CommandsImageTest, InspectListsTheImage)
{
    ASSERT_EQ(run({"compile", arg("Villa.mpj")}), kExitOk);
    EXPECT_EQ(run({"inspect", arg("Villa.mpd")}), kExitOk);
    const std::string listing = out.str();
    for (const std::string part : {
             "13 sectors, 6682 bytes",
             "Sectors in file order: 0-9, 16-18\n",
             "     9 DVD-2    5 Infrared (RC5)           2 DVD         16 +16        32 +0         Blu-ray K\xC3\xBC"
             "       101000000\n",
             "(62 empty slots)",
             "  1  VILLA\n  2  Ground floor\n  3  \n",
             "  DVD-2     16      BDP                        1064 (1000 bytes)     0x",
             " valid\n",
             "No problems found.",
         })
        EXPECT_NE(listing.find(part), std::string::npos) << part << "\nin\n" << listing;
}

// Where the content of the n-th record of an image file begins.
constexpr std::size_t sector(std::size_t n)
{
    return n * kSectorRecordSize + 2;
}

TEST_F(CommandsImageTest, InspectListsProblemsAndFails)
{
    const struct {
        const char* what;
        std::size_t at; // the byte of the file to change
        std::uint8_t value;
        const char* problem;
    } cases[] = {
        {"checksum", sector(10) + 100, 0x55, "the checksum of the device file of slot DVD-2 is not valid"},
        {"control byte in a name", sector(1) + 128 + 12, 0x07, "directory sector 1 fails the check with error code 2"},
        {"repeated sector", sector(2) - 2, 1, "sector 1 appears more than once"},
        {"length past the area", sector(10) + 3, 0x20, "is too big for its area of 16 sectors"},
        {"unknown type", sector(1) + 128, 12, "slot DVD-2 has the unknown device type 12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(run({"compile", arg("Villa.mpj")}), kExitOk);
        patchImage(c.at, c.value);
        EXPECT_EQ(run({"inspect", arg("Villa.mpd")}), kExitFailed);
        EXPECT_TRUE(contains(out, "Problems:\n")) << out.str();
        EXPECT_TRUE(contains(out, c.problem)) << out.str();
    }

    // Cut off in the middle of the last device file sector.
    ASSERT_EQ(run({"compile", arg("Villa.mpj")}), kExitOk);
    std::filesystem::resize_file(dir.path() / "Villa.mpd", 6682 - 100);
    EXPECT_EQ(run({"inspect", arg("Villa.mpd")}), kExitFailed);
    EXPECT_TRUE(contains(out, "the file ends with 414 bytes of a cut-off sector")) << out.str();
    EXPECT_TRUE(contains(out, "sector 18 of the device file of slot DVD-2 is not in the image")) << out.str();

    EXPECT_EQ(run({"inspect", arg("Gone.mpd")}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: there is no image file '" + arg("Gone.mpd") + "'\n");
}

} // namespace
} // namespace zr48::cli
