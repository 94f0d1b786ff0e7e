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

#include <filesystem>
#include <functional>

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

// Drags `data` over `tree` to `target` and drops it there, as the desktop delivers a drag (a
// widget that refuses it hands it on to its parents). True when the drop was taken.
inline bool DropOnNode(QTreeWidget* tree, QTreeWidgetItem* target, const QMimeData& data)
{
    tree->scrollToItem(target);
    const QPoint at = tree->visualItemRect(target).center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &drop);
    EXPECT_EQ(enter.isAccepted(), move.isAccepted());
    EXPECT_EQ(move.isAccepted(), drop.isAccepted());
    return drop.isAccepted();
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
        for (TDocumentWindow* window : form->documentWindows())
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
