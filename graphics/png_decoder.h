// The engine's PNG decoder. It accepts the variants the game pictures use - 8 bits per
// sample, colour types 0 (grey), 2 (RGB), 4 (grey + alpha) and 6 (RGBA), no interlace - and
// rejects everything else (bit depths 1, 2, 4, 16, palettes, interlaced files). The result
// is in the engine's layouts: Gray8 (L), Bgr24 (B, G, R), GrayAlpha16 (A, L), Abgr32
// (A, B, G, R).
//
// Behaviour on imperfect files, on purpose:
//  - CRCs and ancillary chunks are never examined; IDAT data may be split over any number
//    of chunks with other chunks between them.
//  - Compressed data that ends early (an IEND, the end of the zlib stream or a chunk cut
//    short) is not an error: rows not completed stay zero (black, fully transparent).
//  - A broken zlib stream, a bad signature or header, or a size that cannot be allocated
//    gives false. The surface keeps whatever was created when the result is false.
//  - Pictures above the pixel budget are refused before anything is allocated: at most
//    kMaxPictureSide pixels each way and kMaxPictureBytes bytes of pixels (8192 x 8192 with
//    alpha, 16384 x 16384 in grey), so a small file cannot make the engine claim gigabytes.
// Every read is bounds-checked: no input, however broken, makes the decoder read or write
// outside its buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/surface.h"

namespace velmira {

class ArchiveIndex;

inline constexpr uint32_t kMaxPictureSide = 16384;
inline constexpr uint64_t kMaxPictureBytes = uint64_t{256} << 20;

// Decodes size bytes of PNG data into surface (which is created anew).
bool decodePng(const uint8_t* data, size_t size, BufferedSurface& surface);

// Reads the member "img\<name>" through the archives and decodes it.
bool decodePngMember(const ArchiveIndex& archives, std::string_view name, BufferedSurface& surface);

} // namespace velmira
