#pragma once
// The card sector viewer: one 512-byte sector of the ZR48's memory card as a hex and text dump,
// read live (SectorRead every 50 ms, at most 10 times per chosen sector). Each viewer is a
// document window with a window id; the dispatcher hands it only the frames whose byte 1 equals
// that id. The window (or the terminal) renders `view()` and calls the handlers.

#include "base/Text.h"
#include "base/Timer.h"
#include "link/SendFunction.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace zr48 {

struct MemViewView {
    bool visible = false;
    int width = 0;
    int height = 0;
    Text editSector = "0";  // EditSector
    std::vector<Text> memo; // the dump, 32 lines, or none
    int scrollPosition = 0; // ScrollBar, 0 to 65535
};

class MemView {
public:
    using Send = SendFunction;

    static constexpr int kRequestMs = 50;
    static constexpr int kSends = 10;
    static constexpr int kLastSector = 65535;
    static constexpr int kPageStep = 512;

    enum class Key { Up, Down, PageUp, PageDown, Home, End, Other };
    enum class State { Requesting, Showing, Empty };

    // Starts RequestSectorTimer, as the window does when it is made.
    MemView(TimerFactory& timers, int windowId, Send send);
    ~MemView();
    MemView(const MemView&) = delete;
    MemView& operator=(const MemView&) = delete;

    // The 32 dump lines of a sector: "%02X%02X:%03X   ", the 16 bytes in hex, the 16 characters.
    static std::vector<Text> DumpLines(std::uint16_t sector, std::span<const std::uint8_t> bytes);
    // A sector number as typed: decimal, or hexadecimal after "0x" or "$", spaces around it
    // ignored; nullopt when it is not a whole number.
    static std::optional<long long> ParseNumber(const Text& text);

    int windowId() const { return windowId_; }

    // Only SectorData is acted on.
    void HandleFrame(const std::uint8_t* payload, int length);
    void ChooseSector(std::uint16_t sector, bool updateEditBox);

    void FormShow();
    void FormClose();
    void EditSectorChange(const Text& text);
    void ScrollBarScroll(int position);
    // Whether the key was consumed.
    bool ScrollBarKeyDown(Key key);
    void RequestSectorTimerTimer();

    const MemViewView& view() const { return view_; }
    State state() const { return state_; }
    std::uint16_t currentSector() const { return currentSector_; }

    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

private:
    void changed();

    Send send_;
    int windowId_;
    std::unique_ptr<Timer> requestSectorTimer_;
    std::uint16_t currentSector_ = 0;
    int sendsLeft_ = 0;
    State state_ = State::Empty;
    MemViewView view_;
};

} // namespace zr48
