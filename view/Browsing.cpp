#include "view/Browsing.h"

#include <cctype>

#include "base/Paths.h"
#include "view/Names.h"

namespace tokimori {

std::string DriveOf(const std::vector<Volume>& drives, const std::string& path) {
    std::string best;
    for (const Volume& v : drives)
        if (VolumeHolds(v.root, path) && v.root.size() > best.size()) best = v.root;
    return best.empty() ? path : best;
}

Result<std::vector<FolderRow>> FolderRows(const std::string& folder) {
    auto subfolders = ListFolders(folder);
    if (!subfolders) return subfolders.error();
    // The ancestors, from the folder up to its root.
    std::vector<std::string> chain{folder};
    for (std::string up = GetParentPath(folder); !up.empty() && up != chain.back();
         up = GetParentPath(up))
        chain.push_back(up);
    std::vector<FolderRow> rows;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const bool root = it == chain.rbegin();
        const size_t cut = it->find_last_of(kSeparator);
        const std::string name = root || cut == std::string::npos ? *it : it->substr(cut + 1);
        rows.push_back({*it, DisplayName(name), static_cast<int>(rows.size()), true, false});
    }
    rows.back().current = true;
    const int depth = static_cast<int>(rows.size());
    for (const std::string& name : subfolders.value())
        rows.push_back({JoinPath(folder, name), DisplayName(name), depth, false, false});
    return rows;
}

Result<std::vector<FileEntry>> FileEntries(const std::string& folder, Listing kinds) {
    auto names = ListPhotos(folder, nullptr, kinds);
    if (!names) return names.error();
    std::vector<FileEntry> out;
    out.reserve(names->size());
    for (std::string& n : names.value()) {
        std::string shown = DisplayName(n);
        out.push_back({std::move(n), std::move(shown)});
    }
    return out;
}

namespace {

// Whether text begins with prefix, ignoring the letter case of ASCII letters.
bool StartsLike(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

} // namespace

int TypeToJump(const std::vector<std::string>& shown, int current, const std::string& typed) {
    if (shown.empty() || typed.empty()) return -1;
    std::string find = typed;
    bool sameLetter = find.size() > 1;
    for (const char c : find)
        sameLetter = sameLetter && std::tolower(static_cast<unsigned char>(c)) ==
                                       std::tolower(static_cast<unsigned char>(find[0]));
    if (sameLetter) find = find.substr(0, 1);
    const int n = static_cast<int>(shown.size());
    // A new search starts after the highlighted row; a longer one may stay on it.
    const int from = current < 0 ? 0 : current + (find.size() == 1 ? 1 : 0);
    for (int k = 0; k < n; ++k) {
        const int row = (from + k) % n;
        if (StartsLike(shown[static_cast<size_t>(row)], find)) return row;
    }
    return -1;
}

BrowseKey KeyDown(BrowseList list, int key, bool ctrl, bool shift, bool alt) {
    constexpr int kF5 = 116, kA = 65, kEnter = 13;
    BrowseKey k;
    switch (list) {
    case BrowseList::Drive:
        k.processEvents = true;
        k.refreshDrives = key == kF5;
        break;
    case BrowseList::Folder:
        if (key == kF5) k.refreshFiles = k.selectFirst = k.consumed = true;
        break;
    case BrowseList::File:
        if (key == kF5) {
            k.refreshDrives = k.refreshFolders = k.refreshFiles = k.selectFirst = k.consumed = true;
        } else if (key == kA && ctrl && !shift && !alt) {
            k.selectAll = k.consumed = true;
        } else if (key == kEnter) {
            k.processEvents = k.consumed = true;
        }
        break;
    }
    return k;
}

BrowseKey KeyPress(BrowseList list, int character) {
    BrowseKey k;
    if (list == BrowseList::Drive) return k;
    if (character == 8) k.up = k.consumed = true;
    if (character == 13 && list == BrowseList::Folder) k.open = k.consumed = true;
    return k;
}

} // namespace tokimori
