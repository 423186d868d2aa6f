// Draws the sample game's pictures: backgrounds, two characters with faces, overlays for
// the blend modes, the lighthouse beam of the animated night scene, two wipe rules, and
// the message window's box pictures, clock faces and hands, wait icon and settings button.
// All of them are made here from shapes and gradients, so the game carries no borrowed
// art. Usage: make_sample_art OUT_DIR (writes OUT_DIR/<name>.png).
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
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
    const Colour& at(int x, int y) const { return px_[size_t(y) * w_ + x]; }

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
constexpr double kPi = std::numbers::pi;

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

// ---------------------------------------------------------------------------------------
// The message window's pictures. The bottom box is drawn at (0, 400) of the screen; its
// text (white, with a black one-pixel shadow) fills x 80-640, y 70-180 of the box, the
// speaker's name is centred on x = 142 at y 18-42, and for narration the engine clears the
// top-left 300 x 45 pixels, so the name plate lies inside that corner and the panel starts
// below it. The clock box's face is drawn at (630, 0) with its dial centre on (715, 105).

// Signed distance from (x, y) to a rounded rectangle (negative inside).
double roundedRectDistance(double x, double y, double x0, double y0, double x1, double y1,
                           double radius) {
    const double qx = std::abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - radius);
    const double qy = std::abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - radius);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
           radius;
}

// Paints the shape given by its signed distance over the pixels of (x0, y0)-(x1, y1) with
// a one-pixel soft edge; paint(x, y) gives the colour of a pixel.
template <typename Distance, typename Paint>
void fillShape(Canvas& c, int x0, int y0, int x1, int y1, Distance distance, Paint paint) {
    for (int y = std::max(0, y0); y < std::min(c.height(), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(c.width(), x1); ++x) {
            const double coverage = std::clamp(0.5 - distance(x + 0.5, y + 0.5), 0.0, 1.0);
            if (coverage <= 0) continue;
            Colour e = paint(x, y);
            e.a = static_cast<int>(std::lround(e.a * coverage));
            c.blend(x, y, e);
        }
}

template <typename Distance>
void fillShape(Canvas& c, int x0, int y0, int x1, int y1, Distance distance, Colour colour) {
    fillShape(c, x0, y0, x1, y1, distance, [colour](int, int) { return colour; });
}

// A line of the given width along the outline of a shape.
template <typename Distance> auto outline(Distance distance, double width) {
    return [distance, width](double x, double y) { return std::abs(distance(x, y)) - width / 2; };
}

// Averages factor x factor blocks (weighted by alpha): small pictures are drawn large with
// hard-edged shapes and reduced, which smooths their edges.
Canvas reduce(const Canvas& big, int factor) {
    Canvas small(big.width() / factor, big.height() / factor);
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int v = 0; v < factor; ++v)
                for (int u = 0; u < factor; ++u) {
                    const Colour& p = big.at(x * factor + u, y * factor + v);
                    r += p.r * p.a, g += p.g * p.a, b += p.b * p.a, a += p.a;
                }
            if (a <= 0) continue;
            small.at(x, y) = {int(std::lround(r / a)), int(std::lround(g / a)),
                              int(std::lround(b / a)), int(std::lround(a / (factor * factor)))};
        }
    return small;
}

// Paints src over dst with its top-left corner at (x, y).
void drawOver(Canvas& dst, const Canvas& src, int x, int y) {
    for (int v = 0; v < src.height(); ++v)
        for (int u = 0; u < src.width(); ++u)
            if (src.at(u, v).a > 0) dst.blend(x + u, y + v, src.at(u, v));
}

constexpr int kBoxW = 800, kBoxH = 200;
constexpr double kPanelTop = 48, kPanelBottom = 194, kPanelLeft = 14, kPanelRight = 786;
constexpr double kDialX = 715, kDialY = 105;       // the clock's centre on the box
constexpr double kDialPlate = 62;                  // the dark plate under the hands (base box)
constexpr double kRingOuter = 74, kRingInner = 60; // the face's ring
const Colour kGold{222, 190, 120, 235};
const Colour kNavyTop{26, 30, 62, 192}, kNavyBottom{10, 12, 30, 212};

