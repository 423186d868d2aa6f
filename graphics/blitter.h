// The blitter: every frame is built on the CPU by copying, alpha-compositing, blending and
// filling Surfaces with exact integer arithmetic (graphics/pixel.h).
//
// Contracts shared by the drawing operations:
//  - They return true on success, including when clipping leaves nothing to draw, and false
//    when either surface is empty or the format pair or blend mode has no routine.
//  - Opacity is used as 0..255: below 1 draws nothing and returns true (even with empty
//    surfaces); 255 or more is fully opaque.
//  - Source weight: 255 for Gray8 and Bgr24 sources, the alpha byte for GrayAlpha16 and
//    Abgr32 sources, scaled by the opacity (mul255) when one is given.
//  - Copies composite the source over the destination; on destinations with alpha the
//    coverage accumulates (union of alphas), it is never replaced. Blends never change a
//    destination's alpha.
//  - Converting colour to grey uses gray(); grey to colour repeats the level in B, G and R.
//  - Source and destination may be the same surface; overlapping blocks are read before
//    they are written.
//
// Clipping of copies and blends, in this order (x, y: destination; sx, sy, w, h: source
// block): a negative sx or sy moves the destination position and shrinks the block; then a
// negative x or y shrinks the block and advances the source offset; then the block is cut to
// both surfaces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/pixel.h"
#include "graphics/surface.h"

namespace velmira {

// Copies the w x h block at (sx, sy) of src to (x, y) of dst.
bool copyRect(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t w, int32_t h,
              int32_t sx, int32_t sy);
bool copy(Surface& dst, const Surface& src, int32_t x, int32_t y);
// Places the whole source by an anchor: 0 top-left, 1 top-right, 2 top-centre, 3 bottom-
// left, 4 bottom-right, 5 bottom-centre, 6 centre-left, 7 centre-right, 8 centre; (x, y) is
// that point of the picture. Halves round toward zero; anchors above 8 act as 0.
bool copyAnchored(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t anchor);
bool copyWithOpacity(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t opacity);
bool copyRectWithOpacity(Surface& dst, const Surface& src, int32_t x, int32_t y, int32_t w,
                         int32_t h, int32_t sx, int32_t sy, int32_t opacity);

// Draws the whole source in a layer mode. Formats: Gray8, Bgr24 and Abgr32 on either side;
// a GrayAlpha16 surface, mode None, Div or a value above Softlight give false.
bool blend(Surface& dst, const Surface& src, BlendMode mode, int32_t x, int32_t y, int32_t opacity);
bool blendRect(Surface& dst, const Surface& src, BlendMode mode, int32_t x, int32_t y, int32_t w,
               int32_t h, int32_t sx, int32_t sy, int32_t opacity);

// Sets a rectangle to a colour (alpha formats get A = 255). Clipped to dst.
bool fillRect(Surface& dst, Rgb colour, int32_t x, int32_t y, int32_t w, int32_t h);
// Moves a rectangle toward a colour by opacity/255; alpha formats accumulate coverage.
bool fillRectWithOpacity(Surface& dst, Rgb colour, int32_t x, int32_t y, int32_t w, int32_t h,
                         int32_t opacity);
// Writes count pixels of colour in format's layout from pixels on (no bounds: the caller's).
void fillPixels(uint8_t* pixels, PixelFormat format, size_t count, Rgb colour);
// Copies count pixels of a row from src to dst as copy does, converting between the
// formats: a source without alpha replaces the pixels, one with alpha is composited by it.
// The rows must not overlap; nothing happens for a count below 1 or an Empty format (no
// bounds: the caller's).
void copyPixels(uint8_t* dst, PixelFormat dstFormat, const uint8_t* src, PixelFormat srcFormat,
                int32_t count);
// A row routine that moves count (at least 1) pixels toward colour, each by its own weight
// coverage[i] as fillRectWithOpacity does by its opacity: 0 leaves the pixel as it is, 255
// sets it, alpha formats accumulate the coverage. The rows must not overlap (no bounds: the
// caller's). coverageFillRow answers the active kernel set's routine for a format, null for
// Empty; a caller drawing many rows looks it up once.
using CoverageFillRow = void (*)(uint8_t* pixels, const uint8_t* coverage, int32_t count,
                                 Rgb colour);
CoverageFillRow coverageFillRow(PixelFormat format);

// Copies screen.width * screen.height Bgr24 pixels from src to dst. False when either has
// no pixels, is not Bgr24 or is smaller than the screen.
bool copyFrame(Surface& dst, const Surface& src, ScreenSize screen);

// Resamples the whole Bgr24 source onto the whole Bgr24 destination by area averaging
// (save thumbnails). When enlarging, a destination pixel that covers no source pixel takes
// the source pixel under its centre.
bool scale(Surface& dst, const Surface& src);

// The pixel loops exist as a portable set and, on x86-64, a set compiled for AVX2 that is
// used by default when the processor has it. Both give identical results; choosing is for
// tests and benchmarks. selectBlitKernels returns false (and changes nothing) when the
// processor or the build lacks the set. Not meant to be called while another thread draws.
enum class BlitKernels { Portable, Avx2 };
bool selectBlitKernels(BlitKernels set);
BlitKernels activeBlitKernels();

} // namespace velmira
