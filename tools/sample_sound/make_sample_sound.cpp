// Makes the sample game's sounds: two pieces of music with loop points, the sea and the
// wind at the cape as ambient loops, and the effects of the story (door, steps, bell, lamp,
// page, cat). Everything is synthesised here from oscillators, filtered noise and a small
// reverb and encoded with libvorbisenc, so the game carries no borrowed sound. The output is
// the same on every run: every noise comes from a fixed seed and every Ogg stream has a
// fixed serial number.
//
// Usage:
//   make_sample_sound OUT_DIR                  writes OUT_DIR/bgm, OUT_DIR/env, OUT_DIR/se
//   make_sample_sound --voice IN.wav OUT.ogg   turns one spoken line (a 16-bit PCM WAV, as
//                                              the build's speech synthesiser writes it)
//                                              into a voice file
//
// Music loops. The engine plays a piece up to the sample frame in the Vorbis comment "end"
// and goes on at the frame in "start" (decimal); both lie on bar lines. Each piece begins
// with a copy of the loop's last two bars (the first of them without its melody), so the
// moment before "start" sounds exactly like the moment before "end" - the same notes, the
// same release tails, the same reverb - and the jump cannot be heard. What follows "end" is
// a closing cadence, heard only when the music is played without looping.
//
// Ambient loops are played whole and wrap from their last frame to their first: they are
// rendered on a circle (every event that runs past the end continues at the start) and
// their continuous parts are cross-faded from the overhang into the beginning.
//
// Levels: music is set to -14 dBFS RMS over its loop, ambience lower, effects by peak; a
// look-ahead limiter keeps every sample below the ceiling, so nothing clips after encoding.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "vorbis_encoder.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;

double dbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}
double midiToHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}
long frames(double seconds) {
    return std::lround(seconds * kRate);
}
double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

// Deterministic noise (splitmix64): the same sequence on every machine and compiler.
class Rng {
  public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    uint64_t next() {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); } // [0, 1)
    double bipolar() { return 2 * uniform() - 1; }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  private:
    uint64_t s_;
};

using Mono = std::vector<float>;

enum class Edge { Clip, Wrap }; // what happens to a sound that runs past the buffer's end

struct Stereo {
    Mono l, r;
    explicit Stereo(size_t n = 0) : l(n), r(n) {}
    size_t size() const { return l.size(); }

    // Adds `m` from frame `at` with constant-power panning (-1 left, 0 centre, 1 right).
    void add(const Mono& m, long at, double gain, double pan, Edge edge = Edge::Clip) {
        const double angle = (std::clamp(pan, -1.0, 1.0) + 1) * kPi / 4;
        addSides(m, m, at, gain * std::cos(angle), gain * std::sin(angle), edge);
    }
    void add(const Stereo& s, long at, double gain, Edge edge = Edge::Clip) {
        addSides(s.l, s.r, at, gain, gain, edge);
    }

  private:
    void addSides(const Mono& a, const Mono& b, long at, double gl, double gr, Edge edge) {
        const long n = long(size());
        if (n == 0) return;
        for (size_t i = 0; i < a.size(); ++i) {
            long j = at + long(i);
            if (edge == Edge::Wrap)
                j = ((j % n) + n) % n;
            else if (j < 0 || j >= n)
                continue;
            l[j] += float(a[i] * gl);
            r[j] += float(b[i] * gr);
        }
    }
};

// One cycle of a periodic wave made of harmonic amplitudes (the first is the fundamental),
// scaled to a peak of 1 and read with linear interpolation. Phases are in cycles.
class Wavetable {
  public:
    explicit Wavetable(const std::vector<double>& harmonics) : t_(kSize + 1) {
        double peak = 0;
        for (int i = 0; i < kSize; ++i) {
            double v = 0;
            for (size_t h = 0; h < harmonics.size(); ++h)
                v += harmonics[h] * std::sin(kTwoPi * double(h + 1) * i / kSize);
            t_[i] = v;
            peak = std::max(peak, std::abs(v));
        }
        for (double& v : t_)
            v /= peak;
        t_[kSize] = t_[0];
    }
    double at(double phase) const {
        const double x = (phase - std::floor(phase)) * kSize;
        const int i = std::min(int(x), kSize - 1);
        return t_[i] + (t_[i + 1] - t_[i]) * (x - i);
    }

  private:
    static constexpr int kSize = 4096;
    std::vector<double> t_;
};

const Wavetable& sine() {
    static const Wavetable table({1});
    return table;
}

// A sine partial by complex rotation: exact enough over seconds and far cheaper than sin().
class Partial {
  public:
    Partial(double hz, double phase) : c_(std::cos(kTwoPi * phase)), s_(std::sin(kTwoPi * phase)) {
        dc_ = std::cos(kTwoPi * hz / kRate);
        ds_ = std::sin(kTwoPi * hz / kRate);
    }
    double next() {
        const double v = s_;
        const double c = c_ * dc_ - s_ * ds_;
        s_ = s_ * dc_ + c_ * ds_;
        c_ = c;
        return v;
    }

  private:
    double c_, s_, dc_, ds_;
};

// Second-order filters (the usual cookbook forms), transposed direct form II. The band-pass
// has 0 dB at its centre.
class Biquad {
  public:
    enum class Kind { LowPass, HighPass, BandPass };
    Biquad() = default;
    Biquad(Kind kind, double hz, double q) { set(kind, hz, q); }
    void set(Kind kind, double hz, double q) {
        const double w = kTwoPi * std::clamp(hz, 10.0, kRate * 0.45) / kRate;
        const double cw = std::cos(w), alpha = std::sin(w) / (2 * q);
        double b0, b1, b2;
        switch (kind) {
        case Kind::LowPass:
            b0 = b2 = (1 - cw) / 2, b1 = 1 - cw;
            break;
        case Kind::HighPass:
            b0 = b2 = (1 + cw) / 2, b1 = -(1 + cw);
            break;
        case Kind::BandPass:
        default:
            b0 = alpha, b1 = 0, b2 = -alpha;
            break;
        }
        const double a0 = 1 + alpha;
        b0_ = b0 / a0, b1_ = b1 / a0, b2_ = b2 / a0;
        a1_ = -2 * cw / a0, a2_ = (1 - alpha) / a0;
    }
    double operator()(double x) {
        const double y = b0_ * x + z1_;
        z1_ = b1_ * x - a1_ * y + z2_;
        z2_ = b2_ * x - a2_ * y;
        return y;
    }

  private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0, z1_ = 0, z2_ = 0;
};

class OnePoleLowPass {
  public:
    explicit OnePoleLowPass(double hz = 1000) { set(hz); }
    void set(double hz) { a_ = 1 - std::exp(-kTwoPi * hz / kRate); }
    double operator()(double x) { return y_ += a_ * (x - y_); }

  private:
    double a_ = 1, y_ = 0;
};

// A room: eight damped feedback combs in parallel and four all-passes in series per side,
// the right side's delays a little longer so that the room sounds wide. Linear and
// time-invariant: equal stretches of input give equal stretches of output once the tail of
// what came before has died away (about 60 dB per second at the default size).
class Reverb {
  public:
    Reverb(double feedback, double damping, double spread = 23)
        : feedback_(feedback), damping_(damping), spread_(int(spread)) {}

    // The wet signal of `in` (summed to mono) for as many frames as `in` has.
    Stereo process(const Stereo& in) const {
        Stereo out(in.size());
        for (int side = 0; side < 2; ++side) {
            const int extra = side ? spread_ : 0;
            std::vector<Comb> combs;
            for (int d : {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617})
                combs.emplace_back(d + extra);
            std::vector<AllPass> passes;
            for (int d : {556, 441, 341, 225})
                passes.emplace_back(d + extra);
            Mono& o = side ? out.r : out.l;
            for (size_t i = 0; i < in.size(); ++i) {
                const double x = (in.l[i] + in.r[i]) * 0.015;
                double y = 0;
                for (Comb& c : combs)
                    y += c.run(x, feedback_, damping_);
                for (AllPass& a : passes)
                    y = a.run(y);
                o[i] = float(y);
            }
        }
        return out;
    }

