#include "desktop/project/ProjectView.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "desktop/common/DocumentRules.h"
#include "project/DeviceFileInfo.h"
#include "project/DeviceTypes.h"
#include "project/SimpleIniFile.h"

#include <algorithm>
#include <filesystem>

namespace zr48 {

namespace {

namespace fs = std::filesystem;

bool isDeviceFileName(std::string_view name)
{
    return sameText(extractFileExt(name), ".mpi");
}

// Whether a slot names the file `name` of `folder` by any spelling: its bytes, their reading as
// Windows-1252 (a project written on Windows), either in other letter case, or another name of the
// same file on disk.
bool usedByAnySlot(const TProjectFile& project, const std::string& folder, const std::string& name)
{
    const std::string spellings[] = {folder + name, folder + pathFromProjectText(name)};
    const auto names = [&spellings](const std::string& used) {
        return std::any_of(std::begin(spellings), std::end(spellings),
                           [&used](const std::string& spelling) { return sameText(used, spelling); });
    };
    return std::any_of(project.Devices.begin(), project.Devices.end(), [&](const DEVICE_CONFIG& slot) {
        return !slot.ConfigFile.empty() && (names(slot.ConfigFile) || sameFile(slot.ConfigFile, spellings[0]));
    });
}

} // namespace

std::string projectTitle(std::string_view documentFile, bool modified)
{
    std::string title = "ZR48 Project";
    if (!documentFile.empty())
        title += " - " + DisplayPath(documentFile, projectFolderOf(documentFile));
    if (modified)
        title += " *";
    return title;
}

ProjectEnableRules enableRulesFor(int position, bool advanced)
{
    const TDeviceTypeInfo& type =
        position >= 0 && position < kDeviceTypeCount ? kDeviceTypes[static_cast<size_t>(position)] : kDeviceTypes[0];
    ProjectEnableRules rules;
    rules.deviceType = advanced;
    rules.deviceName = type.HasDeviceName;
    rules.sourceSelect = type.UsesSourceSelect;
    rules.options = type.HasOptions;
    rules.configFile = type.FileSectors != 0 && advanced;
    return rules;
}

std::vector<OptionItem> optionItems(std::string_view configFile, std::string_view optionList)
{
    std::vector<OptionItem> items;
    if (!fileExists(configFile))
        return items;
    try {
        const std::array<Text, kDeviceOptionCount> texts = DeviceOptionTexts(TSimpleIniFile(configFile));
        for (int n = 1; n <= kDeviceOptionCount; ++n) {
            const Text& value = texts[static_cast<std::size_t>(n - 1)];
            OptionItem item;
            item.enabled = !value.empty();
            item.text = std::to_string(n) + ": " + value;
            const auto i = static_cast<size_t>(n - 1);
            item.checked = item.enabled && i < optionList.size() && optionList[i] == '1';
            items.push_back(std::move(item));
        }
    } catch (const Error&) {
        items.clear(); // a device file that cannot be read offers no options
    }
    return items;
}

Text optionListOf(const std::vector<bool>& checks)
{
    Text list;
    for (const bool checked : checks)
        list += checked ? '1' : '0';
    return list;
}

std::vector<Text> memoLines(std::string_view text)
{
    std::vector<Text> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

ProjectView::ProjectView(Settings& settings, Prompt& prompt, int windowNumber)
    : settings_(settings), prompt_(prompt), documentFile_(placeholderName(DocumentKind::ProjectWindow, windowNumber)),
      title_(projectTitle(documentFile_, false))
{
    applyEnableRules();
}

void ProjectView::UpdateCaption(const std::string& path, bool mark)
{
    caption(path, mark);
    Changed();
}

void ProjectView::MemoEdited()
{
    UpdateCaption(documentFile_, true);
}

void ProjectView::caption(const std::string& path, bool mark)
{
    if (mark)
        modified_ = true;
    documentFile_ = path;
    title_ = projectTitle(documentFile_, modified_);
}

std::vector<int> ProjectView::TopLevelSlots()
{
    std::vector<int> slots;
    for (int slot = 0; slot < TProjectFile::kSlotCount; slot += TProjectFile::kSlotsPerGroup)
        slots.push_back(slot);
    return slots;
}

std::vector<int> ProjectView::ChildSlots(int topSlot) const
{
    std::vector<int> children;
    if (project_.Slot(topSlot).DeviceType == 0) {
        for (int k = 1; k < TProjectFile::kSlotsPerGroup; ++k)
            children.push_back(topSlot + k);
    }
    return children;
}

void ProjectView::Select(int slot)
{
    if (slot < 0 || slot >= TProjectFile::kSlotCount)
        return;
    selected_ = slot;
    SelectionChange();
    Changed();
}

void ProjectView::SelectionChange()
{
    ShowSlot();
    applyEnableRules();
    FillOptions();
}

void ProjectView::ShowSlot()
{
    // Putting values into the controls never marks the project modified.
    const DEVICE_CONFIG& slot = project_.Slot(selected_);
    controls_.caption = slot.SlotName;
    controls_.deviceType = DeviceTypeInfo(slot.DeviceType) ? slot.DeviceType : -1;
    controls_.sourceSelect = slot.SourceSelect < kSourceSelectNames.size() ? slot.SourceSelect : -1;
    controls_.deviceName = slot.DeviceName;
    controls_.configFile = DisplayPath(slot.ConfigFile);
    ++controlsShown_;
    caption(documentFile_, false);
}

void ProjectView::ApplyEnableRules()
{
    applyEnableRules();
    Changed();
}

void ProjectView::applyEnableRules()
{
    enabled_ = enableRulesFor(controls_.deviceType, settings_.advanced());
}

void ProjectView::FillOptions()
{
    const DEVICE_CONFIG& slot = project_.Slot(selected_);
    options_ = optionItems(slot.ConfigFile, slot.OptionList);
    ++optionsFilled_;
}

void ProjectView::DeviceTypeChanged(int position)
{
    if (selected_ == kNoSlot || position < 0 || position >= kDeviceTypeCount)
        return;
    project_.Slot(selected_).DeviceType = static_cast<std::uint16_t>(position);
    controls_.deviceType = position;
    applyEnableRules();
    UpdateCaption(documentFile_, true);
}

void ProjectView::DeviceNameEdited(const Text& name)
{
    if (selected_ == kNoSlot)
        return;
    project_.Slot(selected_).DeviceName = name;
    UpdateCaption(documentFile_, true);
}

void ProjectView::SourceSelectChanged(int position)
{
    if (selected_ == kNoSlot || position < 0 || position >= static_cast<int>(kSourceSelectNames.size()))
        return;
    project_.Slot(selected_).SourceSelect = static_cast<std::uint16_t>(position);
    UpdateCaption(documentFile_, true);
}

void ProjectView::ConfigFileEdited(const std::string& text)
{
    if (selected_ == kNoSlot)
        return;
    project_.Slot(selected_).ConfigFile = ResolvePath(text);
    UpdateCaption(documentFile_, true);
}

void ProjectView::OptionsClicked(const std::vector<bool>& checks)
{
    if (selected_ == kNoSlot)
        return;
    project_.Slot(selected_).OptionList = optionListOf(checks);
    for (size_t i = 0; i < options_.size() && i < checks.size(); ++i)
        options_[i].checked = checks[i];
    UpdateCaption(documentFile_, true);
}

void ProjectView::Browse(const std::string& path)
{
    if (selected_ == kNoSlot)
        return;
    // As if the shown path had been typed: the slot gets the full path.
    project_.Slot(selected_).ConfigFile = ResolvePath(DisplayPath(path));
    SelectionChange();
    UpdateCaption(documentFile_, true);
}

void ProjectView::Drop(int targetSlot, const DEVICE_CONFIG& entry)
{
    if (targetSlot < 0 || targetSlot >= TProjectFile::kSlotCount)
        return;
    // A copy: the source may change or go while a question is open.
    const DEVICE_CONFIG source = entry;
    selected_ = targetSlot;
    SelectionChange();
    // The target shows selected before the copy may ask about overwriting a file.
    Changed();
    project_.AssignSlot(targetSlot, source, prompt_);
    SelectionChange();
    UpdateCaption(documentFile_, true);
}

void ProjectView::ClearSelectedSlot()
{
    if (selected_ == kNoSlot)
        return;
    TProjectFile::ClearSlot(project_.Slot(selected_));
    SelectionChange();
    UpdateCaption(documentFile_, true);
}

bool ProjectView::LoadProject(const std::string& path)
{
    // A missing file is a new, empty project; one that is there but cannot be read is not.
    std::error_code ec;
    if (fs::exists(toFsPath(path), ec)) {
        try {
            readFileBytes(path);
        } catch (const Error& error) {
            prompt_.error(error.message());
            return false;
        }
    }
    caption(path, false);
    project_.Load(path);
    selected_ = 0;
    SelectionChange();
    modified_ = false;
    caption(path, false);
    Changed();
    return true;
}

void ProjectView::SaveProject(const std::string& path, std::vector<Text> description, std::vector<Text> projectInfo)
{
    project_.Description = std::move(description);
    project_.ProjectInfo = std::move(projectInfo);
    project_.Save(path);
    // The window holds what the file says, and its controls show it.
    project_.Load(path);
    if (selected_ != kNoSlot)
        SelectionChange();
    modified_ = false;
    caption(path, false);
    Changed();
}

void ProjectView::DeleteUnusedFiles()
{
    const std::string folder = ProjectFolder();
    std::vector<std::string> names;
    std::error_code ec;
    if (!folder.empty()) {
        for (fs::directory_iterator it(toFsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            const std::string name = fromFsPath(it->path().filename());
            if (isDeviceFileName(name) && it->is_regular_file(typeError))
                names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());

    Answer answer = Answer::Yes;
    int questions = 0;
    for (const std::string& name : names) {
        if (answer == Answer::Cancel)
            break;
        const std::string path = folder + name;
        if (usedByAnySlot(project_, folder, name))
            continue;
        answer = prompt_.confirm(
            name + "\n\nThis File is not used in the current Project.\nDo you want to delete this File?",
            Buttons::YesNoCancel);
        ++questions;
        if (answer == Answer::Yes) {
            std::error_code removeError;
            if (!fs::remove(toFsPath(path), removeError) && removeError)
                prompt_.error("Could not delete \"" + path + "\":\n" + removeError.message());
        }
    }
    if (questions == 0)
        prompt_.information("No unused Files deleted.");
}

void ProjectView::Changed()
{
    if (OnViewChanged)
        OnViewChanged();
}

} // namespace zr48
