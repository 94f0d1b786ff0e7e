#pragma once
// Positions in the shared pictures (ImageList) that more than one window names, free of Qt so that
// the action table can name them too.

namespace zr48 {

// The card sector viewer: its action in the Tools menu and its windows.
inline constexpr int kCardViewerPicture = 24;

} // namespace zr48
