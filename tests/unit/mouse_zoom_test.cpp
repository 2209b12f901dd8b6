// Zooming with the mouse on the simulated platform: a sizing drag from each
// edge and corner, and Ctrl + the wheel by whole notches and by the small
// turns of high-resolution wheels, to the zoom's limits.
#include "config/config.h"
#include "driver/tavlora.h"
#include "screen/window.h"
#include "test_support.h"

#include <map>
#include <vector>

namespace {

const std::string kConfig =
    "Debug=1\nEndHostOnClose=0\nPicture=\nResizable=1\nWidth=200\nHeight=100\nX=300\nY=200\n";

class MouseZoom : public DriverTest {
  protected:
    // The window's outer size when it starts at `zoom` (a frame of 6 x 26).
    SIZE SizeAt(int zoom) {
        auto known = sizes_.find(zoom);
        if (known != sizes_.end()) return known->second;
        StartWith(kConfig + "Zoom=" + std::to_string(zoom) + "\n");
        const RECT r = Where();
        DISPLAYDLL_Done();
        return sizes_[zoom] = SIZE{r.right - r.left, r.bottom - r.top};
    }
    void Wheel(int turn, bool control = true) {
        WPARAM wParam = (static_cast<WPARAM>(static_cast<WORD>(turn)) << 16) | (control ? MK_CONTROL : 0);
        SendMessageA(DisplayWindow, WM_MOUSEWHEEL, wParam, 0);
    }
    void Pixels(std::vector<COLORREF> *pixels) {
        RECT client;
        GetClientRect(DisplayWindow, &client);
        pixels->clear();
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) pixels->push_back(sim::window_pixel(DisplayWindow, x, y));
    }
    std::map<int, SIZE> sizes_;
};

