#include "link/drivers/AutoDriver.h"

namespace zr48 {

AutoDriver::AutoDriver(std::unique_ptr<FtDriver> first, std::unique_ptr<FtDriver> second)
    : first_(std::move(first)), second_(std::move(second)), active_(first_.get())
{}

FtStatus AutoDriver::openByDescription(const std::string& description)
{
    active_.load()->close();
    active_ = first_.get();
    const FtStatus status = first_->openByDescription(description);
    if (status != FT_DEVICE_NOT_FOUND || !second_)
        return status;
    active_ = second_.get();
    return second_->openByDescription(description);
}

} // namespace zr48
