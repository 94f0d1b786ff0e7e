// zr48 firmware, version, display and sector against the simulated unit in virtual time.

#include "cli/CommandsUnit.h"

#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Settings.h"
#include "cli/Cli.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include "link/drivers/DeviceLock.h"

#include <fstream>
#include <unistd.h>
#endif

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <sstream>

namespace zr48::cli {
namespace {

class UnitCommandsTest : public testing::Test {
protected:
    int zr48(const Arguments& arguments)
    {
        out.str({});
        err.str({});
        prompt.clear();
        Environment environment{out, err, prompt, settings, {}, {.virtualTime = true}};
        return run(environment, arguments);
    }
    std::vector<std::string> outLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::ostringstream out;
    std::ostringstream err;
    test::ScriptedPrompt prompt;
    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
    test::TempDir dir;
};

TEST_F(UnitCommandsTest, FirmwareUpdatesTheUnitWhichThenReportsTheFilesVersion)
{
    EXPECT_EQ(zr48({"--link", "sim", "firmware", ZR48_FIRMWARE_IMAGE}), kExitOk) << err.str();
    EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});
    EXPECT_NE(out.str().find("Firmware version of the ZR48: R48+1.21 KELDO DEMO\n"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("480/480 blocks"), std::string::npos) << err.str();

    EXPECT_EQ(zr48({"--link", "sim", "firmware", dir.text("missing.bin")}), kExitFailed);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to open firmware file."});
    EXPECT_EQ(zr48({"--link", "tty:/nonexistent/ttyZR48", "firmware", ZR48_FIRMWARE_IMAGE}), kExitNoUnit);
    EXPECT_NE(err.str().find("no ZR48 found"), std::string::npos);
    EXPECT_EQ(zr48({"--link", "sim", "firmware"}), kExitUsage);
}

TEST_F(UnitCommandsTest, FirmwareRefusesAFileThatIsNoFirmwareUnlessForced)
{
    const std::string version("R48+1.30\0", 9);
    const struct {
        const char* name;
        std::string content;
        std::string problem;
    } cases[] = {
        {"empty.bin", "", " is empty."},
        {"image.bin", std::string(5140, '\0'),
         " holds no firmware version (no \"R48+1\" text): it is no ZR48 firmware."},
        {"big.bin", std::string(200000, 'b') + version,
         " holds 200009 bytes; an update programs at most 122880 (480 blocks of 256 bytes)."},
    };
    for (const auto& c : cases) {
        const Path path = dir.write(c.name, c.content);
        // No unit at this link: the file is refused before one is looked for.
        EXPECT_EQ(zr48({"--link", "tty:/nonexistent/ttyZR48", "firmware", path}), kExitFailed) << c.name;
        EXPECT_EQ(err.str(), "zr48: The firmware file \"" + path + "\"" + c.problem +
                                 "\nzr48: nothing was sent to the ZR48; add --force to program it anyway\n");
        EXPECT_TRUE(prompt.messages().empty());
    }
    EXPECT_EQ(zr48({"--link", "sim", "firmware", dir.text("image.bin"), "--force"}), kExitOk) << err.str();
    EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});
}

TEST_F(UnitCommandsTest, FirmwareFilesOfAnyNameAndAFolderGivenForOne)
{
    const Path named = dir.text("Прошивка 固件/ZR48 🔧.bin");
    std::filesystem::create_directories(toFsPath(extractFileDir(named)));
    std::filesystem::copy_file(ZR48_FIRMWARE_IMAGE, toFsPath(named));
    ASSERT_EQ(zr48({"--link", "sim", "firmware", named}), kExitOk) << err.str();
    EXPECT_NE(out.str().find("Updating the ZR48 with " + named + " (R48+1.21 KELDO DEMO)\n"), std::string::npos)
        << out.str();

    EXPECT_EQ(zr48({"--link", "sim", "firmware", extractFileDir(named)}), kExitFailed);
    EXPECT_NE(err.str().find(extractFileDir(named) + ": it is a folder, not a file"), std::string::npos) << err.str();
}

