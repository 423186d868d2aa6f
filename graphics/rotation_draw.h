// Drawing a picture turned about a point: the hands of the message box's clock.
//
// Every pixel (x, y) of the whole destination takes the source pixel at
//   (px + ((cs * (x - cx) - sn * (y - cy)) >> 10), py + ((sn * (x - cx) + cs * (y - cy)) >> 10))
// with sn = round(sin(2 pi turns) * 1024 / scale) and cs = round(cos(2 pi turns) * 1024 /
// scale): the source's pivot (px, py) lands on the destination's centre (cx, cy). The
// positions are 10-bit fixed point, stepped along each row; ">>" floors. Destination pixels
// whose source position lies outside the source are left alone. Since y grows downwards, a
// growing angle turns the picture counter-clockwise on screen.
//
// Pixels, for every pair of formats (Gray8, GrayAlpha16, Bgr24, Abgr32):
//  - a source with alpha (Abgr32, GrayAlpha16) is blended by its alpha a as glyphs are:
//    each colour or grey byte c <- mix(c, s, a), a destination alpha A <- unionAlpha(A, a);
//  - a source without alpha is copied (a destination alpha becomes 255);
//  - grey from colour is gray(R, G, B); colour from grey repeats the level.
#pragma once

#include <cstdint>

#include "graphics/surface.h"

namespace velmira {

// False (nothing drawn) when either surface is empty. A scale that is not above 0 (or not
// a number) is taken as 1; an angle that is not finite as 0.
bool drawRotated(Surface& destination, const Surface& source, int32_t centreX, int32_t centreY,
                 int32_t pivotX, int32_t pivotY, double turns, double scale = 1.0);

} // namespace velmira
