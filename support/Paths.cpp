#include "support/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tokimori {

std::string GetDriveRoot(const std::string& path, PathStyle style) {
    if (style == PathStyle::Posix) return "/";
    const size_t at = path.find('\\');
    return at == std::string::npos ? path : path.substr(0, at + 1);
}

std::string GetParentPath(const std::string& path, PathStyle style) {
    if (style == PathStyle::Posix) {
        const size_t at = path.find_last_of('/');
        if (at == std::string::npos || at == 0) return "/";
        return path.substr(0, at);
    }
    const size_t at = path.find_last_of('\\');
    if (at == std::string::npos) return path;
    std::string head = path.substr(0, at);
    return head.size() == 2 ? head + "\\" : head;
}

std::filesystem::path ToFsPath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(Widen(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}

std::string FromFsPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return NarrowUtf8(path.wstring());
#else
    return path.string();
#endif
}

namespace {
std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void SortByName(std::vector<std::string>& names) {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& n : names)
        keyed.emplace_back(LowerAscii(n), std::move(n));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& k : keyed)
        names.push_back(std::move(k.second));
}
} // namespace

bool IsPhotoName(const std::string& name) {
    const std::string lower = LowerAscii(name);
    auto ends = [&](const char* tail, size_t n) {
        return lower.size() > n && lower.compare(lower.size() - n, n, tail) == 0;
    };
    return ends(".jpg", 4) || ends(".jpeg", 5);
}

Result<std::vector<std::string>> ListPhotos(const std::string& folder,
                                            std::vector<std::string>* subfolders) {
    namespace fs = std::filesystem;
    std::vector<std::string> photos;
    std::error_code ec;
    for (fs::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = FromFsPath(it->path().filename());
        if (name.empty() || name[0] == '.') continue; // hidden
        std::error_code typeError;
        const fs::file_status st = it->status(typeError);
        if (fs::is_regular_file(st)) {
            if (IsPhotoName(name)) photos.push_back(name);
        } else if (subfolders && fs::is_directory(st)) {
            subfolders->push_back(name);
        }
    }
    if (ec) return ErrorFromCode(ec, "cannot list", folder);
    SortByName(photos);
    if (subfolders) SortByName(*subfolders);
    return photos;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == kSeparator || folder.back() == '/'))
        return folder + name;
    return folder + kSeparator + name;
}

#ifdef _WIN32

namespace {
RunError Unreachable(const std::string& path) {
    return MakeError(err::BadFileName, "drive cannot be read: " + path);
}
} // namespace

Result<FolderPresence> CheckFolderPresence(const std::string& path) {
    // The drive first: a letter that is gone or a drive without a medium is unreachable.
    const std::string root = GetDriveRoot(path, PathStyle::Windows);
    const UINT type = GetDriveTypeW(Widen(root).c_str());
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) return Unreachable(path);
    const bool isRoot = !path.empty() && (path.back() == '\\' || path.back() == '/');
    const std::string pattern = isRoot ? path + "*" : path;
    WIN32_FIND_DATAW found{};
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    HANDLE h = FindFirstFileW(Widen(pattern).c_str(), &found);
    const DWORD code = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    SetErrorMode(oldMode);
    if (h != INVALID_HANDLE_VALUE) {
        // A folder (not a drive's root) lists "." and ".." first: they are not entries.
        bool any = false;
        do {
            const std::wstring name = found.cFileName;
            any = !isRoot || (name != L"." && name != L"..");
        } while (!any && FindNextFileW(h, &found));
        FindClose(h);
        return any ? FolderPresence::Present : FolderPresence::Absent;
    }
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_NO_MORE_FILES)
        return FolderPresence::Absent;
    return Unreachable(path);
}

std::string ProgramFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return GetParentPath(NarrowUtf8(buffer), PathStyle::Windows);
}

#else

namespace {

RunError Unreachable(const std::string& path, const std::string& why) {
    return MakeError(err::BadFileName, "cannot reach " + path + ": " + why);
}

// Mount points in force, from the kernel's table (octal escapes such as \040 decoded).
std::vector<std::string> MountPoints() {
    std::vector<std::string> out;
    std::ifstream in("/proc/self/mounts");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, point;
        fields >> device >> point;
        std::string decoded;
        for (size_t i = 0; i < point.size(); ++i) {
            if (point[i] == '\\' && i + 3 < point.size()) {
                decoded.push_back(static_cast<char>(std::stoi(point.substr(i + 1, 3), nullptr, 8)));
                i += 3;
            } else {
                decoded.push_back(point[i]);
            }
        }
        out.push_back(decoded);
    }
    return out;
}

// Where removable volumes are mounted: /media/LABEL, /media/USER/LABEL, /run/media/USER/LABEL,
// /mnt/LABEL. Gives the volume's mount folder for a path below one of them, else "".
std::string VolumeFolderOf(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(path);
    while (std::getline(in, part, '/'))
        if (!part.empty()) parts.push_back(part);
    size_t depth = 0;
    if (parts.size() >= 2 && parts[0] == "mnt") depth = 2;
    if (parts.size() >= 2 && parts[0] == "media") depth = 2;
    if (parts.size() >= 4 && parts[0] == "run" && parts[1] == "media") depth = 4;
    if (depth == 0) return "";
    auto folderOf = [&](size_t n) {
        std::string f;
        for (size_t i = 0; i < n; ++i)
            f += "/" + parts[i];
        return f;
    };
    const std::vector<std::string> mounts = MountPoints();
    auto mounted = [&](const std::string& f) {
        for (const std::string& m : mounts)
            if (m == f) return true;
        return false;
    };
    // /media/USER/LABEL: the user's folder is not a mount; the label below it is.
    if (parts[0] == "media" && parts.size() >= 3 && !mounted(folderOf(2))) return folderOf(3);
    return folderOf(depth);
}

bool IsMountPoint(const std::string& folder) {
    for (const std::string& m : MountPoints())
        if (m == folder) return true;
    return false;
}

} // namespace

Result<FolderPresence> CheckFolderPresence(const std::string& path) {
    const bool isRoot = !path.empty() && path.back() == '/';
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        const int e = errno;
        if (e != ENOENT && e != ENOTDIR) return Unreachable(path, std::strerror(e));
        // Missing: a deleted folder, or a volume that is no longer mounted.
        const std::string volume = VolumeFolderOf(path);
        if (!volume.empty() && !IsMountPoint(volume))
            return Unreachable(path, "volume not mounted");
        return FolderPresence::Absent;
    }
    if (!isRoot) return FolderPresence::Present;
    DIR* dir = opendir(path.c_str());
    if (!dir) return Unreachable(path, std::strerror(errno));
    bool any = false;
    errno = 0;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            any = true;
            break;
        }
    }
    const int e = errno;
    closedir(dir);
    if (!any && e != 0) return Unreachable(path, std::strerror(e));
    return any ? FolderPresence::Present : FolderPresence::Absent;
}

std::string ProgramFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return ".";
    buffer.resize(static_cast<size_t>(n));
    return GetParentPath(buffer, PathStyle::Posix);
}

#endif

} // namespace tokimori
