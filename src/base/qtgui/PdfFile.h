#pragma once
// A PDF file laid out by Qt from HTML (the subset Qt's rich text reads): A4 pages numbered "Page N
// of M", cut where the content allows (PageCuts): never inside a table row, never right after a
// heading, never before a last paragraph that would stand alone; a page that goes on with a table
// repeats its header rows (<thead>). Written through the atomic write. It needs Qt's graphics: in a program without an
// application object yet (the command-line tool) it makes one on the offscreen platform, which needs
// no display.

#include "base/Paths.h"

#include <string>

namespace zr48 {

// Throws zr48::Error naming the path when the file cannot be written.
void writeHtmlAsPdf(const Path& path, const std::string& html, const std::string& title);

} // namespace zr48
