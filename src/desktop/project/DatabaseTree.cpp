#include "desktop/project/DatabaseTree.h"

#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/SimpleIniFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <filesystem>
#include <locale.h>
#include <memory>
#include <unordered_map>

namespace zr48 {

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Letter case of UTF-8 text.

void encodeOne(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The C library's Unicode case table, for characters beyond the code page.
locale_t unicodeLocale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t upperCodePoint(char32_t c)
{
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
    if (const int byte = unicodeToCp1252(c); byte >= 0)
        return cp1252ToUnicode(upperChar(static_cast<unsigned char>(byte)));
    if (const locale_t locale = unicodeLocale())
        return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
    return c;
}

// ---------------------------------------------------------------------------------------------
// The listing walk: every folder below the root, its device files and the names of its text
// files, listed once.

bool isDeviceFile(std::string_view name)
{
    return sameText(extractFileExt(name), ".mpi");
}

bool isTextFile(std::string_view name)
{
    return sameText(extractFileExt(name), ".txt");
}

struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

std::optional<FolderId> folderId(const std::string& path)
{
    struct stat status {};
    if (::stat(toFsPath(path).c_str(), &status) != 0)
        return std::nullopt;
    return FolderId{status.st_dev, status.st_ino};
}

struct ListedFolder;

struct Listed {
    std::string name;
    std::unique_ptr<ListedFolder> folder; // null for a device file
};

struct ListedFolder {
    std::string path; // with a final separator
    std::vector<Listed> entries;
    // Stem -> name of the text file beside a device file ("TUNER" -> "TUNER.txt").
    std::unordered_map<std::string, std::string> descriptions;
    int deviceCount = 0;
};

void listFolder(ListedFolder& folder, std::vector<FolderId>& ancestors)
{
    std::error_code ec;
    for (fs::directory_iterator it(toFsPath(folder.path), ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = fromFsPath(it->path().filename());
        // Hidden entries, and the folder itself and its parent.
        if (name.empty() || name.front() == '.')
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            auto sub = std::make_unique<ListedFolder>();
            sub->path = folder.path + name + kNativeSeparator;
            // A link back into a folder being walked would never end.
            const auto id = folderId(sub->path);
            if (!id || std::find(ancestors.begin(), ancestors.end(), *id) != ancestors.end())
                continue;
            ancestors.push_back(*id);
            listFolder(*sub, ancestors);
            ancestors.pop_back();
            folder.deviceCount += sub->deviceCount;
            folder.entries.push_back({std::move(name), std::move(sub)});
        } else if (isDeviceFile(name)) {
            ++folder.deviceCount;
            folder.entries.push_back({std::move(name), nullptr});
        } else if (isTextFile(name)) {
            // "TUNER.txt" is the description of "TUNER.mpi"; "TUNER.TXT" only when there is no
            // "TUNER.txt".
            const std::string stem = changeFileExt(name, "");
            const bool exact = extractFileExt(name) == ".txt";
            if (exact || !folder.descriptions.contains(stem))
                folder.descriptions[stem] = name;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The building walk.

class Builder {
public:
    Builder(std::string_view search, const DatabaseProgress& progress) : search_(search), progress_(progress) {}

    void build(const ListedFolder& folder, std::vector<DatabaseNode>& out)
    {
        for (const Listed& listed : folder.entries) {
            if (listed.folder) {
                DatabaseNode node;
                node.kind = DatabaseNode::Kind::Folder;
                node.text = upperCaseUtf8(listed.name);
                build(*listed.folder, node.children);
                // A folder without a device file anywhere below it is left out.
                if (!node.children.empty())
                    out.push_back(std::move(node));
                continue;
            }
            DatabaseNode node = deviceNode(folder, listed.name);
            if (passesSearch(node.text, search_))
                out.push_back(std::move(node));
            ++position_;
            if (progress_.advanced)
                progress_.advanced(position_);
        }
    }

private:
    static DatabaseNode deviceNode(const ListedFolder& folder, const std::string& name)
    {
        DatabaseNode node;
        node.kind = DatabaseNode::Kind::Device;
        node.text = name;
        const std::string path = folder.path + name;
        // One read serves the entry and the text; a file that vanished or cannot be read gives a
        // node without a device file, which can be neither dropped nor edited.
        const auto bytes = tryReadFileBytes(path);
        if (!bytes)
            return node;
        const TSimpleIniFile ini(
            TSimpleIniFile::DecodeLines(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())));
        DEVICE_CONFIG& entry = node.entry;
        entry.DeviceType = static_cast<std::uint16_t>(ini.ReadInteger("DEVICE", 0));
        entry.DeviceName = ini.ReadString("NAME", "");
        entry.SourceSelect = static_cast<std::uint16_t>(ini.ReadInteger("SELECT", 0));
        entry.ConfigFile = path;
        if (const auto description = folder.descriptions.find(changeFileExt(name, ""));
            description != folder.descriptions.end())
            entry.DescriptionFile = folder.path + description->second;
        // A value never holds a line break, so "\n" tells a missing key from an empty value.
        const Text text = ini.ReadString("DESCRIPTION", "\n");
        if (text != "\n")
            node.text = toUtf8(text);
        return node;
    }

    std::string search_;
    const DatabaseProgress& progress_;
    int position_ = 0;
};

void sortLevels(std::vector<DatabaseNode>& nodes)
{
    std::stable_sort(nodes.begin(), nodes.end(), databaseOrder);
    for (DatabaseNode& node : nodes)
        sortLevels(node.children);
}

bool isKeldo(const DatabaseNode& node)
{
    return node.text.size() == 5 && upperCaseUtf8(node.text) == "KELDO";
}

} // namespace

int databaseIcon(const DatabaseNode& node, bool expanded)
{
    switch (node.kind) {
    case DatabaseNode::Kind::Folder: return expanded ? 28 : 27;
    case DatabaseNode::Kind::Device: return node.entry.DescriptionFile.empty() ? 29 : 30;
    case DatabaseNode::Kind::NoItems: break;
    }
    return -1;
}

std::string upperCaseUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : utf8Characters(text))
        encodeOne(upperCodePoint(c), out);
    return out;
}

bool passesSearch(std::string_view text, std::string_view search)
{
    if (search.empty())
        return true;
    const std::string upperText = upperCaseUtf8(text);
    const size_t at = upperText.find(upperCaseUtf8(search));
    if (at == std::string::npos)
        return false;
    if (at == 0)
        return true;
    // Only the first occurrence counts: it must begin a word.
    const char before = upperText[at - 1];
    return before == ' ' || before == '-' || before == '_';
}

bool databaseOrder(const DatabaseNode& a, const DatabaseNode& b)
{
    const bool keldoA = isKeldo(a);
    const bool keldoB = isKeldo(b);
    if (keldoA != keldoB)
        return keldoA;
    return a.text < b.text;
}

std::vector<DatabaseNode> buildDatabaseTree(const std::string& root, std::string_view search,
                                            const DatabaseProgress& progress)
{
    std::vector<DatabaseNode> nodes;
    std::string hint;
    if (root.empty()) {
        hint = "No database folder is set.";
    } else if (!directoryExists(root)) {
        hint = "The database folder \"" + root + "\" does not exist.";
    } else {
        ListedFolder top;
        top.path = includeTrailingDelimiter(root);
        std::vector<FolderId> ancestors;
        if (const auto id = folderId(top.path))
            ancestors.push_back(*id);
        listFolder(top, ancestors);
        if (progress.counted)
            progress.counted(top.deviceCount);
        Builder(search, progress).build(top, nodes);
        sortLevels(nodes);
        if (top.deviceCount == 0)
            hint = "The database folder \"" + root + "\" holds no device files (.mpi).";
        else if (nodes.empty())
            hint = "No device matches \"" + std::string(search) + "\".";
    }
    if (nodes.empty()) {
        DatabaseNode none;
        none.kind = DatabaseNode::Kind::NoItems;
        none.text = kNoItemsFound;
        none.hint = std::move(hint);
        nodes.push_back(std::move(none));
    }
    return nodes;
}

Text descriptionHint(const std::string& descriptionFile)
{
    if (descriptionFile.empty())
        return {};
    const auto bytes = tryReadFileBytes(descriptionFile);
    if (!bytes)
        return {};
    Text hint;
    for (const Text& line :
         TSimpleIniFile::DecodeLines(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())))
        hint += line + "\n";
    return hint;
}

Text databaseVersion(const std::string& databaseDir)
{
    constexpr size_t kLineBuffer = 127;
    const Text unknown = "Unknown";
    if (databaseDir.empty())
        return unknown;
    const auto bytes = tryReadFileBytes(includeTrailingDelimiter(databaseDir) + "version.txt");
    if (!bytes)
        return unknown;
    // One line as a text-mode read gives it: CR LF becomes a line break, which ends the line.
    Text line;
    for (size_t i = 0; i < bytes->size() && line.size() < kLineBuffer; ++i) {
        char c = static_cast<char>((*bytes)[i]);
        if (c == '\r' && i + 1 < bytes->size() && (*bytes)[i + 1] == '\n') {
            c = '\n';
            ++i;
        }
        line += c;
        if (c == '\n')
            break;
    }
    return line.empty() ? unknown : line;
}

} // namespace zr48
