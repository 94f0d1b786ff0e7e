#pragma once
// The downloader: writes an image file into the unit's memory card, one sector record at a time.
// Each record goes out as a SectorWrite; the acknowledgement for that sector releases the next
// record, a 200 ms watchdog resends the frame, and the tick after the tenth resend gives up.
// It keeps what its dialog shows (TDownloaderForm in the GUI, a progress bar on the terminal).

#include "base/Prompt.h"
#include "base/Text.h"
#include "link/SendFunction.h"
#include "tools/CheckPolicy.h"
#include "tools/StopAsker.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace zr48 {

class Timer;
class TimerFactory;

// What the downloader's dialog shows.
struct DownloaderView {
    Text Label;
    std::int64_t ProgressMax = 0;      // the image file's size in bytes
    std::int64_t ProgressPosition = 0; // bytes of it sent so far
    bool ButtonCancelEnabled = false;
    bool ButtonOkEnabled = false;
    bool Visible = false;
};

// How the last download went; Running while it goes on. Refused: the image failed its check and
// nothing was sent.
enum class DownloadResult { None, Running, Finished, Failed, Cancelled, Refused };

class TDownloader {
public:
    static constexpr int kWatchdogMs = 200;
    static constexpr int kMaxResends = 10;
    static constexpr std::size_t kRecordSize = 514; // sector number (little-endian) and 512 bytes

    TDownloader(TimerFactory& timers, Prompt& prompt);
    ~TDownloader();
    TDownloader(const TDownloader&) = delete;
    TDownloader& operator=(const TDownloader&) = delete;

    // Link setup: how frames go out.
    void SetLink(SendFunction send) { send_ = std::move(send); }

    // Begins downloading the image file at `imagePath`, abandoning a download that runs. A file
    // that cannot be read is reported through the prompt, and nothing is sent. Before the first
    // sector goes out the image is checked (whole records, the directory, the device files inside
    // their areas); a damaged one is handled as `policy` says: refused with its first problem
    // named, asked about (Yes writes it anyway), or written as it is. An image that assigns no
    // device would leave the unit with an empty project: it is handled as `noDevicePolicy` says,
    // by default asked about (written without a word when `policy` is Force, or when the image was
    // damaged and the user chose to write it all the same).
    void Start(const Text& imagePath, CheckPolicy policy = CheckPolicy::Ask,
               std::optional<CheckPolicy> noDevicePolicy = std::nullopt);
    // What is said of an image that assigns no device, and the question and refusal after it.
    static Text NoDeviceProblem(const Text& imagePath);
    static constexpr const char* kWriteAnyway = "Write it to the ZR48 anyway?";
    static constexpr const char* kNothingWritten = "Nothing was written to the ZR48.";
    // Every received frame; acts only on the acknowledgement of the sector just sent.
    void HandleFrame(const std::uint8_t* payload, int length);
    // Both buttons: stop and close.
    void ButtonCancelClick();
    // A download that runs stops only when the user agrees (the card would hold part of the
    // project), and the message then says what the unit holds and how to repair it. The download
    // goes on while the question is open; when it ends first, the question closes by itself and the
    // download's own result shows. Any other download just closes. True when the download was
    // stopped or none ran; false when it goes on or ended while the user was asked.
    bool RequestStop(StopAsker asker = StopAsker::Dialog);
    // The question of RequestStop: Enter continues.
    static Question StopQuestion(StopAsker asker);
    void WatchdogTimerTimer();

    const DownloaderView& View() const { return view_; }
    DownloadResult Result() const { return result_; }
    // Sector records sent so far (each counted once, resends not) and in the whole file.
    std::size_t RecordsSent() const { return next_; }
    std::size_t RecordCount() const { return recordCount_; }
    std::uint16_t CurrentSector() const { return currentSector_; }
    // What the card holds after a download that did not finish, as a sentence: how many sectors
    // the unit acknowledged, and that the image is to be downloaded again.
    Text CardAfterStop() const;

    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

private:
    void SendNextRecord();
    void Finish();
    void Fail(const Text& message);
    void Close();
    void Changed();

    Prompt& prompt_;
    SendFunction send_;
    std::unique_ptr<Timer> watchdogTimer_;
    std::vector<std::uint8_t> image_; // the file's bytes while a download runs
    std::size_t next_ = 0;            // index of the next record to send
    std::size_t recordCount_ = 0;     // whole records in the file
    std::uint16_t currentSector_ = 0;
    std::array<std::uint8_t, 516> frame_{};
    int resendCount_ = 0;
    DownloaderView view_;
    DownloadResult result_ = DownloadResult::None;
    OpenQuestion stopQuestion_; // "Stop the download?" while it is open
};

} // namespace zr48
