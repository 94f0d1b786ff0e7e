#include "desktop/common/PictureFile.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Prompt.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <string_view>

namespace zr48 {

void writePicture(const QImage& picture, const std::string& path, Prompt& prompt)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    try {
        writeFileAtomically(path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    } catch (const Error& error) {
        prompt.error(error.message());
    }
}

} // namespace zr48
