#include "view/StartUp.h"

#include "base/Paths.h"
#include "base/Volumes.h"
#include "view/Names.h"

namespace tokimori {

MessageRequest FolderUnreadableMessage(const std::string& folder) {
    return {"フォルダを読み込めません。\r\n" + DisplayName(folder), kAppTitle,
            MessageIcon::Exclamation, MessageButtons::Ok};
}

Result<StartFolder> ChooseStartFolder(std::string stored, const std::string& installRoot,
                                      const std::string& fallback) {
    StartFolder out;
    if (stored.empty()) stored = FirstStartFolder();
    for (;;) {
        auto presence = CheckFolderPresence(stored);
        if (!presence) {
            if (presence.error().number != err::BadFileName) return presence.error();
            out.messages.push_back(
                {"前回､「" + DisplayName(stored) +
                     "」で終了しましたがドライブが存在しないか参照不可となっている為、"
                     "\r\nインストールドライブを初期値として開きます。",
                 kAppTitle, MessageIcon::Exclamation, MessageButtons::Ok});
            stored = installRoot;
            continue;
        }
        if (presence.value() == FolderPresence::Absent) {
            out.folder = CheckFolderReadable(installRoot) ? installRoot : fallback;
            return out;
        }
        // There, but not a folder that can be read (no permission, or a file of that name).
        if (!CheckFolderReadable(stored)) {
            out.messages.push_back(FolderUnreadableMessage(stored));
            stored = fallback;
        }
        out.folder = stored;
        out.setDrive = true;
        return out;
    }
}

} // namespace tokimori
