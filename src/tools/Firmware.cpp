#include "tools/Firmware.h"

#include "base/FileIo.h"
#include "base/Paths.h"
#include "link/FirmwareImage.h"
#include "link/Frames.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <utility>

namespace zr48 {

Firmware::Firmware(TimerFactory& timers, Prompt& prompt)
    : prompt_(prompt), timerBootStart_(timers.create()), timerBootProgram_(timers.create()),
      timerBootError_(timers.create()), timerManualCheckVersion_(timers.create(true)),
      timerAutoCheckVersion_(timers.create(true)), timerCheckFile_(timers.create()),
      timerBootSilence_(timers.create(true)), image_(kImageSize, 0), versionExchange_(timers, kCheckVersionMs)
{
    versionExchange_.onReply = [this](std::span<const std::uint8_t> reply, int) {
        VersionConfirmed(decodeVersionReply(FrameView(reply)).version);
    };
    versionExchange_.onNoAnswer = [this] { VersionUnanswered(); };
    versionExchange_.onUnsettled = [this] { VersionUnanswered(); };
    timerBootStart_->onTimeout = [this] { TimerBootStartTimer(); };
    timerBootProgram_->onTimeout = [this] { TimerBootProgramTimer(); };
    timerBootError_->onTimeout = [this] { TimerBootErrorTimer(); };
    timerManualCheckVersion_->onTimeout = [this] { TimerManualCheckVersionTimer(); };
    timerAutoCheckVersion_->onTimeout = [this] { TimerAutoCheckVersionTimer(); };
    timerCheckFile_->onTimeout = [this] { TimerCheckFileTimer(); };
    timerBootSilence_->onTimeout = [this] { TimerBootSilenceTimer(); };
    timerCheckFile_->start(kCheckFileMs);
}

Firmware::~Firmware() = default;

Text Firmware::ImageVersion(const std::vector<std::uint8_t>& image)
{
    return firmwareImageVersion(image);
}

Text Firmware::FileVersion(const Text& path)
{
    return firmwareFileVersion(path);
}

Text Firmware::FileProblem(const Text& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(toFsPath(path), error);
    const auto bytes = readFirmwareFile(path, kImageSize);
    if (error || !bytes)
        return "Unable to open firmware file.";
    const Text named = "The firmware file \"" + shownPath(path) + "\"";
    if (size == 0)
        return named + " is empty.";
    if (size > kProgrammedBytes)
        return named + " holds " + std::to_string(size) + " bytes; an update programs at most " +
               std::to_string(kProgrammedBytes) + " (" + std::to_string(kBlocks) + " blocks of " +
               std::to_string(kBlockSize) + " bytes).";
    if (sameText(ImageVersion(*bytes), kUnknown))
        return named + " holds no firmware version (no \"" + Text(kFirmwareVersionMarker) +
               "\" text): it is no ZR48 firmware.";
    return {};
}

bool Firmware::DemoImageForRealUnit(const Text& fileVersion, bool simulatedUnit)
{
    return !simulatedUnit && sameText(fileVersion, kDemoImageVersion);
}

bool Firmware::UpdateRecommended(const Text& deviceVersion, const Text& fileVersion)
{
    return !sameText(deviceVersion, kUnknown) && !sameText(fileVersion, kUnknown) &&
           !sameText(deviceVersion, fileVersion);
}

void Firmware::changed()
{
    if (OnViewChanged)
        OnViewChanged();
}

void Firmware::send(const std::uint8_t* payload, std::size_t length)
{
    if (send_)
        send_(std::span(payload, length));
}

void Firmware::HandleFrame(const std::uint8_t* payload, int length)
{
    const FrameView frame(payload, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (state_ == State::ConfirmingVersion && versionExchange_.HandleFrame(payload, length))
        return;
    if (frame.is(FrameType::BootReady)) {
        // Without an image read for an update there is nothing to program: a stray BootReady
        // would otherwise overwrite the unit's firmware with an empty image.
        if (!imageLoaded_)
            return;
        view_.progressMaximum = decodeBootReady(frame).count;
        currentBlock_ = 0;
        view_.progressPosition = 0;
        timerBootStart_->stop();
        timerBootError_->stop();
        timerBootProgram_->start(kBootProgramMs);
        timerBootSilence_->start(kBootSilenceMs);
        view_.updateEnabled = false;
        state_ = State::Programming;
        changed();
    } else if (frame.is(FrameType::BootBlockAck)) {
        if (state_ != State::Programming || decodeBootBlockAck(frame).block != currentBlock_)
            return;
        ++currentBlock_;
        view_.progressPosition = currentBlock_;
        timerBootProgram_->stop();
        timerBootSilence_->stop();
        if (currentBlock_ < kBlocks) {
            timerBootSilence_->start(kBootSilenceMs);
            timerBootProgram_->start(kBootProgramMs);
            sendBlock();
            changed();
            return;
        }
        timerBootProgram_->stop();
        state_ = State::ConfirmingVersion;
        // The card's firmware is written: stopping no longer matters, so the question goes.
        stopQuestion_.withdraw();
        changed(); // the full bar shows behind the message
        prompt_.information("Update finished.");
        // Frames and timers go on while the message is open: the window may have been closed.
        if (state_ == State::ConfirmingVersion)
            ConfirmVersion();
    } else if (frame.is(FrameType::VersionReply)) {
        deviceVersion_ = decodeVersionReply(frame).version;
    }
}

void Firmware::ConfirmVersion()
{
    deviceVersion_ = kUnknown;
    versionExchange_.SetLink(send_);
    versionExchange_.Ask(encode(VersionRequestFrame{}), {FrameType::VersionReply, std::nullopt, std::nullopt}, true);
}

void Firmware::VersionConfirmed(const Text& version)
{
    deviceVersion_ = version;
    state_ = State::Idle;
    view_.updateEnabled = true;
    changed();
    if (sameText(version, programmedVersion_)) {
        outcome_ = Outcome::Finished;
        return;
    }
    outcome_ = Outcome::VersionDiffers;
    prompt_.error("The ZR48 reports firmware version \"" + toUtf8(version) + "\" after the update, not \"" +
                  toUtf8(programmedVersion_) +
                  "\" of the file programmed: the new firmware does not run.\nRun the update again.");
}

void Firmware::VersionUnanswered()
{
    state_ = State::Idle;
    view_.updateEnabled = true;
    outcome_ = Outcome::VersionUnanswered;
    changed();
    prompt_.error("The ZR48 did not tell its firmware version after the update: whether it runs \"" +
                  toUtf8(programmedVersion_) + "\" is not known.\nCheck its cable, then Check Version.");
}

void Firmware::ConnectNotice()
{
    // During an update the link comes back through the boot loader's answer (the hand-over that
    // the silence started again); the unit is not asked for its version in the middle of it.
    if (state_ != State::Idle)
        return;
    if (!autoCheckArmed_)
        return;
    RequestVersion();
    timerAutoCheckVersion_->start(kCheckVersionMs);
    autoCheckArmed_ = false;
}

void Firmware::RequestVersion()
{
    const auto request = encode(VersionRequestFrame{});
    send(request.data(), request.size());
    deviceVersion_ = kUnknown;
}

void Firmware::FormCreate(const Text& executableDir)
{
    const Text path = includeTrailingDelimiter(executableDir) + kDefaultFile;
    if (fileExists(path))
        EditFileNameChange(path);
}

void Firmware::FormShow(bool expert)
{
    view_.visible = true;
    view_.fileNameEnabled = expert;
    changed();
}

Question Firmware::StopQuestion(StopAsker asker)
{
    return stopTransferQuestion(
        asker, "Stop the firmware update?\nThe ZR48 will stay in its boot loader with incomplete firmware.",
        "A firmware update is running.\nQuitting stops it, and the ZR48 will stay in its boot loader with incomplete "
        "firmware.",
        "Stop Update");
}

bool Firmware::CloseRequested(StopAsker asker)
{
    const auto updating = [this] { return state_ == State::WaitingForBootLoader || state_ == State::Programming; };
    if (updating()) {
        // Frames and timers go on while the question is open; an update that ends meanwhile takes
        // the question back and shows its own result, which no later answer may undo.
        if (prompt_.ask(StopQuestion(asker), stopQuestion_) != Answer::Yes || !updating())
            return false;
    }
    const State stopped = state_;
    const int blocks = currentBlock_;
    FormClose();
    if (stopped == State::Programming)
        prompt_.information("Firmware update stopped after " + std::to_string(blocks) + " of " +
                            std::to_string(kBlocks) +
                            " blocks.\nThe ZR48 stays in its boot loader with incomplete firmware until an update "
                            "completes: open Update Firmware and click Update again.");
    else if (stopped == State::WaitingForBootLoader)
        prompt_.information("Firmware update stopped before any block was programmed.\nShould the ZR48 not start "
                            "as usual, it waits in its boot loader: open Update Firmware and click Update again.");
    return true;
}

void Firmware::FormClose()
{
    // A stopped update leaves nothing behind: the window opens afresh next time.
    if (state_ != State::Idle) {
        view_.progressMaximum = kBlocks;
        view_.progressPosition = 0;
    }
    view_.visible = false;
    versionExchange_.Stop();
    timerBootStart_->stop();
    timerBootProgram_->stop();
    timerBootSilence_->stop();
    view_.updateEnabled = true;
    // The boot loader give-up keeps running: it still reports a boot loader that never answered.
    // A late acknowledgement no longer resumes programming; a BootReady still starts it over.
    state_ = State::Idle;
    changed();
}

void Firmware::EditFileNameChange(const Text& fileName)
{
    view_.fileName = fileName;
    view_.fileVersion = FileVersion(fileName);
    changed();
}

void Firmware::ButtonBrowseClick()
{
    if (!chooseFile)
        return;
    if (const auto chosen = chooseFile("ZR48 Binary File (*.bin)|*.bin"))
        EditFileNameChange(*chosen);
}

void Firmware::ButtonUpdateClick(CheckPolicy policy)
{
    const auto bytes = readFirmwareFile(view_.fileName, kImageSize);
    if (!bytes) {
        outcome_ = Outcome::FileUnreadable;
        prompt_.error("Unable to open firmware file.");
        return;
    }
    const Text problem = FileProblem(view_.fileName);
    if (!problem.empty() &&
        !GoOnDespite(prompt_, policy, problem, "Program it into the ZR48 anyway?", "Nothing was sent to the ZR48.")) {
        outcome_ = Outcome::FileRefused;
        return;
    }
    // Only the file's bytes go out: beyond its end the blocks carry zeros, never what an earlier
    // update's file left in the buffer.
    std::fill(image_.begin(), image_.end(), std::uint8_t{0});
    std::copy(bytes->begin(), bytes->end(), image_.begin());
    programmedVersion_ = ImageVersion(image_);
    imageLoaded_ = true;
    outcome_ = Outcome::None;
    programmingBegan_ = false;
    state_ = State::WaitingForBootLoader;
    timerBootStart_->start(kBootStartMs);
    timerBootError_->start(kBootErrorMs);
    view_.updateEnabled = false;
    changed();
}

void Firmware::ButtonCheckVersionClick()
{
    RequestVersion();
    timerManualCheckVersion_->start(kCheckVersionMs);
}

void Firmware::TimerBootStartTimer()
{
    const auto frame = encode(BootStartFrame{});
    send(frame.data(), frame.size());
}

void Firmware::TimerBootProgramTimer()
{
    sendBlock();
}

void Firmware::sendBlock()
{
    BootBlockFrame block;
    block.block = static_cast<std::uint16_t>(currentBlock_);
    const auto from = image_.begin() + static_cast<std::ptrdiff_t>(currentBlock_) * kBlockSize;
    std::copy(from, from + kBlockSize, block.data.begin());
    const auto frame = encode(block);
    send(frame.data(), frame.size());
}

void Firmware::TimerBootErrorTimer()
{
    timerBootError_->stop();
    timerBootStart_->stop();
    timerBootProgram_->stop();
    timerBootSilence_->stop();
    state_ = State::Idle;
    view_.updateEnabled = true;
    stopQuestion_.withdraw();
    if (programmingBegan_) {
        // Some blocks went out; which firmware the unit runs now is not known.
        outcome_ = Outcome::UnitStoppedAnswering;
        changed();
        prompt_.error(kUpdateNotFinished);
        return;
    }
    outcome_ = Outcome::BootLoaderUnreachable;
    changed();
    prompt_.error("Unable to connect to the ZR48 boot loader.");
}

void Firmware::TimerBootSilenceTimer()
{
    if (state_ != State::Programming)
        return;
    // Unplugged for a moment, or switched off: the unit is asked for its boot loader again, and
    // the update gives up only when that stays unanswered.
    RestartHandOver();
}

void Firmware::RestartHandOver()
{
    programmingBegan_ = programmingBegan_ || state_ == State::Programming;
    timerBootProgram_->stop();
    timerBootSilence_->stop();
    state_ = State::WaitingForBootLoader;
    timerBootStart_->start(kBootStartMs);
    timerBootError_->start(kBootErrorMs);
    view_.updateEnabled = false;
    changed();
}

void Firmware::TimerManualCheckVersionTimer()
{
    if (!sameText(deviceVersion_, kUnknown))
        prompt_.information("Firmware version of the ZR48 currently connected:\n" + toUtf8(deviceVersion_));
    else
        prompt_.error("Unable to retrieve version number.");
}

void Firmware::TimerAutoCheckVersionTimer()
{
    const Text fileVersion = FileVersion(view_.fileName);
    if (UpdateRecommended(deviceVersion_, fileVersion)) {
        const Answer answer = prompt_.show("We strongly recommend to update the Firmware\nof the ZR48 to the current "
                                           "Version of this Project Manager",
                                           Icon::Information, Buttons::OkCancel);
        if (answer == Answer::Ok && onShowRequest)
            onShowRequest();
    }
    autoCheckArmed_ = true;
}

void Firmware::TimerCheckFileTimer()
{
    Text version = FileVersion(view_.fileName);
    if (version == view_.fileVersion)
        return;
    view_.fileVersion = std::move(version);
    changed();
}

} // namespace zr48
