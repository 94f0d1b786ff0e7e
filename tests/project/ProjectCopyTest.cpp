#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/ProjectFile.h"
#include "support/Platform.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>

#ifndef _WIN32
#include "support/Unprivileged.h"
#endif

namespace zr48 {
namespace {

using test::fileContents;

using test::ScriptedPrompt;
using test::TempDir;
namespace fs = std::filesystem;

void SetTime(const Text& path, int secondsAgo)
{
    fs::last_write_time(toFsPath(path), fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

std::uint64_t Inode(const Path& path)
{
    return test::fileIdentity(path);
}

// A second name of the folder `parent/name` below `dir`, relative to it: a symbolic link
// `parent/Alias` on Linux; on Windows, whose names ignore letter case, the name in capitals.
Path SecondName([[maybe_unused]] const TempDir& dir, const Path& parent, const Path& name)
{
    const Path prefix = parent.empty() ? Path() : parent + "/";
#ifdef _WIN32
    Path upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return prefix + upper;
#else
    fs::create_directory_symlink(toFsPath(dir.text(prefix + name)), toFsPath(dir.text(prefix + "Alias")));
    return prefix + "Alias";
#endif
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
    EXPECT_EQ(fileContents(slot.ConfigFile), "NAME=FM Tuner\r\n");
    EXPECT_EQ(fs::last_write_time(toFsPath(slot.ConfigFile)), fs::last_write_time(toFsPath(database)));
    EXPECT_EQ(slot.DeviceName, "Tuner");
    EXPECT_EQ(slot.OptionList, "10");
    EXPECT_EQ(slot.SlotName, "TUNER-3");
    EXPECT_EQ(slot.FileStart, 99);
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(AssignSlotTest, AFileAlreadyInTheProjectFolderIsNotCopied)
{
    const Path own = dir.write("Villa/OWN.mpi", "own");
    EXPECT_TRUE(project.AssignSlot(0, Entry(1, own), prompt));
    EXPECT_EQ(project.Devices[0].ConfigFile, own);
    EXPECT_EQ(fileContents(own), "own");
    EXPECT_TRUE(prompt.shown().empty());

    // The same folder under another name (a link) holds the same file: nothing to copy, and
    // nothing deleted; the slot names the file through the project's own folder.
    const Path alias = SecondName(dir, "", "Villa");
    project.FileName = dir.text(alias + "/Villa.mpj");
    const std::uint64_t before = Inode(own);
    EXPECT_TRUE(project.AssignSlot(1, Entry(1, own), prompt));
    EXPECT_EQ(project.Devices[1].ConfigFile, dir.text(alias + "/OWN.mpi"));
    EXPECT_EQ(Inode(own), before);
    EXPECT_EQ(fileContents(own), "own");
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(AssignSlotTest, AFolderOfAnotherLetterCaseIsAnotherFolder)
{
    // On Linux "villa" and "Villa" are two folders: the file must be copied, or the slot would
    // point at a file that does not exist.
    const Path otherCase = dir.write("villa/OWN.mpi", "lower-case folder");
    EXPECT_TRUE(project.AssignSlot(0, Entry(1, otherCase), prompt));
    EXPECT_EQ(project.Devices[0].ConfigFile, dir.text("Villa/OWN.mpi"));
    EXPECT_EQ(fileContents(dir.text("Villa/OWN.mpi")), "lower-case folder");
    EXPECT_EQ(fileContents(otherCase), "lower-case folder");
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(AssignSlotTest, AProjectPathWithoutAFolderLiesInTheCurrentFolder)
{
    // A unique name, so that a copy into the root (the fault) is seen and cleaned up.
    const Path name = "zr48-" + dir.path().filename().string() + ".mpi";
    const Path source = dir.write("db/" + name, "x");
    const fs::path before = fs::current_path();
    fs::current_path(dir.path() / "Villa");
    project.FileName = "Villa.mpj";
    project.AssignSlot(0, Entry(1, source), prompt);
    fs::current_path(before);
    const bool inRoot = fs::exists(fs::path("/") / name);
    if (inRoot)
        fs::remove(fs::path("/") / name);
    EXPECT_FALSE(inRoot);
    EXPECT_EQ(project.Devices[0].ConfigFile, dir.text("Villa/" + name));
    EXPECT_EQ(fileContents(dir.text("Villa/" + name)), "x");
}

TEST_F(AssignSlotTest, AsksBeforeReplacingADifferentFileOfTheSameName)
{
    const Text existing = dir.write("Villa/FMTUNER.mpi", "older edit");
    SetTime(existing, 3600);
    prompt.answer(Answer::No, "Overwrite current Device File?\nFMTUNER.mpi");
    project.AssignSlot(0, Entry(1, database), prompt);
    EXPECT_EQ(fileContents(existing), "older edit");
    EXPECT_EQ(project.Devices[0].ConfigFile, existing);

    prompt.answer(Answer::Yes, "FMTUNER.mpi");
    project.AssignSlot(1, Entry(1, database), prompt);
    EXPECT_EQ(fileContents(existing), "NAME=FM Tuner\r\n");
    EXPECT_EQ(project.Devices[1].ConfigFile, existing);

    // Now both carry the same time: replaced by a fresh copy without a question.
    const Text changedSource = dir.write("db/Tuner/FMTUNER.mpi", "NAME=FM Tuner 2\r\n");
    fs::last_write_time(toFsPath(changedSource), fs::last_write_time(toFsPath(existing)));
    project.AssignSlot(2, Entry(1, database), prompt);
    EXPECT_EQ(fileContents(existing), "NAME=FM Tuner 2\r\n");
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

TEST_F(AssignSlotTest, ACopyTheSystemRefusesNamesTheTargetOnce)
{
    // A folder stands where the copy should go.
    fs::create_directories(dir.path() / "Villa" / "FMTUNER.mpi" / "inside");
    EXPECT_FALSE(project.AssignSlot(0, Entry(1, database), prompt));
    ASSERT_EQ(prompt.errors().size(), 1u);
    const std::string message = prompt.errors()[0];
    EXPECT_NE(message.find("\"" + dir.text("Villa/FMTUNER.mpi") + "\""), std::string::npos) << message;
    EXPECT_NE(message.find("it is a folder, not a file"), std::string::npos) << message;
    EXPECT_EQ(message.find(database), std::string::npos) << message;
    EXPECT_TRUE(fs::is_directory(dir.path() / "Villa" / "FMTUNER.mpi" / "inside"));
    EXPECT_EQ(project.Devices[0].ConfigFile, dir.text("Villa/FMTUNER.mpi"));

    // A read-only device file in the project folder is not replaced, after Yes either.
    const Path readOnly = dir.write("Villa/BDP.mpi", "kept");
    SetTime(readOnly, 3600);
    fs::permissions(toFsPath(readOnly), fs::perms(0444));
    prompt.clear();
    prompt.answer(Answer::Yes, "BDP.mpi");
    EXPECT_FALSE(project.AssignSlot(1, Entry(1, dir.write("db/BDP.mpi", "new")), prompt));
    EXPECT_EQ(fileContents(readOnly), "kept");
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find(readOnly), std::string::npos) << prompt.errors()[0];
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
    EXPECT_EQ(chalet.CopyProject(source, target, prompt), TProjectFile::CopyResult::Complete);
    EXPECT_TRUE(prompt.shown().empty());
    EXPECT_EQ(fileContents(dir.text("Projects/Chalet/FMTUNER.mpi")), "tuner");
    EXPECT_EQ(fileContents(dir.text("Projects/Chalet/BDP.mpi")), "bdp");

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

// The project of the copy tests: a tuner in its own folder and a player in the database.
class ProjectCopyTest : public testing::Test {
protected:
    ProjectCopyTest()
    {
        TProjectFile villa;
        villa.Description = {"Villa"};
        villa.Devices[0] = Entry(1, dir.write("Projects/Villa/FMTUNER.mpi", "tuner"));
        villa.Devices[0].SlotName = "TUNER";
        villa.Devices[9] = Entry(5, dir.write("Devices/BDP.mpi", "bdp"));
        villa.Devices[9].SlotName = "DVD-2";
        villa.Save(source);
    }
    TempDir dir;
    const Path source = dir.text("Projects/Villa/Villa.mpj");
    ScriptedPrompt prompt;
    TProjectFile copy;
};

TEST_F(ProjectCopyTest, IntoTheSameFolderUnderAnotherNameDeletesNothing)
{
    const Path alias = SecondName(dir, "Projects", "Villa");
    const Path target = dir.text(alias + "/Chalet.mpj");
    const std::uint64_t tuner = Inode(dir.text("Projects/Villa/FMTUNER.mpi"));
    EXPECT_EQ(copy.CopyProject(source, target, prompt), TProjectFile::CopyResult::Complete);
    EXPECT_TRUE(prompt.shown().empty());
    // Not deleted, and not even written again.
    EXPECT_EQ(Inode(dir.text("Projects/Villa/FMTUNER.mpi")), tuner);
    EXPECT_EQ(fileContents(dir.text("Projects/Villa/FMTUNER.mpi")), "tuner");
    EXPECT_EQ(fileContents(dir.text("Projects/Villa/BDP.mpi")), "bdp");
    TProjectFile back;
    back.Load(target);
    EXPECT_EQ(back.Devices[0].ConfigFile, dir.text(alias + "/FMTUNER.mpi"));
    EXPECT_EQ(fileContents(back.Devices[0].ConfigFile), "tuner");
    // The source project itself is untouched.
    TProjectFile original;
    original.Load(source);
    EXPECT_EQ(original.Description, std::vector<Text>{"Villa"});
}

TEST_F(ProjectCopyTest, AProjectIsNotCopiedOntoItself)
{
    const Path alias = SecondName(dir, "Projects", "Villa");
    const std::string before = fileContents(source);
    for (const Path& target : {source, dir.text(alias + "/Villa.mpj")}) {
        prompt.clear();
        EXPECT_EQ(copy.CopyProject(source, target, prompt), TProjectFile::CopyResult::Failed);
        ASSERT_EQ(prompt.errors().size(), 1u);
        EXPECT_NE(prompt.errors()[0].find("not copied onto itself"), std::string::npos);
        EXPECT_EQ(fileContents(source), before);
    }
}

TEST_F(ProjectCopyTest, AFolderThatTakesNoFilesIsSaidOnce)
{
    // A file stands where the target's folder should be: no device file and no project can go
    // there. One message names the folder; none names a source.
    dir.write("Blocked", "a file");
    const Path target = dir.text("Blocked/Chalet/Chalet.mpj");
    EXPECT_EQ(copy.CopyProject(source, target, prompt), TProjectFile::CopyResult::Failed);
    ASSERT_EQ(prompt.errors().size(), 1u) << prompt.errors().back();
    EXPECT_NE(prompt.errors()[0].find(dir.text("Blocked/Chalet/")), std::string::npos) << prompt.errors()[0];
    EXPECT_EQ(prompt.errors()[0].find("FMTUNER"), std::string::npos) << prompt.errors()[0];
}

TEST_F(ProjectCopyTest, AReadOnlyFolderIsSaidOnce)
{
    ZR48_POSIX_ONLY("a folder's read-only attribute does not stop new files on Windows");
#ifndef _WIN32
    fs::create_directories(dir.path() / "ReadOnly");
    fs::permissions(dir.path() / "ReadOnly", fs::perms(0555));
    const Path target = dir.text("ReadOnly/Chalet.mpj");
    // As a user without the superuser's right to write into every folder: the result, then the
    // errors shown.
    const auto outcome = test::runUnprivilegedParts([&] {
        const bool failed = copy.CopyProject(source, target, prompt) == TProjectFile::CopyResult::Failed;
        std::vector<std::string> out{failed ? "failed" : "not failed"};
        for (const std::string& error : prompt.errors())
            out.push_back(error);
        return out;
    });
    fs::permissions(dir.path() / "ReadOnly", fs::perms(0755));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->at(0), "failed");
    const std::vector<std::string> errors(outcome->begin() + 1, outcome->end());
    ASSERT_EQ(errors.size(), 1u) << errors.size();
    EXPECT_NE(errors[0].find(dir.text("ReadOnly/")), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("Permission denied"), std::string::npos) << errors[0];
#endif
}

TEST_F(ProjectCopyTest, AMissingDeviceFileLeavesTheCopyIncomplete)
{
    fs::remove(dir.path() / "Devices" / "BDP.mpi");
    const Path target = dir.text("Projects/Chalet/Chalet.mpj");
    fs::create_directories(dir.path() / "Projects" / "Chalet");
    EXPECT_EQ(copy.CopyProject(source, target, prompt), TProjectFile::CopyResult::Incomplete);
    EXPECT_EQ(prompt.errors(), std::vector<std::string>{"Could not copy source file " + dir.text("Devices/BDP.mpi")});
    TProjectFile back;
    back.Load(target);
    EXPECT_EQ(back.Devices[9].DeviceType, 5);
    EXPECT_TRUE(back.Devices[9].ConfigFile.empty());
    EXPECT_EQ(fileContents(dir.text("Projects/Chalet/FMTUNER.mpi")), "tuner");
}

TEST(ProjectCopy, AMissingSourceGivesOnlyTheDescription)
{
    TempDir dir;
    ScriptedPrompt prompt;
    TProjectFile copy;
    const Text target = dir.text("New.mpj");
    EXPECT_EQ(copy.CopyProject("D:\\Gone\\Gone.mpj", target, prompt), TProjectFile::CopyResult::Complete);
    TProjectFile back;
    back.Load(target);
    EXPECT_EQ(back.Description, (std::vector<Text>{"*** Project copied from D:\\Gone\\Gone.mpj ***", ""}));
    for (const DEVICE_CONFIG& slot : back.Devices)
        EXPECT_EQ(slot.DeviceType, 0);
}

} // namespace
} // namespace zr48
