#include "project/ProjectFile.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using test::TempDir;

// The worked example: a project saved as D:\Projects\Villa\Villa.mpj.
const char* const kVillaText = "[PROJECT]\r\n"
                               "PATH=D:\\Projects\\Villa\\\r\n"
                               "DESCRIPTION_0=Villa ground floor\r\n"
                               "DESCRIPTION_1=Installed in spring\r\n"
                               "PROJECTINFO_0=VILLA\r\n"
                               "PROJECTINFO_1=Ground floor\r\n"
                               "PROJECTINFO_2=Line 3\r\n"
                               "PROJECTINFO_3=Line 4\r\n"
                               "PROJECTINFO_4=Line 5\r\n"
                               "\r\n"
                               "[TUNER]\r\n"
                               "DEVICE_TYPE=1\r\n"
                               "DEVICE_NAME=Radio\r\n"
                               "K73_SELECT=1\r\n"
                               "CONFIG_FILE=D:\\Projects\\Villa\\FMTUNER.mpi\r\n"
                               "OPTION_LIST=000000000\r\n"
                               "\r\n"
                               "[DVD-2]\r\n"
                               "DEVICE_TYPE=5\r\n"
                               "DEVICE_NAME=Blu-ray\r\n"
                               "K73_SELECT=2\r\n"
                               "CONFIG_FILE=F:\\Devices\\Video\\BDP.mpi\r\n"
                               "OPTION_LIST=101000000\r\n"
                               "\r\n";

TProjectFile VillaProject()
{
    TProjectFile p;
    p.Description = {"Villa ground floor", "Installed in spring"};
    p.ProjectInfo = {"VILLA", "Ground floor", "Line 3", "Line 4", "Line 5"};
    p.Devices[0].DeviceType = 1;
    p.Devices[0].DeviceName = "Radio";
    p.Devices[0].SourceSelect = 1;
    p.Devices[0].ConfigFile = "D:\\Projects\\Villa\\FMTUNER.mpi";
    p.Devices[0].OptionList = "000000000";
    p.Devices[9].DeviceType = 5;
    p.Devices[9].DeviceName = "Blu-ray";
    p.Devices[9].SourceSelect = 2;
    p.Devices[9].ConfigFile = "F:\\Devices\\Video\\BDP.mpi";
    p.Devices[9].OptionList = "101000000";
    return p;
}

Text ReadText(const Text& path)
{
    const Bytes bytes = readFileBytes(path);
    return Text(bytes.begin(), bytes.end());
}

TEST(ProjectFile, SlotsAreNamedByGroupAndPosition)
{
    const struct {
        int slot;
        const char* name;
    } cases[] = {{0, "TUNER"},  {1, "TUNER-1"}, {6, "TUNER-6"}, {7, "DVD"},    {9, "DVD-2"},
                 {14, "TV"},    {21, "SERVER"}, {28, "SAT"},    {35, "VIDEO"}, {42, "AUDIO"},
                 {49, "LIGHT"}, {56, "SOUND"},  {62, "SOUND-6"}};
    TProjectFile p;
    for (const auto& c : cases) {
        EXPECT_EQ(TProjectFile::SlotName(c.slot), c.name);
        EXPECT_EQ(p.Slot(c.slot).SlotName, c.name);
        EXPECT_EQ(p.SlotIndexByName(c.name), c.slot);
    }
    EXPECT_EQ(p.SlotIndexByName("dvd-2"), 9);
    EXPECT_EQ(&p.SlotByName("Sound-6"), &p.Devices[62]);
    EXPECT_EQ(p.SlotIndexByName("KITCHEN"), 0);
    EXPECT_EQ(&p.SlotByName("KITCHEN"), &p.Devices[0]);
}

TEST(ProjectFile, DeviceTypeTableAndSources)
{
    EXPECT_EQ(DeviceTypeInfo(4)->Name, "Feller BEAMIT\xAE");
    EXPECT_EQ(DeviceTypeInfo(6)->FileSectors, 32);
    EXPECT_EQ(DeviceTypeInfo(8)->DataSectors, 8192);
    EXPECT_FALSE(DeviceTypeInfo(4)->UsesSourceSelect);
    EXPECT_TRUE(DeviceTypeInfo(5)->HasOptions);
    EXPECT_EQ(DeviceTypeInfo(10), nullptr);
    EXPECT_EQ(DeviceTypeInfo(65535), nullptr);
    EXPECT_EQ(SourceSelectText(4), "Aux/Server");
    EXPECT_EQ(SourceSelectText(17), "Local3");
    EXPECT_EQ(SourceSelectText(18), "18");
}

