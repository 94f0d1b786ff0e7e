#pragma once
// The project window: one project's 63 slots as a tree of nine groups beside the selected slot's
// parameters, and the project's description and menu lines on a second page. It shows its
// ProjectView and forwards every user action to it.

#include "desktop/common/DocumentWindow.h"
#include "desktop/project/EntryDrag.h"
#include "desktop/project/ProjectDocument.h"
#include "desktop/project/ProjectView.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTextEdit;
class QTreeWidgetItem;

namespace zr48 {

class Shell;

class TProjectForm : public TDocumentWindow, public ProjectDocument, public DeviceEntrySource {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 410;
    static constexpr int kClientHeight = 281;
    static constexpr int kTreeWidth = 137;
    static constexpr int kIndent = 19;
    // The parameter fields' width: a device type's name and an option's text fit.
    static constexpr int kFieldWidth = 190;

    TProjectForm(Shell& shell, int windowNumber, QWidget* parent = nullptr);

    // ProjectDocument.
    void LoadProject(const std::string& path) override;
    bool PrepareDownload() override;
    void DeleteUnusedFiles() override;
    void ClearSelectedSlot() override;
    void ApplyEnableRules() override;
    std::optional<TProjectFile> CurrentProject() const override;
    void ShowSlot(int slot) override;
    void ShowMenuLine(int line) override;
    ProjectDocument* project() override { return this; }
    void SaveDocument() override { SaveProject(documentFile()); }
    // Throws zr48::Error when the file cannot be written; the window then stays modified. False when
    // the user chose not to save memo lines with characters the unit cannot hold. After a save the
    // controls show what the file holds.
    bool SaveProject(const std::string& path);

    // DeviceEntrySource: the selected node's slot.
    const DEVICE_CONFIG* selectedEntry() const override;

    const ProjectView& view() const { return view_; }
    ProjectView& view() { return view_; }

    // The controls, for tests.
    QTabWidget* pageControl() const { return PageControl; }
    EntryTree* treeView() const { return TreeView; }
    QGroupBox* parametersBox() const { return GBoxParameters; }
    QComboBox* deviceTypeBox() const { return ComboBoxDeviceType; }
    QLineEdit* deviceNameEdit() const { return EditDeviceName; }
    QComboBox* sourceSelectBox() const { return ComboBoxK73Select; }
    QListWidget* optionsList() const { return CheckListBoxOptions; }
    QLineEdit* configFileEdit() const { return EditConfigFile; }
    QPushButton* browseButton() const { return ButtonLoadConfigFile; }
    QPushButton* editButton() const { return ButtonEditConfigFile; }
    QPlainTextEdit* descriptionMemo() const { return ProjectDescriptionMemo; }
    QTextEdit* informationMemo() const { return ProjectInformationMemo; }
    // What the device name field says when it refuses a character the unit cannot hold.
    static constexpr const char* kUnstorableCharacterHint =
        "The ZR48 shows only Western European letters, digits and signs: this character cannot be stored.";
    // The tree node of a slot (null while the slot is hidden).
    QTreeWidgetItem* nodeOfSlot(int slot) const;

    // "Browse" and "Edit".
    void ButtonLoadConfigFileClick();
    void ButtonEditConfigFileClick();
    // Whether a drag with this data may be dropped on the tree, and its drop on a node.
    bool TreeViewDragOver(const QMimeData* mime) const;
    void TreeViewDragDrop(const QMimeData* mime, QTreeWidgetItem* target);

protected:
    // The frame is as large as the fixed client area, and no larger.
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    // Brings every control in line with the view.
    void render();
    void syncTree();
    void renderControls();
    void renderEnabled();
    void renderOptions();
    void fillMemos();
    void optionClicked();
    static int slotOf(const QTreeWidgetItem* item);

    Shell& shell_;
    ProjectView view_;
    bool rendering_ = false;
    int controlsShown_ = -1;
    int optionsFilled_ = -1;

    QTabWidget* PageControl;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    EntryTree* TreeView;
    QGroupBox* GBoxParameters;
    QComboBox* ComboBoxDeviceType;
    QLineEdit* EditDeviceName;
    QComboBox* ComboBoxK73Select;
    QListWidget* CheckListBoxOptions;
    QLineEdit* EditConfigFile;
    QPushButton* ButtonLoadConfigFile;
    QPushButton* ButtonEditConfigFile;
    QPlainTextEdit* ProjectDescriptionMemo;
    QTextEdit* ProjectInformationMemo;
};

} // namespace zr48
