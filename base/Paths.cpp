#include "base/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/SystemError.h"

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

bool IsPhotoOrMovieName(const std::string& name) {
    if (IsPhotoName(name)) return true;
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    const std::string ext = LowerAscii(name.substr(dot + 1));
    for (const char* known :
         {"tif", "tiff", "cr2",  "nef", "nrw", "arw", "sr2",  "srf",  "dng", "orf",
          "rw2", "pef",  "srw",  "iiq", "3fr", "raf", "heic", "heif", "hif", "avif",
          "cr3", "png",  "webp", "mp4", "m4v", "mov", "qt",   "3gp",  "3g2"})
        if (ext == known) return true;
    return false;
}

Result<std::vector<std::string>> ListPhotos(const std::string& folder,
                                            std::vector<std::string>* subfolders, Listing kinds) {
    namespace fs = std::filesystem;
    std::vector<std::string> photos;
    std::error_code ec;
    for (fs::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = FromFsPath(it->path().filename());
        if (name.empty() || name[0] == '.') continue; // hidden
        // The listing's own file types, without a look-up per entry (a link is looked up to
        // know what it points to).
        std::error_code typeError;
        const bool wanted = kinds == Listing::Jpeg ? IsPhotoName(name) : IsPhotoOrMovieName(name);
        if (wanted && it->is_regular_file(typeError)) {
            photos.push_back(name);
        } else if (subfolders && !it->is_symlink(typeError) && it->is_directory(typeError)) {
            subfolders->push_back(name);
        }
    }
    if (ec) return ErrorFromCode(ec, "cannot list", folder);
    SortByName(photos);
    if (subfolders) SortByName(*subfolders);
    return photos;
}

Result<std::vector<std::string>> ListFolders(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> folders;
    std::error_code ec;
    for (fs::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = FromFsPath(it->path().filename());
        std::error_code typeError;
        if (!name.empty() && name[0] != '.' && it->is_directory(typeError)) folders.push_back(name);
    }
    if (ec) return ErrorFromCode(ec, "cannot list", folder);
    SortByName(folders);
    return folders;
}

std::string AbsolutePath(const std::string& path) {
    // Already absolute and plain (no "." or ".." part, no doubled separator): as it is. Paths
    // listed from an absolute folder all are.
    const bool plain =
        path.find("/.") == std::string::npos && path.find("\\.") == std::string::npos &&
        path.find("//", 1) == std::string::npos && !path.ends_with("/") && !path.ends_with("\\");
    if (plain && ToFsPath(path).is_absolute()) return path;
    std::error_code ec;
    const std::filesystem::path p = ToFsPath(path);
    const std::filesystem::path absolute = std::filesystem::absolute(p, ec);
    // "." parts and doubled separators go; ".." stays, since "link/.." is the link's target's
    // parent, not the folder holding the link: only the file system can take it out.
    std::filesystem::path out;
    for (const std::filesystem::path& part : ec ? p : absolute) {
        if (part.empty() || part == ".") continue;
        out /= part;
    }
    return FromFsPath(out);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == kSeparator || folder.back() == '/'))
        return folder + name;
    return folder + kSeparator + name;
}

} // namespace tokimori
