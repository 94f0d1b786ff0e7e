#include "desktop/project/DatabaseForm.h"

#include "base/Settings.h"
#include "base/qt/QtText.h"
#include "desktop/common/ImageList.h"
#include "desktop/common/Shell.h"
#include "desktop/editor/EditForm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace zr48 {

namespace {

constexpr int kNodeRole = Qt::UserRole;

// The hint as shown: its final line break makes no empty line.
QString shownHint(QString hint)
{
    if (hint.endsWith('\n'))
        hint.chop(1);
    return hint;
}

} // namespace

TDatabaseForm::TDatabaseForm(Shell& shell, QWidget* parent) : QWidget(parent), shell_(shell)
{
    setObjectName("DatabaseForm");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    TreeView = new EntryTree(this);
    TreeView->setObjectName("TreeView");
    TreeView->setIndentation(kIndent);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView->setIconSize(QSize(16, 16));
    TreeView->setMouseTracking(true);
    TreeView->viewport()->setMouseTracking(true);
    TreeView->viewport()->installEventFilter(this);
    TreeView->setAcceptDrops(false);
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    // The dragged object is the browser; the receiver reads the selected entry.
    TreeView->dragData = [this] { return new DatabaseEntryMimeData(this); };
    layout->addWidget(TreeView, 1);

    panel_ = new QWidget(this);
    panel_->setObjectName("Panel");
    panel_->setFixedHeight(kPanelHeight);
    auto* panelLayout = new QHBoxLayout(panel_);
    panelLayout->setContentsMargins(3, 3, 3, 3);
    panelLayout->setSpacing(4);
    EditSearch = new QLineEdit(panel_);
    EditSearch->setObjectName("EditSearch");
    EditSearch->setClearButtonEnabled(true);
    EditSearch->setPlaceholderText("Search word");
    ButtonSearch = new QPushButton("Search", panel_);
    ButtonSearch->setObjectName("ButtonSearch");
    panelLayout->addWidget(EditSearch, 1);
    panelLayout->addWidget(ButtonSearch);
    // Shown only during a refresh, in the search field's place.
    ProgressBar = new QProgressBar(panel_);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();
    layout->addWidget(panel_);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PopupMenu");
    PopupEdit = PopupMenu->addAction("Edit");
    PopupEdit->setObjectName("PopupEdit");
    PopupRefresh = PopupMenu->addAction("Refresh");
    PopupRefresh->setObjectName("PopupRefresh");
    updatePopupEdit();

    connect(PopupEdit, &QAction::triggered, this, &TDatabaseForm::PopupEditClick);
    connect(PopupRefresh, &QAction::triggered, this, &TDatabaseForm::RefreshDatabase);
    connect(TreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        updatePopupEdit();
        PopupMenu->popup(TreeView->viewport()->mapToGlobal(position));
    });
    connect(TreeView, &QTreeWidget::itemPressed, this, [this] { updatePopupEdit(); });
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this] { updatePopupEdit(); });
    connect(TreeView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (const DatabaseNode* node = nodeOf(item))
            item->setIcon(0, shell_.imageList().icon(databaseIcon(*node, true)));
    });
    connect(TreeView, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (const DatabaseNode* node = nodeOf(item))
            item->setIcon(0, shell_.imageList().icon(databaseIcon(*node, false)));
    });
    // A changed search word makes "Search" the default: Enter runs it.
    connect(EditSearch, &QLineEdit::textChanged, this, [this] {
        searchDefault_ = true;
        ButtonSearch->setDefault(true);
    });
    connect(EditSearch, &QLineEdit::returnPressed, this, [this] {
        if (searchDefault_)
            ButtonSearchClick();
    });
    connect(ButtonSearch, &QPushButton::clicked, this, &TDatabaseForm::ButtonSearchClick);
}

// ---------------------------------------------------------------------------------------------
// Refresh.

