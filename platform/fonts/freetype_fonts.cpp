#include "platform/fonts/freetype_fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "platform/encoding.h"

namespace velmira::platform {

// The library handle and the Shift-JIS decoder, shared by the engine and every font made
// from it; the last owner closes them.
struct FreeTypeFontEngine::Library {
    Library() {
        if (FT_Init_FreeType(&handle) != 0) handle = nullptr;
    }
    ~Library() {
        if (handle != nullptr) FT_Done_FreeType(handle);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    FT_Library handle = nullptr;
    SjisCharDecoder decoder;
};

namespace {

// Largest em, in pixels at the bitmap's scale, that a glyph is drawn at: eight times the
// largest font height. It bounds the bitmap FreeType allocates for one glyph.
constexpr int64_t kMaxEmPixels = int64_t(FreeTypeFontEngine::kMaxHeight) * 8;
// Sizes a font keeps set up at once; the engine asks for two scales (text and ruby).
constexpr size_t kMaxSizes = 4;
// The glyphs a font keeps (a 24-pixel face's glyph is about 4 KiB at eight times the size).
constexpr size_t kCacheBytes = size_t(8) << 20;
// Synthetic bold thickens strokes by em / kBoldDivisor. A simulated bold face is
// emboldened by about one device pixel at the size it is drawn; the bitmap here is drawn
// at eight times a 24-pixel font, so that is em / 192: the outline grows by one
// sub-pixel there, 1/8 pixel in the final glyph, and proportionally at other sizes. The
// visible weight comes from the glyph renderer's one-pixel widening that follows.
constexpr FT_Pos kBoldDivisor = 192;
// Weights from here on are bold; on a face without a bold style they are synthesised.
constexpr int32_t kBoldWeight = 600;

// A source a face may be opened from: a file (with a face index inside a collection) or a
// font's bytes.
struct Source {
    std::string path;
    int index = 0;
    std::shared_ptr<const std::vector<uint8_t>> data;
};

// fontconfig's best match for `family` among fonts that cover Japanese; empty path when
// there is none. fontconfig loads its configuration on the first call.
Source fontconfigMatch(const std::string& family) {
    Source found;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return found;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return found;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        found.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch && index >= 0)
            found.index = index;
    }
    FcPatternDestroy(match);
    return found;
}

// Cell metrics of a face in font units: the ascent and ascent + descent that a cell
// height is measured by. The Windows metrics of the OS/2 table first, as they define the
// cell; hhea when they are missing or zero; FreeType's own figures for other formats.
struct CellUnits {
    int64_t ascent = 0;
    int64_t height = 0;
};

CellUnits cellUnits(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF &&
        int64_t(os2->usWinAscent) + os2->usWinDescent > 0)
        return {os2->usWinAscent, int64_t(os2->usWinAscent) + os2->usWinDescent};
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (hhea != nullptr && int64_t(hhea->Ascender) - hhea->Descender > 0)
        return {hhea->Ascender, int64_t(hhea->Ascender) - hhea->Descender};
    return {face->ascender, int64_t(face->ascender) - face->descender};
}

class FreeTypeFont final : public Font {
  public:
    using Library = FreeTypeFontEngine::Library;

    // Takes ownership of `face`; `data` holds the bytes a memory face reads from.
    FreeTypeFont(std::shared_ptr<Library> library, FT_Face face,
                 std::shared_ptr<const std::vector<uint8_t>> data, bool unicode, int32_t height,
                 int32_t weight, bool embolden)
        : library_(std::move(library)), data_(std::move(data)), face_(face), unicode_(unicode),
          weight_(weight), embolden_(embolden) {
        const CellUnits cell = cellUnits(face);
        // A cell height h makes the em h * unitsPerEm / (ascent + descent) pixels and the
        // ascent round(h * ascent / (ascent + descent)); a negative height is the em
        // itself. The em is kept as a fraction (emNumerator / emDenominator pixels) so
        // that each scale rounds once, in activeSize.
        if (height > 0) {
            emNumerator_ = int64_t(height) * face->units_per_EM;
            emDenominator_ = cell.height;
            ascent_ = roundedRatio(int64_t(height) * cell.ascent, cell.height);
        } else {
            emNumerator_ = -int64_t(height);
            emDenominator_ = 1;
            ascent_ = roundedRatio(-int64_t(height) * cell.ascent, face->units_per_EM);
        }
    }
    ~FreeTypeFont() override { FT_Done_Face(face_); } // frees the sizes too
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;

