#include "cli/CommandsLink.h"

#include "base/Error.h"
#include "link/Frames.h"
#include "link/LinkSpec.h"
#include "link/drivers/LinkDrivers.h"
#include "link/drivers/RealTimeLoop.h"

#include <optional>
#include <ostream>

namespace zr48::cli {

namespace {

constexpr int kConnectWaitMs = 3000;
constexpr int kVersionWaitMs = 1000;

int runStatus(Context& context, const Arguments& arguments)
{
    if (!arguments.empty()) {
        context.err << "zr48 status: takes no arguments; see 'zr48 help status'\n";
        return kExitUsage;
    }
    const auto spec = parseLinkSpec(context.options.link);
    if (!spec) {
        context.err << "zr48: unknown link '" << context.options.link << "'; use " << kLinkSpecHelp << "\n";
        return kExitUsage;
    }
    try {
        RealTimeLoop loop;
        LinkDriver driver(*spec, loop, [&loop] { return loop.nowUs(); });
        TimerRxThreadHost threads(loop);
        TUsbZR48 link(loop, driver.driver(), threads, {});
        return reportStatus(
            context.out, context.err, link,
            [&loop, &driver](const std::function<bool()>& done, int limitMs) {
                // Between timers, wait for the unit's bytes rather than sleep blindly.
                return loop.runUntil(done, limitMs, [&driver](int ms) { driver.driver().waitReadable(ms); });
            },
            driver.description());
    } catch (const Error& e) {
        context.err << "zr48 status: " << toUtf8(e.message()) << "\n";
        return kExitFailed;
    }
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
        err << "no ZR48 found: " << toUtf8(link.StatusText()) << " (looked for " << how << ")\n";
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