TEST(ProjectFile, SavesTheExactText)
{
    TempDir dir;
    TProjectFile p = VillaProject();
    p.Devices[3].DeviceName = "leaves no trace"; // type 0
    EXPECT_EQ(p.SaveText("D:\\Projects\\Villa\\Villa.mpj"), kVillaText);
    EXPECT_EQ(TProjectFile().SaveText("Villa.mpj"), "[PROJECT]\r\nPATH=\r\n\r\n");

    const Text path = dir.text("Villa.mpj");
    p.Save(path);
    EXPECT_EQ(p.FileName, path);
    EXPECT_EQ(ReadText(path), p.SaveText(path));
}

TEST(ProjectFile, LoadsTheExampleAndRelocatesDeviceFilesOfItsOwnFolder)
{
    TempDir dir;
    const Text moved = dir.write("Old/Villa/Villa.mpj", kVillaText);
    TProjectFile p;
    p.Load(moved);
    EXPECT_EQ(p.FileName, moved);
    EXPECT_EQ(p.Description, VillaProject().Description);
    EXPECT_EQ(p.ProjectInfo, VillaProject().ProjectInfo);
    EXPECT_EQ(p.Devices[0].ConfigFile, dir.text("Old/Villa/FMTUNER.mpi"));
    EXPECT_EQ(p.Devices[9].ConfigFile, "F:\\Devices\\Video\\BDP.mpi");
    EXPECT_EQ(p.Devices[9].OptionList, "101000000");
    EXPECT_EQ(p.Devices[9].SourceSelect, 2);
    EXPECT_EQ(p.Devices[9].SlotName, "DVD-2");
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        if (i != 0 && i != 9) {
            EXPECT_EQ(p.Devices[static_cast<size_t>(i)].DeviceType, 0) << i;
        }
    }
#ifndef _WIN32 // where "E:" is a drive, not a name
    // Moved on another system too: "E:\Old\Villa\" replaces the saved folder.
    TProjectFile fromText;
    const Text windowsPath = dir.write("E:\\Old\\Villa\\Villa.mpj", kVillaText);
    fromText.Load(windowsPath);
    EXPECT_EQ(fromText.Devices[0].ConfigFile, extractFilePath(windowsPath) + "FMTUNER.mpi");
#endif
}

TEST(ProjectFile, RelocatesOnlyAnExactFolderMatch)
{
    TempDir dir;
    const Text path = dir.write("p.mpj", "[PROJECT]\r\nPATH=D:\\Villa\\\r\n"
                                         "[TUNER]\r\nDEVICE_TYPE=1\r\nCONFIG_FILE=D:\\Villa\\sub\\a.mpi\r\n"
                                         "[DVD]\r\nDEVICE_TYPE=1\r\nCONFIG_FILE=d:\\villa\\b.mpi\r\n"
                                         "[TV]\r\nDEVICE_TYPE=1\r\nCONFIG_FILE=D:\\Villa\\c.mpi\r\n");
    TProjectFile p;
    p.Load(path);
    EXPECT_EQ(p.Devices[0].ConfigFile, "D:\\Villa\\sub\\a.mpi");
    EXPECT_EQ(p.Devices[7].ConfigFile, "d:\\villa\\b.mpi");
    EXPECT_EQ(p.Devices[14].ConfigFile, dir.text("c.mpi"));
}

