// Draws the sample game's pictures: backgrounds, two characters with faces, overlays for
// the blend modes, the lighthouse beam of the animated night scene and two wipe rules.
// All of them are made here from shapes and gradients, so the game carries no borrowed
// art. Usage: make_sample_art OUT_DIR (writes OUT_DIR/<name>.png).
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Colour {
    int r, g, b, a = 255;
};

Colour lerp(Colour c0, Colour c1, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto mixc = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    return {mixc(c0.r, c1.r), mixc(c0.g, c1.g), mixc(c0.b, c1.b), mixc(c0.a, c1.a)};
}

// An RGBA canvas; saved as grey, RGB or RGBA.
class Canvas {
  public:
    Canvas(int w, int h, Colour fill = {0, 0, 0, 0}) : w_(w), h_(h), px_(size_t(w) * h, fill) {}
    int width() const { return w_; }
    int height() const { return h_; }
    Colour& at(int x, int y) { return px_[size_t(y) * w_ + x]; }

    // Paints c over the pixel with coverage c.a.
    void blend(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        Colour& d = at(x, y);
        const double a = c.a / 255.0;
        const double da = d.a / 255.0;
        const double oa = a + da * (1 - a);
        if (oa <= 0) return;
        auto ch = [&](int s, int t) {
            return static_cast<int>(std::lround((s * a + t * da * (1 - a)) / oa));
        };
        d = {ch(c.r, d.r), ch(c.g, d.g), ch(c.b, d.b), static_cast<int>(std::lround(oa * 255))};
    }
    void rect(int x0, int y0, int x1, int y1, Colour c) {
        for (int y = std::max(0, y0); y < std::min(h_, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(w_, x1); ++x)
                blend(x, y, c);
    }
    void verticalGradient(int y0, int y1, Colour top, Colour bottom) {
        for (int y = std::max(0, y0); y < std::min(h_, y1); ++y) {
            const Colour c = lerp(top, bottom, double(y - y0) / std::max(1, y1 - y0 - 1));
            for (int x = 0; x < w_; ++x)
                blend(x, y, c);
        }
    }
    // A filled ellipse with a one-pixel soft edge.
    void ellipse(double cx, double cy, double rx, double ry, Colour c) {
        for (int y = int(cy - ry - 1); y <= int(cy + ry + 1); ++y)
            for (int x = int(cx - rx - 1); x <= int(cx + rx + 1); ++x) {
                const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
                const double d = (1.0 - std::sqrt(dx * dx + dy * dy)) * std::min(rx, ry);
                if (d <= -0.5) continue;
                Colour e = c;
                e.a = static_cast<int>(c.a * std::clamp(d + 0.5, 0.0, 1.0));
                blend(x, y, e);
            }
    }
    // A filled polygon (even-odd rule, sampled at pixel centres).
    void polygon(const std::vector<std::pair<double, double>>& pts, Colour c) {
        double minY = 1e9, maxY = -1e9;
        for (auto& p : pts)
            minY = std::min(minY, p.second), maxY = std::max(maxY, p.second);
        for (int y = std::max(0, int(minY)); y <= std::min(h_ - 1, int(maxY)); ++y) {
            const double sy = y + 0.5;
            std::vector<double> xs;
            for (size_t i = 0; i < pts.size(); ++i) {
                auto [x0, y0] = pts[i];
                auto [x1, y1] = pts[(i + 1) % pts.size()];
                if ((y0 <= sy && y1 > sy) || (y1 <= sy && y0 > sy))
                    xs.push_back(x0 + (sy - y0) * (x1 - x0) / (y1 - y0));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2)
                for (int x = int(std::ceil(xs[i] - 0.5)); x < int(std::ceil(xs[i + 1] - 0.5)); ++x)
                    blend(x, y, c);
        }
    }
    void line(double x0, double y0, double x1, double y1, double width, Colour c) {
        const double len = std::hypot(x1 - x0, y1 - y0);
        const double nx = -(y1 - y0) / len * width / 2, ny = (x1 - x0) / len * width / 2;
        polygon({{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}},
                c);
    }

    enum class Kind { Gray, Rgb, Rgba };
    bool save(const std::string& path, Kind kind) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            std::fclose(f);
            return false;
        }
        png_init_io(png, f);
        const int type = kind == Kind::Gray  ? PNG_COLOR_TYPE_GRAY
                         : kind == Kind::Rgb ? PNG_COLOR_TYPE_RGB
                                             : PNG_COLOR_TYPE_RGBA;
        png_set_IHDR(png, info, w_, h_, 8, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, 9);
        png_write_info(png, info);
        const int channels = kind == Kind::Gray ? 1 : kind == Kind::Rgb ? 3 : 4;
        std::vector<uint8_t> row(size_t(w_) * channels);
        for (int y = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                const Colour& c = px_[size_t(y) * w_ + x];
                uint8_t* p = &row[size_t(x) * channels];
                if (kind == Kind::Gray) {
                    p[0] = uint8_t(c.r);
                } else {
                    p[0] = uint8_t(c.r), p[1] = uint8_t(c.g), p[2] = uint8_t(c.b);
                    if (kind == Kind::Rgba) p[3] = uint8_t(c.a);
                }
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return std::fclose(f) == 0;
    }

