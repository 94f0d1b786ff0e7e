#include "tools/MemView.h"

#include "link/Frames.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>

namespace zr48 {

MemView::MemView(TimerFactory& timers, int windowId, Send send)
    : send_(std::move(send)), windowId_(windowId), requestSectorTimer_(timers.create())
{
    requestSectorTimer_->onTimeout = [this] { RequestSectorTimerTimer(); };
    requestSectorTimer_->start(kRequestMs);
}

MemView::~MemView() = default;

std::vector<Text> MemView::DumpLines(std::uint16_t sector, std::span<const std::uint8_t> bytes)
{
    std::vector<Text> lines;
    lines.reserve(32);
    char cell[16];
    for (int n = 0; n < 32; ++n) {
        std::snprintf(cell, sizeof cell, "%02X%02X:%03X   ", sector >> 8, sector & 0xFF, n * 16);
        Text line = cell;
        for (int i = 0; i < 16; ++i) {
            const std::size_t at = static_cast<std::size_t>(n * 16 + i);
            std::snprintf(cell, sizeof cell, "%02X", at < bytes.size() ? bytes[at] : 0);
            line += cell;
            line += i == 7 ? " - " : " ";
        }
        line += "  ";
        for (int i = 0; i < 16; ++i) {
            const std::size_t at = static_cast<std::size_t>(n * 16 + i);
            const std::uint8_t c = at < bytes.size() ? bytes[at] : 0;
            line += c >= 0x20 && c <= 0x7E ? static_cast<char>(c) : '.';
            if (i == 7)
                line += " - ";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<long long> MemView::ParseNumber(const Text& text)
{
    // Spaces around the number, as a user may type them, do not count.
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ')
        digits.remove_suffix(1);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    } else if (digits.starts_with("$")) {
        base = 16;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.front() == '-' || digits.front() == '+')
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    // Beyond the range of a whole number of the edit box: not a number.
    if (error != std::errc{} || end != digits.data() + digits.size() || value > INT_MAX)
        return std::nullopt;
    return negative ? -value : value;
}

void MemView::changed()
{
    if (OnViewChanged)
        OnViewChanged();
}

void MemView::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (!frame.is(FrameType::SectorData))
        return;
    // Any sector that comes is shown; only the chosen one ends the requests.
    const auto data = decodeSectorData(frame);
    view_.memo = DumpLines(data.sector, data.data);
    if (data.sector == currentSector_) {
        sendsLeft_ = 0;
        requestSectorTimer_->stop();
        state_ = State::Showing;
    }
    changed();
}

void MemView::ChooseSector(std::uint16_t sector, bool updateEditBox)
{
    if (updateEditBox) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%04X", sector);
        // The edit box reports its change, which chooses the same sector again.
        EditSectorChange(text);
    }
    currentSector_ = sector;
    sendsLeft_ = kSends;
    state_ = State::Requesting;
    if (!requestSectorTimer_->active())
        requestSectorTimer_->start(kRequestMs);
}

void MemView::FormShow()
{
    view_.visible = true;
    view_.width = 700;
    view_.height = 500;
    ChooseSector(0, true);
    changed();
}

void MemView::FormClose()
{
    view_.visible = false;
    requestSectorTimer_->stop();
    changed();
}

void MemView::EditSectorChange(const Text& text)
{
    view_.editSector = text;
    const long long value = ParseNumber(text).value_or(0);
    view_.scrollPosition = static_cast<int>(std::clamp<long long>(value, 0, kLastSector));
    ChooseSector(static_cast<std::uint16_t>(view_.scrollPosition), false);
    changed();
}

void MemView::ScrollBarScroll(int position)
{
    view_.scrollPosition = std::clamp(position, 0, kLastSector);
    ChooseSector(static_cast<std::uint16_t>(view_.scrollPosition), true);
    changed();
}

bool MemView::ScrollBarKeyDown(Key key)
{
    int position = view_.scrollPosition;
    switch (key) {
    case Key::Up: --position; break;
    case Key::Down: ++position; break;
    case Key::PageUp: position -= kPageStep; break;
    case Key::PageDown: position += kPageStep; break;
    case Key::Home: position = 0; break;
    case Key::End: position = kLastSector; break;
    case Key::Other: return false;
    }
    ScrollBarScroll(position);
    return true;
}

void MemView::RequestSectorTimerTimer()
{
    if (sendsLeft_ > 0) {
        --sendsLeft_;
        const auto frame = encode(SectorReadFrame{static_cast<std::uint8_t>(windowId_ & 0xFF), currentSector_});
        if (send_)
            send_(frame);
        return;
    }
    view_.memo.clear();
    requestSectorTimer_->stop();
    state_ = State::Empty;
    changed();
}

} // namespace zr48
