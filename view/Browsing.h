#pragma once
// Browsing in the main window: the drive list, the folder list and the file list, and what each
// of their keys does. The lists are chained: a new drive opens its folder in the folder list; a
// new folder lists its photos in the file list, shows its path in the status bar and shows its
// drive in the drive list; a new file list selects its first photo (or empties the information
// panel and the thumbnail when there is none). Paths and names are bytes as the file system
// has them; each entry carries the text it is shown as.

#include <string>
#include <vector>

#include "base/Paths.h"
#include "base/RunError.h"
#include "base/Volumes.h"

namespace tokimori {

// The listed drive that holds path (the longest root that heads it); path itself when none does.
std::string DriveOf(const std::vector<Volume>& drives, const std::string& path);

struct FolderRow {
    std::string path;  // the folder, as the file system names it
    std::string shown; // its name as shown (a root shows its path)
    int indent = 0;    // depth below the root
    bool open = false; // the current folder or one above it: shown as an open folder
    bool current = false;
};
// The folder list for folder: its ancestors from the root down and itself (open, the last of
// them current), then its visible subfolders (closed), sorted by name. Error when the folder
// cannot be listed.
Result<std::vector<FolderRow>> FolderRows(const std::string& folder);

struct FileEntry {
    std::string name;  // as the file system names it
    std::string shown; // as shown
};
// The photos of folder ("*.jpg;*.jpeg", any letter case; or every photo and movie), sorted by
// name.
Result<std::vector<FileEntry>> FileEntries(const std::string& folder,
                                           Listing kinds = Listing::Jpeg);

// Type-to-jump: the row whose shown name begins with what was typed, searching on from the
// current row (a first letter moves on past it; the same letter typed again moves to the next
// row with it), or -1.
int TypeToJump(const std::vector<std::string>& shown, int current, const std::string& typed);

// What a key does in one of the lists (virtual-key codes: F5 116, A 65, Enter 13; characters:
// Backspace 8, Enter 13).
enum class BrowseList { Drive, Folder, File };
struct BrowseKey {
    bool processEvents = false; // let the window system handle what waits
    bool refreshDrives = false, refreshFolders = false, refreshFiles = false;
    bool selectFirst = false; // then, if the file list holds a photo, select its first
    bool selectAll = false;
    bool up = false;   // the folder list goes to the parent folder
    bool open = false; // the folder list opens its highlighted folder
    bool consumed = false;
};
BrowseKey KeyDown(BrowseList list, int virtualKey, bool ctrl, bool shift, bool alt);
BrowseKey KeyPress(BrowseList list, int character);

} // namespace tokimori
