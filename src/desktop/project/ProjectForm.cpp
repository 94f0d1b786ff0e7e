#include "desktop/project/ProjectForm.h"

#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "base/qt/QtText.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/FieldColour.h"
#include "desktop/common/FileChooser.h"
#include "desktop/common/Shell.h"
#include "desktop/editor/EditForm.h"
#include "desktop/editor/EditorRules.h"
#include "project/Compiler.h"
#include "project/DeviceTypes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValidator>

namespace zr48 {

namespace {

constexpr int kSlotRole = Qt::UserRole;
constexpr int kOptionRows = 5;
constexpr int kMenuLines = 5;

// Refuses characters that the unit cannot hold (it stores Windows-1252): they would become "?".
class StorableTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*position*/) const override
    {
        return fitsWindows1252(input) ? Acceptable : Invalid;
    }
};

// The window's client area: as large as its fixed size, so that the frame fits around it.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return minimumSize(); }
};

} // namespace

TProjectForm::TProjectForm(Shell& shell, int windowNumber, QWidget* parent)
    : TDocumentWindow(DocumentKind::ProjectWindow, windowNumber, parent), shell_(shell),
      view_(shell.settings(), shell.prompt(), windowNumber)
{
    setObjectName("ProjectForm");
    // A fixed frame: system menu and minimize button only.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    buildControls();
    view_.OnViewChanged = [this] { render(); };
    render();
}

