#pragma once
// The uploader: reads the unit's memory card back into a new project. It reads the directory and
// project menu sectors (0 to 9), checks each directory sector as it arrives, then reads the device
// file area of every slot in use, in directory order; every sector received becomes a sector record
// of the image file beside the project, which the card image reader finally unpacks into project
// files. A 200 ms watchdog resends a request, and the tick after the tenth resend gives up.
// Frames carry no checksum: before the image is written, it is checked as `zr48 unpack` checks one,
// and every sector a problem rests on (a directory sector, the first sector of a device file, whose
// checksum covers that sector only) is read again until two reads agree. A problem that remains is
// on the card: the upload fails, keeping what it read.
// The image file is replaced only by a complete image that passes the check; an upload that does
// not get there keeps what it read in an image file of its own (PartialImagePath).
// It keeps what its dialog shows (TUploaderForm in the GUI, a progress bar on the terminal).

#include "base/CardSector.h"
#include "base/Text.h"
#include "link/SendFunction.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

namespace zr48 {

class Prompt;
class Timer;
class TimerFactory;

// What the uploader's dialog shows.
struct UploaderView {
    Text Label;
    std::int64_t ProgressMax = 0;
    std::int64_t ProgressPosition = 0; // sectors requested
    bool ButtonCancelEnabled = false;
    bool Visible = false;
};

// How the last upload went; Running while sectors are read, Unpacking once all are in.
enum class UploadResult { None, Running, Unpacking, Finished, Failed, Cancelled };

class TUploader {
public:
    using Completion = std::function<void(const Text& projectPath)>;

    static constexpr int kWatchdogMs = 200;
    static constexpr int kMaxResends = 10;
    static constexpr int kDirectorySectors = 9; // 0 to 8; sector 9 is the project menu
    static constexpr int kFirstSectors = 10;    // read before any device file
    static constexpr int kEntrySize = 64;
    static constexpr int kEntries = kDirectorySectors * 512 / kEntrySize; // 72: 7 slots and a spare per sector
    static constexpr std::int64_t kInitialProgressMax = 65536;
    // With verification: the reads of one sector before the upload gives up on it.
    static constexpr int kMaxReadsPerSector = 10;

    TUploader(TimerFactory& timers, Prompt& prompt);
    ~TUploader();
    TUploader(const TUploader&) = delete;
    TUploader& operator=(const TUploader&) = delete;

    // Link setup: how frames go out.
    void SetLink(SendFunction send) { send_ = std::move(send); }
    // Verification for the uploads started from now on. Frames carry no checksum, so a byte
    // changed on the line would go into the project unnoticed; with verification every sector is
    // read at least twice and again until two reads agree (at most 10 reads).
    void SetVerify(bool verify) { verify_ = verify; }

    // Begins reading the card into the image file of `projectPath` (its extension replaced by
    // ".mpd"). An image file that cannot be written is reported through the prompt, and nothing is
    // sent. After a successful unpacking `completion` gets the project file's path.
    void Start(const Text& projectPath, Completion completion);
    // Where an upload that did not finish keeps the sectors it read: "NAME.partial.mpd" beside the
    // image file, so that an earlier image survives.
    static Text PartialImagePath(const Text& imagePath);
    // Every received frame; acts only on the data of the sector asked for.
    void HandleFrame(const std::uint8_t* payload, int length);
    void ButtonCancelClick();
    void WatchdogTimerTimer();

    const UploaderView& View() const { return view_; }
    UploadResult Result() const { return result_; }
    const Text& ImagePath() const { return imagePath_; }
    // The sector records kept since the upload ended (the records read so far after a failed or
    // cancelled upload, in KeptImagePath()); 0 when none was read (no file is written); nullopt
    // when the file could not be written.
    std::optional<std::size_t> KeptRecords() const { return keptRecords_; }
    // The image file after a successful upload, PartialImagePath() after one that did not finish.
    const Text& KeptImagePath() const { return keptImagePath_; }
    // With verification: the sectors of the last upload whose first two reads differed.
    std::size_t SectorsReadAgain() const { return sectorsReadAgain_; }
    // True while sectors 0 to 9 are read, before any device file.
    bool ReadingDirectory() const { return entryIndex_ < 0; }
    std::uint16_t CurrentSector() const { return currentSector_; }

    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

private:
    void RequestCurrentSector();
    void SendRequest();
    // Whether `data` agrees with an earlier read of the current sector; when not, the sector is
    // asked for again (or the upload fails after too many reads).
    bool ReadsAgree(const Sector& data);
    // Reads the current sector again until two reads agree; `first` is the read so far.
    void Confirm(const Sector& first);
    void TakeSector(const Sector& data);
    // The progress counts the sectors of the device files the directory names.
    void StartDeviceFileProgress();
    void NextDeviceFile();
    // All sectors are in: check the image, read again what its problems rest on, or finish.
    void CheckImage();
    void RecheckNext();
    void TakeRecheckedSector(const Sector& data);
    void Finish();
    void Fail(const Text& message);
    // Writes the records received so far: the image file when `complete`, else the partial image
    // file (nothing when there is none). False (reported) when it cannot.
    bool CloseImageFile(bool complete);
    void Close();
    void Changed();

    struct Entry {
        std::uint8_t DeviceType = 0;
        std::uint16_t FileStart = 0;
        std::uint16_t FileSectors = 0;
        // An entry with no sectors has no device file to read.
        bool InUse() const { return DeviceType != 0 && FileSectors != 0; }
    };
    Entry DirectoryEntry(int index) const;

    Prompt& prompt_;
    SendFunction send_;
    std::unique_ptr<Timer> watchdogTimer_;
    Text imagePath_;
    std::vector<std::uint8_t> image_; // the records received, written out when the upload ends
    Completion completion_;
    std::uint16_t currentSector_ = 0;
    std::uint16_t remaining_ = 0;
    int entryIndex_ = -1;
    std::array<std::uint8_t, kDirectorySectors * 512> directory_{};
    std::array<std::uint8_t, 4> request_{};
    int resendCount_ = 0;
    bool verify_ = false;
    bool confirming_ = false;            // the current sector is read until two reads agree
    std::vector<Sector> reads_;          // the differing reads of the current sector while confirming
    std::set<std::uint16_t> confirmed_;  // sectors whose content two agreeing reads gave
    std::vector<std::uint16_t> recheck_; // sectors to read again after the image check
    bool rechecking_ = false;
    std::size_t sectorsReadAgain_ = 0;
    std::optional<std::size_t> keptRecords_;
    Text keptImagePath_;
    UploaderView view_;
    UploadResult result_ = UploadResult::None;
};

} // namespace zr48
