#include "desktop/tools/CompareResultForm.h"

#include "desktop/tools/CompareRows.h"
#include "desktop/tools/ToolDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zr48 {

namespace {

// A difference in a slot in use on both sides, or in a menu line; a slot on one side only.
const QColor kDiffersColour(255, 214, 214);
const QColor kOneSideColour(255, 234, 196);

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

TCompareResultForm::TCompareResultForm(QWidget* mainWindow)
    : QDialog(mainWindow, toolDialogFlags(TitleBarButtons::Close) | Qt::WindowMaximizeButtonHint)
{
    setObjectName("CompareResultForm");
    setModal(false);
    setSizeGripEnabled(true);

    LabelVerdict = new QLabel(this);
    LabelVerdict->setObjectName("LabelVerdict");
    QFont bold = LabelVerdict->font();
    bold.setBold(true);
    LabelVerdict->setFont(bold);

    SlotList = new QTreeWidget(this);
    SlotList->setObjectName("SlotList");
    SlotList->setColumnCount(kColumns);
    SlotList->setHeaderLabels({"Slot", "State", "On the ZR48", "In the project"});
    SlotList->setRootIsDecorated(false);
    SlotList->setUniformRowHeights(true);
    SlotList->setSelectionMode(QAbstractItemView::SingleSelection);
    SlotList->header()->setStretchLastSection(true);

    LabelDetails = new QLabel(this);
    LabelDetails->setObjectName("LabelDetails");
    LabelDetails->setWordWrap(true);
    LabelDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(SlotList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const QString details = item ? item->data(0, Qt::UserRole).toString() : QString();
        // A row without details is said by its state: "same", "only in the project", ...
        LabelDetails->setText(details.isEmpty() && item ? item->text(0) + ": " + item->text(1) : details);
    });

    ButtonDownload = new QPushButton("Download to ZR48", this);
    ButtonDownload->setObjectName("ButtonDownload");
    ButtonDownload->setAutoDefault(false);
    connect(ButtonDownload, &QPushButton::clicked, this, [this] {
        if (onDownload_)
            onDownload_();
    });
    ButtonClose = new QPushButton("Close", this);
    ButtonClose->setObjectName("ButtonClose");
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonDownload);
    buttons->addWidget(ButtonClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelVerdict);
    layout->addWidget(SlotList, 1);
    layout->addWidget(LabelDetails);
    layout->addLayout(buttons);
    resize(640, 380);
}

void TCompareResultForm::ShowResult(const CardComparison& comparison, const std::string& projectName,
                                    std::function<void()> onDownload)
{
    setWindowTitle("Compare with ZR48 - " + text(projectName));
    LabelVerdict->setText(text(toUtf8(VerdictText(comparison))));
    SlotList->clear();
    for (const CompareRow& row : CompareResultRows(comparison)) {
        auto* item =
            new QTreeWidgetItem(SlotList, {text(row.Place), text(row.State), text(row.Unit), text(row.Project)});
        if (row.Tone != CompareTone::Same) {
            const QColor colour = row.Tone == CompareTone::Differs ? kDiffersColour : kOneSideColour;
            for (int column = 0; column < kColumns; ++column) {
                item->setBackground(column, colour);
                item->setForeground(column, QColor(Qt::black));
            }
        }
        if (!row.Details.empty()) {
            item->setData(0, Qt::UserRole, text(row.Details));
            for (int column = 0; column < kColumns; ++column)
                item->setToolTip(column, text(row.Details));
        }
    }
    // The first row's details are shown, but it is not selected: the selection would hide its colour.
    SlotList->setCurrentItem(SlotList->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    for (int column = 0; column + 1 < kColumns; ++column)
        SlotList->resizeColumnToContents(column);
    onDownload_ = std::move(onDownload);
    ButtonDownload->setVisible(!comparison.Same());
    showCentred(*this);
}

} // namespace zr48
