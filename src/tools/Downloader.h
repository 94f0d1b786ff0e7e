#pragma once
// The downloader: writes an image file into the unit's memory card, one sector record at a time.
// Each record goes out as a SectorWrite through an `Exchange`: the acknowledgement for that sector
// releases the next record, the exchange's watchdog resends the frame, and gives up after its last resend.
// An image that passes its check is written so that at every moment the card's directory names only
// device files written whole: first the directory of a project without devices, then the menu and
// device file sectors in file order, the image's own directory last. A download that stops leaves
// the unit with its old project, an empty one or one whose slots all have their files; a damaged
// image written anyway goes out in file order.
// It keeps what its dialog shows (TDownloaderForm in the GUI, a progress bar on the terminal).

#include "base/Prompt.h"
#include "base/Text.h"
#include "link/Exchange.h"
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
    static constexpr std::size_t kRecordSize = 514; // sector number (little-endian) and 512 bytes

    TDownloader(TimerFactory& timers, Prompt& prompt);
    ~TDownloader();
    TDownloader(const TDownloader&) = delete;
    TDownloader& operator=(const TDownloader&) = delete;

    // Link setup: how frames go out.
    void SetLink(SendFunction send) { exchange_.SetLink(std::move(send)); }

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
    // Stop and close (both buttons of the dialog).
    void Cancel();
    // A download that runs stops only when the user agrees (the card would hold part of the
    // project), and the message then says what the unit holds and how to repair it. The download
    // goes on while the question is open; when it ends first, the question closes by itself and the
    // download's own result shows. Any other download just closes. True when the download was
    // stopped or none ran; false when it goes on or ended while the user was asked.
    bool RequestStop(StopAsker asker = StopAsker::Dialog);
    // The question of RequestStop: Enter continues.
    static Question StopQuestion(StopAsker asker);
    // Closes the dialog (its OK after a finished download); a download that runs is cancelled.
    void Close();

    const DownloaderView& View() const { return view_; }
    DownloadResult Result() const { return result_; }
    // Sector records sent so far (each counted once, resends not) and in the whole download: the
    // file's, and the empty directory first when the directory goes last.
    std::size_t RecordsSent() const { return next_; }
    std::size_t RecordCount() const { return recordCount_; }
    // The whole records of the image file (RecordCount less the empty directory written first).
    std::size_t ImageRecordCount() const { return imageRecords_; }
    // The records of the image file the unit has acknowledged so far.
    std::size_t ImageRecordsAcknowledged() const
    {
        const bool inFlight = next_ > 0 && next_ <= plan_.size() && plan_[next_ - 1].at >= 0;
        return imageSent_ - (inFlight && result_ == DownloadResult::Running ? 1 : 0);
    }
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
    void Changed();

    Prompt& prompt_;
    Exchange exchange_;
    // One record to send: a record of the file, or (at < 0) a sector of the empty directory.
    struct Planned {
        std::uint16_t sector = 0;
        std::ptrdiff_t at = -1;
    };
    static std::vector<Planned> SendOrder(const std::vector<std::uint8_t>& image, bool directoryLast);

    std::vector<std::uint8_t> image_; // the file's bytes while a download runs
    std::vector<Planned> plan_;
    std::size_t imageRecords_ = 0;
    std::size_t imageSent_ = 0;   // records of the image file sent so far
    bool directoryLast_ = false;  // the running download writes the image's directory last
    std::size_t next_ = 0;        // index of the next record to send
    std::size_t recordCount_ = 0; // whole records in the file
    std::uint16_t currentSector_ = 0;
    DownloaderView view_;
    DownloadResult result_ = DownloadResult::None;
    OpenQuestion stopQuestion_; // "Stop the download?" while it is open
};

} // namespace zr48
