// The text editor in the main window: titles, status panels, loading and saving Windows-1252 text
// with CR LF, the read-only question, Find.

#include "desktop/editor/EditForm.h"
#include "base/FileIo.h"
#include "desktop/ShellHarness.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <filesystem>

namespace zr48 {
namespace {

using test::fileContents;

using test::ScriptedFileChooser;

class EditFormTest : public test::ShellTest {
protected:
    void SetUp() override
    {
        form = makeForm();
        form->show();
    }
    TEditForm* newEditor() { return form->NewTextEditor(form.get(), form->nextWindowNumber()); }

    std::unique_ptr<TMainForm> form;
};

TEST_F(EditFormTest, ANewEditorShowsItsPlaceholderNameAndTheCaretAtTheStart)
{
    TEditForm* editor = newEditor();
    EXPECT_EQ(editor->windowTitle(), "Text Editor - [Unnamed1]");
    EXPECT_EQ(editor->documentFile(), "[Unnamed1]");
    EXPECT_EQ(editor->statusPanel(0)->text(), "1:1");
    EXPECT_EQ(editor->statusPanel(1)->text(), "");
    EXPECT_EQ(editor->OwnerWindow(), form.get());
    const QFontMetrics metrics(editor->richEdit()->font());
    EXPECT_EQ(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('M')) << "a monospaced font";
    EXPECT_EQ(editor->richEdit()->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(EditFormTest, TypingMarksModifiedAndMovesTheCaret)
{
    TEditForm* editor = newEditor();
    editor->richEdit()->setFocus();
    QTest::keyClicks(editor->richEdit(), "ab");
    QTest::keyClick(editor->richEdit(), Qt::Key_Return);
    QTest::keyClicks(editor->richEdit(), "cdef");
    EXPECT_EQ(editor->windowTitle(), "Text Editor - [Unnamed1] *");
    EXPECT_EQ(editor->statusPanel(1)->text(), "Modified");
    EXPECT_EQ(editor->statusPanel(0)->text(), "2:5");
}

TEST_F(EditFormTest, WindowsTextAndCrLfSurviveALoadAndSave)
{
    // Every byte from 0x20 up, the 0x80-0x9F range (and the five undefined ones) included.
    std::string bytes = "KEY=\"#560#1690\"\r\n";
    for (int c = 0x20; c < 0x100; ++c) {
        bytes += static_cast<char>(c);
        if (c % 32 == 31)
            bytes += "\r\n";
    }
    const Text path = dir.write("dev.mpi", bytes);
    TEditForm* editor = newEditor();
    editor->LoadFile(path);
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + path));
    EXPECT_EQ(editor->richEdit()->document()->blockCount(), 9); // eight lines and the empty one after
    EXPECT_EQ(editor->richEdit()->toPlainText().left(4), "KEY=");
    EXPECT_TRUE(editor->richEdit()->toPlainText().contains(QChar(0x20AC))); // 0x80, the euro sign

    const Text copy = dir.text("copy.mpi");
    ASSERT_TRUE(editor->SaveFile(copy));
    EXPECT_EQ(fileContents(copy), bytes);
    EXPECT_EQ(editor->documentFile(), copy);
}

TEST_F(EditFormTest, LineEndsOfAnyKindAreSavedAsCrLf)
{
    const Text path = dir.write("unix.txt", "a\nb\rc\r\n");
    TEditForm* editor = newEditor();
    editor->LoadFile(path);
    editor->SaveFile(path);
    EXPECT_EQ(fileContents(path), "a\r\nb\r\nc\r\n");
}

TEST_F(EditFormTest, ANameWithoutAFolderIsTakenFromTheCurrentFolder)
{
    dir.write("TV.mpi", "DEVICE=1\r\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    TEditForm* editor = newEditor();
    editor->LoadFile("TV.mpi");
    std::filesystem::current_path(previous);
    EXPECT_EQ(editor->documentFile(), dir.text("TV.mpi"));
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + dir.text("TV.mpi")));
}

TEST_F(EditFormTest, AMissingFileIsReportedAndTheEditorKeepsItsPlaceholder)
{
    TEditForm* editor = newEditor();
    editor->LoadFile(dir.text("gone.mpi"));
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"File does not exists\n" + dir.text("gone.mpi")});
    EXPECT_EQ(editor->windowTitle(), "Text Editor - [Unnamed1]");
    EXPECT_TRUE(editor->richEdit()->toPlainText().isEmpty());
}

