#pragma once
// Windows-1252 text at the Qt edge.

#include "base/Text.h"

#include <QString>

namespace zr48 {

QString toQString(std::string_view text);
// Characters that Windows-1252 cannot hold become '?'.
Text fromQString(const QString& text);

// Paths keep the file system's own bytes (UTF-8), not Windows-1252: every path that crosses the
// Qt edge goes through these two.
QString pathToQString(std::string_view path);
std::string pathFromQString(const QString& path);

} // namespace zr48
