#include "desktop/project/ProjectView.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Settings.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zr48 {
namespace {

using test::fileContents;

namespace fs = std::filesystem;

TEST(ProjectPaths, TheTitleShowsTheProjectFileAndTheModifiedMark)
{
    EXPECT_EQ(projectTitle("[Project1]", false), "ZR48 Project - [Project1]");
    EXPECT_EQ(projectTitle("/home/ann/Дом/Home.mpj", false), "ZR48 Project - [PROJECT]/Home.mpj");
    EXPECT_EQ(projectTitle(R"(D:\P\Home\Home.mpj)", true), R"(ZR48 Project - [PROJECT]\Home.mpj *)");
    EXPECT_EQ(projectTitle("", true), "ZR48 Project *");
}

TEST(ProjectEnableRules, FollowTheDeviceTypeAndTheAdvancedSetting)
{
    struct Case {
        int type;
        bool advanced;
        ProjectEnableRules rules; // type, name, source, options, device file
    };
    const Case cases[] = {
        {5, true, {true, true, true, true, true}},    // Infrared (RC5)
        {5, false, {false, true, true, true, false}}, // without Advanced: neither type nor file
        {4, true, {true, true, false, false, true}},  // Feller BEAMIT: no source, no options
        {1, true, {true, true, true, false, true}},   // K73 FM-Tuner
        {0, true, {true, false, false, false, false}},
        {0, false, {}},
        // Outside the table: as "No Device".
        {-1, true, {true, false, false, false, false}},
        {42, true, {true, false, false, false, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(enableRulesFor(c.type, c.advanced), c.rules) << c.type << (c.advanced ? " advanced" : "");
}

TEST(ProjectOptions, NineItemsWithThePrefixRemovedAndOnlyOfferedOnesEnabled)
{
    test::TempDir dir;
    const std::string file = dir.write("TV.mpi", "DEVICE=5\r\nOPTION_2=x,Night mode\r\nOPTION_4=  \r\n");
    const auto items = optionItems(file, "111");
    ASSERT_EQ(items.size(), 9u);
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].enabled, i == 1) << i;
        EXPECT_EQ(items[i].checked, i == 1) << i;
    }
    EXPECT_EQ(items[1].text, "2: Night mode");
    EXPECT_EQ(items[0].text, "1: ");
    EXPECT_EQ(items[8].text, "9: ");
    // Only the characters of the list count, and only "1" switches on.
    EXPECT_FALSE(optionItems(file, "1")[1].checked);
    EXPECT_FALSE(optionItems(file, "1x1")[1].checked);
    EXPECT_TRUE(optionItems(dir.write("A.mpi", "OPTION_1=a,b,c\r\n"), "1")[0].enabled);
    EXPECT_EQ(optionItems(dir.text("A.mpi"), "")[0].text, "1: b,c");
    // A device file that is not there offers nothing.
    EXPECT_TRUE(optionItems(dir.text("gone.mpi"), "111").empty());
    EXPECT_TRUE(optionItems("", "111").empty());

    EXPECT_EQ(optionListOf({false, true, false, false, false, false, false, false, false}), "010000000");
}

TEST(ProjectMemos, LinesOfAMemo)
{
    using Lines = std::vector<Text>;
    EXPECT_EQ(memoLines(""), Lines{});
    EXPECT_EQ(memoLines("a"), Lines{"a"});
    EXPECT_EQ(memoLines("a\n"), Lines{"a"});
    EXPECT_EQ(memoLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(memoLines("\n"), Lines{""});
}

class ProjectViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        settings.setAdvanced(true);
        projectFile = dir.text("Home/Home.mpj");
        fs::create_directories(toFsPath(dir.text("Home")));
    }

