#pragma once
// Reads a range of the unit's card sectors as they are, for diagnosis (`zr48 dump-card`): one
// SectorRead at a time (window id 0, as the uploader's) through an `Exchange`: resent by its
// watchdog, given up after its last resend. Frames carry no checksum, so a single read may hold a
// byte changed on the line; with verification each sector is read until two reads agree. The
// sectors read so far stay available however the read ends.

#include "link/Exchange.h"
#include "link/SendFunction.h"
#include "project/SectorImage.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace zr48 {

class TimerFactory;

// Unsettled: with verification, a sector was read Exchange::kMaxReads times and no two reads agreed.
enum class CardReadResult { None, Running, Finished, NoAnswer, Unsettled, Cancelled };

class TCardReader {
public:
    explicit TCardReader(TimerFactory& timers);
    TCardReader(const TCardReader&) = delete;
    TCardReader& operator=(const TCardReader&) = delete;

    void SetLink(SendFunction send) { exchange_.SetLink(std::move(send)); }
    // Verification for the reads started from now on: two reads of each sector agree.
    void SetVerify(bool verify) { verify_ = verify; }

    // Reads sectors `first` to `last` (both included; first at most last), in order.
    void Start(std::uint16_t first, std::uint16_t last);
    // Every received frame; acts only on the data of the sector asked for.
    void HandleFrame(const std::uint8_t* payload, int length);
    void Cancel();

    CardReadResult Result() const { return result_; }
    // The sectors read so far, in order.
    const std::vector<SectorRecord>& Records() const { return records_; }
    std::size_t SectorCount() const { return count_; }
    // The sector asked for; after NoAnswer or Unsettled, the one that ended the read.
    std::uint16_t CurrentSector() const { return current_; }
    // With verification: the sectors whose first two reads differed.
    std::size_t SectorsReadAgain() const { return sectorsReadAgain_; }

    // Called after each sector read and when the read ends.
    std::function<void()> OnProgress;

private:
    void Request();
    void Take(std::span<const std::uint8_t> reply, int reads);
    void End(CardReadResult result);

    Exchange exchange_;
    std::vector<SectorRecord> records_;
    std::size_t count_ = 0;
    std::uint16_t current_ = 0;
    bool verify_ = false;
    std::size_t sectorsReadAgain_ = 0;
    CardReadResult result_ = CardReadResult::None;
};

} // namespace zr48
