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
    request_ = encode(SectorReadFrame{0, currentSector_});
    if (send_)
        send_(request_);
    watchdogTimer_->start(kWatchdogMs);
    view_.Label = "Reading sector " + std::to_string(currentSector_);
    ++view_.ProgressPosition;
    Changed();
}

void TUploader::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, static_cast<std::size_t>(std::max(length, 0)));
    if (!frame.is(FrameType::SectorData) || !view_.Visible || result_ != UploadResult::Running)
        return;
    if (frame.be16(2) != currentSector_)
        return;
    const SectorDataFrame data = decodeSectorData(frame);
    const std::size_t at = image_.size();
    image_.resize(at + 2 + kSectorSize);
    writeLe16(image_.data() + at, currentSector_);
    std::copy(data.data.begin(), data.data.end(), image_.begin() + static_cast<std::ptrdiff_t>(at + 2));

    // Only while the directory is read: a device file area that a damaged card places over the
    // directory must not change the entries still to be walked.
    if (entryIndex_ < 0 && currentSector_ < kDirectorySectors) {
        std::copy(data.data.begin(), data.data.end(), directory_.begin() + currentSector_ * kSectorSize);
        if (const int code = CheckDirectorySector(data.data)) {
            result_ = UploadResult::Failed;
            Changed(); // a terminal ends its progress line before the message
            prompt_.error("Unknown data format. (Error code " + std::to_string(code) + ")");
            CloseImageFile();
            watchdogTimer_->stop();
            Close();
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
        watchdogTimer_->stop();
        result_ = UploadResult::Failed;
        Changed();
        CloseImageFile();
        prompt_.error("Upload failed.\nPlease check connection and/or memory card.\n");
        Close();
        return;
    }
    if (send_)
        send_(request_);
    ++resendCount_;
}

void TUploader::ButtonCancelClick()
{
    if (result_ == UploadResult::Running) {
        result_ = UploadResult::Cancelled;
        CloseImageFile();
    }
    watchdogTimer_->stop();
    Close();
}

bool TUploader::CloseImageFile()
{
    try {
        writeFileAtomically(imagePath_, image_);
    } catch (const Error& e) {
        prompt_.error(e.message());
        return false;
    }
    image_.clear();
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