    // A device file of the database, outside the project folder.
    DEVICE_CONFIG entry(const std::string& name, std::uint16_t type, std::string_view body = "DEVICE=5\r\n")
    {
        DEVICE_CONFIG e;
        e.DeviceType = type;
        e.DeviceName = "Dev " + name;
        e.SourceSelect = 2;
        e.ConfigFile = dir.write("db/" + name + ".mpi", body);
        return e;
    }

    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
    test::ScriptedPrompt prompt;
    test::TempDir dir;
    std::string projectFile;
    ProjectView view{settings, prompt, 0};
};

TEST_F(ProjectViewTest, ANewProjectShowsNineGroupsWithSixEmptySlotsEach)
{
    EXPECT_EQ(view.Title(), "ZR48 Project - [Project1]");
    ASSERT_TRUE(view.LoadProject(projectFile)); // not there yet: an empty project
    EXPECT_EQ(ProjectView::TopLevelSlots(), (std::vector<int>{0, 7, 14, 21, 28, 35, 42, 49, 56}));
    for (const int top : ProjectView::TopLevelSlots()) {
        EXPECT_EQ(view.ChildSlots(top), (std::vector<int>{top + 1, top + 2, top + 3, top + 4, top + 5, top + 6}));
        EXPECT_FALSE(view.Assigned(top));
    }
    EXPECT_EQ(view.SelectedSlot(), 0);
    EXPECT_EQ(view.Controls().caption, "TUNER");
    EXPECT_EQ(view.Title(), "ZR48 Project - [PROJECT]/Home.mpj");
    EXPECT_FALSE(view.ProjectModified());
}

TEST_F(ProjectViewTest, ADeviceInAGroupsFirstSlotHidesItsOtherSlotsWhichKeepTheirContents)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Select(9); // DVD-2
    view.DeviceTypeChanged(5);
    view.DeviceNameEdited("Blu-ray");
    view.Select(7); // DVD
    EXPECT_FALSE(view.Enabled().deviceName);
    view.DeviceTypeChanged(1);
    EXPECT_TRUE(view.ChildSlots(7).empty());
    EXPECT_TRUE(view.Assigned(7));
    EXPECT_TRUE(view.Enabled().deviceName);
    EXPECT_EQ(view.Title(), "ZR48 Project - [PROJECT]/Home.mpj *");

    view.DeviceTypeChanged(0);
    EXPECT_EQ(view.ChildSlots(7).size(), 6u);
    EXPECT_EQ(view.project().Slot(9).DeviceName, "Blu-ray");
    EXPECT_TRUE(view.Assigned(9));
}

TEST_F(ProjectViewTest, OnlyTheUsersChangesMarkTheProjectModified)
{
    DEVICE_CONFIG tv = entry("TV", 5);
    tv.OptionList = "1";
    TProjectFile saved;
    saved.FileName = projectFile;
    saved.AssignSlot(15, tv, prompt);
    saved.Save(projectFile);
    ASSERT_TRUE(view.LoadProject(projectFile));

    const int shownBefore = view.ControlsShown();
    view.Select(15);
    EXPECT_EQ(view.ControlsShown(), shownBefore + 1);
    EXPECT_EQ(view.Controls().deviceName, "Dev TV");
    EXPECT_EQ(view.Controls().sourceSelect, 2);
    EXPECT_EQ(view.Controls().configFile, "[PROJECT]/TV.mpi");
    EXPECT_EQ(view.Options().size(), 9u);
    EXPECT_FALSE(view.ProjectModified());

    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"name", [&] { view.DeviceNameEdited("Kitchen TV"); }},
        {"source", [&] { view.SourceSelectChanged(9); }},
        {"device file", [&] { view.ConfigFileEdited("[PROJECT]/DVD.mpi"); }},
        {"options",
         [&] {
             view.OptionsClicked({false, false, true});
         }},
        {"memo", [&] { view.MemoEdited(); }},
        {"type", [&] { view.DeviceTypeChanged(6); }},
    };
    for (const auto& c : changes) {
        ASSERT_TRUE(view.LoadProject(projectFile));
        view.Select(15);
        c.change();
        EXPECT_TRUE(view.ProjectModified()) << c.what;
        EXPECT_EQ(view.Title(), "ZR48 Project - [PROJECT]/Home.mpj *") << c.what;
        // Showing another slot keeps the mark.
        view.Select(0);
        EXPECT_TRUE(view.ProjectModified()) << c.what;
    }
    const DEVICE_CONFIG& slot = view.project().Slot(15);
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Select(15);
    view.ConfigFileEdited("[PROJECT]/DVD.mpi");
    EXPECT_EQ(slot.ConfigFile, dir.text("Home/DVD.mpi"));
    view.OptionsClicked({false, true, false, false, false, false, false, false, false});
    EXPECT_EQ(slot.OptionList, "010000000");
    view.SourceSelectChanged(17);
    EXPECT_EQ(slot.SourceSelect, 17);
}

