// zr48 download and zr48 upload against the simulated unit in virtual time; the card is kept in a
// file between the commands, as a user's runs keep it.

#include "CliHarness.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/Cli.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"
#include "support/RandomBytes.h"
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
    EXPECT_TRUE(contains(out, "Image written: " + arg("Villa/Villa.mpd") + " (24 sectors, 12336 bytes)\n"))
        << out.str();
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
    EXPECT_FALSE(contains(out, "Image written:"));
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
        {{"download"}, "", kExitUsage, "zr48: usage: zr48 download"},
        {{"download", "a.mpd", "b.mpd"}, "", kExitUsage, "zr48: usage: zr48 download"},
        {{"download", "a.mpd", "--fast"}, "", kExitUsage, "zr48: usage: zr48 download"},
        {{"download", "notes.txt"}, "", kExitUsage, "give a project file (.mpj) or an image file (.mpd)"},
        {{"download", arg("none.mpd")}, "", kExitFailed, "there is no image file"},
        {{"download", arg("none.mpj")}, "", kExitFailed, "there is no project file"},
        {{"download", arg("Villa/Villa.mpj")}, absent, kExitNoUnit, "no ZR48 found: "},
        {{"upload"}, "", kExitUsage, "zr48: usage: zr48 upload"},
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

// Such a file would load as an empty project, and its image would empty the unit's card.
TEST_F(CommandsTransferTest, AFileThatIsNoProjectIsRefusedByEveryCommandAndNothingIsSent)
{
    ASSERT_EQ(run({"compile", arg("Villa/Villa.mpj")}), kExitOk);
    const std::string image = test::fileContents(arg("Villa/Villa.mpd"));
    const std::string random = test::randomBytes(5000, 11);
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } files[] = {
        {"x.mpj", random, "it holds binary data, not text (the byte 0x"},
        {"empty.mpj", "", "it has neither a [PROJECT] section nor a slot section such as [TUNER]\n"},
        {"card.mpj", image, "it holds binary data, not text (the byte 0x00 at offset 0)\n"},
        {"huge.mpj", std::string(9 * 1024 * 1024, 'x'), "it is larger than 8 MiB, which no project file is\n"},
    };
    for (const auto& f : files) {
        const Path path = dir.write(f.name, f.bytes);
        for (const Arguments& command : {Arguments{"download", path}, Arguments{"compile", path},
                                         Arguments{"show", path}, Arguments{"copy-project", path, arg("C/C.mpj")}}) {
            SCOPED_TRACE(command[0] + " " + f.name);
            EXPECT_EQ(run(command), kExitFailed);
            EXPECT_EQ(err.str().rfind("zr48: '" + path + "' is not a project file: " + f.reason, 0), 0u) << err.str();
            EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();
            EXPECT_TRUE(out.str().empty()) << out.str();
        }
        EXPECT_FALSE(fileExists(changeFileExt(path, ".mpd")));
    }
#ifndef _WIN32
    // A device that never ends is not read at all.
    EXPECT_EQ(run({"download", "/dev/zero.mpj"}), kExitFailed);
    std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.mpj");
    EXPECT_EQ(run({"show", arg("zero.mpj")}), kExitFailed);
    EXPECT_TRUE(contains(err, "is not a project file: it is not a regular file")) << err.str();
#endif
    EXPECT_FALSE(fileExists(arg("card.zr48"))) << "the unit was asked for";
    EXPECT_FALSE(fileExists(arg("C/C.mpj")));
}

TEST_F(CommandsTransferTest, AProjectWithoutDevicesIsDownloadedOnlyWhenConfirmed)
{
    const Path empty = dir.write("Empty.mpj", "[PROJECT]\r\nDESCRIPTION_0=nothing yet\r\n");
    prompt.answer(Answer::No, "assigns no device to any slot");
    EXPECT_EQ(run({"download", empty}), kExitFailed);
    EXPECT_TRUE(contains(err, "zr48: nothing was written to the ZR48\n")) << err.str();
    EXPECT_FALSE(fileExists(arg("card.zr48"))) << "the unit was asked for";

    prompt.answer(Answer::Yes, "Write it to the ZR48 anyway?");
    EXPECT_EQ(run({"download", empty}), kExitOk) << err.str();
    EXPECT_EQ(run({"download", "--force", arg("Empty.mpd")}), kExitOk) << err.str(); // no question
    EXPECT_TRUE(fileExists(arg("card.zr48")));
}

