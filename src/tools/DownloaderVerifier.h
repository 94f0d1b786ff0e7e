#pragma once
// Reads back, after a download, every sector that an image file wrote and compares it with the
// file: the check that the card holds what was sent. Sectors are read in file order and compared
// with the last record of that number (the one that stayed on the card). Frames carry no checksum,
// so a read that differs is no proof: the sector is read again until two reads agree, and only
// what they agree on counts. Requests go through an `Exchange`, resent and given up as the
// uploader's are.

#include "base/Text.h"
#include "link/Exchange.h"
#include "tools/Downloader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace zr48 {

class Timer;
class TimerFactory;

// Unsettled: a sector was read Exchange::kMaxReads times and no two reads agreed.
enum class VerifyResult { None, Running, Same, Differs, NoAnswer, Unsettled };

class TDownloadVerifier {
public:
    explicit TDownloadVerifier(TimerFactory& timers);
    ~TDownloadVerifier();
    TDownloadVerifier(const TDownloadVerifier&) = delete;
    TDownloadVerifier& operator=(const TDownloadVerifier&) = delete;

    void SetLink(SendFunction send) { exchange_.SetLink(std::move(send)); }

    // Starts reading back the sectors of the image file's bytes (whole records only).
    void Start(std::span<const std::uint8_t> image);
    // Every received frame; acts only on the data of the sector asked for.
    void HandleFrame(const std::uint8_t* payload, int length);

    VerifyResult Result() const { return result_; }
    std::size_t SectorsChecked() const { return next_; }
    std::size_t SectorCount() const { return order_.size(); }
    // The sector asked for: after Differs the first one that differs, after NoAnswer the unanswered one.
    std::uint16_t CurrentSector() const { return currentSector_; }
    // After Differs: the offset of the first differing byte within the sector.
    std::size_t FirstDifferingByte() const { return firstDifferingByte_; }
    // The sectors read again because a read differed from the image.
    std::size_t SectorsReadAgain() const { return sectorsReadAgain_; }

    // Called after each sector checked and when the check ends.
    std::function<void()> OnProgress;

private:
    void RequestNext();
    void Take(std::span<const std::uint8_t> reply, int reads);
    void End(VerifyResult result);

    Exchange exchange_;
    std::vector<std::uint16_t> order_;                                // each sector once, in file order
    std::map<std::uint16_t, std::array<std::uint8_t, 512>> expected_; // the last record of each sector
    std::size_t next_ = 0;
    std::uint16_t currentSector_ = 0;
    std::size_t firstDifferingByte_ = 0;
    std::size_t sectorsReadAgain_ = 0;
    VerifyResult result_ = VerifyResult::None;
};

} // namespace zr48
