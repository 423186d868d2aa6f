#include "graphics/rotation_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "graphics/blitter.h"
#include "graphics/pixel.h"

namespace velmira {
namespace {

// round(value * 1024 / scale), kept inside a range where the row sums cannot overflow
// (a tiny scale magnifies without bound).
int64_t fixedPoint(double value, double scale) {
    const double v = std::clamp(value * 1024.0 / scale, -1073741824.0, 1073741824.0);
    return std::llround(v);
}

} // namespace

bool drawRotated(Surface& destination, const Surface& source, int32_t centreX, int32_t centreY,
                 int32_t pivotX, int32_t pivotY, double turns, double scale) {
    if (destination.empty() || source.empty()) return false;
    if (!(scale > 0.0)) scale = 1.0;
    if (!std::isfinite(turns)) turns = 0.0;
    const double angle = 2.0 * std::numbers::pi * turns;
    const int64_t sn = fixedPoint(std::sin(angle), scale);
    const int64_t cs = fixedPoint(std::cos(angle), scale);
    const int64_t cx = centreX, cy = centreY, px = pivotX, py = pivotY;
    const int64_t sw = source.width(), sh = source.height();
    const size_t db = static_cast<size_t>(destination.bytesPerPixel());
    const size_t sb = static_cast<size_t>(source.bytesPerPixel());

    // Each row's source pixels are gathered into a row of the source's format and then
    // copied by the blitter's row copy, which combines every pair of formats. Gathering
    // first also keeps the copy's rows apart when both surfaces are one.
    std::vector<uint8_t> gathered(static_cast<size_t>(destination.width()) * sb);
    for (int32_t y = 0; y < destination.height(); ++y) {
        // The source position of column 0; each column further adds (cs, sn).
        int64_t u = cs * -cx - sn * (y - cy);
        int64_t v = sn * -cx + cs * (y - cy);
        int32_t first = 0, count = 0;
        for (int32_t x = 0; x < destination.width(); ++x, u += cs, v += sn) {
            const int64_t sx = px + (u >> 10);
            const int64_t sy = py + (v >> 10);
            if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) {
                // sx and sy each move one way along a row (u and v are linear in x), so
                // the columns inside the source form a single run: once it ends, the row
                // is done.
                if (count > 0) break;
                continue;
            }
            if (count == 0) first = x;
            std::memcpy(gathered.data() + static_cast<size_t>(count) * sb,
                        source.row(static_cast<int32_t>(sy)) + static_cast<size_t>(sx) * sb, sb);
            ++count;
        }
        copyPixels(destination.row(y) + static_cast<size_t>(first) * db, destination.format(),
                   gathered.data(), source.format(), count);
    }
    return true;
}

} // namespace velmira
