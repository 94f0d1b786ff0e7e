#pragma once
// Compares the unit's card with a project compiled in memory: reads the directory and project menu
// sectors (0 to 9), then of every slot in use on both sides as many device file sectors as the
// project's image holds for it, from where the unit's directory puts them, and nothing else. One
// SectorRead at a time through an `Exchange`, as the uploader reads: its watchdog resends, and
// giving up is a failure to read, never a difference. Frames carry no checksum: a sector whose read
// differs from what the project puts there is read again until two reads agree before it counts.
// It keeps what its dialog shows (a tool dialog in the GUI, a progress bar on the terminal).

#include "base/Text.h"
#include "link/Exchange.h"
#include "link/SendFunction.h"
#include "project/Compiler.h"
#include "tools/CardComparison.h"
#include "tools/Uploader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace zr48 {

// What the comparison's dialog shows: it reads the card as the uploader does, and says so alike.
using CompareView = UploaderView;

// Unsettled: a sector was read Exchange::kMaxReads times and no two reads agreed.
enum class CompareResult { None, Running, Finished, NoAnswer, Unsettled, Cancelled };

class TCardComparer {
public:
    static constexpr int kFirstSectors = 10; // the directory and the project menu

    TCardComparer(TimerFactory& timers, Prompt& prompt);
    ~TCardComparer();
    TCardComparer(const TCardComparer&) = delete;
    TCardComparer& operator=(const TCardComparer&) = delete;

    void SetLink(SendFunction send) { exchange_.SetLink(std::move(send)); }

    // Begins reading the card to compare it with `image`. A comparison that runs is abandoned.
    void Start(CompiledImage image);
    // Every received frame; acts only on the data of the sector asked for.
    void HandleFrame(const std::uint8_t* payload, int length);
    void Cancel();

    const CompareView& View() const { return view_; }
    CompareResult Result() const { return result_; }
    // After Finished: what differs.
    const CardComparison& Comparison() const { return comparison_; }
    const CompiledImage& Image() const { return image_; }
    // The card sectors read so far.
    std::size_t SectorsRead() const { return sectors_.size(); }
    // True while sectors 0 to 9 are read.
    bool ReadingDirectory() const { return directoryPhase_; }
    // The sectors read again because a read differed from the project.
    std::size_t SectorsReadAgain() const { return sectorsReadAgain_; }
    // The sector asked for; after NoAnswer the one that got none.
    std::uint16_t CurrentSector() const { return currentSector_; }

    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

private:
    void RequestNext();
    void Take(std::span<const std::uint8_t> reply, int reads);
    // The read differs from every content the project puts into the sector.
    bool Unexpected(std::uint16_t sector, const Sector& data) const;
    void GiveUp(CompareResult result, const Text& why);
    void PlanDeviceFiles();
    void Finish();
    void Close(CompareResult result);
    void Changed();

    Prompt& prompt_;
    Exchange exchange_;
    CompiledImage image_;
    std::multimap<std::uint16_t, Sector> expected_; // what the project puts into each sector read
    std::vector<std::uint16_t> queue_;              // the sectors to read, in order
    std::size_t next_ = 0;                          // the position in `queue_` of the sector asked for
    bool directoryPhase_ = true;
    std::map<std::uint16_t, Sector> sectors_;
    std::uint16_t currentSector_ = 0;
    std::size_t sectorsReadAgain_ = 0;
    CardComparison comparison_;
    CompareView view_;
    CompareResult result_ = CompareResult::None;
};

} // namespace zr48
