#pragma once
// The table of drivers: what `--link TARGET` names, made ready for the link.

#include "base/DataDir.h"
#include "base/Timer.h"
#include "link/FtDriver.h"
#include "link/LinkTarget.h"
#include "link/drivers/ConverterList.h"
#include "sim/SimulatedDriver.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zr48 {

class CardLock;

class LinkDriver {
public:
    // Called with "the ZR48 on ... is in use by ..." before waiting for a simulator's card that
    // another program holds; unset: no waiting.
    using BeforeWaiting = std::function<void(const std::string&)>;

    // Throws zr48::Error when the simulator's card file cannot be read, LinkInUse when another
    // program holds it and `beforeWaiting` is unset. `timers` and `nowUs` run the simulator; they
    // must outlive the driver. The serial way looks for devices in `folders`. A new simulated unit
    // runs the firmware file shipped below `dataFolder`.
    LinkDriver(const LinkTarget& target, TimerFactory& timers, std::function<std::int64_t()> nowUs,
               const SerialSystemFolders& folders = {}, const Path& dataFolder = dataDir(),
               const BeforeWaiting& beforeWaiting = {});
    ~LinkDriver();

    FtDriver& driver() { return *driver_; }
    // The simulated unit behind `sim`, otherwise null.
    SimulatedUnit* simulated() { return simulated_.get(); }
    // How the unit is reached, for messages: "serial or libftdi1", "tty /dev/pts/3", ...
    const std::string& description() const { return description_; }

private:
    std::unique_ptr<CardLock> cardLock_; // held while the simulated unit lives
    std::unique_ptr<SimulatedUnit> simulated_;
    std::unique_ptr<FtDriver> driver_;
    std::string description_;
};

} // namespace zr48