    int32_t ascent() const override { return ascent_; }
    int32_t weight() const override { return weight_; }

    int64_t glyphBitmap(uint32_t code, int32_t scale16, GlyphMetrics& metrics, uint8_t* buffer,
                        size_t bufferSize) override {
        const CachedGlyph& glyph = cachedGlyph(code, scale16);
        if (!glyph.ok) return -1;
        metrics = glyph.metrics;
        const auto size = static_cast<int64_t>(glyph.bits.size());
        if (buffer == nullptr || size == 0) return size;
        if (bufferSize < glyph.bits.size()) return -1;
        std::memcpy(buffer, glyph.bits.data(), glyph.bits.size());
        return size;
    }

  private:
    // One scale's size object: its em in 26.6 pixels and the bold strength that goes
    // with it.
    struct ScaledSize {
        int32_t scale16 = 0;
        FT_Size size = nullptr;
        FT_Pos boldStrength = 0;
    };

    static int32_t roundedRatio(int64_t numerator, int64_t denominator) {
        if (denominator <= 0) return 0;
        return static_cast<int32_t>((2 * numerator + denominator) / (2 * denominator));
    }

    FT_UInt glyphIndex(uint32_t code) {
        if (!unicode_) return FT_Get_Char_Index(face_, code); // the face maps Shift-JIS
        const char32_t c = library_->decoder.decode(code);
        return c == 0 ? 0 : FT_Get_Char_Index(face_, c);
    }