void TProjectForm::buildControls()
{
    auto* client = new ClientArea(this);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(2, 2, 2, 2);
    PageControl = new QTabWidget(client);
    PageControl->setObjectName("PageControl");
    PageControl->setTabPosition(QTabWidget::South);
    clientLayout->addWidget(PageControl);

    // "Assignments": the tree and the selected slot's parameters.
    TabSheet1 = new QWidget(PageControl);
    TabSheet1->setObjectName("TabSheet1");
    auto* assignments = new QHBoxLayout(TabSheet1);
    assignments->setContentsMargins(4, 4, 4, 4);
    TreeView = new EntryTree(TabSheet1);
    TreeView->setObjectName("TreeView");
    TreeView->setIndentation(kIndent);
    TreeView->setFixedWidth(kTreeWidth);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    assignments->addWidget(TreeView);

    GBoxParameters = new QGroupBox("Parameters", TabSheet1);
    GBoxParameters->setObjectName("GBoxParameters");
    auto* grid = new QGridLayout(GBoxParameters);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(3);
    grid->setHorizontalSpacing(6);
    const auto addRow = [&](int row, const QString& caption, QWidget* control) {
        auto* label = new QLabel(caption, GBoxParameters);
        label->setBuddy(control);
        grid->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(control, row, 1);
        return label;
    };
    ComboBoxDeviceType = new QComboBox(GBoxParameters);
    ComboBoxDeviceType->setObjectName("ComboBoxDeviceType");
    for (const TDeviceTypeInfo& type : kDeviceTypes)
        ComboBoxDeviceType->addItem(toQString(type.Name));
    addRow(0, "Device Type:", ComboBoxDeviceType);
    EditDeviceName = new QLineEdit(GBoxParameters);
    EditDeviceName->setObjectName("EditDeviceName");
    EditDeviceName->setValidator(new StorableTextValidator(EditDeviceName));
    connect(EditDeviceName, &QLineEdit::inputRejected, this, [this] {
        QToolTip::showText(EditDeviceName->mapToGlobal(QPoint(0, EditDeviceName->height())), kUnstorableCharacterHint,
                           EditDeviceName);
    });
    addRow(1, "Device Name:", EditDeviceName);
    ComboBoxK73Select = new QComboBox(GBoxParameters);
    ComboBoxK73Select->setObjectName("ComboBoxK73Select");
    for (const std::string_view name : kSourceSelectNames)
        ComboBoxK73Select->addItem(toQString(name));
    addRow(2, "Source Select:", ComboBoxK73Select);
    // The lists open as wide as their entries; closed, they take the column's width.
    for (QComboBox* box : {ComboBoxDeviceType, ComboBoxK73Select}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(12);
    }
    CheckListBoxOptions = new QListWidget(GBoxParameters);
    CheckListBoxOptions->setObjectName("CheckListBoxOptions");
    CheckListBoxOptions->setSelectionMode(QAbstractItemView::SingleSelection);
    // Five rows high, rows as the list draws them.
    auto* sample = new QListWidgetItem("9: ", CheckListBoxOptions);
    sample->setFlags(Qt::ItemIsUserCheckable);
    sample->setCheckState(Qt::Unchecked);
    CheckListBoxOptions->setFixedHeight(kOptionRows * CheckListBoxOptions->sizeHintForRow(0) +
                                        2 * CheckListBoxOptions->frameWidth());
    CheckListBoxOptions->clear();
    CheckListBoxOptions->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // Long option texts end in "..." and show whole as the item's hint.
    CheckListBoxOptions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CheckListBoxOptions->setTextElideMode(Qt::ElideRight);
    QLabel* optionsLabel = addRow(3, "Optional\nAssignments:", CheckListBoxOptions);
    grid->setAlignment(optionsLabel, Qt::AlignLeft | Qt::AlignTop);
    EditConfigFile = new QLineEdit(GBoxParameters);
    EditConfigFile->setObjectName("EditConfigFile");
    auto* configLabel = new QLabel("Configuration File:", GBoxParameters);
    configLabel->setBuddy(EditConfigFile);
    ButtonLoadConfigFile = new QPushButton("Browse", GBoxParameters);
    ButtonLoadConfigFile->setObjectName("ButtonLoadConfigFile");
    ButtonEditConfigFile = new QPushButton("Edit", GBoxParameters);
    ButtonEditConfigFile->setObjectName("ButtonEditConfigFile");
    // The label and the buttons above the path, which gets the whole width.
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(3);
    fileRow->addWidget(configLabel, 1);
    for (QPushButton* button : {ButtonLoadConfigFile, ButtonEditConfigFile}) {
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) + 20);
        fileRow->addWidget(button);
    }
    grid->addLayout(fileRow, 4, 0, 1, 2);
    grid->addWidget(EditConfigFile, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, kFieldWidth);
    grid->setRowStretch(6, 1);
    assignments->addWidget(GBoxParameters, 1);
    PageControl->addTab(TabSheet1, "Assignments");

    // "Information": the description and the unit's menu lines.
    TabSheet2 = new QWidget(PageControl);
    TabSheet2->setObjectName("TabSheet2");
    auto* information = new QVBoxLayout(TabSheet2);
    information->setContentsMargins(6, 4, 6, 6);
    information->setSpacing(2);
    ProjectDescriptionMemo = new QPlainTextEdit(TabSheet2);
    ProjectDescriptionMemo->setObjectName("ProjectDescriptionMemo");
    ProjectDescriptionMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    ProjectDescriptionMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ProjectDescriptionMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* descriptionLabel = new QLabel("Project Description:", TabSheet2);
    descriptionLabel->setBuddy(ProjectDescriptionMemo);
    information->addWidget(descriptionLabel);
    information->addWidget(ProjectDescriptionMemo, 1);
    ProjectInformationMemo = new QTextEdit(TabSheet2);
    ProjectInformationMemo->setObjectName("ProjectInformationMemo");
    ProjectInformationMemo->setAcceptRichText(false);
    ProjectInformationMemo->setLineWrapMode(QTextEdit::NoWrap);
    QTextOption centred = ProjectInformationMemo->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    ProjectInformationMemo->document()->setDefaultTextOption(centred);
    ProjectInformationMemo->setPlainText("Line 1\nLine 2\nLine 3\nLine 4\nLine 5");
    // Five lines as the unit shows them, each up to its display's width.
    const QFontMetrics metrics = ProjectInformationMemo->fontMetrics();
    ProjectInformationMemo->setFixedSize(
        std::max(113, metrics.horizontalAdvance(QString(16, 'M'))),
        std::max(74, kMenuLines * metrics.lineSpacing() + 2 * ProjectInformationMemo->frameWidth() +
                         2 * static_cast<int>(ProjectInformationMemo->document()->documentMargin())));
    auto* menuLabel = new QLabel("ZR48 Setup/Project Menu:", TabSheet2);
    menuLabel->setBuddy(ProjectInformationMemo);
    information->addSpacing(4);
    information->addWidget(menuLabel, 0, Qt::AlignHCenter);
    information->addWidget(ProjectInformationMemo, 0, Qt::AlignHCenter);
    PageControl->addTab(TabSheet2, "Information");
    PageControl->setCurrentWidget(TabSheet1);

    setWidget(client);
    // A fixed size, as small as the controls allow; the frame around it follows when the main window
    // adds the window.
    client->setFixedSize(client->minimumSizeHint().expandedTo(QSize(kClientWidth, kClientHeight)));

    // The user's actions.
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!rendering_ && item)
            view_.Select(slotOf(item));
    });
    connect(ComboBoxDeviceType, &QComboBox::activated, this, [this](int index) { view_.DeviceTypeChanged(index); });
    connect(EditDeviceName, &QLineEdit::textEdited, this,
            [this](const QString& text) { view_.DeviceNameEdited(fromQString(text)); });
    connect(ComboBoxK73Select, &QComboBox::activated, this, [this](int index) { view_.SourceSelectChanged(index); });
    connect(EditConfigFile, &QLineEdit::textEdited, this,
            [this](const QString& text) { view_.ConfigFileEdited(pathFromQString(text)); });
    connect(CheckListBoxOptions, &QListWidget::itemChanged, this, [this] {
        if (!rendering_)
            optionClicked();
    });
    connect(ButtonLoadConfigFile, &QPushButton::clicked, this, &TProjectForm::ButtonLoadConfigFileClick);
    connect(ButtonEditConfigFile, &QPushButton::clicked, this, &TProjectForm::ButtonEditConfigFileClick);
    connect(ProjectDescriptionMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (!rendering_)
            view_.MemoEdited();
    });
    connect(ProjectInformationMemo, &QTextEdit::textChanged, this, [this] {
        if (!rendering_)
            view_.MemoEdited();
    });

    // Dragging: a slot goes out with this window as its source; entries of the database browser
    // and of other project windows come in.
    TreeView->setAcceptDrops(true);
    TreeView->viewport()->setAcceptDrops(true);
    TreeView->dragData = [this] { return new ProjectSlotMimeData(this); };
    TreeView->accepts = [this](const QMimeData* mime) { return TreeViewDragOver(mime); };
    TreeView->dropped = [this](const QMimeData* mime, QTreeWidgetItem* target) { TreeViewDragDrop(mime, target); };
}

