#include "base/RunError.h"

namespace tokimori {

std::string ErrorDescription(int number) {
    switch (number) {
    case err::InvalidCall:
        return "プロシージャの呼び出し、または引数が不正です。";
    case err::Overflow:
        return "オーバーフローしました。";
    case err::TypeMismatch:
        return "型が一致しません。";
    case err::BadFileName:
        return "ファイル名または番号が不正です。";
    case err::FileNotFound:
        return "ファイルが見つかりません。";
    case err::DeviceIo:
        return "デバイス I/O エラーです。";
    case err::DiskFull:
        return "ディスクの空き容量が不足しています。";
    case err::PermissionDenied:
        return "書き込みできません。";
    case err::PathFileAccess:
        return "パス名が無効です。";
    default:
        return "アプリケーション定義またはオブジェクト定義のエラーです。";
    }
}

RunError MakeError(int number, std::string detail) {
    return RunError{number, ErrorDescription(number), std::move(detail)};
}

} // namespace tokimori
