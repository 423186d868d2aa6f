// A whole 800 x 600 scene composed by the layer stack, side by side with the same drawing
// done by pixman. The scene: a back layer (layer 0) with an opaque background and three
// full-screen overlays drawn last - Normal at 50% (copyWithOpacity), Add, and Screen or
// Multi (or none: pixman has no fast loops for those two, so the run without the third
// overlay compares only operations both sides have fast loops for) - and three actors
// (layers 1 to 3), each an alpha body with an alpha face.
//
// The pictures are PNG files in a temporary game folder (loose files under data/img and
// data/anime); the first compose loads them, only the later composes are timed. pixman gets
// the same pixels premultiplied (a8r8g8b8) and draws onto an x8r8g8b8 frame (its fast
// paths); the r8g8b8 frame, the engine's own 3-byte layout, is measured as well. pixman is
// not asked to clear the frame first: the background covers it.
//
// Counters: ms_per_frame for each, and in the side-by-side run (the two interleaved frame
// by frame, so both see the same machine load) ours_ms, pixman_ms, ratio = ours / pixman
// and max_diff, the largest channel difference between the two finished frames.
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <png.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/blitter.h"
#include "graphics/layers.h"
#include "graphics/transitions.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/virtual_clock.h"
#include "resource/archive.h"
#include "resource/trace.h"

namespace velmira {
namespace {

constexpr int32_t kW = 800, kH = 600;

uint32_t nextRandom(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 16;
}

// Straight (not premultiplied) R, G, B, A pixels.
struct Picture {
    int32_t w = 0, h = 0;
    std::vector<uint8_t> rgba;
    uint8_t* at(int32_t x, int32_t y) { return rgba.data() + (size_t(y) * w + x) * 4; }
};

Picture photo(int32_t w, int32_t h, uint32_t seed, int32_t tint) {
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * h * 4)};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t cx = x - w / 2, cy = y - h / 2;
            const int32_t radial = (cx * cx + cy * cy) >> 10;
            uint8_t* q = p.at(x, y);
            q[0] = uint8_t(((x * 5) / 16 + radial + tint + (nextRandom(seed) & 7)) & 255);
            q[1] = uint8_t((y * 3 / 8 + (x * y >> 11) + (nextRandom(seed) & 7)) & 255);
            q[2] =
                uint8_t((128 + ((x + y) >> 2) - radial / 2 + tint + (nextRandom(seed) & 7)) & 255);
            q[3] = 255;
        }
    return p;
}

// A character-like shape: clear surround, opaque ellipse, an 8-pixel soft edge.
Picture sprite(int32_t w, int32_t h, uint32_t seed, int32_t tint) {
    Picture p = photo(w, h, seed, tint);
    const int64_t rx = w / 2 - 10, ry = h / 2 - 10;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            // Distance from the ellipse's rim, in pixels, roughly.
            const double dx = double(x - w / 2) / rx, dy = double(y - h / 2) / ry;
            const double d = (std::sqrt(dx * dx + dy * dy) - 1.0) * double(std::min(rx, ry));
            p.at(x, y)[3] = d <= -8 ? 255 : d >= 0 ? 0 : uint8_t(-d * 255 / 8);
        }
    return p;
}

// Translucent everywhere (light effects); dim scales the colour down.
Picture veil(uint32_t seed, int32_t dim) {
    Picture p = photo(kW, kH, seed, 60);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            uint8_t* q = p.at(x, y);
            for (int c = 0; c < 3; ++c)
                q[c] = uint8_t(q[c] / dim);
            q[3] = uint8_t(1 + (x + 3 * y + (nextRandom(seed) & 15)) % 254);
        }
    return p;
}

std::string encodePng(const Picture& p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(p.w);
    image.height = uint32_t(p.h);
    // Opaque pictures go out as RGB, as a game's backgrounds are.
    const bool opaque = std::all_of(p.rgba.begin() + 3, p.rgba.end(), [i = 0](uint8_t v) mutable {
        return (i++ % 4 != 0) || v == 255;
    });
    std::vector<uint8_t> rgb;
    const void* pixels = p.rgba.data();
    image.format = PNG_FORMAT_RGBA;
    if (opaque) {
        image.format = PNG_FORMAT_RGB;
        rgb.reserve(size_t(p.w) * p.h * 3);
        for (size_t i = 0; i < p.rgba.size(); i += 4)
            rgb.insert(rgb.end(), p.rgba.begin() + i, p.rgba.begin() + i + 3);
        pixels = rgb.data();
    }
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr);
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr))
        throw std::runtime_error("PNG encoding failed");
    out.resize(size);
    return out;
}

