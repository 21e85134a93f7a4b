#pragma once
// The information panel of the main window: what the selected photo holds, as fourteen lines of
// text, and what the panel does when the selection changes.

#include <string>
#include <vector>

#include "exif/DateCopies.h"
#include "exif/ExifReader.h"
#include "filetime/LocalTime.h"

namespace tokimori {

// The panel's one line for a photo without Exif data.
inline constexpr char kNoDateInfo[] = "ファイルの日付情報が取得できません";
// When the selected photo is no longer in its folder.
inline constexpr char kFolderChanged[] =
    "フォルダ内の情報が変更された可能性が有る為、最新の情報へ更新します。";

// The fourteen lines (UTF-8, joined by CR LF, none after the last): pixel size, shooting date
// as stored, the file date "yyyy/mm/dd hh:mm:ss", maker and model as stored. A photo whose Exif
// data hold no pixel size shows the size of its JPEG frame instead of 0×0.
std::string InfoPanelText(const ExifInfo& info, const LocalDateTime& modified);
// What the panel shows for a file read: kNoDateInfo for a photo without Exif data, else the
// fourteen lines (a movie's with its creation time as the shooting date).
std::string PanelTextFor(const ExifInfo& info, const LocalDateTime& modified);

// What the panel tells beside the fourteen lines (the information text's tooltip): the XMP and
// IPTC copies of the shooting date that do not say what DateTimeOriginal says (SaysTheSame, an
// IPTC date with its time), each with its text, lines joined by LF; empty when they all agree,
// or the photo has no DateTimeOriginal or no copy of it.
std::string CopiesDisagreeText(const std::vector<PhotoDate>& dates);

// What the panel does for the list's selection.
enum class PanelAction {
    Refresh,        // the current photo is gone: tell kFolderChanged, read the folder again
    Empty,          // no current photo: the text empties, the thumbnail stays as it is
    ClearThumbnail, // several photos are selected: the text empties, the thumbnail too
    Show,           // read the photo and show it
};
PanelAction PanelActionFor(bool hasCurrent, bool currentIsThere, bool othersSelected);

} // namespace tokimori
