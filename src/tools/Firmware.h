#pragma once
// The firmware updater: programs a firmware file into the ZR48 through its boot loader
// (BootStart until BootReady, then 480 blocks of 256 bytes, each acknowledged), then asks the unit
// for its version as every request is asked (resent, given up, two replies agreeing) and compares
// it with the image programmed; it asks the unit for its firmware version on request, and on every
// link connect recommends an update when the unit's version
// and the firmware file's differ. The window (or the terminal) renders `view()` and calls the
// handlers; frames arrive through `HandleFrame` and `ConnectNotice`.

#include "base/Prompt.h"
#include "base/Text.h"
#include "base/Timer.h"
#include "link/Exchange.h"
#include "link/FirmwareImage.h"
#include "link/SendFunction.h"
#include "tools/CheckPolicy.h"
#include "tools/StopAsker.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zr48 {

// What the firmware window shows.
struct FirmwareView {
    bool visible = false;
    Text fileName;                // EditFileName
    bool fileNameEnabled = false; // EditFileName and ButtonBrowse: expert mode only
    Text fileVersion = "Unknown"; // LabelVersion
    bool updateEnabled = true;    // ButtonUpdate
    int progressMaximum = 480;
    int progressPosition = 0;
};

class Firmware {
public:
    using Send = SendFunction;

    static constexpr std::size_t kImageSize = kFirmwareImageSize;
    static constexpr int kBlocks = 480;
    static constexpr int kBlockSize = 256;
    // What an update programs: the unit's flash as far as the boot loader writes it.
    static constexpr std::size_t kProgrammedBytes = std::size_t{kBlocks} * kBlockSize;
    static constexpr int kBootStartMs = 200;
    static constexpr int kBootProgramMs = 200;
    static constexpr int kBootErrorMs = 5000;
    // While programming, no acknowledgement for this long (the unit unplugged for a moment, or
    // switched off): the boot loader hand-over starts again, and the update gives up when the boot
    // loader then stays silent for kBootErrorMs.
    static constexpr int kBootSilenceMs = 5000;
    static constexpr int kCheckVersionMs = 200;
    static constexpr int kCheckFileMs = 1000;
    static constexpr const char* kUnknown = kUnknownFirmwareVersion;
    static constexpr const char* kDefaultFile = kShippedFirmwareFile;
    // The version text of the demonstration image that the build puts beside the programs for the
    // simulated unit; it is no firmware for a real ZR48.
    static constexpr const char* kDemoImageVersion = "R48+1.21 KELDO DEMO";
    // What is known after an update that stopped once programming had begun.
    static constexpr const char* kUpdateNotFinished =
        "The update did not finish.\nThe ZR48 may be in its boot loader or run its old firmware; run the update "
        "again.";

    enum class State { Idle, WaitingForBootLoader, Programming, ConfirmingVersion };
    // How the last update ended, for callers that wait for it (the command line). FileRefused: the
    // file failed its check and nothing was sent; UnitStoppedAnswering: programming had begun, and
    // after the unit went silent (or the link came back) its boot loader did not answer again: the
    // unit may be in its boot loader or run its old firmware. After the last block the unit's
    // version is asked: Finished when it is the image's, VersionDiffers when the unit reports
    // another, VersionUnanswered when no version came.
    enum class Outcome {
        None,
        Finished,
        FileUnreadable,
        FileRefused,
        BootLoaderUnreachable,
        UnitStoppedAnswering,
        VersionDiffers,
        VersionUnanswered
    };

    // Starts TimerCheckFile, which refreshes the file's version label once a second.
    Firmware(TimerFactory& timers, Prompt& prompt);
    ~Firmware();
    Firmware(const Firmware&) = delete;
    Firmware& operator=(const Firmware&) = delete;

    // Link setup: how frames go out.
    void SetLink(Send send) { send_ = std::move(send); }
    // Called when the main window would show the firmware window (the recommendation's "OK").
    std::function<void()> onShowRequest;
    // The file dialog of Browse: given its filter, the chosen existing file or nothing.
    std::function<std::optional<Text>(const Text& filter)> chooseFile;
    // Called whenever the view changes.
    std::function<void()> OnViewChanged;

