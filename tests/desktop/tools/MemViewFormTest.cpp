// Card sector viewers in the main window, against the simulated unit: each shows the replies for
// its own window id only; the edit box, the scroll bar and the keys choose the sector.

#include "desktop/tools/MemViewForm.h"
#include "desktop/tools/ToolFormsHarness.h"
#include "tools/MemView.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>

namespace zr48 {
namespace {

class MemViewFormTest : public test::ToolFormsTest {
protected:
    TMemViewForm& openViewer(TMainForm& form)
    {
        form.execute(ActionId::MemoryViewer);
        auto* viewer = qobject_cast<TMemViewForm*>(form.documentWindows().front());
        EXPECT_NE(viewer, nullptr);
        return *viewer;
    }

    // The sector number at the start of the dump's first line, or "" while it is empty.
    static QString shownSector(const TMemViewForm& viewer) { return viewer.Memo->toPlainText().left(4); }
    // Sector 5 asked for in `a` and sector 0x1A0 in `b`: each shows its own, and no reply meant
    // for one ever shows in the other.
    void expectEachShowsOnlyItsOwnSector(TMemViewForm& a, TMemViewForm& b)
    {
        std::vector<QString> aShowed, bShowed;
        QObject::connect(a.Memo, &QPlainTextEdit::textChanged, [&] { aShowed.push_back(shownSector(a)); });
        QObject::connect(b.Memo, &QPlainTextEdit::textChanged, [&] { bShowed.push_back(shownSector(b)); });
        type(a, "5");
        type(b, "$1A0");
        clock.advance(1000);
        EXPECT_EQ(shownSector(a), "0005");
        EXPECT_EQ(shownSector(b), "01A0");
        for (const QString& shown : aShowed)
            EXPECT_NE(shown, "01A0") << "the other viewer's reply reached this one";
        for (const QString& shown : bShowed)
            EXPECT_NE(shown, "0005") << "the other viewer's reply reached this one";
        QObject::disconnect(a.Memo, &QPlainTextEdit::textChanged, nullptr, nullptr);
        QObject::disconnect(b.Memo, &QPlainTextEdit::textChanged, nullptr, nullptr);
    }

