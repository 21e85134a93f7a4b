#include "base/Paths.h"

#include <cstdlib>

#include <windows.h>

#include "base/SystemError.h"

namespace tokimori {

std::filesystem::path ToFsPath(const std::string& utf8) {
    return std::filesystem::path(Widen(utf8));
}

std::string FromFsPath(const std::filesystem::path& path) {
    return NarrowUtf8(path.wstring());
}

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

Status CheckFolderReadable(const std::string& folder) {
    const DWORD attributes = GetFileAttributesW(Widen(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastSystemError("cannot open the folder", folder);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return MakeError(err::PathFileAccess, "not a folder: " + folder);
    const bool isRoot = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    WIN32_FIND_DATAW found{};
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    HANDLE h = FindFirstFileW(Widen(isRoot ? folder + "*" : folder + "\\*").c_str(), &found);
    const DWORD code = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    SetErrorMode(oldMode);
    if (h != INVALID_HANDLE_VALUE) {
        FindClose(h);
        return {};
    }
    // An empty drive root lists nothing and is still a folder that can be browsed.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return {};
    return ErrorFromSystem(code, "cannot list the folder", folder);
}

std::string ProgramFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return GetParentPath(NarrowUtf8(buffer), PathStyle::Windows);
}

std::string UserDataFolder() {
    const char* base = std::getenv("LOCALAPPDATA");
    return JoinPath(base && *base ? std::string(base) : ProgramFolder(), "Tokimori");
}

} // namespace tokimori
