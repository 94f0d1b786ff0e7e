#pragma once
// The settings dialog, "ZR48 Project Manager Setup": the project and database directories, the
// Advanced and Expert switches, the infrared optimizer's two tolerances and the link (taken at the
// next start; the note under it says which link the running program uses when its start named one,
// and why that link cannot be used). "OK" writes all seven values; "Abbrechen" (and the close box)
// writes nothing.

#include "desktop/main/OptionsRules.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zr48 {

class Settings;
class TDirectoryForm;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    TOptionsForm(Settings& settings, TDirectoryForm& directoryForm, QWidget* parent = nullptr);

    // Fills the controls from the settings, then shows the dialog modally.
    int exec() override;

    // The controls, by their names.
    QLineEdit* EditProjectDir;
    QLineEdit* EditDatabaseDir;
    QPushButton* ButtonBrowseProjectDir;
    QPushButton* ButtonBrowseDatabaseDir;
    QCheckBox* AdvancedCheckBox;
    QCheckBox* ExpertCheckBox;
    QLabel* LabelIrOptCapt;
    QSpinBox* CSpinEdit1;
    QSpinBox* CSpinEdit2;
    QComboBox* LinkComboBox;
    QLineEdit* EditSimCardFile;
    QLineEdit* EditServerHost;
    QLineEdit* EditServerPort;
    QPushButton* ButtonBrowseSimCardFile;
    QLabel* LabelLinkNote;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    // The link list for the stored link; by default from the converters on this machine.
    using LinkLister = std::function<LinkSelection(const std::string& stored)>;
    void setLinkLister(LinkLister lister) { linkLister_ = std::move(lister); }
    // The link the running program uses, and how to learn why it cannot be used when it cannot
    // (asked each time the dialog opens).
    void setRunningLink(RunningLink running, std::function<std::string()> problem)
    {
        running_ = std::move(running);
        linkProblem_ = std::move(problem);
    }
    // The file dialog of the card file's "...": given the field's text, the chosen file or nothing.
    using CardFileChooser = std::function<std::optional<std::string>(const std::string& current)>;
    void setCardFileChooser(CardFileChooser chooser) { chooseCardFile_ = std::move(chooser); }

    void FormShow();
    void ExpertCheckBoxClick();
    // The card file is the simulator's only.
    void LinkComboBoxChange();
    void ButtonBrowseSimCardFileClick();
    void OkButtonClick();
    // Why "OK" could not write the settings the last time it was pressed, then forgotten; nullopt
    // when it wrote them (or was not pressed).
    std::optional<std::string> takeWriteFailure() { return std::exchange(writeFailure_, std::nullopt); }

private:
    void browse(QLineEdit* edit);

    Settings& settings_;
    TDirectoryForm& directoryForm_;
    LinkLister linkLister_;
    RunningLink running_;
    std::function<std::string()> linkProblem_;
    CardFileChooser chooseCardFile_;
    std::vector<LinkEntry> linkEntries_;
    std::optional<std::string> writeFailure_;
};

} // namespace zr48