    // The version text of a firmware image: from the last "R48+1" to the next zero byte (or the
    // end), "Unknown" without the marker.
    static Text ImageVersion(const std::vector<std::uint8_t>& image);
    // The version of the firmware file at `path` (at most its first 131,072 bytes); "Unknown" when
    // the file is missing or unreadable or carries no marker.
    static Text FileVersion(const Text& path);
    // Why the firmware file at `path` must not be programmed, as a sentence naming the file: it
    // cannot be read, is empty, is larger than the 480 blocks an update programs, or holds no
    // version text. Empty when the file may be programmed.
    static Text FileProblem(const Text& path);
    // The demonstration image carries no firmware for a real unit: programming it into one would
    // leave the unit unusable. True when `fileVersion` is its version and the unit is not simulated.
    static bool DemoImageForRealUnit(const Text& fileVersion, bool simulatedUnit);
    // The automatic check's rule: both versions known and different, letter case ignored.
    static bool UpdateRecommended(const Text& deviceVersion, const Text& fileVersion);

    // Frames from the dispatcher: BootReady, BootBlockAck and VersionReply.
    void HandleFrame(const std::uint8_t* payload, int length);
    // The link has just become connected: the automatic version check (not during an update).
    void ConnectNotice();

    // Handlers. `executableDir` is the folder of the running program.
    void FormCreate(const Text& executableDir);
    void FormShow(bool expert);
    void FormClose();
    // The window's Cancel, close button or Esc, or the program that quits: an update that runs
    // stops only when the user agrees (the unit would stay in its boot loader), and the message then
    // says what the unit holds and how to repair it. The update goes on while the question is open;
    // when it ends first, the question closes by itself and the update's own result shows. False
    // keeps the window open: the user continued, or the update ended while asked.
    bool CloseRequested(StopAsker asker = StopAsker::Dialog);
    // The question of CloseRequested: Enter continues.
    static Question StopQuestion(StopAsker asker);
    void EditFileNameChange(const Text& fileName);
    void ButtonBrowseClick();
    // Reads the named file and checks it (FileProblem); a file that fails is handled as `policy`
    // says: refused with the reason, asked about (Yes programs it anyway), or programmed as it is.
    void ButtonUpdateClick(CheckPolicy policy = CheckPolicy::Ask);
    void ButtonCheckVersionClick();
    void TimerBootStartTimer();
    void TimerBootProgramTimer();
    void TimerBootErrorTimer();
    void TimerManualCheckVersionTimer();
    void TimerAutoCheckVersionTimer();
    void TimerCheckFileTimer();

    void TimerBootSilenceTimer();

    // Sends VersionRequest and forgets the version known so far ("Unknown" until a reply).
    void RequestVersion();

    const FirmwareView& view() const { return view_; }
    State state() const { return state_; }
    Outcome outcome() const { return outcome_; }
    int currentBlock() const { return currentBlock_; }
    // The last version text the unit sent; empty before any request.
    const Text& deviceVersion() const { return deviceVersion_; }
    // The version text of the image the last update programmed.
    const Text& programmedVersion() const { return programmedVersion_; }

private:
    void sendBlock();
    // The unit is asked for its boot loader again; BootReady then programs from block 0.
    void RestartHandOver();
    // The last block is acknowledged: the unit's version is asked and compared with the image's.
    void ConfirmVersion();
    void VersionConfirmed(const Text& version);
    void VersionUnanswered();
    void changed();
    void send(const std::uint8_t* payload, std::size_t length);

    Prompt& prompt_;
    Send send_;
    std::unique_ptr<Timer> timerBootStart_;
    std::unique_ptr<Timer> timerBootProgram_;
    std::unique_ptr<Timer> timerBootError_;
    std::unique_ptr<Timer> timerManualCheckVersion_;
    std::unique_ptr<Timer> timerAutoCheckVersion_;
    std::unique_ptr<Timer> timerCheckFile_;
    std::unique_ptr<Timer> timerBootSilence_;
    // The image being programmed: the file read at Update, zeros beyond its end. The version scans
    // read files into buffers of their own, so a scan during an update never changes the blocks
    // still to be sent.
    std::vector<std::uint8_t> image_;
    bool imageLoaded_ = false;
    int currentBlock_ = 0;
    State state_ = State::Idle;
    Outcome outcome_ = Outcome::None;
    bool programmingBegan_ = false; // blocks of this update went out
    Exchange versionExchange_;
    Text programmedVersion_;
    Text deviceVersion_;
    bool autoCheckArmed_ = true;
    FirmwareView view_;
    OpenQuestion stopQuestion_; // "Stop the firmware update?" while it is open
};

} // namespace zr48