  private:
    struct Comb {
        explicit Comb(int n) : buf(size_t(n)) {}
        double run(double x, double feedback, double damping) {
            const double y = buf[pos];
            store = y * (1 - damping) + store * damping;
            buf[pos] = x + store * feedback;
            if (++pos == buf.size()) pos = 0;
            return y;
        }
        std::vector<double> buf;
        size_t pos = 0;
        double store = 0;
    };
    struct AllPass {
        explicit AllPass(int n) : buf(size_t(n)) {}
        double run(double x) {
            const double b = buf[pos];
            buf[pos] = x + b * 0.5;
            if (++pos == buf.size()) pos = 0;
            return b - x;
        }
        std::vector<double> buf;
        size_t pos = 0;
    };
    double feedback_, damping_;
    int spread_;
};

double meanSquare(const Stereo& s, size_t begin, size_t end) {
    double sum = 0;
    for (size_t i = begin; i < end; ++i)
        sum += double(s.l[i]) * s.l[i] + double(s.r[i]) * s.r[i];
    return end > begin ? sum / (2.0 * double(end - begin)) : 0;
}

double peak(const Stereo& s) {
    double p = 0;
    for (size_t i = 0; i < s.size(); ++i)
        p = std::max({p, double(std::abs(s.l[i])), double(std::abs(s.r[i]))});
    return p;
}

void scale(Stereo& s, double gain) {
    for (size_t i = 0; i < s.size(); ++i)
        s.l[i] = float(s.l[i] * gain), s.r[i] = float(s.r[i] * gain);
}

// Keeps every sample within `ceiling`: the gain falls over the 5 ms before a peak (so it has
// reached its low when the peak comes) and recovers with a 120 ms time constant. Both sides
// get the same gain, so the stereo picture stays put.
void limit(Stereo& s, double ceiling) {
    const size_t n = s.size();
    const size_t ahead = size_t(frames(0.005));
    std::vector<double> need(n);
    for (size_t i = 0; i < n; ++i) {
        const double p = std::max(std::abs(s.l[i]), std::abs(s.r[i]));
        need[i] = p > ceiling ? ceiling / p : 1.0;
    }
    // Smallest need over [i, i + ahead], then averaged over the `ahead` frames before.
    std::vector<double> low(n);
    std::deque<size_t> window;
    for (size_t k = 0; k < n + ahead; ++k) {
        if (k < n) {
            while (!window.empty() && need[window.back()] >= need[k])
                window.pop_back();
            window.push_back(k);
        }
        if (k < ahead) continue;
        const size_t i = k - ahead;
        while (window.front() < i)
            window.pop_front();
        low[i] = need[window.front()];
    }
    double sum = 0, gain = 1;
    const double recover = 1 - std::exp(-1.0 / (0.12 * kRate));
    for (size_t i = 0; i < n; ++i) {
        sum += low[i];
        if (i >= ahead) sum -= low[i - ahead];
        const double smooth = sum / double(std::min(i + 1, ahead));
        gain = std::min(smooth, gain + (1 - gain) * recover);
        s.l[i] = float(std::clamp(s.l[i] * gain, -ceiling, ceiling));
        s.r[i] = float(std::clamp(s.r[i] * gain, -ceiling, ceiling));
    }
}

// The gain that brings the RMS of frames [begin, end) to `rmsDb`, or 1 when it is within
// 0.1 dB already (or the stretch is silent).
double gainTo(const Stereo& s, size_t begin, size_t end, double rmsDb) {
    const double rms = std::sqrt(meanSquare(s, begin, end));
    if (rms <= 0) return 1;
    const double gain = dbToGain(rmsDb) / rms;
    return std::abs(std::log10(gain)) * 20 < 0.1 ? 1 : gain;
}

// Sets the RMS of frames [begin, end) to `rmsDb` and limits peaks to `ceilingDb` (the limiter
// takes a little loudness away, so the two steps are repeated until the RMS holds).
void master(Stereo& s, size_t begin, size_t end, double rmsDb, double ceilingDb) {
    for (int round = 0; round < 4; ++round) {
        const double gain = gainTo(s, begin, end, rmsDb);
        if (round > 0 && gain == 1) return;
        scale(s, gain);
        limit(s, dbToGain(ceilingDb));
    }
}

// Sets the RMS of the loop [start, end) and limits peaks as the music is heard: up to the
// loop end the limiter looks ahead into the loop start, where playback goes on, so the
// frames before the end are limited exactly like those before the start; what follows the
// end is limited as the closing that comes after it when the music does not loop.
void masterPiece(Stereo& s, size_t start, size_t end, double rmsDb, double ceilingDb) {
    const size_t beyond = size_t(frames(0.05)); // more than the limiter looks ahead
    for (int round = 0; round < 4; ++round) {
        const double gain = gainTo(s, start, end, rmsDb);
        if (round > 0 && gain == 1) return;
        scale(s, gain);
        Stereo looped(end + beyond);
        for (size_t i = 0; i < looped.size(); ++i) {
            const size_t from = i < end ? i : start + (i - end);
            looped.l[i] = s.l[from], looped.r[i] = s.r[from];
        }
        limit(looped, dbToGain(ceilingDb));
        limit(s, dbToGain(ceilingDb));
        std::copy(looped.l.begin(), looped.l.begin() + long(end), s.l.begin());
        std::copy(looped.r.begin(), looped.r.begin() + long(end), s.r.begin());
    }
}

// Sets the peak to `peakDb`.
void normalisePeak(Stereo& s, double peakDb) {
    const double p = peak(s);
    if (p > 0) scale(s, dbToGain(peakDb) / p);
}

// ---------------------------------------------------------------------------------------
// Ogg Vorbis output

using Tags = std::vector<std::pair<std::string, std::string>>;

uint32_t serialFor(const std::string& path) {
    uint32_t h = 2166136261u; // FNV-1a of the file name: fixed, and distinct per file
    for (char c : std::filesystem::path(path).filename().string())
        h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

// Encodes one or two channels at `quality` (libvorbisenc's VBR scale: 0.3 is about
// 112 kbit/s for stereo music) into `path`.
bool writeOgg(const std::string& path, const std::vector<const Mono*>& channels, int rate,
              float quality, const Tags& tags) {
    const int ch = int(channels.size());
    if (ch < 1 || ch > 2) return false;
    velmira::tools::VorbisFormat format;
    format.channels = ch;
    format.rate = rate;
    format.quality = quality;
    format.serial = int(serialFor(path) & 0x7fffffff);
    format.comments = tags;
    std::vector<uint8_t> bytes;
    const bool encoded = velmira::tools::encodeVorbis(
        format, int64_t(channels[0]->size()),
        [&channels, ch](float** out, int64_t at, int count) {
            for (int c = 0; c < ch; ++c)
                std::memcpy(out[c], channels[size_t(c)]->data() + at,
                            size_t(count) * sizeof(float));
        },
        bytes);
    if (!encoded) return false;

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

bool writeStereo(const std::string& path, const Stereo& s, float quality, const Tags& tags) {
    return writeOgg(path, {&s.l, &s.r}, kRate, quality, tags);
}

// Folds to mono (effects are placed by the engine's mixer in the middle).
bool writeMono(const std::string& path, const Stereo& s, float quality, const Tags& tags) {
    Mono m(s.size());
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = 0.5f * (s.l[i] + s.r[i]);
    return writeOgg(path, {&m}, kRate, quality, tags);
}

// ---------------------------------------------------------------------------------------
// Instruments. Each renders one note as a mono (or stereo) sound starting at its onset and
// including its release; the loudest of them peaks near 1 at velocity 1.

// A flute-like lead: a few harmonics, a soft breathy onset, delayed vibrato.
Mono flute(double hz, double length, double velocity, Rng& rng) {
    static const Wavetable tone({1, 0.32, 0.12, 0.05, 0.02});
    const double release = 0.2;
    Mono out(size_t(frames(length + release)));
    Biquad breath(Biquad::Kind::BandPass, std::min(hz * 3, 6000.0), 1.5);
    OnePoleLowPass soft(3500);
    double phase = rng.uniform();
    const double vibratoPhase = rng.uniform();
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        const double attack = smoothstep(t / 0.09);
        const double fall = t < length ? 1.0 : 1.0 - (t - length) / release;
        const double depth = 0.0045 * smoothstep((t - 0.3) / 0.6);
        const double vibrato = depth * sine().at(5.2 * t + vibratoPhase);
        phase += hz * (1 + vibrato) / kRate;
        phase -= std::floor(phase);
        const double chiff = std::exp(-t / 0.05);
        const double v =
            tone.at(phase) * (1 + 8 * vibrato) + breath(rng.bipolar()) * (0.06 + 0.5 * chiff);
        out[i] = float(soft(v) * attack * std::max(0.0, fall) * velocity);
    }
    return out;
}

// A harp-like pluck: decaying harmonics of a string plucked near its end, the higher ones
// dying first; `ring` seconds at most, damped gently over the last 0.6 s of that.
Mono harp(double hz, double velocity, double ring, Rng& rng) {
    Mono out(size_t(frames(ring)));
    const double lengthScale = std::pow(220.0 / hz, 0.3);
    for (int n = 1; n <= 10; ++n) {
        const double f = n * hz * std::sqrt(1 + 0.00012 * n * n);
        if (f > 10000) break;
        const double amp = std::abs(std::sin(n * kPi * 0.21)) / std::pow(n, 1.25);
        const double tau = 1.5 * lengthScale / (1 + 0.5 * (n - 1));
        Partial p(f, rng.uniform());
        const double decay = std::exp(-1.0 / (tau * kRate));
        double env = amp;
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] += float(p.next() * env);
            env *= decay;
        }
    }
    const double damp = 0.6;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        out[i] = float(out[i] * velocity * 0.6 * smoothstep(t / 0.003) *
                       (1 - smoothstep((t - (ring - damp)) / damp)));
    }
    return out;
}

