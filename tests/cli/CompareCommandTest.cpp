// zr48 compare against the simulated unit in virtual time, the card kept in a file between the
// commands: the verdict, the one line that names a change, JSON, and the exit statuses.

#include "CliHarness.h"
#include "sim/SimulatedDriver.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace zr48::cli {
namespace {

class CompareCommandTest : public testing::Test, public CliHarness {
protected:
    CompareCommandTest()
    {
        std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
    }
    int run(Arguments arguments, const std::string& link = "")
    {
        prompt.clear();
        arguments.insert(arguments.begin(), {"-q", "--link", link.empty() ? "sim:" + dir.text("card.zr48") : link});
        return runCli(arguments);
    }
    // The lines of standard output.
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        std::istringstream text(out.str());
        for (std::string line; std::getline(text, line);)
            result.push_back(line);
        return result;
    }
    // Changes one duration of the amplifier's power key, which the AUDIO slot holds.
    void changeOneKey()
    {
        const std::string path = dir.text("Villa/AX-200_Amplifier.mpi");
        std::string content = test::fileContents(path);
        const std::size_t at = content.find("#4507#565#");
        ASSERT_NE(at, std::string::npos);
        content.replace(at, 10, "#4507#566#");
        std::ofstream(path, std::ios::binary) << content;
    }

    test::TempDir dir;
};

TEST_F(CompareCommandTest, AfterADownloadTheUnitHoldsVillaAndOneChangedKeyIsNamedInItsSlot)
{
    const std::string villa = dir.text("Villa/Villa.mpj");
    ASSERT_EQ(run({"download", villa}), kExitOk) << err.str();

    ASSERT_EQ(run({"compare", villa}), 0) << err.str();
    const std::vector<std::string> same = {
        "TUNER     same", "DVD       same", "TV        same", "SERVER    same",
        "SAT       same", "AUDIO     same", "LIGHT     same", "The ZR48 holds this project."};
    EXPECT_EQ(lines(), same);

    changeOneKey();
    ASSERT_EQ(run({"compare", villa}), 1) << err.str();
    std::vector<std::string> changed = same;
    changed[5] = "AUDIO     device file \"AX-200_Amplifier\" differs: IR_POWER changed";
    changed[7] = "The ZR48 differs from this project in 1 place.";
    EXPECT_EQ(lines(), changed);
    EXPECT_TRUE(prompt.messages().empty());

    ASSERT_EQ(run({"compare", "--json", villa}), 1) << err.str();
    const auto json = nlohmann::json::parse(out.str());
    EXPECT_EQ(json["same"], false);
    EXPECT_EQ(json["differences"], 1);
    ASSERT_EQ(json["slots"].size(), 7u);
    const auto& audio = json["slots"][5];
    EXPECT_EQ(audio["slot"], "AUDIO");
    EXPECT_EQ(audio["state"], "differs");
    EXPECT_EQ(audio["differences"], nlohmann::json::array({"deviceFile"}));
    EXPECT_EQ(audio["unit"]["deviceName"], "Amplifier");
    EXPECT_EQ(json["slots"][3]["project"]["deviceTypeName"], "K20/K22 Server");
    EXPECT_EQ(json["menuLines"][0]["unit"], "VILLA SONNENHANG");
}

TEST_F(CompareCommandTest, NoVerdictWithoutAUnitAndClearStatusesForWrongInput)
{
    const std::string villa = dir.text("Villa/Villa.mpj");
    std::filesystem::create_directory(dir.path() / "folder.mpj");
    struct Case {
        Arguments arguments;
        std::string link;
        int exitCode;
        std::string error;
    };
    const Case cases[] = {
        {{"compare"}, "", kExitUsage, "zr48: usage: zr48 compare PROJECT.mpj"},
        {{"compare", "Villa.mpd"}, "", kExitUsage, "give a project file (.mpj)"},
        {{"compare", dir.text("none.mpj")}, "", 3, "there is no project file"},
        {{"compare", dir.text("folder.mpj")}, "", 3, "is not a project file: it is a folder"},
        {{"compare", villa}, "tty:/nonexistent/ttyZR48", kExitNoUnit, "no ZR48 found: "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.arguments, c.link), c.exitCode) << c.arguments.back() << " " << err.str();
        EXPECT_NE(err.str().find(c.error), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }

    // A unit that answers at first and then falls silent: a failure to read, no verdict.
    ASSERT_EQ(run({"download", villa}), kExitOk) << err.str();
    environment.defaults.simulatedUnitReady = [](SimulatedUnit& unit) { unit.unit.faults().silent = true; };
    EXPECT_EQ(run({"compare", villa}), kExitNoUnit);
    EXPECT_EQ(out.str(), "");
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("Compare failed."), std::string::npos);
}

} // namespace
} // namespace zr48::cli
