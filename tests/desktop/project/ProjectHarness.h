#pragma once
// A main window with real project windows, the database browser and the new-project dialog, and
// what tests do with them: find tree nodes, drag and drop, answer the modal dialog.

#include "base/Paths.h"
#include "base/qt/QtText.h"
#include "desktop/ShellHarness.h"
#include "desktop/project/DatabaseForm.h"
#include "desktop/project/NewProjectForm.h"
#include "desktop/project/ProjectForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMdiArea>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <filesystem>
#include <functional>
#include <vector>

namespace zr48::test {

// The first node of `tree` (depth first) with this text, or null.
inline QTreeWidgetItem* FindNode(QTreeWidget* tree, const QString& text)
{
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> find = [&](QTreeWidgetItem* item) -> QTreeWidgetItem* {
        if (item->text(0) == text)
            return item;
        for (int i = 0; i < item->childCount(); ++i)
            if (QTreeWidgetItem* found = find(item->child(i)))
                return found;
        return nullptr;
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* found = find(tree->topLevelItem(i)))
            return found;
    return nullptr;
}

// Drags `data` along `path` (points of `window`, a top-level window) and lets go at its end, as
// the platform's drag does: the window is told once that the drag entered, then of every move with
// the answer to the move before; the drop comes only when the last move was accepted. Qt decides
// from there which widget gets what. True when the drop was taken.
inline bool DragAlong(QWidget* window, const QMimeData& data, const std::vector<QPoint>& path)
{
    QWindow* handle = window->windowHandle();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    Qt::DropAction answered = Qt::IgnoreAction;
    bool first = true;
    for (const QPoint& at : path) {
        if (first) {
            QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(handle, &enter);
            answered = enter.isAccepted() ? enter.dropAction() : Qt::IgnoreAction;
            first = false;
        }
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        if (answered != Qt::IgnoreAction) {
            move.setDropAction(answered);
            move.accept();
        }
        QApplication::sendEvent(handle, &move);
        answered = move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }
    if (answered == Qt::IgnoreAction) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(handle, &leave);
        return false;
    }
    QDropEvent drop(QPointF(path.back()), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &drop);
    return drop.isAccepted();
}

// Drags `data` onto `target` of `tree` and lets go there. True when the drop was taken.
inline bool DropOnNode(QTreeWidget* tree, QTreeWidgetItem* target, const QMimeData& data)
{
    tree->scrollToItem(target);
    const QPoint at = tree->viewport()->mapTo(tree->window(), tree->visualItemRect(target).center());
    EXPECT_EQ(tree->window()->childAt(at), tree->viewport()) << "the node lies under another window";
    return DragAlong(tree->window(), data, {at});
}

// The user picks an entry of a drop-down list.
inline void Choose(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

class ProjectShellTest : public ShellTest {
protected:
    void SetUp() override
    {
        settings.setDatabase(databaseDir);
        settings.setProjectDir(dir.text("Projects/"));
        std::filesystem::create_directories(toFsPath(dir.text("Projects")));
        form = makeForm();
        form->show();
    }
    void TearDown() override
    {
        // Windows with changes would ask their close question.
        for (TDocumentWindow* window : form ? form->documentWindows() : std::vector<TDocumentWindow*>{})
            window->setCloseQuestion(nullptr);
    }

    TDatabaseForm& browser() { return *form->databaseForm(); }
    TNewProjectForm& newProjectForm() { return *form->dialogs().NewProjectForm; }
    // The path of a new project whose folder exists.
    std::string projectPath(const std::string& name)
    {
        std::filesystem::create_directories(toFsPath(dir.text("Projects/" + name)));
        return dir.text("Projects/" + name + "/" + name + ".mpj");
    }
    TProjectForm* openProject(const std::string& path)
    {
        return dynamic_cast<TProjectForm*>(form->OpenProjectWindow(path));
    }
    // Selects a database entry by its text; null when there is none.
    QTreeWidgetItem* selectEntry(const QString& text)
    {
        browser().waitForRefresh();
        browser().expandAll();
        QTreeWidgetItem* item = FindNode(browser().treeView(), text);
        if (item)
            browser().treeView()->setCurrentItem(item);
        return item;
    }
    // Runs `fill` on the modal dialog once it shows.
    void whenShown(QDialog* dialog, std::function<void()> fill)
    {
        QTimer::singleShot(0, dialog, [dialog, fill = std::move(fill)] {
            fill();
            if (dialog->isVisible())
                dialog->reject(); // the test did not close it: do not hang
        });
    }

    std::string databaseDir = std::string(ZR48_EXAMPLES_DIR) + "/database";
    std::unique_ptr<TMainForm> form;
};

} // namespace zr48::test
