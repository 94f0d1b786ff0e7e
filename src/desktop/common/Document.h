#pragma once
// What the main window knows of a document window, free of Qt: its kind, its window number, its
// title and the file it shows. The file commands, the enable rules and the frame dispatcher work
// on this; the windows themselves (TDocumentWindow) implement it.

#include <cstdint>
#include <string>

namespace zr48 {

enum class DocumentKind { ProjectWindow, TextEditor, SectorViewer, InfraredScope };

class Document {
public:
    virtual ~Document() = default;

    virtual DocumentKind kind() const = 0;
    // The number of document windows open when this one was created. It numbers the placeholder
    // names, and it is the window id of sector viewers and infrared scopes.
    virtual int windowNumber() const = 0;
    // The window title, UTF-8 (it shows paths with the file system's bytes). " *" in it marks
    // unsaved changes, "[Unnamed" an editor without a file of its own.
    virtual std::string title() const = 0;
    // The path of the file a project window or text editor shows, or its placeholder name; empty
    // for the other kinds.
    virtual std::string documentFile() const = 0;

    // Sector viewers and infrared scopes take the frames whose byte 1 equals their window id.
    bool takesFrames() const { return kind() == DocumentKind::SectorViewer || kind() == DocumentKind::InfraredScope; }
    virtual void HandleFrame(const std::uint8_t* /*payload*/, int /*length*/) {}
};

} // namespace zr48