// A soft electric piano: two-operator FM whose brightness falls after the strike.
Mono epiano(double hz, double velocity, double ring, Rng& rng) {
    Mono out(size_t(frames(ring)));
    double pc = rng.uniform(), pm = rng.uniform();
    const double damp = 0.6;
    // The two decays as per-frame factors: exp() per frame is the slow part otherwise.
    const double brightFall = std::exp(-1.0 / (0.3 * kRate)), fall = std::exp(-1.0 / (1.4 * kRate));
    double bright = 1.6 * velocity, level = velocity;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        pc += hz / kRate;
        pc -= std::floor(pc);
        const double v = sine().at(pc + (0.25 + bright) / kTwoPi * sine().at(pc - pm));
        const double env =
            level * smoothstep(t / 0.003) * (1 - smoothstep((t - (ring - damp)) / damp));
        out[i] = float(v * env);
        bright *= brightFall;
        level *= fall;
    }
    return out;
}

// A music box tine: a clear fundamental, a quiet octave and the bright, fast-dying bending
// mode of a clamped bar; 3 s long at most.
Mono musicBox(double hz, double velocity, Rng& rng) {
    const double ring = 3.0, damp = 0.8;
    Mono out(size_t(frames(ring)));
    struct Mode {
        double ratio, amp, tau;
    };
    for (const Mode m :
         {Mode{1, 1, 2.2}, Mode{2, 0.1, 0.9}, Mode{3, 0.04, 0.5}, Mode{6.27, 0.22, 0.15}}) {
        if (hz * m.ratio > 15000) continue;
        Partial p(hz * m.ratio, rng.uniform());
        const double decay = std::exp(-1.0 / (m.tau * kRate));
        double env = m.amp;
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] += float(p.next() * env);
            env *= decay;
        }
    }
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        const double click = rng.bipolar() * 0.3 * std::exp(-t / 0.0015);
        out[i] = float((out[i] + click) * velocity * 0.7 * smoothstep(t / 0.001) *
                       (1 - smoothstep((t - (ring - damp)) / damp)));
    }
    return out;
}

// A string pad: each note two slightly detuned bright voices, one per side, behind a
// low-pass at `bright` Hz; a slow attack, and 1.2 s of release after `length`.
Stereo pad(const std::vector<int>& notes, double length, double bright, double velocity, Rng& rng) {
    static const Wavetable saw = [] {
        std::vector<double> h;
        for (int n = 1; n <= 24; ++n)
            h.push_back(std::exp(-n / 7.0) / n);
        return Wavetable(h);
    }();
    const double attack = 0.8, release = 1.2;
    Stereo out(size_t(frames(length + release)));
    for (int note : notes) {
        for (int side = 0; side < 2; ++side) {
            const double hz = midiToHz(note + (side ? 0.07 : -0.07));
            double phase = rng.uniform();
            OnePoleLowPass lp(bright);
            OnePoleLowPass lp2(bright);
            Mono& o = side ? out.r : out.l;
            for (size_t i = 0; i < o.size(); ++i) {
                const double t = double(i) / kRate;
                phase += hz / kRate;
                phase -= std::floor(phase);
                const double env = smoothstep(t / attack) *
                                   (t < length ? 1.0 : 1 - smoothstep((t - length) / release));
                o[i] += float(lp2(lp(saw.at(phase))) * env * velocity / notes.size());
            }
        }
    }
    return out;
}