TEST_F(CommandsTransferTest, AProjectThatDoesNotCompileIsNotWritten)
{
    std::filesystem::remove(dir.path() / "Villa" / "LX-40_TV.mpi");
    EXPECT_EQ(run({"download", arg("Villa/Villa.mpj")}), kExitFailed);
    EXPECT_TRUE(contains(err, "nothing was written to the ZR48")) << err.str();
    ASSERT_FALSE(prompt.errors().empty());
    EXPECT_NE(prompt.errors()[0].find("LX-40_TV.mpi"), std::string::npos);
    EXPECT_FALSE(fileExists(dir.text("card.zr48")));
}

TEST_F(CommandsTransferTest, ADamagedImageIsRefusedBeforeTheUnitIsAskedForUnlessForced)
{
    ASSERT_EQ(run({"compile", arg("Villa/Villa.mpj")}), kExitOk);
    const Bytes image = readFileBytes(dir.text("Villa/Villa.mpd"));
    const struct {
        const char* name;
        std::string bytes;
        const char* problem;
    } cases[] = {
        {"cut.mpd", std::string(image.begin(), image.end() - 100), "the file ends with 414 bytes of a cut-off sector"},
        {"five.mpd", std::string(image.begin(), image.begin() + 5 * 514), "directory sector 5 is missing"},
    };
    for (const auto& c : cases) {
        const Text path = dir.write(c.name, c.bytes);
        EXPECT_EQ(run({"download", toUtf8(path)}), kExitFailed) << c.name;
        EXPECT_EQ(err.str(), "zr48: The image file \"" + toUtf8(path) + "\" is damaged: " + c.problem +
                                 ".\nzr48: nothing was written to the ZR48; add --force to write it anyway\n");
        EXPECT_FALSE(fileExists(dir.text("card.zr48"))) << "the simulated unit was made";
    }
    // An empty file is no image at all: --force does not write it either.
    const Text empty = dir.write("empty.mpd", "");
    EXPECT_EQ(run({"download", "--force", toUtf8(empty)}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: '" + toUtf8(empty) + "' is not an image file: it is empty\n");
    EXPECT_FALSE(fileExists(dir.text("card.zr48")));

    EXPECT_EQ(run({"download", arg("five.mpd"), "--force"}), kExitOk) << err.str();
    EXPECT_TRUE(contains(out, "Download Finished. 5 sectors written in")) << out.str();
    EXPECT_TRUE(prompt.messages().empty());
}

// upload --force over a project: the names it writes are checked before the card is read, and the
// old project stays whole.
TEST_F(CommandsTransferTest, UploadChecksWhatItWritesBeforeItReadsTheCard)
{
    ASSERT_EQ(run({"download", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    const Path project = dir.write("Up/Up.mpj", "[PROJECT]\r\nDESCRIPTION_0=the old one\r\n");
    std::filesystem::create_directory(dir.path() / "Up" / "Up_1.mpi");
    EXPECT_EQ(run({"upload", "--force", project}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: the uploaded project cannot be written: \"" + arg("Up/Up_1.mpi") +
                             "\" is a folder, where the upload writes a file\nzr48: nothing was read from the ZR48\n");
    EXPECT_EQ(test::fileContents(project), "[PROJECT]\r\nDESCRIPTION_0=the old one\r\n");
    EXPECT_FALSE(fileExists(arg("Up/Up.mpd")));
    EXPECT_FALSE(fileExists(arg("Up/Up.partial.mpd")));

    std::filesystem::remove(dir.path() / "Up" / "Up_1.mpi");
    EXPECT_EQ(run({"upload", "--force", project}), kExitOk) << err.str();
    EXPECT_TRUE(contains(out, "(7 devices, 7 device files)")) << out.str();
}

TEST_F(CommandsTransferTest, UploadVerifiesAndSaysWhereAnUploadThatStoppedKeptItsSectors)
{
    ASSERT_EQ(run({"download", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    ASSERT_EQ(run({"upload", arg("Copy/Copy.mpj"), "--verify"}), kExitOk) << err.str();
    EXPECT_TRUE(contains(out, "(every sector read twice; 0 read again until two reads agreed).")) << out.str();
    EXPECT_TRUE(contains(out, "(7 devices, 7 device files)")) << out.str();

    // Ctrl-C: the upload ends as Cancel ends it and keeps what it has read.
    bool taken = false;
    EXPECT_EQ(withCtrlCPending([&] { return run({"upload", arg("Stopped/Stopped.mpj")}); }, taken), kExitFailed);
    EXPECT_TRUE(taken); // as the upload's
    // Noticed before the first sector came in (time is virtual here).
    EXPECT_TRUE(contains(err, "zr48: upload interrupted; no sector was read, so nothing was kept\n")) << err.str();
    EXPECT_FALSE(fileExists(dir.text("Stopped/Stopped.mpd"))); // no empty file either
    EXPECT_FALSE(fileExists(dir.text("Stopped/Stopped.mpj")));

    // A directory sector that fails its check: the sectors before it stay in the image.
    Bytes card = readFileBytes(dir.text("card.zr48"));
    Bytes bad(514, 0);
    bad[0] = 4; // sector 4, slot 2 of it: an area that runs past the card's last sector
    bad[2 + 128] = 1;
    bad[2 + 128 + 2] = 0xE8;
    bad[2 + 128 + 3] = 0xFD;
    bad[2 + 128 + 4] = 0x58;
    bad[2 + 128 + 5] = 0x02;
    card.insert(card.end(), bad.begin(), bad.end());
    writeFileAtomically(dir.text("card.zr48"), card);
    EXPECT_EQ(run({"upload", arg("Bad/Bad.mpj")}), kExitFailed);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unknown data format. (Error code 3)"});
    EXPECT_TRUE(contains(err, "zr48: the 5 sectors read are kept in '" + arg("Bad/Bad.partial.mpd") +
                                  "' (not unpacked into a project)\n"))
        << err.str();
}

// The image file is replaced only by a complete image that passes its check.
TEST_F(CommandsTransferTest, AnUploadThatStopsOrFailsItsCheckKeepsTheEarlierImageAndSaysWhatItKept)
{
    ASSERT_EQ(run({"download", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    ASSERT_EQ(run({"upload", arg("Up/Up.mpj")}), kExitOk) << err.str();
    const std::string complete = test::fileContents(arg("Up/Up.mpd"));

    // Stopped part of the way, as Ctrl-C stops it: asked between timers.
    int asked = 0;
    environment.defaults.interrupted = [&asked] { return ++asked > 200; };
    EXPECT_EQ(run({"upload", "--force", arg("Up/Up.mpj")}), kExitFailed);
    environment.defaults.interrupted = {};
    const SectorImage partial = ReadSectorImage(arg("Up/Up.partial.mpd"));
    ASSERT_FALSE(partial.Records.empty());
    EXPECT_LT(partial.Records.size(), complete.size() / 514);
    EXPECT_TRUE(contains(err, "zr48: upload interrupted; the " + std::to_string(partial.Records.size()) +
                                  " sectors read so far are kept in '" + arg("Up/Up.partial.mpd") +
                                  "' (not unpacked into a project)\nzr48: '" + arg("Up/Up.mpd") + "' and '" +
                                  arg("Up/Up.mpj") + "' with its device files are as they were before the upload\n"))
        << err.str();
    EXPECT_EQ(test::fileContents(arg("Up/Up.mpd")), complete);

    // A device file whose checksum fails on the card itself: read again, and refused.
    Bytes card = readFileBytes(arg("card.zr48"));
    for (std::size_t at = 0; at < card.size(); at += 514)
        if (card[at] == 16 && card[at + 1] == 0)
            card[at + 2 + 100] ^= 1;
    writeFileAtomically(arg("card.zr48"), card);
    EXPECT_EQ(run({"upload", arg("Damaged/Damaged.mpj")}), kExitFailed);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_TRUE(prompt.errors()[0].starts_with("Upload failed.\nThe image read from the card fails its check: the "
                                               "checksum of the device file of slot TUNER is not valid."))
        << prompt.errors()[0];
    EXPECT_TRUE(contains(err, "zr48: the 154 sectors read are kept in '" + arg("Damaged/Damaged.partial.mpd") + "'"))
        << err.str();
    EXPECT_FALSE(fileExists(arg("Damaged/Damaged.mpj")));
    // With --force the card is unpacked as it is.
    EXPECT_EQ(run({"upload", "--force", arg("Damaged/Damaged.mpj")}), kExitOk) << err.str();
    EXPECT_TRUE(fileExists(arg("Damaged/Damaged.mpj")));
    EXPECT_EQ(test::fileContents(arg("Up/Up.mpd")), complete);
}

} // namespace
} // namespace zr48::cli