// The dragged edges move by dx, dy pixels outward. The window is proposed
// the size of the zoom its dragged edge comes nearest (a corner: the larger
// of its two), at its own aspect ratio, the edges opposite held; the zoom
// is the one of the size the system gives it by the drag's end.
TEST_F(MouseZoom, ADragFromEachEdgeHoldsTheOppositeEdgesAndTheAspectRatio) {
    const struct {
        WPARAM edge;
        int dx, dy;
        int proposed; // the zoom whose size is proposed
        int given;    // the zoom whose size the system gives at the end
    } drags[] = {
        {WMSZ_LEFT, 97, 0, 150, 150},         {WMSZ_RIGHT, -97, 0, 50, 50},
        {WMSZ_TOP, 0, 37, 150, 150},          {WMSZ_BOTTOM, 0, -37, 50, 50},
        {WMSZ_TOPLEFT, 97, 10, 150, 150},     {WMSZ_TOPRIGHT, 10, 44, 159, 159},
        {WMSZ_BOTTOMLEFT, 10, 44, 159, 159},  {WMSZ_BOTTOMRIGHT, 97, 10, 150, 150},
        {WMSZ_RIGHT, -190, 0, 25, 25},        {WMSZ_BOTTOM, 0, 700, 800, 800},
        {WMSZ_LEFT, 97, 0, 150, 200},         {WMSZ_TOPLEFT, 10, 44, 159, 300},
    };
    for (const auto &d : drags) {
        SCOPED_TRACE(testing::Message() << "edge " << d.edge << " by " << d.dx << ", " << d.dy);
        const SIZE proposed = SizeAt(d.proposed), given = SizeAt(d.given);
        StartWith(kConfig + "Zoom=100\n");
        const RECT start = Where();
        const bool left = d.edge == WMSZ_LEFT || d.edge == WMSZ_TOPLEFT || d.edge == WMSZ_BOTTOMLEFT;
        const bool top = d.edge == WMSZ_TOP || d.edge == WMSZ_TOPLEFT || d.edge == WMSZ_TOPRIGHT;
        const bool side = d.edge == WMSZ_LEFT || d.edge == WMSZ_RIGHT;
        const bool topOrBottom = d.edge == WMSZ_TOP || d.edge == WMSZ_BOTTOM;
        RECT drag = start;
        if (!topOrBottom) (left ? drag.left -= d.dx : drag.right += d.dx);
        if (!side) (top ? drag.top -= d.dy : drag.bottom += d.dy);
        EXPECT_EQ(SendMessageA(DisplayWindow, WM_SIZING, d.edge, reinterpret_cast<LPARAM>(&drag)),
                  TRUE);
        const RECT wanted = {left ? start.right - proposed.cx : start.left,
                             top ? start.bottom - proposed.cy : start.top,
                             left ? start.right : start.left + proposed.cx,
                             top ? start.bottom : start.top + proposed.cy};
        EXPECT_EQ(drag.left, wanted.left);
        EXPECT_EQ(drag.top, wanted.top);
        EXPECT_EQ(drag.right, wanted.right);
        EXPECT_EQ(drag.bottom, wanted.bottom);
        // The system gives it a size; the drag ends.
        SetWindowPos(DisplayWindow, nullptr, drag.left, drag.top, given.cx, given.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
        EXPECT_EQ(ScreenSettings.Zoom, d.given);
        EXPECT_EQ(Where().right - Where().left, given.cx) << "the window keeps the size given";
        DISPLAYDLL_Done();
    }
    // The rows are drawn again at the zoom the drag ended with: as a window
    // started at that zoom shows them.
    std::vector<COLORREF> started, dragged;
    StartWith(kConfig + "Zoom=150\n");
    DISPLAYDLL_Write(const_cast<char *>("Hello"));
    Pixels(&started);
    DISPLAYDLL_Done();
    StartWith(kConfig + "Zoom=100\n");
    DISPLAYDLL_Write(const_cast<char *>("Hello"));
    RECT drag = Where();
    drag.right += 97;
    SendMessageA(DisplayWindow, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&drag));
    SetWindowPos(DisplayWindow, nullptr, drag.left, drag.top, drag.right - drag.left,
                 drag.bottom - drag.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
    DISPLAYDLL_SetPosition(1, 1);
    DISPLAYDLL_Write(const_cast<char *>("Hello"));
    Pixels(&dragged);
    EXPECT_TRUE(started == dragged);
    DISPLAYDLL_Done();
    // Not resizable: the drag is the system's, the zoom as it was.
    StartWith(kConfig + "Resizable=0\nZoom=100\n");
    drag = Where();
    drag.right += 97;
    const RECT asked = drag;
    SendMessageA(DisplayWindow, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(drag.right, asked.right);
    EXPECT_EQ(drag.bottom, asked.bottom);
    EXPECT_EQ(ScreenSettings.Zoom, 100);
    DISPLAYDLL_Done();
}

// 10 % a notch of 120; turns short of a notch add up to one and what is
// left over counts towards the next, in the direction it was turned: a
// turn back starts afresh. 25 % and 800 % are the ends, and turning past
// an end stores nothing to undo first.
TEST_F(MouseZoom, CtrlAndTheWheelStepByWholeNotchesToTheEnds) {
    const struct {
        int turn, zoom;
    } turns[] = {
        {120, 110}, {-120, 100}, {240, 120}, {-360, 90},           // whole notches
        {40, 90},   {40, 90},    {40, 100},                         // a notch in small turns
        {100, 100}, {30, 110},   {110, 120},                        // the rest carried
        {60, 120},  {-30, 120},  {-90, 110},                        // turned back: afresh
        {-60, 110}, {90, 110},   {30, 120},
        {1, 120},   {-120, 110},                                    // a rest of one turned back
        {9600, 800}, {120, 800}, {-120, 790},                       // the top
        {-30000, 25}, {-120, 25}, {120, 35},                        // the bottom
    };
    for (int zoom : {25, 35, 90, 100, 110, 120, 790, 800}) SizeAt(zoom);
    StartWith(kConfig + "Zoom=100\n");
    for (const auto &t : turns) {
        Wheel(t.turn);
        EXPECT_EQ(ScreenSettings.Zoom, t.zoom) << t.turn;
        EXPECT_EQ(Where().right - Where().left, SizeAt(t.zoom).cx) << t.turn;
    }
    // Without Ctrl, or not resizable: no zoom.
    Wheel(120, false);
    EXPECT_EQ(ScreenSettings.Zoom, 35);
    // A rest left by one window is not the next one's.
    Wheel(60);
    DISPLAYDLL_Done();
    StartWith(kConfig + "Zoom=100\n");
    Wheel(60);
    EXPECT_EQ(ScreenSettings.Zoom, 100);
    DISPLAYDLL_Done();
    StartWith(kConfig + "Resizable=0\nZoom=100\n");
    Wheel(240);
    EXPECT_EQ(ScreenSettings.Zoom, 100);
    EXPECT_EQ(Where().right - Where().left, SizeAt(100).cx);
    DISPLAYDLL_Done();
}

} // namespace
