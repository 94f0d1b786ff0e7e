#include "cli/UnitSession.h"
#include "cli/Cli.h"

#include "base/DataDir.h"
#include "base/Error.h"
#include "link/Frames.h"
#include "link/drivers/DeviceLock.h"

#include <cstdio>
#include <ostream>

namespace zr48::cli {

UnitSession::UnitSession(const LinkTarget& target, bool virtualTime, const SerialSystemFolders& folders, SessionLog log,
                         bool waitForLink)
    : log_(log), waitForLink_(waitForLink)
{
    std::function<std::int64_t()> nowUs;
    if (virtualTime) {
        virtualTime_.emplace();
        timers_ = &*virtualTime_;
        nowUs = [this] { return virtualTime_->now() * 1000; };
    } else {
        realTime_.emplace();
        timers_ = &*realTime_;
        nowUs = [this] { return realTime_->nowUs(); };
    }
    LinkDriver::BeforeWaiting beforeWaiting;
    if (waitForLink)
        beforeWaiting = [this](const std::string& inUse) { sayWaiting(inUse); };
    driver_ = std::make_unique<LinkDriver>(target, *timers_, std::move(nowUs), folders, dataDir(), beforeWaiting);
    say("reaching the ZR48 through " + driver_->description());
    LinkTransport* driver = &driver_->driver();
    if (log_.err && log_.verbose >= 2) {
        tracing_ = std::make_unique<TracingDriver>(*driver, *log_.err, [this] { return elapsedSeconds(); });
        driver = tracing_.get();
    }
    threads_ = std::make_unique<TimerRxThreadHost>(*timers_);
    link_ =
        std::make_unique<TUsbZR48>(*timers_, *driver, *threads_, [this](const Text& status) { statusChanged(status); });
    statusChanged(link_->StatusText());
    link_->SetFrameHandler([this](const std::uint8_t* payload, int length) { dispatcher_.Dispatch(payload, length); });
}

UnitSession::~UnitSession()
{
    if (onSimulatedUnitDone && simulated())
        onSimulatedUnitDone(*simulated());
    statusChanged(link_->StatusText());
    if (link_->Connected() || link_->TxCount() > 0)
        say("link closed after " + std::to_string(link_->TxCount()) + " bytes sent and " +
            std::to_string(link_->RxCount()) + " received (keep-alives not counted)");
    // The link goes first: it stops its receive thread and closes the driver.
    link_.reset();
    threads_.reset();
    driver_.reset();
}

bool UnitSession::runUntil(const std::function<bool()>& done, int limitMs)
{
    if (virtualTime_)
        return virtualTime_->advanceUntil(done, limitMs);
    // Between timers, wait for the unit's bytes rather than sleep blindly.
    return realTime_->runUntil(done, limitMs, [this](int ms) { driver_->driver().waitReadable(ms); });
}

double UnitSession::elapsedSeconds() const
{
    return virtualTime_ ? static_cast<double>(virtualTime_->now()) / 1000.0
                        : static_cast<double>(realTime_->nowUs()) / 1e6;
}

void UnitSession::say(const std::string& line)
{
    if (log_.err && log_.verbose >= 1)
        *log_.err << kMessagePrefix << line << '\n';
}

void UnitSession::statusChanged(const Text& status)
{
    // The counts of a connected link change all the time; its state is what is said.
    const std::string text = toUtf8(status);
    const std::string state = text.starts_with("Connected") ? "Connected" : text;
    if (state == lastState_)
        return;
    lastState_ = state;
    char time[32];
    std::snprintf(time, sizeof time, "%.3f s", elapsedSeconds());
    say("link: " + state + " (at " + time + ")");
}

bool UnitSession::linkInUse() const
{
    return !link_->DeviceOpen() && link_->LastFailure().inUse;
}

void UnitSession::sayWaiting(const std::string& inUse)
{
    if (log_.err)
        *log_.err << kMessagePrefix << inUse << "; waiting for it\n";
}

bool UnitSession::connect(std::ostream& err)
{
    if (waitForLink_ && linkInUse()) {
        sayWaiting(link_->LastFailure().help);
        constexpr int kWaitSliceMs = 10000; // the link tries again every 3 s
        while (linkInUse())
            runUntil([this] { return !linkInUse(); }, kWaitSliceMs);
    }
    if (link_->DeviceOpen() && !link_->Connected()) {
        // A keep-alive's reply makes the connection without waiting for the link's own.
        link_->Send(encode(KeepAliveFrame{}));
        runUntil([this] { return link_->Connected(); }, kConnectWaitMs);
    }
    statusChanged(link_->StatusText());
    if (link_->Connected())
        return true;
    reportNoUnit(err, *link_, description());
    return false;
}

void reportNoUnit(std::ostream& err, TUsbZR48& link, const std::string& how)
{
    if (!link.DeviceOpen() && link.LastFailure().inUse) {
        err << kMessagePrefix << link.LastFailure().help << " ('--wait' waits until it is free)\n";
        return;
    }
    err << kMessagePrefix << "no ZR48 found: " << toUtf8(link.StatusText()) << " (looked for " << how << ")\n";
    err << prefixedLines(link.LastFailure().help);
}

std::unique_ptr<UnitSession> openUnitSession(Context& context, int& exitCode)
{
    const auto target = parseLinkTarget(context.options.link);
    if (!target) {
        context.err << "zr48: unknown link " << quotedName(context.options.link) << ""
                    << (context.options.linkOrigin == "--link" ? "" : " in " + context.options.linkOrigin) << "; use "
                    << kLinkTargetHelp << "\n";
        exitCode = kExitUsage;
        return nullptr;
    }
    try {
        auto session = std::make_unique<UnitSession>(
            *target, context.options.virtualTime, context.options.systemFolders,
            SessionLog{&context.err, context.options.verbose}, context.options.waitForLink);
        session->onSimulatedUnitDone = context.options.simulatedUnitDone;
        return session;
    } catch (const LinkInUse& e) {
        context.err << kMessagePrefix << e.message() << " ('--wait' waits until it is free)\n";
        exitCode = kExitNoUnit;
        return nullptr;
    } catch (const Error& e) {
        context.err << prefixedLines(e.message());
        exitCode = kExitFailed;
        return nullptr;
    }
}

std::unique_ptr<UnitSession> connectedSession(Context& context, int& exitCode)
{
    auto session = openUnitSession(context, exitCode);
    if (session && !session->connect(context.err)) {
        exitCode = kExitNoUnit;
        return nullptr;
    }
    if (session && session->simulated() && context.options.simulatedUnitReady)
        context.options.simulatedUnitReady(*session->simulated());
    return session;
}

void runWhile(UnitSession& session, const std::function<bool()>& running)
{
    constexpr int kRunSliceMs = 10000; // time is let pass in slices
    while (running())
        session.runUntil([&] { return !running(); }, kRunSliceMs);
}

ProgressBar::Mode barMode(const Context& context)
{
    return progressMode(context.err, context.options.quiet, context.options.virtualTime);
}

} // namespace zr48::cli
