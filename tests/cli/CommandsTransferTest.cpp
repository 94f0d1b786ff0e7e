// zr48 download and zr48 upload against the simulated unit in virtual time; the card is kept in a
// file between the commands, as a user's runs keep it.

#include "CliHarness.h"
#include "base/FileIo.h"
#include "cli/Cli.h"
#include "project/ProjectFile.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace zr48::cli {
namespace {

class CommandsTransferTest : public testing::Test, public CliHarness {
protected:
    CommandsTransferTest()
    {
        const auto examples = std::filesystem::path(ZR48_EXAMPLES_DIR);
        std::filesystem::copy(examples / "projects" / "Villa", dir.path() / "Villa");
    }
    int run(Arguments arguments, const std::string& link = "")
    {
        out.str({});
        err.str({});
        prompt.clear();
        arguments.insert(arguments.begin(), {"--link", link.empty() ? "sim:" + arg("card.zr48") : link});
        return cli::run(environment, arguments);
    }
    std::string arg(std::string_view relative) const { return dir.text(relative); }
    static bool contains(const std::ostringstream& stream, std::string_view part)
    {
        return stream.str().find(part) != std::string::npos;
    }

    test::TempDir dir;
};

TEST_F(CommandsTransferTest, DownloadsAProjectVerifiesItAndUploadsItIntoANewProject)
{
    ASSERT_EQ(run({"download", arg("Villa/Villa.mpj"), "--verify"}), kExitOk) << err.str();
    EXPECT_TRUE(contains(out, "Compiled: " + arg("Villa/Villa.mpd"))) << out.str();
    EXPECT_TRUE(contains(out, "Download Finished. 24 sectors written in")) << out.str();
    EXPECT_TRUE(contains(out, "Verified: the 24 sectors on the card match the image.")) << out.str();
    EXPECT_TRUE(contains(err, "[########################]  24/24 sectors")) << err.str();
    EXPECT_TRUE(prompt.messages().empty());

    ASSERT_EQ(run({"upload", arg("Copy/Copy.mpj")}), kExitOk) << err.str();
    EXPECT_TRUE(contains(out, "Project written: " + arg("Copy/Copy.mpj") + " (7 devices, 7 device files)"))
        << out.str();
    EXPECT_TRUE(contains(err, "10/10 directory sectors")) << err.str();
    TProjectFile copy;
    copy.Load(dir.text("Copy/Copy.mpj"));
    EXPECT_EQ(copy.Slot(0).DeviceName, "Radio");
    EXPECT_EQ(readFileBytes(copy.Slot(0).ConfigFile), readFileBytes(dir.text("Villa/K73_FM_Tuner.mpi")));

    // An existing project is replaced only when asked to.
    EXPECT_EQ(run({"upload", arg("Copy/Copy.mpj")}), kExitFailed);
    EXPECT_TRUE(contains(err, "exists; add --force to replace it")) << err.str();
    EXPECT_EQ(run({"upload", "--force", arg("Copy/Copy.mpj")}), kExitOk) << err.str();

    // The written image downloads as it is.
    EXPECT_EQ(run({"download", arg("Copy/Copy.mpd")}), kExitOk) << err.str();
    EXPECT_FALSE(contains(out, "Compiled:"));
}

TEST_F(CommandsTransferTest, WrongArgumentsMissingFilesAndAbsentUnits)
{
    struct Case {
        Arguments arguments;
        std::string link;
        int exitCode;
        std::string error;
    };
    const std::string absent = "tty:/nonexistent/ttyZR48";
    const Case cases[] = {
        {{"download"}, "", kExitUsage, "Usage: zr48 download"},
        {{"download", "a.mpd", "b.mpd"}, "", kExitUsage, "Usage: zr48 download"},
        {{"download", "a.mpd", "--fast"}, "", kExitUsage, "Usage: zr48 download"},
        {{"download", "notes.txt"}, "", kExitUsage, "give a project file (.mpj) or an image file (.mpd)"},
        {{"download", arg("none.mpd")}, "", kExitFailed, "there is no image file"},
        {{"download", arg("none.mpj")}, "", kExitFailed, "there is no project file"},
        {{"download", arg("Villa/Villa.mpj")}, absent, kExitNoUnit, "no ZR48 found: "},
        {{"upload"}, "", kExitUsage, "Usage: zr48 upload"},
        {{"upload", arg("Copy/Copy.mpd")}, "", kExitUsage, "must end in .mpj"},
        {{"upload", arg("Copy/Copy.mpj")}, absent, kExitNoUnit, "no ZR48 found: "},
        // Folders where files are expected, and a card file that could never be saved.
        {{"download", arg("folder.mpd")}, "", kExitFailed, "is not an image file: it is a folder, not a file"},
        {{"download", arg("folder.mpj")}, "", kExitFailed, "is not a project file: it is a folder, not a file"},
        {{"upload", arg("folder.mpj")}, "", kExitUsage, "is a folder"},
        {{"download", arg("Villa/Villa.mpj")}, "sim:" + arg("nowhere/card.zr48"), kExitFailed, "does not exist"},
    };
    std::filesystem::create_directory(dir.path() / "folder.mpd");
    std::filesystem::create_directory(dir.path() / "folder.mpj");
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.arguments, c.link), c.exitCode) << c.arguments[0] << " " << err.str();
        EXPECT_TRUE(contains(err, c.error)) << err.str();
    }
}

TEST_F(CommandsTransferTest, AProjectThatDoesNotCompileAndADamagedImageFail)
{
    std::filesystem::remove(dir.path() / "Villa" / "LX-40_TV.mpi");
    EXPECT_EQ(run({"download", arg("Villa/Villa.mpj")}), kExitFailed);
    EXPECT_TRUE(contains(err, "nothing was written to the ZR48")) << err.str();
    ASSERT_FALSE(prompt.errors().empty());
    EXPECT_NE(prompt.errors()[0].find("LX-40_TV.mpi"), std::string::npos);

    dir.write("cut.mpd", std::string(514 + 10, '\0'));
    EXPECT_EQ(run({"download", arg("cut.mpd")}), kExitFailed);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("damaged"), std::string::npos);
    EXPECT_FALSE(contains(out, "Download Finished."));
}

} // namespace
} // namespace zr48::cli