// The translucent panel that holds the text, with its gold border and two faint waves
// along the bottom that end at wavesEnd.
void boxPanel(Canvas& c, double wavesEnd) {
    auto panel = [](double x, double y) {
        return roundedRectDistance(x, y, kPanelLeft, kPanelTop, kPanelRight, kPanelBottom, 12);
    };
    fillShape(c, 0, 40, kBoxW, kBoxH, panel, [](int, int y) {
        return lerp(kNavyTop, kNavyBottom, (y - kPanelTop) / (kPanelBottom - kPanelTop));
    });
    fillShape(c, 0, 40, kBoxW, kBoxH, outline(panel, 1.6), kGold);
    auto inner = [](double x, double y) {
        return roundedRectDistance(x, y, kPanelLeft + 5, kPanelTop + 5, kPanelRight - 5,
                                   kPanelBottom - 5, 8);
    };
    fillShape(c, 0, 40, kBoxW, kBoxH, outline(inner, 1.0), Colour{255, 255, 255, 30});
    for (int wave = 0; wave < 2; ++wave) {
        const double base = 181 + wave * 5, phase = wave * 1.7;
        const Colour colour = wave == 0 ? Colour{222, 190, 120, 46} : Colour{120, 160, 230, 54};
        auto distance = [base, phase](double x, double y) {
            const double k = 2 * kPi / 90;
            const double yw = base + 2.2 * std::sin(x * k + phase);
            const double slope = 2.2 * k * std::cos(x * k + phase);
            return std::abs(y - yw) / std::sqrt(1 + slope * slope) - 0.7;
        };
        const double start = kPanelLeft + 24;
        auto paint = [=](int x, int) { // fading in and out over 60 pixels at the ends
            Colour e = colour;
            e.a = int(colour.a * std::clamp(std::min(x - start, wavesEnd - x) / 60, 0.0, 1.0));
            return e;
        };
        fillShape(c, int(start), int(base) - 5, int(wavesEnd), int(base) + 5, distance, paint);
    }
}

// The speaker's plate, centred on x = 142 inside the top-left 300 x 45 pixels.
void namePlate(Canvas& c) {
    auto plate = [](double x, double y) { return roundedRectDistance(x, y, 54, 10, 230, 44, 8); };
    fillShape(c, 40, 0, 260, 45, plate, [](int, int y) {
        return lerp({44, 50, 96, 225}, {22, 26, 58, 230}, (y - 10) / 34.0);
    });
    fillShape(c, 40, 0, 260, 45, outline(plate, 1.6), kGold);
    for (double x : {64.0, 220.0}) { // a small diamond at each end
        auto diamond = [x](double px, double py) {
            return (std::abs(px - x) + std::abs(py - 27)) / std::sqrt(2.0) - 2.6;
        };
        fillShape(c, int(x) - 6, 20, int(x) + 6, 35, diamond, kGold);
    }
}

// The round seat of the clock at the right end of the panel: a dark plate on which the
// hands are drawn.
void dialPlate(Canvas& c) {
    auto disc = [](double x, double y) { return std::hypot(x - kDialX, y - kDialY) - kDialPlate; };
    fillShape(c, 640, 30, kBoxW, 180, disc, [](int x, int y) {
        const double d = std::hypot(x - kDialX, y - kDialY) / kDialPlate;
        return lerp({30, 36, 74, 240}, {12, 14, 34, 245}, d);
    });
}

Canvas boxNormal() {
    Canvas c(kBoxW, kBoxH);
    boxPanel(c, kPanelRight - 24);
    namePlate(c);
    return c;
}

// The base of the clock box; the transparent pixels around the seat carry the gold of the
// face's rim, so that the face's soft edge does not darken where it is drawn over them.
Canvas boxBase() {
    Canvas c(kBoxW, kBoxH);
    for (int y = 0; y < kBoxH; ++y)
        for (int x = 620; x < kBoxW; ++x)
            c.at(x, y) = {kGold.r, kGold.g, kGold.b, 0};
    boxPanel(c, kDialX - kRingOuter - 8);
    namePlate(c);
    dialPlate(c);
    return c;
}

