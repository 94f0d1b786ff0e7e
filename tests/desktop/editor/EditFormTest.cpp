// The text editor in the main window: titles, status panels, loading and saving Windows-1252 text
// with CR LF, the read-only question, Find.

#include "desktop/editor/EditForm.h"
#include "base/FileIo.h"
#include "desktop/ShellHarness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <filesystem>
#include <functional>

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

    // A file several times larger than one that loads at once: numbered lines with Windows-1252
    // letters, CR LF line ends and a last line without one.
    static std::string largeFile(char tag)
    {
        std::string bytes;
        for (int line = 0; bytes.size() < 3 * 1024 * 1024; ++line)
            bytes += "IR_CODE_" + std::to_string(line) + tag + "=\"$32000001000101\" caf\xE9 \x80\x9F\r\n";
        return bytes + "END";
    }
    // Runs the event loop while `pending` holds (for a minute at most, should the load hang).
    static void runEventsWhile(const std::function<bool()>& pending)
    {
        QElapsedTimer waited;
        waited.start();
        while (pending() && waited.elapsed() < 60000)
            QApplication::processEvents();
    }
    static void waitUntilLoaded(TEditForm* editor)
    {
        runEventsWhile([editor] { return editor->loading(); });
        ASSERT_FALSE(editor->loading());
    }

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

TEST_F(EditFormTest, ALargeFileIsFilledInFromTheEventLoopAndSavedAsItWas)
{
    const std::string bytes = largeFile('a');
    ASSERT_GT(bytes.size(), TEditForm::kLoadAtOnceBytes * 4);
    const Text path = dir.write("large.mpi", bytes);
    TEditForm* editor = newEditor();
    editor->LoadFile(path);
    // Back in the event loop before the text is in: the title names the file, nothing can change
    // the text, and a key makes no question.
    EXPECT_TRUE(editor->loading());
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + path));
    EXPECT_TRUE(editor->richEdit()->isReadOnly());
    EXPECT_FALSE(editor->readOnly());
    runEventsWhile([editor] { return editor->richEdit()->document()->isEmpty(); });
    ASSERT_TRUE(editor->loading()) << "the first step put the whole text in";
    EXPECT_LT(editor->richEdit()->document()->characterCount(), static_cast<int>(bytes.size() / 2));
    QTest::keyClick(editor->richEdit(), Qt::Key_X);
    EXPECT_TRUE(prompt.shown().empty());
    EXPECT_FALSE(editor->modified());

    waitUntilLoaded(editor);
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + path));
    EXPECT_EQ(editor->statusPanel(0)->text(), "1:1");
    EXPECT_EQ(editor->statusPanel(1)->text(), "");
    EXPECT_FALSE(editor->richEdit()->isReadOnly());
    EXPECT_FALSE(editor->richEdit()->document()->isUndoAvailable());
    EXPECT_TRUE(
        editor->richEdit()->toPlainText().startsWith(QString::fromUtf8("IR_CODE_0a=\"$32000001000101\" café €Ÿ\n")));
    const Text copy = dir.text("copy.mpi");
    ASSERT_TRUE(editor->SaveFile(copy));
    EXPECT_TRUE(fileContents(copy) == bytes) << "the saved copy differs from the file";

    // Typing now changes the text, as in any editor.
    QTest::keyClick(editor->richEdit(), Qt::Key_X);
    EXPECT_TRUE(editor->modified());
}

TEST_F(EditFormTest, ALargeReadOnlyFileStaysReadOnlyAndASaveDuringTheLoadWritesTheWholeText)
{
    const std::string bytes = largeFile('b');
    const Text path = dir.write("db.mpi", bytes);
    TEditForm* editor = newEditor();
    editor->setReadOnly(true);
    editor->LoadFile(path);
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + path + " (Read only)"));
    waitUntilLoaded(editor);
    EXPECT_TRUE(editor->richEdit()->isReadOnly());
    prompt.answer(Answer::No, "Do you really want to edit this File?");
    QTest::keyClick(editor->richEdit(), Qt::Key_X);
    EXPECT_EQ(prompt.shown().size(), 1u);

    TEditForm* saving = newEditor();
    saving->LoadFile(path);
    ASSERT_TRUE(saving->loading());
    const Text copy = dir.text("copy.mpi");
    ASSERT_TRUE(saving->SaveFile(copy));
    EXPECT_FALSE(saving->loading());
    EXPECT_TRUE(fileContents(copy) == bytes) << "a save during the load wrote part of the text";
}

TEST_F(EditFormTest, ANewerLoadSupersedesARunningOneAndClosingDuringALoadIsSafe)
{
    const Text path = dir.write("large.mpi", largeFile('c'));
    TEditForm* editor = newEditor();
    editor->LoadFile(path);
    runEventsWhile([editor] { return editor->richEdit()->document()->isEmpty(); });
    ASSERT_TRUE(editor->loading());
    // The file changes and is loaded again (as after an import): only the new text is shown.
    const std::string changed = largeFile('d');
    dir.write("large.mpi", changed);
    editor->LoadFile(path);
    waitUntilLoaded(editor);
    const Text copy = dir.text("copy.mpi");
    ASSERT_TRUE(editor->SaveFile(copy));
    EXPECT_TRUE(fileContents(copy) == changed) << "the two versions were mixed";
    // A small file loaded during a large one's load stays as it is.
    const Text small = dir.write("small.mpi", "NAME=TV\r\n");
    editor->LoadFile(path);
    editor->LoadFile(small);
    EXPECT_FALSE(editor->loading());
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    EXPECT_EQ(editor->richEdit()->toPlainText(), "NAME=TV\n");
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + small));

    // Closing the window, then the program, while files load.
    TEditForm* closing = newEditor();
    closing->LoadFile(path);
    runEventsWhile([closing] { return closing->richEdit()->document()->isEmpty(); });
    closing->close();
    newEditor()->LoadFile(path);
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    form.reset();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
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
