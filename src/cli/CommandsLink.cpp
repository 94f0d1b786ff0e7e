#include "cli/CommandsLink.h"

#include "base/Error.h"
#include "cli/Cli.h"
#include "cli/UnitSession.h"
#include "link/Frames.h"
#include "link/LinkTarget.h"

#include <optional>
#include <ostream>

namespace zr48::cli {

namespace {

constexpr int kConnectWaitMs = 3000;
constexpr int kVersionWaitMs = 1000;

int runStatus(Context& context, const Arguments& arguments)
{
    if (!arguments.empty())
        return usageError(context, "status");
    int exitCode = kExitOk;
    const auto session = openUnitSession(context, exitCode);
    if (!session)
        return exitCode;
    return reportStatus(
        context.out, context.err, session->link(),
        [&session](const std::function<bool()>& done, int limitMs) { return session->runUntil(done, limitMs); },
        session->description());
}

} // namespace

int reportStatus(std::ostream& out, std::ostream& err, TUsbZR48& link, const RunUntil& runUntil, const std::string& how)
{
    std::optional<Text> version;
    const auto request = encode(VersionRequestFrame{});
    link.SetFrameHandler([&](const std::uint8_t* payload, int length) {
        if (payload && FrameView(payload, static_cast<std::size_t>(length)).is(FrameType::VersionReply))
            version = decodeVersionReply(FrameView(payload, static_cast<std::size_t>(length))).version;
    });
    // A converter that cannot be opened now is not tried again within the wait.
    if (link.DeviceOpen()) {
        link.Send(request); // its reply makes the connection without waiting for a keep-alive
        runUntil([&] { return link.Connected(); }, kConnectWaitMs);
    }
    if (!link.Connected()) {
        err << "zr48: no ZR48 found: " << toUtf8(link.StatusText()) << " (looked for " << how << ")\n";
        err << prefixedLines(link.LastFailure().help);
        return kExitNoUnit;
    }
    if (!version) {
        link.Send(request);
        runUntil([&] { return version.has_value(); }, kVersionWaitMs);
    }
    out << toUtf8(link.StatusText()) << "\n";
    out << "Firmware version: " << (version ? toUtf8(*version) : "Unknown") << "\n";
    return kExitOk;
}

Command statusCommand()
{
    return {"status", "", "Connect to the ZR48 and show the link state and its firmware version.",
            "Opens the link chosen by --link, waits up to 3 s for the ZR48 to answer and prints the link's\n"
            "status text and the unit's firmware version. Exit status 0 when connected, 2 when no ZR48\n"
            "answered.",
            runStatus};
}

} // namespace zr48::cli
