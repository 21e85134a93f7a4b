#pragma once
// The program's own artwork, painted in code with GDI+ (the same shapes and colours as the Qt
// face's): the run button's icon, the tool bar's images, the program icon and the gradient title
// bars. GDI+ is started the first time anything here paints and stays started for the run.

#include <windows.h>

#include <commctrl.h>

namespace tokimori {

enum class Art { Run, Up, Preview, Help, Close, Program };

// The size of the artwork for a screen: 32 × 32, or 64 × 64 on high-density screens (from
// 144 dots per inch, 150 %, on).
int ArtSize(UINT dpi);

// The image at size × size pixels, with its transparency, painted once and kept for the whole
// run: the artwork owns both handles, which the caller must not destroy. The bitmap is a 32-bit
// top-down DIB section with premultiplied alpha (as AlphaBlend and image lists take it).
HICON ArtIcon(Art art, int size = 32);
HBITMAP ArtBitmap(Art art, int size = 32);

// The tool bar's images (ImageList1), size × size, one for each of its buttons in this order;
// a new image list, which the caller destroys after the tool bar is gone.
inline constexpr Art kToolbarArt[] = {Art::Up, Art::Preview, Art::Help, Art::Close};
HIMAGELIST MakeImageList1(int size = 32);
// The index of art's image in that list (-1 for art that is not the tool bar's).
int ToolbarImage(Art art);

// The blue gradient title bar behind a panel's caption, from dark blue at the left edge of r to
// light blue at its right edge.
void PaintGradientBar(HDC dc, const RECT& r);

} // namespace tokimori