// The bezel of a round dial: a gold rim and a thin light line inside it.
void bezel(Canvas& c, double cx, double cy, double outer, double inner) {
    auto ring = [=](double x, double y) {
        const double d = std::hypot(x - cx, y - cy);
        return std::max(d - outer, inner - d);
    };
    const int x0 = int(cx - outer - 2), x1 = int(cx + outer + 3);
    const int y0 = int(cy - outer - 2), y1 = int(cy + outer + 3);
    fillShape(c, x0, y0, x1, y1, outline(ring, 2.0), Colour{206, 172, 104, 255});
    auto innerLine = [=](double x, double y) { return std::hypot(x - cx, y - cy) - inner; };
    fillShape(c, x0, y0, x1, y1, outline(innerLine, 1.2), Colour{250, 236, 200, 220});
}

// The box without a clock: the seat shows the lighthouse at sunrise instead.
Canvas boxNoClock() {
    Canvas c(kBoxW, kBoxH);
    for (int y = 0; y < kBoxH; ++y)
        for (int x = 620; x < kBoxW; ++x)
            c.at(x, y) = {kGold.r, kGold.g, kGold.b, 0};
    boxPanel(c, kDialX - kRingOuter - 8);
    namePlate(c);
    // The picture inside the seat, drawn four times larger and reduced.
    constexpr int k = 4, r = 66, size = 2 * r;
    Canvas big(size * k, size * k);
    const double cx = size * k / 2.0, rr = r * k;
    const double horizon = cx + 14 * k;
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) {
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cx) > rr) continue;
            big.at(x, y) = y < horizon
                               ? lerp({118, 112, 178}, {250, 196, 150}, double(y) / horizon)
                               : lerp({70, 84, 140}, {28, 34, 76}, (y - horizon) / (rr * 0.8));
        }
    Canvas sun(big.width(), big.height());
    sun.ellipse(cx + 26 * k, horizon, 15 * k, 15 * k, {255, 226, 160});
    for (int y = int(horizon); y < sun.height(); ++y) // only the half above the sea
        for (int x = 0; x < sun.width(); ++x)
            sun.at(x, y).a = 0;
    drawOver(big, sun, 0, 0);
    for (int i = 0; i < 5; ++i) { // the sun's glitter on the water
        const double y = horizon + (5 + i * 6) * k, half = (14 - i * 2.5) * k;
        big.rect(int(cx + 26 * k - half), int(y), int(cx + 26 * k + half), int(y + 1.6 * k),
                 {255, 214, 150, 170 - i * 25});
    }
    big.polygon({{cx - 66 * k, horizon + 44 * k},
                 {cx - 56 * k, horizon + 9 * k},
                 {cx - 40 * k, horizon + 4 * k},
                 {cx - 6 * k, horizon + 5 * k},
                 {cx + 8 * k, horizon + 16 * k},
                 {cx + 14 * k, horizon + 44 * k}},
                {36, 38, 52});
    Canvas tower(big.width(), big.height());
    lighthouseTower(tower, cx - 24 * k, horizon + 6 * k, 42 * k, {244, 240, 232});
    drawOver(big, tower, 0, 0);
    for (int y = 0; y < big.height(); ++y) // keep the seat round
        for (int x = 0; x < big.width(); ++x)
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cx) > rr) big.at(x, y).a = 0;
    drawOver(c, reduce(big, k), int(kDialX) - r, int(kDialY) - r);
    bezel(c, kDialX, kDialY, r + 1, r - 1);
    return c;
}

enum class Hour { Dusk, Night, Dawn };

