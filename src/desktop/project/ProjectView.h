#pragma once
// The project window's logic, free of Qt: the project it edits, its DocumentFile and modified
// flag, the title, the slot tree's shape, the selected slot and what the parameter controls show,
// the enable rules, the option list, every user change, drops, loading, saving and the clean-up of
// unused device files. TProjectForm only binds widgets to it.

#include "base/Text.h"
#include "project/ProjectFile.h"
#include "project/ProjectPaths.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

class Prompt;
class Settings;

// "ZR48 Project", then " - " and the shown path when there is one, then " *" when modified.
std::string projectTitle(std::string_view documentFile, bool modified);

// Which parameter controls the user may change.
struct ProjectEnableRules {
    bool deviceType = false;
    bool deviceName = false;
    bool sourceSelect = false;
    bool options = false;
    bool configFile = false; // the edit, "Browse" and "Edit"
    bool operator==(const ProjectEnableRules&) const = default;
};
// For the device type at `position` of the type list; a position outside the table enables what
// "No Device" enables.
ProjectEnableRules enableRulesFor(int position, bool advanced);

// One row of the option list: "3: Night mode".
struct OptionItem {
    Text text;
    bool enabled = false;
    bool checked = false;
    bool operator==(const OptionItem&) const = default;
};
// The nine options of a device file, checked from `optionList`; empty when the file does not
// exist or cannot be read.
std::vector<OptionItem> optionItems(std::string_view configFile, std::string_view optionList);
// One character per item: "1" for a checked one, "0" otherwise.
Text optionListOf(const std::vector<bool>& checks);

// The lines of a memo's text: split at line breaks; a final line break starts no line of its own,
// and an empty text has no lines.
std::vector<Text> memoLines(std::string_view text);

// What the parameter controls show, as the window put it there when it showed the slot.
struct SlotControls {
    Text caption = "Parameters";
    int deviceType = -1;    // list position; -1 for a type outside the table
    Text deviceName;        //
    int sourceSelect = -1;  // list position; -1 for a value outside the list
    std::string configFile; // DisplayPath of the device file
};

class ProjectView {
public:
    static constexpr int kNoSlot = -1;

    ProjectView(Settings& settings, Prompt& prompt, int windowNumber);

    TProjectFile& project() { return project_; }
    const TProjectFile& project() const { return project_; }
    const std::string& DocumentFile() const { return documentFile_; }
    bool ProjectModified() const { return modified_; }
    const std::string& Title() const { return title_; }
    std::string ProjectFolder() const { return projectFolderOf(documentFile_); }
    std::string DisplayPath(std::string_view path) const { return zr48::DisplayPath(path, ProjectFolder()); }
    std::string ResolvePath(std::string_view path) const { return zr48::ResolvePath(path, ProjectFolder()); }
    void UpdateCaption(const std::string& path, bool mark);

    // The tree: nine top-level nodes for the groups' first slots; six children for the group's
    // other slots while the first one holds no device.
    static std::vector<int> TopLevelSlots();
    std::vector<int> ChildSlots(int topSlot) const;
    // Assigned slots are drawn underlined.
    bool Assigned(int slot) const { return project_.Slot(slot).DeviceType != 0; }

    // The selected node's slot, and the selection change (show the slot, apply the enable rules,
    // fill the options).
    int SelectedSlot() const { return selected_; }
    void Select(int slot);
    const SlotControls& Controls() const { return controls_; }
    // Counts how often the controls were put in by the window: the form renders them anew only
    // then, never while the user types.
    int ControlsShown() const { return controlsShown_; }
    const ProjectEnableRules& Enabled() const { return enabled_; }
    const std::vector<OptionItem>& Options() const { return options_; }
    int OptionsFilled() const { return optionsFilled_; }
    void ApplyEnableRules();

    // The user's changes to the selected slot.
    void DeviceTypeChanged(int position);
    void DeviceNameEdited(const Text& name);
    void SourceSelectChanged(int position);
    void ConfigFileEdited(const std::string& text);
    void OptionsClicked(const std::vector<bool>& checks);
    void MemoEdited();
    // "Browse" chose `path`.
    void Browse(const std::string& path);

    // A drag whose source shows `entry` may be dropped: one with a device file.
    static bool AcceptsEntry(const DEVICE_CONFIG* entry) { return entry && !entry->ConfigFile.empty(); }
    // `entry` dropped on the node of `targetSlot`: the slot is filled and its device file copied into
    // the project folder.
    void Drop(int targetSlot, const DEVICE_CONFIG& entry);
    void ClearSelectedSlot();

    // Shows the project file at `path`. False, with the reason shown, when the file exists but
    // cannot be read; the window then shows nothing of it.
    bool LoadProject(const std::string& path);
    // Writes the project with the memos' lines to `path`, then loads it again. Throws zr48::Error
    // when the file cannot be written; the window then stays modified.
    void SaveProject(const std::string& path, std::vector<Text> description, std::vector<Text> projectInfo);
    // Offers to delete the device files of the project folder that no slot uses.
    void DeleteUnusedFiles();

    // Called after every change of what the window shows.
    std::function<void()> OnViewChanged;

private:
    // The title step without notice: mark sets the modified flag, nothing clears it.
    void caption(const std::string& path, bool mark);
    void ShowSlot();
    void applyEnableRules();
    void FillOptions();
    void SelectionChange();
    void Changed();

    Settings& settings_;
    Prompt& prompt_;
    TProjectFile project_;
    std::string documentFile_;
    bool modified_ = false;
    std::string title_;
    int selected_ = kNoSlot;
    SlotControls controls_;
    int controlsShown_ = 0;
    ProjectEnableRules enabled_;
    std::vector<OptionItem> options_;
    int optionsFilled_ = 0;
};

} // namespace zr48
