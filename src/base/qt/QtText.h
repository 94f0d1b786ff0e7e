#pragma once
// Texts, paths and messages at the Qt edge: each has its own pair of conversions.

#include "base/Paths.h"
#include "base/Text.h"

#include <QString>

namespace zr48 {

QString toQString(std::string_view text);
// Characters that Windows-1252 cannot hold become '?'.
Text fromQString(const QString& text);
// Whether every character of `text` has a Windows-1252 byte (line ends count as held).
bool fitsWindows1252(const QString& text);

// Paths keep the file system's own bytes (UTF-8), not Windows-1252: every path that crosses the
// Qt edge goes through these two.
QString pathToQString(std::string_view path);
Path pathFromQString(const QString& path);

// Messages to the user (a Prompt's, an Error's) are UTF-8.
QString messageToQString(std::string_view message);

} // namespace zr48
