#pragma once
// The display dump: reads the ZR48's display memory as ten pages of 128 bytes (DisplayRead,
// DisplayData, every 200 ms and at most 10 sends per page) and renders the 120 × 80 pixels into
// a 124 × 84 picture with an optional frame and the USB icon corner painted over. The window (or
// the terminal) renders `view()` and calls the handlers.

#include "base/Timer.h"
#include "link/SendFunction.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace zr48 {

// A black-and-white picture held in memory, one byte per pixel: 1 dark, 0 white.
struct DisplayPicture {
    static constexpr int kWidth = 124;
    static constexpr int kHeight = 84;
    std::array<std::uint8_t, kWidth * kHeight> pixels{};

    bool dark(int x, int y) const { return pixels[static_cast<std::size_t>(y * kWidth + x)] != 0; }
    void set(int x, int y, bool isDark) { pixels[static_cast<std::size_t>(y * kWidth + x)] = isDark ? 1 : 0; }
    // Fills the pixels left..right-1, top..bottom-1 with an outline in `pen` around a `fill` inside.
    void rectangle(int left, int top, int right, int bottom, bool penDark, bool fillDark);
};

struct DisplayDumpView {
    bool visible = false;          // the dialog
    bool pictureVisible = false;   // Image
    bool removeUsbIcon = true;     // CheckBoxRemoveUsbIcon
    bool drawDisplayBorder = true; // CheckBoxDrawDisplayBorder
    DisplayPicture picture;
};

class DisplayDump {
public:
    using Send = SendFunction;
    using DisplayMemory = std::array<std::uint8_t, 10 * 128>;

    static constexpr int kPages = 10;
    static constexpr int kPageSize = 128;
    static constexpr int kRequestMs = 200;
    static constexpr int kSendsPerPage = 10;

    explicit DisplayDump(TimerFactory& timers);
    ~DisplayDump();
    DisplayDump(const DisplayDump&) = delete;
    DisplayDump& operator=(const DisplayDump&) = delete;

    // The picture of a display memory: the frame (dark when `border`), the display's pixels at
    // x 2 to 121 and y 2 to 81, and when `removeUsbIcon` the 18 × 18 corner at (2, 2) dark.
    static DisplayPicture Render(const DisplayMemory& memory, bool border, bool removeUsbIcon);

    // Link setup: how frames go out.
    void SetLink(Send send) { send_ = std::move(send); }
    // Called with the picture when the user copies it.
    std::function<void(const DisplayPicture&)> onCopyToClipboard;

    // Only DisplayData is acted on, whether or not the window is shown.
    void HandleFrame(const std::uint8_t* payload, int length);

    void FormShow();
    void FormClose(); // a capture goes on
    void CheckBoxRemoveUsbIconClick(bool checked);
    void CheckBoxDrawDisplayBorderClick(bool checked);
    void ButtonRefreshClick();
    void ButtonClipClick();
    void RequestTimerTimer();

    const DisplayDumpView& view() const { return view_; }
    // A capture is running: pages are still being asked for.
    bool reading() const { return requestTimer_->active(); }
    int currentPage() const { return currentPage_; }
    const DisplayMemory& pages() const { return pages_; }

    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

private:
    void requestCurrentPage();
    void changed();

    Send send_;
    std::unique_ptr<Timer> requestTimer_;
    DisplayMemory pages_{};
    // Idle at start, as after a finished capture.
    int currentPage_ = kPages;
    int sendsLeft_ = 0;
    DisplayDumpView view_;
};

} // namespace zr48
