#include "panel.h"

#include "config/module.h"
#include "screen/picture.h"
#include "screen/rows.h"

static void Fill(HDC surface, const RECT &area, const int32_t colour[3]) {
    HBRUSH brush = CreateSolidBrush(RowColour(colour));
    FillRect(surface, &area, brush);
    DeleteObject(brush);
}

bool DrawModulePanel(HDC surface) {
    ModuleLayout m;
    if (!ResolveModule(&m)) return false;
    const RECT client = {0, 0, m.clientWidth, m.clientHeight};
    const RECT glass = {m.bezel, m.bezel, m.clientWidth - m.bezel, m.clientHeight - m.bezel};
    Fill(surface, client, m.bezelColour);
    Fill(surface, glass, m.back);
    if (BackgroundPicturePath()[0] != 0 && ScreenPicture.picture)
        Render(surface, &ScreenPicture.picture, &client, 0, 0, ScreenPicture.width,
               ScreenPicture.height);
    return true;
}