// A round bass: fundamental and a little of the next harmonics, plucked then sustained.
Mono bass(double hz, double length, double velocity, Rng& rng) {
    static const Wavetable tone({1, 0.4, 0.15, 0.06});
    const double release = 0.15;
    Mono out(size_t(frames(length + release)));
    double phase = rng.uniform();
    OnePoleLowPass lp(900);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        phase += hz / kRate;
        phase -= std::floor(phase);
        const double env = smoothstep(t / 0.008) * (0.45 + 0.55 * std::exp(-t / 0.9)) *
                           (t < length ? 1.0 : std::max(0.0, 1 - (t - length) / release));
        out[i] = float(lp(tone.at(phase)) * env * velocity);
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Scores

// "A4", "Bb3", "G#5" -> MIDI note number.
int parseNote(std::string_view s) {
    static const int kClass[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (s.empty() || s[0] < 'A' || s[0] > 'G') throw std::runtime_error("bad note");
    int pc = kClass[s[0] - 'A'];
    size_t i = 1;
    if (i < s.size() && (s[i] == 'b' || s[i] == '#')) pc += s[i++] == 'b' ? -1 : 1;
    if (i == s.size()) return pc; // a pitch class alone
    if (i + 1 != s.size() || s[i] < '0' || s[i] > '8') throw std::runtime_error("bad note");
    return 12 * (s[i] - '0' + 1) + pc;
}

struct Chord {
    std::vector<int> classes; // pitch classes 0-11, root first
    int bassClass = 0;
};

// "F", "C/E", "Dm", "Gm7", "Fmaj7", "C7", "Esus4".
Chord parseChord(std::string_view name) {
    const size_t slash = name.find('/');
    const std::string_view head = name.substr(0, slash);
    size_t rootLength = head.size() > 1 && (head[1] == 'b' || head[1] == '#') ? 2 : 1;
    const int root = (parseNote(head.substr(0, rootLength)) + 12) % 12;
    const std::string_view kind = head.substr(rootLength);
    std::vector<int> steps;
    if (kind.empty())
        steps = {0, 4, 7};
    else if (kind == "m")
        steps = {0, 3, 7};
    else if (kind == "7")
        steps = {0, 4, 7, 10};
    else if (kind == "m7")
        steps = {0, 3, 7, 10};
    else if (kind == "maj7")
        steps = {0, 4, 7, 11};
    else if (kind == "sus4")
        steps = {0, 5, 7};
    else
        throw std::runtime_error("unknown chord " + std::string(name));
    Chord c;
    for (int s : steps)
        c.classes.push_back((root + s) % 12);
    c.bassClass =
        slash == std::string_view::npos ? root : (parseNote(name.substr(slash + 1)) + 12) % 12;
    return c;
}

// The lowest note of pitch class `pc` at or above `low`.
int placeAbove(int pc, int low) {
    return low + ((pc - low) % 12 + 12) % 12;
}

struct Note {
    double beat, length;
    int pitch;
};

// "A4:1.5 Bb4:.5 r:1" -> notes with their start beats ("r" rests).
std::vector<Note> parseMelody(std::string_view text) {
    std::vector<Note> notes;
    double beat = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const size_t end = std::min(text.find(' ', i), text.size());
        const std::string_view token = text.substr(i, end - i);
        const size_t colon = token.find(':');
        if (colon == std::string_view::npos) throw std::runtime_error("bad melody");
        const double length = std::stod(std::string(token.substr(colon + 1)));
        if (token.substr(0, colon) != "r")
            notes.push_back({beat, length, parseNote(token.substr(0, colon))});
        beat += length;
        i = end;
    }
    return notes;
}

struct Bar {
    const char* chord;
    const char* melody;
};

enum class Lead { Flute, MusicBox };
enum class Accompaniment { Harp, ElectricPiano };

struct Piece {
    const char* title;
    int bpm; // 44100 * 60 must divide by it, so that every beat is a whole number of frames
    int beatsPerBar;
    Lead lead;
    Accompaniment accompaniment;
    std::vector<int> arpeggio; // indices into the chord's notes, one per eighth
    double padBright;          // pad low-pass, Hz
    double reverbFeedback, reverbWet;
    uint64_t seed;
    std::vector<Bar> loop; // the part that repeats
    Bar close;             // held for two bars after the loop, when not looping
};

struct Rendered {
    Stereo sound;
    long loopStart, loopEnd;
};

// How a bar is played: in the loop or the lead-in (Bar), without its melody (the first bar of
// the lead-in), or as the final held chord.
enum class Role { Bar, Accompaniment, Final };

void renderBar(const Piece& piece, const Bar& bar, Role role, long at, uint64_t seed, Stereo& dry,
               Stereo& send) {
    Rng rng(seed);
    const double beat = 60.0 / piece.bpm;
    const int bars = role == Role::Final ? 2 : 1;
    const double barLength = beat * piece.beatsPerBar * bars;
    const Chord chord = parseChord(bar.chord);
    auto place = [&](double beats) { return at + frames(beats * beat); };
    // A final chord stops early enough for its release to end inside the two bars.
    const double held = role == Role::Final ? barLength - 1.8 : barLength;

    std::vector<int> padNotes;
    for (int pc : chord.classes)
        padNotes.push_back(placeAbove(pc, 55));
    std::sort(padNotes.begin(), padNotes.end());
    const Stereo chordPad = pad(padNotes, held, piece.padBright, 0.9, rng);
    dry.add(chordPad, at, 0.55);
    send.add(chordPad, at, 0.45);

    const int bassNote = placeAbove(chord.bassClass, 36);
    if (role == Role::Final || piece.accompaniment == Accompaniment::ElectricPiano) {
        const Mono b = bass(midiToHz(bassNote), held, 0.85, rng);
        dry.add(b, at, 0.55, 0), send.add(b, at, 0.08, 0);
    } else {
        const bool slash = chord.bassClass != chord.classes[0];
        const Mono first = bass(midiToHz(bassNote), 1.9 * beat, 0.85, rng);
        const Mono second =
            bass(midiToHz(slash ? bassNote : placeAbove(chord.classes[2], bassNote)), 1.9 * beat,
                 0.7, rng);
        dry.add(first, at, 0.55, 0), send.add(first, at, 0.08, 0);
        dry.add(second, place(2), 0.55, 0), send.add(second, place(2), 0.08, 0);
    }

    // The chord's notes upward from the root in the third octave, over three octaves.
    std::vector<int> ladder;
    const int root = placeAbove(chord.classes[0], 48);
    for (int octave = 0; octave < 3; ++octave)
        for (int pc : chord.classes)
            ladder.push_back(placeAbove(pc, root) + 12 * octave);
    std::sort(ladder.begin(), ladder.end());
    const double ring = piece.accompaniment == Accompaniment::Harp ? 1.6 : 2.0;
    auto arpNote = [&](int pitch, double velocity, double length) {
        return piece.accompaniment == Accompaniment::Harp
                   ? harp(midiToHz(pitch), velocity, length, rng)
                   : epiano(midiToHz(pitch), velocity, length, rng);
    };
    const double arpPan = -0.35;
    if (role == Role::Final) { // one slow roll up, left to ring
        for (int k = 0; k < 6; ++k) {
            const Mono m = arpNote(ladder[size_t(k)], 0.75 - 0.05 * k, held - k * 0.5 * beat);
            dry.add(m, place(0.5 * k), 0.5, arpPan), send.add(m, place(0.5 * k), 0.35, arpPan);
        }
    } else {
        const int steps = piece.beatsPerBar * 2;
        for (int k = 0; k < steps; ++k) {
            const int index = piece.arpeggio[size_t(k) % piece.arpeggio.size()];
            const double accent = k % 4 == 0 ? 1.0 : k % 2 == 0 ? 0.85 : 0.7;
            const double velocity = accent * (0.62 + 0.08 * rng.bipolar());
            const long onset = place(0.5 * k) + frames(0.006 * rng.uniform());
            const Mono m = arpNote(ladder[size_t(index) % ladder.size()], velocity, ring);
            dry.add(m, onset, 0.5, arpPan), send.add(m, onset, 0.35, arpPan);
        }
    }

    if (role == Role::Accompaniment) return;
    const double leadPan = 0.12;
    for (const Note& n : parseMelody(bar.melody)) {
        if (n.beat + n.length > piece.beatsPerBar * bars + 1e-9)
            throw std::runtime_error(std::string("melody overruns its bar: ") + bar.melody);
        const double velocity = 0.9 + 0.08 * rng.bipolar();
        const long onset = place(n.beat) + frames(0.010 * rng.uniform());
        const double length = std::min(n.length * beat * 0.96, role == Role::Final ? held : 1e9);
        const Mono m = piece.lead == Lead::Flute ? flute(midiToHz(n.pitch), length, velocity, rng)
                                                 : musicBox(midiToHz(n.pitch), velocity, rng);
        // The music box dies away quickly and sits 2 dB higher, to stay clear of the chords.
        const double gain = piece.lead == Lead::Flute ? 0.8 : 1.0;
        dry.add(m, onset, gain, leadPan), send.add(m, onset, 0.35, leadPan);
    }
}

// Lead-in (the loop's last two bars, the first without melody), the loop, the closing chord.
Rendered renderPiece(const Piece& piece) {
    const long barFrames = long(kRate) * 60 / piece.bpm * piece.beatsPerBar;
    if (long(kRate) * 60 % piece.bpm != 0) throw std::runtime_error("tempo off the frame grid");
    const size_t count = piece.loop.size();
    struct Slot {
        const Bar* bar;
        Role role;
        uint64_t seed;
    };
    auto seedOf = [&](size_t loopIndex) { return piece.seed * 1000003u + loopIndex; };
    std::vector<Slot> slots = {{&piece.loop[count - 2], Role::Accompaniment, seedOf(count - 2)},
                               {&piece.loop[count - 1], Role::Bar, seedOf(count - 1)}};
    for (size_t i = 0; i < count; ++i)
        slots.push_back({&piece.loop[i], Role::Bar, seedOf(i)});
    slots.push_back({&piece.close, Role::Final, seedOf(count)});

    const long total = barFrames * long(slots.size() + 1); // the final chord takes two bars
    Stereo dry(static_cast<size_t>(total)), send(static_cast<size_t>(total));
    for (size_t i = 0; i < slots.size(); ++i)
        renderBar(piece, *slots[i].bar, slots[i].role, barFrames * long(i), slots[i].seed, dry,
                  send);

    const Stereo wet = Reverb(piece.reverbFeedback, 0.3).process(send);
    Stereo mix(static_cast<size_t>(total));
    mix.add(dry, 0, 1.0);
    mix.add(wet, 0, piece.reverbWet);
    // The last half second fades to silence, so a piece played without loop ends cleanly.
    const long fade = frames(0.5);
    for (long i = total - fade; i < total; ++i) {
        const double g = double(total - i) / double(fade);
        mix.l[size_t(i)] = float(mix.l[size_t(i)] * g),
        mix.r[size_t(i)] = float(mix.r[size_t(i)] * g);
    }
    Rendered out{std::move(mix), 2 * barFrames, (2 + long(count)) * barFrames};
    masterPiece(out.sound, size_t(out.loopStart), size_t(out.loopEnd), -14.0, -1.5);
    return out;
}

// The theme of the dusk: F major, a flute over harp and strings, for the slope and the first
// meeting with the keeper.
Piece duskTheme() {
    return {"Dusk at the cape",
            84,
            4,
            Lead::Flute,
            Accompaniment::Harp,
            {0, 2, 3, 4, 5, 4, 3, 2},
            1800,
            0.84,
            0.9,
            11,
            {
                {"F", "A4:1.5 Bb4:.5 C5:2"},
                {"C/E", "G4:1.5 A4:.5 G4:1 E4:1"},
                {"Dm", "F4:1.5 A4:.5 D5:2"},
                {"Bb", "C5:1 Bb4:1 A4:1 G4:1"},
                {"Gm7", "F4:1.5 G4:.5 Bb4:2"},
                {"F/A", "A4:1.5 C5:.5 F5:2"},
                {"Gm", "D5:1.5 C5:.5 Bb4:1 G4:1"},
                {"C", "A4:1 G4:2 r:1"},
                {"Dm", "D5:1.5 C5:.5 A4:2"},
                {"Am", "E5:1.5 D5:.5 C5:2"},
                {"Bb", "D5:1 C5:1 Bb4:1 D5:1"},
                {"F", "C5:3 r:1"},
                {"Gm", "Bb4:1.5 A4:.5 G4:1 Bb4:1"},
                {"C", "A4:1.5 G4:.5 E4:1 G4:1"},
                {"F", "F4:3 r:1"},
                {"C7", "E4:1 G4:1 Bb4:1 G4:1"},
            },
            {"F", "A4:1.5 G4:.5 F4:6"}};
}

// The theme of the night: A minor, a music box over electric piano and dark strings, for the
// lit lamp, the beam over the sea and the ending.
Piece nightTheme() {
    return {"Night over the sea",
            70,
            4,
            Lead::MusicBox,
            Accompaniment::ElectricPiano,
            {0, 2, 3, 2, 4, 2, 3, 2},
            1100,
            0.87,
            1.1,
            23,
            {
                {"Am", "E5:1.5 D5:.5 C5:1 E5:1"},
                {"Fmaj7", "A5:2 G5:1 F5:1"},
                {"C", "E5:1.5 D5:.5 C5:1 G4:1"},
                {"G", "B4:2 D5:2"},
                {"Am", "C5:1.5 B4:.5 A4:1 C5:1"},
                {"Fmaj7", "F5:2 E5:1 C5:1"},
                {"Dm7", "D5:1.5 E5:.5 F5:1 A5:1"},
                {"E", "G#5:2 E5:2"},
                {"F", "A5:1.5 G5:.5 F5:1 C5:1"},
                {"G", "D5:1.5 E5:.5 F5:1 G5:1"},
                {"Am", "E5:3 C5:1"},
                {"E", "B4:2 G#4:1 B4:1"},
            },
            {"Am", "C5:2 A4:6"}};
}

// ---------------------------------------------------------------------------------------
// Ambience

enum class Place { Outdoors, Tower };

// One wave on the rocks: a swell, the break (bright, with a low thud) and the long hiss of
// the foam running back. About `length` seconds; two sides of partly shared noise.
Stereo wave(double length, double strength, Rng& rng) {
    Stereo out(size_t(frames(length)));
    const double breakAt = rng.range(1.2, 1.8);
    Biquad body[2], foam[2], foamTop[2];
    for (int side = 0; side < 2; ++side) {
        foam[side] = Biquad(Biquad::Kind::HighPass, 700, 0.7);
        foamTop[side] = Biquad(Biquad::Kind::LowPass, 6000, 0.7);
    }
    OnePoleLowPass thud(110), brown(400);
    double shared = 0, fizz = 0;
    OnePoleLowPass fizzSmooth(25);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        const double swell = 0.35 * smoothstep(t / breakAt);
        const double crash =
            smoothstep((t - breakAt) / 0.5) * std::exp(-std::max(0.0, t - breakAt - 0.25) / 1.1);
        const double wash = smoothstep((t - breakAt - 0.1) / 1.0) *
                            std::exp(-std::max(0.0, t - breakAt - 0.8) / 1.6);
        const double tail = 1 - smoothstep((t - (length - 1.0)) / 1.0);
        const double level = (swell + crash) * tail;
        if (i % 32 == 0)
            for (Biquad& f : body)
                f.set(Biquad::Kind::LowPass, 250 + 2800 * std::pow(std::min(1.0, level), 1.5), 0.6);
        shared = brown(rng.bipolar());
        fizz = fizzSmooth(std::max(0.0, rng.bipolar()));
        const double low = thud(rng.bipolar()) * 6 * crash * tail;
        for (int side = 0; side < 2; ++side) {
            const double noise = 0.55 * rng.bipolar() + 0.45 * shared * 3;
            const double v =
                body[side](noise) * level +
                foamTop[side](foam[side](rng.bipolar())) * wash * tail * (0.25 + 2.5 * fizz) * 0.5 +
                low;
            (side ? out.r : out.l)[i] = float(v * strength);
        }
    }
    return out;
}