TEST(ProjectFile, ReadingRules)
{
    TempDir dir;
    const Text longLine(3000, 'L');
    const Text path = dir.write("rules.mpj", "[project]\n"
                                             "description_0=   spaced  \t\n"
                                             "DESCRIPTION_1=\"quoted\"\n"
                                             "DESCRIPTION_2='single'\n"
                                             "DESCRIPTION_3=\"mismatched'\n"
                                             "DESCRIPTION_4=" +
                                                 longLine +
                                                 "\n"
                                                 "DESCRIPTION_0=second occurrence\n"
                                                 "PROJECTINFO_1=no line 0\n"
                                                 "[tuner]\n"
                                                 "device_type=0x5\n"
                                                 "k73_select = 70000\n"
                                                 "[TUNER-1]\n"
                                                 "DEVICE_TYPE=five\n"
                                                 "DEVICE_NAME=Kept empty\n"
                                                 "[DVD]\n"
                                                 "DEVICE_TYPE=-1\n"
                                                 "[TUNER]\n"
                                                 "DEVICE_NAME=second section\n"
                                                 "[TV]\n"
                                                 "DEVICE_TYPE=0\n"
                                                 "DEVICE_NAME=not a device\n");
    TProjectFile p;
    p.Load(path);
    ASSERT_EQ(p.Description.size(), 5u);
    EXPECT_EQ(p.Description[0], "spaced");
    EXPECT_EQ(p.Description[1], "quoted");
    EXPECT_EQ(p.Description[2], "single");
    EXPECT_EQ(p.Description[3], "\"mismatched'");
    EXPECT_EQ(p.Description[4], longLine.substr(0, 2047));
    EXPECT_TRUE(p.ProjectInfo.empty()); // the first missing number ends the list
    EXPECT_EQ(p.Devices[0].DeviceType, 5);
    EXPECT_EQ(p.Devices[0].SourceSelect, 70000 & 0xFFFF);
    EXPECT_EQ(p.Devices[0].DeviceName, ""); // a repeated section adds nothing
    EXPECT_EQ(p.Devices[1].DeviceType, 0);
    EXPECT_EQ(p.Devices[7].DeviceType, 0xFFFF); // kept as it is, outside the table
    EXPECT_EQ(p.Devices[14].DeviceName, "not a device");

    // Type 0 is not written back; the out-of-table type is, unchanged.
    const Text saved = p.SaveText(path);
    EXPECT_EQ(saved.find("[TV]"), Text::npos);
    EXPECT_NE(saved.find("[DVD]\r\nDEVICE_TYPE=65535\r\n"), Text::npos);
    EXPECT_NE(saved.find("DESCRIPTION_0=spaced\r\n"), Text::npos);
}

TEST(ProjectFile, LoadingAMissingFileGivesAnEmptyProject)
{
    TempDir dir;
    TProjectFile p = VillaProject();
    p.Load(dir.text("missing.mpj"));
    EXPECT_EQ(p.FileName, dir.text("missing.mpj"));
    EXPECT_TRUE(p.Description.empty());
    EXPECT_TRUE(p.ProjectInfo.empty());
    for (const DEVICE_CONFIG& slot : p.Devices) {
        EXPECT_EQ(slot.DeviceType, 0);
        EXPECT_TRUE(slot.ConfigFile.empty());
    }
    EXPECT_EQ(p.Devices[9].SlotName, "DVD-2");
}

TEST(ProjectFile, SaveAndLoadRoundTrip)
{
    TempDir dir;
    TProjectFile p = VillaProject();
    p.Description.push_back("Caf\xE9 \x80 \x9C");
    p.Devices[62].DeviceType = 4;
    p.Devices[62].DeviceName = "Blinds";
    const Text path = dir.text("Villa.mpj");
    p.Save(path);
    TProjectFile back;
    back.Load(path);
    EXPECT_EQ(back.Description, p.Description);
    EXPECT_EQ(back.ProjectInfo, p.ProjectInfo);
    EXPECT_EQ(back.Devices, p.Devices);
}

TEST(ProjectFile, PathsKeepTheirBytesAndTextsStayWindows1252)
{
    TempDir dir;
    TProjectFile p = VillaProject();
    p.Description = {"Caf\xE9"};
    p.Devices[0].ConfigFile = dir.write("Проект/Радио 📻.mpi", "tuner");
    p.Devices[9].ConfigFile = dir.write("データ/家.mpi", "bdp");
    const Path path = dir.text("Проект/Дом.mpj");
    p.Save(path);
    const Text saved = ReadText(path);
    EXPECT_NE(saved.find("PATH=" + dir.text("Проект/") + "\r\n"), Text::npos) << saved;
    EXPECT_NE(saved.find("CONFIG_FILE=" + dir.text("Проект/Радио 📻.mpi") + "\r\n"), Text::npos) << saved;
    EXPECT_NE(saved.find("DESCRIPTION_0=Caf\xE9\r\n"), Text::npos) << saved; // one byte, as before
    TProjectFile back;
    back.Load(path);
    EXPECT_EQ(back.Devices, p.Devices);
    EXPECT_EQ(back.Description, p.Description);

    // The folder moved as a whole: its own device file follows, the other keeps its path.
    std::filesystem::rename(toFsPath(dir.text("Проект")), toFsPath(dir.text("Архив")));
    TProjectFile moved;
    moved.Load(dir.text("Архив/Дом.mpj"));
    EXPECT_EQ(moved.Devices[0].ConfigFile, dir.text("Архив/Радио 📻.mpi"));
    EXPECT_EQ(moved.Devices[9].ConfigFile, dir.text("データ/家.mpi"));
}

