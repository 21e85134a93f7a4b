#include "view/InfoPanel.h"

#include <algorithm>

#include "exif/ExifLayout.h"
#include "run/CopyDates.h"
#include "view/Names.h"

namespace tokimori {

namespace {
// The shooting date as stored; a movie's creation time (UTC) as the local date and time.
std::string ShootingText(const ExifInfo& info) {
    if (info.summary.EmbeddedDate.empty() && info.movieCreated)
        return FormatDateTime(LocalFromUnix(*info.movieCreated), ':', ' ');
    return PhotoText(info.summary.EmbeddedDate);
}
} // namespace

std::string InfoPanelText(const ExifInfo& info, const LocalDateTime& modified) {
    const ExifSummary& s = info.summary;
    const bool fromFrame = s.PixelWidth == 0 && s.PixelHeight == 0 && info.frameWidth > 0;
    const int width = fromFrame ? info.frameWidth : s.PixelWidth;
    const int height = fromFrame ? info.frameHeight : s.PixelHeight;
    const std::string lines[] = {"サイズ(横×縦)",
                                 std::to_string(width) + "×" + std::to_string(height),
                                 "",
                                 "埋込日付(撮影日時)",
                                 ShootingText(info),
                                 "",
                                 "ファイル日付",
                                 FormatPanelDate(modified),
                                 "",
                                 "メーカー名",
                                 PhotoText(s.Maker),
                                 "",
                                 "モデル名",
                                 PhotoText(s.Model)};
    std::string out;
    for (const std::string& line : lines) {
        if (&line != &lines[0]) out += "\r\n";
        out += line;
    }
    return out;
}

std::string PanelTextFor(const ExifInfo& info, const LocalDateTime& modified) {
    if (info.entries == 0 && !info.movieCreated) return kNoDateInfo;
    return InfoPanelText(info, modified);
}

std::string CopiesDisagreeText(const std::vector<PhotoDate>& dates) {
    const auto original = std::find_if(dates.begin(), dates.end(), [](const PhotoDate& d) {
        return d.tag == tag::DateTimeOriginal && !IsCopyTag(d.tag);
    });
    if (original == dates.end()) return {};
    std::string lines;
    for (const PhotoDate& d : dates) {
        if (d.follows != tag::DateTimeOriginal || IptcDateOfTime(d.tag)) continue;
        // An IPTC date says what it says with its time.
        std::string time;
        for (const PhotoDate& t : dates)
            if (IptcDateOfTime(t.tag) == d.tag) time = t.text;
        const auto value = CopyValueOf(d.tag, d.text, time);
        if (value && SaysTheSame(*value, original->text, original->offset)) continue;
        lines += '\n';
        lines += d.where;
        lines += ' ';
        lines += PhotoText(d.text);
        if (!time.empty()) {
            lines += ' ';
            lines += PhotoText(time);
        }
    }
    if (lines.empty()) return {};
    return "XMP・IPTC の撮影日時が Exif の撮影日時（" + PhotoText(original->text) +
           "）と異なります:" + lines;
}

PanelAction PanelActionFor(bool hasCurrent, bool currentIsThere, bool othersSelected) {
    if (hasCurrent && !currentIsThere) return PanelAction::Refresh;
    if (!hasCurrent) return PanelAction::Empty;
    if (othersSelected) return PanelAction::ClearThumbnail;
    return PanelAction::Show;
}

} // namespace tokimori
