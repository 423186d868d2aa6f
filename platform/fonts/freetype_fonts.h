// The font engine of both backends, on FreeType: one-bit glyph bitmaps of the engine's
// three Japanese faces, served by Debian's IPA fonts.
//
// Where a face comes from, first source that opens wins:
//   1. a file or bytes given by setFaceFile / setFaceData (a game's own font, tests);
//   2. the face table: "ＭＳ ゴシック" -> IPAGothic (ipag.ttf), "ＭＳ Ｐゴシック" ->
//      IPAPGothic (ipagp.ttf), "ＭＳ Ｐ明朝" -> IPAPMincho (ipamp.ttf);
//   3. when enabled, fontconfig's best Japanese match for the table's family name, for a
//      machine whose fonts live elsewhere.
// A file that is missing or that FreeType cannot use as a scalable font is skipped; when
// no source is left, createFont answers null.
//
// Sizes follow the cell-height convention of the engine's fonts: the height asked for is
// the face's Windows ascent + descent (OS/2 usWinAscent + usWinDescent; hhea ascender -
// descender when the face has no OS/2 table), not its em. Glyphs are loaded as outlines
// only (embedded bitmaps ignored), unhinted, and rendered in mono mode, so the bitmaps do
// not depend on FreeType's hinting engines or the font's bitmap strikes.
//
// Not thread-safe: the engine and its fonts are used from one thread. A font keeps what it
// needs alive (library, file bytes) and may outlive the engine.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts.h"

namespace velmira::platform {

// One row of the face table: the engine's face name (Shift-JIS bytes), the font file that
// serves it and the family name fontconfig is asked for when that file is missing.
struct FaceSource {
    std::string face;
    std::string path;
    std::string family;
};

// The engine's three faces on Debian's fonts-ipafont.
std::vector<FaceSource> defaultFaceTable();

struct FreeTypeFontOptions {
    std::vector<FaceSource> faces = defaultFaceTable();
    // Ask fontconfig when a face's table file is missing or broken. Off for runs that must
    // not depend on the machine's font set-up (tests, the headless backend).
    bool fontconfig = true;
};

class FreeTypeFontEngine final : public FontEngine {
  public:
    explicit FreeTypeFontEngine(FreeTypeFontOptions options = {});
    ~FreeTypeFontEngine() override;
    FreeTypeFontEngine(const FreeTypeFontEngine&) = delete;
    FreeTypeFontEngine& operator=(const FreeTypeFontEngine&) = delete;

    // `height` is the cell height in pixels (1 to kMaxHeight); a negative height is the em
    // height, as a font request may also say; 0 asks for kDefaultHeight. A weight of 600
    // or more on a face without a bold style is emboldened. Weight 0 means 400.
    std::unique_ptr<Font> createFont(std::string_view face, int32_t height,
                                     int32_t weight) override;
    // The last call for a face wins; an empty path or empty bytes remove the override.
    void setFaceFile(std::string_view face, std::string path) override;
    void setFaceData(std::string_view face, std::vector<uint8_t> data) override;

    static constexpr int32_t kMaxHeight = 1024;
    static constexpr int32_t kDefaultHeight = 16;

    struct Library; // FreeType's library handle, shared with the fonts made from it

  private:
    struct Override {
        std::string path;
        std::shared_ptr<const std::vector<uint8_t>> data;
    };

    FreeTypeFontOptions options_;
    std::shared_ptr<Library> library_;
    std::map<std::string, Override, std::less<>> overrides_;
};

} // namespace velmira::platform