TEST_F(ProjectViewTest, ADropFillsTheTargetSlotAndCopiesTheDeviceFileIntoTheProjectFolder)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    const DEVICE_CONFIG tv = entry("TV", 6, "DEVICE=6\r\nOPTION_1=Power\r\n");
    ASSERT_TRUE(ProjectView::AcceptsEntry(&tv));
    view.Drop(17, tv); // TV-3
    EXPECT_EQ(view.SelectedSlot(), 17);
    const DEVICE_CONFIG& slot = view.project().Slot(17);
    EXPECT_EQ(slot.DeviceType, 6);
    EXPECT_EQ(slot.DeviceName, "Dev TV");
    EXPECT_EQ(slot.ConfigFile, dir.text("Home/TV.mpi"));
    EXPECT_EQ(fileContents(slot.ConfigFile), "DEVICE=6\r\nOPTION_1=Power\r\n");
    EXPECT_TRUE(view.Assigned(17));
    EXPECT_EQ(view.Controls().caption, "TV-3");
    EXPECT_EQ(view.Controls().configFile, "[PROJECT]/TV.mpi");
    ASSERT_EQ(view.Options().size(), 9u);
    EXPECT_TRUE(view.Options()[0].enabled);
    EXPECT_TRUE(view.ProjectModified());

    // Folders, "No items found" and empty slots carry no device file.
    DEVICE_CONFIG folder;
    EXPECT_FALSE(ProjectView::AcceptsEntry(&folder));
    EXPECT_FALSE(ProjectView::AcceptsEntry(nullptr));
}

TEST_F(ProjectViewTest, ClearingAGroupsFirstSlotBringsBackItsOtherSlots)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Drop(14, entry("TV", 6));
    ASSERT_TRUE(view.ChildSlots(14).empty());
    view.ClearSelectedSlot();
    EXPECT_EQ(view.ChildSlots(14).size(), 6u);
    EXPECT_EQ(view.project().Slot(14).ConfigFile, "");
    EXPECT_EQ(view.Controls().configFile, "");
    EXPECT_TRUE(view.Options().empty());
    EXPECT_TRUE(view.ProjectModified());
}

TEST_F(ProjectViewTest, BrowseReferencesTheChosenFileWhereItIs)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Select(15);
    view.DeviceTypeChanged(5);
    const std::string elsewhere = dir.write("db/TV.mpi", "OPTION_3=Night mode\r\n");
    view.Browse(elsewhere);
    EXPECT_EQ(view.project().Slot(15).ConfigFile, elsewhere);
    EXPECT_FALSE(fileExists(dir.text("Home/TV.mpi")));
    EXPECT_EQ(view.Controls().configFile, elsewhere);
    ASSERT_EQ(view.Options().size(), 9u);
    EXPECT_TRUE(view.Options()[2].enabled);

    const std::string inside = dir.write("Home/DVD.mpi", "");
    view.Browse(inside);
    EXPECT_EQ(view.project().Slot(15).ConfigFile, inside);
    EXPECT_EQ(view.Controls().configFile, "[PROJECT]/DVD.mpi");
}

