#include "cli/CommandsTransfer.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/CommandsImage.h"
#include "cli/ProgressBar.h"
#include "cli/UnitSession.h"
#include "project/Compiler.h"
#include "project/ImageCheck.h"
#include "tools/Downloader.h"
#include "tools/DownloaderVerifier.h"
#include "tools/Uploader.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <ctime>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <ostream>

namespace zr48::cli {

namespace {

// Time is let pass in slices; every tool ends by itself (its watchdog gives up).
constexpr int kRunSliceMs = 10000;

// A bar redrawn in place only where standard error is a terminal.
bool onTerminal(const std::ostream& err)
{
    return err.rdbuf() == std::cerr.rdbuf() && isatty(STDERR_FILENO);
}

// Hands the tools' frames to the link and takes the dispatcher's receiver back when the command
// ends, so that no frame reaches a tool that is gone.
class DialogReceiver {
public:
    DialogReceiver(FrameDispatcher& dispatcher, FrameDispatcher::Dialog dialog, FrameDispatcher::Receiver receiver)
        : dispatcher_(dispatcher), dialog_(dialog)
    {
        dispatcher_.setDialogReceiver(dialog_, std::move(receiver));
    }
    ~DialogReceiver() { dispatcher_.setDialogReceiver(dialog_, {}); }
    DialogReceiver(const DialogReceiver&) = delete;
    DialogReceiver& operator=(const DialogReceiver&) = delete;

private:
    FrameDispatcher& dispatcher_;
    FrameDispatcher::Dialog dialog_;
};

void runWhile(UnitSession& session, const std::function<bool()>& running)
{
    while (running())
        session.runUntil([&] { return !running(); }, kRunSliceMs);
}

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

// --- download ------------------------------------------------------------------------------------

int readBack(Context& context, UnitSession& session, const Path& imagePath, TDownloadVerifier& verifier)
{
    Bytes image;
    try {
        image = readFileBytes(imagePath);
    } catch (const Error& e) {
        context.err << "zr48: " << e.message() << '\n';
        return kExitFailed;
    }
    ProgressBar bar(context.err, "sectors verified", onTerminal(context.err));
    const double start = session.elapsedSeconds();
    verifier.OnProgress = [&] {
        bar.update(static_cast<std::int64_t>(verifier.SectorsChecked()),
                   static_cast<std::int64_t>(verifier.SectorCount()), session.elapsedSeconds() - start);
    };
    verifier.Start(image);
    runWhile(session, [&] { return verifier.Result() == VerifyResult::Running; });
    bar.finish();
    switch (verifier.Result()) {
    case VerifyResult::Same:
        context.out << "Verified: the " << verifier.SectorCount() << " sectors on the card match the image.\n";
        return kExitOk;
    case VerifyResult::Differs:
        context.err << "zr48: verify failed: sector " << verifier.CurrentSector()
                    << " on the card differs from the image (first at byte " << verifier.FirstDifferingByte() << ")\n";
        return kExitFailed;
    default:
        context.err << "zr48: verify failed: the ZR48 did not answer when sector " << verifier.CurrentSector()
                    << " was read back\n";
        return kExitFailed;
    }
}

int runDownload(Context& context, const Arguments& arguments)
{
    std::string file;
    bool verify = false;
    bool force = false;
    for (const std::string& a : arguments) {
        if (a == "--verify")
            verify = true;
        else if (a == "--force")
            force = true;
        else if (a.starts_with("-") || !file.empty())
            return usageError(context, "download");
        else
            file = a;
    }
    if (file.empty())
        return usageError(context, "download");
    const Path path = absolutePath(file);
    const Text ext = lowerCase(extractFileExt(path));
    if (ext != ".mpj" && ext != ".mpd") {
        context.err << "zr48: give a project file (.mpj) or an image file (.mpd), not '" << file << "'\n";
        return kExitUsage;
    }
    if (const auto reason = notAFileReason(path)) {
        const char* kind = ext == ".mpj" ? "project" : "image";
        if (*reason == kNoSuchFile)
            context.err << "zr48: there is no " << kind << " file '" << file << "'\n";
        else
            context.err << "zr48: '" << file << "' is not " << (ext == ".mpj" ? "a " : "an ") << kind
                        << " file: " << *reason << '\n';
        return kExitFailed;
    }
    Path imagePath = path;
    if (ext == ".mpj") {
        // A project goes to the unit only as a complete image.
        imagePath = changeFileExt(path, ".mpd");
        if (!CompileProject(path, context.prompt)) {
            context.err << "zr48: the project did not compile completely; nothing was written to the ZR48\n";
            return kExitFailed;
        }
        context.out << "Compiled: " << imagePath << '\n';
    }
    // Checked before the unit is asked for: a damaged image never reaches the card, and a wrong
    // file does not wait for a unit.
    try {
        const Text problem = ImageFileProblem(imagePath);
        if (!problem.empty() && !force) {
            context.err << "zr48: " << problem
                        << "\nzr48: nothing was written to the ZR48; add --force to write it anyway\n";
            return kExitFailed;
        }
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }

    int exitCode = kExitOk;
    const auto session = openUnitSession(context, exitCode);
    if (!session)
        return exitCode;
    if (!session->connect(context.err))
        return kExitNoUnit;

    TDownloader downloader(session->timers(), context.prompt);
    TDownloadVerifier verifier(session->timers());
    const SendFunction send = [&session](std::span<const std::uint8_t> payload) { session->link().Send(payload); };
    downloader.SetLink(send);
    verifier.SetLink(send);
    const DialogReceiver receiver(session->dispatcher(), FrameDispatcher::Dialog::Downloader,
                                  [&](const std::uint8_t* payload, int length) {
                                      downloader.HandleFrame(payload, length);
                                      verifier.HandleFrame(payload, length);
                                  });

    ProgressBar bar(context.err, "sectors", onTerminal(context.err));
    const double start = session->elapsedSeconds();
    downloader.OnViewChanged = [&] {
        const auto count = static_cast<std::int64_t>(downloader.RecordCount());
        const double elapsed = session->elapsedSeconds() - start;
        if (downloader.Result() == DownloadResult::Running) {
            // The record just sent is not written yet.
            bar.update(static_cast<std::int64_t>(downloader.RecordsSent()) - 1, count, elapsed);
            return;
        }
        if (downloader.Result() == DownloadResult::Finished)
            bar.update(count, count, elapsed);
        bar.finish(); // before any message
    };
    downloader.Start(imagePath, force ? CheckPolicy::Force : CheckPolicy::Refuse);
    runWhile(*session, [&] { return downloader.Result() == DownloadResult::Running; });
    bar.finish();
    if (downloader.Result() != DownloadResult::Finished)
        return kExitFailed; // the downloader has said why
    context.out << toUtf8(downloader.View().Label) << " " << downloader.RecordCount() << " sectors written in "
                << seconds(session->elapsedSeconds() - start) << ".\n";
    downloader.ButtonCancelClick(); // the dialog's OK
    return verify ? readBack(context, *session, imagePath, verifier) : kExitOk;
}

// --- upload --------------------------------------------------------------------------------------

// Ctrl-C while a card is read: held back for the time of the upload and noticed between timers,
// so that the upload ends as its Cancel button ends it and keeps what it has read.
class CtrlC {
public:
    CtrlC()
    {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    }
    ~CtrlC()
    {
        if (pressed()) {
            const timespec none{};
            sigtimedwait(&set_, nullptr, &none); // handled: the upload was cancelled
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    CtrlC(const CtrlC&) = delete;
    CtrlC& operator=(const CtrlC&) = delete;

    bool pressed() const
    {
        sigset_t pending;
        sigpending(&pending);
        return sigismember(&pending, SIGINT) == 1;
    }

private:
    sigset_t set_{};
    sigset_t previous_{};
};

// Where an upload that did not finish left what it read.
void reportKeptImage(Context& context, const TUploader& uploader, bool interrupted)
{
    const std::string path = "'" + uploader.ImagePath() + "'";
    context.err << "zr48: " << (interrupted ? "upload interrupted; " : "");
    const auto records = uploader.KeptRecords();
    if (!records)
        context.err << "nothing read was kept: the image file " << path << " could not be written\n";
    else if (*records == 0)
        context.err << "no sector was read (" << path << " is empty)\n";
    else
        context.err << "the " << *records << (*records == 1 ? " sector" : " sectors") << " read"
                    << (interrupted ? " so far" : "") << (*records == 1 ? " is" : " are") << " kept in " << path
                    << " (not unpacked into a project)\n";
}

int runUpload(Context& context, const Arguments& arguments)
{
    std::string file;
    bool force = false;
    bool verify = false;
    for (const std::string& a : arguments) {
        if (a == "--force")
            force = true;
        else if (a == "--verify")
            verify = true;
        else if (a.starts_with("-") || !file.empty())
            return usageError(context, "upload");
        else
            file = a;
    }
    if (file.empty())
        return usageError(context, "upload");
    const Path projectPath = absolutePath(file);
    if (lowerCase(extractFileExt(projectPath)) != ".mpj") {
        context.err << "zr48: the new project's file name must end in .mpj, not '" << file << "'\n";
        return kExitUsage;
    }
    if (directoryExists(projectPath)) {
        context.err << "zr48: '" << file << "' is a folder; give the new project's file name\n";
        return kExitUsage;
    }
    if (fileExists(projectPath) && !force) {
        context.err << "zr48: the project '" << file << "' exists; add --force to replace it\n";
        return kExitFailed;
    }
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(extractFileDir(projectPath)), ec);
    if (ec) {
        context.err << "zr48: cannot create the folder '" << extractFileDir(projectPath) << "': " << ec.message()
                    << '\n';
        return kExitFailed;
    }

    const CtrlC ctrlC; // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = openUnitSession(context, exitCode);
    if (!session)
        return exitCode;
    if (!session->connect(context.err))
        return kExitNoUnit;

    TUploader uploader(session->timers(), context.prompt);
    uploader.SetVerify(verify);
    uploader.SetLink([&session](std::span<const std::uint8_t> payload) { session->link().Send(payload); });
    const DialogReceiver receiver(
        session->dispatcher(), FrameDispatcher::Dialog::Uploader,
        [&uploader](const std::uint8_t* payload, int length) { uploader.HandleFrame(payload, length); });

    // Two bars: the directory and menu sectors, then the device files, whose size the directory gives.
    std::unique_ptr<ProgressBar> bar;
    bool directoryBar = false;
    double phaseStart = 0;
    std::int64_t phaseSectors = 0;
    // Ends the bar of a phase, full when the phase is complete.
    const auto endPhase = [&](bool complete) {
        if (!bar)
            return;
        if (complete)
            bar->update(phaseSectors, phaseSectors, session->elapsedSeconds() - phaseStart);
        bar->finish();
        bar.reset();
    };
    uploader.OnViewChanged = [&] {
        if (uploader.Result() != UploadResult::Running) {
            endPhase(uploader.Result() == UploadResult::Unpacking);
            return;
        }
        const bool directory = uploader.ReadingDirectory();
        if (!bar || directory != directoryBar) {
            endPhase(true);
            bar = std::make_unique<ProgressBar>(context.err, directory ? "directory sectors" : "device file sectors",
                                                onTerminal(context.err));
            directoryBar = directory;
            phaseStart = session->elapsedSeconds();
        }
        const UploaderView& view = uploader.View();
        phaseSectors = directory ? TUploader::kFirstSectors : view.ProgressMax;
        // Each position counts a request; the one in flight is not read yet.
        bar->update(view.ProgressPosition - 1, phaseSectors, session->elapsedSeconds() - phaseStart);
    };
    Path uploaded;
    const double start = session->elapsedSeconds();
    uploader.Start(projectPath, [&uploaded](const Path& path) { uploaded = path; });
    const bool started = uploader.Result() == UploadResult::Running;
    bool interrupted = false;
    runWhile(*session, [&] {
        if (uploader.Result() == UploadResult::Running && ctrlC.pressed()) {
            interrupted = true;
            endPhase(false);
            uploader.ButtonCancelClick();
        }
        return uploader.Result() == UploadResult::Running;
    });
    endPhase(false);
    if (uploader.Result() != UploadResult::Finished) {
        if (started) // the uploader has said why; where is what it read
            reportKeptImage(context, uploader, interrupted);
        return kExitFailed;
    }

    context.out << "Card read in " << seconds(session->elapsedSeconds() - start) << " into " << uploader.ImagePath();
    if (verify)
        context.out << " (every sector read twice; " << uploader.SectorsReadAgain()
                    << " read again until two reads agreed)";
    context.out << ".\n" << describeWrittenProject(uploaded) << '\n';
    return kExitOk;
}

} // namespace

Command downloadCommand()
{
    return {"download", "PROJECT.mpj|IMAGE.mpd [--verify] [--force]",
            "Write a project or a card image into the ZR48's card.",
            "A project file is compiled first (as 'zr48 compile' does) and only a complete image is written.\n"
            "Each sector goes out as one frame; the ZR48 acknowledges it, silence is answered by a resend\n"
            "every 200 ms, and ten resends without an answer end the download.\n"
            "The image is checked first, as 'zr48 inspect' does: a damaged one is refused with its first\n"
            "problem named, and nothing is sent.\n"
            "  --verify   then read every written sector back and compare it with the image; the first\n"
            "             sector that differs is reported.\n"
            "  --force    write a damaged image all the same\n"
            "Exit status 0 when written (and verified), 1 when the download or the check failed, 2 when no\n"
            "ZR48 answered.",
            runDownload};
}

Command uploadCommand()
{
    return {"upload", "NEW.mpj [--verify] [--force]", "Read the ZR48's card back into a new project.",
            "Reads the card's directory and menu sectors and the device files they name into NEW.mpd, then\n"
            "unpacks it beside it: NEW.mpj and one NEW_N.mpi per device (N the slot number). The folder is\n"
            "created when missing. An upload that stops (no answer, Ctrl-C, a disk that is full) says where\n"
            "it kept the sectors read so far.\n"
            "  --verify   read every sector twice, and again until two reads agree: frames carry no\n"
            "             checksum, so a byte changed on the line would otherwise go into the project\n"
            "  --force    replace an existing NEW.mpj (and the files of an earlier upload)\n"
            "Exit status 0 when the project is written, 1 when the upload failed, 2 when no ZR48 answered.",
            runUpload};
}

} // namespace zr48::cli