// One of the clock's faces (170 x 200, dial centre (85, 105)): a tinted ring with a badge
// of the hour at its top, sixteen ticks and the hub; the centre is clear so that the hands
// drawn beneath show.
Canvas clockFace(Hour hour) {
    constexpr int k = 4;
    constexpr double cx = 85 * k, cy = 105 * k;
    Canvas big(170 * k, 200 * k);
    Colour top, bottom;
    switch (hour) {
    case Hour::Dusk:
        top = {246, 156, 96}, bottom = {112, 60, 120};
        break;
    case Hour::Night:
        top = {44, 60, 128}, bottom = {12, 16, 44};
        break;
    case Hour::Dawn:
        top = {255, 214, 152}, bottom = {140, 160, 214};
        break;
    }
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d > kRingOuter * k || d < kRingInner * k) continue;
            big.at(x, y) = lerp(top, bottom, (y - (cy - kRingOuter * k)) / (2 * kRingOuter * k));
        }
    if (hour == Hour::Night)
        for (int i = 0; i < 22; ++i) { // small stars on the ring
            const double t = i * 2 * kPi / 22 + 0.13, d = (63 + (i * 7) % 9) * k;
            big.ellipse(cx + d * std::sin(t), cy - d * std::cos(t), 0.8 * k, 0.8 * k,
                        {230, 232, 255, 220});
        }
    for (int i = 0; i < 16; ++i) { // ticks just inside the ring
        const double t = i * 2 * kPi / 16, s = std::sin(t), co = std::cos(t);
        const bool major = i % 4 == 0;
        const double r0 = (major ? 48 : 53) * k, r1 = 59 * k;
        big.line(cx + r0 * s, cy - r0 * co, cx + r1 * s, cy - r1 * co, (major ? 3.2 : 1.8) * k,
                 {246, 236, 208, 230});
    }
    // The badge: the sun going down, the moon, or the sun coming up.
    const double bx = cx, by = cy - kRingOuter * k, br = 15 * k;
    Canvas badge(big.width(), big.height());
    const double horizon = by + 4 * k;
    for (int y = int(by - br); y <= int(by + br); ++y)
        for (int x = int(bx - br); x <= int(bx + br); ++x) {
            if (std::hypot(x + 0.5 - bx, y + 0.5 - by) > br) continue;
            Colour sky;
            switch (hour) {
            case Hour::Dusk:
                sky = lerp({150, 70, 120}, {250, 150, 90}, (y - by + br) / (2 * br));
                break;
            case Hour::Night:
                sky = lerp({10, 14, 40}, {34, 46, 100}, (y - by + br) / (2 * br));
                break;
            case Hour::Dawn:
                sky = lerp({160, 180, 236}, {255, 220, 170}, (y - by + br) / (2 * br));
                break;
            }
            if (hour != Hour::Night && y >= horizon) sky = {40, 48, 96};
            badge.at(x, y) = sky;
        }
    if (hour == Hour::Night) {
        badge.ellipse(bx - 1 * k, by, 9 * k, 9 * k, {250, 240, 196});
        badge.ellipse(bx + 3.5 * k, by - 2.5 * k, 8 * k, 8 * k, {18, 24, 60});
        badge.ellipse(bx + 8 * k, by + 6 * k, 1.1 * k, 1.1 * k, {250, 250, 255});
        badge.ellipse(bx + 6 * k, by - 9 * k, 0.9 * k, 0.9 * k, {250, 250, 255});
    } else {
        const double sunY = hour == Hour::Dusk ? horizon + 1 * k : horizon - 1 * k;
        const Colour sun = hour == Hour::Dusk ? Colour{255, 200, 110} : Colour{255, 236, 170};
        if (hour == Hour::Dawn)
            for (int i = -2; i <= 2; ++i) { // rays
                const double t = i * 0.55;
                badge.line(bx + 9 * k * std::sin(t), sunY - 9 * k * std::cos(t),
                           bx + 13 * k * std::sin(t), sunY - 13 * k * std::cos(t), 1.6 * k, sun);
            }
        Canvas disc(big.width(), big.height());
        disc.ellipse(bx, sunY, 6.5 * k, 6.5 * k, sun);
        for (int y = int(horizon); y < disc.height(); ++y) // only the half above the sea
            for (int x = 0; x < disc.width(); ++x)
                disc.at(x, y).a = 0;
        drawOver(badge, disc, 0, 0);
        badge.rect(int(bx - 7 * k), int(horizon + 3 * k), int(bx + 7 * k), int(horizon + 4.2 * k),
                   {sun.r, sun.g, sun.b, 150});
    }
    drawOver(big, badge, 0, 0);
    big.ellipse(cx, cy, 5.5 * k, 5.5 * k, {120, 92, 50});
    big.ellipse(cx, cy, 4 * k, 4 * k, {232, 200, 130});
    Canvas face = reduce(big, k);
    bezel(face, 85, 105, kRingOuter, kRingInner);
    bezel(face, 85, 105 - kRingOuter, 15, 15);
    return face;
}

