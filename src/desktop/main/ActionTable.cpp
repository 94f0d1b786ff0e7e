#include "desktop/main/ActionTable.h"

#include "base/Paths.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/PicturePositions.h"

namespace zr48 {

namespace {

// The rules. One that names a window kind is false without an active window.
// clang-format off
bool always(const Situation&)                    { return true; }
bool documentOpen(const Situation& s)            { return s.documentCount > 0; }
bool activeModified(const Situation& s)          { return s.activeKind && titleShowsModified(s.activeTitle); }
bool activeIsEditor(const Situation& s)          { return s.activeKind == DocumentKind::TextEditor; }
bool activeIsProject(const Situation& s)         { return s.activeKind == DocumentKind::ProjectWindow; }
bool anyModified(const Situation& s)             { return s.anyDocumentModified; }
bool textSelected(const Situation& s)            { return s.focusIsText && s.focusHasSelection; }
bool canPaste(const Situation& s)                { return s.focusIsText && s.clipboardHasText; }
bool projectAndConnected(const Situation& s)     { return activeIsProject(s) && s.connected; }
// A comparison reads the card with the uploader's frames: never beside another transfer.
bool projectConnectedIdle(const Situation& s)    { return projectAndConnected(s) && !s.transferRunning; }
bool connected(const Situation& s)               { return s.connected; }
bool expert(const Situation& s)                  { return s.expert; }
// The extension compared with its letter case: "DEV.MPI" does not qualify.
bool editorOnDeviceFile(const Situation& s)      { return activeIsEditor(s) && extractFileExt(s.activeDocumentFile) == ".mpi"; }
// clang-format on

using enum ActionId;

// clang-format off
const std::array<ActionRow, kActionCount> kActions{{
//   id                    name                           category   caption               shortcut  image hint                                                                   enabled              visible
    {FileNewProject,       "ActionFileNewProject",        "File",    "&New Project...",    "Ctrl+P", 10,   "New|Create a new project",                                            always,              always},
    {NewTextFile,          "ActionNewTextFile",           "File",    "New &Text File",     "Ctrl+N", 6,    "New|Create a new text file",                                          always,              always},
    {FileOpen,             "ActionFileOpen",              "File",    "&Open...",           "Ctrl+O", 7,    "Open|Open a file",                                                    always,              always},
    {FileClose,            "ActionFileClose",             "File",    "&Close",             "",       -1,   "Close|Close current file",                                            documentOpen,        always},
    {CloseAll,             "ActionCloseAll",              "File",    "Close A&ll",         "",       -1,   "",                                                                    documentOpen,        always},
    {FileSave,             "ActionFileSave",              "File",    "&Save",              "Ctrl+S", 8,    "Save|Save current file",                                              activeModified,      always},
    {FileSaveAs,           "ActionFileSaveAs",            "File",    "Save &As...",        "",       -1,   "Save As|Save current file with different name",                       activeIsEditor,      always},
    {SaveAll,              "ActionSaveAll",               "File",    "Sa&ve All",          "",       23,   "",                                                                    anyModified,         always},
    {ExportReport,         "ActionExportReport",          "File",    "Export &Report...",  "",       -1,   "Export Report|Write the installation report of the current project as a PDF or HTML file", activeIsProject, always},
    {FileExit,             "ActionFileExit",              "File",    "E&xit",              "",       -1,   "Exit|Exit application",                                               always,              always},
    {EditCut,              "ActionEditCut",               "Edit",    "Cu&t",               "Ctrl+X", 25,   "Cut",                                                                 textSelected,        always},
    {EditCopy,             "ActionEditCopy",              "Edit",    "&Copy",              "Ctrl+C", 1,    "Copy",                                                                textSelected,        always},
    {EditPaste,            "ActionEditPaste",             "Edit",    "&Paste",             "Ctrl+V", 26,   "Paste",                                                               canPaste,            always},
    {Download,             "ActionDownload",              "Project", "&Download to ZR48",  "",       9,    "",                                                                    projectAndConnected, always},
    {CompareWithUnit,      "ActionCompareWithUnit",       "Project", "&Compare with ZR48", "",       -1,   "Compare|Tell whether the ZR48 holds the current project, slot by slot", projectConnectedIdle, always},
    {CleanupProject,       "ActionCleanupProject",        "Project", "Delete &unused mpi Files", "",  -1,   "",                                                                    activeIsProject,     always},
    {UpdateFirmware,       "ActionUpdateFirmware",        "Tools",   "Update &Firmware...", "",       -1,   "",                                                                    connected,           always},
    {MemoryViewer,         "ActionMemoryViewer",          "Tools",   "&MMC Data Viewer",   "",       kCardViewerPicture, "",                                                                    connected,           expert},
    {DisplayDump,          "ActionDisplayDump",           "Tools",   "&Display Dump...",   "",       -1,   "",                                                                    connected,           expert},
    {InfraredScope,        "ActionInfraredScope",         "Tools",   "IR &Scope",          "",       -1,   "",                                                                    connected,           expert},
    {InfraredOptimizer,    "ActionInfraredOptimizer",     "Tools",   "IR &Optimizer",      "",       -1,   "",                                                                    editorOnDeviceFile,  always},
    {InfraredImport,       "ActionInfraredImport",        "Tools",   "&Import Infrared Codes...", "",  -1,   "Import Infrared Codes|Put the buttons of a Flipper .ir file or of Pronto hex into this device file", editorOnDeviceFile, always},
    {Options,              "ActionOptions",               "Tools",   "Op&tions...",        "",       -1,   "",                                                                    always,              always},
    {WindowCascade,        "ActionWindowCascade",         "Window",  "&Cascade",           "",       21,   "",                                                                    documentOpen,        always},
    {WindowTileHorizontal, "ActionWindowTileHorizontal",  "Window",  "Tile &Horizontally", "",       22,   "",                                                                    documentOpen,        always},
    {WindowTileVertical,   "ActionWindowTileVertical",    "Window",  "&Tile Vertically",   "",       20,   "",                                                                    documentOpen,        always},
    {WindowMinimizeAll,    "ActionWindowMinimizeAll",     "Window",  "&Minimize All",      "",       -1,   "",                                                                    documentOpen,        always},
    {WindowArrange,        "ActionWindowArrange",         "Window",  "&Arrange",           "",       -1,   "",                                                                    documentOpen,        always},
    {HelpAbout,            "ActionHelpAbout",             "Help",    "&About...",          "",       -1,   "About|Displays program information, version number, and copyright",   always,              always},
}};
// clang-format on

} // namespace

const std::array<ActionRow, kActionCount>& actionTable()
{
    return kActions;
}

const ActionRow& actionRow(ActionId id)
{
    return kActions[static_cast<std::size_t>(id)];
}

std::string shortHint(std::string_view hint)
{
    return std::string(hint.substr(0, hint.find('|')));
}

std::string longHint(std::string_view hint)
{
    const auto bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

const std::vector<MenuRow>& menuTable()
{
    static const std::vector<MenuRow> menus{
        {"&File",
         "FileMenu",
         "File related commands",
         {{FileNewProject, "NewProject1"},
          {NewTextFile, "NewTextFile1"},
          {},
          {FileOpen, "FileOpenItem"},
          {FileClose, "FileCloseItem"},
          {CloseAll, "SaveAll1"},
          {},
          {FileSave, "FileSaveItem"},
          {FileSaveAs, "FileSaveAsItem"},
          {SaveAll, "SaveAll2"},
          {},
          {ExportReport, "ExportReportItem"},
          {},
          {FileExit, "FileExitItem"}}},
        {"&Tools",
         "ToolsMenu",
         "",
         {{UpdateFirmware, "UpdateFirmware1"},
          {MemoryViewer, "ZR48DataViewer1"},
          {DisplayDump, "DisplayDump1"},
          {},
          {InfraredScope, "IRScope"},
          {InfraredOptimizer, "IROptimizer"},
          {InfraredImport, "IRImport"},
          {},
          {Options, "N8"}}},
        {"&Project",
         "Project1",
         "",
         {{Download, "DownloadtoZR481"},
          {CompareWithUnit, "CompareWithZR48Item"},
          {},
          {CleanupProject, "DeleteunusedmpiFiles1"}}},
        {"&Window",
         "WindowMenu",
         "",
         {{WindowCascade, "WindowCascadeItem"},
          {WindowTileHorizontal, "WindowTileHorizontalItem"},
          {WindowTileVertical, "WindowTileVerticalItem"},
          {WindowMinimizeAll, "WindowMinimizeAllItem"},
          {WindowArrange, "WindowArrangeItem"}},
         true},
        {"&Help", "HelpMenu", "Help topics", {{HelpAbout, "HelpAboutItem"}}},
    };
    return menus;
}

const std::vector<std::optional<ActionId>>& toolBarTable()
{
    constexpr std::nullopt_t separator = std::nullopt;
    // clang-format off
    static const std::vector<std::optional<ActionId>> buttons{
        FileNewProject, NewTextFile, FileOpen, separator,
        FileSave, SaveAll, separator,
        EditCut, EditCopy, EditPaste, separator,
        WindowCascade, WindowTileHorizontal, WindowTileVertical, separator,
        Download};
    // clang-format on
    return buttons;
}

} // namespace zr48
