#include "desktop/common/ImageList.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <memory>
#include <optional>

namespace zr48 {

namespace {

struct Picture {
    int position;
    const char* file;      // below :/icons/, without ".svg"
    const char* themeName; // freedesktop name, "" where none fits
};

// clang-format off
constexpr Picture kPictures[] = {
    {1,  "copy",                   "edit-copy"},
    {6,  "text-new",               "document-new"},
    {7,  "folder-open",            "document-open"},
    {8,  "save",                   "document-save"},
    {9,  "download",               ""},
    {10, "project-new",            ""},
    {20, "window-tile-vertical",   ""},
    {21, "window-cascade",         ""},
    {22, "window-tile-horizontal", ""},
    {23, "save-all",               ""},
    {24, "card-viewer",            ""},
    {25, "cut",                    "edit-cut"},
    {26, "paste",                  "edit-paste"},
    {27, "folder",                 "folder"},
    {28, "folder-open",            "folder-open"},
    {29, "device-file",            ""},
    {30, "device-file-described",  ""},
};
// clang-format on

// Renders an SVG picture at whatever size is asked, so it stays sharp on any screen.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(const QString& file) : file_(file) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, picture);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const QString key = QStringLiteral("zr48-icon:%1:%2x%3:%4")
                                .arg(file_)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(static_cast<int>(mode));
        QPixmap cached;
        if (QPixmapCache::find(key, &cached))
            return cached;
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            // The file is read at the first picture asked for, not at start-up.
            if (!renderer_)
                renderer_ = std::make_shared<QSvgRenderer>(file_);
            QPainter painter(&image);
            renderer_->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        QPixmap picture = QPixmap::fromImage(image);
        if (mode == QIcon::Disabled || mode == QIcon::Selected) {
            QStyleOption option;
            option.palette = QApplication::palette();
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        QPixmapCache::insert(key, picture);
        return picture;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SvgIconEngine(*this); }
    QString key() const override { return QStringLiteral("zr48-svg"); }

private:
    QString file_;
    std::shared_ptr<QSvgRenderer> renderer_;
};

// The desktop theme's icon of a name when the theme has one, otherwise ours. The theme is asked
// when the picture is first needed: a search through the theme's folders is no work for start-up.
class ThemedIconEngine : public QIconEngine {
public:
    ThemedIconEngine(QString name, QIcon own) : name_(std::move(name)), own_(std::move(own)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        resolved().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new ThemedIconEngine(*this); }
    QString key() const override { return QStringLiteral("zr48-themed"); }

private:
    const QIcon& resolved()
    {
        if (!resolved_) {
            const QIcon theme = QIcon::fromTheme(name_);
            resolved_ = theme.isNull() ? own_ : theme;
        }
        return *resolved_;
    }

    QString name_;
    QIcon own_;
    std::optional<QIcon> resolved_;
};

// Whether the desktop has an icon theme of its own. "hicolor", the fallback that every desktop
// has, holds programs' icons, not those of commands.
bool desktopHasIconTheme()
{
    const QString theme = QIcon::themeName();
    return !theme.isEmpty() && theme != QLatin1String("hicolor");
}

} // namespace

ImageList::ImageList(bool useTheme)
{
    const bool themed = useTheme && desktopHasIconTheme();
    for (const Picture& picture : kPictures) {
        const auto index = static_cast<std::size_t>(picture.position);
        own_[index] = QIcon(new SvgIconEngine(QStringLiteral(":/icons/%1.svg").arg(picture.file)));
        icons_[index] = themed && *picture.themeName
                            ? QIcon(new ThemedIconEngine(QString::fromLatin1(picture.themeName), own_[index]))
                            : own_[index];
    }
}

QIcon ImageList::icon(int position) const
{
    return position >= 0 && position < kCount ? icons_[static_cast<std::size_t>(position)] : QIcon();
}

QIcon ImageList::ownIcon(int position) const
{
    return position >= 0 && position < kCount ? own_[static_cast<std::size_t>(position)] : QIcon();
}

std::vector<int> ImageList::positions()
{
    std::vector<int> out;
    for (const Picture& picture : kPictures)
        out.push_back(picture.position);
    return out;
}

} // namespace zr48
