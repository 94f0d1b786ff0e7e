// The project side of the main window: the docked database browser, project windows and the
// new-project dialog. Until those windows exist, the browser's place holds an empty panel, no
// project window is created and New Project does nothing.

#include "shell/MainForm.h"
#include "shell/PlaceholderForm.h"

namespace zr48 {

// Construction step 3: the database browser (owned by the main window; it gets the close question
// for the editors it opens and the shared pictures), docked into the left dock area by buildDock.
void TMainForm::createDatabaseForm()
{
    DatabaseForm = new QWidget(this); // placeholder: the browser takes its place
    DatabaseForm->setObjectName("DatabaseForm");
}

// The project window factory: OpenProjectWindow creates project windows through it.
void TMainForm::installProjectWindows() {}

// The dialogs' step: NewProjectForm, between FirmwareForm and OptionsForm.
void TMainForm::createNewProjectForm()
{
    dialogs_.NewProjectForm = new TPlaceholderForm("NewProjectForm", this);
}

// Asked once when start-up finishes.
void TMainForm::RefreshDatabase() {}

// The about box's database version; empty until the browser exists.
Text TMainForm::DatabaseVersion() const
{
    return {};
}

void TMainForm::ActionFileNewProjectExecute() {}

// The upload choice of the new-project dialog is enabled exactly while the link is connected.
void TMainForm::updateNewProjectForm(const Situation&) {}

} // namespace zr48