// Wind at the gallery: broad noise moving in gusts, with a faint whistle; its slow changes
// repeat `loop` frames later exactly, so only the noise differs between two turns.
Stereo wind(long loopFrames, long length, double strength, double whistle, Rng& rng) {
    Stereo out(static_cast<size_t>(length));
    double phases[4];
    for (double& p : phases)
        p = rng.uniform();
    const double period = double(loopFrames) / kRate;
    Biquad band[2], tone[2];
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        auto slow = [&](int cycles, int k) {
            return std::sin(kTwoPi * (cycles * t / period + phases[k]));
        };
        const double gust = 0.6 + 0.22 * slow(1, 0) + 0.12 * slow(3, 1) + 0.06 * slow(7, 2);
        if (i % 32 == 0) {
            const double centre = 420 + 260 * gust + 80 * slow(5, 3);
            for (Biquad& b : band)
                b.set(Biquad::Kind::BandPass, centre, 0.8);
            for (Biquad& b : tone)
                b.set(Biquad::Kind::BandPass, 2.1 * centre, 14);
        }
        for (int side = 0; side < 2; ++side) {
            const double n = rng.bipolar();
            const double v = band[side](n) * gust + tone[side](n) * whistle * gust * gust;
            (side ? out.r : out.l)[i] = float(v * strength);
        }
    }
    return out;
}

// The sea and the wind at the cape: four waves on a 20 s circle over continuous wind. In the
// tower the same sea comes muffled through the walls, and the wind whistles at the windows.
Stereo capeAmbience(Place place, uint64_t seed) {
    Rng rng(seed);
    const long loop = frames(20.0);
    const long overlap = frames(2.0);
    Stereo out(static_cast<size_t>(loop));

    // Wind: rendered past the end, and the overhang cross-faded into the beginning with
    // equal power (the two stretches of noise are unrelated).
    const bool tower = place == Place::Tower;
    const Stereo air = wind(loop, loop + overlap, tower ? 0.9 : 0.55, tower ? 2.5 : 0.7, rng);
    for (long i = 0; i < loop; ++i) {
        float l = air.l[size_t(i)], r = air.r[size_t(i)];
        if (i < overlap) {
            const double a = std::sin(kPi / 2 * double(i) / double(overlap));
            const double b = std::cos(kPi / 2 * double(i) / double(overlap));
            l = float(a * l + b * air.l[size_t(loop + i)]);
            r = float(a * r + b * air.r[size_t(loop + i)]);
        }
        out.l[size_t(i)] = l, out.r[size_t(i)] = r;
    }

    // Waves: added on the circle, so a wave breaking over the end goes on at the start.
    Stereo sea(static_cast<size_t>(loop));
    for (int k = 0; k < 4; ++k) {
        const long at = loop * k / 4 + frames(rng.range(-0.6, 0.6));
        const Stereo w = wave(rng.range(6.5, 8.0), rng.range(0.75, 1.0), rng);
        sea.add(w, at, 1.0, Edge::Wrap);
    }
    if (tower) { // through stone: only the low part of the sea
        for (Mono* side : {&sea.l, &sea.r}) {
            OnePoleLowPass a(350), b(350);
            // Twice round the circle, so the filter has settled when the kept turn begins.
            Mono twice(side->size() * 2);
            for (size_t i = 0; i < twice.size(); ++i)
                twice[i] = float(b(a((*side)[i % side->size()])));
            std::copy(twice.begin() + long(side->size()), twice.end(), side->begin());
        }
        scale(sea, 1.8);
    }
    out.add(sea, 0, 1.0);

    // A little space around everything: the reverb too runs twice round the circle.
    Stereo twice(size_t(loop) * 2);
    twice.add(out, 0, 1.0), twice.add(out, loop, 1.0);
    const Stereo wet = Reverb(0.8, 0.4).process(twice);
    for (size_t i = 0; i < size_t(loop); ++i)
        out.l[i] += 0.5f * wet.l[i + size_t(loop)], out.r[i] += 0.5f * wet.r[i + size_t(loop)];
    return out;
}

