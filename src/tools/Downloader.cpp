#include "tools/Downloader.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "link/Frames.h"
#include "project/CardFormat.h"
#include "project/Compiler.h"
#include "project/ImageCheck.h"

#include <algorithm>

namespace zr48 {

TDownloader::TDownloader(TimerFactory& timers, Prompt& prompt) : prompt_(prompt), exchange_(timers)
{
    exchange_.onReply = [this](std::span<const std::uint8_t>, int) { SendNextRecord(); };
    exchange_.onNoAnswer = [this] {
        Fail("Download failed.\n" + CardAfterStop() + "\nPlease check connection and/or memory card.\n");
    };
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
    exchange_.Stop();
    if (result_ == DownloadResult::Running)
        result_ = DownloadResult::Cancelled;
    image_.clear();
    plan_.clear();
    next_ = 0;
    imageSent_ = 0;
    recordCount_ = 0;
    bool directoryLast = false;
    try {
        // The check reads the file as a card image first, which also refuses one larger than a card.
        const Text problem = ImageFileProblem(imagePath);
        if (!problem.empty() && !GoOnDespite(prompt_, policy, problem, kWriteAnyway, kNothingWritten)) {
            result_ = DownloadResult::Refused;
            Close();
            return;
        }
        image_ = readFileBytes(imagePath);
        directoryLast = problem.empty();
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
    plan_ = SendOrder(image_, directoryLast);
    directoryLast_ = directoryLast;
    recordCount_ = plan_.size();
    imageRecords_ = image_.size() / kRecordSize;
    view_.ButtonOkEnabled = false;
    view_.ButtonCancelEnabled = true;
    view_.ProgressMax =
        static_cast<std::int64_t>(image_.size() + (recordCount_ - image_.size() / kRecordSize) * kRecordSize);
    view_.ProgressPosition = 0;
    view_.Label.clear();
    view_.Visible = true;
    result_ = DownloadResult::Running;
    SendNextRecord();
}

std::vector<TDownloader::Planned> TDownloader::SendOrder(const std::vector<std::uint8_t>& image, bool directoryLast)
{
    std::vector<Planned> plan;
    const std::size_t records = image.size() / kRecordSize;
    plan.reserve(records + kDirectorySectorCount);
    const auto number = [&image](std::size_t i) { return readLe16(image.data() + i * kRecordSize); };
    if (!directoryLast) {
        for (std::size_t i = 0; i < records; ++i)
            plan.push_back({number(i), static_cast<std::ptrdiff_t>(i * kRecordSize)});
        return plan;
    }
    for (int k = 0; k < kDirectorySectorCount; ++k)
        plan.push_back({static_cast<std::uint16_t>(k), -1});
    for (std::size_t i = 0; i < records; ++i)
        if (number(i) >= kDirectorySectorCount)
            plan.push_back({number(i), static_cast<std::ptrdiff_t>(i * kRecordSize)});
    for (std::size_t i = 0; i < records; ++i)
        if (number(i) < kDirectorySectorCount)
            plan.push_back({number(i), static_cast<std::ptrdiff_t>(i * kRecordSize)});
    return plan;
}

void TDownloader::SendNextRecord()
{
    if (next_ == plan_.size()) {
        Finish();
        return;
    }
    const Planned& record = plan_[next_];
    SectorWriteFrame write;
    write.sector = record.sector;
    if (record.at >= 0) {
        std::copy_n(image_.begin() + record.at + 2, kSectorSize, write.data.begin());
    } else {
        // The directory sector of a project without devices: every slot empty.
        TProjectFile empty;
        LayOutCard(empty);
        write.data = EncodeDirectorySector(empty, record.sector);
    }
    currentSector_ = write.sector;
    ++next_;
    imageSent_ += record.at >= 0 ? 1 : 0;
    exchange_.Ask(encode(write), {FrameType::SectorWriteAck, currentSector_, std::nullopt});
    view_.Label = "Writing sector " + std::to_string(currentSector_);
    view_.ProgressPosition = static_cast<std::int64_t>(next_ * kRecordSize);
    Changed();
}

void TDownloader::Finish()
{
    stopQuestion_.withdraw();
    exchange_.Stop();
    const std::size_t leftOver = image_.size() % kRecordSize;
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
    if (view_.Visible && result_ == DownloadResult::Running)
        exchange_.HandleFrame(payload, length);
}

Text TDownloader::CardAfterStop() const
{
    // The record in flight may or may not have reached the card; the ones before it were acknowledged.
    const std::size_t written = next_ > 0 ? next_ - 1 : 0;
    const std::size_t imageWritten = static_cast<std::size_t>(
        std::count_if(plan_.begin(), plan_.begin() + static_cast<std::ptrdiff_t>(std::min(written, plan_.size())),
                      [](const Planned& p) { return p.at >= 0; }));
    const std::string of = " of " + std::to_string(imageRecords_) + " sectors";
    if (written == 0)
        return "The ZR48 acknowledged none" + of +
               ": its card holds what it held, perhaps with the first sector of "
               "this image. Download it again.";
    if (directoryLast_ && imageWritten == 0)
        return "The ZR48's card holds " + std::to_string(written) + " of the " + std::to_string(kDirectorySectorCount) +
               " sectors of an empty directory written first: its directory names only device files that are there. "
               "Download it again.";
    return std::to_string(imageWritten) + of + " were written, so the ZR48's card holds part of the image" +
           (directoryLast_ ? "; its directory names only device files written whole" : "") + ". Download it again.";
}

void TDownloader::Fail(const Text& message)
{
    stopQuestion_.withdraw();
    exchange_.Stop();
    result_ = DownloadResult::Failed;
    Changed(); // a terminal ends its progress line before the message
    prompt_.error(message);
    Close();
}

void TDownloader::Cancel()
{
    exchange_.Stop();
    if (result_ == DownloadResult::Running)
        result_ = DownloadResult::Cancelled;
    Close();
}

Question TDownloader::StopQuestion(StopAsker asker)
{
    return stopTransferQuestion(
        asker, "Stop the download?\nThe ZR48 will hold an incomplete project.",
        "A download is running.\nQuitting stops it, and the ZR48 will hold an incomplete project.", "Stop Download");
}

bool TDownloader::RequestStop(StopAsker asker)
{
    if (result_ != DownloadResult::Running) {
        Cancel();
        return true;
    }
    // Frames and timers go on while the question is open; a download that ends meanwhile takes the
    // question back (Finish, Fail) and shows its own result, which no later answer may undo.
    const std::optional<Answer> answer = prompt_.ask(StopQuestion(asker), stopQuestion_);
    if (answer != Answer::Yes || result_ != DownloadResult::Running)
        return false;
    Cancel();
    prompt_.information("Download stopped.\n" + CardAfterStop());
    return true;
}

void TDownloader::Close()
{
    if (result_ == DownloadResult::Running) {
        Cancel();
        return;
    }
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