    // The size object for `scale16`, active and set; null when the scale gives no usable
    // em. The em in 26.6 pixels is em * scale16 / 65536 * 64, rounded to nearest once;
    // FreeType then rounds it to whole pixels where the face's head table asks for that
    // (flag bit 3, which the IPA fonts set), as a TrueType rasteriser must.
    ScaledSize* activeSize(int32_t scale16) {
        // First, as a slot whose setting failed is left with scale 0.
        if (scale16 <= 0) return nullptr;
        for (ScaledSize& s : sizes_)
            if (s.scale16 == scale16) return FT_Activate_Size(s.size) == 0 ? &s : nullptr;
        const int64_t denominator = emDenominator_ * 1024; // 65536 / 64
        const int64_t em26 = (emNumerator_ * scale16 + denominator / 2) / denominator;
        if (em26 < 1 || em26 > kMaxEmPixels * 64) return nullptr;

        ScaledSize* slot = nullptr;
        if (sizes_.size() < kMaxSizes) {
            FT_Size size = nullptr;
            if (FT_New_Size(face_, &size) != 0) return nullptr;
            sizes_.push_back({0, size, 0});
            slot = &sizes_.back();
        } else {
            slot = &sizes_[nextReuse_];
            nextReuse_ = (nextReuse_ + 1) % kMaxSizes;
        }
        slot->scale16 = 0; // unusable until set
        if (FT_Activate_Size(slot->size) != 0 ||
            FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(em26), 72, 72) != 0)
            return nullptr;
        slot->scale16 = scale16;
        slot->boldStrength = static_cast<FT_Pos>(em26 / kBoldDivisor);
        return slot;
    }

    // A glyph as the engine receives it: rows padded to 32 bits, the bits right of the box
    // zero. ok is false for a character this face cannot draw.
    struct CachedGlyph {
        bool ok = false;
        GlyphMetrics metrics;
        std::vector<uint8_t> bits;
    };

    // The engine draws every character anew each time it shows it (twice per glyph: the
    // size, then the bitmap), as a system font engine with its own glyph cache would
    // serve it. Rasterising at eight times the size is most of the cost of text, and pages
    // share most of their characters, so each font keeps the glyphs it made, up to
    // kCacheBytes (then it starts afresh).
    const CachedGlyph& cachedGlyph(uint32_t code, int32_t scale16) {
        const uint64_t key = (uint64_t(uint32_t(scale16)) << 32) | code;
        if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
        if (cacheBytes_ > kCacheBytes) {
            cache_.clear();
            cacheBytes_ = 0;
        }
        CachedGlyph glyph;
        glyph.ok = loadGlyph(code, scale16, glyph);
        if (!glyph.ok) glyph.bits.clear();
        cacheBytes_ += glyph.bits.size() + sizeof(CachedGlyph) + sizeof(key);
        return cache_.emplace(key, std::move(glyph)).first->second;
    }

    bool loadGlyph(uint32_t code, int32_t scale16, CachedGlyph& out) {
        const FT_UInt index = glyphIndex(code);
        if (index == 0) return false; // unmapped, or the face would draw its notdef
        const ScaledSize* size = activeSize(scale16);
        if (size == nullptr) return false;
        // Outlines only and no hinting: the same bitmap on every machine and FreeType
        // version, whatever bitmap strikes the font carries.
        if (FT_Load_Glyph(face_, index, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0) return false;
        FT_GlyphSlot slot = face_->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
        FT_Pos advanceX = slot->advance.x;
        if (embolden_ && size->boldStrength > 0) {
            if (FT_Outline_Embolden(&slot->outline, size->boldStrength) != 0) return false;
            advanceX += size->boldStrength;
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
        const FT_Bitmap& bitmap = slot->bitmap;
        // A glyph without contours (a space) has no bitmap, only its advance, whatever
        // box FreeType gives it.
        const bool empty = slot->outline.n_contours == 0 || bitmap.width == 0 || bitmap.rows == 0;
        if (!empty && (bitmap.pixel_mode != FT_PIXEL_MODE_MONO || bitmap.buffer == nullptr ||
                       size_t(bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch) <
                           (size_t(bitmap.width) + 7) / 8))
            return false;
        if (bitmap.width > unsigned(kMaxEmPixels * 4) || bitmap.rows > unsigned(kMaxEmPixels * 4))
            return false;
        GlyphMetrics& metrics = out.metrics;
        metrics.blackBoxWidth = empty ? 0 : static_cast<int32_t>(bitmap.width);
        metrics.blackBoxHeight = empty ? 0 : static_cast<int32_t>(bitmap.rows);
        metrics.originX = slot->bitmap_left;
        metrics.originY = slot->bitmap_top;
        // Whole pixels at the bitmap's scale, rounded to nearest.
        metrics.cellIncrementX = static_cast<int32_t>((advanceX + 32) >> 6);
        metrics.cellIncrementY = static_cast<int32_t>((slot->advance.y + 32) >> 6);

        // FreeType's rows are packed to its own pitch (upward flow when negative); ours are
        // padded to 32 bits, and the bits right of the box are zero.
        const size_t pitch = (size_t(metrics.blackBoxWidth) + 31) / 32 * 4;
        out.bits.assign(pitch * size_t(metrics.blackBoxHeight), 0);
        const size_t rowBytes = (size_t(metrics.blackBoxWidth) + 7) / 8;
        const int tailBits = metrics.blackBoxWidth % 8;
        const auto tailMask = static_cast<uint8_t>(tailBits == 0 ? 0xFF : 0xFF << (8 - tailBits));
        const int64_t srcPitch = bitmap.pitch;
        for (int64_t r = 0; r < metrics.blackBoxHeight; ++r) {
            const int64_t srcRow = srcPitch >= 0 ? r : metrics.blackBoxHeight - 1 - r;
            const uint8_t* src = bitmap.buffer + srcRow * (srcPitch >= 0 ? srcPitch : -srcPitch);
            uint8_t* dst = out.bits.data() + size_t(r) * pitch;
            std::memcpy(dst, src, rowBytes);
            dst[rowBytes - 1] &= tailMask;
        }
        return true;
    }

    std::shared_ptr<Library> library_;
    std::shared_ptr<const std::vector<uint8_t>> data_;
    FT_Face face_;
    bool unicode_;
    int32_t weight_;
    bool embolden_;
    int32_t ascent_ = 0;
    int64_t emNumerator_ = 0, emDenominator_ = 1;
    std::vector<ScaledSize> sizes_;
    size_t nextReuse_ = 0;
    std::unordered_map<uint64_t, CachedGlyph> cache_;
    size_t cacheBytes_ = 0;
};

} // namespace

