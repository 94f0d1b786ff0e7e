#pragma once
// Compares the unit's card with a project compiled in memory: reads the directory and project menu
// sectors (0 to 9), then of every slot in use on both sides as many device file sectors as the
// project's image holds for it, from where the unit's directory puts them, and nothing else. One
// SectorRead at a time, as the uploader reads: a 200 ms watchdog resends, and the tick after the
// tenth resend gives up, which is a failure to read and never a difference.
// It keeps what its dialog shows (a tool dialog in the GUI, a progress bar on the terminal).

#include "base/Text.h"
#include "link/SendFunction.h"
#include "project/Compiler.h"
#include "tools/CardComparison.h"
#include "tools/Uploader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace zr48 {

// What the comparison's dialog shows: it reads the card as the uploader does, and says so alike.
using CompareView = UploaderView;

enum class CompareResult { None, Running, Finished, NoAnswer, Cancelled };

class TCardComparer {
public:
    static constexpr int kWatchdogMs = 200;
    static constexpr int kMaxResends = 10;
    static constexpr int kFirstSectors = 10; // the directory and the project menu

    TCardComparer(TimerFactory& timers, Prompt& prompt);
    ~TCardComparer();
    TCardComparer(const TCardComparer&) = delete;
    TCardComparer& operator=(const TCardComparer&) = delete;

    void SetLink(SendFunction send) { send_ = std::move(send); }

    // Begins reading the card to compare it with `image`. A comparison that runs is abandoned.
    void Start(CompiledImage image);
    // Every received frame; acts only on the data of the sector asked for.
    void HandleFrame(const std::uint8_t* payload, int length);
    void ButtonCancelClick();
    void WatchdogTimerTimer();

    const CompareView& View() const { return view_; }
    CompareResult Result() const { return result_; }
    // After Finished: what differs.
    const CardComparison& Comparison() const { return comparison_; }
    const CompiledImage& Image() const { return image_; }
    // The card sectors read so far.
    std::size_t SectorsRead() const { return sectors_.size(); }
    // True while sectors 0 to 9 are read.
    bool ReadingDirectory() const { return directoryPhase_; }
    // The sector asked for; after NoAnswer the one that got none.
    std::uint16_t CurrentSector() const { return currentSector_; }

    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

private:
    void RequestNext();
    void SendRequest();
    void PlanDeviceFiles();
    void Finish();
    void Close(CompareResult result);
    void Changed();

    Prompt& prompt_;
    SendFunction send_;
    std::unique_ptr<Timer> watchdogTimer_;
    CompiledImage image_;
    std::vector<std::uint16_t> queue_; // the sectors to read, in order
    std::size_t next_ = 0;             // the position in `queue_` of the sector asked for
    bool directoryPhase_ = true;
    std::map<std::uint16_t, Sector> sectors_;
    std::uint16_t currentSector_ = 0;
    std::array<std::uint8_t, 4> request_{};
    int resendCount_ = 0;
    CardComparison comparison_;
    CompareView view_;
    CompareResult result_ = CompareResult::None;
};

} // namespace zr48
