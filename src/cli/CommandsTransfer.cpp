#include "cli/CommandsTransfer.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/CommandsImage.h"
#include "cli/ProgressBar.h"
#include "cli/UnitSession.h"
#include "project/Compiler.h"
#include "tools/Downloader.h"
#include "tools/DownloaderVerifier.h"
#include "tools/Uploader.h"

#include <unistd.h>

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
        context.err << "zr48 download: " << e.message() << '\n';
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
        context.err << "zr48 download: verify failed: sector " << verifier.CurrentSector()
                    << " on the card differs from the image (first at byte " << verifier.FirstDifferingByte() << ")\n";
        return kExitFailed;
    default:
        context.err << "zr48 download: verify failed: the ZR48 did not answer when sector " << verifier.CurrentSector()
                    << " was read back\n";
        return kExitFailed;
    }
}

int runDownload(Context& context, const Arguments& arguments)
{
    std::string file;
    bool verify = false;
    for (const std::string& a : arguments) {
        if (a == "--verify")
            verify = true;
        else if (a.starts_with("-") || !file.empty()) {
            context.err << "Usage: zr48 download PROJECT.mpj|IMAGE.mpd [--verify]\n";
            return kExitUsage;
        } else
            file = a;
    }
    if (file.empty()) {
        context.err << "Usage: zr48 download PROJECT.mpj|IMAGE.mpd [--verify]\n";
        return kExitUsage;
    }
    const Path path = absolutePath(file);
    const Text ext = lowerCase(extractFileExt(path));
    if (ext != ".mpj" && ext != ".mpd") {
        context.err << "zr48 download: give a project file (.mpj) or an image file (.mpd), not '" << file << "'\n";
        return kExitUsage;
    }
    if (const auto reason = notAFileReason(path)) {
        const char* kind = ext == ".mpj" ? "project" : "image";
        if (*reason == kNoSuchFile)
            context.err << "zr48 download: there is no " << kind << " file '" << file << "'\n";
        else
            context.err << "zr48 download: '" << file << "' is not " << (ext == ".mpj" ? "a " : "an ") << kind
                        << " file: " << *reason << '\n';
        return kExitFailed;
    }
    Path imagePath = path;
    if (ext == ".mpj") {
        // A project goes to the unit only as a complete image.
        imagePath = changeFileExt(path, ".mpd");
        if (!CompileProject(path, context.prompt)) {
            context.err << "zr48 download: the project did not compile completely; nothing was written to the ZR48\n";
            return kExitFailed;
        }
        context.out << "Compiled: " << imagePath << '\n';
    }

    int exitCode = kExitOk;
    const auto session = openUnitSession(context, "download", exitCode);
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
    downloader.Start(imagePath);
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

int runUpload(Context& context, const Arguments& arguments)
{
    std::string file;
    bool force = false;
    for (const std::string& a : arguments) {
        if (a == "--force")
            force = true;
        else if (a.starts_with("-") || !file.empty()) {
            context.err << "Usage: zr48 upload NEW.mpj [--force]\n";
            return kExitUsage;
        } else
            file = a;
    }
    if (file.empty()) {
        context.err << "Usage: zr48 upload NEW.mpj [--force]\n";
        return kExitUsage;
    }
    const Path projectPath = absolutePath(file);
    if (lowerCase(extractFileExt(projectPath)) != ".mpj") {
        context.err << "zr48 upload: the new project's file name must end in .mpj, not '" << file << "'\n";
        return kExitUsage;
    }
    if (directoryExists(projectPath)) {
        context.err << "zr48 upload: '" << file << "' is a folder; give the new project's file name\n";
        return kExitUsage;
    }
    if (fileExists(projectPath) && !force) {
        context.err << "zr48 upload: the project '" << file << "' exists; add --force to replace it\n";
        return kExitFailed;
    }
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(extractFileDir(projectPath)), ec);
    if (ec) {
        context.err << "zr48 upload: cannot create the folder '" << extractFileDir(projectPath) << "': " << ec.message()
                    << '\n';
        return kExitFailed;
    }

    int exitCode = kExitOk;
    const auto session = openUnitSession(context, "upload", exitCode);
    if (!session)
        return exitCode;
    if (!session->connect(context.err))
        return kExitNoUnit;

    TUploader uploader(session->timers(), context.prompt);
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
    runWhile(*session, [&] { return uploader.Result() == UploadResult::Running; });
    endPhase(false);
    if (uploader.Result() != UploadResult::Finished)
        return kExitFailed; // the uploader has said why

    context.out << "Card read in " << seconds(session->elapsedSeconds() - start) << " into " << uploader.ImagePath()
                << ".\n"
                << describeWrittenProject(uploaded) << '\n';
    return kExitOk;
}

} // namespace

Command downloadCommand()
{
    return {"download", "PROJECT.mpj|IMAGE.mpd [--verify]", "Write a project or a card image into the ZR48's card.",
            "A project file is compiled first (as 'zr48 compile' does) and only a complete image is written.\n"
            "Each sector goes out as one frame; the ZR48 acknowledges it, silence is answered by a resend\n"
            "every 200 ms, and ten resends without an answer end the download.\n"
            "  --verify   then read every written sector back and compare it with the image; the first\n"
            "             sector that differs is reported.\n"
            "Exit status 0 when written (and verified), 1 when the download or the check failed, 2 when no\n"
            "ZR48 answered.",
            runDownload};
}

Command uploadCommand()
{
    return {"upload", "NEW.mpj [--force]", "Read the ZR48's card back into a new project.",
            "Reads the card's directory and menu sectors and the device files they name into NEW.mpd, then\n"
            "unpacks it beside it: NEW.mpj and one NEW_N.mpi per device (N the slot number). The folder is\n"
            "created when missing.\n"
            "  --force    replace an existing NEW.mpj (and the files of an earlier upload)\n"
            "Exit status 0 when the project is written, 1 when the upload failed, 2 when no ZR48 answered.",
            runUpload};
}

} // namespace zr48::cli
