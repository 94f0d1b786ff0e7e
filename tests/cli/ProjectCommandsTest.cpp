#include "CliHarness.h"
#include "base/FileIo.h"
#include "cli/Cli.h"
#include "project/ProjectFile.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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
        p.Devices[9].DeviceName = "Blu-ray";
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
    ASSERT_EQ(run({"show", toUtf8(project)}), kExitOk);
    const std::string shown = out.str();
    EXPECT_NE(shown.find("  Café terrace\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  1  TERRACE\n"), std::string::npos);
    EXPECT_NE(shown.find("Slots (2 of 63 assigned):"), std::string::npos);
    EXPECT_NE(shown.find("DVD-2  Infrared (RC5)   Blu-ray  DVD     1,3      [PROJECT]\\BDP.mpi\n"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("unknown type 12"), std::string::npos);
    EXPECT_NE(shown.find("gone.mpi  (missing)"), std::string::npos);
    EXPECT_NE(shown.find("1 device file(s) missing."), std::string::npos);

    EXPECT_EQ(run({"show", toUtf8(dir.text("nothing.mpj"))}), kExitFailed);
    EXPECT_NE(prompt.errors().back().find("Cannot find the project file"), Text::npos);
}

TEST_F(ProjectCommandsTest, CopyProjectCreatesTheFolderAndAsksBeforeOverwriting)
{
    const Text target = dir.text("New/Place/Copy.mpj");
    ASSERT_EQ(run({"copy-project", toUtf8(project), toUtf8(target)}), kExitOk) << err.str();
    TProjectFile copy;
    copy.Load(target);
    EXPECT_EQ(copy.Devices[9].ConfigFile, dir.text("New/Place/BDP.mpi"));
    EXPECT_TRUE(fileExists(dir.text("New/Place/BDP.mpi")));
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Could not copy source file " + dir.text("Elsewhere/gone.mpi")});

    prompt.answer(Answer::No, "exists.\nOverwrite it?");
    EXPECT_EQ(run({"copy-project", toUtf8(project), toUtf8(target)}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: nothing copied\n");

    EXPECT_EQ(run({"copy-project", toUtf8(dir.text("missing.mpj")), toUtf8(target)}), kExitFailed);
    EXPECT_EQ(run({"copy-project", "one-argument.mpj"}), kExitUsage);
}

} // namespace
} // namespace zr48::cli
