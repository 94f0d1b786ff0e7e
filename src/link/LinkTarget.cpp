#include "link/LinkTarget.h"

namespace zr48 {

std::optional<LinkTarget> parseLinkTarget(std::string_view target)
{
    if (target == "auto" || target.empty())
        return LinkTarget{LinkTarget::Kind::Auto, {}};
    if (target == "serial")
        return LinkTarget{LinkTarget::Kind::Serial, {}};
    if (target == "ftdi")
        return LinkTarget{LinkTarget::Kind::Ftdi, {}};
    if (target == "sim")
        return LinkTarget{LinkTarget::Kind::Sim, {}};
    if (target.starts_with("sim:") && target.size() > 4)
        return LinkTarget{LinkTarget::Kind::Sim, std::string(target.substr(4))};
    if (target.starts_with("tty:") && target.size() > 4)
        return LinkTarget{LinkTarget::Kind::Tty, std::string(target.substr(4))};
    return std::nullopt;
}

} // namespace zr48
