// Simulated gdi32: device contexts, bitmaps, fonts, brushes. (Grows with the drawing code.)
#include "sim_internal.h"

namespace sim {
void reset_gdi() {}
bool draw_target(HDC, DrawTarget *) { return false; }
} // namespace sim