std::vector<uint32_t> premultiplied(const Picture& p) {
    std::vector<uint32_t> out(size_t(p.w) * p.h);
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t* q = p.rgba.data() + i * 4;
        const uint32_t a = q[3];
        auto pre = [a](uint8_t c) { return uint32_t(mul255(c, int32_t(a))); };
        out[i] = (a << 24) | (pre(q[0]) << 16) | (pre(q[1]) << 8) | pre(q[2]);
    }
    return out;
}

struct Placed {
    int32_t x, y; // top-left on the screen
};

// The actors stand on the bottom edge at these x; the body's bottom centre is the anchor.
constexpr int32_t kActorX[3] = {160, 400, 640};
constexpr int32_t kBodyW = 260, kBodyH = 520, kFaceW = 120, kFaceH = 140;
constexpr int32_t kFaceX = 70, kFaceY = 40; // the face's top-left inside the body

// The game folder and the pixman copies of its pictures.
class Scene {
  public:
    Scene() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmira-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        dir_ = pattern + '/';

        background = photo(kW, kH, 1, 0);
        for (int k = 0; k < 3; ++k) {
            bodies[k] = sprite(kBodyW, kBodyH, 10 + k, 40 * k);
            faces[k] = sprite(kFaceW, kFaceH, 20 + k, 90 + 40 * k);
        }
        overlays[0] = veil(30, 1); // Normal, 50%
        overlays[1] = veil(31, 3); // Add: dim, or it turns the screen white
        overlays[2] = veil(32, 1); // Screen or Multi

        write("img/bg.png", encodePng(background));
        for (int k = 0; k < 3; ++k) {
            const std::string n = std::to_string(k);
            write("img/body" + n + ".png", encodePng(bodies[k]));
            write("img/face" + n + ".png", encodePng(faces[k]));
            write("anime/actor" + n + ".img",
                  "Type=actor\r\nBase=body" + n + ".png\r\nFace=face" + n + ".png\r\n" +
                      "PosX=" + std::to_string(kBodyW / 2) + "\r\nPosY=" + std::to_string(kBodyH) +
                      "\r\nFaceX=" + std::to_string(kFaceX) +
                      "\r\nFaceY=" + std::to_string(kFaceY) + "\r\n");
        }
        for (int k = 0; k < 3; ++k)
            write("img/over" + std::to_string(k) + ".png", encodePng(overlays[k]));
        for (int m = 0; m < 3; ++m)
            write("anime/" + backName(m), std::string("Type=back\r\nBase=bg.png\r\n") +
                                              "Img0=over0.png\r\nMode0=Normal\r\nAlpha0=50%\r\n" +
                                              "Img1=over1.png\r\nMode1=Add\r\n" +
                                              (m == 2 ? "" : "Img2=over2.png\r\nMode2=") +
                                              (m == 0   ? "Screen\r\n"
                                               : m == 1 ? "Multi\r\n"
                                                        : ""));

        pmBackground.resize(size_t(kW) * kH);
        for (size_t i = 0; i < pmBackground.size(); ++i) {
            const uint8_t* q = background.rgba.data() + i * 4;
            pmBackground[i] = 0xff000000u | (uint32_t(q[0]) << 16) | (uint32_t(q[1]) << 8) | q[2];
        }
        for (int k = 0; k < 3; ++k) {
            pmBodies[k] = premultiplied(bodies[k]);
            pmFaces[k] = premultiplied(faces[k]);
            pmOverlays[k] = premultiplied(overlays[k]);
        }
    }
    ~Scene() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    std::string dataFolder() const { return dir_ + "data/"; }
    // The back layer for a third-overlay mode: 0 Screen, 1 Multi, 2 no third overlay.
    static std::string backName(int third) {
        return third == 0 ? "backscreen.img" : third == 1 ? "backmulti.img" : "backtwo.img";
    }

    static Placed body(int k) { return {kActorX[k] - kBodyW / 2, kH - kBodyH}; }
    static Placed face(int k) { return {body(k).x + kFaceX, body(k).y + kFaceY}; }

    Picture background, bodies[3], faces[3], overlays[3];
    std::vector<uint32_t> pmBackground, pmBodies[3], pmFaces[3], pmOverlays[3];

  private:
    void write(const std::string& relative, const std::string& content) const {
        const std::filesystem::path path = dataFolder() + relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    std::string dir_;
};

const Scene& scene() {
    static const Scene s;
    return s;
}

// ---- ours ------------------------------------------------------------------------------

