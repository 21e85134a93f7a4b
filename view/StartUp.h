#pragma once
// Where the main window opens, and where it goes when a folder it shows can no longer be read.

#include <string>
#include <vector>

#include "base/Messages.h"
#include "base/RunError.h"

namespace tokimori {

// "フォルダを読み込めません。" and the folder: a folder that is there but cannot be read.
MessageRequest FolderUnreadableMessage(const std::string& folder);

struct StartFolder {
    std::string folder;
    // The drive list shows the folder's drive (not when the stored folder was gone: it then
    // opens the installation drive's root and the drive list stays as it was made).
    bool setDrive = false;
    std::vector<MessageRequest> messages; // told first, in order
};
// The folder start-up opens: the stored one (empty: the first start's), the installation drive's
// root when it is gone (and, after saying so, when its drive is gone too), fallback when it is
// there but cannot be read. Any other failure to look is its error.
Result<StartFolder> ChooseStartFolder(std::string stored, const std::string& installRoot,
                                      const std::string& fallback);

} // namespace tokimori