TEST_F(ProjectViewTest, SavingWritesTheMemosAndLoadsTheFileAgain)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Drop(0, entry("TUNER", 1));
    view.SaveProject(projectFile, {"  Villa", "ground floor"}, {"VILLA", "Line 2"});
    EXPECT_FALSE(view.ProjectModified());
    EXPECT_EQ(view.Title(), "ZR48 Project - [PROJECT]/Home.mpj");
    // What the file says.
    EXPECT_EQ(view.project().Description, (std::vector<Text>{"  Villa", "ground floor"}));
    EXPECT_EQ(view.project().ProjectInfo, (std::vector<Text>{"VILLA", "Line 2"}));
    TProjectFile written;
    written.Load(projectFile);
    EXPECT_EQ(written.Slot(0).ConfigFile, dir.text("Home/TUNER.mpi"));
    EXPECT_EQ(written.Slot(0).DeviceType, 1);
}

// A database file whose name is not UTF-8 (a Latin-1 name): saved and loaded again, the slot still
// names it, so its options stay.
TEST_F(ProjectViewTest, ADeviceFileNamedInLatin1KeepsItsOptionsThroughASave)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Drop(14, entry("caf\xE9", 6, "DEVICE=6\r\nOPTION_1=Power\r\n"));
    view.OptionsClicked({true});
    view.SaveProject(projectFile, {}, {});
    EXPECT_EQ(view.project().Slot(14).ConfigFile, dir.text("Home/caf\xE9.mpi"));
    ASSERT_EQ(view.Options().size(), 9u);
    EXPECT_TRUE(view.Options()[0].checked);
    EXPECT_EQ(view.Controls().configFile, "[PROJECT]/caf\xE9.mpi");
}

TEST_F(ProjectViewTest, AProjectFileThatCannotBeWrittenLeavesTheWindowModifiedAndTheFileIntact)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.SaveProject(projectFile, {"old"}, {});
    const std::string before = fileContents(projectFile);
    view.DeviceNameEdited("x");
    view.Select(7);
    view.DeviceTypeChanged(2);
    // The project folder is gone (a removed stick, say).
    fs::rename(toFsPath(dir.text("Home")), toFsPath(dir.text("Moved")));
    EXPECT_THROW(view.SaveProject(projectFile, {"new"}, {}), Error);
    EXPECT_TRUE(view.ProjectModified());
    EXPECT_EQ(view.Title(), "ZR48 Project - [PROJECT]/Home.mpj *");
    EXPECT_EQ(fileContents(dir.text("Moved/Home.mpj")), before);

    // A folder the user may not write into.
    fs::rename(toFsPath(dir.text("Moved")), toFsPath(dir.text("Home")));
    fs::permissions(toFsPath(dir.text("Home")), fs::perms(0555));
    const auto outcome = test::runUnprivileged([&] {
        try {
            view.SaveProject(projectFile, {"new"}, {});
            return std::string("saved");
        } catch (const Error& error) {
            return error.message() + (view.ProjectModified() ? " (modified)" : "");
        }
    });
    fs::permissions(toFsPath(dir.text("Home")), fs::perms(0755));
    ASSERT_TRUE(outcome);
    EXPECT_NE(outcome->find(projectFile), std::string::npos) << *outcome;
    EXPECT_TRUE(outcome->ends_with(" (modified)")) << *outcome;
    EXPECT_EQ(fileContents(projectFile), before);
}

TEST_F(ProjectViewTest, AProjectFileThatCannotBeReadIsReportedAndNotShown)
{
    // A folder where the project file should be.
    fs::create_directories(toFsPath(projectFile));
    EXPECT_FALSE(view.LoadProject(projectFile));
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find(projectFile), Text::npos) << prompt.errors()[0];
    EXPECT_EQ(view.DocumentFile(), "[Project1]");
}

