#pragma once
// The database browser's logic, free of Qt: the walk over the device database folder into a tree of
// folders and device files, the search filter, the sort order, the description hint and the
// database version. TDatabaseForm shows the tree and forwards the user's actions.

#include "base/Text.h"
#include "project/ProjectFile.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

struct DatabaseNode {
    enum class Kind { Folder, Device, NoItems };
    Kind kind = Kind::Folder;
    // What the tree shows, UTF-8: a folder's name in upper case, a device file's description (its
    // file name when it has none), or "No items found".
    std::string text;
    // A device node's entry, ready to fill a slot; empty for the other kinds.
    DEVICE_CONFIG entry;
    std::vector<DatabaseNode> children;
    // Why the tree is empty, for the "No items found" node's hint.
    std::string hint;
};

inline constexpr const char* kNoItemsFound = "No items found";

// The picture position of a node in the shared image list: 27 a closed folder, 28 an open one,
// 29 a device file, 30 a device file with a description file; -1 for "No items found".
int databaseIcon(const DatabaseNode& node, bool expanded);

// Upper case, Unicode-aware (the characters of Windows-1252 as the Western locale maps them).
std::string upperCaseUtf8(std::string_view text);
// Whether the search word finds the text: its first occurrence, letter case ignored, begins the
// text or follows a blank, "-" or "_". An empty search word finds everything.
bool passesSearch(std::string_view text, std::string_view search);
// Sibling order: "KELDO" (any letter case) first, then by text in plain character order.
bool databaseOrder(const DatabaseNode& a, const DatabaseNode& b);

// How a refresh reports its progress: the number of device files, then one step per file.
struct DatabaseProgress {
    std::function<void(int count)> counted;
    std::function<void(int position)> advanced;
};

// The whole tree of the database folder `root` with the search word applied, every level sorted,
// folders without device files left out. An empty result is the single "No items found" node.
// Each device file is read once. Links into a folder that is being walked already (a loop) are not
// followed again; folders that cannot be listed count as empty.
std::vector<DatabaseNode> buildDatabaseTree(const std::string& root, std::string_view search,
                                            const DatabaseProgress& progress = {});

// The hint of a description file: each line followed by a line break; empty when it does not exist.
Text descriptionHint(const std::string& descriptionFile);

// The first line of "version.txt" in the database folder (at most 127 characters, its line end
// included), or "Unknown".
Text databaseVersion(const std::string& databaseDir);

} // namespace zr48
