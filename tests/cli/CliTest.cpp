#include "cli/Cli.h"
#include "CliHarness.h"
#include "base/Version.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zr48::cli {
namespace {

class CliTest : public testing::Test {
protected:
    int run(Arguments arguments)
    {
        out.str({});
        err.str({});
        return cli::run(environment, arguments);
    }

    std::ostringstream out;
    std::ostringstream err;
    test::ScriptedPrompt prompt;
    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{"/home/ann/ZR48 Projects/", "/db/", false, false, 10, 20}};
    std::optional<bool> answerAll;
    Environment environment{out, err, prompt, settings, [this](bool yes) { answerAll = yes; }};
};

TEST_F(CliTest, VersionIsTheBuildsVersion)
{
    EXPECT_EQ(run({"--version"}), kExitOk);
    EXPECT_EQ(out.str(), std::string("zr48 ") + kVersion + "\n");
}

TEST_F(CliTest, HelpListsEveryCommand)
{
    EXPECT_EQ(run({"--help"}), kExitOk);
    for (const Command& c : commands())
        EXPECT_NE(out.str().find(std::string("  ") + c.name), std::string::npos) << c.name;
    EXPECT_EQ(run({"help", "settings"}), kExitOk);
    EXPECT_NE(out.str().find("Usage: zr48 settings [NAME VALUE]"), std::string::npos);
}

TEST_F(CliTest, EveryCommandShowsItsHelpWithHelpAfterIt)
{
    for (const Command& c : commands()) {
        for (const char* help : {"--help", "-h"}) {
            EXPECT_EQ(run({c.name, "some.file", help}), kExitOk) << c.name;
            EXPECT_TRUE(out.str().starts_with(std::string("Usage: zr48 ") + c.name)) << out.str();
            EXPECT_NE(out.str().find(c.summary), std::string::npos) << c.name;
            EXPECT_EQ(err.str(), "");
        }
        EXPECT_EQ(run({"help", c.name}), kExitOk);
        const std::string fromHelp = out.str();
        EXPECT_EQ(run({c.name, "--help"}), kExitOk);
        EXPECT_EQ(out.str(), fromHelp);
    }
    // A subcommand's help is its own; the command's shows every subcommand.
    EXPECT_EQ(run({"ir", "capture", "--help"}), kExitOk);
    EXPECT_TRUE(out.str().starts_with("Usage: zr48 ir capture OUT.bin\n")) << out.str();
    EXPECT_EQ(out.str().find("ir optimize"), std::string::npos);
    EXPECT_EQ(run({"help", "ir", "optimise"}), kExitOk);
    EXPECT_TRUE(out.str().starts_with("Usage: zr48 ir optimise FILE.mpi")) << out.str();
    EXPECT_EQ(run({"ir", "--help"}), kExitOk);
    for (const char* sub : {"zr48 ir capture OUT.bin", "zr48 ir analyse CAPTURE.bin", "zr48 ir optimize FILE.mpi"})
        EXPECT_NE(out.str().find(sub), std::string::npos) << sub;
}

TEST(CliMessages, EveryLineOnStandardErrorBeginsWithTheCommandsName)
{
    test::TempDir dir;
    const std::string missing = toUtf8(dir.text("missing"));
    const std::string absent = "tty:/nonexistent/ttyZR48";
    const Arguments cases[] = {
        {"frobnicate"},
        {"--bogus", "help"},
        {"--link"},
        {"--link", "carrier-pigeon", "sector", "1"},
        {"help", "frobnicate"},
        {"settings", "Colour", "red"},
        {"show"},
        {"show", missing + ".mpj", "x"},
        {"copy-project", "a.mpj"},
        {"compile"},
        {"compile", missing + ".mpj"},
        {"unpack", "a.mpd", "b.mpd"},
        {"inspect"},
        {"status", "now"},
        {"--link", absent, "status"},
        {"download"},
        {"download", "notes.txt"},
        {"download", missing + ".mpd"},
        {"download", toUtf8(dir.write("empty.mpd", "")), "--verify"},
        {"upload", "x.mpd"},
        {"--link", absent, "upload", missing + ".mpj"},
        {"firmware"},
        {"firmware", toUtf8(dir.write("empty.bin", ""))},
        {"version", missing + ".bin"},
        {"--link", absent, "version"},
        {"display", "--frame"},
        {"sector", "abc"},
        {"ir"},
        {"ir", "scope"},
        {"ir", "optimize", "x.mpi", "--fast"},
        {"ir", "analyse", "x.bin", "5"},
        {"list", "now"},
        {"dump-card"},
        {"dump-card", missing + ".mpd", "9-1"},
        {"--link", absent, "dump-card", missing + ".mpd", "0-9"},
        {"--link", absent, "download", "-n", toUtf8(dir.write("empty2.mpd", ""))},
        {"ir", "optimize", "x.mpi", "-o"},
        {"status", "--json", "--link", absent},
        // Failures whose reasons come from the system on a line of their own.
        {"--link", "sim", "dump-card", missing + "/x.mpd", "0-1"},
        {"--link", "sim", "display", "--png", missing + "/x.png"},
        {"--link", "sim", "ir", "capture", missing + "/x.bin"},
        // Options without a command.
        {"--link", "sim"},
        // Names with a line break or an escape sequence are shown escaped, never raw.
        {"show", toUtf8(dir.write("two\nlines.mpj", "not a project"))},
        {"download", toUtf8(dir.text("gone\n\x1B[2J.mpd"))},
        {"compile", toUtf8(dir.text("gone\nproject.mpj"))},
        {"upload", toUtf8(dir.text("new\nproject.mpd"))},
        {"frobnicate\nnow"},
    };
    for (const Arguments& arguments : cases) {
        CliHarness cli;
        EXPECT_NE(cli.runCli(arguments), kExitOk) << arguments[0];
        const std::string err = cli.err.str();
        EXPECT_FALSE(err.empty()) << arguments[0];
        std::istringstream lines(err);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_TRUE(line.starts_with("zr48: ")) << "'" << line << "' of " << arguments[0];
            EXPECT_EQ(line.find('\x1B'), std::string::npos) << line;
        }
    }
}