// Sets the RMS and limits on the circle: the limiter runs over two turns and the second one
// is kept, so its gain at the end joins its gain at the start.
void masterLoop(Stereo& s, double rmsDb, double ceilingDb) {
    const size_t n = s.size();
    for (int round = 0; round < 4; ++round) {
        const double gain = gainTo(s, 0, n, rmsDb);
        if (round > 0 && gain == 1) return;
        scale(s, gain);
        Stereo twice(n * 2);
        twice.add(s, 0, 1.0), twice.add(s, long(n), 1.0);
        limit(twice, dbToGain(ceilingDb));
        std::copy(twice.l.begin() + long(n), twice.l.end(), s.l.begin());
        std::copy(twice.r.begin() + long(n), twice.r.end(), s.r.begin());
    }
}

// ---------------------------------------------------------------------------------------
// Effects. Each returns a sound at its own level; the caller sets the peak.

void addRoom(Stereo& s, double feedback, double damping, double wet) {
    const Stereo w = Reverb(feedback, damping).process(s);
    s.add(w, 0, wet);
}

// An old wooden door: the latch, the creak of the hinge as it opens, the thud as it shuts
// and the latch again.
Stereo door(Rng& rng) {
    Stereo s(size_t(frames(2.6)));
    Mono m(s.size());
    auto click = [&](double at, double hz, double level) {
        Biquad ring(Biquad::Kind::BandPass, hz, 12), ring2(Biquad::Kind::BandPass, hz * 1.63, 16);
        for (long i = 0; i < frames(0.08); ++i) {
            const double t = double(i) / kRate;
            const double x = rng.bipolar() * std::exp(-t / 0.002);
            m[size_t(frames(at) + i)] += float((ring(x) + 0.6 * ring2(x)) * level * 8);
        }
    };
    click(0.03, 2400, 0.5);
    // The creak: stick-slip pulses whose rate wanders, ringing the wood's modes.
    {
        Biquad modes[] = {{Biquad::Kind::BandPass, 390, 9},
                          {Biquad::Kind::BandPass, 830, 12},
                          {Biquad::Kind::BandPass, 1460, 14},
                          {Biquad::Kind::BandPass, 2650, 16}};
        const double gains[] = {1.0, 0.8, 0.55, 0.3};
        const double begin = 0.15, length = 1.2;
        double phase = 0, drift = 0;
        for (long i = 0; i < frames(length); ++i) {
            const double t = double(i) / kRate;
            drift += (rng.bipolar() * 40 - drift) * 0.0004;
            const double rate = 75 + 45 * std::sin(kTwoPi * t / length * 1.5) + drift;
            phase += rate / kRate;
            double x = 0;
            if (phase >= 1) {
                phase -= 1;
                x = 0.6 + 0.4 * rng.uniform();
            }
            double v = 0;
            for (int k = 0; k < 4; ++k)
                v += modes[k](x) * gains[k];
            const double env = smoothstep(t / 0.12) * (1 - smoothstep((t - (length - 0.3)) / 0.3)) *
                               (0.7 + 0.3 * std::sin(kTwoPi * 2.3 * t));
            m[size_t(frames(begin) + i)] += float(v * env * 5);
        }
    }
    // The door shuts: a low knock of the frame and a short burst of dull noise.
    {
        const long at = frames(1.75);
        OnePoleLowPass dull(500);
        double phase = 0;
        for (long i = 0; i < frames(0.6); ++i) {
            const double t = double(i) / kRate;
            phase += (62 + 25 * std::exp(-t / 0.03)) / kRate;
            const double v = std::sin(kTwoPi * phase) * std::exp(-t / 0.11) +
                             dull(rng.bipolar()) * 2.5 * std::exp(-t / 0.035);
            m[size_t(at + i)] += float(v * smoothstep(t / 0.002));
        }
    }
    click(1.77, 2200, 0.45);
    s.add(m, 0, 1.0, 0);
    addRoom(s, 0.78, 0.35, 0.25);
    return s;
}

// Four steps up the stone stairs of the tower: heel, the thump of the body, a scuff of the
// sole; the stairwell rings after each.
Stereo steps(Rng& rng) {
    Stereo s(size_t(frames(3.0)));
    Mono m(s.size());
    for (int k = 0; k < 4; ++k) {
        const long at = frames(0.08 + 0.55 * k + rng.range(-0.02, 0.02));
        const double level = (k % 2 ? 0.85 : 1.0) * rng.range(0.9, 1.0);
        OnePoleLowPass heel(1400), heel2(1400);
        Biquad scuff(Biquad::Kind::BandPass, rng.range(2200, 2900), 1.2);
        Biquad grit(Biquad::Kind::BandPass, 5200, 2);
        double phase = 0;
        for (long i = 0; i < frames(0.3); ++i) {
            const double t = double(i) / kRate;
            phase += (95 + 40 * std::exp(-t / 0.01)) / kRate;
            const double thump = std::sin(kTwoPi * phase) * std::exp(-t / 0.045);
            const double hit = heel2(heel(rng.bipolar())) * 5 * std::exp(-t / 0.012);
            const double ts = t - 0.045;
            const double rub = ts > 0 ? scuff(rng.bipolar()) * 0.35 * smoothstep(ts / 0.01) *
                                                std::exp(-ts / 0.05) +
                                            grit(rng.bipolar()) * 0.1 * std::exp(-ts / 0.03)
                                      : 0.0;
            m[size_t(at + i)] += float((thump * 0.8 + hit + rub) * level * smoothstep(t / 0.001));
        }
    }
    s.add(m, 0, 1.0, 0);
    addRoom(s, 0.88, 0.25, 0.5);
    return s;
}

// A bronze bell struck once: the partials of a tuned bell (hum, prime, minor third, fifth,
// nominal and above), each a slowly beating pair, ringing out over several seconds.
Stereo bell(Rng& rng) {
    const double length = 6.0;
    Stereo s(size_t(frames(length)));
    Mono m(s.size());
    const double prime = 392;
    struct Mode {
        double ratio, amp, tau;
    };
    for (const Mode md :
         {Mode{0.5, 0.45, 4.5}, Mode{1.0, 0.55, 3.2}, Mode{1.19, 0.42, 2.5}, Mode{1.5, 0.2, 1.9},
          Mode{2.0, 0.5, 2.0}, Mode{2.51, 0.22, 1.2}, Mode{2.67, 0.17, 1.0}, Mode{3.01, 0.14, 0.8},
          Mode{4.07, 0.1, 0.5}, Mode{5.2, 0.07, 0.3}, Mode{6.3, 0.05, 0.2}}) {
        const double beat = rng.range(0.4, 1.6);
        for (double side : {-0.5, 0.5}) {
            Partial p(prime * md.ratio + side * beat, rng.uniform());
            const double decay = std::exp(-1.0 / (md.tau * kRate));
            double env = md.amp * 0.5;
            for (size_t i = 0; i < m.size(); ++i) {
                m[i] += float(p.next() * env);
                env *= decay;
            }
        }
    }
    Biquad strike(Biquad::Kind::BandPass, 3200, 1.5);
    for (size_t i = 0; i < m.size(); ++i) {
        const double t = double(i) / kRate;
        const double hit = strike(rng.bipolar()) * std::exp(-t / 0.004);
        m[i] =
            float((m[i] + hit) * smoothstep(t / 0.0015) * (1 - smoothstep((t - (length - 1)) / 1)));
    }
    s.add(m, 0, 1.0, 0);
    addRoom(s, 0.82, 0.3, 0.3);
    return s;
}

