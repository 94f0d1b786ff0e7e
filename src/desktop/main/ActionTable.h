#pragma once
// The main window's commands as one table, row for row: name, category, caption, shortcut, image
// position, hint, and the rules that enable and show the action in a given situation. The menus
// and the tool bar are tables too; the window builds its actions, menus and buttons from them and
// re-evaluates the rules whenever something they read may have changed.

#include "desktop/common/Document.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

enum class ActionId {
    FileNewProject,
    NewTextFile,
    FileOpen,
    FileClose,
    CloseAll,
    FileSave,
    FileSaveAs,
    SaveAll,
    ExportReport,
    FileExit,
    EditCut,
    EditCopy,
    EditPaste,
    Download,
    CompareWithUnit,
    CleanupProject,
    UpdateFirmware,
    MemoryViewer,
    DisplayDump,
    InfraredScope,
    InfraredOptimizer,
    InfraredImport,
    Options,
    WindowCascade,
    WindowTileHorizontal,
    WindowTileVertical,
    WindowMinimizeAll,
    WindowArrange,
    HelpAbout,
    Count
};

inline constexpr std::size_t kActionCount = static_cast<std::size_t>(ActionId::Count);

// What the rules look at. The active window is the first of the document window list.
struct Situation {
    bool connected = false; // the link's Connected flag
    bool expert = false;    // the Expert setting, read from the store
    int documentCount = 0;
    bool anyDocumentModified = false; // some document window's title contains "*"
    std::optional<DocumentKind> activeKind;
    std::string activeTitle;        // UTF-8
    std::string activeDocumentFile; // UTF-8
    bool focusIsText = false;       // a text control has the focus
    bool focusHasSelection = false; // ... and text selected
    bool clipboardHasText = false;
    bool transferRunning = false; // a download, an upload, a comparison or a firmware update runs
};

using Rule = bool (*)(const Situation&);

struct ActionRow {
    ActionId id;
    const char* name;     // the action's object name
    const char* category; // "File", "Edit", "Project", "Tools", "Window", "Help"
    const char* caption;  // "&" marks the access key
    const char* shortcut; // "" for none
    int image;            // position in the image list; -1 for none
    const char* hint;     // "Short|Long"; one part alone serves as both; "" for none
    Rule enabled;
    Rule visible;
};

const std::array<ActionRow, kActionCount>& actionTable();
const ActionRow& actionRow(ActionId id);

// The tool tip and the status-bar text of a hint.
std::string shortHint(std::string_view hint);
std::string longHint(std::string_view hint);

// A menu entry points to an action; an entry without one is a separator.
struct MenuEntry {
    std::optional<ActionId> action;
    const char* objectName = "";
};

struct MenuRow {
    const char* caption;
    const char* objectName;
    const char* hint;
    std::vector<MenuEntry> entries;
    // The Window menu lists the open document windows after its entries.
    bool listsDocumentWindows = false;
};

const std::vector<MenuRow>& menuTable();
// The tool bar's buttons, left to right; nullopt is a separator.
const std::vector<std::optional<ActionId>>& toolBarTable();

} // namespace zr48
