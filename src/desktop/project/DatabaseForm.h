#pragma once
// The device database browser: the device files below the database folder as a tree of folders,
// filtered by a search word, with their description as a hint; its entries are dragged onto a
// project window's slots. It lives in the main window's dock and is never closed.

#include "base/Text.h"
#include "desktop/project/DatabaseTree.h"
#include "desktop/project/EntryDrag.h"

#include <QWidget>

class QAction;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

namespace zr48 {

class Shell;

class TDatabaseForm : public QWidget, public DeviceEntrySource {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 202;
    static constexpr int kClientHeight = 369;
    static constexpr int kPanelHeight = 30;
    static constexpr int kIndent = 19;
    static constexpr int kHintMs = 60000;

    TDatabaseForm(Shell& shell, QWidget* parent = nullptr);

    // Rebuilds the whole tree from the database folder with the current search word.
    void RefreshDatabase();
    // The database version for the about box.
    Text DatabaseVersion() const;

    // DeviceEntrySource: the selected node's entry.
    const DEVICE_CONFIG* selectedEntry() const override;
    // The node of a tree item.
    const DatabaseNode* nodeOf(const QTreeWidgetItem* item) const;

    // The user's actions.
    void ButtonSearchClick();
    void PopupEditClick();
    // The pointer moved over the tree's viewport.
    void TreeViewMouseMove(const QPoint& position);
    // Whether Enter in the search field runs the search.
    bool searchIsDefault() const { return searchDefault_; }
    // The hint of the node last under the pointer.
    const QString& hintText() const { return hint_; }

    // The controls, for tests.
    EntryTree* treeView() const { return TreeView; }
    QLineEdit* searchEdit() const { return EditSearch; }
    QPushButton* searchButton() const { return ButtonSearch; }
    QProgressBar* progressBar() const { return ProgressBar; }
    QMenu* popupMenu() const { return PopupMenu; }
    QAction* popupEdit() const { return PopupEdit; }
    QAction* popupRefresh() const { return PopupRefresh; }

    QSize sizeHint() const override { return {kClientWidth, kClientHeight}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The browser cannot be closed.
    void closeEvent(QCloseEvent* event) override;

private:
    QTreeWidgetItem* makeItem(const DatabaseNode& node) const;
    void updatePopupEdit();
    void placeProgressBar();
    void showHint(const QPoint& globalPosition);

    Shell& shell_;
    std::vector<DatabaseNode> nodes_;
    const QTreeWidgetItem* lastHintItem_ = nullptr;
    QString hint_;
    bool searchDefault_ = false;

    EntryTree* TreeView;
    QWidget* panel_;
    QLineEdit* EditSearch;
    QPushButton* ButtonSearch;
    QProgressBar* ProgressBar;
    QMenu* PopupMenu;
    QAction* PopupEdit;
    QAction* PopupRefresh;
};

} // namespace zr48