// Lighting the lamp: a match struck and flaring, the wick catching with a soft whump, the
// glass chimney set back with a tink, then the flame's quiet hiss fading.
Stereo lamp(Rng& rng) {
    const double length = 3.0;
    Stereo s(size_t(frames(length)));
    Mono m(s.size());
    Biquad scratch(Biquad::Kind::BandPass, 3600, 1.0);
    Biquad flare, crackleTone(Biquad::Kind::BandPass, 2500, 1.2);
    Biquad top(Biquad::Kind::LowPass, 7500, 0.7);
    OnePoleLowPass whump(260), whump2(260), hiss(900);
    OnePoleLowPass rough(60);
    double crackle = 0;
    for (size_t i = 0; i < m.size(); ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        // The strike: rough scratching over 0.15 s.
        const double ts = t - 0.05;
        if (ts > 0 && ts < 0.2) {
            const double grain = 0.4 + 1.6 * std::abs(rough(rng.bipolar() * 3));
            v += scratch(rng.bipolar()) * grain * smoothstep(ts / 0.01) *
                 (1 - smoothstep((ts - 0.12) / 0.06));
        }
        // The flare: a bright rush that dulls as it settles, with crackles.
        const double tf = t - 0.17;
        if (tf > 0) {
            if (i % 32 == 0)
                flare.set(Biquad::Kind::LowPass, 900 + 5000 * std::exp(-tf / 0.18), 0.7);
            const double env = smoothstep(tf / 0.03) * (0.15 + 0.85 * std::exp(-tf / 0.25)) *
                               (1 - smoothstep((t - 1.2) / 0.4));
            if (rng.uniform() < 0.0009 * std::exp(-tf / 0.5)) crackle = rng.range(0.5, 1.0);
            v += flare(rng.bipolar()) * env * 0.9 + crackleTone(crackle * rng.bipolar()) * 2;
            crackle *= 0.93;
        }
        // The wick catches.
        const double tw = t - 0.95;
        if (tw > 0) {
            const double env = smoothstep(tw / 0.12) * std::exp(-std::max(0.0, tw - 0.12) / 0.35);
            v += whump2(whump(rng.bipolar())) * 14 * env + std::sin(kTwoPi * 68 * tw) * 0.35 * env;
            // The flame: quiet, flickering, fading by the end.
            const double flicker =
                0.7 + 0.3 * std::sin(kTwoPi * 7.3 * t) * std::sin(kTwoPi * 2.1 * t);
            v += hiss(rng.bipolar()) * 0.5 * smoothstep(tw / 0.3) * flicker *
                 (1 - smoothstep((t - 1.6) / (length - 1.6)));
        }
        m[i] = float(top(v));
    }
    // The chimney: a short glassy ring.
    const long at = frames(1.65);
    for (const double hz : {3150.0, 4720.0, 6890.0}) {
        Partial p(hz, rng.uniform());
        for (long i = 0; i < frames(0.5); ++i) {
            const double t = double(i) / kRate;
            m[size_t(at + i)] +=
                float(p.next() * 0.12 * std::exp(-t / (0.25 * 3150 / hz)) * smoothstep(t / 0.0008));
        }
    }
    s.add(m, 0, 1.0, 0);
    addRoom(s, 0.8, 0.3, 0.2);
    return s;
}

// A page of an old book turned: the corner lifted, the sweep of the page, a soft slap as it
// lands, and the paper's crinkle throughout.
Stereo page(Rng& rng) {
    const double length = 0.9;
    Stereo s(size_t(frames(length)));
    Mono m(s.size());
    Biquad sweep, crinkle(Biquad::Kind::HighPass, 3000, 0.7);
    Biquad top(Biquad::Kind::LowPass, 8000, 0.7), top2(Biquad::Kind::LowPass, 8000, 0.7);
    OnePoleLowPass slap(700), flutter(30);
    for (size_t i = 0; i < m.size(); ++i) {
        const double t = double(i) / kRate;
        if (i % 32 == 0) {
            const double centre =
                t < 0.25 ? 1800 + 3000 * t / 0.25 : 1500 + 3300 * std::exp(-(t - 0.25) / 0.12);
            sweep.set(Biquad::Kind::BandPass, centre, 0.9);
        }
        const double lift = 0.25 * smoothstep(t / 0.2);
        const double swish = smoothstep((t - 0.2) / 0.08) * (1 - smoothstep((t - 0.38) / 0.12));
        const double motion = (lift * (1 - smoothstep((t - 0.2) / 0.05)) + swish) *
                              (0.6 + 0.8 * std::abs(flutter(rng.bipolar() * 4)));
        double v = sweep(rng.bipolar()) * motion;
        const double tl = t - 0.47;
        if (tl > 0) v += slap(rng.bipolar()) * 3.5 * smoothstep(tl / 0.003) * std::exp(-tl / 0.02);
        const bool crackle = t < 0.55 && rng.uniform() < 0.004;
        v += crinkle(crackle ? rng.bipolar() * 3 : 0.0);
        m[i] = float(top2(top(v)) * (1 - smoothstep((t - (length - 0.15)) / 0.15)));
    }
    s.add(m, 0, 1.0, 0);
    addRoom(s, 0.7, 0.5, 0.12);
    return s;
}

// The cat's meow: a voiced sound whose pitch rises and falls while its mouth opens from
// "m" through "ia" to "ow"; made of harmonics shaped by three moving formants.
Stereo cat(Rng& rng) {
    const double length = 1.0, voiced = 0.85;
    Stereo s(size_t(frames(length)));
    Mono m(s.size());
    struct Shape {
        double f1, f2, f3;
    };
    auto shapeAt = [](double x) { // 0 .. 1 through the meow
        const Shape a{700, 2600, 4200}, b{1300, 2100, 3800}, c{850, 1350, 3500};
        auto mix = [](const Shape& p, const Shape& q, double u) {
            return Shape{p.f1 + (q.f1 - p.f1) * u, p.f2 + (q.f2 - p.f2) * u,
                         p.f3 + (q.f3 - p.f3) * u};
        };
        return x < 0.35 ? mix(a, b, smoothstep(x / 0.35))
                        : mix(b, c, smoothstep((x - 0.35) / 0.65));
    };
    auto resonance = [](double f, double centre, double width) {
        const double d = (f - centre) / width;
        return 1 / (1 + d * d);
    };
    std::vector<double> phases(24);
    for (double& p : phases)
        p = rng.uniform();
    OnePoleLowPass jitter(8);
    for (size_t i = 0; i < size_t(frames(voiced)); ++i) {
        const double t = double(i) / kRate, x = t / voiced;
        const double contour =
            520 + 260 * std::sin(kPi * std::min(1.0, x / 0.7)) - 80 * smoothstep((x - 0.6) / 0.4);
        const double f0 =
            contour * (1 + 0.012 * std::sin(kTwoPi * 6 * t) + 0.02 * jitter(rng.bipolar()));
        const Shape sh = shapeAt(x);
        const double mouth = smoothstep(x / 0.12); // closed lips damp the upper formants
        double v = 0;
        for (size_t n = 1; n <= phases.size(); ++n) {
            const double f = f0 * double(n);
            if (f > 9000) break;
            phases[n - 1] += f / kRate;
            phases[n - 1] -= std::floor(phases[n - 1]);
            const double gain = resonance(f, sh.f1, 180) + 0.7 * mouth * resonance(f, sh.f2, 250) +
                                0.35 * mouth * resonance(f, sh.f3, 350) + 0.08;
            v += sine().at(phases[n - 1]) * gain / std::sqrt(double(n));
        }
        const double env = smoothstep(x / 0.08) * (1 - smoothstep((x - 0.7) / 0.3));
        m[i] = float(v * env);
    }
    s.add(m, 0, 1.0, 0);
    addRoom(s, 0.7, 0.5, 0.1);
    return s;
}