TEST(ProjectFile, PathsWrittenInWindows1252AreReadAsSuch)
{
    // Written on a system that records paths in Windows-1252: "é" is the byte E9, "ä" E4.
    TempDir dir;
    const Path path = dir.write("Café/Villa.mpj", "[PROJECT]\r\n"
                                                  "PATH=D:\\Caf\xE9\\\r\n"
                                                  "DESCRIPTION_0=Caf\xE9\r\n"
                                                  "[TUNER]\r\nDEVICE_TYPE=1\r\nDEVICE_NAME=K\xFC\r\n"
                                                  "CONFIG_FILE=D:\\Caf\xE9\\R\xE4"
                                                  "dio.mpi\r\n"
                                                  "[DVD]\r\nDEVICE_TYPE=5\r\n"
                                                  "CONFIG_FILE=E:\\Ger\xE4te\\\x80uro.mpi\r\n");
    TProjectFile p;
    p.Load(path);
    EXPECT_EQ(p.Devices[0].ConfigFile, dir.text("Café/Rädio.mpi")); // relocated, as UTF-8
    EXPECT_EQ(p.Devices[7].ConfigFile, "E:\\Geräte\\€uro.mpi");
    EXPECT_EQ(p.Devices[0].DeviceName, "K\xFC"); // texts stay Windows-1252
    EXPECT_EQ(p.Description, std::vector<Text>{"Caf\xE9"});
    // Saved again, the paths are UTF-8.
    EXPECT_NE(p.SaveText(path).find("CONFIG_FILE=E:\\Geräte\\€uro.mpi\r\n"), Text::npos);
}

// A name that is not UTF-8 here (a Latin-1 name, say) is saved with its bytes, and the file says so:
// it comes back as those bytes, not read as Windows-1252, which would name another file.
TEST(ProjectFile, NamesThatAreNotUtf8ComeBackAsTheirBytes)
{
    TempDir dir;
    struct Case {
        const char* folder; // the project's folder, below the test's
        const char* device; // the device file, below the test's
    };
    const Case cases[] = {
        {"Home/", "Home/caf\xE9.mpi"},          // in the project folder: relocated, bytes kept
        {"Home/", "db/Ger\xE4te/\xFF\xFE.mpi"}, // elsewhere
        {"Caf\xE9/", "Caf\xE9/tv.mpi"},         // the project folder's own name
        {"Caf\xE9/", "db/Radio.mpi"},           // only the folder's name
    };
    for (const Case& c : cases) {
        TProjectFile p;
        p.Slot(9).DeviceType = 5;
        p.Slot(9).ConfigFile = dir.write(c.device, "OPTION_1=Power\r\n");
        p.Slot(10).DeviceType = 5;
        p.Slot(10).ConfigFile = dir.text("db/Kü.mpi"); // UTF-8 beside it
        const Path path = dir.text(std::string(c.folder) + "Home.mpj");
        p.Save(path);
        EXPECT_NE(ReadText(path).find("CONFIG_FILE=" + p.Slot(9).ConfigFile + "\r\n"), Text::npos) << c.device;
        TProjectFile back;
        back.Load(path);
        EXPECT_EQ(back.Slot(9).ConfigFile, p.Slot(9).ConfigFile) << c.device;
        EXPECT_EQ(back.Slot(10).ConfigFile, p.Slot(10).ConfigFile) << c.device;
        back.Save(path);
        EXPECT_EQ(back.SaveText(path), p.SaveText(path)) << c.device;
    }

    // A file without the mark reads as before.
    const Path windows =
        dir.write("W/W.mpj", "[PROJECT]\r\n[TUNER]\r\nDEVICE_TYPE=1\r\nCONFIG_FILE=E:\\Caf\xE9.mpi\r\n");
    TProjectFile read;
    read.Load(windows);
    EXPECT_EQ(read.Slot(0).ConfigFile, "E:\\Café.mpi");
    // A name read as Windows-1252 is saved as UTF-8, so that it still names the same file; a name
    // that is not UTF-8 beside it keeps its bytes.
    read.Slot(7).DeviceType = 5;
    read.Slot(7).ConfigFile = "/db/caf\xE9.mpi";
    read.Save(windows);
    TProjectFile again;
    again.Load(windows);
    EXPECT_EQ(again.Slot(0).ConfigFile, "E:\\Café.mpi");
    EXPECT_EQ(again.Slot(7).ConfigFile, "/db/caf\xE9.mpi");
}

