#include "CliHarness.h"
#include "base/FileIo.h"
#include "cli/Cli.h"
#include "project/ProjectFile.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace zr48::cli {
namespace {

class ProjectCommandsTest : public testing::Test, public CliHarness {
protected:
    ProjectCommandsTest()
    {
        TProjectFile p;
        p.Description = {"Caf\xE9 terrace"};
        p.ProjectInfo = {"TERRACE"};
        p.Devices[9].DeviceType = 5;
        p.Devices[9].DeviceName = "Blu-ray K\xFC";
        p.Devices[9].SourceSelect = 2;
        p.Devices[9].OptionList = "101";
        p.Devices[9].ConfigFile = dir.write("Terrace/BDP.mpi", "NAME=BDP");
        p.Devices[14].DeviceType = 12; // edited by hand: outside the table
        p.Devices[14].ConfigFile = dir.text("Elsewhere/gone.mpi");
        project = dir.text("Terrace/Terrace.mpj");
        p.Save(project);
    }

    int run(Arguments arguments)
    {
        out.str({});
        err.str({});
        return cli::run(environment, arguments);
    }

    test::TempDir dir;
    Text project;
};

TEST_F(ProjectCommandsTest, ShowListsTheProjectAndFlagsMissingDeviceFiles)
{
    ASSERT_EQ(run({"show", project}), kExitOk);
    const std::string shown = out.str();
    EXPECT_NE(shown.find("  Café terrace\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  1  TERRACE\n"), std::string::npos);
    EXPECT_NE(shown.find("Slots (2 of 63 assigned):"), std::string::npos);
    // Columns line up by characters: "ü" is one, though two bytes on the terminal.
    EXPECT_NE(shown.find("  SLOT   TYPE             NAME        SOURCE  OPTIONS  DEVICE FILE\n"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("  DVD-2  Infrared (RC5)   Blu-ray Kü  DVD     1,3      [PROJECT]/BDP.mpi\n"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("unknown type 12"), std::string::npos);
    EXPECT_NE(shown.find("gone.mpi  (missing)"), std::string::npos);
    EXPECT_NE(shown.find("1 device file(s) missing."), std::string::npos);

    EXPECT_EQ(run({"show", dir.text("nothing.mpj")}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: there is no project file '" + dir.text("nothing.mpj") + "'\n");
}

TEST_F(ProjectCommandsTest, ShowAndCopyProjectSayWhenAFolderIsGivenForAProject)
{
    const std::string folder =
        "zr48: '" + dir.text("Terrace") + "' is not a project file: it is a folder, not a file\n";
    EXPECT_EQ(run({"show", dir.text("Terrace")}), kExitFailed);
    EXPECT_EQ(err.str(), folder);
    EXPECT_EQ(run({"copy-project", dir.text("Terrace"), dir.text("New/Copy.mpj")}), kExitFailed);
    EXPECT_EQ(err.str(), folder);
    EXPECT_FALSE(fileExists(dir.text("New/Copy.mpj")));

    prompt.clear();
    EXPECT_EQ(run({"copy-project", project, dir.text("Terrace")}), kExitFailed);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("is a folder"), std::string::npos) << prompt.errors()[0];
    EXPECT_FALSE(fileExists(dir.text("Terrace/Terrace.mpj/BDP.mpi")));
}

TEST_F(ProjectCommandsTest, CopyProjectCreatesTheFolderAndAsksBeforeOverwriting)
{
    dir.write("Elsewhere/gone.mpi", "NAME=back");
    const Path target = dir.text("New/Place/Copy.mpj");
    ASSERT_EQ(run({"copy-project", project, target}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Copied " + project + " to " + target + "\n");
    TProjectFile copy;
    copy.Load(target);
    EXPECT_EQ(copy.Devices[9].ConfigFile, dir.text("New/Place/BDP.mpi"));
    EXPECT_TRUE(fileExists(dir.text("New/Place/BDP.mpi")));
    EXPECT_TRUE(fileExists(dir.text("New/Place/gone.mpi")));
    EXPECT_TRUE(prompt.errors().empty());

    prompt.answer(Answer::No, "exists.\nOverwrite it?");
    EXPECT_EQ(run({"copy-project", project, target}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: nothing copied\n");

    EXPECT_EQ(run({"copy-project", dir.text("missing.mpj"), target}), kExitFailed);
    EXPECT_EQ(run({"copy-project", "one-argument.mpj"}), kExitUsage);
}

TEST_F(ProjectCommandsTest, CopyProjectFailsWhenADeviceFileIsNotCopied)
{
    // The device file of slot 14 does not exist: the project is written, but the command says so.
    const Path target = dir.text("New/Copy.mpj");
    EXPECT_EQ(run({"copy-project", project, target}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("not every device file"), std::string::npos) << err.str();
    EXPECT_EQ(prompt.errors(),
              std::vector<std::string>{"Could not copy source file " + dir.text("Elsewhere/gone.mpi")});
    EXPECT_TRUE(fileExists(target));
    EXPECT_TRUE(fileExists(dir.text("New/BDP.mpi")));
}

TEST_F(ProjectCommandsTest, CopyProjectIntoItsOwnFolderUnderAnotherNameKeepsEveryFile)
{
    dir.write("Elsewhere/gone.mpi", "NAME=back");
    std::filesystem::create_directory_symlink(dir.path() / "Terrace", dir.path() / "Alias");
    const Path target = dir.text("Alias/Copy.mpj");
    ASSERT_EQ(run({"copy-project", project, target}), kExitOk) << err.str();
    EXPECT_EQ(readFileBytes(dir.text("Terrace/BDP.mpi")), readFileBytes(dir.write("expected", "NAME=BDP")));
    TProjectFile copy;
    copy.Load(target);
    EXPECT_EQ(copy.Devices[9].ConfigFile, dir.text("Alias/BDP.mpi"));

    // The project itself, under its other name, is not copied onto itself.
    const auto before = readFileBytes(project);
    EXPECT_EQ(run({"copy-project", project, dir.text("Alias/Terrace.mpj")}), kExitFailed);
    EXPECT_NE(prompt.errors().back().find("not copied onto itself"), std::string::npos);
    EXPECT_EQ(err.str(), "zr48: nothing copied\n");
    EXPECT_EQ(readFileBytes(project), before);
}

TEST_F(ProjectCommandsTest, CopyProjectIntoAReadOnlyFolderNamesItOnce)
{
    dir.write("Elsewhere/gone.mpi", "NAME=back");
    std::filesystem::create_directories(dir.path() / "ReadOnly");
    std::filesystem::permissions(dir.path() / "ReadOnly", std::filesystem::perms(0555));
    // As a user without the superuser's right to write into every folder: the exit status, the
    // terminal's error text and the errors shown.
    const auto parts = test::runUnprivilegedParts([&] {
        std::vector<std::string> result{std::to_string(run({"copy-project", project, dir.text("ReadOnly/Copy.mpj")}))};
        result.push_back(err.str());
        for (const std::string& error : prompt.errors())
            result.push_back(error);
        return result;
    });
    std::filesystem::permissions(dir.path() / "ReadOnly", std::filesystem::perms(0755));
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 3u); // status, terminal text, exactly one error
    EXPECT_EQ((*parts)[0], std::to_string(kExitFailed));
    EXPECT_EQ((*parts)[1], "zr48: nothing copied\n");
    EXPECT_NE((*parts)[2].find(dir.text("ReadOnly/")), std::string::npos) << (*parts)[2];
    EXPECT_EQ((*parts)[2].find("BDP"), std::string::npos) << (*parts)[2];
}

} // namespace
} // namespace zr48::cli
