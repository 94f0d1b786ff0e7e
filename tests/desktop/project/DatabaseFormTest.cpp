#include "desktop/editor/EditForm.h"
#include "desktop/project/ProjectHarness.h"

#include <QAction>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace zr48 {
namespace {

using test::FindNode;

class DatabaseFormTest : public test::ProjectShellTest {
protected:
    // Refreshes as the start timer does.
    void startUp() { clock.advance(TMainForm::kStartTimerMs); }
    QTreeWidget* tree() { return browser().treeView(); }
    QStringList topLevel()
    {
        QStringList texts;
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            texts << tree()->topLevelItem(i)->text(0);
        return texts;
    }
    qint64 iconKey(int position) { return form->imageList().icon(position).cacheKey(); }
};

TEST_F(DatabaseFormTest, TheDockedBrowserShowsTheDatabaseAfterStartUp)
{
    ASSERT_EQ(form->databaseDock()->widget(), &browser());
    EXPECT_EQ(form->databaseDock()->windowTitle(), "ZR48 Database");
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    startUp();
    EXPECT_EQ(topLevel(), (QStringList{"KELDO", "AUDIO", "LIGHT", "SOUND", "VIDEO"}));
    QTreeWidgetItem* keldo = tree()->topLevelItem(0);
    EXPECT_EQ(keldo->icon(0).cacheKey(), iconKey(ImageList::kFolderClosed));
    QTreeWidgetItem* tuner = FindNode(tree(), "KELDO K73 FM-Tuner module");
    ASSERT_NE(tuner, nullptr);
    EXPECT_EQ(tuner->parent(), keldo);
    EXPECT_EQ(tuner->icon(0).cacheKey(), iconKey(ImageList::kDeviceFileWithDescription));
    const DatabaseNode* node = browser().nodeOf(tuner);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->entry.ConfigFile, databaseDir + "/KELDO/K73_FM_Tuner.mpi");
    EXPECT_EQ(node->entry.DescriptionFile, databaseDir + "/KELDO/K73_FM_Tuner.txt");

    tree()->expandItem(keldo);
    EXPECT_EQ(keldo->icon(0).cacheKey(), iconKey(ImageList::kFolderOpen));
    tree()->collapseItem(keldo);
    EXPECT_EQ(keldo->icon(0).cacheKey(), iconKey(ImageList::kFolderClosed));

    // The search controls are back; the browser cannot be closed.
    EXPECT_FALSE(browser().progressBar()->isVisible());
    EXPECT_TRUE(browser().searchEdit()->isVisible());
    EXPECT_TRUE(browser().searchButton()->isEnabled());
    EXPECT_FALSE(browser().close());
    EXPECT_FALSE(form->databaseDock()->features() & QDockWidget::DockWidgetClosable);
}

TEST_F(DatabaseFormTest, EnterRunsTheSearchOnceTheWordChanged)
{
    test::TempDir db;
    db.write("Video/a.mpi", "DESCRIPTION=Acme DVD-R\r\n");
    db.write("Video/b.mpi", "DESCRIPTION=AcmeDVD\r\n");
    db.write("Audio/c.mpi", "DESCRIPTION=Amplifier\r\n");
    settings.setDatabase(db.text());
    startUp();
    EXPECT_EQ(topLevel(), (QStringList{"AUDIO", "VIDEO"}));
    EXPECT_FALSE(tree()->topLevelItem(0)->isExpanded()) << "the whole database opens folded";
    EXPECT_FALSE(browser().searchIsDefault());

    QTest::keyClicks(browser().searchEdit(), "dvd");
    EXPECT_TRUE(browser().searchIsDefault());
    QTest::keyClick(browser().searchEdit(), Qt::Key_Return);
    EXPECT_EQ(topLevel(), QStringList{"VIDEO"});
    EXPECT_EQ(tree()->topLevelItem(0)->childCount(), 1);
    EXPECT_TRUE(tree()->topLevelItem(0)->isExpanded()) << "what was found is in sight";
    EXPECT_FALSE(browser().searchIsDefault());

    // Enter again runs nothing until the word changes.
    db.write("Video/d.mpi", "DESCRIPTION=DVD Player\r\n");
    QTest::keyClick(browser().searchEdit(), Qt::Key_Return);
    EXPECT_EQ(tree()->topLevelItem(0)->childCount(), 1);
    browser().searchButton()->click();
    EXPECT_EQ(tree()->topLevelItem(0)->childCount(), 2);

    // Nothing found: one node, and nothing to edit.
    browser().searchEdit()->setText("tuner");
    browser().searchButton()->click();
    EXPECT_EQ(topLevel(), QStringList{"No items found"});
    EXPECT_TRUE(tree()->topLevelItem(0)->icon(0).isNull());
    tree()->setCurrentItem(tree()->topLevelItem(0));
    EXPECT_FALSE(browser().popupEdit()->isEnabled());
}

