#include "desktop/tools/CompareForm.h"

#include "base/qt/QtText.h"
#include "desktop/tools/ToolDialog.h"

#include <QPushButton>

namespace zr48 {

TCompareForm::TCompareForm(TimerFactory& timers, Prompt& prompt, SendFunction send, QWidget* mainWindow)
    : QDialog(mainWindow, toolDialogFlags(TitleBarButtons::None)), comparer_(timers, prompt)
{
    setObjectName("CompareForm");
    setWindowTitle("ZR48 Compare");
    setModal(false);
    comparer_.SetLink(std::move(send));

    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setAutoDefault(false);
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { comparer_.Cancel(); });

    const TransferWidgets widgets = layOutTransferDialog(*this, {ButtonCancel});
    Label = widgets.label;
    ProgressBar = widgets.progressBar;

    comparer_.OnViewChanged = [this] { render(); };
    render();
}

TCompareForm::~TCompareForm()
{
    comparer_.OnViewChanged = nullptr;
}

void TCompareForm::Start(CompiledImage image, std::function<void(const TCardComparer&)> finished)
{
    finished_ = nullptr; // a comparison that runs is abandoned, without its result
    comparer_.Start(std::move(image));
    finished_ = std::move(finished);
}

void TCompareForm::reject()
{
    comparer_.Cancel();
}

void TCompareForm::render()
{
    const CompareView& view = comparer_.View();
    renderTransfer({Label, ProgressBar}, toQString(view.Label), view.ProgressMax, view.ProgressPosition);
    ButtonCancel->setEnabled(view.ButtonCancelEnabled);
    showOrHide(*this, view.Visible);
    if (comparer_.Result() == CompareResult::Finished && finished_) {
        const auto finished = std::move(finished_);
        finished_ = nullptr;
        finished(comparer_);
    }
}

} // namespace zr48