  private:
    int w_, h_;
    std::vector<Colour> px_;
};

constexpr int kW = 800, kH = 600;

// The evening sky and the sea below the horizon.
void duskSky(Canvas& c, int horizon, double sunX) {
    c.verticalGradient(0, horizon * 2 / 3, {52, 40, 96}, {196, 92, 104});
    c.verticalGradient(horizon * 2 / 3, horizon, {196, 92, 104}, {250, 170, 90});
    c.verticalGradient(horizon, kH, {70, 60, 110}, {24, 30, 70});
    c.ellipse(sunX, horizon - 6, 34, 34, {255, 214, 140});
    for (int i = 0; i < 14; ++i) {
        const int y = horizon + 6 + i * 7;
        const double half = 60 - i * 3.5;
        c.rect(int(sunX - half), y, int(sunX + half), y + 2, {255, 190, 120, 150 - i * 9});
    }
}

Canvas slope() {
    Canvas c(kW, kH);
    duskSky(c, 330, 560);
    c.polygon({{0, 600}, {0, 430}, {300, 470}, {800, 360}, {800, 600}}, {70, 86, 60});
    c.polygon({{0, 600}, {0, 520}, {420, 500}, {800, 430}, {800, 600}}, {48, 62, 44});
    c.polygon({{300, 600}, {380, 505}, {420, 500}, {470, 600}}, {150, 128, 96});
    for (int i = 0; i < 40; ++i) {
        const int x = (i * 97) % 800, y = 450 + (i * 53) % 140;
        c.line(x, y, x + 3, y - 14, 2, {90, 120, 70});
    }
    return c;
}

void lighthouseTower(Canvas& c, double baseX, double baseY, double height, Colour body) {
    const double bottomHalf = height * 0.16, topHalf = height * 0.1;
    c.polygon({{baseX - bottomHalf, baseY},
               {baseX - topHalf, baseY - height},
               {baseX + topHalf, baseY - height},
               {baseX + bottomHalf, baseY}},
              body);
    for (int band = 1; band <= 2; ++band) {
        const double y0 = baseY - height * (band * 0.33), y1 = y0 + height * 0.1;
        const double h0 = bottomHalf + (topHalf - bottomHalf) * (baseY - y0) / height;
        const double h1 = bottomHalf + (topHalf - bottomHalf) * (baseY - y1) / height;
        c.polygon({{baseX - h1, y1}, {baseX - h0, y0}, {baseX + h0, y0}, {baseX + h1, y1}},
                  {186, 56, 52});
    }
    const double top = baseY - height;
    c.rect(int(baseX - topHalf - 8), int(top - 6), int(baseX + topHalf + 8), int(top),
           {40, 40, 48});
    c.rect(int(baseX - topHalf + 4), int(top - 40), int(baseX + topHalf - 4), int(top - 6),
           {230, 220, 170});
    c.polygon({{baseX - topHalf - 6, top - 40}, {baseX, top - 66}, {baseX + topHalf + 6, top - 40}},
              {40, 40, 48});
}

Canvas lighthouse() {
    Canvas c(kW, kH);
    duskSky(c, 330, 300);
    c.polygon({{0, 600}, {0, 470}, {380, 420}, {800, 400}, {800, 600}}, {62, 80, 56});
    lighthouseTower(c, 600, 430, 300, {240, 238, 230});
    c.rect(520, 424, 700, 436, {90, 90, 96});
    return c;
}

