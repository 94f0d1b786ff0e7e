#include "desktop/tools/CompareResultForm.h"

#include "desktop/tools/CompareRows.h"
#include "desktop/tools/ToolDialog.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zr48 {

namespace {

// A difference in a slot in use on both sides or in a menu line; a slot that a download would
// clear; one that it would add.
const QColor kDiffersColour(255, 214, 214);
const QColor kOnlyOnUnitColour(255, 234, 196);
const QColor kOnlyInProjectColour(210, 232, 255);

const QSize kMinimumSize(640, 380);
constexpr int kSlotRole = Qt::UserRole + 1;
constexpr int kMenuLineRole = Qt::UserRole + 2;
constexpr int kUnitColumn = 2;
constexpr int kProjectColumn = 3;

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
    connect(SlotList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const Place place{item->data(0, kSlotRole).toInt(), item->data(0, kMenuLineRole).toInt()};
        if (onOpen_ && (place.slot >= 0 || place.menuLine >= 0))
            onOpen_(place);
    });
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
    resize(kMinimumSize);
}

void TCompareResultForm::ShowResult(const CardComparison& comparison, const std::string& projectName,
                                    std::function<void()> onDownload, std::function<void(Place)> onOpen)
{
    setWindowTitle("Compare with ZR48 - " + text(projectName));
    LabelVerdict->setText(text(toUtf8(VerdictText(comparison))));
    SlotList->clear();
    for (const CompareRow& row : CompareResultRows(comparison)) {
        auto* item =
            new QTreeWidgetItem(SlotList, {text(row.Place), text(row.State), text(row.Unit), text(row.Project)});
        item->setData(0, kSlotRole, row.Slot);
        item->setData(0, kMenuLineRole, row.MenuLine);
        if (row.Tone != CompareTone::Same) {
            const QColor colour = row.Tone == CompareTone::Differs      ? kDiffersColour
                                  : row.Tone == CompareTone::OnlyOnUnit ? kOnlyOnUnitColour
                                                                        : kOnlyInProjectColour;
            for (int column = 0; column < kColumns; ++column) {
                item->setBackground(column, colour);
                item->setForeground(column, QColor(Qt::black));
            }
        }
        // The side that holds nothing says so, greyed.
        if (row.Tone == CompareTone::OnlyOnUnit || row.Tone == CompareTone::OnlyInProject) {
            const bool onUnit = row.Tone == CompareTone::OnlyOnUnit;
            const int empty = onUnit ? kProjectColumn : kUnitColumn;
            item->setText(empty, onUnit ? "not in the project" : "not on the ZR48");
            item->setForeground(empty, QColor(96, 96, 96));
            QFont italic = item->font(empty);
            italic.setItalic(true);
            item->setFont(empty, italic);
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
    onOpen_ = std::move(onOpen);
    ButtonDownload->setVisible(!comparison.Same());
    fitToRows();
    showCentred(*this);
}

void TCompareResultForm::fitToRows()
{
    const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect available = shownOn->availableGeometry();
    const int rows = SlotList->topLevelItemCount();
    const int rowHeight = rows > 0 ? SlotList->sizeHintForRow(0) : 0;
    const int frame = 2 * SlotList->frameWidth();
    const int listHeight = SlotList->header()->sizeHint().height() + rows * rowHeight + frame;
    int columnsWidth = frame + SlotList->verticalScrollBar()->sizeHint().width();
    // The columns before the last are fitted to their contents already; the last takes the rest.
    for (int column = 0; column + 1 < kColumns; ++column)
        columnsWidth += SlotList->columnWidth(column);
    int lastWidth = SlotList->header()->sectionSizeHint(kColumns - 1);
    for (int i = 0; i < rows; ++i) {
        const QTreeWidgetItem* item = SlotList->topLevelItem(i);
        lastWidth =
            std::max(lastWidth, QFontMetrics(item->font(kColumns - 1)).horizontalAdvance(item->text(kColumns - 1)) +
                                    2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8);
    }
    columnsWidth += lastWidth;
    // What surrounds the list: the verdict, the details, the buttons and the margins; the window's
    // frame comes on top (a guess until the window manager has framed it).
    layout()->activate();
    const int around = layout()->sizeHint().height() - SlotList->sizeHint().height();
    const QMargins margins = layout()->contentsMargins();
    const int frameHeight = isVisible() ? frameGeometry().height() - geometry().height() : 32;
    const int width = std::clamp(columnsWidth + margins.left() + margins.right(), kMinimumSize.width(),
                                 std::max(kMinimumSize.width(), available.width() * 9 / 10));
    const int height = std::clamp(around + listHeight, kMinimumSize.height(),
                                  std::max(kMinimumSize.height(), available.height() - frameHeight));
    resize(width, height);
}

} // namespace zr48