TEST_F(DatabaseFormTest, AMissingDatabaseFolderSaysWhyNothingIsFound)
{
    settings.setDatabase(dir.text("nowhere"));
    startUp();
    EXPECT_EQ(topLevel(), QStringList{"No items found"});
    EXPECT_TRUE(prompt.shown().empty());
    browser().TreeViewMouseMove(tree()->visualItemRect(tree()->topLevelItem(0)).center());
    EXPECT_EQ(browser().hintText(),
              pathToQString("The database folder \"" + dir.text("nowhere") + "\" does not exist."));
}

TEST_F(DatabaseFormTest, EditOpensTheDeviceFileReadOnly)
{
    startUp();
    QTreeWidgetItem* folder = FindNode(tree(), "KELDO");
    tree()->setCurrentItem(folder);
    EXPECT_FALSE(browser().popupEdit()->isEnabled());
    tree()->setCurrentItem(FindNode(tree(), "KELDO K73 FM-Tuner module"));
    EXPECT_TRUE(browser().popupEdit()->isEnabled());
    browser().popupEdit()->trigger();
    ASSERT_EQ(form->documentWindows().size(), 1u);
    auto* editor = dynamic_cast<TEditForm*>(form->documentWindows().front());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->documentFile(), databaseDir + "/KELDO/K73_FM_Tuner.mpi");
    EXPECT_TRUE(editor->readOnly());
    EXPECT_EQ(editor->OwnerWindow(), &browser());
    EXPECT_EQ(editor->windowNumber(), 0);
    EXPECT_TRUE(editor->hasCloseQuestion());

    QStringList entries;
    for (QAction* action : browser().popupMenu()->actions())
        entries << action->text();
    EXPECT_EQ(entries, (QStringList{"Edit", "Refresh"}));
}

TEST_F(DatabaseFormTest, TheHintShowsTheDescriptionFileOfTheNodeUnderThePointer)
{
    startUp();
    tree()->expandAll();
    const auto over = [&](const char* text) {
        QTreeWidgetItem* item = FindNode(tree(), text);
        EXPECT_NE(item, nullptr) << text;
        if (item)
            browser().TreeViewMouseMove(tree()->visualItemRect(item).center());
        return browser().hintText();
    };
    EXPECT_EQ(over("KELDO K73 FM-Tuner module"),
              "KELDO K73 FM-Tuner module.\nPlugs into the K73 receiver; 30 station presets.\n");
    EXPECT_TRUE(over("Lumetra LX-40 television").startsWith("Lumetra"));
    EXPECT_TRUE(over("KELDO").isEmpty());
}

TEST_F(DatabaseFormTest, TheProgressIsPaintedWhileTheRefreshRuns)
{
    test::TempDir db;
    for (int i = 0; i < 400; ++i)
        db.write("f" + std::to_string(i % 20) + "/d" + std::to_string(i) + ".mpi", "DEVICE=5\r\n");
    settings.setDatabase(db.text());
    // What the progress bar shows each time it is painted.
    struct PaintWatch : QObject {
        std::vector<int> values;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                values.push_back(static_cast<QProgressBar*>(watched)->value());
            return false;
        }
    } watch;
    QApplication::processEvents();
    browser().progressBar()->installEventFilter(&watch);
    browser().RefreshDatabase(); // no event loop runs in between
    browser().progressBar()->removeEventFilter(&watch);
    const std::set<int> distinct(watch.values.begin(), watch.values.end());
    EXPECT_GE(distinct.size(), 10u) << watch.values.size() << " paints";
    EXPECT_EQ(browser().progressBar()->maximum(), 400);
    EXPECT_EQ(tree()->topLevelItemCount(), 20);
}

TEST_F(DatabaseFormTest, TheVersionIsTheFirstLineOfVersionTxt)
{
    EXPECT_EQ(browser().DatabaseVersion(), "2026.12 sample database (fictional devices)\n");
    settings.setDatabase(dir.text());
    EXPECT_EQ(browser().DatabaseVersion(), "Unknown");
}

} // namespace
} // namespace zr48
