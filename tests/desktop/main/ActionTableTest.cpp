// The action table's rules against situations, and the menus and tool bar built from it.

#include "desktop/main/ActionTable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace zr48 {
namespace {

using enum ActionId;

std::set<ActionId> enabledIn(const Situation& s)
{
    std::set<ActionId> out;
    for (const ActionRow& row : actionTable())
        if (row.enabled(s))
            out.insert(row.id);
    return out;
}

std::set<ActionId> visibleIn(const Situation& s)
{
    std::set<ActionId> out;
    for (const ActionRow& row : actionTable())
        if (row.visible(s))
            out.insert(row.id);
    return out;
}

Situation activeWindow(DocumentKind kind, std::string title, std::string file, int count = 1)
{
    Situation s;
    s.documentCount = count;
    s.activeKind = kind;
    s.activeTitle = std::move(title);
    s.activeDocumentFile = std::move(file);
    s.anyDocumentModified = s.activeTitle.find('*') != std::string::npos;
    return s;
}

TEST(ActionTable, RowsAreInIdOrderWithTheirNames)
{
    for (std::size_t i = 0; i < kActionCount; ++i)
        EXPECT_EQ(static_cast<std::size_t>(actionTable()[i].id), i) << actionTable()[i].name;
    EXPECT_STREQ(actionRow(FileNewProject).shortcut, "Ctrl+P");
    EXPECT_STREQ(actionRow(NewTextFile).shortcut, "Ctrl+N");
    EXPECT_STREQ(actionRow(InfraredOptimizer).name, "ActionInfraredOptimizer");
}

// Every entry of a menu can be reached from the keyboard: one access key each, none twice in a menu
// (the File menu's "Recent &Files" included), and the menu bar's own keys differ too.
TEST(ActionTable, EveryMenuEntryHasAnAccessKeyOfItsOwn)
{
    const auto accessKey = [](const std::string& caption) -> char {
        for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] == '&' && caption[i + 1] != '&')
                return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
            if (caption[i] == '&')
                ++i;
        }
        return 0;
    };
    std::set<char> menuKeys;
    for (const MenuRow& menu : menuTable()) {
        SCOPED_TRACE(menu.caption);
        EXPECT_TRUE(menuKeys.insert(accessKey(menu.caption)).second);
        std::set<char> keys;
        if (std::string(menu.objectName) == "FileMenu")
            keys.insert('f'); // Recent Files
        for (const MenuEntry& entry : menu.entries) {
            if (!entry.action)
                continue;
            const std::string caption = actionRow(*entry.action).caption;
            const char key = accessKey(caption);
            EXPECT_NE(key, 0) << caption << " has no access key";
            EXPECT_TRUE(keys.insert(key).second) << caption << ": '" << key << "' is taken in its menu";
        }
    }
}

TEST(ActionTable, ToolsMenuVisibilityFollowsExpertWhateverTheLink)
{
    const std::set<ActionId> always{UpdateFirmware, InfraredOptimizer, InfraredImport, Options};
    const std::set<ActionId> expertOnly{MemoryViewer, DisplayDump, InfraredScope};
    for (const bool expert : {false, true}) {
        for (const bool connected : {false, true}) {
            Situation s;
            s.expert = expert;
            s.connected = connected;
            const auto visible = visibleIn(s);
            const auto enabled = enabledIn(s);
            for (const ActionId id : always)
                EXPECT_TRUE(visible.contains(id)) << actionRow(id).name;
            for (const ActionId id : expertOnly) {
                EXPECT_EQ(visible.contains(id), expert) << actionRow(id).name << " expert " << expert;
                // Shown but disabled while the link is down.
                EXPECT_EQ(enabled.contains(id), connected) << actionRow(id).name;
            }
            EXPECT_EQ(enabled.contains(UpdateFirmware), connected);
        }
    }
}

