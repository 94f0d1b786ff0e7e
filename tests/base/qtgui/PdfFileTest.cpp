// A PDF of a table longer than a page, read back page by page with pdftotext: no row is split
// over two pages, each page that goes on with the table starts with its header, and the closing
// line never stands alone on the last page.

#include "base/qtgui/PdfFile.h"
#include "support/PdfText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace zr48 {
namespace {

TEST(PdfFile, RowsStayWholeHeadersRepeatAndTheClosingLineHasCompany)
{
    // 40 rows of four lines each: several pages. The first page starts with a heading and some
    // text, so that the table starts low.
    std::string html = "<html><body><h1>Title</h1><p>Some words before the table.</p><h2>Rows</h2>"
                       "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">"
                       "<thead><tr><th>Head A</th><th>Head B</th></tr></thead><tbody>";
    constexpr int kRows = 40;
    for (int r = 1; r <= kRows; ++r) {
        const std::string n = "Row" + std::to_string(r);
        html += "<tr><td>" + n + "</td><td>" + n + "a<br>" + n + "b<br>" + n + "c<br>" + n + "d</td></tr>";
    }
    html += "</tbody></table><p>Closing line.</p></body></html>";
    test::TempDir dir;
    const std::string path = dir.text("rows.pdf");
    writeHtmlAsPdf(path, html, "Rows");

    std::vector<std::string> pages;
    for (int page = 1; page < 50; ++page) {
        const std::optional<std::string> text = test::pdfWords(path, page);
        if (!text)
            break;
        pages.push_back(*text);
    }
    if (pages.empty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    ASSERT_GE(pages.size(), 3u);

    const auto pageOf = [&pages](const std::string& words) {
        int found = -1;
        for (std::size_t p = 0; p < pages.size(); ++p)
            if ((pages[p] + " ").find(words + " ") != std::string::npos) {
                EXPECT_EQ(found, -1) << words << " is on two pages";
                found = static_cast<int>(p);
            }
        EXPECT_NE(found, -1) << words << " is on no page";
        return found;
    };
    for (int r = 1; r <= kRows; ++r) {
        const std::string n = "Row" + std::to_string(r);
        const int page = pageOf(n + "a");
        EXPECT_EQ(pageOf(n + "d"), page) << n << " is split";
        // A page after the first that holds rows starts with the table's header.
        if (page > 0) {
            const std::string& text = pages[static_cast<std::size_t>(page)];
            EXPECT_LT(text.find("Head A Head B "), text.find(n + " "))
                << "page " << page + 1 << ": " << text.substr(0, 40);
        }
    }
    const std::string& last = pages.back();
    EXPECT_NE(last.find("Closing line."), std::string::npos);
    EXPECT_NE(last.find("Row" + std::to_string(kRows) + "d"), std::string::npos) << "the closing line stands alone";
    // Every page says where it is.
    for (std::size_t p = 0; p < pages.size(); ++p)
        EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1) + " of " + std::to_string(pages.size())),
                  std::string::npos);
}

} // namespace
} // namespace zr48
