#pragma once
// The uploader: reads the unit's memory card back into a new project. It reads the directory and
// project menu sectors (0 to 9), checks each directory sector as it arrives, then reads the device
// file area of every slot in use, in directory order; every sector received becomes a sector record
// of the image file beside the project, which the card image reader finally unpacks into project
// files. Requests go through an `Exchange`: only the sector asked for answers, its watchdog
// resends, and it gives up after its last resend. The directory is read through the card format's
// own descriptor decoder.
// Frames carry no checksum: before the image is written, it is checked as `zr48 unpack` checks one,
// and every sector a problem rests on (a directory sector, the first sector of a device file, whose
// checksum covers that sector only) is read again until two reads agree. A problem that remains is
// on the card: the upload fails, keeping what it read.
// The image file is replaced only by a complete image that passes the check; an upload that does
// not get there keeps what it read in an image file of its own (PartialImagePath).
// It keeps what its dialog shows (TUploaderForm in the GUI, a progress bar on the terminal).

#include "base/CardSector.h"
#include "base/Text.h"
#include "link/Exchange.h"
#include "link/SendFunction.h"
#include "project/CardFormat.h"
#include "tools/CheckPolicy.h"

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

// What a running upload reads: sectors 0 to 9, then the device file areas the directory names,
// then (when the image check found problems) the sectors they rest on, again.
enum class UploadPhase { Directory, DeviceFiles, Recheck };

class TUploader {
public:
    using Completion = std::function<void(const Text& projectPath)>;

    static constexpr int kDirectorySectors = 9; // 0 to 8; sector 9 is the project menu
    static constexpr int kFirstSectors = 10;    // read before any device file
    static constexpr int kEntrySize = 64;
    static constexpr int kEntries = kDirectorySectors * 512 / kEntrySize; // 72: 7 slots and a spare per sector
    static constexpr std::int64_t kInitialProgressMax = 65536;

    TUploader(TimerFactory& timers, Prompt& prompt);
    ~TUploader();
    TUploader(const TUploader&) = delete;
    TUploader& operator=(const TUploader&) = delete;

    // Link setup: how frames go out.
    void SetLink(SendFunction send) { exchange_.SetLink(std::move(send)); }
    // Verification for the uploads started from now on. Frames carry no checksum, so a byte
    // changed on the line would go into the project unnoticed; with verification every sector is
    // read at least twice and again until two reads agree (at most 10 reads).
    void SetVerify(bool verify) { verify_ = verify; }
    // What an upload does with a card that fails the image check after everything it rests on was
    // read again (a device file the directory names is incomplete, for instance after a download
    // that stopped): refuse (the default: "Upload failed."), ask, or unpack it as it is.
    void SetDamagedCardPolicy(CheckPolicy policy) { damagedCardPolicy_ = policy; }

    // Begins reading the card into the image file of `projectPath` (its extension replaced by
    // ".mpd"). An image file that cannot be written is reported through the prompt, and nothing is
    // sent. After a successful unpacking `completion` gets the project file's path.
    void Start(const Text& projectPath, Completion completion);
    // Where an upload that did not finish keeps the sectors it read: "NAME.partial.mpd" beside the
    // image file, so that an earlier image survives.
    static Text PartialImagePath(const Text& imagePath);
    // Every received frame; acts only on the data of the sector asked for.
    void HandleFrame(const std::uint8_t* payload, int length);
    // Stops and closes, keeping what was read.
    void Cancel();

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
    UploadPhase Phase() const { return phase_; }
    // True while sectors 0 to 9 are read, before any device file.
    bool ReadingDirectory() const { return phase_ == UploadPhase::Directory; }
    std::uint16_t CurrentSector() const { return currentSector_; }

    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

private:
    void RequestCurrentSector();
    void Take(std::span<const std::uint8_t> reply, int reads);
    void TakeSector(const Sector& data);
    // Reads the current sector again until two reads agree; `first` is the read so far.
    void Confirm(const Sector& first);
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

    // Directory entry `index` (0 to 71): the seven slot descriptors of each directory sector and
    // its spare last 64 bytes, which a card written by this system leaves zero.
    SlotDescriptor DirectoryEntry(int index) const;
    // An entry with no sectors has no device file to read.
    static bool InUse(const SlotDescriptor& entry) { return entry.DeviceType != 0 && entry.FileSectors != 0; }

    Prompt& prompt_;
    Exchange exchange_;
    Text imagePath_;
    std::vector<std::uint8_t> image_; // the records received, written out when the upload ends
    Completion completion_;
    std::uint16_t currentSector_ = 0;
    std::uint16_t remaining_ = 0;
    UploadPhase phase_ = UploadPhase::Directory;
    int entryIndex_ = -1; // while reading device files: the entry whose area is read
    std::array<Sector, kDirectorySectors> directory_{};
    bool verify_ = false;
    CheckPolicy damagedCardPolicy_ = CheckPolicy::Refuse;
    std::set<std::uint16_t> confirmed_;  // sectors whose content two agreeing reads gave
    std::vector<std::uint16_t> recheck_; // sectors to read again after the image check
    std::size_t sectorsReadAgain_ = 0;
    std::optional<std::size_t> keptRecords_;
    Text keptImagePath_;
    UploaderView view_;
    UploadResult result_ = UploadResult::None;
};

} // namespace zr48
