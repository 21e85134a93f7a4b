#pragma once
// Where a custom command button's face puts its picture and its caption: the two side by side
// (or one above the other) as the picture position says, in a face of the button's client size
// less its border. Each face measures its caption in its own font and draws it there.

#include <cstdint>
#include <functional>
#include <string>

namespace tokimori {

// Colours as the program stores them: &H00BBGGRR, or a system colour (top bit set, the low bits
// its index, such as &H8000000F& for the button face).
using OleColor = uint32_t;
inline constexpr OleColor kSystemColorFlag = 0x80000000u;

// Option 1: a system colour becomes its current value, systemColor(index); option 2: a colour
// without the top bit is marked palette-relative (&H02000000).
OleColor TranslateColor(OleColor color, int options,
                        const std::function<OleColor(uint32_t index)>& systemColor);

struct FaceLayout {
    int W = 0, H = 0;
    int picX = 0, picY = 0, picW = 0, picH = 0;
    int textX = 0, textY = 0, textW = 0, textH = 0;
};

// The face's size for a button's client size: client width − 4 by client height − 5.
inline int FaceWidth(int clientWidth) {
    return clientWidth - 4;
}
inline int FaceHeight(int clientHeight) {
    return clientHeight - 5;
}
// A pressed button shows its face this many pixels to the right and down.
inline constexpr int kPressedShift = 1;

// Positions 1 (picture left of the caption, the pair centred), 2 (caption centred, picture at
// the left edge), 3, 4 (caption left of the picture), 5 and 6; all halvings truncate toward
// zero.
FaceLayout LayOutFace(int W, int H, int picW, int picH, int textW, int textH, int position);

// The same for a caption measured by the face: measure gives its width and height.
struct TextSize {
    int width = 0;
    int height = 0;
};
FaceLayout LayOutFace(int W, int H, int picW, int picH, const std::string& caption,
                      const std::function<TextSize(const std::string&)>& measure, int position);

} // namespace tokimori
