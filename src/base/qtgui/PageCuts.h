#pragma once
// Where the pages of a long document end: pure geometry over one column of laid-out content, so
// that it is tested without a painter. A page ends only where the content allows a break (between
// two lines, between two table rows); only content taller than a page is cut elsewhere. A page that
// continues a table repeats the table's header above its content.

#include <vector>

namespace zr48 {

struct PageBreak {
    double y = 0;
    int header = -1; // the header (index) the page starting here repeats; -1 for none
};

struct RepeatedHeader {
    double top = 0;
    double bottom = 0;
};

struct PageSpan {
    double from = 0; // the content of [from, to) goes on the page
    double to = 0;
    int header = -1; // the header drawn above it; -1 for none
    bool operator==(const PageSpan&) const = default;
};

// The pages of content `height` tall, each taking at most `pageHeight` (its header included).
std::vector<PageSpan> CutPages(double height, double pageHeight, std::vector<PageBreak> breaks,
                               const std::vector<RepeatedHeader>& headers);

} // namespace zr48
