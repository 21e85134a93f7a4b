#include "base/SystemError.h"

#include <cerrno>
#include <cstring>

namespace tokimori {

RunError ErrorFromSystem(int e, const std::string& what, const std::string& path) {
    int number = err::PathFileAccess;
    switch (e) {
    case ENOENT:
    case ENOTDIR:
        number = err::FileNotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        number = err::PermissionDenied;
        break;
    case ENOSPC:
    case EDQUOT:
        number = err::DiskFull;
        break;
    case EIO:
        number = err::DeviceIo;
        break;
    default:
        break;
    }
    return MakeError(number, what + " " + path + ": " + std::strerror(e));
}

RunError LastSystemError(const std::string& what, const std::string& path) {
    return ErrorFromSystem(errno, what, path);
}

RunError ErrorFromNativeCode(int e, const std::string& what, const std::string& path) {
    return ErrorFromSystem(e, what, path);
}

std::string ToSystemText(const std::string& utf8) {
    return utf8;
}

} // namespace tokimori
