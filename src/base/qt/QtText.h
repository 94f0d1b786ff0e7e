#pragma once
// Windows-1252 text at the Qt edge.

#include "base/Text.h"

#include <QString>

namespace zr48 {

QString toQString(std::string_view text);
// Characters that Windows-1252 cannot hold become '?'.
Text fromQString(const QString& text);

} // namespace zr48
