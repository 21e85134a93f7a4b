#pragma once
// Drive roots, parent folders and the presence check of a folder.
//
// Windows-form paths ("C:\Photos\2006", "\\server\share\dir") are cut at "\"; on POSIX systems
// the native form is "/"-separated with "/" as the one root. The path operations only cut
// text; they never touch the file system.

#include <filesystem>
#include <string>
#include <vector>

#include "base/RunError.h"

namespace tokimori {

enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativeStyle = PathStyle::Windows;
inline constexpr char kSeparator = '\\';
#else
inline constexpr PathStyle kNativeStyle = PathStyle::Posix;
inline constexpr char kSeparator = '/';
#endif

// The path up to and including its first separator: "C:\a\b" gives "C:\"; "\\server\share"
// gives "\". On POSIX every absolute path gives "/".
std::string GetDriveRoot(const std::string& path, PathStyle style = kNativeStyle);

// The path before its last separator; a two-character head (a drive "C:") gets its "\" back,
// so going up from "C:\" stays there. On POSIX the parent of "/a" and of "/" is "/".
std::string GetParentPath(const std::string& path, PathStyle style = kNativeStyle);

// The path made absolute against the current folder, "." parts taken out; ".." parts and
// symbolic links are left as they are, so the path names the same file as before.
std::string AbsolutePath(const std::string& path);

// folder + separator + name, the separator only when folder does not already end in one.
std::string JoinPath(const std::string& folder, const std::string& name);

enum class FolderPresence { Present, Absent };

// Present: the folder (or a file of that name) is there; for a drive root, the root holds at
// least one entry. Absent: it was deleted or moved. Error 52: its drive or mount cannot be
// reached (a removed card, a volume no longer mounted, an unreadable device).
Result<FolderPresence> CheckFolderPresence(const std::string& path);

// Whether folder can be browsed: it is a folder whose entries can be listed and looked up (read
// and search permission). Errors: 53 not found, 70 refused, 75 not a folder or anything else
// that keeps it from being listed.
Status CheckFolderReadable(const std::string& folder);

// Paths are UTF-8 text throughout the program; these convert to and from the library's paths.
std::filesystem::path ToFsPath(const std::string& utf8);
std::string FromFsPath(const std::filesystem::path& path);

// Whether a name matches the photo pattern "*.jpg;*.jpeg" (any letter case).
bool IsPhotoName(const std::string& name);

// Whether a name ends in the extension of a photo or movie of a kind the program reads (JPEG,
// TIFF and camera raw files, HEIF, PNG, WebP, MP4 and QuickTime; any letter case). What a file
// is, is told by its content; the name only picks the files a listing offers.
bool IsPhotoOrMovieName(const std::string& name);

// The files a folder's listing offers: its JPEG photos (IsPhotoName), or every photo and movie
// (IsPhotoOrMovieName).
enum class Listing { Jpeg, Everything };

// The names of the photos in folder (hidden files left out), sorted by name ignoring letter case;
// a symbolic link to a photo is listed like the photo. subfolders receives the names of its
// visible subfolders, sorted the same way, when given; a symbolic link to a folder is no
// subfolder (following it could lead back up the tree).
Result<std::vector<std::string>> ListPhotos(const std::string& folder,
                                            std::vector<std::string>* subfolders = nullptr,
                                            Listing kinds = Listing::Jpeg);

// The visible subfolders of folder, links to folders among them, sorted as ListPhotos sorts:
// what a folder list shows to open.
Result<std::vector<std::string>> ListFolders(const std::string& folder);

// The folder of the running program's executable, without a trailing separator.
std::string ProgramFolder();

// The per-user data folder of the program: $XDG_DATA_HOME/Tokimori (~/.local/share/Tokimori),
// or %LOCALAPPDATA%\Tokimori on Windows. Not created here.
std::string UserDataFolder();

} // namespace tokimori
