// zr48 report as PDF (through Qt's writer, read back with pdftotext) and HTML, and the report of
// zr48 ir optimize: every assigned slot and every key is there, Windows-1252 names and Cyrillic
// file names as their characters; the optimizer's report changes nothing it writes.

#include "CliHarness.h"
#include "base/qtgui/PdfFile.h"
#include "support/PdfText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace zr48::cli {
namespace {

class ReportCommandsTest : public testing::Test, public CliHarness {
protected:
    ReportCommandsTest()
    {
        environment.defaults.writePdf = writeHtmlAsPdf;
        std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
        // A second project: device files named in Cyrillic, device names and lines in Windows-1252.
        const std::string cyrillic = "\xD0\x9A\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F"; // Кухня
        dir.write("Haus/" + cyrillic + ".mpi", "DEVICE=6\r\nIR_\xC4NDERN=\"#560\"\r\nIR_LEISER=\"#1690\"\r\n");
        dir.write("Haus/Haus.mpj", "[PROJECT]\r\nPATH=" + dir.text("Haus/") +
                                       "\r\nDESCRIPTION_0=Wohnung M\xFCller\r\nPROJECTINFO_0=FAMILIE M\xDCLLER\r\n\r\n"
                                       "[AUDIO-3]\r\nDEVICE_TYPE=6\r\nDEVICE_NAME=K\xFC"
                                       "che\r\nK73_SELECT=2\r\n"
                                       "CONFIG_FILE=" +
                                       dir.text("Haus/" + cyrillic + ".mpi") + "\r\nOPTION_LIST=\r\n\r\n");
    }
    int run(const Arguments& arguments)
    {
        prompt.clear();
        return runCli(arguments);
    }

    test::TempDir dir;
};

// What a report of each project must show: every assigned slot's name and every key.
const std::vector<std::pair<std::string, std::vector<std::string>>> kProjects = {
    {"Villa/Villa.mpj",
     {"TUNER",
      "DVD",
      "TV",
      "SERVER",
      "SAT",
      "AUDIO",
      "LIGHT",
      "POWER",
      "PLAY",
      "STOP",
      "PAUSE",
      "NEXT",
      "PREV",
      "VOL_UP",
      "VOL_DOWN",
      "MUTE",
      "HDMI1",
      "HDMI2",
      "INPUT",
      "VILLA SONNENHANG",
      "Feller BEAMIT\xC2\xAE",
      "AX-200_Amplifier.mpi",
      "Villa Sonnenhang, ground floor"}},
    {"Haus/Haus.mpj",
     {"AUDIO-3", "\xC3\x84NDERN", "LEISER",
      "K\xC3\xBC"
      "che",
      "FAMILIE M\xC3\x9CLLER", "Wohnung M\xC3\xBCller", "\xD0\x9A\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F.mpi"}},
};

TEST_F(ReportCommandsTest, PdfAndHtmlHoldEverySlotAndEveryKey)
{
    for (const auto& [project, parts] : kProjects) {
        const std::string pdf = dir.text("report.pdf");
        const std::string html = dir.text("report.html");
        ASSERT_EQ(run({"report", dir.text(project), "-o", pdf}), kExitOk) << err.str();
        EXPECT_NE(out.str().find("Report written: " + pdf), std::string::npos) << out.str();
        ASSERT_EQ(run({"report", dir.text(project), "--output=" + html}), kExitOk) << err.str();
        const std::string htmlText = test::fileContents(html);
        const std::optional<std::string> pdfContent = test::pdfWords(pdf);
        if (!pdfContent)
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        for (const std::string& part : parts) {
            EXPECT_NE(pdfContent->find(part), std::string::npos) << project << ": " << part << " not in the PDF";
            EXPECT_NE(htmlText.find(part), std::string::npos) << project << ": " << part << " not in the HTML";
        }
    }
}

TEST_F(ReportCommandsTest, WrongOutputsAndABuildWithoutPdf)
{
    EXPECT_EQ(run({"report", dir.text("Villa/Villa.mpj"), "-o", dir.text("report.doc")}), kExitUsage);
    EXPECT_NE(err.str().find("written as FILE.pdf or FILE.html"), std::string::npos) << err.str();
    EXPECT_EQ(run({"report", dir.text("none.mpj"), "-o", dir.text("r.html")}), kExitFailed);
    EXPECT_NE(err.str().find("there is no project file"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "r.html"));

    // Without -o the HTML goes to standard output.
    ASSERT_EQ(run({"report", dir.text("Villa/Villa.mpj")}), kExitOk);
    EXPECT_TRUE(out.str().starts_with("<!DOCTYPE html>"));

    environment.defaults.writePdf = nullptr; // as in the build without Qt
    EXPECT_EQ(run({"report", dir.text("Villa/Villa.mpj"), "-o", dir.text("r.pdf")}), kExitFailed);
    EXPECT_NE(err.str().find("writes no PDF files; give -o FILE.html"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "r.pdf"));
}

TEST_F(ReportCommandsTest, OptimizeReportsWhatChangedAndWritesTheSameAsWithout)
{
    const std::string amplifier = dir.text("Villa/AX-200_Amplifier.mpi");
    const std::string original = test::fileContents(amplifier);
    const std::string summary = "5 keys changed, largest change 2.6 % in POWER.\n";

    // -n: the report alone, nothing written.
    ASSERT_EQ(run({"ir", "optimize", amplifier, "-n"}), kExitOk) << err.str();
    EXPECT_TRUE(out.str().starts_with("Key ")) << out.str();
    EXPECT_TRUE(out.str().ends_with(summary)) << out.str();
    EXPECT_EQ(test::fileContents(amplifier), original);

    // After writing: the same file as without the report.
    ASSERT_EQ(run({"ir", "optimize", amplifier, "-o", dir.text("plain.mpi")}), kExitOk);
    ASSERT_EQ(run({"ir", "optimize", amplifier, "-o", dir.text("reported.mpi"), "--report"}), kExitOk);
    EXPECT_TRUE(out.str().ends_with(summary)) << out.str();
    EXPECT_EQ(test::fileContents(dir.text("reported.mpi")), test::fileContents(dir.text("plain.mpi")));

    // With the result on standard output, the report goes to standard error.
    ASSERT_EQ(run({"ir", "optimize", amplifier}), kExitOk);
    const std::string text = out.str();
    ASSERT_EQ(run({"ir", "optimize", amplifier, "--report"}), kExitOk);
    EXPECT_EQ(out.str(), text);
    EXPECT_TRUE(err.str().ends_with(summary)) << err.str();
}

} // namespace
} // namespace zr48::cli
