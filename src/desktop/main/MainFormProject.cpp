// The project side of the main window: the docked database browser, project windows and the
// new-project dialog with the three ways of filling a new project.

#include "base/Prompt.h"
#include "desktop/main/MainForm.h"
#include "desktop/project/DatabaseForm.h"
#include "desktop/project/NewProjectForm.h"
#include "desktop/project/ProjectForm.h"
#include "project/ProjectFile.h"

namespace zr48 {

// Construction step 3: the database browser (owned by the main window; it gets the close question
// for the editors it opens and the shared pictures through the shell), docked into the left dock
// area by buildDock.
void TMainForm::createDatabaseForm()
{
    DatabaseForm = new TDatabaseForm(*this, this);
}

// The project window factory: OpenProjectWindow creates project windows through it.
void TMainForm::installProjectWindows()
{
    setDocumentFactory(DocumentKind::ProjectWindow,
                       [](Shell& shell, int windowNumber) { return new TProjectForm(shell, windowNumber); });
}

// The dialogs' step: NewProjectForm, between FirmwareForm and OptionsForm.
void TMainForm::createNewProjectForm()
{
    dialogs_.NewProjectForm = new TNewProjectForm(settings_, prompt_, files_, this);
    // The enable rules may still run while the dialogs are destroyed at the end.
    connect(dialogs_.NewProjectForm, &QObject::destroyed, this, [this] { dialogs_.NewProjectForm = nullptr; });
    // A project replaced by a new one at its place is not left open in a window of its own.
    dialogs_.NewProjectForm->closeWindowsOn = [this](const std::string& path) {
        while (TDocumentWindow* open = FindOpenWindow(path))
            if (!open->close())
                return false;
        return true;
    };
}

// Asked once when start-up finishes.
void TMainForm::RefreshDatabase()
{
    DatabaseForm->RefreshDatabase();
}

// The about box's database version.
Text TMainForm::DatabaseVersion() const
{
    return DatabaseForm->DatabaseVersion();
}

void TMainForm::ActionFileNewProjectExecute()
{
    TNewProjectForm& form = *dialogs_.NewProjectForm;
    form.Prepare();
    // With OK the project's folder and an empty project file exist.
    if (!form.Execute())
        return;
    const std::string path = form.projectLocation();
    switch (form.choice()) {
    case NewProjectChoice::Upload:
        // The project window opens only when the upload and its unpacking succeed.
        StartUpload(path);
        break;
    case NewProjectChoice::Copy: {
        // A copy that could write nothing has said so; the empty project is not worth a window.
        TProjectFile copy;
        if (copy.CopyProject(form.copyProjectPath(), path, prompt_) == TProjectFile::CopyResult::Failed)
            break;
        OpenProjectWindow(path);
        rememberFile(path);
        break;
    }
    case NewProjectChoice::Empty:
        OpenProjectWindow(path);
        rememberFile(path);
        break;
    }
}

// The upload choice of the new-project dialog is enabled exactly while the link is connected.
void TMainForm::updateNewProjectForm(const Situation& situation)
{
    if (dialogs_.NewProjectForm)
        dialogs_.NewProjectForm->setUploadEnabled(situation.connected);
}

} // namespace zr48
