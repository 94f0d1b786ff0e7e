#include "tools/Downloader.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Timer.h"
#include "link/Frames.h"
#include "project/ImageCheck.h"

#include <algorithm>

namespace zr48 {

TDownloader::TDownloader(TimerFactory& timers, Prompt& prompt) : prompt_(prompt), watchdogTimer_(timers.create())
{
    watchdogTimer_->onTimeout = [this] { WatchdogTimerTimer(); };
}

TDownloader::~TDownloader() = default;

Text TDownloader::NoDeviceProblem(const Text& imagePath)
{
    return "The image \"" + shownPath(imagePath) +
           "\" assigns no device to any slot: written to the card, it leaves the ZR48 with an empty project.";
}

void TDownloader::Start(const Text& imagePath, CheckPolicy policy, std::optional<CheckPolicy> noDevicePolicy)
{
    // A download that runs is abandoned; nothing of it answers an acknowledgement any more.
    stopQuestion_.withdraw();
    watchdogTimer_->stop();
    if (result_ == DownloadResult::Running)
        result_ = DownloadResult::Cancelled;
    image_.clear();
    next_ = 0;
    recordCount_ = 0;
    try {
        // The check reads the file as a card image first, which also refuses one larger than a card.
        const Text problem = ImageFileProblem(imagePath);
        if (!problem.empty() && !GoOnDespite(prompt_, policy, problem, kWriteAnyway, kNothingWritten)) {
            result_ = DownloadResult::Refused;
            Close();
            return;
        }
        image_ = readFileBytes(imagePath);
        // A damaged image that the user chose to write is not asked about twice.
        const CheckPolicy noDevice = noDevicePolicy.value_or(
            policy == CheckPolicy::Force || !problem.empty() ? CheckPolicy::Force : CheckPolicy::Ask);
        if (noDevice != CheckPolicy::Force && ImageAssignsNoDevice(DecodeSectorImage(image_)) &&
            !GoOnDespite(prompt_, noDevice, NoDeviceProblem(imagePath), kWriteAnyway, kNothingWritten)) {
            result_ = DownloadResult::Refused;
            Close();
            return;
        }
    } catch (const Error& e) {
        Close();
        result_ = DownloadResult::Failed;
        prompt_.error(e.message());
        return;
    }
    recordCount_ = image_.size() / kRecordSize;
    view_.ButtonOkEnabled = false;
    view_.ButtonCancelEnabled = true;
    view_.ProgressMax = static_cast<std::int64_t>(image_.size());
    view_.ProgressPosition = 0;
    view_.Label.clear();
    view_.Visible = true;
    result_ = DownloadResult::Running;
    resendCount_ = 0;
    SendNextRecord();
}

void TDownloader::SendNextRecord()
{
    const std::size_t at = next_ * kRecordSize;
    if (image_.size() - at < kRecordSize) {
        Finish();
        return;
    }
    SectorWriteFrame write;
    write.sector = readLe16(image_.data() + at);
    std::copy_n(image_.begin() + static_cast<std::ptrdiff_t>(at + 2), kSectorSize, write.data.begin());
    currentSector_ = write.sector;
    frame_ = encode(write);
    ++next_;
    if (send_)
        send_(frame_);
    watchdogTimer_->start(kWatchdogMs);
    view_.Label = "Writing sector " + std::to_string(currentSector_);
    view_.ProgressPosition = static_cast<std::int64_t>(at + kRecordSize);
    Changed();
}

void TDownloader::Finish()
{
    stopQuestion_.withdraw();
    watchdogTimer_->stop();
    const std::size_t leftOver = image_.size() - next_ * kRecordSize;
    if (leftOver != 0) {
        // A cut-off record is never sent: the card would get a sector of garbage. The records before
        // it are on the card, so the user must know the card does not hold the whole image.
        Fail("Download incomplete.\nThe image file is damaged: it ends with " + std::to_string(leftOver) +
             " bytes that are not a whole sector record.\n");
        return;
    }
    view_.ButtonCancelEnabled = false;
    view_.ButtonOkEnabled = true;
    view_.Label = "Download Finished.";
    result_ = DownloadResult::Finished;
    image_.clear();
    Changed();
}

void TDownloader::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, static_cast<std::size_t>(std::max(length, 0)));
    if (!frame.is(FrameType::SectorWriteAck) || !view_.Visible || result_ != DownloadResult::Running)
        return;
    if (decodeSectorWriteAck(frame).sector != currentSector_)
        return;
    resendCount_ = 0;
    SendNextRecord();
}

void TDownloader::WatchdogTimerTimer()
{
    if (resendCount_ >= kMaxResends) {
        Fail("Download failed.\n" + CardAfterStop() + "\nPlease check connection and/or memory card.\n");
        return;
    }
    if (send_)
        send_(frame_);
    ++resendCount_;
}

Text TDownloader::CardAfterStop() const
{
    // The record in flight may or may not have reached the card; the ones before it were acknowledged.
    const std::size_t written = next_ > 0 ? next_ - 1 : 0;
    const std::string of = " of " + std::to_string(recordCount_) + " sectors";
    if (written == 0)
        return "The ZR48 acknowledged none" + of +
               ": its card holds what it held, perhaps with the first sector of "
               "this image. Download it again.";
    return std::to_string(written) + of +
           " were written, so the ZR48's card holds part of the image. Download it again.";
}

void TDownloader::Fail(const Text& message)
{
    stopQuestion_.withdraw();
    watchdogTimer_->stop();
    result_ = DownloadResult::Failed;
    Changed(); // a terminal ends its progress line before the message
    prompt_.error(message);
    Close();
}

void TDownloader::ButtonCancelClick()
{
    watchdogTimer_->stop();
    if (result_ == DownloadResult::Running)
        result_ = DownloadResult::Cancelled;
    Close();
}

Question TDownloader::StopQuestion(StopAsker asker)
{
    return stopTransferQuestion(asker, "Stop the download?\nThe ZR48 will hold an incomplete project.",
                                "A download is running.\nQuitting stops it, and the ZR48 will hold an incomplete project.",
                                "Stop Download");
}

bool TDownloader::RequestStop(StopAsker asker)
{
    if (result_ != DownloadResult::Running) {
        ButtonCancelClick();
        return true;
    }
    // Frames and timers go on while the question is open; a download that ends meanwhile takes the
    // question back (Finish, Fail) and shows its own result, which no later answer may undo.
    const std::optional<Answer> answer = prompt_.ask(StopQuestion(asker), stopQuestion_);
    if (answer != Answer::Yes || result_ != DownloadResult::Running)
        return false;
    ButtonCancelClick();
    prompt_.information("Download stopped.\n" + CardAfterStop());
    return true;
}

void TDownloader::Close()
{
    image_.clear();
    image_.shrink_to_fit();
    view_.Visible = false;
    Changed();
}

void TDownloader::Changed()
{
    if (OnViewChanged)
        OnViewChanged();
}

} // namespace zr48
