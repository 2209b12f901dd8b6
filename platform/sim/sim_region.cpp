// Simulated gdi32 regions: ExtCreateRegion from a list of rectangles and
// FillRgn. A region keeps its rectangles as given (empty ones dropped);
// filling them one by one paints their union, as Windows does, since a fill
// is one colour. Region handles are tagged numbers like the other GDI
// handles; DeleteObject (sim_gdi.cpp) releases them.
#include "sim_internal.h"

#include <cmath>
#include <cstring>
#include <map>

namespace sim {
namespace {

const uintptr_t kRegionTag = 0x16;

struct Regions {
    std::map<uintptr_t, std::vector<RECT>> rects;
    uintptr_t nextSerial = 1;
};

Regions &regions() {
    static Regions r;
    return r;
}

uintptr_t key(const void *handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

// A transformed coordinate, rounded as GDI rounds and kept to the 32-bit range.
LONG transformed(double value) {
    double rounded = std::floor(value + 0.5);
    return rounded > INT32_MAX ? INT32_MAX : rounded < INT32_MIN ? INT32_MIN : static_cast<LONG>(rounded);
}

} // namespace

bool delete_region(HGDIOBJ handle) {
    return regions().rects.erase(key(handle)) == 1;
}

int live_regions() {
    return static_cast<int>(regions().rects.size());
}

void reset_regions() {
    // Serial numbers go on: handles from before a reset stay invalid.
    regions().rects.clear();
}

} // namespace sim

HRGN WINAPI ExtCreateRegion(const XFORM *xform, DWORD count, const RGNDATA *data) {
    if (sim::enter("ExtCreateRegion", "%s, %u, %s", xform ? "xform" : "(null)", count,
                   data ? "data" : "(null)"))
        return nullptr;
    // The header must be whole and name rectangles, and the size given must
    // hold the header and every rectangle it counts.
    if (!data || count < sizeof(RGNDATAHEADER) || data->rdh.dwSize < sizeof(RGNDATAHEADER) ||
        data->rdh.iType != RDH_RECTANGLES ||
        (count - data->rdh.dwSize) / sizeof(RECT) < data->rdh.nCount || count < data->rdh.dwSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Scaling and moving only: a transform that turns or shears is not simulated.
    if (xform && (xform->eM12 != 0 || xform->eM21 != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const char *at = reinterpret_cast<const char *>(data) + data->rdh.dwSize;
    std::vector<RECT> rects;
    rects.reserve(data->rdh.nCount);
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        RECT r;
        memcpy(&r, at + i * sizeof(RECT), sizeof r);
        if (xform) {
            LONG l = sim::transformed(r.left * double(xform->eM11) + xform->eDx);
            LONG rr = sim::transformed(r.right * double(xform->eM11) + xform->eDx);
            LONG t = sim::transformed(r.top * double(xform->eM22) + xform->eDy);
            LONG b = sim::transformed(r.bottom * double(xform->eM22) + xform->eDy);
            r = RECT{l < rr ? l : rr, t < b ? t : b, l < rr ? rr : l, t < b ? b : t};
        }
        if (r.left < r.right && r.top < r.bottom) rects.push_back(r);
    }
    sim::Regions &all = sim::regions();
    uintptr_t handle = (sim::kRegionTag << 24) | all.nextSerial;
    all.nextSerial = all.nextSerial >= 0xFEFFFF ? 1 : all.nextSerial + 1;
    all.rects[handle] = std::move(rects);
    return reinterpret_cast<HRGN>(handle);
}

BOOL WINAPI FillRgn(HDC dc, HRGN region, HBRUSH brush) {
    if (sim::enter("FillRgn", "%p, %p, %p", static_cast<void *>(dc), static_cast<void *>(region),
                   static_cast<void *>(brush)))
        return FALSE;
    auto it = sim::regions().rects.find(sim::key(region));
    if (it == sim::regions().rects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // An empty region still needs a valid context and brush.
    if (it->second.empty()) return sim::fill_rect(dc, RECT{0, 0, 0, 0}, brush) ? TRUE : FALSE;
    for (const RECT &r : it->second)
        if (!sim::fill_rect(dc, r, brush)) return FALSE;
    return TRUE;
}
