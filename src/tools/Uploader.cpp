#include "tools/Uploader.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Timer.h"
#include "link/Frames.h"
#include "project/ImageReader.h"

#include <algorithm>

namespace zr48 {

TUploader::TUploader(TimerFactory& timers, Prompt& prompt) : prompt_(prompt), watchdogTimer_(timers.create())
{
    watchdogTimer_->onTimeout = [this] { WatchdogTimerTimer(); };
}

TUploader::~TUploader() = default;

void TUploader::Start(const Text& projectPath, Completion completion)
{
    // An upload that runs is abandoned, keeping what it has read, as Cancel does.
    if (result_ == UploadResult::Running)
        ButtonCancelClick();
    imagePath_ = changeFileExt(projectPath, ".mpd");
    image_.clear();
    keptRecords_.reset();
    try {
        // Creates or empties the file now, so that a folder that cannot take it is known before
        // anything is asked of the unit.
        writeFileAtomically(imagePath_, std::span<const std::uint8_t>{});
    } catch (const Error& e) {
        result_ = UploadResult::Failed;
        prompt_.error(e.message());
        return;
    }
    completion_ = std::move(completion);
    currentSector_ = 0;
    remaining_ = kFirstSectors;
    entryIndex_ = -1;
    directory_.fill(0);
    sectorsReadAgain_ = 0;
    view_.ProgressMax = kInitialProgressMax;
    view_.ProgressPosition = 0;
    view_.ButtonCancelEnabled = true;
    view_.Visible = true;
    result_ = UploadResult::Running;
    resendCount_ = 0;
    RequestCurrentSector();
}

void TUploader::RequestCurrentSector()
{
    reads_.clear();
    SendRequest();
    view_.Label = "Reading sector " + std::to_string(currentSector_);
    ++view_.ProgressPosition;
    Changed();
}

void TUploader::SendRequest()
{
    request_ = encode(SectorReadFrame{0, currentSector_});
    if (send_)
        send_(request_);
    watchdogTimer_->start(kWatchdogMs);
}

bool TUploader::ReadsAgree(const Sector& data)
{
    if (std::find(reads_.begin(), reads_.end(), data) != reads_.end())
        return true;
    reads_.push_back(data);
    if (reads_.size() == 2)
        ++sectorsReadAgain_; // the first two reads differ
    if (reads_.size() >= static_cast<std::size_t>(kMaxReadsPerSector)) {
        Fail("Upload failed.\nSector " + std::to_string(currentSector_) + " was read " +
             std::to_string(kMaxReadsPerSector) + " times and no two reads agreed.\n" +
             "Please check connection and/or memory card.\n");
        return false;
    }
    resendCount_ = 0;
    SendRequest();
    return false;
}

void TUploader::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, static_cast<std::size_t>(std::max(length, 0)));
    if (!frame.is(FrameType::SectorData) || !view_.Visible || result_ != UploadResult::Running)
        return;
    if (frame.be16(2) != currentSector_)
        return;
    const SectorDataFrame data = decodeSectorData(frame);
    if (verify_ && !ReadsAgree(data.data))
        return;
    const std::size_t at = image_.size();
    image_.resize(at + 2 + kSectorSize);
    writeLe16(image_.data() + at, currentSector_);
    std::copy(data.data.begin(), data.data.end(), image_.begin() + static_cast<std::ptrdiff_t>(at + 2));

    // Only while the directory is read: a device file area that a damaged card places over the
    // directory must not change the entries still to be walked.
    if (entryIndex_ < 0 && currentSector_ < kDirectorySectors) {
        std::copy(data.data.begin(), data.data.end(), directory_.begin() + currentSector_ * kSectorSize);
        if (const int code = CheckDirectorySector(data.data)) {
            Fail("Unknown data format. (Error code " + std::to_string(code) + ")");
            return;
        }
    }

    if (--remaining_ != 0) {
        ++currentSector_;
        resendCount_ = 0;
        RequestCurrentSector();
        return;
    }
    if (entryIndex_ < 0) {
        std::int64_t total = 0;
        for (int i = 0; i < kEntries; ++i)
            if (DirectoryEntry(i).InUse())
                total += DirectoryEntry(i).FileSectors;
        view_.ProgressMax = total;
        view_.ProgressPosition = 0;
    }
    NextDeviceFile();
}

void TUploader::NextDeviceFile()
{
    do
        ++entryIndex_;
    while (entryIndex_ < kEntries && !DirectoryEntry(entryIndex_).InUse());

    if (entryIndex_ < kEntries) {
        const Entry entry = DirectoryEntry(entryIndex_);
        currentSector_ = entry.FileStart;
        remaining_ = entry.FileSectors;
        resendCount_ = 0;
        RequestCurrentSector();
        return;
    }
    // Every sector is in: write the image and unpack it.
    watchdogTimer_->stop();
    result_ = UploadResult::Unpacking;
    Changed();
    const bool written = CloseImageFile();
    if (written && UnpackImage(imagePath_, prompt_)) {
        result_ = UploadResult::Finished;
        if (completion_)
            completion_(changeFileExt(imagePath_, ".mpj"));
    } else {
        result_ = UploadResult::Failed;
    }
    Close();
}

TUploader::Entry TUploader::DirectoryEntry(int index) const
{
    const std::uint8_t* e = directory_.data() + index * kEntrySize;
    return {e[0], readLe16(e + 2), readLe16(e + 4)};
}

void TUploader::WatchdogTimerTimer()
{
    if (resendCount_ >= kMaxResends) {
        Fail("Upload failed.\nPlease check connection and/or memory card.\n");
        return;
    }
    if (send_)
        send_(request_);
    ++resendCount_;
}

void TUploader::Fail(const Text& message)
{
    // Everything stops before the message: frames and timers go on while it is open, and a
    // watchdog still running would give up again and write the image a second time, empty.
    watchdogTimer_->stop();
    result_ = UploadResult::Failed;
    Changed(); // a terminal ends its progress line before the message
    CloseImageFile();
    prompt_.error(message);
    Close();
}

void TUploader::ButtonCancelClick()
{
    watchdogTimer_->stop();
    if (result_ == UploadResult::Running) {
        result_ = UploadResult::Cancelled;
        CloseImageFile();
    }
    Close();
}

bool TUploader::CloseImageFile()
{
    // Taken out first: whatever runs while a message below is open finds nothing to write again.
    const std::vector<std::uint8_t> records = std::move(image_);
    image_.clear();
    keptRecords_.reset();
    try {
        writeFileAtomically(imagePath_, records);
    } catch (const Error& e) {
        prompt_.error(e.message());
        return false;
    }
    keptRecords_ = records.size() / (2 + kSectorSize);
    return true;
}

void TUploader::Close()
{
    image_.clear();
    image_.shrink_to_fit();
    view_.Visible = false;
    Changed();
}

void TUploader::Changed()
{
    if (OnViewChanged)
        OnViewChanged();
}

} // namespace zr48