// A hand (160 x 160, pivot (80, 80)) pointing to 12 o'clock: long and slender, or short
// and broad. The engine turns it about the pivot.
Canvas clockHand(bool longHand) {
    constexpr int k = 4;
    constexpr double cx = 80 * k, cy = 80 * k;
    Canvas big(160 * k, 160 * k);
    const double tip = (longHand ? 50 : 34) * k, tail = (longHand ? 13 : 9) * k;
    const double half = (longHand ? 2.2 : 4.2) * k;
    const Colour edge{40, 30, 20, 200};
    const Colour body = longHand ? Colour{250, 240, 212} : Colour{226, 190, 116};
    auto shape = [&](double grow) {
        return std::vector<std::pair<double, double>>{
            {cx, cy - tip - grow},
            {cx + half + grow, cy - tip * (longHand ? 0.25 : 0.45)},
            {cx + half * 0.8 + grow, cy + tail + grow},
            {cx - half * 0.8 - grow, cy + tail + grow},
            {cx - half - grow, cy - tip * (longHand ? 0.25 : 0.45)}};
    };
    big.polygon(shape(1.2 * k), edge);
    big.polygon(shape(0), body);
    big.ellipse(cx, cy, half + 2.5 * k, half + 2.5 * k, edge);
    big.ellipse(cx, cy, half + 1.5 * k, half + 1.5 * k, body);
    return reduce(big, k);
}

// The wait icon: eight 24 x 24 frames stacked, shown 128 ms each: a small gold arrow that
// bobs down and up.
Canvas promptIcon() {
    constexpr int k = 4;
    Canvas big(24 * k, 192 * k);
    for (int f = 0; f < 8; ++f) {
        const double dy = 3 * std::sin(f * 2 * kPi / 8) * k, top = f * 24 * k + 7 * k + dy;
        const std::vector<std::pair<double, double>> arrow{
            {4.5 * k, top}, {19.5 * k, top}, {12 * k, top + 10 * k}};
        std::vector<std::pair<double, double>> shadow;
        for (auto [x, y] : arrow)
            shadow.push_back({x + 1 * k, y + 1 * k});
        big.polygon(shadow, {0, 0, 0, 160});
        big.polygon(arrow, {250, 214, 130});
        big.polygon({{7 * k, top + 1 * k}, {17 * k, top + 1 * k}, {12 * k, top + 4 * k}},
                    {255, 246, 214});
    }
    return reduce(big, k);
}

// Strokes of the letters of "CONFIG" on a 4 x 6 grid.
using Stroke = std::vector<std::pair<double, double>>;
const std::vector<std::vector<Stroke>> kConfigLetters = {
    {{{4, 1}, {3, 0}, {1, 0}, {0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}}},
    {{{1, 0}, {3, 0}, {4, 1}, {4, 5}, {3, 6}, {1, 6}, {0, 5}, {0, 1}, {1, 0}}},
    {{{0, 6}, {0, 0}, {4, 6}, {4, 0}}},
    {{{4, 0}, {0, 0}, {0, 6}}, {{0, 3}, {3, 3}}},
    {{{2, 0}, {2, 6}}, {{1, 0}, {3, 0}}, {{1, 6}, {3, 6}}},
    {{{4, 1}, {3, 0}, {1, 0}, {0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 3}, {2, 3}}},
};

enum class ButtonState { Normal, Hover, Pressed };