class OursComposer {
  public:
    explicit OursComposer(int thirdMode) {
        archives_.mountAll(); // no archive files: loose files only
        ok_ = stack_.load(0, Scene::backName(thirdMode));
        for (int k = 0; k < 3; ++k) {
            ok_ = stack_.load(k + 1, "actor" + std::to_string(k) + ".img") && ok_;
            stack_.setX(k + 1, kActorX[k]);
        }
        frame_.createScreen(PixelFormat::Bgr24, {kW, kH});
        stack_.compose(frame_); // loads every picture
        const Layer& back = stack_.layer(0);
        ok_ = ok_ && !back.base.empty() && !back.slots[1].picture.empty() &&
              back.slots[2].picture.empty() == (thirdMode == 2) && !stack_.layer(3).face.empty();
    }
    bool ok() const { return ok_; }
    void run() { stack_.compose(frame_); }
    const OwnedSurface& frame() const { return frame_; }

  private:
    Trace trace_;
    ArchiveIndex archives_{scene().dataFolder(), trace_};
    platform::VirtualClock clock_;
    LayerStack stack_{archives_, clock_, {kW, kH}};
    OwnedSurface frame_;
    bool ok_ = false;
};

// ---- pixman ----------------------------------------------------------------------------

class PixmanComposer {
  public:
    PixmanComposer(int thirdMode, pixman_format_code_t frameFormat)
        : third_(thirdMode == 0   ? PIXMAN_OP_SCREEN
                 : thirdMode == 1 ? PIXMAN_OP_MULTIPLY
                                  : PIXMAN_OP_DST) { // DST: no third overlay
        const Scene& s = scene();
        const int bytes = frameFormat == PIXMAN_r8g8b8 ? 3 : 4;
        const int stride = (kW * bytes + 3) / 4 * 4;
        frame_.resize(size_t(stride) / 4 * kH);
        frameImage_ = pixman_image_create_bits(frameFormat, kW, kH, frame_.data(), stride);
        background_ = wrap(PIXMAN_x8r8g8b8, kW, kH, s.pmBackground);
        for (int k = 0; k < 3; ++k) {
            bodies_[k] = wrap(PIXMAN_a8r8g8b8, kBodyW, kBodyH, s.pmBodies[k]);
            faces_[k] = wrap(PIXMAN_a8r8g8b8, kFaceW, kFaceH, s.pmFaces[k]);
            overlays_[k] = wrap(PIXMAN_a8r8g8b8, kW, kH, s.pmOverlays[k]);
        }
        // 50% is 127 of 255 in the engine.
        const pixman_color_t half = {0, 0, 0, uint16_t(127 * 257)};
        half_ = pixman_image_create_solid_fill(&half);
        bytesPerPixel_ = bytes;
        stride_ = stride;
    }
    ~PixmanComposer() {
        for (pixman_image_t* i : {frameImage_, background_, half_})
            pixman_image_unref(i);
        for (int k = 0; k < 3; ++k)
            for (pixman_image_t* i : {bodies_[k], faces_[k], overlays_[k]})
                pixman_image_unref(i);
    }
    PixmanComposer(const PixmanComposer&) = delete;
    PixmanComposer& operator=(const PixmanComposer&) = delete;

    void run() {
        draw(PIXMAN_OP_SRC, background_, nullptr, {0, 0}, kW, kH);
        for (int k = 0; k < 3; ++k) {
            draw(PIXMAN_OP_OVER, bodies_[k], nullptr, Scene::body(k), kBodyW, kBodyH);
            draw(PIXMAN_OP_OVER, faces_[k], nullptr, Scene::face(k), kFaceW, kFaceH);
        }
        draw(PIXMAN_OP_OVER, overlays_[0], half_, {0, 0}, kW, kH);
        draw(PIXMAN_OP_ADD, overlays_[1], nullptr, {0, 0}, kW, kH);
        if (third_ != PIXMAN_OP_DST) draw(third_, overlays_[2], nullptr, {0, 0}, kW, kH);
    }
    // R, G, B of a pixel of the frame.
    void pixel(int32_t x, int32_t y, uint8_t rgb[3]) const {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(frame_.data()) + size_t(y) * stride_ +
                           size_t(x) * bytesPerPixel_;
        rgb[0] = p[2];
        rgb[1] = p[1];
        rgb[2] = p[0];
    }

  private:
    static pixman_image_t* wrap(pixman_format_code_t format, int32_t w, int32_t h,
                                const std::vector<uint32_t>& pixels) {
        return pixman_image_create_bits(format, w, h, const_cast<uint32_t*>(pixels.data()), w * 4);
    }
    void draw(pixman_op_t op, pixman_image_t* src, pixman_image_t* mask, Placed at, int32_t w,
              int32_t h) {
        pixman_image_composite32(op, src, mask, frameImage_, 0, 0, 0, 0, at.x, at.y, w, h);
    }

