#include "tools/DisplayDump.h"

#include "link/Frames.h"

#include <algorithm>

namespace zr48 {

void DisplayPicture::rectangle(int left, int top, int right, int bottom, bool penDark, bool fillDark)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, kWidth);
    bottom = std::min(bottom, kHeight);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const bool edge = x == left || x == right - 1 || y == top || y == bottom - 1;
            set(x, y, edge ? penDark : fillDark);
        }
}

DisplayDump::DisplayDump(TimerFactory& timers) : requestTimer_(timers.create())
{
    requestTimer_->onTimeout = [this] { RequestTimerTimer(); };
}

DisplayDump::~DisplayDump() = default;

DisplayPicture DisplayDump::Render(const DisplayMemory& memory, bool border, bool removeUsbIcon)
{
    DisplayPicture picture;
    picture.rectangle(0, 0, DisplayPicture::kWidth, DisplayPicture::kHeight, border, false);
    for (int p = 0; p < kPages; ++p)
        for (int c = 0; c < 120; ++c) {
            const std::uint8_t column = memory[static_cast<std::size_t>(p * kPageSize + c)];
            for (int b = 0; b < 8; ++b)
                picture.set(c + 2, p * 8 + b + 2, (column >> b) & 1);
        }
    if (removeUsbIcon)
        picture.rectangle(2, 2, 20, 20, true, true);
    return picture;
}

void DisplayDump::changed()
{
    if (OnViewChanged)
        OnViewChanged();
}

void DisplayDump::FormShow()
{
    view_.visible = true;
    changed();
}

void DisplayDump::FormClose()
{
    view_.visible = false;
    changed();
}

void DisplayDump::CheckBoxRemoveUsbIconClick(bool checked)
{
    view_.removeUsbIcon = checked;
    changed();
}

void DisplayDump::CheckBoxDrawDisplayBorderClick(bool checked)
{
    view_.drawDisplayBorder = checked;
    changed();
}

void DisplayDump::ButtonRefreshClick()
{
    view_.pictureVisible = false;
    currentPage_ = 0;
    sendsLeft_ = kSendsPerPage;
    changed();
    requestCurrentPage();
}

void DisplayDump::ButtonClipClick()
{
    if (onCopyToClipboard)
        onCopyToClipboard(view_.picture);
}

void DisplayDump::RequestTimerTimer()
{
    requestCurrentPage();
}

void DisplayDump::requestCurrentPage()
{
    if (sendsLeft_ == 0) {
        // The capture gives up silently; the picture stays hidden.
        requestTimer_->stop();
        return;
    }
    --sendsLeft_;
    const auto frame = encode(DisplayReadFrame{static_cast<std::uint8_t>(currentPage_)});
    if (send_)
        send_(frame);
    requestTimer_->stop();
    requestTimer_->start(kRequestMs);
}

void DisplayDump::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (!frame.is(FrameType::DisplayData) || frame.byte(2) != currentPage_)
        return;
    if (currentPage_ < kPages) {
        const auto data = decodeDisplayData(frame);
        std::copy(data.data.begin(), data.data.end(),
                  pages_.begin() + static_cast<std::ptrdiff_t>(currentPage_) * kPageSize);
    }
    ++currentPage_;
    if (currentPage_ >= kPages) {
        requestTimer_->stop();
        view_.picture = Render(pages_, view_.drawDisplayBorder, view_.removeUsbIcon);
        view_.pictureVisible = true;
        changed();
        return;
    }
    sendsLeft_ = kSendsPerPage;
    requestCurrentPage();
}

} // namespace zr48
