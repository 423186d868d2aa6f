// The sample game's sounds as the build made them (tools/sample_sound), decoded the way the
// engine decodes them: every file opens, has the expected format, length and level and
// never clips; the music's jump from its loop end back to its loop start and the ambience's
// wrap from its last frame to its first cannot be heard.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace {

const std::string kData = std::string(VELMIRA_SAMPLE_GAME_DIR) + "/data/";

struct Sound {
    int channels = 0;
    int rate = 0;
    std::vector<double> pcm;   // interleaved, full scale = 1
    long start = -1, end = -1; // the "start" and "end" comments, -1 when absent

    size_t frames() const { return pcm.size() / size_t(channels); }
    double at(size_t frame, int channel) const {
        return pcm[frame * size_t(channels) + size_t(channel)];
    }
};

// The first comment "tag=..." (the tag in any case) as a decimal number; -1 when absent.
long tagValue(const vorbis_comment* vc, std::string_view tag) {
    for (int i = 0; i < vc->comments; ++i) {
        const std::string_view c(vc->user_comments[i], size_t(vc->comment_lengths[i]));
        if (c.size() > tag.size() && c[tag.size()] == '=' &&
            std::equal(tag.begin(), tag.end(), c.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
            return std::stol(std::string(c.substr(tag.size() + 1)));
    }
    return -1;
}

// The whole stream as 16-bit PCM, as the engine reads it.
bool decode(const std::string& path, Sound& out) {
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return false;
    const vorbis_info* info = ov_info(&vf, -1);
    out.channels = info->channels;
    out.rate = int(info->rate);
    if (vorbis_comment* vc = ov_comment(&vf, -1)) {
        out.start = tagValue(vc, "start");
        out.end = tagValue(vc, "end");
    }
    char buffer[8192];
    int bitstream = 0;
    for (;;) {
        const long n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &bitstream);
        if (n == 0) break;
        if (n < 0) continue;
        for (long i = 0; i + 1 < n; i += 2) {
            const auto v =
                int16_t(uint16_t(uint8_t(buffer[i])) | uint16_t(uint8_t(buffer[i + 1])) << 8);
            out.pcm.push_back(v / 32768.0);
        }
    }
    ov_clear(&vf);
    return true;
}

double toDb(double x) {
    return 20 * std::log10(std::max(x, 1e-12));
}

double rms(const Sound& s, size_t begin, size_t end) {
    double sum = 0;
    for (size_t i = begin * size_t(s.channels); i < end * size_t(s.channels); ++i)
        sum += s.pcm[i] * s.pcm[i];
    return std::sqrt(sum / double((end - begin) * size_t(s.channels)));
}

// How much a join of two frames stands out: the energy of the second difference (which a
// step or a kink in the wave makes large) over the 1 ms either side of it. `next(i)` is the
// frame that follows frame i in playback order.
template <typename Next> double joinRoughness(const Sound& s, size_t frame, Next next) {
    const size_t half = size_t(s.rate) / 1000;
    std::vector<size_t> order(2 * half + 2);
    size_t f = frame;
    for (size_t k = 0; k < half; ++k) // walk back: playback before a join is always linear
        f = f == 0 ? 0 : f - 1;
    for (size_t& o : order) {
        o = f;
        f = next(f);
    }
    double sum = 0;
    for (int c = 0; c < s.channels; ++c)
        for (size_t k = 1; k + 1 < order.size(); ++k) {
            const double d2 = s.at(order[k + 1], c) - 2 * s.at(order[k], c) + s.at(order[k - 1], c);
            sum += d2 * d2;
        }
    return sum;
}

struct Expected {
    std::string path;
    int channels, rate;
    double minSeconds, maxSeconds;
    double minRmsDb, maxRmsDb; // over the loop for music, else over the whole sound
};

TEST(SampleSoundTest, EverySoundHasItsFormatLengthAndLevelAndNeverClips) {
    std::vector<Expected> table = {
        {"bgm/dusk.ogg", 2, 44100, 30, 60, -15, -13},
        {"bgm/night.ogg", 2, 44100, 30, 60, -15, -13},
        {"env/sea.ogg", 2, 44100, 10, 20, -21.5, -18.5},
        {"env/tower.ogg", 2, 44100, 10, 20, -25.5, -22.5},
        {"se/door.ogg", 1, 44100, 1, 4, -40, -12},
        {"se/steps.ogg", 1, 44100, 1, 4, -40, -12},
        {"se/bell.ogg", 1, 44100, 2, 8, -40, -12},
        {"se/lamp.ogg", 1, 44100, 1, 4, -40, -12},
        {"se/page.ogg", 1, 44100, 0.3, 2, -45, -12},
        {"se/cat.ogg", 1, 44100, 0.5, 2, -40, -12},
    };
    // Every voiced line, as many as the build spoke.
    size_t voices = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kData + "voice/keeper")) {
        table.push_back(
            {"voice/keeper/" + entry.path().filename().string(), 1, 22050, 1, 10, -19.5, -16.5});
        ++voices;
    }
    EXPECT_GE(voices, 8u);
    for (const Expected& e : table) {
        SCOPED_TRACE(e.path);
        Sound s;
        ASSERT_TRUE(decode(kData + e.path, s));
        EXPECT_EQ(s.channels, e.channels);
        EXPECT_EQ(s.rate, e.rate);
        const double seconds = double(s.frames()) / s.rate;
        EXPECT_GE(seconds, e.minSeconds);
        EXPECT_LE(seconds, e.maxSeconds);
        const bool music = s.start >= 0;
        const double level =
            toDb(music ? rms(s, size_t(s.start), size_t(s.end)) : rms(s, 0, s.frames()));
        EXPECT_GE(level, e.minRmsDb);
        EXPECT_LE(level, e.maxRmsDb);
        double peak = 0;
        for (double v : s.pcm)
            peak = std::max(peak, std::abs(v));
        EXPECT_LT(toDb(peak), -0.5) << "a sound must keep clear of full scale";
    }
}