    // Types `text` into the edit box as a user does.
    static void type(TMemViewForm& viewer, const QString& text)
    {
        viewer.EditSector->selectAll();
        QTest::keyClicks(viewer.EditSector, text);
    }
};

TEST_F(MemViewFormTest, TwoViewersEachShowOnlyTheSectorsAskedForWithTheirOwnId)
{
    TMainForm& form = connectedForm();
    form.execute(ActionId::NewTextFile); // window 0
    TMemViewForm& first = openViewer(form);
    TMemViewForm& second = openViewer(form);
    EXPECT_EQ(first.windowNumber(), 1);
    EXPECT_EQ(second.windowNumber(), 2);
    EXPECT_EQ(first.viewer().windowId(), 1);
    EXPECT_EQ(second.viewer().windowId(), 2);

    sim.card.write(0x0005, test::ToolFormsTest::sectorContent(5));
    expectEachShowsOnlyItsOwnSector(first, second);
    EXPECT_EQ(second.ScrollBar->value(), 0x1A0);
    EXPECT_TRUE(first.Memo->toPlainText().startsWith("0005:000   05 06 07 08 09 0A 0B 0C - 0D 0E"));
    EXPECT_TRUE(second.Memo->toPlainText().split('\n').value(2).startsWith("01A0:020   00 00"));
}

TEST_F(MemViewFormTest, AViewerOpenedAfterAnotherClosedTakesNoneOfTheOpenViewersReplies)
{
    TMainForm& form = connectedForm();
    TMemViewForm& closed = openViewer(form);
    TMemViewForm& kept = openViewer(form);
    closed.close();
    QApplication::processEvents();
    TMemViewForm& added = openViewer(form);
    EXPECT_NE(added.viewer().windowId(), kept.viewer().windowId());

    expectEachShowsOnlyItsOwnSector(kept, added);
}

TEST_F(MemViewFormTest, AViewerIsAFixedDocumentWindowWithADumpInAFixedPitchFont)
{
    TMainForm& form = connectedForm();
    TMemViewForm& viewer = openViewer(form);
    EXPECT_EQ(viewer.windowTitle(), "ZR48 Data Viewer");
    EXPECT_EQ(viewer.kind(), DocumentKind::SectorViewer);
    EXPECT_EQ(viewer.size(), QSize(700, 500));
    EXPECT_EQ(viewer.minimumSize(), viewer.maximumSize());
    EXPECT_EQ(viewer.Label1->text(), "Sector:");
    EXPECT_EQ(viewer.EditSector->text(), "0x0000");
    EXPECT_TRUE(viewer.Memo->isReadOnly());
    EXPECT_EQ(viewer.Memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    const QFontMetrics pitch(viewer.Memo->font());
    EXPECT_EQ(pitch.horizontalAdvance('.'), pitch.horizontalAdvance('W')) << "a fixed-pitch font";
    EXPECT_EQ(viewer.ScrollBar->minimum(), 0);
    EXPECT_EQ(viewer.ScrollBar->maximum(), 65535);
    EXPECT_EQ(viewer.ScrollBar->orientation(), Qt::Vertical);
    EXPECT_GT(viewer.ScrollBar->geometry().left(), viewer.Memo->geometry().right()) << "along the right edge";

    clock.advance(500);
    const QStringList lines = viewer.Memo->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 32);
    EXPECT_EQ(lines[31], "0000:1F0   00 00 00 00 00 00 00 00 - 00 00 00 00 00 00 00 00   ........ - ........");
    // The whole dump shows: the end of the last line lies inside the memo.
    QTextCursor end(viewer.Memo->document());
    end.movePosition(QTextCursor::End);
    const QRect endOfDump = viewer.Memo->cursorRect(end);
    EXPECT_LE(endOfDump.bottom(), viewer.Memo->viewport()->height());
    EXPECT_LE(endOfDump.right(), viewer.Memo->viewport()->width());
    EXPECT_GE(endOfDump.top(), 0);

    // Without a reply the dump empties after ten requests.
    sim.unit.faults().silent = true;
    type(viewer, "7");
    clock.advance(600);
    EXPECT_TRUE(viewer.Memo->toPlainText().isEmpty());
}

TEST_F(MemViewFormTest, TheEditBoxScrollBarAndKeysChooseTheSector)
{
    TMainForm& form = connectedForm();
    TMemViewForm& viewer = openViewer(form);
    struct Step {
        const char* what;
        std::function<void(TMemViewForm&)> act;
        int sector;
        QString edit;
    };
    enum class On { Dump, ScrollBar };
    const auto key = [](On on, Qt::Key k) {
        return [on, k](TMemViewForm& v) {
            QTest::keyClick(on == On::Dump ? static_cast<QWidget*>(v.Memo) : static_cast<QWidget*>(v.ScrollBar), k);
        };
    };
    const auto typed = [](QString text) { return [text](TMemViewForm& v) { type(v, text); }; };
    const Step steps[] = {
        {"decimal typed", typed("4660"), 0x1234, "4660"},
        {"Page Down on the scroll bar", key(On::ScrollBar, Qt::Key_PageDown), 0x1234 + 512, "0x1434"},
        {"hexadecimal typed", typed("0xFF14"), 65300, "0xFF14"},
        {"Page Down on the dump, past the end", key(On::Dump, Qt::Key_PageDown), 65535, "0xFFFF"},
        {"dollar typed", typed("$64"), 100, "$64"},
        {"Page Up past the start", key(On::Dump, Qt::Key_PageUp), 0, "0x0000"},
        {"End", key(On::ScrollBar, Qt::Key_End), 65535, "0xFFFF"},
        {"Home on the dump", key(On::Dump, Qt::Key_Home), 0, "0x0000"},
        {"arrow down on the scroll bar", key(On::ScrollBar, Qt::Key_Down), 1, "0x0001"},
        {"not a number", typed("12x"), 0, "12x"},
        {"beyond the last sector", typed("70000"), 65535, "70000"},
    };
    for (const Step& step : steps) {
        step.act(viewer);
        EXPECT_EQ(viewer.viewer().currentSector(), step.sector) << step.what;
        EXPECT_EQ(viewer.ScrollBar->value(), step.sector) << step.what;
        EXPECT_EQ(viewer.EditSector->text(), step.edit) << step.what;
    }
    // The sector chosen last is read and shown.
    clock.advance(500);
    EXPECT_TRUE(viewer.Memo->toPlainText().split('\n').value(31).startsWith("FFFF:1F0   "));
}

TEST_F(MemViewFormTest, TheArrowKeysInTheDumpStepThroughTheSectorsAndKeepItsFirstLineInSight)
{
    TMainForm& form = connectedForm();
    TMemViewForm& viewer = openViewer(form);
    type(viewer, "0x10");
    clock.advance(500);
    // The user clicks into the dump; the keys then go wherever the focus is.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::mouseClick(viewer.Memo->viewport(), Qt::LeftButton, {}, QPoint(20, 40));
    ASSERT_EQ(QApplication::focusWidget(), viewer.Memo);
    const auto press = [&](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        clock.advance(500);
    };
    struct Step {
        Qt::Key key;
        int sector;
    };
    const Step steps[] = {{Qt::Key_Down, 0x11}, {Qt::Key_Down, 0x12}, {Qt::Key_Up, 0x11},
                          {Qt::Key_Home, 0},    {Qt::Key_Up, 0},      {Qt::Key_Down, 1}};
    for (const Step& step : steps) {
        press(step.key);
        EXPECT_EQ(viewer.viewer().currentSector(), step.sector) << QKeySequence(step.key).toString().toStdString();
        EXPECT_EQ(viewer.ScrollBar->value(), step.sector);
        EXPECT_EQ(viewer.EditSector->text(), QString::asprintf("0x%04X", step.sector));
        EXPECT_EQ(shownSector(viewer), QString::asprintf("%04X", step.sector));
        EXPECT_EQ(viewer.Memo->cursorForPosition(QPoint(2, 2)).blockNumber(), 0)
            << "the dump's first line scrolled away";
    }
}

} // namespace
} // namespace zr48
