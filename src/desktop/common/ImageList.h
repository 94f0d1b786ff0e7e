#pragma once
// The shared pictures of the main window: 40 positions of 16 x 16 pictures, used by the actions
// (tool bar and menus) and the database browser's tree (positions 27 to 30). Each picture that is
// used is an SVG file of our own, drawn on the 16 x 16 grid and rendered crisply at any size; where
// a freedesktop icon name fits and the desktop has an icon theme, the theme's icon is preferred.

#include <QIcon>

#include <array>

namespace zr48 {

class ImageList {
public:
    static constexpr int kCount = 40;
    // The database tree's positions.
    static constexpr int kFolderClosed = 27;
    static constexpr int kFolderOpen = 28;
    static constexpr int kDeviceFile = 29;
    static constexpr int kDeviceFileWithDescription = 30;

    // `useTheme` false keeps to our own pictures.
    explicit ImageList(bool useTheme = true);

    // The picture at `position`; a null icon for a position without one.
    QIcon icon(int position) const;
    // Our own picture at `position`, whatever the theme offers.
    QIcon ownIcon(int position) const;
    // The positions that have a picture.
    static std::vector<int> positions();

private:
    std::array<QIcon, kCount> icons_;
    std::array<QIcon, kCount> own_;
};

} // namespace zr48
