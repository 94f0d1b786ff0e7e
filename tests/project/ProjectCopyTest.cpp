#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/ProjectFile.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zr48 {
namespace {

using test::ScriptedPrompt;
using test::TempDir;
namespace fs = std::filesystem;

Text Contents(const Text& path)
{
    const Bytes bytes = readFileBytes(path);
    return Text(bytes.begin(), bytes.end());
}

void SetTime(const Text& path, int secondsAgo)
{
    fs::last_write_time(toFsPath(path), fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

DEVICE_CONFIG Entry(std::uint16_t type, const Text& configFile)
{
    DEVICE_CONFIG e;
    e.DeviceType = type;
    e.DeviceName = "Tuner";
    e.SourceSelect = 1;
    e.OptionList = "10";
    e.ConfigFile = configFile;
    return e;
}

class AssignSlotTest : public testing::Test {
protected:
    AssignSlotTest()
    {
        project.FileName = dir.text("Villa/Villa.mpj");
        fs::create_directories(dir.path() / "Villa");
        database = dir.write("db/Tuner/FMTUNER.mpi", "NAME=FM Tuner\r\n");
    }
    TempDir dir;
    TProjectFile project;
    ScriptedPrompt prompt;
    Text database;
};

TEST_F(AssignSlotTest, CopiesTheDeviceFileIntoTheProjectFolder)
{
    project.Devices[3].FileStart = 99;
    project.AssignSlot(3, Entry(1, database), prompt);
    const DEVICE_CONFIG& slot = project.Devices[3];
    EXPECT_EQ(slot.ConfigFile, dir.text("Villa/FMTUNER.mpi"));
    EXPECT_EQ(Contents(slot.ConfigFile), "NAME=FM Tuner\r\n");
    EXPECT_EQ(fs::last_write_time(toFsPath(slot.ConfigFile)), fs::last_write_time(toFsPath(database)));
    EXPECT_EQ(slot.DeviceName, "Tuner");
    EXPECT_EQ(slot.OptionList, "10");
    EXPECT_EQ(slot.SlotName, "TUNER-3");
    EXPECT_EQ(slot.FileStart, 99);
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(AssignSlotTest, AFileAlreadyInTheProjectFolderIsNotCopied)
{
    const Text own = dir.write("Villa/OWN.mpi", "own");
    Text otherCase = own;
    otherCase.replace(otherCase.size() - 7, 7, "own.MPI");
    project.AssignSlot(0, Entry(1, own), prompt);
    EXPECT_EQ(project.Devices[0].ConfigFile, own);
    EXPECT_EQ(Contents(own), "own");
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(AssignSlotTest, AsksBeforeReplacingADifferentFileOfTheSameName)
{
    const Text existing = dir.write("Villa/FMTUNER.mpi", "older edit");
    SetTime(existing, 3600);
    prompt.answer(Answer::No, "Overwrite current Device File?\nFMTUNER.mpi");
    project.AssignSlot(0, Entry(1, database), prompt);
    EXPECT_EQ(Contents(existing), "older edit");
    EXPECT_EQ(project.Devices[0].ConfigFile, existing);

    prompt.answer(Answer::Yes, "FMTUNER.mpi");
    project.AssignSlot(1, Entry(1, database), prompt);
    EXPECT_EQ(Contents(existing), "NAME=FM Tuner\r\n");
    EXPECT_EQ(project.Devices[1].ConfigFile, existing);

    // Now both carry the same time: replaced by a fresh copy without a question.
    const Text changedSource = dir.write("db/Tuner/FMTUNER.mpi", "NAME=FM Tuner 2\r\n");
    fs::last_write_time(toFsPath(changedSource), fs::last_write_time(toFsPath(existing)));
    project.AssignSlot(2, Entry(1, database), prompt);
    EXPECT_EQ(Contents(existing), "NAME=FM Tuner 2\r\n");
}

TEST_F(AssignSlotTest, NoDeviceEmptiesTheDeviceFileAndCopiesNothing)
{
    project.Devices[5].ConfigFile = "somewhere.mpi";
    project.AssignSlot(5, Entry(0, database), prompt);
    EXPECT_EQ(project.Devices[5].DeviceType, 0);
    EXPECT_TRUE(project.Devices[5].ConfigFile.empty());
    EXPECT_FALSE(fileExists(dir.text("Villa/FMTUNER.mpi")));
}

TEST_F(AssignSlotTest, AMissingSourceFileIsReportedAndTheSlotStaysAssigned)
{
    const Text missing = dir.text("db/gone.mpi");
    project.AssignSlot(4, Entry(5, missing), prompt);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Could not copy source file " + missing});
    EXPECT_EQ(project.Devices[4].DeviceType, 5);
    EXPECT_TRUE(project.Devices[4].ConfigFile.empty());
    // No device file at all: nothing to report.
    prompt.clear();
    project.AssignSlot(6, Entry(1, ""), prompt);
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(AssignSlotTest, ACopyTheSystemRefusesIsReported)
{
    // A folder stands where the copy should go.
    fs::create_directories(dir.path() / "Villa" / "FMTUNER.mpi" / "inside");
    project.AssignSlot(0, Entry(1, database), prompt);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_EQ(prompt.errors()[0].rfind("Could not copy source file " + database, 0), 0u);
}

TEST(ProjectCopy, CopiesTheProjectWithItsOwnDeviceFiles)
{
    TempDir dir;
    const Text tuner = dir.write("Projects/Villa/FMTUNER.mpi", "tuner");
    const Text bdp = dir.write("Devices/Video/BDP.mpi", "bdp");
    TProjectFile villa;
    villa.Description = {"Villa ground floor"};
    villa.ProjectInfo = {"VILLA", "Ground floor"};
    villa.Devices[0] = Entry(1, tuner);
    villa.Devices[0].SlotName = "TUNER";
    villa.Devices[9] = Entry(5, bdp);
    villa.Devices[9].SlotName = "DVD-2";
    villa.Devices[10].SlotName = "DVD-3";
    villa.Devices[10].DeviceType = 7; // no device file
    villa.Devices[10].DeviceName = "Sat";
    const Text source = dir.text("Projects/Villa/Villa.mpj");
    villa.Save(source);
    fs::create_directories(dir.path() / "Projects" / "Chalet");

    const Text target = dir.text("Projects/Chalet/Chalet.mpj");
    ScriptedPrompt prompt;
    TProjectFile chalet;
    chalet.CopyProject(source, target, prompt);
    EXPECT_TRUE(prompt.shown().empty());
    EXPECT_EQ(Contents(dir.text("Projects/Chalet/FMTUNER.mpi")), "tuner");
    EXPECT_EQ(Contents(dir.text("Projects/Chalet/BDP.mpi")), "bdp");

    TProjectFile back;
    back.Load(target);
    EXPECT_EQ(back.Description,
              (std::vector<Text>{"*** Project copied from " + source + " ***", "", "Villa ground floor"}));
    EXPECT_EQ(back.ProjectInfo, villa.ProjectInfo);
    EXPECT_EQ(back.Devices[0].ConfigFile, dir.text("Projects/Chalet/FMTUNER.mpi"));
    EXPECT_EQ(back.Devices[9].ConfigFile, dir.text("Projects/Chalet/BDP.mpi"));
    EXPECT_EQ(back.Devices[9].OptionList, "10");
    EXPECT_EQ(back.Devices[10].DeviceName, "Sat");
    EXPECT_TRUE(back.Devices[10].ConfigFile.empty());
}

TEST(ProjectCopy, AMissingSourceGivesOnlyTheDescription)
{
    TempDir dir;
    ScriptedPrompt prompt;
    TProjectFile copy;
    const Text target = dir.text("New.mpj");
    copy.CopyProject("D:\\Gone\\Gone.mpj", target, prompt);
    TProjectFile back;
    back.Load(target);
    EXPECT_EQ(back.Description, (std::vector<Text>{"*** Project copied from D:\\Gone\\Gone.mpj ***", ""}));
    for (const DEVICE_CONFIG& slot : back.Devices)
        EXPECT_EQ(slot.DeviceType, 0);
}

} // namespace
} // namespace zr48
