#include "view/ButtonFace.h"

namespace tokimori {

OleColor TranslateColor(OleColor color, int options,
                        const std::function<OleColor(uint32_t index)>& systemColor) {
    OleColor out = color;
    if ((options & 1) && (color & kSystemColorFlag)) out = systemColor(color & ~kSystemColorFlag);
    if ((options & 2) && !(out & kSystemColorFlag)) out |= 0x02000000u;
    return out;
}

FaceLayout LayOutFace(int W, int H, int picW, int picH, int textW, int textH, int position) {
    FaceLayout f{W, H, 0, 0, picW, picH, 0, 0, textW, textH};
    const int g = (W - (picW + 1 + textW)) / 2;
    switch (position) {
    case 1:
        f.picX = g;
        f.textX = g + picW + 1;
        break;
    case 2:
        f.textX = (W - textW) / 2;
        break;
    case 3:
        f.textX = picW + (W - picW - textW) / 2;
        break;
    case 4:
        f.picX = g + textW + 1;
        f.textX = g;
        break;
    case 5:
        f.picX = W - picW;
        f.textX = (W - textW) / 2;
        break;
    case 6:
        f.picX = W - picW;
        f.textX = (W - picW - textW) / 2;
        break;
    default:
        break;
    }
    f.picY = (H - picH) / 2;
    f.textY = (H - textH) / 2;
    return f;
}

FaceLayout LayOutFace(int W, int H, int picW, int picH, const std::string& caption,
                      const std::function<TextSize(const std::string&)>& measure, int position) {
    const TextSize t = measure ? measure(caption) : TextSize{};
    return LayOutFace(W, H, picW, picH, t.width, t.height, position);
}

} // namespace tokimori
