// The IPA fonts that serve the engine's faces, through the engine's own face table and never
// through fontconfig, so that the tests do not depend on the machine's font set-up.
// scripts/setup.sh installs them (fonts-ipafont; the expected figures of the tests are those
// of version 00303-23).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/fonts.h"
#include "platform/fonts/freetype_fonts.h"

namespace velmira::test {

// The file the face table names for `face`; empty for a face it does not have.
inline std::string ipaFontPath(std::string_view face) {
    for (const platform::FaceSource& row : platform::defaultFaceTable())
        if (row.face == face) return row.path;
    return {};
}

inline const std::string kIpaGothic = ipaFontPath(platform::kFaceGothic);
inline const std::string kIpaPMincho = ipaFontPath(platform::kFacePMincho);

// An engine on the face table without fontconfig: each face served by its IPA file.
inline std::unique_ptr<platform::FreeTypeFontEngine> ipaFontEngine() {
    return std::make_unique<platform::FreeTypeFontEngine>(
        platform::FreeTypeFontOptions{platform::defaultFaceTable(), false});
}

} // namespace velmira::test