TEST(ActionTable, EnableRulesAgainstSituations)
{
    const std::set<ActionId> always{FileNewProject, NewTextFile, FileOpen, FileExit, Options, HelpAbout};
    const std::set<ActionId> windowOpen{FileClose,          CloseAll,          WindowCascade, WindowTileHorizontal,
                                        WindowTileVertical, WindowMinimizeAll, WindowArrange};
    const auto with = [](std::set<ActionId> base, std::initializer_list<std::set<ActionId>> more) {
        for (const auto& part : more)
            base.insert(part.begin(), part.end());
        return base;
    };

    Situation connectedOnly;
    connectedOnly.connected = true;
    Situation unnamedModified = activeWindow(DocumentKind::TextEditor, "Text Editor - [Unnamed1] *", "[Unnamed1]");
    Situation projectConnected =
        activeWindow(DocumentKind::ProjectWindow, "ZR48 Project - [PROJECT]\\Home.mpj", "/p/Home.mpj");
    projectConnected.connected = true;
    Situation projectOffline = projectConnected;
    projectOffline.connected = false;
    const Situation viewer = activeWindow(DocumentKind::SectorViewer, "MMC Data Viewer", "", 2);
    Situation otherModified = activeWindow(DocumentKind::TextEditor, "Text Editor - /p/a.txt", "/p/a.txt", 2);
    otherModified.anyDocumentModified = true;
    Situation textFocus;
    textFocus.focusIsText = true;
    textFocus.clipboardHasText = true;
    Situation selection;
    selection.focusIsText = true;
    selection.focusHasSelection = true;
    Situation clipboardOnly; // text in the clipboard, but no text control has the focus
    clipboardOnly.clipboardHasText = true;

    const struct {
        const char* name;
        Situation situation;
        std::set<ActionId> enabled;
    } cases[] = {
        {"nothing open", Situation{}, always},
        {"link connected", connectedOnly, with(always, {{UpdateFirmware, MemoryViewer, DisplayDump, InfraredScope}})},
        {"modified unnamed editor", unnamedModified, with(always, {windowOpen, {FileSave, FileSaveAs, SaveAll}})},
        {"project window, connected", projectConnected,
         with(always, {windowOpen,
                       {Download, CompareWithUnit, CleanupProject, ExportReport, UpdateFirmware, MemoryViewer,
                        DisplayDump, InfraredScope}})},
        {"project window, offline", projectOffline, with(always, {windowOpen, {CleanupProject, ExportReport}})},
        {"sector viewer", viewer, with(always, {windowOpen})},
        {"another window modified", otherModified, with(always, {windowOpen, {FileSaveAs, SaveAll}})},
        {"text focus and clipboard", textFocus, with(always, {{EditPaste}})},
        {"selection", selection, with(always, {{EditCut, EditCopy}})},
        {"clipboard without text focus", clipboardOnly, always},
    };
    for (const auto& c : cases)
        EXPECT_EQ(enabledIn(c.situation), c.enabled) << c.name;
}

TEST(ActionTable, InfraredOptimizerNeedsAnEditorOnALowerCaseMpiFile)
{
    const struct {
        DocumentKind kind;
        const char* file;
        bool enabled;
    } cases[] = {
        {DocumentKind::TextEditor, "/p/dev.mpi", true},      {DocumentKind::TextEditor, "/p/DEV.MPI", false},
        {DocumentKind::TextEditor, "/p/dev.Mpi", false},     {DocumentKind::TextEditor, "[Unnamed1]", false},
        {DocumentKind::TextEditor, "/p/dev.mpi.bak", false}, {DocumentKind::ProjectWindow, "/p/dev.mpi", false},
    };
    for (const auto& c : cases) {
        const Situation s = activeWindow(c.kind, std::string("Text Editor - ") + c.file, c.file);
        EXPECT_EQ(actionRow(InfraredOptimizer).enabled(s), c.enabled) << c.file;
    }
}

TEST(ActionTable, HintsSplitIntoToolTipAndStatusText)
{
    EXPECT_EQ(shortHint(actionRow(NewTextFile).hint), "New");
    EXPECT_EQ(longHint(actionRow(NewTextFile).hint), "Create a new text file");
    EXPECT_EQ(longHint(actionRow(HelpAbout).hint), "Displays program information, version number, and copyright");
    // One part alone serves as both.
    EXPECT_EQ(shortHint(actionRow(EditCopy).hint), "Copy");
    EXPECT_EQ(longHint(actionRow(EditCopy).hint), "Copy");
}

} // namespace
} // namespace zr48
