#include "base/qtgui/PageCuts.h"

#include <algorithm>

namespace zr48 {

std::vector<PageSpan> CutPages(double height, double pageHeight, std::vector<PageBreak> breaks,
                               const std::vector<RepeatedHeader>& headers)
{
    constexpr double kSlack = 1e-6; // positions computed apart may differ in their last bits
    std::sort(breaks.begin(), breaks.end(), [](const PageBreak& a, const PageBreak& b) { return a.y < b.y; });
    std::vector<PageSpan> pages;
    double from = 0;
    int header = -1;
    while (from < height - kSlack) {
        double headerHeight = header >= 0 ? headers[static_cast<std::size_t>(header)].bottom -
                                                headers[static_cast<std::size_t>(header)].top
                                          : 0;
        // A header that takes half the page leaves too little for what it heads.
        if (headerHeight * 2 > pageHeight) {
            header = -1;
            headerHeight = 0;
        }
        const double limit = from + pageHeight - headerHeight;
        if (limit >= height - kSlack) {
            pages.push_back({from, height, header});
            break;
        }
        const PageBreak* best = nullptr;
        for (const PageBreak& b : breaks) {
            if (b.y > limit + kSlack)
                break;
            if (b.y > from + kSlack)
                best = &b;
        }
        if (!best) {
            // Content taller than a page: cut where the page ends.
            pages.push_back({from, limit, header});
            from = limit;
            header = -1;
            continue;
        }
        pages.push_back({from, best->y, header});
        from = best->y;
        header = best->header;
    }
    return pages;
}

} // namespace zr48
