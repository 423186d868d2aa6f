// The IPA fonts that serve the engine's faces, named by path so that the tests never depend
// on fontconfig or the machine's font set-up. scripts/setup.sh installs them
// (fonts-ipafont; the expected figures of the tests are those of version 00303-23).
#pragma once

#include <memory>
#include <string>

#include "platform/fonts.h"
#include "platform/fonts/freetype_fonts.h"

namespace velmira::test {

inline constexpr char kIpaGothic[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
inline constexpr char kIpaPGothic[] = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
inline constexpr char kIpaPMincho[] = "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf";

// An engine with an empty face table and no fontconfig: each face served by its IPA file,
// given by path.
inline std::unique_ptr<platform::FreeTypeFontEngine> ipaFontEngine() {
    auto engine =
        std::make_unique<platform::FreeTypeFontEngine>(platform::FreeTypeFontOptions{{}, false});
    engine->setFaceFile(platform::kFaceGothic, kIpaGothic);
    engine->setFaceFile(platform::kFacePGothic, kIpaPGothic);
    engine->setFaceFile(platform::kFacePMincho, kIpaPMincho);
    return engine;
}

} // namespace velmira::test
