#include "base/Paths.h"

#include <cstdlib>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/SystemError.h"

namespace tokimori {

std::filesystem::path ToFsPath(const std::string& utf8) {
    return std::filesystem::path(utf8);
}

std::string FromFsPath(const std::filesystem::path& path) {
    return path.string();
}

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

Status CheckFolderReadable(const std::string& folder) {
    // Listing needs read permission; looking up the listed names needs search permission, which
    // a lookup of "." inside the folder proves.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOTDIR) return MakeError(err::PathFileAccess, "not a folder: " + folder);
        return LastSystemError("cannot open the folder", folder);
    }
    struct stat st {};
    const bool searchable = fstatat(fd, ".", &st, 0) == 0;
    const int e = errno;
    ::close(fd);
    if (!searchable) return ErrorFromSystem(e, "cannot look into the folder", folder);
    return {};
}

std::string ProgramFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return ".";
    buffer.resize(static_cast<size_t>(n));
    return GetParentPath(buffer, PathStyle::Posix);
}

std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') return JoinPath(xdg, "Tokimori");
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/Tokimori";
}

} // namespace tokimori
