#include "desktop/project/NewProjectForm.h"

#include "base/Settings.h"
#include "base/qt/QtText.h"
#include "desktop/common/FieldColour.h"
#include "desktop/common/FileChooser.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zr48 {

TNewProjectForm::TNewProjectForm(Settings& settings, Prompt& prompt, FileChooser& files, QWidget* parent)
    : QDialog(parent), settings_(settings), prompt_(prompt), files_(files)
{
    setObjectName("NewProjectForm");
    setWindowTitle("Create new Project");
    setModal(true);

    auto* Label1 = new QLabel("Project Name:", this);
    Label1->setObjectName("Label1");
    EditProjectName = new QLineEdit(this);
    EditProjectName->setObjectName("EditProjectName");
    Label1->setBuddy(EditProjectName);
    auto* Label2 = new QLabel("Location:", this);
    Label2->setObjectName("Label2");
    EditProjectLocation = new QLineEdit(this);
    EditProjectLocation->setObjectName("EditProjectLocation");
    Label2->setBuddy(EditProjectLocation);
    RadioButtonEmptyProject = new QRadioButton("Empty Project", this);
    RadioButtonEmptyProject->setObjectName("RadioButtonEmptyProject");
    RadioButtonUploadProject = new QRadioButton("Upload from ZR48", this);
    RadioButtonUploadProject->setObjectName("RadioButtonUploadProject");
    RadioButtonCopyProject = new QRadioButton("Copy Project from:", this);
    RadioButtonCopyProject->setObjectName("RadioButtonCopyProject");
    auto* choices = new QButtonGroup(this);
    for (QRadioButton* button : {RadioButtonEmptyProject, RadioButtonUploadProject, RadioButtonCopyProject})
        choices->addButton(button);
    RadioButtonEmptyProject->setChecked(true);
    EditCopyProject = new QLineEdit(this);
    EditCopyProject->setObjectName("EditCopyProject");
    EditCopyProject->installEventFilter(this);
    ButtonBrowseCopyProject = new QPushButton("...", this);
    ButtonBrowseCopyProject->setObjectName("ButtonBrowseCopyProject");
    ButtonBrowseCopyProject->setAutoDefault(false);
    ButtonBrowseCopyProject->setFixedWidth(ButtonBrowseCopyProject->fontMetrics().horizontalAdvance("...") + 24);
    ButtonOk = new QPushButton("OK", this);
    ButtonOk->setObjectName("ButtonOk");
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(EditProjectName, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(EditProjectLocation, 1, 1);
    fields->setColumnMinimumWidth(1, 340);
    auto* copyRow = new QHBoxLayout;
    copyRow->addSpacing(20);
    copyRow->addWidget(EditCopyProject, 1);
    copyRow->addWidget(ButtonBrowseCopyProject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addWidget(RadioButtonEmptyProject);
    layout->addWidget(RadioButtonUploadProject);
    layout->addWidget(RadioButtonCopyProject);
    layout->addLayout(copyRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(EditProjectName, &QLineEdit::textChanged, this, &TNewProjectForm::EditProjectNameChange);
    connect(choices, &QButtonGroup::buttonClicked, this, &TNewProjectForm::UpdateControls);
    connect(EditCopyProject, &QLineEdit::textChanged, this, &TNewProjectForm::UpdateControls);
    connect(ButtonBrowseCopyProject, &QPushButton::clicked, this, &TNewProjectForm::ButtonBrowseCopyProjectClick);
    connect(ButtonOk, &QPushButton::clicked, this, &TNewProjectForm::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateControls();
}

void TNewProjectForm::Prepare()
{
    RadioButtonEmptyProject->setChecked(true);
    EditProjectName->clear();
    UpdateControls();
}

bool TNewProjectForm::Execute()
{
    adjustSize();
    if (parentWidget())
        move(parentWidget()->window()->frameGeometry().center() - rect().center());
    return exec() == QDialog::Accepted;
}

NewProjectChoice TNewProjectForm::choice() const
{
    if (RadioButtonUploadProject->isChecked())
        return NewProjectChoice::Upload;
    if (RadioButtonCopyProject->isChecked())
        return NewProjectChoice::Copy;
    return NewProjectChoice::Empty;
}

std::string TNewProjectForm::projectLocation() const
{
    return pathFromQString(EditProjectLocation->text());
}

std::string TNewProjectForm::copyProjectPath() const
{
    return pathFromQString(EditCopyProject->text());
}

void TNewProjectForm::setUploadEnabled(bool enabled)
{
    RadioButtonUploadProject->setEnabled(enabled);
}

void TNewProjectForm::EditProjectNameChange()
{
    EditProjectLocation->setText(
        pathToQString(proposedProjectLocation(settings_.projectDir(), pathFromQString(EditProjectName->text()))));
    UpdateControls();
}

void TNewProjectForm::UpdateControls()
{
    const NewProjectControls controls =
        newProjectControls(pathFromQString(EditProjectName->text()), choice(), copyProjectPath());
    setFieldEnabled(EditProjectLocation, controls.location);
    setFieldEnabled(EditCopyProject, controls.copyProject);
    ButtonBrowseCopyProject->setEnabled(controls.copyProject);
    ButtonOk->setEnabled(controls.ok);
}

void TNewProjectForm::ButtonBrowseCopyProjectClick()
{
    FileDialogRequest request;
    request.title = "Select Project to copy...";
    request.filter = "Project Files (*.mpj)|*.mpj";
    request.defaultExtension = ".mpj";
    request.directory = settings_.projectDir();
    if (const auto path = files_.openFile(request))
        EditCopyProject->setText(pathToQString(*path));
}

void TNewProjectForm::ButtonOkClick()
{
    if (createProjectFile(projectLocation(), choice(), copyProjectPath(), prompt_, settings_.defaults().projectDir,
                          closeWindowsOn))
        accept();
}

void TNewProjectForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    UpdateControls();
}

bool TNewProjectForm::eventFilter(QObject* watched, QEvent* event)
{
    // A click into the copy path updates the controls as a change does.
    if (watched == EditCopyProject && (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress))
        UpdateControls();
    return QDialog::eventFilter(watched, event);
}

} // namespace zr48
