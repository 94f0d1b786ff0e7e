#pragma once
// The main window's frame dispatcher: the link's one frame handler, passing each frame on to the
// tools in a fixed order. The connect notice (no payload) goes only to the firmware updater;
// every other frame first to the document windows (sector viewers, infrared scopes) whose window
// id equals byte 1, in document-window order, then to the downloader, uploader, firmware updater
// and display dump, whatever byte 1 holds. Neither type nor length is checked here.

#include <cstdint>
#include <functional>

namespace zr48 {

class FrameDispatcher {
public:
    using Receiver = std::function<void(const std::uint8_t* payload, int length)>;
    // Calls its argument once per frame-taking document window, in document-window order.
    using WindowVisitor = std::function<void(int windowId, const Receiver& receiver)>;
    using WindowList = std::function<void(const WindowVisitor& visit)>;

    enum class Dialog { Downloader, Uploader, Firmware, DisplayDump };

    void setConnectNotice(std::function<void()> notice) { connectNotice_ = std::move(notice); }
    void setDialogReceiver(Dialog dialog, Receiver receiver);
    void setWindowList(WindowList windows) { windows_ = std::move(windows); }

    // The link's frame handler.
    void Dispatch(const std::uint8_t* payload, int length) const;

private:
    std::function<void()> connectNotice_;
    Receiver dialogs_[4];
    WindowList windows_;
};

} // namespace zr48
