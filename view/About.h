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

} // namespace tokimori
