// The main window's document windows and file commands: numbering, finding, opening, saving and
// closing documents, the close question, Download to ZR48 and the infrared optimization.

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "base/qt/QtText.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/FileChooser.h"
#include "desktop/editor/EditForm.h"
#include "desktop/main/MainForm.h"
#include "desktop/main/MdiLayout.h"
#include "desktop/project/ProjectDocument.h"
#include "files/FileKinds.h"
#include "infrared/IrCodeImport.h"
#include "infrared/IrOptimizer.h"
#include "project/ProjectFile.h"
#include "project/SimpleIniFile.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>

#include <filesystem>

namespace zr48 {

namespace {

constexpr const char* kOpenFilter = "Project Files (*.mpj)|*.mpj|Device INI Files (*.mpi)|*.mpi|"
                                    "Database Files (*.mpd)|*.mpd|All Files (*.*)|*.*";

} // namespace

// ---------------------------------------------------------------------------------------------
// The document window list.

std::vector<TDocumentWindow*> TMainForm::documentWindows() const
{
    std::vector<TDocumentWindow*> out;
    for (Document* document : documents_.windows())
        out.push_back(static_cast<TDocumentWindow*>(document));
    return out;
}

TDocumentWindow* TMainForm::activeDocument() const
{
    return static_cast<TDocumentWindow*>(documents_.active());
}

void TMainForm::addDocumentWindow(TDocumentWindow* window)
{
    window->onGone = [this](TDocumentWindow& gone) {
        documents_.remove(gone);
        UpdateActions();
    };
    connect(window, &QWidget::windowTitleChanged, this, [this] { UpdateActions(); });
    mdiArea_->addSubWindow(window);
    documents_.add(*window);
    window->show();
    const QRect area = mdiArea_->viewport()->rect();
    const QRect placed = window->geometry();
    const Rect inside = keepInside({area.x(), area.y(), area.width(), area.height()},
                                   {placed.x(), placed.y(), placed.width(), placed.height()});
    window->move(inside.x, inside.y);
    mdiArea_->setActiveSubWindow(window);
    UpdateActions();
}

void TMainForm::documentActivated(TDocumentWindow* window)
{
    if (window && !closingAll_ && documents_.contains(*window)) {
        documents_.activate(*window);
        UpdateActions();
    }
}

void TMainForm::bringToFront(TDocumentWindow& window)
{
    if (window.isMinimized())
        window.showNormal();
    mdiArea_->setActiveSubWindow(&window);
    documents_.activate(window);
    UpdateActions();
}

TDocumentWindow* TMainForm::FindOpenWindow(const std::string& path)
{
    // By the file itself: names in other letter case are other files here, while another spelling
    // of the path or a link reaches the same one.
    for (TDocumentWindow* window : documentWindows()) {
        if (window->kind() != DocumentKind::ProjectWindow && window->kind() != DocumentKind::TextEditor)
            continue;
        if (sameFile(window->documentFile(), path))
            return window;
    }
    return nullptr;
}

TDocumentWindow* TMainForm::openDocument(DocumentKind kind)
{
    const auto factory = documentFactories_.find(kind);
    if (factory == documentFactories_.end())
        return nullptr;
    // Windows that take frames get an id of their own; the others keep the placeholders' numbering.
    const int number = takesFrames(kind) ? documents_.nextWindowId() : nextWindowNumber();
    TDocumentWindow* window = factory->second(*this, number);
    if (!window)
        return nullptr;
    if (kind == DocumentKind::ProjectWindow || kind == DocumentKind::TextEditor)
        window->setCloseQuestion([this](TDocumentWindow& w) { return CloseQuestion(w); });
    addDocumentWindow(window);
    return window;
}

TDocumentWindow* TMainForm::OpenProjectWindow(const std::string& path)
{
    TDocumentWindow* window = openDocument(DocumentKind::ProjectWindow);
    if (ProjectDocument* project = window ? window->project() : nullptr)
        project->LoadProject(path);
    return window;
}

TEditForm* TMainForm::NewTextEditor(QObject* ownerWindow, int windowNumber)
{
    auto* editor = new TEditForm(*this, ownerWindow, windowNumber);
    editor->setCloseQuestion([this](TDocumentWindow& w) { return CloseQuestion(w); });
    addDocumentWindow(editor);
    return editor;
}

// ---------------------------------------------------------------------------------------------
// The close question, Save, Save As.

bool TMainForm::CloseQuestion(TDocumentWindow& window)
{
    bringToFront(window);
    if (!titleShowsModified(window.title()))
        return true;
    switch (prompt_.confirm(closeQuestionText(window.title()), Buttons::YesNoCancel)) {
    case Answer::Cancel: return false;
    case Answer::No: return true;
    case Answer::Yes:
    case Answer::Ok: break;
    }
    try {
        Save(window);
    } catch (const Error& error) {
        prompt_.error(error.message());
    }
    // A save that failed or was cancelled keeps the window, and its changes, open.
    return !titleShowsModified(window.title());
}

void TMainForm::SaveDocument(TDocumentWindow& window)
{
    window.SaveDocument();
}

void TMainForm::SaveDocumentAs(TDocumentWindow& window)
{
    auto* editor = qobject_cast<TEditForm*>(&window);
    if (!editor)
        return;
    FileDialogRequest request;
    request.title = "Save Device INI File as...";
    request.filter = "Device INI Files (*.mpi)|*.mpi";
    request.defaultExtension = ".mpi";
    request.directory = openDialogDirectory_;
    request.fileName = editor->documentFile();
    if (const auto path = files_.saveFile(request)) {
        if (editor->SaveFile(*path))
            rememberFile(*path);
    }
}

void TMainForm::Save(TDocumentWindow& window)
{
    if (titleShowsUnnamed(window.title()))
        SaveDocumentAs(window);
    else
        SaveDocument(window);
}

// ---------------------------------------------------------------------------------------------
// File commands.

void TMainForm::ActionNewTextFileExecute()
{
    NewTextEditor(this, nextWindowNumber());
}

void TMainForm::ActionFileOpenExecute()
{
    FileDialogRequest request;
    request.filter = kOpenFilter;
    request.directory = openDialogDirectory_;
    // On a new system the projects folder does not exist yet, and the dialog would start in the
    // working folder instead: make it, as New Project does (its parent must be there already).
    if (openDialogDirectory_ == settings_.projectDir()) {
        std::error_code ignored; // a folder that cannot be made leaves the dialog to choose
        std::filesystem::create_directory(toFsPath(openDialogDirectory_), ignored);
    }
    const auto path = files_.openFile(request);
    if (!path)
        return;
    openDialogDirectory_ = extractFilePath(*path);
    openFile(*path);
}

void TMainForm::openFile(const std::string& path)
{
    if (TDocumentWindow* open = FindOpenWindow(path)) {
        bringToFront(*open);
        return;
    }
    // By the extension as written, letter case included.
    openAs(fileOpenAction(path), path);
}

void TMainForm::openAs(OpenAction action, const std::string& path)
{
    switch (action) {
    case OpenAction::Download:
        // At once: no compile, no test of the link; a damaged image is shown and asked about.
        tools_->downloader.Start(path, CheckPolicy::Ask);
        break;
    case OpenAction::ProjectWindow:
        // A file that is no project would open as an empty one, and its download empty the card.
        if (const auto problem = ProjectFileProblem(path)) {
            prompt().error(ProjectFileProblemMessage(path, *problem));
            break;
        }
        OpenProjectWindow(path);
        rememberFile(path);
        break;
    case OpenAction::TextFile:
        // Any other file the user chose: in the editor when it is text, else said why not.
        if (const FileCheck check = checkFile(FileKind::TextFile, path); !check.Ok) {
            prompt().error(fileCheckMessage(check, path));
            break;
        }
        [[fallthrough]];
    case OpenAction::TextEditor:
        NewTextEditor(this, nextWindowNumber())->LoadFile(path);
        if (fileExists(path))
            rememberFile(path);
        break;
    case OpenAction::Nothing: break;
    }
}

void TMainForm::ActionFileCloseExecute()
{
    if (TDocumentWindow* window = activeDocument())
        window->close();
}

bool TMainForm::CloseAll()
{
    // The list keeps its order while windows go: the next one becomes the first.
    const bool wasClosingAll = std::exchange(closingAll_, true);
    bool closed = true;
    while (TDocumentWindow* first = activeDocument()) {
        if (!first->askCloseQuestion()) {
            closed = false;
            break;
        }
        delete first; // at once
    }
    closingAll_ = wasClosingAll;
    if (TDocumentWindow* first = activeDocument())
        bringToFront(*first);
    return closed;
}

void TMainForm::ActionCloseAllExecute()
{
    CloseAll();
}

void TMainForm::ActionFileSaveExecute()
{
    if (TDocumentWindow* window = activeDocument())
        Save(*window);
}

void TMainForm::ActionFileSaveAsExecute()
{
    if (TDocumentWindow* window = activeDocument())
        SaveDocumentAs(*window);
}

void TMainForm::ActionSaveAllExecute()
{
    const auto windows = documentWindows();
    std::vector<QPointer<TDocumentWindow>> list(windows.begin(), windows.end());
    for (const auto& window : list) {
        // A failed save is reported, and the others are still saved.
        if (window && titleShowsModified(window->title()))
            guarded([this, &window] { Save(*window); });
    }
}

// ---------------------------------------------------------------------------------------------
// Project and infrared commands.

void TMainForm::ActionDownloadExecute()
{
    if (TDocumentWindow* window = activeDocument())
        downloadProject(*window);
}

void TMainForm::downloadProject(TDocumentWindow& window)
{
    ProjectDocument* project = window.project();
    if (!project || window.kind() != DocumentKind::ProjectWindow)
        return;
    if (!project->PrepareDownload())
        return; // the compile has shown its messages
    // Just compiled, so it passes the image checks; should it not, it is not written.
    tools_->downloader.Start(downloadImagePath(window.documentFile()), CheckPolicy::Refuse);
}

void TMainForm::ActionCleanupProjectExecute()
{
    TDocumentWindow* window = activeDocument();
    if (ProjectDocument* project = window ? window->project() : nullptr)
        project->DeleteUnusedFiles();
}

void TMainForm::ActionInfraredOptimizerExecute()
{
    auto* editor = qobject_cast<TEditForm*>(activeDocument());
    if (!editor || extractFileExt(editor->documentFile()) != ".mpi")
        return;
    if (prompt_.confirm("Perform Infrared String Optimization?\n", Buttons::YesNo) != Answer::Yes)
        return;
    std::vector<Text> before;
    try {
        // Only a device file's text: a section line would hide the strings after it.
        before = DeviceFileLines(editor->documentFile(), editor->fileBytes());
    } catch (const Error& e) {
        prompt_.error(e.message());
        return;
    }
    // A read-only text (a database file) changes only when the user agrees, as for a key press.
    if (!editor->AskToEdit())
        return;
    std::vector<Text> lines = before;
    TIrOptimizer optimizer;
    optimizer.SetTolerance(settings_.irOptimizerPass1());
    optimizer.Optimize(lines);
    optimizer.SetTolerance(settings_.irOptimizerPass2());
    optimizer.Optimize(lines);
    // The bytes the command line's optimizer writes for the same file; in place, marked modified,
    // and nothing is written until the user saves.
    editor->replaceFileBytes(DeviceFileBytes(lines));
    showOptimizeReport(before, lines, extractFileName(editor->documentFile()));
}

void TMainForm::ActionInfraredImportExecute()
{
    auto* editor = qobject_cast<TEditForm*>(activeDocument());
    if (!editor || extractFileExt(editor->documentFile()) != ".mpi")
        return;
    const std::string device = editor->documentFile();
    try {
        // The codes go into the editor's text, saved or not, as the optimizer's changes do; the
        // user saves them. The text must be a device file's.
        std::vector<Text> lines = DeviceFileLines(device, editor->fileBytes());
        if (editor->readOnly() && !editor->AskToEdit())
            return;
        FileDialogRequest request;
        request.title = "Import Infrared Codes";
        request.filter = "Infrared Codes (*.ir;*.txt)|*.ir;*.txt|All Files (*.*)|*.*";
        request.directory = extractFilePath(device);
        const auto codes = files_.openFile(request);
        if (!codes)
            return;
        // The keys take the file's own prefix; the question before a key is replaced comes from
        // the import.
        const IrImportReport report = importIrButtons(
            lines, readIrCodeFileAt(*codes),
            {.tolerance1 = settings_.irOptimizerPass1(), .tolerance2 = settings_.irOptimizerPass2()}, prompt_);
        if (report.imported.empty()) {
            prompt_.information(report.text(extractFileName(device)) + "The device file is as it was.");
            return;
        }
        editor->replaceFileBytes(DeviceFileBytes(lines));
        prompt_.information(report.text(extractFileName(device)));
    } catch (const Error& e) {
        prompt_.error(e.message());
    }
}

// ---------------------------------------------------------------------------------------------
// Recent files.

void TMainForm::rememberFile(const std::string& path)
{
    recentFiles_.add(path);
    // A disabled menu never opens, so it cannot wait for its opening to learn that it has entries.
    // Its entries are made when it opens (not here: an entry of its own may be opening this file).
    if (recentMenu_)
        recentMenu_->setEnabled(true);
}

void TMainForm::refreshRecentFilesMenu()
{
    recentMenu_->clear();
    const auto files = recentFiles_.files();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString text = QString("&%1 %2").arg(i + 1).arg(pathToQString(files[i]).replace('&', "&&"));
        QAction* entry = recentMenu_->addAction(text);
        entry->setStatusTip(pathToQString(files[i]));
        connect(entry, &QAction::triggered, this, [this, path = files[i]] {
            guarded([this, &path] {
                if (!fileExists(path)) {
                    recentFiles_.remove(path);
                    prompt_.error("File does not exists\n" + path);
                    return;
                }
                openFile(path);
            });
            UpdateActions();
        });
    }
    recentMenu_->setEnabled(!files.empty());
}

} // namespace zr48