void TProjectForm::showEvent(QShowEvent* event)
{
    TDocumentWindow::showEvent(event);
    if (!isMinimized())
        setMaximumSize(sizeHint());
}

int TProjectForm::slotOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kSlotRole).toInt() : ProjectView::kNoSlot;
}

void TProjectForm::ShowSlot(int slot)
{
    PageControl->setCurrentWidget(TabSheet1);
    view_.Select(slot);
    // A slot whose group shows no children (its first slot holds a device) has no node.
    if (QTreeWidgetItem* node = nodeOfSlot(slot))
        TreeView->scrollToItem(node);
    TreeView->setFocus();
}

void TProjectForm::ShowMenuLine(int line)
{
    PageControl->setCurrentWidget(TabSheet2);
    QTextCursor cursor(ProjectInformationMemo->document()->findBlockByNumber(line));
    ProjectInformationMemo->setTextCursor(cursor);
    ProjectInformationMemo->setFocus();
}

QTreeWidgetItem* TProjectForm::nodeOfSlot(int slot) const
{
    for (int i = 0; i < TreeView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = TreeView->topLevelItem(i);
        if (slotOf(top) == slot)
            return top;
        for (int k = 0; k < top->childCount(); ++k)
            if (slotOf(top->child(k)) == slot)
                return top->child(k);
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Rendering the view.

void TProjectForm::render()
{
    const bool wasRendering = std::exchange(rendering_, true);
    setDocumentFile(view_.DocumentFile());
    setWindowTitle(pathToQString(view_.Title()));
    syncTree();
    if (view_.ControlsShown() != controlsShown_)
        renderControls();
    renderEnabled();
    if (view_.OptionsFilled() != optionsFilled_)
        renderOptions();
    rendering_ = wasRendering;
}

void TProjectForm::syncTree()
{
    const QSignalBlocker blocker(TreeView);
    const std::vector<int> tops = ProjectView::TopLevelSlots();
    if (TreeView->topLevelItemCount() != static_cast<int>(tops.size())) {
        TreeView->clear();
        for (const int slot : tops) {
            auto* item = new QTreeWidgetItem(TreeView, {toQString(TProjectFile::SlotName(slot))});
            item->setData(0, kSlotRole, slot);
        }
    }
    QFont normal = TreeView->font();
    QFont underlined = normal;
    underlined.setUnderline(true);
    for (int i = 0; i < TreeView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = TreeView->topLevelItem(i);
        const std::vector<int> children = view_.ChildSlots(slotOf(top));
        bool same = top->childCount() == static_cast<int>(children.size());
        for (int k = 0; same && k < top->childCount(); ++k)
            same = slotOf(top->child(k)) == children[static_cast<size_t>(k)];
        if (!same) {
            for (QTreeWidgetItem* child : top->takeChildren())
                delete child;
            for (const int slot : children) {
                auto* child = new QTreeWidgetItem(top, {toQString(TProjectFile::SlotName(slot))});
                child->setData(0, kSlotRole, slot);
            }
        }
        top->setFont(0, view_.Assigned(slotOf(top)) ? underlined : normal);
        for (int k = 0; k < top->childCount(); ++k)
            top->child(k)->setFont(0, view_.Assigned(slotOf(top->child(k))) ? underlined : normal);
    }
    QTreeWidgetItem* selected = nodeOfSlot(view_.SelectedSlot());
    if (selected != TreeView->currentItem())
        TreeView->setCurrentItem(selected);
}

void TProjectForm::renderControls()
{
    controlsShown_ = view_.ControlsShown();
    const SlotControls& shown = view_.Controls();
    GBoxParameters->setTitle(toQString(shown.caption));
    ComboBoxDeviceType->setCurrentIndex(shown.deviceType);
    ComboBoxK73Select->setCurrentIndex(shown.sourceSelect);
    EditDeviceName->setText(toQString(shown.deviceName));
    EditConfigFile->setText(pathToQString(shown.configFile));
    EditConfigFile->setCursorPosition(0);
}

void TProjectForm::renderEnabled()
{
    const ProjectEnableRules& enabled = view_.Enabled();
    setFieldEnabled(ComboBoxDeviceType, enabled.deviceType);
    setFieldEnabled(EditDeviceName, enabled.deviceName);
    setFieldEnabled(ComboBoxK73Select, enabled.sourceSelect);
    setFieldEnabled(CheckListBoxOptions, enabled.options);
    setFieldEnabled(EditConfigFile, enabled.configFile);
    ButtonLoadConfigFile->setEnabled(enabled.configFile);
    ButtonEditConfigFile->setEnabled(enabled.configFile);
}

void TProjectForm::renderOptions()
{
    optionsFilled_ = view_.OptionsFilled();
    CheckListBoxOptions->clear();
    for (const OptionItem& option : view_.Options()) {
        auto* item = new QListWidgetItem(toQString(option.text), CheckListBoxOptions);
        item->setToolTip(item->text());
        item->setFlags(option.enabled ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable
                                      : Qt::ItemIsUserCheckable);
        item->setCheckState(option.checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TProjectForm::optionClicked()
{
    std::vector<bool> checks;
    for (int i = 0; i < CheckListBoxOptions->count(); ++i)
        checks.push_back(CheckListBoxOptions->item(i)->checkState() == Qt::Checked);
    view_.OptionsClicked(checks);
}

void TProjectForm::fillMemos()
{
    const bool wasRendering = std::exchange(rendering_, true);
    ProjectDescriptionMemo->setPlainText(toQString(joinLines(view_.project().Description)));
    ProjectInformationMemo->setPlainText(toQString(joinLines(view_.project().ProjectInfo)));
    rendering_ = wasRendering;
}

// ---------------------------------------------------------------------------------------------
// What the main window asks.

void TProjectForm::LoadProject(const std::string& path)
{
    if (!view_.LoadProject(path)) {
        // Nothing of an unreadable file is shown, so nothing can overwrite it.
        close();
        return;
    }
    fillMemos();
    render();
}

std::optional<TProjectFile> TProjectForm::CurrentProject() const
{
    // The memos reach the project only when it is saved.
    TProjectFile project = view_.project();
    project.Description = memoLines(fromQString(ProjectDescriptionMemo->toPlainText()));
    project.ProjectInfo = memoLines(fromQString(ProjectInformationMemo->toPlainText()));
    return project;
}

bool TProjectForm::SaveProject(const std::string& path)
{
    const QString description = ProjectDescriptionMemo->toPlainText();
    const QString menuLines = ProjectInformationMemo->toPlainText();
    if (!(fitsWindows1252(description) && fitsWindows1252(menuLines)) &&
        shell_.prompt().confirm("Some characters of the project description or the menu lines cannot be stored in "
                                "the project; they would be saved as \"?\".\nSave anyway?",
                                Buttons::YesNo) != Answer::Yes)
        return false;
    view_.SaveProject(path, memoLines(fromQString(description)), memoLines(fromQString(menuLines)));
    // The memos show what was stored.
    fillMemos();
    return true;
}

bool TProjectForm::PrepareDownload()
{
    if (!SaveProject(documentFile()))
        return false;
    // The device files that this window's editors changed go onto the card as they are now.
    for (TDocumentWindow* window : shell_.documentWindows()) {
        auto* editor = qobject_cast<TEditForm*>(window);
        if (editor && editor->OwnerWindow() == this && editor->modified() && !titleShowsUnnamed(editor->title()))
            editor->SaveFile(editor->documentFile());
    }
    return CompileProject(documentFile(), shell_.prompt());
}

void TProjectForm::DeleteUnusedFiles()
{
    view_.DeleteUnusedFiles();
}

void TProjectForm::ClearSelectedSlot()
{
    view_.ClearSelectedSlot();
}

void TProjectForm::ApplyEnableRules()
{
    view_.ApplyEnableRules();
}

const DEVICE_CONFIG* TProjectForm::selectedEntry() const
{
    const int slot = view_.SelectedSlot();
    return slot == ProjectView::kNoSlot ? nullptr : &view_.project().Slot(slot);
}

// ---------------------------------------------------------------------------------------------
// Buttons and dragging.

void TProjectForm::ButtonLoadConfigFileClick()
{
    FileDialogRequest request;
    request.filter = "Device INI Files (*.mpi)|*.mpi";
    request.defaultExtension = ".txt";
    const std::string current = view_.ResolvePath(pathFromQString(EditConfigFile->text()));
    request.directory = extractFilePath(current).empty() ? view_.ProjectFolder() : extractFilePath(current);
    if (const auto path = shell_.fileChooser().openFile(request))
        view_.Browse(*path);
}

void TProjectForm::ButtonEditConfigFileClick()
{
    TEditForm* editor = shell_.NewTextEditor(this, 0);
    editor->LoadFile(view_.ResolvePath(pathFromQString(EditConfigFile->text())));
}

bool TProjectForm::TreeViewDragOver(const QMimeData* mime) const
{
    const DeviceEntrySource* source = entrySourceOf(mime);
    // Not from this window's own tree; only entries with a device file.
    return source && source != this && ProjectView::AcceptsEntry(source->selectedEntry());
}

void TProjectForm::TreeViewDragDrop(const QMimeData* mime, QTreeWidgetItem* target)
{
    const DeviceEntrySource* source = entrySourceOf(mime);
    const DEVICE_CONFIG* entry = source && source != this ? source->selectedEntry() : nullptr;
    if (target && entry)
        view_.Drop(slotOf(target), *entry);
    shell_.bringToFront(*this);
}

} // namespace zr48