// The settings button (80 x 72: normal, hover and pressed frames of 80 x 24): a gear and
// the word CONFIG on a small plate.
Canvas configButton() {
    constexpr int k = 4;
    Canvas big(80 * k, 72 * k);
    for (ButtonState state : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed}) {
        const int frame = static_cast<int>(state);
        const double oy = (frame * 24 + (state == ButtonState::Pressed ? 1 : 0)) * k;
        const Colour fill = state == ButtonState::Hover     ? Colour{60, 70, 124, 235}
                            : state == ButtonState::Pressed ? Colour{16, 18, 40, 240}
                                                            : Colour{30, 36, 72, 225};
        const Colour ink = state == ButtonState::Hover     ? Colour{255, 232, 170}
                           : state == ButtonState::Pressed ? Colour{200, 170, 110}
                                                           : Colour{226, 196, 130};
        Canvas plate(80 * k, 72 * k);
        auto pill = [&](double x, double y) {
            return roundedRectDistance(x, y, 2 * k, oy + 2 * k, 78 * k, oy + 22 * k, 10 * k);
        };
        fillShape(plate, 0, int(oy), 80 * k, int(oy) + 24 * k, pill, fill);
        fillShape(plate, 0, int(oy), 80 * k, int(oy) + 24 * k, outline(pill, 1.4 * k), ink);
        drawOver(big, plate, 0, 0);
        // The gear: eight teeth round a ring.
        const double gx = 14 * k, gy = oy + 12 * k;
        for (int i = 0; i < 8; ++i) {
            const double t = i * kPi / 4;
            big.line(gx + 4 * k * std::sin(t), gy - 4 * k * std::cos(t), gx + 7.5 * k * std::sin(t),
                     gy - 7.5 * k * std::cos(t), 2.6 * k, ink);
        }
        big.ellipse(gx, gy, 5.6 * k, 5.6 * k, ink);
        big.ellipse(gx, gy, 2.4 * k, 2.4 * k, fill);
        // The word, in strokes 1.5 px wide, 6 x 9 px a letter.
        double lx = 25 * k;
        for (const auto& letter : kConfigLetters) {
            for (const Stroke& stroke : letter) {
                for (size_t i = 0; i + 1 < stroke.size(); ++i) {
                    const double x0 = lx + stroke[i].first * 1.5 * k;
                    const double y0 = oy + (7.5 + stroke[i].second * 1.5) * k;
                    const double x1 = lx + stroke[i + 1].first * 1.5 * k;
                    const double y1 = oy + (7.5 + stroke[i + 1].second * 1.5) * k;
                    big.line(x0, y0, x1, y1, 1.5 * k, ink);
                    big.ellipse(x1, y1, 0.75 * k, 0.75 * k, ink); // round joints
                    if (i == 0) big.ellipse(x0, y0, 0.75 * k, 0.75 * k, ink);
                }
            }
            lx += 8.4 * k;
        }
    }
    return reduce(big, k);
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
        {"sys_box_normal.png", boxNormal(), Kind::Rgba},
        {"sys_box_base.png", boxBase(), Kind::Rgba},
        {"sys_box_noclock.png", boxNoClock(), Kind::Rgba},
        {"sys_box_clock1.png", clockFace(Hour::Dusk), Kind::Rgba},
        {"sys_box_clock2.png", clockFace(Hour::Night), Kind::Rgba},
        {"sys_box_clock3.png", clockFace(Hour::Dawn), Kind::Rgba},
        {"sys_box_clock_a.png", clockHand(true), Kind::Rgba},
        {"sys_box_clock_b.png", clockHand(false), Kind::Rgba},
        {"sys_box_prompt.png", promptIcon(), Kind::Rgba},
        {"sys_box_config.png", configButton(), Kind::Rgba},
    };
    for (const Output& out : outputs) {
        if (!out.canvas.save(dir + out.name, out.kind)) {
            std::fprintf(stderr, "make_sample_art: cannot write %s%s\n", dir.c_str(), out.name);
            return 1;
        }
    }
    return 0;
}