TEST_F(UnitCommandsTest, VersionRecommendsAnUpdateOnlyForAKnownDifferentVersion)
{
    struct Case {
        std::string file;
        const char* fileVersion;
        const char* recommended;
    };
    const Case cases[] = {
        {ZR48_FIRMWARE_IMAGE, "R48+1.21 KELDO DEMO", "yes"},
        {dir.write("same.bin", std::string("xxR48+1.20 sim\0", 15)), "R48+1.20 sim", "no"}, // case only
        {dir.write("none.bin", "no marker here"), "Unknown", "no"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(zr48({"--link", "sim", "version", c.file}), kExitOk) << err.str();
        const auto lines = outLines();
        ASSERT_EQ(lines.size(), 4u) << out.str();
        EXPECT_EQ(lines[0], "ZR48 firmware:      R48+1.20 SIM");
        EXPECT_EQ(lines[2], std::string("File version:       ") + c.fileVersion);
        EXPECT_EQ(lines[3], std::string("Update recommended: ") + c.recommended) << c.file;
    }

    // A file named but not there is no file of version "Unknown".
    EXPECT_EQ(zr48({"--link", "sim", "version", dir.text("missing.bin")}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: there is no firmware file '" + dir.text("missing.bin") + "'\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(zr48({"--link", "sim", "version", dir.text()}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: '" + dir.text() + "' is a folder, not a firmware file\n");
}

struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> grey;
};

DecodedPng decodePng(const Bytes& bytes)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    DecodedPng decoded;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return decoded;
    image.format = PNG_FORMAT_GRAY;
    decoded.grey.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, decoded.grey.data(), 0, nullptr))
        return {};
    decoded.width = static_cast<int>(image.width);
    decoded.height = static_cast<int>(image.height);
    return decoded;
}

TEST_F(UnitCommandsTest, DisplayPrintsTheArtAndWritesThePicture)
{
    const Text png = dir.text("display.png");
    ASSERT_EQ(zr48({"--link", "sim", "display", "--png", png}), kExitOk) << err.str();
    auto lines = outLines();
    ASSERT_EQ(lines.size(), 43u); // 42 lines of two pixel rows, then the file's line
    EXPECT_EQ(
        lines[0], "\u2588" + [] {
            std::string top;
            for (int i = 0; i < 122; ++i)
                top += "\u2580";
            return top;
        }() + "\u2588");
    EXPECT_TRUE(lines[1].starts_with("\u2588 \u2588\u2588")) << lines[1]; // frame, gap, USB corner

    const auto picture = decodePng(readFileBytes(png));
    ASSERT_EQ(picture.width, 124);
    ASSERT_EQ(picture.height, 84);
    auto grey = [&](int x, int y) { return picture.grey[static_cast<std::size_t>(y * 124 + x)]; };
    EXPECT_EQ(grey(0, 0), 0);
    EXPECT_EQ(grey(1, 1), 255);
    EXPECT_EQ(grey(19, 19), 0);
    EXPECT_EQ(grey(20, 20), 255);

    ASSERT_EQ(zr48({"--link", "sim", "display", "--no-border", "--keep-usb-icon", "--png", png}), kExitOk);
    const auto plain = decodePng(readFileBytes(png));
    ASSERT_EQ(plain.grey.size(), picture.grey.size());
    EXPECT_EQ(plain.grey[0], 255);
    int differences = 0;
    for (std::size_t i = 0; i < plain.grey.size(); ++i)
        differences += plain.grey[i] != picture.grey[i];
    // The frame's pixels and some of the corner's differ; the rest of the display is the same.
    EXPECT_GT(differences, 2 * 124 + 2 * 82);
    EXPECT_LT(differences, 2 * 124 + 2 * 82 + 18 * 18);

    EXPECT_EQ(zr48({"--link", "sim", "display", "--frame"}), kExitUsage);
}

TEST_F(UnitCommandsTest, SectorPrintsTheViewersDumpLines)
{
    // A card file with sector 0x01A0 filled with "ZR48".
    std::string record = {char(0xA0), char(0x01)};
    for (int i = 0; i < 128; ++i)
        record += "ZR48";
    const Text card = dir.write("card.zr48", record);
    ASSERT_EQ(zr48({"--link", "sim:" + card, "sector", "0x01A0"}), kExitOk) << err.str();
    const auto lines = outLines();
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[2], "01A0:020   5A 52 34 38 5A 52 34 38 - 5A 52 34 38 5A 52 34 38   ZR48ZR48 - ZR48ZR48");
    EXPECT_EQ(zr48({"--link", "sim:" + card, "sector", "416"}), kExitOk);
    EXPECT_EQ(outLines().at(2), lines[2]);

    for (const char* wrong : {"65536", "-1", "abc"})
        EXPECT_EQ(zr48({"--link", "sim", "sector", wrong}), kExitUsage) << wrong;
}

#ifndef _WIN32
// One program owns a simulator's card: a second one is told who has it and gives up with 2.
TEST_F(UnitCommandsTest, ACardInUseByAnotherProgramIsRefused)
{
    const std::string card = (dir.path() / "card.zr48").string();
    std::string thisProgram;
    std::getline(std::ifstream("/proc/self/comm"), thisProgram);
    {
        const CardLock other(card, nullptr);
        ASSERT_EQ(zr48({"--link", "sim:" + card, "version"}), kExitNoUnit);
        EXPECT_EQ(err.str(), "zr48: the ZR48 on the simulator's card " + card + " is in use by " + thisProgram +
                                 " (process " + std::to_string(getpid()) + ") ('--wait' waits until it is free)\n");
        EXPECT_TRUE(out.str().empty());
    }
    EXPECT_EQ(zr48({"--link", "sim:" + card, "version"}), kExitOk) << err.str();
}
#endif

} // namespace
} // namespace zr48::cli
