#pragma once
// One request to the unit and the reply that answers it, as every reader and writer of the card,
// the firmware updater's version question and the infrared capture ask: the request goes out, a
// watchdog resends it, and the tick after the last resend gives up. A reply counts only when its
// type, and its number (bytes 2-3, big-endian) or window id where the request names one, are those
// asked for: a late answer to an earlier request, or one whose number changed on the line, is
// dropped, and the watchdog sends the request again.
//
// Frames carry no checksum. Asked to confirm, the exchange reads again until two replies agree
// byte for byte; `Confirm` does so for a reply the caller has already taken and doubts.

#include "link/Frames.h"
#include "link/SendFunction.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace zr48 {

class Timer;
class TimerFactory;

// The reply a request waits for.
struct Awaited {
    FrameType type = FrameType::SectorData;
    std::optional<std::uint16_t> number;  // bytes 2-3, big-endian
    std::optional<std::uint8_t> windowId; // byte 1
    bool matches(FrameView frame) const;
};

class Exchange {
public:
    static constexpr int kWatchdogMs = 200;
    static constexpr int kMaxResends = 10;
    // With confirmation: the reads of one request before the exchange gives up on agreeing.
    static constexpr int kMaxReads = 10;

    explicit Exchange(TimerFactory& timers, int intervalMs = kWatchdogMs, int maxResends = kMaxResends);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    void SetLink(SendFunction send) { send_ = std::move(send); }

    // Sends `request` and waits for `awaited`, abandoning an exchange under way. With `confirm`
    // the answer is a reply that an earlier one agrees with; `first`, when given, is a reply read
    // before (and implies `confirm`).
    void Ask(std::span<const std::uint8_t> request, Awaited awaited, bool confirm = false,
             std::span<const std::uint8_t> first = {});
    // The reply just taken is in doubt: the same request goes again until two replies agree,
    // `first` (the whole payload) counting as the first.
    void Confirm(std::span<const std::uint8_t> first);
    // A received frame; true when it answered the request.
    bool HandleFrame(const std::uint8_t* payload, int length);
    void Stop();

    bool Waiting() const { return waiting_; }
    // Sent again since the request, or since the last reply that did not settle it.
    int Resends() const { return resends_; }
    // How long the watchdog waits for a reply before it resends.
    int WatchdogMs() const;

    // The answer: its whole payload, and how many replies it took (1 unless confirming).
    std::function<void(std::span<const std::uint8_t> reply, int reads)> onReply;
    // The tick after the last resend went unanswered.
    std::function<void()> onNoAnswer;
    // kMaxReads replies and no two agreed.
    std::function<void()> onUnsettled;

    // The watchdog's tick.
    void onWatchdog();

private:
    void Send();

    SendFunction send_;
    std::unique_ptr<Timer> watchdog_;
    int intervalMs_;
    int maxResends_;
    std::vector<std::uint8_t> request_;
    Awaited awaited_;
    bool confirm_ = false;
    bool waiting_ = false;
    int resends_ = 0;
    std::vector<std::vector<std::uint8_t>> reads_; // replies so far that no other agreed with
};

} // namespace zr48
