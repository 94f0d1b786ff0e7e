#pragma once
// The new-project dialog: the project's name, its proposed location (a folder of its own below the
// project directory) and how to fill it: empty, uploaded from the ZR48 or copied from another
// project. "OK" creates the folder and an empty project file there; the main window does the rest.

#include "desktop/project/NewProjectRules.h"

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zr48 {

class FileChooser;
class Prompt;
class Settings;

class TNewProjectForm : public QDialog {
    Q_OBJECT
public:
    TNewProjectForm(Settings& settings, Prompt& prompt, FileChooser& files, QWidget* parent = nullptr);

    // Selects "Empty Project" and empties the name, as the New Project command does first.
    void Prepare();
    // Shows the dialog modally, centred on its parent; true when "OK" closed it (the project file
    // then exists).
    bool Execute();

    // What the dialog chose.
    NewProjectChoice choice() const;
    std::string projectLocation() const;
    std::string copyProjectPath() const;
    // The upload choice needs the link.
    void setUploadEnabled(bool enabled);
    // Closes the windows that show the project at a path (each after its close question); false
    // when one stays open. Set by the main window.
    std::function<bool(const std::string& path)> closeWindowsOn;

    // The user's actions.
    void EditProjectNameChange();
    void UpdateControls();
    void ButtonBrowseCopyProjectClick();
    void ButtonOkClick();

    // The controls, for tests.
    QLineEdit* nameEdit() const { return EditProjectName; }
    QLineEdit* locationEdit() const { return EditProjectLocation; }
    QRadioButton* emptyButton() const { return RadioButtonEmptyProject; }
    QRadioButton* uploadButton() const { return RadioButtonUploadProject; }
    QRadioButton* copyButton() const { return RadioButtonCopyProject; }
    QLineEdit* copyEdit() const { return EditCopyProject; }
    QPushButton* browseCopyButton() const { return ButtonBrowseCopyProject; }
    QPushButton* okButton() const { return ButtonOk; }
    QPushButton* cancelButton() const { return ButtonCancel; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Settings& settings_;
    Prompt& prompt_;
    FileChooser& files_;

    QLineEdit* EditProjectName;
    QLineEdit* EditProjectLocation;
    QRadioButton* RadioButtonEmptyProject;
    QRadioButton* RadioButtonUploadProject;
    QRadioButton* RadioButtonCopyProject;
    QLineEdit* EditCopyProject;
    QPushButton* ButtonBrowseCopyProject;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
};

} // namespace zr48
