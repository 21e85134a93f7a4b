#include "base/SystemError.h"

namespace tokimori {

RunError ErrorFromCode(const std::error_code& ec, const std::string& what,
                       const std::string& path) {
    if (ec.category() != std::generic_category())
        return ErrorFromNativeCode(ec.value(), what, path);
    int number = err::PathFileAccess;
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
        number = err::FileNotFound;
    else if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
             ec == std::errc::read_only_file_system)
        number = err::PermissionDenied;
    else if (ec == std::errc::no_space_on_device)
        number = err::DiskFull;
    else if (ec == std::errc::io_error)
        number = err::DeviceIo;
    return MakeError(number, what + " " + path + ": " + ec.message());
}

} // namespace tokimori
