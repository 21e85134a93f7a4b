#pragma once
// The version dialog's texts.

#include <string>

namespace tokimori {

struct AboutTexts {
    std::string caption;     // "Tokimoriのﾊﾞｰｼﾞｮﾝ情報"
    std::string title;       // "Tokimori"
    std::string version;     // "ﾊﾞｰｼﾞｮﾝ 2.0.0"
    std::string description; // "ｱﾌﾟﾘｹｰｼｮﾝの説明"
};
AboutTexts About();

// The main window's caption: "Tokimori 2.0.0".
std::string MainCaption();

// The help file in the program's folder (a Windows path without a trailing separator but at a
// drive root): the folder, "\", the application title and ".chm". At a drive root the path holds
// two separators in a row ("C:\\Tokimori.chm"), as the help viewer takes it.
std::string HelpFilePath(const std::string& programFolder);

} // namespace tokimori