TEST(SampleSoundTest, MusicJumpsFromItsLoopEndToItsLoopStartWithoutASeam) {
    for (const char* path : {"bgm/dusk.ogg", "bgm/night.ogg"}) {
        SCOPED_TRACE(path);
        Sound s;
        ASSERT_TRUE(decode(kData + path, s));
        ASSERT_GT(s.start, 0);
        ASSERT_GT(s.end, s.start);
        ASSERT_LE(size_t(s.end), s.frames());
        const size_t start = size_t(s.start), end = size_t(s.end);
        EXPECT_GT(double(end - start) / s.rate, 20.0)
            << "a loop much shorter than the stream's halves has gaps";

        // What precedes the loop start is what precedes the loop end, so playing on from the
        // start after the end sounds as if the music had gone straight on. Only the coding
        // noise of the two stretches differs.
        const size_t window = size_t(s.rate) / 5;
        double signal = 0, difference = 0;
        for (size_t k = 0; k < window; ++k)
            for (int c = 0; c < s.channels; ++c) {
                const double a = s.at(start - window + k, c), b = s.at(end - window + k, c);
                signal += b * b;
                difference += (a - b) * (a - b);
            }
        EXPECT_LT(10 * std::log10(difference / signal), -15.0);

        // And the join itself is hardly rougher than the linear way into the loop start. The
        // two stretches before it carry different coding noise, which roughens the join a
        // little (two to three times, as measured); a loop point off by ten frames makes it
        // at least seventy times rougher, one off by a beat a thousand times.
        const double jump =
            joinRoughness(s, end - 1, [&](size_t f) { return f + 1 == end ? start : f + 1; });
        const double straight = joinRoughness(s, start - 1, [](size_t f) { return f + 1; });
        EXPECT_LT(jump, 8 * straight);
    }
}

TEST(SampleSoundTest, AmbienceWrapsFromItsLastFrameToItsFirstWithoutAClickOrAJump) {
    for (const char* path : {"env/sea.ogg", "env/tower.ogg"}) {
        SCOPED_TRACE(path);
        Sound s;
        ASSERT_TRUE(decode(kData + path, s));
        const size_t n = s.frames();
        ASSERT_GT(n, size_t(s.rate));
        auto next = [n](size_t f) { return (f + 1) % n; };
        // The wrap is measured like every other join of the sound (one every 10 ms): the
        // change of level between the 200 ms either side, and the roughness of the join. In a
        // sound of waves and wind these vary a lot by themselves, so the wrap is compared with
        // their spread: it must not be among the quarter of steepest level changes nor the
        // tenth of roughest joins. A wrap that cuts a wave short or lands in a quieter stretch
        // fails so (three in four such cuts, measured), and any click does.
        const size_t step = size_t(s.rate) / 100, side = size_t(s.rate) / 5;
        auto levelStep = [&](size_t join) {
            double before = 0, after = 0;
            for (size_t k = 0; k < side; ++k)
                for (int c = 0; c < s.channels; ++c) {
                    const double a = s.at((join + n - side + k) % n, c),
                                 b = s.at((join + k) % n, c);
                    before += a * a, after += b * b;
                }
            return std::abs(10 * std::log10(after / before));
        };
        std::vector<double> steps, roughness;
        for (size_t join = side + step; join + side < n; join += step) {
            steps.push_back(levelStep(join));
            roughness.push_back(joinRoughness(s, join - 1, next));
        }
        auto quantile = [](std::vector<double> v, double q) {
            std::sort(v.begin(), v.end());
            return v[size_t(q * double(v.size() - 1))];
        };
        EXPECT_LE(levelStep(0), quantile(steps, 0.75));
        EXPECT_LE(joinRoughness(s, n - 1, next), quantile(roughness, 0.9));
    }
}

} // namespace