TEST_F(ProjectViewTest, DeleteUnusedFilesAsksForEachUnusedDeviceFile)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Drop(0, entry("Used", 1));
    view.Select(7);
    view.DeviceTypeChanged(5);
    // A hidden slot's device file is used too.
    view.Select(8);
    view.ConfigFileEdited("[PROJECT]/HIDDEN.mpi");
    view.Select(7);
    view.ConfigFileEdited(dir.text("Home/Other.mpi")); // by its full path
    // Used by other spellings of the names on disk: in other letter case, with a name that is not
    // UTF-8, read as Windows-1252 from a project written on Windows, and through a link.
    const std::pair<const char*, std::string> spellings[] = {
        {"TV.mpi", dir.text("Home/tv.MPI")},
        {"caf\xE9.mpi", dir.text("Home/caf\xE9.mpi")},
        {"R\xE9.mpi", dir.text("Home/Ré.mpi")},
        {"Real.mpi", dir.text("db/alias.mpi")},
    };
    int spellingSlot = 21;
    for (const auto& [onDisk, used] : spellings) {
        dir.write(std::string("Home/") + onDisk, "x");
        view.Select(spellingSlot++);
        view.ConfigFileEdited(used);
    }
    fs::create_directories(toFsPath(dir.text("db")));
    fs::create_symlink(toFsPath(dir.text("Home/Real.mpi")), toFsPath(dir.text("db/alias.mpi")));
    for (const char* name : {"a.mpi", "b.MPI", "HIDDEN.mpi", "notes.txt", "Other.mpi"})
        dir.write(std::string("Home/") + name, "x");
    fs::create_directories(toFsPath(dir.text("Home/folder.mpi")));

    prompt
        .answer(Answer::Yes, "a.mpi\n\nThis File is not used in the current Project.\nDo you want to delete this File?")
        .answer(Answer::No, "b.MPI\n\n");
    view.DeleteUnusedFiles();
    EXPECT_EQ(prompt.shown().size(), 2u);
    EXPECT_FALSE(fileExists(dir.text("Home/a.mpi")));
    EXPECT_TRUE(fileExists(dir.text("Home/b.MPI")));
    for (const char* kept : {"Used.mpi", "HIDDEN.mpi", "notes.txt", "Other.mpi"})
        EXPECT_TRUE(fileExists(dir.text(std::string("Home/") + kept))) << kept;
    for (const auto& [onDisk, used] : spellings)
        EXPECT_TRUE(fileExists(dir.text(std::string("Home/") + onDisk))) << onDisk;

    // Cancel ends the questions.
    dir.write("Home/c.mpi", "x");
    prompt.clear();
    prompt.answer(Answer::Cancel, "b.MPI");
    view.DeleteUnusedFiles();
    EXPECT_EQ(prompt.shown().size(), 1u);
    EXPECT_TRUE(fileExists(dir.text("Home/c.mpi")));

    // Nothing unused: one message.
    fs::remove(toFsPath(dir.text("Home/b.MPI")));
    fs::remove(toFsPath(dir.text("Home/c.mpi")));
    prompt.clear();
    view.DeleteUnusedFiles();
    ASSERT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(prompt.shown()[0].message, "No unused Files deleted.");
    EXPECT_EQ(prompt.shown()[0].icon, Icon::Information);
}

TEST_F(ProjectViewTest, TheEnableRulesReadTheAdvancedSettingEachTime)
{
    ASSERT_TRUE(view.LoadProject(projectFile));
    view.Select(0);
    view.DeviceTypeChanged(5);
    EXPECT_TRUE(view.Enabled().configFile);
    settings.setAdvanced(false);
    EXPECT_TRUE(view.Enabled().configFile);
    view.ApplyEnableRules();
    EXPECT_FALSE(view.Enabled().configFile);
    EXPECT_FALSE(view.Enabled().deviceType);
    EXPECT_TRUE(view.Enabled().options);
}

} // namespace
} // namespace zr48