// ---------------------------------------------------------------------------------------
// Voices

// Reads a 16-bit PCM WAV, mono or stereo (folded to mono). The file is outside data: every
// chunk is checked against the bytes that are there; a data chunk that claims more than the
// file holds (as a stream written to a pipe does) is taken as far as it goes.
bool readWav(const std::string& path, Mono& out, int& rate) {
    constexpr uintmax_t kMaxBytes = 64u << 20;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size < 12 || size > kMaxBytes) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const bool read = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    if (!read) return false;
    auto u16 = [&](size_t at) { return uint32_t(bytes[at] | bytes[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    int channels = 0;
    size_t at = 12;
    while (bytes.size() - at >= 8) {
        const uint32_t length = u32(at + 4);
        const size_t body = at + 8;
        const size_t left = bytes.size() - body;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0) {
            if (length < 16 || length > left) return false;
            const uint32_t format = u16(body), bits = u16(body + 14);
            channels = int(u16(body + 2));
            rate = int(u32(body + 4));
            if ((format != 1 && format != 0xFFFE) || bits != 16 || channels < 1 || channels > 2 ||
                rate < 8000 || rate > 192000)
                return false;
        } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
            if (channels == 0) return false;
            const size_t frameCount = std::min<size_t>(length, left) / (2 * size_t(channels));
            out.assign(frameCount, 0);
            for (size_t i = 0; i < frameCount; ++i) {
                double sum = 0;
                for (int c = 0; c < channels; ++c)
                    sum += int16_t(u16(body + 2 * (i * size_t(channels) + size_t(c)))) / 32768.0;
                out[i] = float(sum / channels);
            }
            return frameCount > 0;
        } else if (length > left) {
            return false;
        }
        at = body + length + (length & 1);
        if (at > bytes.size()) break;
    }
    return false;
}

// Makes a spoken line sit well beside the music: the synthesiser's hum below 80 Hz and its
// edge above 6 kHz taken off, the silence around it trimmed to a short margin, a little room
// added, and the level set to -18 dBFS RMS with peaks below -3 dBFS.
bool makeVoice(const std::string& in, const std::string& out) {
    Mono raw;
    int rate = 0;
    if (!readWav(in, raw, rate)) {
        std::fprintf(stderr, "make_sample_sound: %s is not a 16-bit PCM WAV\n", in.c_str());
        return false;
    }
    const double threshold = dbToGain(-45);
    size_t first = 0, last = raw.size();
    while (first < last && std::abs(raw[first]) < threshold)
        ++first;
    while (last > first && std::abs(raw[last - 1]) < threshold)
        --last;
    if (first == last) {
        std::fprintf(stderr, "make_sample_sound: %s is silent\n", in.c_str());
        return false;
    }
    const size_t before = size_t(rate) / 20, after = size_t(rate) / 4; // 50 ms, 250 ms
    first = first > before ? first - before : 0;
    last = std::min(raw.size(), last + before);
    // The filters and the room are made for 44.1 kHz; at the synthesiser's own rate they
    // are scaled by the ratio, which is close enough for a gentle shaping.
    const double k = double(kRate) / rate;
    Biquad low(Biquad::Kind::HighPass, 80 * k, 0.7), high(Biquad::Kind::LowPass, 6000 * k, 0.7);
    Stereo s(last - first + after);
    for (size_t i = first; i < last; ++i) {
        const double v = high(low(raw[i]));
        s.l[i - first] = s.r[i - first] = float(v);
    }
    for (size_t i = last - first; i < s.size(); ++i) // the filters' own tails
        s.l[i] = s.r[i] = float(high(low(0)));
    addRoom(s, 0.7, 0.5, 0.12);
    const size_t fade = size_t(rate) / 10;
    for (size_t i = s.size() - fade; i < s.size(); ++i) {
        const float g = float(s.size() - i) / float(fade);
        s.l[i] *= g, s.r[i] *= g;
    }
    master(s, 0, s.size(), -18, -3);
    Mono m(s.size());
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = 0.5f * (s.l[i] + s.r[i]);
    return writeOgg(out, {&m}, rate, 0.4f, {{"TITLE", std::filesystem::path(out).stem().string()}});
}

// ---------------------------------------------------------------------------------------

struct Job {
    std::string path;
    std::function<bool(const std::string&)> make;
};

bool writeMusic(const std::string& path, const Piece& piece) {
    const Rendered r = renderPiece(piece);
    return writeStereo(path, r.sound, 0.5f,
                       {{"TITLE", piece.title},
                        {"start", std::to_string(r.loopStart)},
                        {"end", std::to_string(r.loopEnd)}});
}

bool writeAmbience(const std::string& path, Place place, const char* title, double rmsDb,
                   uint64_t seed) {
    Stereo s = capeAmbience(place, seed);
    masterLoop(s, rmsDb, -4);
    return writeStereo(path, s, 0.3f, {{"TITLE", title}});
}

bool writeEffect(const std::string& path, Stereo (*make)(Rng&), const char* title, double peakDb,
                 uint64_t seed) {
    Rng rng(seed);
    Stereo s = make(rng);
    normalisePeak(s, peakDb);
    return writeMono(path, s, 0.4f, {{"TITLE", title}});
}

int makeAll(const std::string& dir) {
    for (const char* sub : {"bgm", "env", "se"}) {
        std::error_code ec;
        std::filesystem::create_directories(dir + "/" + sub, ec);
        if (ec) {
            std::fprintf(stderr, "make_sample_sound: cannot make %s/%s\n", dir.c_str(), sub);
            return 1;
        }
    }
    const std::vector<Job> jobs = {
        {"bgm/dusk.ogg", [](const std::string& p) { return writeMusic(p, duskTheme()); }},
        {"bgm/night.ogg", [](const std::string& p) { return writeMusic(p, nightTheme()); }},
        {"env/sea.ogg",
         [](const std::string& p) {
             return writeAmbience(p, Place::Outdoors, "The sea at the cape", -20, 101);
         }},
        {"env/tower.ogg",
         [](const std::string& p) {
             return writeAmbience(p, Place::Tower, "Inside the tower", -24, 202);
         }},
        {"se/door.ogg", [](const std::string& p) { return writeEffect(p, door, "Door", -3, 301); }},
        {"se/steps.ogg",
         [](const std::string& p) { return writeEffect(p, steps, "Steps", -4, 302); }},
        {"se/bell.ogg", [](const std::string& p) { return writeEffect(p, bell, "Bell", -3, 303); }},
        {"se/lamp.ogg", [](const std::string& p) { return writeEffect(p, lamp, "Lamp", -4, 304); }},
        {"se/page.ogg", [](const std::string& p) { return writeEffect(p, page, "Page", -8, 305); }},
        {"se/cat.ogg", [](const std::string& p) { return writeEffect(p, cat, "Cat", -5, 306); }},
    };
    // Two workers: the pieces of music are the slow part and go first, one each.
    std::vector<int> failed(jobs.size(), 0);
    auto work = [&](size_t from) {
        for (size_t i = from; i < jobs.size(); i += 2) {
            try {
                failed[i] = jobs[i].make(dir + "/" + jobs[i].path) ? 0 : 1;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "make_sample_sound: %s: %s\n", jobs[i].path.c_str(), e.what());
                failed[i] = 2;
            }
        }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    int status = 0;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (failed[i] == 1) {
            std::fprintf(stderr, "make_sample_sound: cannot write %s/%s\n", dir.c_str(),
                         jobs[i].path.c_str());
            status = 1;
        } else if (failed[i] != 0) {
            status = 1;
        }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string_view(argv[1]) == "--voice")
        return makeVoice(argv[2], argv[3]) ? 0 : 1;
    if (argc == 2 && argv[1][0] != '-') return makeAll(argv[1]);
    std::fprintf(stderr, "usage: make_sample_sound OUT_DIR\n"
                         "       make_sample_sound --voice IN.wav OUT.ogg\n");
    return 2;
}
