#include "view/InfoPanel.h"

#include "view/Names.h"

namespace tokimori {

std::string InfoPanelText(const ExifInfo& info, const LocalDateTime& modified) {
    const ExifSummary& s = info.summary;
    const bool fromFrame = s.PixelWidth == 0 && s.PixelHeight == 0 && info.frameWidth > 0;
    const int width = fromFrame ? info.frameWidth : s.PixelWidth;
    const int height = fromFrame ? info.frameHeight : s.PixelHeight;
    const std::string lines[] = {"サイズ(横×縦)",
                                 std::to_string(width) + "×" + std::to_string(height),
                                 "",
                                 "埋込日付(撮影日時)",
                                 PhotoText(s.EmbeddedDate),
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

PanelAction PanelActionFor(bool hasCurrent, bool currentIsThere, bool othersSelected) {
    if (hasCurrent && !currentIsThere) return PanelAction::Refresh;
    if (!hasCurrent) return PanelAction::Empty;
    if (othersSelected) return PanelAction::ClearThumbnail;
    return PanelAction::Show;
}

} // namespace tokimori
