#include "link/FrameDispatcher.h"

namespace zr48 {

void FrameDispatcher::setDialogReceiver(Dialog dialog, Receiver receiver)
{
    dialogs_[static_cast<int>(dialog)] = std::move(receiver);
}

void FrameDispatcher::Dispatch(const std::uint8_t* payload, int length) const
{
    if (!payload) {
        if (connectNotice_)
            connectNotice_();
        return;
    }
    // Compared with the whole id, so a window whose id is 256 or more never matches.
    const int id = length > 1 ? payload[1] : 0;
    if (windows_)
        windows_([&](int windowId, const Receiver& receiver) {
            if (windowId == id && receiver)
                receiver(payload, length);
        });
    for (const Receiver& receiver : dialogs_)
        if (receiver)
            receiver(payload, length);
}

} // namespace zr48