Canvas stairs() {
    Canvas c(kW, kH, {46, 42, 50});
    for (int row = 0; row < 30; ++row)
        for (int col = 0; col < 14; ++col) {
            const int x = col * 64 - (row % 2) * 32, y = row * 22;
            const int shade = 54 + ((row * 7 + col * 13) % 5) * 5;
            c.rect(x + 2, y + 2, x + 62, y + 20, {shade, shade - 4, shade + 6});
        }
    c.rect(340, 80, 460, 260, {30, 26, 30});
    c.verticalGradient(90, 250, {250, 160, 90}, {200, 90, 90});
    for (int i = 0; i < 9; ++i) {
        const double y = 560 - i * 56, x = 120 + i * 58;
        c.polygon({{x, y}, {x + 150, y - 20}, {x + 150, y}, {x, y + 22}}, {118, 104, 92});
        c.polygon({{x, y + 22}, {x + 150, y}, {x + 150, y + 10}, {x, y + 34}}, {70, 60, 56});
    }
    c.rect(0, 0, 800, 600, {20, 10, 30, 60});
    return c;
}

Canvas top() {
    Canvas c(kW, kH);
    duskSky(c, 360, 400);
    c.rect(0, 0, 800, 40, {38, 34, 40});
    c.rect(0, 560, 800, 600, {38, 34, 40});
    for (int x : {0, 262, 526, 780})
        c.rect(x, 0, x + 20, 600, {38, 34, 40});
    c.rect(0, 470, 800, 486, {70, 64, 70});
    return c;
}

Canvas night() {
    Canvas c(kW, kH);
    c.verticalGradient(0, 380, {8, 12, 36}, {30, 40, 80});
    c.verticalGradient(380, 600, {16, 24, 56}, {6, 10, 28});
    for (int i = 0; i < 90; ++i) {
        const int x = (i * 181) % 800, y = (i * 67) % 340;
        const int b = 150 + (i * 37) % 100;
        c.ellipse(x, y, 1.2, 1.2, {b, b, 255});
    }
    c.polygon({{560, 600}, {590, 430}, {800, 410}, {800, 600}}, {12, 16, 22});
    lighthouseTower(c, 690, 420, 250, {60, 64, 80});
    return c;
}

// The lamp's beam: a wedge of warm light that fades toward its far end.
Canvas beam() {
    Canvas c(500, 200);
    for (int x = 0; x < 500; ++x) {
        const double t = 1.0 - x / 499.0; // the lamp is at the right end
        const double half = 12 + t * 88;
        for (int y = 0; y < 200; ++y) {
            const double d = std::abs(y - 100.0) / half;
            if (d >= 1) continue;
            const int a = static_cast<int>(170 * (1 - t * 0.8) * (1 - d * d));
            c.blend(x, y, {255, 236, 170, a});
        }
    }
    return c;
}

Canvas keeperBody() {
    Canvas c(260, 470);
    c.polygon({{40, 470}, {70, 170}, {190, 170}, {220, 470}}, {40, 52, 86});
    c.polygon({{118, 170}, {142, 170}, {150, 470}, {110, 470}}, {30, 38, 64});
    for (int i = 0; i < 4; ++i)
        c.ellipse(150, 220 + i * 60, 5, 5, {210, 180, 90});
    c.ellipse(130, 110, 58, 64, {232, 196, 168});
    c.polygon({{80, 120}, {180, 120}, {170, 190}, {130, 230}, {90, 190}}, {236, 236, 240});
    c.polygon({{64, 76}, {196, 76}, {186, 42}, {74, 42}}, {28, 34, 60});
    c.rect(56, 72, 204, 84, {22, 26, 48});
    c.rect(60, 300, 80, 360, {232, 196, 168});
    return c;
}

