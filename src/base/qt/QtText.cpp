#include "base/qt/QtText.h"

#include <QList>

namespace zr48 {

QString toQString(std::string_view text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text)
        out += QChar(static_cast<char16_t>(cp1252ToUnicode(static_cast<unsigned char>(c))));
    return out;
}

Text fromQString(const QString& text)
{
    Text out;
    out.reserve(static_cast<size_t>(text.size()));
    for (const char32_t cp : text.toUcs4()) {
        const int byte = unicodeToCp1252(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

bool fitsWindows1252(const QString& text)
{
    for (const char32_t cp : text.toUcs4())
        if (cp != '\n' && unicodeToCp1252(cp) < 0)
            return false;
    return true;
}

QString pathToQString(std::string_view path)
{
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

Path pathFromQString(const QString& path)
{
    return path.toStdString();
}

QString messageToQString(std::string_view message)
{
    return QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
}

} // namespace zr48