std::vector<FaceSource> defaultFaceTable() {
    return {
        {kFaceGothic, "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", "IPAGothic"},
        {kFacePGothic, "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf", "IPAPGothic"},
        {kFacePMincho, "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf", "IPAPMincho"},
    };
}

FreeTypeFontEngine::FreeTypeFontEngine(FreeTypeFontOptions options)
    : options_(std::move(options)), library_(std::make_shared<Library>()) {}

FreeTypeFontEngine::~FreeTypeFontEngine() = default;

void FreeTypeFontEngine::setFaceFile(std::string_view face, std::string path) {
    if (path.empty()) {
        overrides_.erase(std::string(face));
        return;
    }
    overrides_[std::string(face)] = Override{std::move(path), nullptr};
}

void FreeTypeFontEngine::setFaceData(std::string_view face, std::vector<uint8_t> data) {
    if (data.empty()) {
        overrides_.erase(std::string(face));
        return;
    }
    overrides_[std::string(face)] =
        Override{{}, std::make_shared<const std::vector<uint8_t>>(std::move(data))};
}

std::unique_ptr<Font> FreeTypeFontEngine::createFont(std::string_view face, int32_t height,
                                                     int32_t weight) {
    if (library_->handle == nullptr) return nullptr;
    if (height == 0) height = kDefaultHeight;
    if (height > kMaxHeight || height < -kMaxHeight) return nullptr;
    if (weight <= 0) weight = 400;
    weight = std::min(weight, 1000);

    // A font from one source, or null when FreeType cannot open it or it is not a scalable
    // font with a character map the engine's codes can reach.
    const auto open = [&](const Source& source) -> std::unique_ptr<Font> {
        FT_Face ftFace = nullptr;
        const FT_Error error =
            source.data != nullptr
                ? FT_New_Memory_Face(library_->handle, source.data->data(),
                                     static_cast<FT_Long>(source.data->size()), 0, &ftFace)
                : FT_New_Face(library_->handle, source.path.c_str(), source.index, &ftFace);
        if (error != 0 || ftFace == nullptr) return nullptr;
        const bool unicode = FT_Select_Charmap(ftFace, FT_ENCODING_UNICODE) == 0;
        const bool usable = FT_IS_SCALABLE(ftFace) && ftFace->units_per_EM > 0 &&
                            cellUnits(ftFace).height > 0 &&
                            (unicode || FT_Select_Charmap(ftFace, FT_ENCODING_SJIS) == 0);
        if (!usable) {
            FT_Done_Face(ftFace);
            return nullptr;
        }
        const bool embolden =
            weight >= kBoldWeight && (ftFace->style_flags & FT_STYLE_FLAG_BOLD) == 0;
        return std::make_unique<FreeTypeFont>(library_, ftFace, source.data, unicode, height,
                                              weight, embolden);
    };

    // The sources in order: the override, the table's file, then fontconfig.
    if (const auto it = overrides_.find(face); it != overrides_.end())
        if (auto font = open({it->second.path, 0, it->second.data})) return font;
    const FaceSource* row = nullptr;
    for (const FaceSource& f : options_.faces)
        if (f.face == face) row = &f;
    if (row != nullptr && !row->path.empty())
        if (auto font = open({row->path, 0, nullptr})) return font;
    if (!options_.fontconfig) return nullptr;
    const Source found = fontconfigMatch(row != nullptr ? row->family : sjisToUtf8(face));
    if (found.path.empty()) return nullptr;
    return open(found);
}

} // namespace velmira::platform