// Eyes and mouth of the keeper: open and calm, or smiling with closed eyes.
Canvas keeperFace(bool smile) {
    Canvas c(90, 60);
    for (int side : {0, 1}) {
        const double x = 22 + side * 46;
        if (smile) {
            c.line(x - 9, 20, x, 14, 3, {50, 40, 40});
            c.line(x, 14, x + 9, 20, 3, {50, 40, 40});
        } else {
            c.ellipse(x, 18, 6, 6, {250, 250, 250});
            c.ellipse(x, 18, 3, 3, {50, 40, 40});
        }
        c.line(x - 10, 4, x + 10, 6 - side * 4, 3, {200, 200, 205});
    }
    if (smile) {
        c.line(33, 44, 45, 50, 3, {140, 60, 60});
        c.line(45, 50, 57, 44, 3, {140, 60, 60});
    } else {
        c.line(36, 47, 54, 47, 3, {140, 60, 60});
    }
    return c;
}

Canvas catBody() {
    Canvas c(160, 140);
    c.ellipse(80, 100, 52, 40, {26, 24, 30});
    c.ellipse(80, 50, 38, 34, {26, 24, 30});
    c.polygon({{46, 36}, {52, 4}, {72, 24}}, {26, 24, 30});
    c.polygon({{114, 36}, {108, 4}, {88, 24}}, {26, 24, 30});
    c.line(128, 120, 156, 70, 9, {26, 24, 30});
    return c;
}

Canvas catFace(bool open) {
    Canvas c(60, 30);
    for (int side : {0, 1}) {
        const double x = 14 + side * 32;
        if (open) {
            c.ellipse(x, 12, 7, 8, {236, 208, 60});
            c.ellipse(x, 12, 2, 7, {10, 10, 10});
        } else {
            c.line(x - 7, 12, x + 7, 12, 2, {236, 208, 60});
        }
    }
    c.polygon({{26, 22}, {34, 22}, {30, 27}}, {220, 140, 150});
    return c;
}

Canvas sunGlow() {
    Canvas c(kW, kH, {0, 0, 0});
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const double d = std::hypot(x - 300.0, y - 324.0) / 260.0;
            if (d < 1) c.at(x, y) = lerp({150, 90, 30}, {0, 0, 0}, d);
        }
    return c;
}

Canvas haze() {
    Canvas c(kW, kH, {0, 0, 0});
    c.verticalGradient(0, kH, {120, 100, 160}, {20, 20, 40});
    return c;
}

Canvas vignette() {
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const double d = std::hypot((x - 400.0) / 400.0, (y - 300.0) / 300.0) / 1.42;
            c.at(x, y) = lerp({255, 255, 255}, {110, 90, 130}, d * d * 1.6);
        }
    return c;
}

Canvas ruleSweep() {
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const int v = std::clamp((x * 230) / kW + (y * 25) / kH, 0, 255);
            c.at(x, y) = {v, v, v};
        }
    return c;
}

Canvas ruleIris() {
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const int v = std::clamp(int(std::hypot(x - 400.0, y - 300.0) * 255 / 500), 0, 255);
            c.at(x, y) = {v, v, v};
        }
    return c;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_art OUT_DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    using Kind = Canvas::Kind;
    struct Output {
        const char* name;
        Canvas canvas;
        Kind kind;
    };
    const Output outputs[] = {
        {"bg_slope.png", slope(), Kind::Rgb},
        {"bg_lighthouse.png", lighthouse(), Kind::Rgb},
        {"bg_stairs.png", stairs(), Kind::Rgb},
        {"bg_top.png", top(), Kind::Rgb},
        {"bg_night.png", night(), Kind::Rgb},
        {"beam.png", beam(), Kind::Rgba},
        {"keeper_body.png", keeperBody(), Kind::Rgba},
        {"keeper_face1.png", keeperFace(false), Kind::Rgba},
        {"keeper_face2.png", keeperFace(true), Kind::Rgba},
        {"cat_body.png", catBody(), Kind::Rgba},
        {"cat_face1.png", catFace(true), Kind::Rgba},
        {"cat_face2.png", catFace(false), Kind::Rgba},
        {"glow_sun.png", sunGlow(), Kind::Rgb},
        {"haze.png", haze(), Kind::Rgb},
        {"vignette.png", vignette(), Kind::Rgb},
        {"rule_sweep.png", ruleSweep(), Kind::Gray},
        {"rule_iris.png", ruleIris(), Kind::Gray},
    };
    for (const Output& out : outputs) {
        if (!out.canvas.save(dir + out.name, out.kind)) {
            std::fprintf(stderr, "make_sample_art: cannot write %s%s\n", dir.c_str(), out.name);
            return 1;
        }
    }
    return 0;
}
