#include "graphics/transitions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/blitter.h"

namespace velmira {

namespace {

size_t screenPixels(ScreenSize size) {
    if (size.width <= 0 || size.height <= 0) return 0;
    return static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
}

// A surface can take part in a screen-wide loop of bytesPerPixel bytes per pixel.
bool holdsScreen(const Surface& s, ScreenSize size, PixelFormat format) {
    return !s.empty() && s.format() == format && screenPixels(size) > 0 &&
           s.byteCount() >= screenPixels(size) * static_cast<size_t>(bytesPerPixel(format));
}

// Wipe progress 0..1024 and beyond; 64-bit so that a long wait cannot wrap the product.
uint64_t wipeLevel(uint32_t elapsedMs, int32_t ms) {
    return uint64_t{elapsedMs} * 1024u / static_cast<uint32_t>(ms);
}

// r mod (2a) - a, or 0 when a is 0 (a negative amount counts as 0).
int32_t randomOffset(int32_t amount) {
    if (amount <= 0) return 0;
    return std::rand() % (2 * amount) - amount;
}

uint8_t clampByte(int32_t v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

bool sameBgr24Size(const Surface& a, const Surface& b) {
    return !a.empty() && !b.empty() && a.format() == PixelFormat::Bgr24 &&
           b.format() == PixelFormat::Bgr24 && a.width() == b.width() && a.height() == b.height();
}

} // namespace

Transitions::Transitions(FrameBuffers& frames, SceneSource& scene, platform::Clock& clock,
                         EffectHost& host, const ArchiveIndex& archives)
    : frames_(frames), scene_(scene), clock_(clock), host_(host), archives_(archives) {}

void Transitions::setNextCrossFade(int32_t ms) {
    pendingDuration_ = std::clamp(ms, 0, kMaxCrossFadeMs);
}

void Transitions::presentNow() {
    scene_.compose(frames_.scene);
    frontIsScene_ = false;
    currentDuration_ = 0;
}

// A static scene costs nothing per frame: the display loops call updateScene and present
// about a thousand times a second while they wait, so the scene is copied to the front
// buffer only when something changed since the last copy - a compose, a cross-fade frame,
// or anyone else drawing on the front buffer (the message window, the effects), which
// every writer announces through FrameBuffers::frontChanged(). The version left by our
// own copy tells the two apart, and presenting an unchanged version is cheap too.
void Transitions::showScene() {
    if (frontIsScene_ && frames_.frontVersion == sceneCopyVersion_) return;
    if (!copyFrame(frames_.front, frames_.scene, frames_.size)) return;
    frames_.frontChanged();
    sceneCopyVersion_ = frames_.frontVersion;
    frontIsScene_ = true;
}

bool Transitions::sceneSettled() const {
    return !scene_.needsRecomposition() && currentDuration_ <= 0 &&
           host_.sceneMode() != SceneMode::System && !scene_.animatedBackground();
}

void Transitions::updateScene() {
    const SceneMode mode = host_.sceneMode();
    if (scene_.needsRecomposition()) {
        currentDuration_ = pendingDuration_ >= 0 ? pendingDuration_ : kDefaultCrossFadeMs;
        pendingDuration_ = -1;
        copyFrame(frames_.previous, frames_.scene, frames_.size);
        scene_.compose(frames_.scene);
        frontIsScene_ = false;
        fadeStart_ = clock_.now();
    } else if (mode == SceneMode::System || scene_.animatedBackground()) {
        // The animation runs on; a cross-fade in progress continues toward the fresh scene.
        scene_.compose(frames_.scene);
        frontIsScene_ = false;
    }
    if (mode != SceneMode::System && mode != SceneMode::Demo &&
        (!host_.effectsOn() || host_.skipping()))
        currentDuration_ = 0;

    if (currentDuration_ <= 0) {
        showScene();
        return;
    }
    const uint64_t level = uint64_t{platform::elapsed(fadeStart_, clock_.now())} * 256u /
                           static_cast<uint32_t>(currentDuration_);
    if (level >= 256) {
        showScene();
        currentDuration_ = 0;
        return;
    }
    const ScreenSize size = frames_.size;
    if (!holdsScreen(frames_.front, size, PixelFormat::Bgr24) ||
        !holdsScreen(frames_.scene, size, PixelFormat::Bgr24) ||
        !holdsScreen(frames_.previous, size, PixelFormat::Bgr24))
        return;
    const size_t bytes = screenPixels(size) * 3;
    if (mmx_)
        crossFadeMmx(frames_.front.pixels(), frames_.scene.pixels(), frames_.previous.pixels(),
                     bytes, static_cast<int32_t>(level));
    else
        crossFadePlain(frames_.front.pixels(), frames_.scene.pixels(), frames_.previous.pixels(),
                       bytes, static_cast<int32_t>(level));
    frames_.frontChanged();
}

void Transitions::presentFront() {
    frames_.frontChanged();
    host_.present();
}

bool Transitions::shake(int32_t hAmplitude, int32_t vAmplitude, int32_t hCycle, int32_t vCycle,
                        int32_t durationMs) {
    // A negative duration would never be reached by the unsigned elapsed time: nothing to
    // shake, like a zero one.
    if (!host_.effectsOn() || durationMs <= 0) return true;
    const uint32_t start = clock_.now();
    for (;;) {
        if (!host_.pollInput() || host_.skipping()) break;
        const uint32_t e = platform::elapsed(start, clock_.now());
        const long double le = e;
        const auto dx =
            static_cast<int32_t>(std::trunc(std::sin(le * hCycle / durationMs) * hAmplitude));
        const auto dy =
            static_cast<int32_t>(std::trunc(std::sin(le * vCycle / durationMs) * vAmplitude));
        copy(frames_.front, frames_.scene, dx, dy);
        presentFront();
        if (e > static_cast<uint32_t>(durationMs)) break;
    }
    copy(frames_.front, frames_.scene, 0, 0);
    frames_.frontChanged();
    return true;
}

bool Transitions::flash(int32_t count, Rgb colour) {
    count = std::clamp(count, 1, 10);
    for (int32_t i = 0; i < count; ++i) {
        fillScreen(frames_.front, colour, frames_.size);
        presentFront();
        presentScene();
    }
    return true;
}

bool Transitions::prepareWipe(std::string_view rule, OwnedSurface& mask) {
    presentNow();
    const ScreenSize size = frames_.size;
    return loadCentredMask(mask, archives_, rule, size) &&
           holdsScreen(mask, size, PixelFormat::Gray8) &&
           holdsScreen(frames_.front, size, PixelFormat::Bgr24) &&
           holdsScreen(frames_.scene, size, PixelFormat::Bgr24);
}

void Transitions::presentScene() {
    copyFrame(frames_.front, frames_.scene, frames_.size);
    presentFront();
}

template <typename Step> void Transitions::runWipe(int32_t ms, Step step) {
    const uint32_t start = clock_.now();
    for (;;) {
        if (!host_.pollInput() || host_.skipping()) break;
        const uint64_t level = wipeLevel(platform::elapsed(start, clock_.now()), ms);
        if (level > 1024) break;
        step(static_cast<int32_t>(level));
        presentFront();
    }
    presentScene();
}

bool Transitions::wipe(std::string_view rule, int32_t ms) {
    // A negative length would make the unsigned progress crawl for days: it counts as 0.
    if (!host_.effectsOn() || ms <= 0) {
        presentScene();
        return true;
    }
    OwnedSurface mask;
    if (!prepareWipe(rule, mask)) return false;

    const size_t pixels = screenPixels(frames_.size);
    const uint8_t* m = mask.pixels();
    const uint8_t* scene = frames_.scene.pixels();
    uint8_t* front = frames_.front.pixels();
    runWipe(ms, [&](int32_t level) {
        const auto edge = static_cast<uint32_t>(level >> 2);
        for (size_t i = 0; i < pixels; ++i)
            if (m[i] < edge) std::memcpy(front + 3 * i, scene + 3 * i, 3);
    });
    return true;
}

bool Transitions::softWipe(std::string_view rule, int32_t ms) {
    if (!host_.effectsOn() || ms <= 0) {
        presentScene();
        return true;
    }
    OwnedSurface mask;
    if (!prepareWipe(rule, mask) ||
        !holdsScreen(frames_.previous, frames_.size, PixelFormat::Bgr24))
        return false;

    const size_t pixels = screenPixels(frames_.size);
    std::memcpy(frames_.previous.pixels(), frames_.front.pixels(), pixels * 3);
    const uint8_t* m = mask.pixels();
    const uint8_t* scene = frames_.scene.pixels();
    const uint8_t* previous = frames_.previous.pixels();
    uint8_t* front = frames_.front.pixels();
    runWipe(ms, [&](int32_t level) {
        // The band of mixed pixels, 255 mask values wide, moves from below mask 0 (all old)
        // to above 255 (all new). Within it the weight runs from the new picture at a = 1 to
        // the old one at a = 255, so the band joins both sides without a step.
        const int32_t shift = (level - 512) >> 1;
        for (size_t i = 0; i < pixels; ++i) {
            const int32_t a = m[i] - shift;
            uint8_t* f = front + 3 * i;
            const uint8_t* s = scene + 3 * i;
            const uint8_t* p = previous + 3 * i;
            if (a < 1) {
                std::memcpy(f, s, 3);
            } else if (a > 255) {
                std::memcpy(f, p, 3);
            } else {
                for (int c = 0; c < 3; ++c)
                    f[c] = static_cast<uint8_t>(mix(s[c], p[c], a));
            }
        }
    });
    copyFrame(frames_.previous, frames_.scene, frames_.size);
    return true;
}

void Transitions::noiseDemonstration() {
    testPicture_.load(archives_, "_test.png");
    Surface& front = frames_.front;
    const Surface& picture = testPicture_;
    enum class Phase { RowNoise, RowJitter, ByteNoise, JitterThenNoise };
    struct Step {
        Phase phase;
        uint32_t ms;
    };
    static constexpr std::array<Step, 4> kPhases = {{{Phase::RowNoise, 3000},
                                                     {Phase::RowJitter, 3000},
                                                     {Phase::ByteNoise, 3000},
                                                     {Phase::JitterThenNoise, 4000}}};
    for (const Step& step : kPhases) {
        const uint32_t start = clock_.now();
        while (platform::elapsed(start, clock_.now()) < step.ms) {
            if (!host_.pollInput()) return;
            clock_.sleep(1);
            switch (step.phase) {
            case Phase::RowNoise:
                rowNoise(front, picture, std::rand() % 50 + 10);
                break;
            case Phase::RowJitter:
                rowJitter(front, picture, std::rand() % 8);
                break;
            case Phase::ByteNoise:
                byteNoise(front, picture, std::rand() % 20 + 30);
                break;
            case Phase::JitterThenNoise:
                rowJitter(front, picture, std::rand() % 8);
                rowNoise(front, front, std::rand() % 50 + 10);
                break;
            }
            presentFront();
        }
    }
}

// The filters read each byte before writing it, so dst may be src (row jitter goes through
// a copy of the row for that).

void rowNoise(Surface& dst, const Surface& src, int32_t amount) {
    if (!sameBgr24Size(dst, src)) return;
    std::array<int32_t, 256> offsets;
    for (int32_t& o : offsets)
        o = randomOffset(amount);
    for (int32_t y = 0; y < dst.height(); ++y) {
        const int32_t k = std::rand() % 256;
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < dst.width(); ++x) {
            const int32_t o = offsets[static_cast<size_t>((k + x) % 256)];
            for (int c = 0; c < 3; ++c)
                d[3 * x + c] = clampByte(s[3 * x + c] + o);
        }
    }
}

void rowJitter(Surface& dst, const Surface& src, int32_t amount) {
    if (!sameBgr24Size(dst, src)) return;
    const int32_t w = dst.width();
    std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
    for (int32_t y = 0; y < dst.height(); ++y) {
        const int32_t shift = randomOffset(amount);
        std::memcpy(row.data(), src.row(y), row.size());
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < w; ++x)
            std::memcpy(d + 3 * x, row.data() + 3 * std::clamp(x + shift, 0, w - 1), 3);
    }
}

void byteNoise(Surface& dst, const Surface& src, int32_t amount) {
    if (!sameBgr24Size(dst, src)) return;
    std::array<int32_t, 64> offsets;
    for (int32_t& o : offsets)
        o = randomOffset(amount);
    const size_t bytes = dst.byteCount();
    const uint8_t* s = src.pixels();
    uint8_t* d = dst.pixels();
    for (size_t i = 0; i < bytes; ++i)
        d[i] = clampByte(s[i] + offsets[((i >> 6) + i) % 64]);
}

} // namespace velmira
