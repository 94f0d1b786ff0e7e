#include "desktop/main/OptionsForm.h"

#include "base/Error.h"
#include "base/Settings.h"
#include "base/qt/QtText.h"
#include "desktop/main/DirectoryForm.h"
#include "desktop/main/OptionsRules.h"

#include "link/LinkTarget.h"
#include "link/drivers/ConverterList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zr48 {

namespace {

// A tolerance spin box: whole numbers 0 to 100; a text that is no number stands for 1.
class PercentSpinBox : public QSpinBox {
public:
    explicit PercentSpinBox(QWidget* parent) : QSpinBox(parent)
    {
        setRange(0, 100);
        // Room for "100" at any font size.
        setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("1000")) + 36);
    }
    void fixup(QString& input) const override { input = QString::number(percentFromText(input.toStdString())); }
};

LinkSelection convertersOfThisMachine(const std::string& stored)
{
    return linkSelection(listSerialPorts(SerialSystemFolders{}), listFtdiDevices(), stored);
}

} // namespace

TOptionsForm::TOptionsForm(Settings& settings, TDirectoryForm& directoryForm, QWidget* parent)
    : QDialog(parent), settings_(settings), directoryForm_(directoryForm), linkLister_(convertersOfThisMachine)
{
    setObjectName("OptionsForm");
    setWindowTitle("ZR48 Project Manager Setup");
    setModal(true);

    EditProjectDir = new QLineEdit(this);
    EditProjectDir->setObjectName("EditProjectDir");
    EditDatabaseDir = new QLineEdit(this);
    EditDatabaseDir->setObjectName("EditDatabaseDir");
    ButtonBrowseProjectDir = new QPushButton("...", this);
    ButtonBrowseProjectDir->setObjectName("ButtonBrowseProjectDir");
    ButtonBrowseDatabaseDir = new QPushButton("...", this);
    ButtonBrowseDatabaseDir->setObjectName("ButtonBrowseDatabaseDir");
    ButtonBrowseSimCardFile = new QPushButton("...", this);
    ButtonBrowseSimCardFile->setObjectName("ButtonBrowseSimCardFile");
    for (QPushButton* button : {ButtonBrowseProjectDir, ButtonBrowseDatabaseDir, ButtonBrowseSimCardFile}) {
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance("...") + 24);
    }
    AdvancedCheckBox = new QCheckBox("Enable ad&vanced Functions", this);
    AdvancedCheckBox->setObjectName("AdvancedCheckBox");
    ExpertCheckBox = new QCheckBox("Enable &Expert Functions", this);
    ExpertCheckBox->setObjectName("ExpertCheckBox");
    LabelIrOptCapt = new QLabel("IR Optimizer Tolerance:", this);
    LabelIrOptCapt->setObjectName("LabelIrOptCapt");
    CSpinEdit1 = new PercentSpinBox(this);
    CSpinEdit1->setObjectName("CSpinEdit1");
    CSpinEdit2 = new PercentSpinBox(this);
    CSpinEdit2->setObjectName("CSpinEdit2");
    LinkComboBox = new QComboBox(this);
    LinkComboBox->setObjectName("LinkComboBox");
    EditSimCardFile = new QLineEdit(this);
    EditSimCardFile->setObjectName("EditSimCardFile");
    EditSimCardFile->setPlaceholderText("none: an empty card at every start");
    EditServerHost = new QLineEdit(this);
    EditServerHost->setObjectName("EditServerHost");
    EditServerHost->setPlaceholderText("host name or address");
    EditServerPort = new QLineEdit(this);
    EditServerPort->setObjectName("EditServerPort");
    EditServerPort->setPlaceholderText("port");
    EditServerPort->setValidator(new QIntValidator(1, 65535, EditServerPort));
    EditServerPort->setMaximumWidth(EditServerPort->fontMetrics().horizontalAdvance("655350") + 16);
    LabelLinkNote = new QLabel(QString::fromStdString(linkNote(running_)), this);
    LabelLinkNote->setObjectName("LabelLinkNote");
    LabelLinkNote->setWordWrap(true);
    OkButton = new QPushButton("OK", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Abbrechen", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setAutoDefault(false);

    auto* directories = new QGridLayout;
    auto* projectLabel = new QLabel("&Project Directory:", this);
    projectLabel->setBuddy(EditProjectDir);
    auto* databaseLabel = new QLabel("&Database Directory:", this);
    databaseLabel->setBuddy(EditDatabaseDir);
    directories->addWidget(projectLabel, 0, 0, 1, 2);
    directories->addWidget(EditProjectDir, 1, 0);
    directories->addWidget(ButtonBrowseProjectDir, 1, 1);
    directories->addWidget(databaseLabel, 2, 0, 1, 2);
    directories->addWidget(EditDatabaseDir, 3, 0);
    directories->addWidget(ButtonBrowseDatabaseDir, 3, 1);
    directories->setColumnMinimumWidth(0, 320);

    auto* tolerances = new QGridLayout;
    tolerances->addWidget(LabelIrOptCapt, 0, 0, 1, 3);
    const auto addTolerance = [&](int row, const char* caption, QSpinBox* spin) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(spin);
        tolerances->addWidget(label, row, 0);
        tolerances->addWidget(spin, row, 1);
        tolerances->addWidget(new QLabel("%", this), row, 2);
    };
    addTolerance(1, "&1st Pass +/-", CSpinEdit1);
    addTolerance(2, "&2nd Pass +/-", CSpinEdit2);
    tolerances->setColumnStretch(3, 1);
    tolerances->setContentsMargins(0, 0, 0, 0);

    auto* link = new QGridLayout;
    auto* linkLabel = new QLabel("&Link to the ZR48:", this);
    linkLabel->setBuddy(LinkComboBox);
    auto* cardLabel = new QLabel("&Simulator's card file:", this);
    cardLabel->setBuddy(EditSimCardFile);
    link->addWidget(linkLabel, 0, 0);
    link->addWidget(LinkComboBox, 0, 1, 1, 2);
    link->addWidget(cardLabel, 1, 0);
    link->addWidget(EditSimCardFile, 1, 1);
    link->addWidget(ButtonBrowseSimCardFile, 1, 2);
    auto* serverLabel = new QLabel("Serial server's &host and port:", this);
    serverLabel->setBuddy(EditServerHost);
    auto* server = new QHBoxLayout;
    server->addWidget(EditServerHost, 1);
    server->addWidget(EditServerPort);
    link->addWidget(serverLabel, 2, 0);
    link->addLayout(server, 2, 1);
    link->addWidget(LabelLinkNote, 3, 0, 1, 3);
    link->setColumnStretch(1, 1);
    link->setContentsMargins(0, 0, 0, 0);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(directories);
    layout->addSpacing(6);
    layout->addWidget(AdvancedCheckBox);
    layout->addWidget(ExpertCheckBox);
    layout->addSpacing(6);
    layout->addLayout(tolerances);
    layout->addSpacing(6);
    layout->addLayout(link);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Down the dialog as it is laid out, each "..." right after its field, the buttons last.
    QWidget* const order[] = {EditProjectDir,
                              ButtonBrowseProjectDir,
                              EditDatabaseDir,
                              ButtonBrowseDatabaseDir,
                              AdvancedCheckBox,
                              ExpertCheckBox,
                              CSpinEdit1,
                              CSpinEdit2,
                              LinkComboBox,
                              EditSimCardFile,
                              ButtonBrowseSimCardFile,
                              EditServerHost,
                              EditServerPort,
                              OkButton,
                              CancelButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(ExpertCheckBox, &QCheckBox::clicked, this, &TOptionsForm::ExpertCheckBoxClick);
    connect(LinkComboBox, &QComboBox::currentIndexChanged, this, &TOptionsForm::LinkComboBoxChange);
    connect(ButtonBrowseProjectDir, &QPushButton::clicked, this, [this] { browse(EditProjectDir); });
    connect(ButtonBrowseDatabaseDir, &QPushButton::clicked, this, [this] { browse(EditDatabaseDir); });
    connect(ButtonBrowseSimCardFile, &QPushButton::clicked, this, &TOptionsForm::ButtonBrowseSimCardFileClick);
    connect(OkButton, &QPushButton::clicked, this, [this] {
        // The dialog closes either way; whoever opened it says why the settings were not kept.
        try {
            OkButtonClick();
        } catch (const Error& error) {
            writeFailure_ = error.message();
        }
        accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

int TOptionsForm::exec()
{
    FormShow();
    adjustSize();
    if (parentWidget())
        move(parentWidget()->window()->frameGeometry().center() - rect().center());
    // Every time it opens, the first field has the focus.
    EditProjectDir->setFocus(Qt::OtherFocusReason);
    return QDialog::exec();
}

void TOptionsForm::FormShow()
{
    // Paths keep their own bytes; the two directories are paths.
    EditProjectDir->setText(pathToQString(settings_.projectDir()));
    EditDatabaseDir->setText(pathToQString(settings_.database()));
    AdvancedCheckBox->setChecked(settings_.advanced());
    ExpertCheckBox->setChecked(settings_.expert());
    CSpinEdit1->setValue(settings_.irOptimizerPass1());
    CSpinEdit2->setValue(settings_.irOptimizerPass2());
    ExpertCheckBoxClick();
    const LinkSelection selection = linkLister_(settings_.link());
    linkEntries_ = selection.entries;
    {
        const QSignalBlocker quiet(LinkComboBox);
        LinkComboBox->clear();
        for (const LinkEntry& entry : linkEntries_)
            LinkComboBox->addItem(QString::fromStdString(entry.label));
        LinkComboBox->setCurrentIndex(static_cast<int>(selection.selected));
    }
    EditSimCardFile->setText(pathToQString(selection.cardFile));
    EditServerHost->setText(QString::fromStdString(selection.host));
    EditServerPort->setText(QString::fromStdString(selection.port));
    LinkComboBoxChange();
    RunningLink running = running_;
    if (linkProblem_)
        running.problem = linkProblem_();
    LabelLinkNote->setText(QString::fromStdString(linkNote(running)));
}

void TOptionsForm::LinkComboBoxChange()
{
    const auto index = static_cast<std::size_t>(LinkComboBox->currentIndex());
    const bool simulator = index < linkEntries_.size() && linkEntries_[index].target == kSimulatorTarget;
    EditSimCardFile->setEnabled(simulator);
    ButtonBrowseSimCardFile->setEnabled(simulator && chooseCardFile_);
    const bool network = index < linkEntries_.size() && isNetworkEntry(linkEntries_[index]);
    EditServerHost->setEnabled(network);
    EditServerPort->setEnabled(network);
}

void TOptionsForm::ButtonBrowseSimCardFileClick()
{
    if (!chooseCardFile_)
        return;
    if (const auto chosen = chooseCardFile_(pathFromQString(EditSimCardFile->text())))
        EditSimCardFile->setText(pathToQString(*chosen));
}

void TOptionsForm::ExpertCheckBoxClick()
{
    CSpinEdit1->setEnabled(ExpertCheckBox->isChecked());
    CSpinEdit2->setEnabled(ExpertCheckBox->isChecked());
}

void TOptionsForm::OkButtonClick()
{
    settings_.setProjectDir(pathFromQString(EditProjectDir->text()));
    settings_.setDatabase(pathFromQString(EditDatabaseDir->text()));
    settings_.setAdvanced(AdvancedCheckBox->isChecked());
    settings_.setExpert(ExpertCheckBox->isChecked());
    settings_.setIrOptimizerPass1(percentFromText(CSpinEdit1->cleanText().toStdString()));
    settings_.setIrOptimizerPass2(percentFromText(CSpinEdit2->cleanText().toStdString()));
    const auto index = static_cast<std::size_t>(LinkComboBox->currentIndex());
    if (index < linkEntries_.size()) {
        const std::string target =
            linkTarget(linkEntries_[index], pathFromQString(EditSimCardFile->text()),
                       EditServerHost->text().toStdString(), EditServerPort->text().toStdString());
        if (parseLinkTarget(target)) // a server without host or port keeps the link as it was
            settings_.setLink(target);
    }
}

void TOptionsForm::browse(QLineEdit* edit)
{
    if (directoryForm_.Execute(pathFromQString(edit->text())))
        edit->setText(pathToQString(directoryForm_.Directory()));
}

} // namespace zr48
