#pragma once
// Reads a range of the unit's card sectors as they are, for diagnosis (`zr48 dump-card`): one
// SectorRead at a time (window id 0, as the uploader's), each resent every 200 ms, and the tick
// after the tenth resend gives up. The sectors read so far stay available however the read ends.

#include "link/SendFunction.h"
#include "project/SectorImage.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zr48 {

class Timer;
class TimerFactory;

enum class CardReadResult { None, Running, Finished, NoAnswer, Cancelled };

class TCardReader {
public:
    static constexpr int kWatchdogMs = 200;
    static constexpr int kMaxResends = 10;

    explicit TCardReader(TimerFactory& timers);
    ~TCardReader();
    TCardReader(const TCardReader&) = delete;
    TCardReader& operator=(const TCardReader&) = delete;

    void SetLink(SendFunction send) { send_ = std::move(send); }

    // Reads sectors `first` to `last` (both included; first at most last), in order.
    void Start(std::uint16_t first, std::uint16_t last);
    // Every received frame; acts only on the data of the sector asked for.
    void HandleFrame(const std::uint8_t* payload, int length);
    void Cancel();
    void WatchdogTimerTimer();

    CardReadResult Result() const { return result_; }
    // The sectors read so far, in order.
    const std::vector<SectorRecord>& Records() const { return records_; }
    std::size_t SectorCount() const { return count_; }
    // The sector asked for; after NoAnswer, the one that got none.
    std::uint16_t CurrentSector() const { return current_; }

    // Called after each sector read and when the read ends.
    std::function<void()> OnProgress;

private:
    void Request();
    void End(CardReadResult result);

    SendFunction send_;
    std::unique_ptr<Timer> watchdogTimer_;
    std::vector<SectorRecord> records_;
    std::size_t count_ = 0;
    std::uint16_t current_ = 0;
    std::array<std::uint8_t, 4> request_{};
    int resendCount_ = 0;
    CardReadResult result_ = CardReadResult::None;
};

} // namespace zr48
