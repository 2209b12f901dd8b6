#include "panel.h"

#include "config/module.h"
#include "screen/picture.h"
#include "screen/row_parts.h"

static void Fill(HDC surface, const RECT &area, const int32_t colour[3]) {
    HBRUSH brush = CreateSolidBrush(RowColour(colour));
    FillRect(surface, &area, brush);
    DeleteObject(brush);
}

bool DrawModulePanel(HDC surface) {
    ModuleLayout m;
    if (!ResolveModule(&m)) return false;
    const int32_t w = m.clientWidth, h = m.clientHeight, b = m.bezel;
    const RECT client = {0, 0, w, h};
    Fill(surface, RECT{b, b, w - b, h - b}, m.back);
    // A picture lies on the glass, under the bezel as behind a real one.
    if (BackgroundPicturePath()[0] != 0 && ScreenPicture.picture)
        Render(surface, &ScreenPicture.picture, &client, 0, 0, ScreenPicture.width,
               ScreenPicture.height);
    // The bezel's four sides around the glass: each pixel filled once.
    const RECT sides[4] = {{0, 0, w, b}, {0, h - b, w, h}, {0, b, b, h - b}, {w - b, b, w, h - b}};
    for (const RECT &side : sides) Fill(surface, side, m.bezelColour);
    return true;
}
