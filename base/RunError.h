#pragma once
// Errors are values: a run-time error number and a description. The windows decide what the
// user sees; the core only reports.

#include <string>
#include <utility>
#include <variant>

namespace tokimori {

struct RunError {
    int number = 0;
    std::string description; // the program's own text for the number
    std::string detail;      // what the operating system said, and about which file
};

// Run-time error numbers the program uses.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIo = 57;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
} // namespace err

// The description shown for a run-time error number.
std::string ErrorDescription(int number);

RunError MakeError(int number, std::string detail = {});

// Either a value or a RunError.
template <class T> class [[nodiscard]] Result {
  public:
    Result(T value) : v_(std::move(value)) {}
    Result(RunError error) : v_(std::move(error)) {}
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const RunError& error() const { return std::get<1>(v_); }

  private:
    std::variant<T, RunError> v_;
};

// Success or a RunError.
class [[nodiscard]] Status {
  public:
    Status() = default;
    Status(RunError error) : error_(std::move(error)), failed_(true) {}
    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const RunError& error() const { return error_; }

  private:
    RunError error_;
    bool failed_ = false;
};

} // namespace tokimori
