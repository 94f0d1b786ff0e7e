// Folders and files named in any script through every zr48 command that takes a path: the names
// reach the disk as they are, and the commands print them as they are.

#include "CliHarness.h"
#include "base/FileIo.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zr48::cli {
namespace {

namespace fs = std::filesystem;

struct Names {
    const char* script;
    const char* folder;  // of the project
    const char* project; // its file name, without extension
    const char* device;  // a device file's name, without extension
    const char* card;    // the folder of the simulated unit's card file
};

const Names kNames[] = {
    {"Cyrillic", "Проекты/Вилла", "Дом", "Радио", "Данные"},
    {"CJK", "プロジェクト/別荘", "家", "ラジオ", "データ"},
    {"Emoji", "🏠 Projects/🌴", "🏡", "📻 Radio", "💾"},
};

class AnyNameTest : public testing::TestWithParam<Names>, public CliHarness {
protected:
    AnyNameTest()
    {
        const Names& n = GetParam();
        folder = dir.text(n.folder) + "/";
        project = folder + n.project + ".mpj";
        device = dir.write(std::string(n.folder) + "/" + n.device + ".mpi", "NAME=Radio\r\nSTATION_1=87.6\r\n");
        fs::create_directories(dir.path() / n.card);
        card = "sim:" + dir.text(n.card) + "/" + n.device + ".zr48";
        TProjectFile p;
        p.ProjectInfo = {"HOME"};
        p.Slot(0).DeviceType = 1;
        p.Slot(0).DeviceName = "Radio";
        p.Slot(0).ConfigFile = device;
        p.Save(project);
    }
    bool printed(const std::string& part) const { return out.str().find(part) != std::string::npos; }

    test::TempDir dir;
    Path folder;
    Path project;
    Path device;
    std::string card;
};

TEST_P(AnyNameTest, ShowCompileDownloadUploadUnpackAndCopy)
{
    const Names& n = GetParam();
    ASSERT_EQ(runCli({"show", project}), kExitOk) << err.str();
    EXPECT_TRUE(printed("Project: " + project + "\n")) << out.str();
    EXPECT_TRUE(printed("[PROJECT]\\" + std::string(n.device) + ".mpi\n")) << out.str();
    EXPECT_FALSE(printed("(missing)")) << out.str();

    ASSERT_EQ(runCli({"compile", project}), kExitOk) << err.str();
    const Path image = folder + n.project + ".mpd";
    EXPECT_TRUE(printed("Image written: " + image + " (")) << out.str();
    EXPECT_TRUE(fileExists(image));

    // Download into a card file in a folder of the script, and read it back into a new project.
    ASSERT_EQ(runCli({"--link", card, "download", project}), kExitOk) << err.str();
    EXPECT_TRUE(fileExists(card.substr(4)));
    const Path uploadFolder = dir.text(n.card) + "/" + n.device + "/";
    const Path uploaded = uploadFolder + n.project + ".mpj";
    ASSERT_EQ(runCli({"--link", card, "upload", uploaded}), kExitOk) << err.str();
    EXPECT_TRUE(printed("Project written: " + uploaded + " (1 device, 1 device file)")) << out.str();
    const Path uploadedDevice = uploadFolder + n.project + "_1.mpi";
    EXPECT_EQ(readFileBytes(uploadedDevice), readFileBytes(device));
    TProjectFile back;
    back.Load(uploaded);
    EXPECT_EQ(back.Slot(0).ConfigFile, uploadedDevice);

    // The uploaded image unpacks again, elsewhere: its files are named after it.
    const Path copiedImage = folder + n.device + ".mpd";
    fs::copy_file(toFsPath(uploadFolder + n.project + ".mpd"), toFsPath(copiedImage));
    ASSERT_EQ(runCli({"unpack", copiedImage}), kExitOk) << err.str();
    EXPECT_EQ(readFileBytes(folder + n.device + "_1.mpi"), readFileBytes(device));
    EXPECT_TRUE(printed("Project written: " + folder + n.device + ".mpj")) << out.str();

    const Path target = dir.text(n.card) + "/" + n.project + "/" + n.device + ".mpj";
    ASSERT_EQ(runCli({"copy-project", project, target}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Copied " + project + " to " + target + "\n");
    TProjectFile copy;
    copy.Load(target);
    EXPECT_EQ(copy.Slot(0).ConfigFile, extractFilePath(target) + n.device + ".mpi");
    EXPECT_EQ(readFileBytes(copy.Slot(0).ConfigFile), readFileBytes(device));
    EXPECT_TRUE(prompt.messages().empty()) << prompt.messages().front();
}

TEST_P(AnyNameTest, CaptureAndDisplayPictureFiles)
{
    const Names& n = GetParam();
    const Path capture = folder + n.device + ".bin";
    ASSERT_EQ(runCli({"--link", card, "ir", "capture", capture}), kExitOk) << err.str();
    EXPECT_TRUE(printed("bytes into " + capture + "\n")) << out.str();
    EXPECT_FALSE(readFileBytes(capture).empty());

    const Path picture = folder + n.project + ".png";
    ASSERT_EQ(runCli({"--link", card, "display", "--png", picture}), kExitOk) << err.str();
    EXPECT_TRUE(printed("Picture written: " + picture)) << out.str();
    const Bytes png = readFileBytes(picture);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin(), png.begin() + 8), "\x89PNG\r\n\x1A\n");
}

INSTANTIATE_TEST_SUITE_P(Scripts, AnyNameTest, testing::ValuesIn(kNames),
                         [](const testing::TestParamInfo<Names>& name) { return std::string(name.param.script); });

} // namespace
} // namespace zr48::cli
