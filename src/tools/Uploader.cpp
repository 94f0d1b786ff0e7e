#include "tools/Uploader.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "link/Frames.h"
#include "project/ImageCheck.h"
#include "project/ImageReader.h"

#include <algorithm>

namespace zr48 {

TUploader::TUploader(TimerFactory& timers, Prompt& prompt) : prompt_(prompt), exchange_(timers)
{
    exchange_.onReply = [this](std::span<const std::uint8_t> reply, int reads) { Take(reply, reads); };
    exchange_.onNoAnswer = [this] { Fail("Upload failed.\nPlease check connection and/or memory card.\n"); };
    exchange_.onUnsettled = [this] {
        Fail("Upload failed.\nSector " + std::to_string(currentSector_) + " was read " +
             std::to_string(Exchange::kMaxReads) + " times and no two reads agreed.\n" +
             "Please check connection and/or memory card.\n");
    };
}

TUploader::~TUploader() = default;

Text TUploader::PartialImagePath(const Text& imagePath)
{
    return changeFileExt(imagePath, ".partial.mpd");
}

void TUploader::Start(const Text& projectPath, Completion completion)
{
    // An upload that runs is abandoned, keeping what it has read, as Cancel does.
    if (result_ == UploadResult::Running)
        Cancel();
    imagePath_ = changeFileExt(projectPath, ".mpd");
    image_.clear();
    keptRecords_.reset();
    keptImagePath_.clear();
    try {
        // Known before anything is asked of the unit; nothing is written until the upload ends, so
        // an earlier image stays until a new one is complete.
        checkWritable(imagePath_);
        checkWritable(PartialImagePath(imagePath_));
        // And every name the unpacking writes, and room for it, before the card is read.
        if (const auto problem = UnpackTargetProblem(imagePath_))
            throw Error("The uploaded project cannot be written: " + *problem + ".");
    } catch (const Error& e) {
        result_ = UploadResult::Failed;
        prompt_.error(e.message());
        return;
    }
    completion_ = std::move(completion);
    currentSector_ = 0;
    remaining_ = kFirstSectors;
    phase_ = UploadPhase::Directory;
    entryIndex_ = -1;
    directory_.fill(Sector{});
    confirmed_.clear();
    recheck_.clear();
    sectorsReadAgain_ = 0;
    view_.ProgressMax = kInitialProgressMax;
    view_.ProgressPosition = 0;
    view_.ButtonCancelEnabled = true;
    view_.Visible = true;
    result_ = UploadResult::Running;
    RequestCurrentSector();
}

void TUploader::RequestCurrentSector()
{
    exchange_.Ask(encode(SectorReadFrame{0, currentSector_}), {FrameType::SectorData, currentSector_, std::nullopt},
                  verify_);
    view_.Label = "Reading sector " + std::to_string(currentSector_);
    ++view_.ProgressPosition;
    Changed();
}

void TUploader::Confirm(const Sector& first)
{
    exchange_.Ask(encode(SectorReadFrame{0, currentSector_}), {FrameType::SectorData, currentSector_, std::nullopt},
                  true, encode(SectorDataFrame{0, currentSector_, first}));
}

void TUploader::HandleFrame(const std::uint8_t* payload, int length)
{
    if (view_.Visible && result_ == UploadResult::Running)
        exchange_.HandleFrame(payload, length);
}

void TUploader::Take(std::span<const std::uint8_t> reply, int reads)
{
    const Sector data = decodeSectorData(FrameView(reply)).data;
    if (reads > 1)
        confirmed_.insert(currentSector_);
    if (reads > 2)
        ++sectorsReadAgain_; // the first two reads differed
    if (phase_ == UploadPhase::Recheck)
        TakeRecheckedSector(data);
    else
        TakeSector(data);
}

void TUploader::TakeSector(const Sector& data)
{
    // Only while the directory is read: a device file area that a damaged card places over the
    // directory must not change the entries still to be walked.
    const bool directory = phase_ == UploadPhase::Directory && currentSector_ < kDirectorySectors;
    const int code = directory ? CheckDirectorySector(data) : kDirectoryWellFormed;
    if (code != kDirectoryWellFormed && !confirmed_.contains(currentSector_)) {
        // A byte changed on the line, or the card's own bytes: a second read that agrees tells.
        Confirm(data);
        return;
    }
    const std::size_t at = image_.size();
    image_.resize(at + 2 + kSectorSize);
    writeLe16(image_.data() + at, currentSector_);
    std::copy(data.begin(), data.end(), image_.begin() + static_cast<std::ptrdiff_t>(at + 2));
    if (directory) {
        directory_[currentSector_] = data;
        if (code != kDirectoryWellFormed) {
            Fail("Unknown data format. (Error code " + std::to_string(code) + ")");
            return;
        }
    }

    if (--remaining_ != 0) {
        ++currentSector_;
        RequestCurrentSector();
        return;
    }
    if (phase_ == UploadPhase::Directory)
        StartDeviceFileProgress();
    NextDeviceFile();
}

void TUploader::StartDeviceFileProgress()
{
    std::int64_t total = 0;
    for (int i = 0; i < kEntries; ++i)
        if (const SlotDescriptor entry = DirectoryEntry(i); InUse(entry))
            total += entry.FileSectors;
    view_.ProgressMax = total;
    view_.ProgressPosition = 0;
    phase_ = UploadPhase::DeviceFiles;
    entryIndex_ = -1;
}

void TUploader::NextDeviceFile()
{
    do
        ++entryIndex_;
    while (entryIndex_ < kEntries && !InUse(DirectoryEntry(entryIndex_)));

    if (entryIndex_ < kEntries) {
        const SlotDescriptor entry = DirectoryEntry(entryIndex_);
        currentSector_ = entry.FileStart;
        remaining_ = entry.FileSectors;
        RequestCurrentSector();
        return;
    }
    CheckImage();
}

void TUploader::CheckImage()
{
    exchange_.Stop();
    const std::vector<ImageFinding> findings = ImageFindings(DecodeSectorImage(image_));
    if (findings.empty()) {
        Finish();
        return;
    }
    // What the problems rest on and was read only once.
    recheck_.clear();
    for (const ImageFinding& finding : findings) {
        for (const std::uint16_t sector : finding.Sectors) {
            if (!confirmed_.contains(sector) && std::find(recheck_.begin(), recheck_.end(), sector) == recheck_.end())
                recheck_.push_back(sector);
        }
    }
    if (recheck_.empty()) {
        const Text problem = "The image read from the card fails its check: " + findings.front().Problem +
                             ".\nWhat this rests on was read again until two reads agreed: the card itself holds it "
                             "(a download that stopped part-way leaves such a card).";
        if (damagedCardPolicy_ == CheckPolicy::Force ||
            (damagedCardPolicy_ == CheckPolicy::Ask &&
             GoOnDespite(prompt_, CheckPolicy::Ask, problem, "Unpack it as it is?", {}))) {
            Finish();
            return;
        }
        Fail("Upload failed.\n" + problem + "\n");
        return;
    }
    phase_ = UploadPhase::Recheck;
    RecheckNext();
}

void TUploader::RecheckNext()
{
    if (recheck_.empty()) {
        phase_ = UploadPhase::DeviceFiles;
        CheckImage();
        return;
    }
    currentSector_ = recheck_.front();
    recheck_.erase(recheck_.begin());
    // The read so far is the first of its record in the image.
    Sector first{};
    for (std::size_t at = 0; at + 2 + kSectorSize <= image_.size(); at += 2 + kSectorSize) {
        if (readLe16(image_.data() + at) == currentSector_) {
            std::copy_n(image_.begin() + static_cast<std::ptrdiff_t>(at + 2), kSectorSize, first.begin());
            break;
        }
    }
    view_.Label = "Reading sector " + std::to_string(currentSector_) + " again";
    Changed();
    Confirm(first);
}

void TUploader::TakeRecheckedSector(const Sector& data)
{
    // Every record of the sector (an area shared by two slots holds it twice) takes what the card holds.
    for (std::size_t at = 0; at + 2 + kSectorSize <= image_.size(); at += 2 + kSectorSize) {
        if (readLe16(image_.data() + at) == currentSector_)
            std::copy(data.begin(), data.end(), image_.begin() + static_cast<std::ptrdiff_t>(at + 2));
    }
    if (currentSector_ < kDirectorySectors && directory_[currentSector_] != data) {
        // The directory read first was wrong: the device file areas it named are read anew.
        directory_[currentSector_] = data;
        if (const int code = CheckDirectorySector(data)) {
            Fail("Unknown data format. (Error code " + std::to_string(code) + ")");
            return;
        }
        image_.resize(kFirstSectors * (2 + kSectorSize));
        recheck_.clear();
        StartDeviceFileProgress();
        NextDeviceFile();
        return;
    }
    RecheckNext();
}

void TUploader::Finish()
{
    // Every sector is in and the image passes its check: write it and unpack it.
    exchange_.Stop();
    result_ = UploadResult::Unpacking;
    Changed();
    // The image goes in together with the project and device files unpacked from it: when any of
    // them cannot be written, the earlier ones all stay as they were and the new image is kept
    // beside them (KeptImagePath).
    if (UnpackUploadedImage(imagePath_, image_, prompt_)) {
        keptRecords_ = image_.size() / (2 + kSectorSize);
        keptImagePath_ = imagePath_;
        image_.clear();
        removeFileIfThere(PartialImagePath(imagePath_));
        result_ = UploadResult::Finished;
        if (completion_)
            completion_(changeFileExt(imagePath_, ".mpj"));
    } else {
        CloseImageFile(false);
        result_ = UploadResult::Failed;
    }
    Close();
}

SlotDescriptor TUploader::DirectoryEntry(int index) const
{
    const Sector& sector = directory_[static_cast<std::size_t>(index / (kSectorSize / kEntrySize))];
    const std::size_t at = static_cast<std::size_t>(index % (kSectorSize / kEntrySize)) * kEntrySize;
    return DecodeSlotDescriptor(std::span<const std::uint8_t, kDescriptorSize>(sector.data() + at, kDescriptorSize));
}

void TUploader::Fail(const Text& message)
{
    // Everything stops before the message: frames and timers go on while it is open, and a
    // watchdog still running would give up again and write the image a second time, empty.
    exchange_.Stop();
    result_ = UploadResult::Failed;
    Changed(); // a terminal ends its progress line before the message
    CloseImageFile(false);
    prompt_.error(message);
    Close();
}

void TUploader::Cancel()
{
    exchange_.Stop();
    if (result_ == UploadResult::Running) {
        result_ = UploadResult::Cancelled;
        CloseImageFile(false);
    }
    Close();
}

bool TUploader::CloseImageFile(bool complete)
{
    // Taken out first: whatever runs while a message below is open finds nothing to write again.
    const std::vector<std::uint8_t> records = std::move(image_);
    image_.clear();
    keptRecords_.reset();
    keptImagePath_ = complete ? imagePath_ : PartialImagePath(imagePath_);
    try {
        // An upload that read nothing leaves no empty file behind.
        if (!records.empty() || complete)
            writeFileAtomically(keptImagePath_, records);
    } catch (const Error& e) {
        prompt_.error(e.message());
        return false;
    }
    keptRecords_ = records.size() / (2 + kSectorSize);
    // What an earlier upload that stopped kept is no longer wanted beside a complete image.
    if (complete)
        removeFileIfThere(PartialImagePath(imagePath_));
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
