#include "view/Layout.h"

#include <algorithm>
#include <cstring>

namespace tokimori {

const std::vector<ControlPlace>& MainControls() {
    static const std::vector<ControlPlace> controls = {
        {"frm_MainBack", "", {-45, 450, 13900, 6270}},
        {"Frame2", "frm_MainBack", {45, 180, 8880, 5880}},
        {"FraSet", "frm_MainBack", {9000, 180, 3705, 5880}},
        {"Drive1", "Frame2", {45, 135, 2895, 300}},
        {"Dir1", "Frame2", {45, 450, 2895, 2820}},
        {"File1", "Frame2", {2970, 135, 2895, 5610}},
        {"PicBack", "Frame2", {45, 3330, 2895, 2415}},
        {"Image2", "Frame2", {90, 3330, 2895, 2415}},
        {"lbl_Back_Image0", "Frame2", {5895, 135, 2895, 270}},
        {"lbl_File_Info", "Frame2", {5940, 180, 1545, 240}},
        {"txt_Exif_Info", "Frame2", {5895, 405, 2895, 5340}},
        {"lbl_Back_Image1", "FraSet", {0, 90, 4245, 270}},
        {"Label1", "FraSet", {90, 135, 1230, 195}},
        {"Line1", "FraSet", {0, 352, 3690, 15}}, // the line from (0, 360) to (3690, 360)
        {"lbl_Back", "FraSet", {90, 540, 3510, 480}},
        {"lbl_Settei", "FraSet", {180, 690, 780, 240}},
        {"DTPDate", "FraSet", {990, 615, 1335, 330}},
        {"DTPTime", "FraSet", {2430, 615, 1095, 330}},
        {"ChkIkkatu", "FraSet", {285, 1170, 1935, 375}},
        {"ChkHoji", "FraSet", {270, 1620, 1815, 255}},
        {"ChkUme", "FraSet", {270, 2010, 3270, 375}},
        {"DTPumeDate", "FraSet", {585, 2385, 1455, 330}},
        {"CmdExe", "FraSet", {180, 2880, 3330, 540}},
    };
    return controls;
}

Rect PlaceOf(const std::vector<ControlPlace>& layout, const std::string& name) {
    for (const ControlPlace& c : layout)
        if (name == c.name) return c.rect;
    return {};
}

std::vector<ControlPlace> LayOutMain(int SW, int SH) {
    std::vector<ControlPlace> out = MainControls();
    auto at = [&](const char* name) -> Rect& {
        return std::find_if(out.begin(), out.end(),
                            [&](const ControlPlace& c) { return !std::strcmp(c.name, name); })
            ->rect;
    };
    Rect &frame2 = at("Frame2"), &fraSet = at("FraSet"), &file1 = at("File1"),
         &txt = at("txt_Exif_Info");
    frame2.width = SW - 3730;
    frame2.height = SH - 1020;
    fraSet.height = SH - 1020;
    fraSet.left = frame2.width + 60;
    file1.left = frame2.width - 5895;
    file1.height = frame2.height - 200;
    txt.height = file1.height - 270;
    txt.left = frame2.width - 2970;
    at("lbl_File_Info").left = frame2.width - 2970;
    at("lbl_Back_Image0").left = frame2.width - 2970;
    at("Drive1").width = file1.left - 90;
    at("Dir1").width = file1.left - 90;
    Rect& picBack = at("PicBack");
    picBack.width = file1.left - 90;
    picBack.height = file1.height - 3190;
    Rect& back = at("frm_MainBack");
    back.width = SW + 100;
    back.height = SH + 100;
    return out;
}

std::optional<OuterSize> MinimumSizeCorrection(int outerWidth, int outerHeight) {
    constexpr int kWithinAPixel = kTwipsPerPixel / 2;
    if (outerHeight < kMinOuterHeight - kWithinAPixel)
        return OuterSize{outerWidth, kMinOuterHeight};
    if (outerWidth < kMinOuterWidth - kWithinAPixel) return OuterSize{kMinOuterWidth, outerHeight};
    return std::nullopt;
}

} // namespace tokimori