void TDatabaseForm::RefreshDatabase()
{
    ButtonSearch->setEnabled(false);
    placeProgressBar();
    EditSearch->hide();
    ProgressBar->setRange(0, 0);
    ProgressBar->show();
    ProgressBar->repaint();

    const std::string root = shell_.settings().database();
    lastHintItem_ = nullptr;
    TreeView->clear();
    nodes_.clear();

    DatabaseProgress progress;
    progress.counted = [this](int count) {
        ProgressBar->setRange(0, std::max(count, 1));
        ProgressBar->setValue(0);
    };
    // The bar repaints itself at once whenever its picture changes, so the progress shows while
    // the refresh holds the event loop.
    progress.advanced = [this](int position) { ProgressBar->setValue(position); };
    nodes_ = buildDatabaseTree(root, pathFromQString(EditSearch->text()), progress);

    TreeView->setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(nodes_.size()));
    for (const DatabaseNode& node : nodes_)
        items << makeItem(node);
    TreeView->addTopLevelItems(items);
    // What a search found is shown at once, without opening folder after folder.
    if (!EditSearch->text().isEmpty())
        TreeView->expandAll();
    TreeView->setUpdatesEnabled(true);
    updatePopupEdit();

    ProgressBar->hide();
    EditSearch->show();
    ButtonSearch->setEnabled(true);
}

QTreeWidgetItem* TDatabaseForm::makeItem(const DatabaseNode& node) const
{
    auto* item = new QTreeWidgetItem(QStringList(QString::fromStdString(node.text)));
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    if (const int icon = databaseIcon(node, false); icon >= 0)
        item->setIcon(0, shell_.imageList().icon(icon));
    if (!node.children.empty()) {
        QList<QTreeWidgetItem*> children;
        children.reserve(static_cast<qsizetype>(node.children.size()));
        for (const DatabaseNode& child : node.children)
            children << makeItem(child);
        item->addChildren(children);
    }
    return item;
}

const DatabaseNode* TDatabaseForm::nodeOf(const QTreeWidgetItem* item) const
{
    return item ? reinterpret_cast<const DatabaseNode*>(item->data(0, kNodeRole).value<quintptr>()) : nullptr;
}

const DEVICE_CONFIG* TDatabaseForm::selectedEntry() const
{
    const DatabaseNode* node = nodeOf(TreeView->currentItem());
    return node ? &node->entry : nullptr;
}

Text TDatabaseForm::DatabaseVersion() const
{
    return databaseVersion(shell_.settings().database());
}

// ---------------------------------------------------------------------------------------------
// Search, popup menu, hint.

void TDatabaseForm::ButtonSearchClick()
{
    RefreshDatabase();
    searchDefault_ = false;
    ButtonSearch->setDefault(false);
}

void TDatabaseForm::updatePopupEdit()
{
    const DEVICE_CONFIG* entry = selectedEntry();
    PopupEdit->setEnabled(entry && !entry->ConfigFile.empty());
}

void TDatabaseForm::PopupEditClick()
{
    const DEVICE_CONFIG* entry = selectedEntry();
    if (!entry || entry->ConfigFile.empty())
        return;
    const std::string path = entry->ConfigFile;
    TEditForm* editor = shell_.NewTextEditor(this, 0);
    // The database is shared: its files open read-only.
    editor->setReadOnly(true);
    editor->LoadFile(path);
}

void TDatabaseForm::TreeViewMouseMove(const QPoint& position)
{
    const QTreeWidgetItem* item = TreeView->itemAt(position);
    if (item == lastHintItem_)
        return;
    lastHintItem_ = item;
    hint_.clear();
    if (const DatabaseNode* node = nodeOf(item)) {
        if (node->kind == DatabaseNode::Kind::NoItems)
            hint_ = QString::fromStdString(node->hint);
        else
            hint_ = toQString(descriptionHint(node->entry.DescriptionFile));
    }
    QToolTip::hideText();
    showHint(TreeView->viewport()->mapToGlobal(position));
}

void TDatabaseForm::showHint(const QPoint& globalPosition)
{
    if (!hint_.isEmpty())
        QToolTip::showText(globalPosition, shownHint(hint_), TreeView->viewport(), QRect(), kHintMs);
}

bool TDatabaseForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView->viewport()) {
        switch (event->type()) {
        case QEvent::MouseMove: TreeViewMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint()); break;
        case QEvent::ToolTip:
            // The pointer rests: the hint of the node under it, for a minute.
            showHint(static_cast<QHelpEvent*>(event)->globalPos());
            return true;
        case QEvent::Leave: lastHintItem_ = nullptr; break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Window.

void TDatabaseForm::placeProgressBar()
{
    ProgressBar->setGeometry(EditSearch->geometry());
}

void TDatabaseForm::paintEvent(QPaintEvent* event)
{
    placeProgressBar();
    QWidget::paintEvent(event);
}

void TDatabaseForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeProgressBar();
}

void TDatabaseForm::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

} // namespace zr48