TEST(CliMessages, OptionsWithoutACommandSayThatTheCommandIsMissing)
{
    CliHarness cli;
    EXPECT_EQ(cli.runCli({"--link", "sim"}), kExitUsage);
    EXPECT_EQ(cli.err.str(), "zr48: no command given after the options (such as 'zr48 --link sim status'); 'zr48 "
                             "--help' lists the commands\n");
    EXPECT_EQ(cli.runCli({"show", "a\nb.mpj"}), kExitFailed);
    EXPECT_EQ(cli.err.str(), "zr48: there is no project file 'a\\nb.mpj'\n");
}

TEST_F(CliTest, WrongUsageIsReportedWithItsOwnStatus)
{
    const struct {
        Arguments arguments;
        const char* message;
    } cases[] = {
        {{}, "Usage:"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"--bogus", "help"}, "unknown option '--bogus'"},
        {{"--link"}, "--link needs a value"},
        {{"settings", "Colour", "red"}, "no setting named 'Colour'"},
        {{"settings", "Expert", "2"}, "Expert takes 0 or 1"},
        {{"settings", "IrOptimizerPass1", "101"}, "takes a whole number from 0 to 100"},
        {{"settings", "IrOptimizerPass1", "1x"}, "takes a whole number from 0 to 100"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments), kExitUsage);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
}

TEST_F(CliTest, GlobalOptionsComeBeforeTheCommand)
{
    EXPECT_EQ(run({"--link", "sim", "--yes", "settings"}), kExitOk);
    EXPECT_EQ(answerAll, true);
    EXPECT_EQ(run({"--no", "--link=tty:/dev/pts/3", "settings"}), kExitOk);
    EXPECT_EQ(answerAll, false);
}

TEST_F(CliTest, SettingsShowsDefaultsAndStoresNewValues)
{
    EXPECT_EQ(run({"settings"}), kExitOk);
    EXPECT_NE(out.str().find("ProjectDir        /home/ann/ZR48 Projects/\n"), std::string::npos);
    EXPECT_NE(out.str().find("IrOptimizerPass2  20\n"), std::string::npos);

    EXPECT_EQ(run({"settings", "Database", "/srv/Проект/"}), kExitOk);
    EXPECT_EQ(run({"settings", "ProjectDir", "/home/ann/Caf\xE9/"}), kExitOk); // no UTF-8: kept too
    EXPECT_EQ(run({"settings", "Advanced", "1"}), kExitOk);
    EXPECT_EQ(run({"settings", "IrOptimizerPass1", "0"}), kExitOk);
    EXPECT_EQ(settings.database(), "/srv/Проект/"); // paths are stored as they are
    EXPECT_EQ(settings.projectDir(), "/home/ann/Caf\xE9/");
    EXPECT_TRUE(settings.advanced());
    EXPECT_EQ(settings.irOptimizerPass1(), 0);
    EXPECT_EQ(run({"settings"}), kExitOk);
    EXPECT_NE(out.str().find("Database          /srv/Проект/\n"), std::string::npos);
    EXPECT_NE(out.str().find("ProjectDir        /home/ann/Caf\xE9/\n"), std::string::npos);
}

} // namespace
} // namespace zr48::cli
