#include "cli/UnitSession.h"
#include "cli/Cli.h"

#include "base/Error.h"
#include "link/Frames.h"

#include <ostream>

namespace zr48::cli {

UnitSession::UnitSession(const LinkTarget& target, bool virtualTime)
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
    driver_ = std::make_unique<LinkDriver>(target, *timers_, std::move(nowUs));
    threads_ = std::make_unique<TimerRxThreadHost>(*timers_);
    link_ = std::make_unique<TUsbZR48>(*timers_, driver_->driver(), *threads_, TUsbZR48::StatusSink{});
    link_->SetFrameHandler([this](const std::uint8_t* payload, int length) { dispatcher_.Dispatch(payload, length); });
}

UnitSession::~UnitSession()
{
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

bool UnitSession::connect(std::ostream& err)
{
    if (link_->DeviceOpen() && !link_->Connected()) {
        // A keep-alive's reply makes the connection without waiting for the link's own.
        link_->Send(encode(KeepAliveFrame{}));
        runUntil([this] { return link_->Connected(); }, kConnectWaitMs);
    }
    if (link_->Connected())
        return true;
    err << "zr48: no ZR48 found: " << toUtf8(link_->StatusText()) << " (looked for " << description() << ")\n";
    err << prefixedLines(link_->LastFailure().help);
    return false;
}

std::unique_ptr<UnitSession> openUnitSession(Context& context, int& exitCode)
{
    const auto target = parseLinkTarget(context.options.link);
    if (!target) {
        context.err << "zr48: unknown link '" << context.options.link << "'; use " << kLinkTargetHelp << "\n";
        exitCode = kExitUsage;
        return nullptr;
    }
    try {
        return std::make_unique<UnitSession>(*target, context.options.virtualTime);
    } catch (const Error& e) {
        context.err << "zr48: " << e.message() << "\n";
        exitCode = kExitFailed;
        return nullptr;
    }
}

} // namespace zr48::cli