TEST_F(EditFormTest, SavingClearsModified)
{
    TEditForm* editor = newEditor();
    QTest::keyClicks(editor->richEdit(), "x");
    ASSERT_TRUE(editor->modified());
    editor->SaveFile(dir.text("x.mpi"));
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + dir.text("x.mpi")));
    EXPECT_EQ(editor->statusPanel(1)->text(), "");
}

TEST_F(EditFormTest, AFailedSaveNamesThePathAndTheReasonAndKeepsTheEditorModified)
{
    const Text path = dir.write("TV.mpi", "A=1\r\n");
    TEditForm* editor = newEditor();
    editor->LoadFile(path);
    QTest::keyClicks(editor->richEdit(), "B=2");
    // A folder has taken the file's place: nothing can be written there, whoever runs this.
    std::filesystem::remove(dir.path() / "TV.mpi");
    std::filesystem::create_directory(dir.path() / "TV.mpi");
    form->execute(ActionId::FileSave);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("\"" + path + "\""), std::string::npos) << prompt.errors()[0];
    EXPECT_NE(prompt.errors()[0].find("folder"), std::string::npos) << prompt.errors()[0];
    EXPECT_TRUE(editor->modified());
    EXPECT_EQ(editor->statusPanel(1)->text(), "Modified");
}

TEST_F(EditFormTest, CharactersADeviceFileCannotHoldAreSavedOnlyWhenTheUserAgrees)
{
    TEditForm* editor = newEditor();
    editor->richEdit()->setPlainText(QString::fromUtf8("NAME=Кино"));
    prompt.answer(Answer::No, "cannot be stored");
    EXPECT_FALSE(editor->SaveFile(dir.text("k.mpi")));
    EXPECT_FALSE(fileExists(dir.text("k.mpi")));
    EXPECT_TRUE(editor->modified());
    prompt.answer(Answer::Yes, "cannot be stored");
    EXPECT_TRUE(editor->SaveFile(dir.text("k.mpi")));
    EXPECT_EQ(fileContents(dir.text("k.mpi")), "NAME=????");
    // The text shows what was stored, and is saved.
    EXPECT_EQ(editor->richEdit()->toPlainText(), "NAME=????");
    EXPECT_FALSE(editor->modified());
}

TEST_F(EditFormTest, AReadOnlyTextAsksBeforeTheFirstChange)
{
    const Text path = dir.write("TV.mpi", "NAME=TV\r\n");
    TEditForm* editor = newEditor();
    editor->setReadOnly(true);
    editor->LoadFile(path);
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + path + " (Read only)"));

    prompt.answer(Answer::No, "Do you really want to edit this File?");
    QTest::keyClick(editor->richEdit(), Qt::Key_X);
    EXPECT_EQ(editor->richEdit()->toPlainText(), "NAME=TV\n");
    // Moving the caret asks nothing; the next character asks again.
    QTest::keyClick(editor->richEdit(), Qt::Key_End);
    prompt.answer(Answer::Yes, "Do you really want to edit this File?");
    QTest::keyClick(editor->richEdit(), Qt::Key_X);
    EXPECT_EQ(editor->richEdit()->toPlainText(), "NAME=TVx\n");
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + path + " *"));
    QTest::keyClick(editor->richEdit(), Qt::Key_Y);
    EXPECT_EQ(prompt.shown().size(), 2u);
}

TEST_F(EditFormTest, FindGoesRoundTheEndOfTheText)
{
    TEditForm* editor = newEditor();
    editor->richEdit()->setPlainText("IR_TIME_0=560\nNAME=TV\nIR_TIME_1=1690\n");
    editor->richEdit()->moveCursor(QTextCursor::End);
    editor->showFindBar();
    EXPECT_TRUE(editor->findBar()->isVisible());
    editor->findEdit()->setText("IR_TIME");
    EXPECT_TRUE(editor->findNext());
    EXPECT_EQ(editor->statusPanel(0)->text(), "1:8");
    EXPECT_TRUE(editor->findNext());
    EXPECT_EQ(editor->statusPanel(0)->text(), "3:8");
    editor->findEdit()->setText("missing");
    EXPECT_FALSE(editor->findNext());
    EXPECT_EQ(editor->statusPanel(0)->text(), "3:8");
}

} // namespace
} // namespace zr48