TEST(ProjectFile, AFileMarkedAsUtf8KeepsItsPathsAndConvertsItsTexts)
{
    TempDir dir;
    const Path path = dir.write("Villa.mpj", "\xEF\xBB\xBF[PROJECT]\r\n"
                                             "PATH=/srv/Проект/\r\n"
                                             "DESCRIPTION_0=Café Ω\r\n"
                                             "[TUNER]\r\nDEVICE_TYPE=1\r\nDEVICE_NAME=Kü\r\n"
                                             "CONFIG_FILE=/srv/データ/家.mpi\r\n");
    TProjectFile p;
    p.Load(path);
    EXPECT_EQ(p.Devices[0].ConfigFile, "/srv/データ/家.mpi");
    EXPECT_EQ(p.Devices[0].DeviceName, "K\xFC");
    EXPECT_EQ(p.Description, std::vector<Text>{"Caf\xE9 ?"});
}

TEST(ProjectFile, TextsThatLoadWouldChangeAreSavedInsideQuotes)
{
    TempDir dir;
    const Text path = dir.text("Quoted.mpj");
    const struct {
        Text value;
        Text written; // after "KEY="
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {" ", "\" \""},
        {"  leading", "\"  leading\""},
        {"trailing\t", "\"trailing\t\""},
        {"'a'", "\"'a'\""},
        {"\"\"", "\"\"\"\""},
        {"\"\"\"\"", "\"\"\"\"\"\""},
        {"\"Kitchen\"", "\"\"Kitchen\"\""},
        {"\"", "\""},         // a lone quote reads back as it is
        {"\"open", "\"open"}, // so does an unmatched one
        {"'mixed\"", "'mixed\""},
        {"in the \"middle\"", "in the \"middle\""},
        {"a=b [c]", "a=b [c]"},
        {" " + Text(2046, 'x'), "\" " + Text(2046, 'x') + "\""}, // 2047 characters fit inside quotes
    };
    for (const auto& c : cases) {
        TProjectFile p;
        p.Description = {c.value};
        p.ProjectInfo = {"x", c.value};
        p.Devices[62].DeviceType = 6;
        p.Devices[62].DeviceName = c.value;
        p.Devices[62].OptionList = c.value;
        p.Devices[62].ConfigFile = c.value;
        p.Save(path);
        const Text saved = ReadText(path);
        for (const char* key : {"DESCRIPTION_0=", "PROJECTINFO_1=", "DEVICE_NAME=", "CONFIG_FILE=", "OPTION_LIST="})
            EXPECT_NE(saved.find("\n" + Text(key) + c.written + "\r\n"), Text::npos) << key << c.value;
        TProjectFile back;
        back.Load(path);
        EXPECT_EQ(back.Description, p.Description) << c.value;
        EXPECT_EQ(back.ProjectInfo, p.ProjectInfo) << c.value;
        EXPECT_EQ(back.Devices[62], p.Devices[62]) << c.value;
        back.Save(path);
        EXPECT_EQ(ReadText(path), saved) << c.value;
    }
}

TEST(ProjectFile, TextsThatCannotBeStoredRefuseTheSaveNamingTheKey)
{
    TempDir dir;
    const Text path = dir.text("Villa.mpj");
    const TProjectFile good = VillaProject();
    TProjectFile(good).Save(path);
    const Text before = ReadText(path);
    const struct {
        void (*spoil)(TProjectFile&);
        const char* where; // the key and section the message names
        const char* why;
    } cases[] = {
        {[](TProjectFile& p) { p.Devices[9].DeviceName = "Blu\nray"; }, "DEVICE_NAME in [DVD-2]", "line break"},
        {[](TProjectFile& p) { p.ProjectInfo[3] = "Line\r4"; }, "PROJECTINFO_3 in [PROJECT]", "line break"},
        {[](TProjectFile& p) { p.Devices[0].ConfigFile += "\r\n"; }, "CONFIG_FILE in [TUNER]", "line break"},
        {[](TProjectFile& p) { p.Description[1] = Text(2048, 'L'); }, "DESCRIPTION_1 in [PROJECT]", "2,047 characters"},
    };
    for (const auto& c : cases) {
        TProjectFile p = good;
        c.spoil(p);
        p.FileName = "unchanged";
        try {
            p.Save(path);
            ADD_FAILURE() << c.where << " was saved";
        } catch (const Error& e) {
            EXPECT_NE(e.message().find(c.where), Text::npos) << e.message();
            EXPECT_NE(e.message().find(c.why), Text::npos) << e.message();
            EXPECT_NE(e.message().find(path), Text::npos) << e.message();
        }
        EXPECT_EQ(p.FileName, "unchanged");
        EXPECT_EQ(ReadText(path), before);
    }
    TProjectFile longest = good;
    longest.Description[1] = Text(2047, 'L');
    EXPECT_NO_THROW(longest.Save(path));
}