    pixman_op_t third_;
    std::vector<uint32_t> frame_;
    int bytesPerPixel_ = 4, stride_ = 0;
    pixman_image_t* frameImage_ = nullptr;
    pixman_image_t* background_ = nullptr;
    pixman_image_t* half_ = nullptr;
    pixman_image_t* bodies_[3] = {};
    pixman_image_t* faces_[3] = {};
    pixman_image_t* overlays_[3] = {};
};

int maxDifference(const OursComposer& ours, const PixmanComposer& pixman) {
    int worst = 0;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const uint8_t* p = ours.frame().row(y) + 3 * x;
            uint8_t q[3];
            pixman.pixel(x, y, q);
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(p[2 - c]) - int(q[c])));
        }
    return worst;
}

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Arguments: third (the third overlay: 0 Screen, 1 Multi, 2 none) and portable (1 runs the portable
// pixel loops).
void BM_OursCompose(benchmark::State& state) {
    const BlitKernels original = activeBlitKernels();
    if (state.range(1) == 1) selectBlitKernels(BlitKernels::Portable);
    OursComposer ours(int(state.range(0)));
    if (!ours.ok()) state.SkipWithError("the scene did not load");
    Clock::duration total{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        ours.run();
        total += Clock::now() - start;
        benchmark::ClobberMemory();
    }
    state.counters["ms_per_frame"] = milliseconds(total) / double(state.iterations());
    selectBlitKernels(original);
}
BENCHMARK(BM_OursCompose)
    ->ArgNames({"third", "portable"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

// Arguments: third (as above) and r8g8b8 (1 draws on a 3-byte frame).
void BM_PixmanCompose(benchmark::State& state) {
    PixmanComposer pixman(int(state.range(0)),
                          state.range(1) == 1 ? PIXMAN_r8g8b8 : PIXMAN_x8r8g8b8);
    Clock::duration total{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        pixman.run();
        total += Clock::now() - start;
        benchmark::ClobberMemory();
    }
    state.counters["ms_per_frame"] = milliseconds(total) / double(state.iterations());
}
BENCHMARK(BM_PixmanCompose)
    ->ArgNames({"third", "r8g8b8"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

// Ours and pixman (x8r8g8b8) one frame each per iteration.
void BM_SideBySide(benchmark::State& state) {
    const BlitKernels original = activeBlitKernels();
    if (state.range(1) == 1) selectBlitKernels(BlitKernels::Portable);
    OursComposer ours(int(state.range(0)));
    if (!ours.ok()) state.SkipWithError("the scene did not load");
    PixmanComposer pixman(int(state.range(0)), PIXMAN_x8r8g8b8);
    Clock::duration oursTotal{}, pixmanTotal{};
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        ours.run();
        benchmark::ClobberMemory();
        oursTotal += Clock::now() - start;
        start = Clock::now();
        pixman.run();
        benchmark::ClobberMemory();
        pixmanTotal += Clock::now() - start;
    }
    const double n = double(state.iterations());
    state.counters["ours_ms"] = milliseconds(oursTotal) / n;
    state.counters["pixman_ms"] = milliseconds(pixmanTotal) / n;
    state.counters["ratio"] = milliseconds(oursTotal) / milliseconds(pixmanTotal);
    state.counters["max_diff"] = maxDifference(ours, pixman);
    selectBlitKernels(original);
}
BENCHMARK(BM_SideBySide)
    ->ArgNames({"third", "portable"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

// One whole frame as a display loop makes it during a cross-fade of the full scene:
// compose, cross-fade (the plain formula, level 128) and present into the headless
// window, which keeps a copy of the frame. Goal: under 2 ms.
void BM_FullFrame(benchmark::State& state) {
    OursComposer ours(0);
    if (!ours.ok()) state.SkipWithError("the scene did not load");
    platform::HeadlessPlatform platform;
    platform.window().create(kW, kH);
    OwnedSurface front, previous;
    front.createScreen(PixelFormat::Bgr24, {kW, kH});
    previous.createScreen(PixelFormat::Bgr24, {kW, kH});
    Clock::duration total{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        ours.run();
        crossFadePlain(front.pixels(), ours.frame().pixels(), previous.pixels(), front.byteCount(),
                       128);
        platform.window().present(front.pixels(), kW * 3);
        total += Clock::now() - start;
        benchmark::ClobberMemory();
    }
    state.counters["ms_per_frame"] = milliseconds(total) / double(state.iterations());
}
BENCHMARK(BM_FullFrame)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velmira
