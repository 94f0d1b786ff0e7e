// The installation report of a project: what each assigned slot row holds, the keys of each
// device file, Windows-1252 texts and Cyrillic file names shown as the characters they are, and an
// HTML file that needs nothing from elsewhere.

#include "project/InstallationReport.h"
#include "project/CardTestSupport.h"

#include <gtest/gtest.h>

namespace zr48::test {
namespace {

class InstallationReportTest : public testing::Test {
protected:
    InstallationReportTest()
    {
        // "Телевизор.mpi": a file name in Cyrillic (the file system's UTF-8).
        tv = dir.write("\xD0\xA2\xD0\xB5\xD0\xBB\xD0\xB5\xD0\xB2\xD0\xB8\xD0\xB7\xD0\xBE\xD1\x80.mpi",
                       "DEVICE=6\r\nOPTION_1=P,Power on with first command\r\nOPTION_2=Mute on standby\r\n"
                       "OPTION_3=\r\nOPTION_9=I,Input list last\r\nIR_TIME_0 = "
                       "560\r\nIR_POWER=\"$0\"\r\nir_Vol_Up=\"$00\"\r\nIR_POWER=\"$000\"\r\n"
                       "RC5_SYSTEM=20\r\n");
        tuner = dir.write("Tuner.mpi", "DEVICE=1\r\nNAME=FM Tuner\r\n");
        project.FileName = dir.text("Haus.mpj");
        project.Description = {"B\xFCro & Wohnzimmer", "<Erdgeschoss>"};
        project.ProjectInfo = {"HAUS M\xDCLLER", "Erdgeschoss"};
        AssignDevice(project, 0, 1, tuner, "Radio", 1);
        AssignDevice(project, 1, 1, tuner,
                     "Radio K\xFC"
                     "che",
                     5);
        AssignDevice(project, 16, 6, tv, "T\xE9l\xE9", 8, "011100001");
        AssignDevice(project, 29, 4, "", "Jalousie", 3);
        AssignDevice(project, 62, 5, dir.text("Gone.mpi"), "Sub", 0, "1");
    }

    TempDir dir;
    TProjectFile project;
    Path tv, tuner;
};

TEST_F(InstallationReportTest, EveryAssignedSlotWithItsDeviceAndEveryDeviceFileWithItsKeys)
{
    const InstallationReport report = MakeInstallationReport(project, "2025-03-14", "1.2.3");
    EXPECT_EQ(report.ProjectName(), "Haus");

    ASSERT_EQ(report.Slots.size(), 5u);
    const ReportSlot& kitchen = report.Slots[1];
    EXPECT_EQ(kitchen.Group, "TUNER");
    EXPECT_EQ(kitchen.SlotName, "TUNER-1");
    EXPECT_EQ(kitchen.DeviceType, "K73 FM-Tuner");
    EXPECT_EQ(kitchen.Source, "Aux2");
    EXPECT_TRUE(kitchen.Options.empty()); // a tuner has none
    const ReportSlot& tvRow = report.Slots[2];
    EXPECT_EQ(tvRow.SlotName, "TV-2");
    // Option 3 is switched on but the file gives it no text; option 4 the file does not offer; the
    // last option the card keeps is there too.
    EXPECT_EQ(tvRow.Options, (std::vector<Text>{"2: Mute on standby", "3", "4", "9: Input list last"}));
    const ReportSlot& blinds = report.Slots[3];
    EXPECT_EQ(blinds.SlotName, "SAT-1");
    EXPECT_EQ(blinds.DeviceType, "Feller BEAMIT\xAE");
    EXPECT_EQ(blinds.Source, ""); // the type uses no source
    EXPECT_EQ(blinds.DeviceFile, "");
    EXPECT_EQ(report.Slots[4].Options, std::vector<Text>{"1"}); // its device file is missing

    // The tuner's file once, for both of its slots; the missing file said as such.
    ASSERT_EQ(report.DeviceFiles.size(), 3u);
    EXPECT_EQ(report.DeviceFiles[0].File, tuner);
    EXPECT_EQ(report.DeviceFiles[0].Slots, (std::vector<Text>{"TUNER", "TUNER-1"}));
    EXPECT_TRUE(report.DeviceFiles[0].Keys.empty());
    // Keys in the file's order, each once, the timing table and other entries left out.
    EXPECT_EQ(report.DeviceFiles[1].Keys, (std::vector<Text>{"POWER", "Vol_Up"}));
    EXPECT_FALSE(report.DeviceFiles[2].Readable);
}

TEST_F(InstallationReportTest, HtmlShowsEveryTextAsItsCharactersAndLoadsNothing)
{
    const std::string html = InstallationReportHtml(MakeInstallationReport(project, "2025-03-14", "1.2.3"));
    for (const char* part : {
             "<meta charset=\"utf-8\">",
             "B\xC3\xBCro &amp; Wohnzimmer<br>", // Büro, escaped
             "&lt;Erdgeschoss&gt;",              //
             "HAUS M\xC3\x9CLLER",               // MÜLLER
             "Radio K\xC3\xBC"
             "che",                                                                          // Küche
             "T\xC3\xA9l\xC3\xA9",                                                           // Télé
             "Feller BEAMIT\xC2\xAE",                                                        // ®
             "\xD0\xA2\xD0\xB5\xD0\xBB\xD0\xB5\xD0\xB2\xD0\xB8\xD0\xB7\xD0\xBE\xD1\x80.mpi", // Телевизор.mpi
             "POWER, Vol_Up",
             "the file cannot be read",
             "Made on 2025-03-14 with the ZR48 Project Manager 1.2.3.",
         })
        EXPECT_NE(html.find(part), std::string::npos) << part;
    for (const char* slot : {"TUNER", "TUNER-1", "TV-2", "SAT-1", "SOUND-6"})
        EXPECT_NE(html.find("<b>" + std::string(slot) + "</b>"), std::string::npos) << slot;
    // The customer's header names the project's file but no folder of the installer's machine.
    EXPECT_NE(html.find("<b>Haus</b> &nbsp; Haus.mpj"), std::string::npos);
    EXPECT_EQ(html.find(dir.text("")), std::string::npos);
    // Each slot's row names its group; no row holds a group alone.
    EXPECT_NE(html.find("<td class=\"group\">TV</td><td><b>TV-2</b></td>"), std::string::npos);
    EXPECT_EQ(html.find("colspan"), std::string::npos);
    // Self-contained: no stylesheet, picture or script to fetch.
    for (const char* outside : {"href=", "src=", "url(", "@import", "<script"})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
}

TEST(InstallationReport, AnEmptyProjectSaysSo)
{
    TProjectFile empty;
    empty.FileName = "/p/Leer.mpj";
    const std::string html = InstallationReportHtml(MakeInstallationReport(empty, "d", "v"));
    EXPECT_NE(html.find("No slot is assigned."), std::string::npos);
    EXPECT_NE(html.find("No slot has a device file."), std::string::npos);
}

} // namespace
} // namespace zr48::test
