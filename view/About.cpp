#include "view/About.h"

#include "base/Messages.h"
#include "base/Version.h"

namespace tokimori {

AboutTexts About() {
    return {std::string(kAppTitle) + "のﾊﾞｰｼﾞｮﾝ情報", kAppTitle, std::string("ﾊﾞｰｼﾞｮﾝ ") + kVersion,
            "ｱﾌﾟﾘｹｰｼｮﾝの説明"};
}

std::string MainCaption() {
    return std::string(kAppTitle) + " " + kVersion;
}

std::string HelpFilePath(const std::string& programFolder) {
    return programFolder + "\\" + kAppTitle + ".chm";
}

} // namespace tokimori