// Load, save, load, save: the two saved texts are byte for byte the same, whatever the first file
// held; quotes and blanks that the reading rules remove do not peel off one layer per save.
TEST(ProjectFile, SavingWhatWasLoadedIsStable)
{
    TempDir dir;
    const Text path = dir.text("saved.mpj");
    const std::string inputs[] = {
        "[PROJECT]\nPROJECTINFO_0=\"  \"\nPROJECTINFO_1=\"'a'\"\nDESCRIPTION_0=\"\"\"\"\"\"",
        "[project]\r\ndescription_0='\"\"'\r\n[SOUND-6]\r\nDEVICE_TYPE=9\r\nDEVICE_NAME=\"\t\"\"\t\"\r\n",
        "[TUNER]\nDEVICE_TYPE=1\nDEVICE_NAME=\"'\"\"'\"\nOPTION_LIST= \" 1 \" \nCONFIG_FILE=\"\" \"\"",
        "[TUNER]\nDEVICE_TYPE=1\nDEVICE_NAME=\"\"\"",
        // Windows-1252 names whose reading as UTF-8 would not fit a value: a long one, and one cut
        // inside a character by the value's limit.
        "[TUNER]\nDEVICE_TYPE=1\nCONFIG_FILE=D:\\" + std::string(1500, '\xE9'),
        "[TUNER]\nDEVICE_TYPE=1\nCONFIG_FILE=D:\\" + std::string(2043, 'a') + "\xC3\xA9",
        // A name of the project's folder that would grow past a value when relocated.
        "[TUNER]\nDEVICE_TYPE=1\nCONFIG_FILE=" + std::string(2040, 'a'),
    };
    for (const std::string& input : inputs) {
        TProjectFile first;
        first.Load(dir.write("input.mpj", input));
        first.Save(path);
        const Text once = ReadText(path);
        TProjectFile second;
        second.Load(path);
        EXPECT_EQ(second.Description, first.Description) << input;
        EXPECT_EQ(second.ProjectInfo, first.ProjectInfo) << input;
        for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
            const DEVICE_CONFIG& a = first.Slot(i);
            const DEVICE_CONFIG& b = second.Slot(i);
            EXPECT_TRUE(a == b) << input << "\nslot " << a.SlotName << ": [" << a.DeviceName << "] [" << a.OptionList
                                << "] [" << a.ConfigFile << "] became [" << b.DeviceName << "] [" << b.OptionList
                                << "] [" << b.ConfigFile << "]";
        }
        second.Save(path);
        EXPECT_EQ(ReadText(path), once) << input;
    }
}

TEST(ProjectFile, AFailedSaveChangesNothing)
{
    TempDir dir;
    TProjectFile p = VillaProject();
    const Text good = dir.text("Villa.mpj");
    p.Save(good);
    const Text before = ReadText(good);
    std::filesystem::create_directory(dir.path() / "folder.mpj");
    EXPECT_THROW(p.Save(dir.text("folder.mpj")), Error);
    EXPECT_THROW(p.Save(dir.text("no/such/folder/x.mpj")), Error);
    EXPECT_EQ(p.FileName, good);
    EXPECT_EQ(ReadText(good), before);
}

TEST(ProjectFile, ClearSlotKeepsNameAndCardFields)
{
    DEVICE_CONFIG slot{"TV-3", "d.txt", 6, "TV", 8, "111", "x.mpi", 16, 32, 48, 0};
    TProjectFile::ClearSlot(slot);
    const DEVICE_CONFIG expected{"TV-3", "d.txt", 0, "", 0, "", "", 16, 32, 48, 0};
    EXPECT_EQ(slot, expected);
}

} // namespace
} // namespace zr48
