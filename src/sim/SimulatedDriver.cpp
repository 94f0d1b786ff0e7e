#include "sim/SimulatedDriver.h"

#include <algorithm>

namespace zr48 {

SimulatedDriver::SimulatedDriver(ZR48Simulator& unit) : unit_(unit)
{
    unit_.onOutput = [this] { takeOutput(); };
}

SimulatedDriver::~SimulatedDriver()
{
    unit_.onOutput = nullptr;
}

bool SimulatedDriver::alive() const
{
    return open_ && unit_.plugged() && unit_.plugGeneration() == generation_;
}

bool SimulatedDriver::isOpen() const
{
    return open_;
}

void SimulatedDriver::takeOutput()
{
    std::vector<std::uint8_t> bytes(unit_.hostAvailable());
    bytes.resize(unit_.hostRead(bytes.data(), bytes.size()));
    if (!alive())
        return; // nobody holds the line open: the bytes are lost
    {
        std::lock_guard lock(mutex_);
        received_.insert(received_.end(), bytes.begin(), bytes.end());
    }
    arrived_.notify_all();
}

FtStatus SimulatedDriver::openByDescription(const std::string& description)
{
    close();
    if (!unit_.plugged() || description != kZr48Description)
        return FT_DEVICE_NOT_FOUND;
    open_ = true;
    generation_ = unit_.plugGeneration();
    return FT_OK;
}

FtStatus SimulatedDriver::setBaudRate(std::uint32_t)
{
    return alive() ? FT_OK : FT_INVALID_HANDLE;
}

FtStatus SimulatedDriver::setDataCharacteristics(std::uint8_t, std::uint8_t, std::uint8_t)
{
    return alive() ? FT_OK : FT_INVALID_HANDLE;
}

FtStatus SimulatedDriver::setFlowControl(std::uint16_t)
{
    return alive() ? FT_OK : FT_INVALID_HANDLE;
}

FtStatus SimulatedDriver::setLatencyTimer(std::uint8_t ms)
{
    if (!alive())
        return FT_INVALID_HANDLE;
    unit_.setLatencyMs(std::max(1, int{ms}));
    return FT_OK;
}

std::size_t SimulatedDriver::queuedBytes()
{
    std::lock_guard lock(mutex_);
    if (!alive())
        received_.clear();
    return received_.size();
}

std::size_t SimulatedDriver::read(std::uint8_t* buffer, std::size_t n)
{
    std::lock_guard lock(mutex_);
    const std::size_t count = std::min(n, received_.size());
    std::copy_n(received_.begin(), count, buffer);
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void SimulatedDriver::write(const std::uint8_t* bytes, std::size_t n)
{
    if (alive())
        unit_.hostWrite(bytes, n);
}

bool SimulatedDriver::waitReadable(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !received_.empty(); });
}

void SimulatedDriver::close()
{
    std::lock_guard lock(mutex_);
    open_ = false;
    received_.clear();
}

} // namespace zr48
