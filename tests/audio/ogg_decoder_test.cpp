// OggDecoder: the memory callbacks, loop points, the one-jump rule, silence after the end,
// and files that must not open. Sounds are synthesised and encoded by the tests; the
// engine's output is compared with a plain ov_read decode of the same file.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>

#include "audio/ogg_decoder.h"
#include "resource/archive.h"
#include "support/audio_rig.h"
#include "support/game_fixture.h"
#include "support/ogg_fixture.h"

namespace velmira {
namespace {

using Bytes = std::vector<uint8_t>;
using test::slice;

// Files are encoded once per test program: the ten-second one takes a moment.
const Bytes& toneFile(const std::string& key, const test::OggTone& tone) {
    static std::map<std::string, Bytes> files;
    auto it = files.find(key);
    if (it == files.end()) it = files.emplace(key, test::encodeOggTone(tone)).first;
    return it->second;
}

test::OggTone tone(int64_t frames, std::vector<std::pair<std::string, std::string>> comments = {},
                   int channels = 1) {
    test::OggTone t;
    t.frames = frames;
    t.channels = channels;
    t.comments = std::move(comments);
    return t;
}

bool allZero(const Bytes& bytes, size_t from = 0) {
    for (size_t i = from; i < bytes.size(); ++i)
        if (bytes[i] != 0) return false;
    return true;
}

TEST(OggMemoryStream, SeekStaysInsideTheFile) {
    struct Case {
        int origin;
        int64_t offset;
        int result;
        uint32_t position; // afterwards; the old 40 when the seek is refused
    };
    // A 100-byte file read up to byte 40.
    const Case cases[] = {
        {SEEK_SET, 0, 0, 0},
        {SEEK_SET, 100, 0, 100},
        {SEEK_SET, 101, -1, 40},
        {SEEK_SET, -1, -1, 40},
        {SEEK_SET, (int64_t{1} << 32) + 5, -1, 40}, // not taken as 5
        {SEEK_CUR, 0, 0, 40},
        {SEEK_CUR, -40, 0, 0},
        {SEEK_CUR, -41, -1, 40},
        {SEEK_CUR, 60, 0, 100},
        {SEEK_CUR, 61, -1, 40},
        {SEEK_CUR, INT64_MIN, -1, 40},
        {SEEK_CUR, INT64_MAX, -1, 40},
        {SEEK_END, 0, 0, 100},
        {SEEK_END, -100, 0, 0},
        {SEEK_END, -101, -1, 40},
        {SEEK_END, 1, -1, 40},
        {SEEK_END, INT64_MIN, -1, 40},
        {3, 0, -1, 40},
    };
    Bytes file(100);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "origin " << c.origin << " offset " << c.offset);
        OggMemoryStream s;
        ASSERT_TRUE(s.load(file.data(), 100));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(s.data) % 8, 0u);
        ASSERT_EQ(OggMemoryStream::seek(&s, 40, SEEK_SET), 0);
        EXPECT_EQ(OggMemoryStream::seek(&s, c.offset, c.origin), c.result);
        EXPECT_EQ(OggMemoryStream::tell(&s), static_cast<long>(c.position));
        EXPECT_EQ(s.remaining, 100 - c.position);
        uint8_t byte = 0xEE;
        EXPECT_EQ(OggMemoryStream::read(&byte, 1, 1, &s), c.position < 100 ? 1u : 0u);
        if (c.position < 100) {
            EXPECT_EQ(byte, c.position);
        }
    }
}

TEST(OggMemoryStream, ReadCopiesWholeElementsUpToTheEnd) {
    Bytes file(10, 7);
    OggMemoryStream s;
    uint8_t out[16] = {};
    // Nothing loaded: nothing read, no seek.
    EXPECT_EQ(OggMemoryStream::read(out, 1, 4, &s), 0u);
    EXPECT_EQ(OggMemoryStream::seek(&s, 0, SEEK_SET), -1);

    ASSERT_TRUE(s.load(file.data(), 10));
    EXPECT_EQ(OggMemoryStream::read(out, 0, 4, &s), 0u);        // element size 0
    EXPECT_EQ(OggMemoryStream::read(out, 4, 1, &s), 1u);        // 4 bytes
    EXPECT_EQ(OggMemoryStream::read(out, 4, 2, &s), 1u);        // 6 left: 6 bytes, 1 whole
    EXPECT_EQ(OggMemoryStream::read(out, 1, SIZE_MAX, &s), 0u); // at the end
    EXPECT_EQ(OggMemoryStream::tell(&s), 10);
    ASSERT_EQ(OggMemoryStream::seek(&s, 0, SEEK_SET), 0);
    EXPECT_EQ(OggMemoryStream::read(out, SIZE_MAX / 2, 4, &s), 0u); // product overflows
    EXPECT_EQ(OggMemoryStream::tell(&s), 10);

    EXPECT_EQ(OggMemoryStream::close(&s), 0);
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(OggMemoryStream::read(out, 1, 1, &s), 0u);
    EXPECT_FALSE(s.load(file.data(), kMaxOggFileBytes + 1));
    EXPECT_EQ(s.block, nullptr);
}

class OggDecoderTest : public ::testing::Test {
  protected:
    Trace trace_;
    ArchiveIndex archives_{"/nonexistent/", trace_};
};

TEST_F(OggDecoderTest, LoopPointsJumpFromEndToStart) {
    // "start" 44100 and "end" 441000 in a twelve-second mono file: frames 0 ... 440999
    // play, then 44100 onwards, again and again.
    const Bytes& file = toneFile("loop", tone(12 * 44100, {{"start", "44100"}, {"end", "441000"}}));
    const Bytes reference = test::decodeOggReference(file);
    OggDecoder decoder(archives_);
    ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
    EXPECT_EQ(decoder.channels(), 1);
    EXPECT_EQ(decoder.rate(), 44100);
    EXPECT_EQ(decoder.loopStart(), 44100);
    EXPECT_EQ(decoder.loopEnd(), 441000);
    EXPECT_EQ(decoder.totalFrames(), static_cast<int64_t>(reference.size() / 2));
    decoder.setLoop(true);

    // Refill-sized pieces, as the music stream asks for them.
    Bytes played;
    Bytes half(441000);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(decoder.decode(half.data(), static_cast<uint32_t>(half.size())));
        played.insert(played.end(), half.begin(), half.end());
    }
    const size_t loopBytes = (441000 - 44100) * 2;
    EXPECT_EQ(slice(played, 0, 882000), slice(reference, 0, 882000));
    EXPECT_EQ(slice(played, 882000, loopBytes), slice(reference, 88200, loopBytes));
    EXPECT_EQ(slice(played, 882000 + loopBytes, played.size()),
              slice(reference, 88200, played.size() - 882000 - loopBytes));
}

TEST_F(OggDecoderTest, WithoutCommentsALoopGoesFromTheEndToTheStart) {
    const Bytes& file = toneFile("1s", tone(44100));
    const Bytes reference = test::decodeOggReference(file);
    OggDecoder decoder(archives_);
    ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
    EXPECT_EQ(decoder.loopStart(), 0);
    EXPECT_EQ(decoder.loopEnd(), 0);
    decoder.setLoop(true);
    Bytes played;
    Bytes piece(30000);
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(decoder.decode(piece.data(), static_cast<uint32_t>(piece.size())));
        played.insert(played.end(), piece.begin(), piece.end());
    }
    Bytes expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), reference.begin(), reference.end());
    ASSERT_GT(expected.size(), played.size());
    expected.resize(played.size());
    EXPECT_EQ(played, expected);
}

TEST_F(OggDecoderTest, AShortLoopJumpsOncePerDecodeAndTheRestIsSilent) {
    const Bytes& file = toneFile("short", tone(4410));
    const Bytes reference = test::decodeOggReference(file);
    ASSERT_EQ(reference.size(), 8820u);
    OggDecoder decoder(archives_);
    ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
    decoder.setLoop(true);

    Bytes half(441000, 0xAB);
    EXPECT_FALSE(decoder.decode(half.data(), static_cast<uint32_t>(half.size())));
    EXPECT_EQ(slice(half, 0, 8820), reference);
    EXPECT_EQ(slice(half, 8820, 8820), reference);
    EXPECT_TRUE(allZero(half, 17640));

    // The next refill starts at the end: one jump, the file once, then silence.
    EXPECT_FALSE(decoder.decode(half.data(), static_cast<uint32_t>(half.size())));
    EXPECT_EQ(slice(half, 0, 8820), reference);
    EXPECT_TRUE(allZero(half, 8820));
}

TEST_F(OggDecoderTest, WithoutLoopTheEndIsSilence) {
    const Bytes& file = toneFile("1s", tone(44100));
    const Bytes reference = test::decodeOggReference(file);
    OggDecoder decoder(archives_);
    ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
    EXPECT_FALSE(decoder.loop());

    // Exactly the file: all of it came from the stream.
    Bytes whole(reference.size());
    EXPECT_TRUE(decoder.decode(whole.data(), static_cast<uint32_t>(whole.size())));
    EXPECT_EQ(whole, reference);
    Bytes more(1000, 0xAB);
    EXPECT_FALSE(decoder.decode(more.data(), static_cast<uint32_t>(more.size())));
    EXPECT_TRUE(allZero(more));

    // Past the end within one call: the sound, then zeros.
    ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
    Bytes longer(reference.size() + 5000, 0xAB);
    EXPECT_FALSE(decoder.decode(longer.data(), static_cast<uint32_t>(longer.size())));
    EXPECT_EQ(slice(longer, 0, reference.size()), reference);
    EXPECT_TRUE(allZero(longer, reference.size()));

    // Nothing open, or nothing to fill.
    decoder.close();
    EXPECT_FALSE(decoder.isOpen());
    EXPECT_EQ(decoder.totalFrames(), 0);
    EXPECT_FALSE(decoder.decode(more.data(), 10));
    EXPECT_FALSE(decoder.decode(nullptr, 10));
}

TEST_F(OggDecoderTest, LoopPointsThatCannotBeReachedEndInSilence) {
    // A loop end before the loop start, or a start beyond the file: each decode stops
    // after its one jump instead of spinning.
    struct Case {
        const char* start;
        const char* end;
        size_t soundBytes; // what plays before the silence
    };
    const Case cases[] = {{"3000", "1000", 2000}, {"999999", "0", 8820}};
    const Bytes reference = test::decodeOggReference(toneFile("short", tone(4410)));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " end " << c.end);
        const Bytes& file = toneFile(std::string("bad") + c.start,
                                     tone(4410, {{"start", c.start}, {"end", c.end}}));
        OggDecoder decoder(archives_);
        ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
        decoder.setLoop(true);
        Bytes out(20000, 0xAB);
        EXPECT_FALSE(decoder.decode(out.data(), static_cast<uint32_t>(out.size())));
        EXPECT_EQ(slice(out, 0, c.soundBytes), slice(reference, 0, c.soundBytes));
        EXPECT_TRUE(allZero(out, c.soundBytes));
        EXPECT_FALSE(decoder.decode(out.data(), static_cast<uint32_t>(out.size())));
    }
}

TEST_F(OggDecoderTest, CommentValuesAreDecimalFramesFirstOccurrenceWins) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> comments;
        int32_t start, end;
    };
    const Case cases[] = {
        {{{"START", "12"}, {"End", "34"}}, 12, 34},        // tags in any case
        {{{"start", "5"}, {"start", "9"}}, 5, 0},          // first occurrence
        {{{"start", " 77 frames"}, {"end", "x1"}}, 77, 0}, // digits up to the first other
        {{{"start", "-20"}, {"end", "+40"}}, 0, 40},       // negative: no loop point
        {{{"start", "99999999999"}, {"loopend", "5"}}, INT32_MAX, 0}, // saturates; other tags
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const Bytes file = test::encodeOggTone(tone(441, c.comments));
        OggDecoder decoder(archives_);
        ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
        EXPECT_EQ(decoder.loopStart(), c.start);
        EXPECT_EQ(decoder.loopEnd(), c.end);
        ++n;
    }
}

TEST_F(OggDecoderTest, StereoAndPartialFrames) {
    const Bytes& file = toneFile("stereo", tone(4410, {}, 2));
    const Bytes reference = test::decodeOggReference(file);
    OggDecoder decoder(archives_);
    ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
    EXPECT_EQ(decoder.channels(), 2);
    EXPECT_EQ(decoder.totalFrames(), 4410);
    // 4 bytes are one stereo frame; the 3 left over stay silent.
    Bytes out(4003, 0xAB);
    EXPECT_TRUE(decoder.decode(out.data(), static_cast<uint32_t>(out.size())));
    EXPECT_EQ(slice(out, 0, 4000), slice(reference, 0, 4000));
    EXPECT_TRUE(allZero(out, 4000));
    Bytes tiny(3, 0xAB);
    decoder.decode(tiny.data(), 3);
    EXPECT_TRUE(allZero(tiny));
}

TEST_F(OggDecoderTest, BrokenFilesDoNotOpen) {
    const Bytes& good = toneFile("1s", tone(44100));
    const Bytes png = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13};
    Bytes oggThenJunk(good.begin(), good.begin() + 4); // "OggS" and nothing sensible
    oggThenJunk.resize(600, 0x5A);
    const std::vector<Bytes> broken = {
        {},
        png,
        oggThenJunk,
        slice(good, 0, 27),  // a page header alone
        slice(good, 0, 100), // inside the first header packet
        slice(good, 0, 400), // before the codebooks are complete
    };
    OggDecoder decoder(archives_);
    for (size_t i = 0; i < broken.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(decoder.openBytes(broken[i].data(), broken[i].size()));
        EXPECT_FALSE(decoder.isOpen());
        Bytes out(64, 0xAB);
        EXPECT_FALSE(decoder.decode(out.data(), 64));
        EXPECT_TRUE(allZero(out));
    }
    EXPECT_FALSE(decoder.openBytes(nullptr, 10));
}

TEST_F(OggDecoderTest, AFileCutInItsAudioPlaysWhatIsThereThenSilence) {
    test::OggTone big = tone(3 * 44100);
    big.quality = 1.0f; // several pages of audio
    const Bytes& good = toneFile("3s", big);
    const Bytes reference = test::decodeOggReference(good);
    // Cut inside the last page, near its start and near its end.
    size_t lastPage = 0;
    for (size_t i = 0; i + 4 <= good.size(); ++i)
        if (std::memcmp(&good[i], "OggS", 4) == 0) lastPage = i;
    for (size_t cut : {lastPage + 100, good.size() - 10}) {
        SCOPED_TRACE(cut);
        const Bytes file = slice(good, 0, cut);
        OggDecoder decoder(archives_);
        ASSERT_TRUE(decoder.openBytes(file.data(), file.size()));
        const size_t kept = static_cast<size_t>(decoder.totalFrames()) * 2;
        EXPECT_GT(kept, 0u);
        EXPECT_LT(kept, reference.size());
        Bytes out(reference.size(), 0xAB);
        EXPECT_FALSE(decoder.decode(out.data(), static_cast<uint32_t>(out.size())));
        EXPECT_EQ(slice(out, 0, kept), slice(reference, 0, kept));
        EXPECT_TRUE(allZero(out, kept));
    }
}

TEST_F(OggDecoderTest, OpensMembersAndLooseFilesByFolderAndName) {
    const Bytes& file = toneFile("1s", tone(44100));
    test::TempGame game;
    ASSERT_TRUE(game.addArchive("sound.dat", 1,
                                {{"bgm\\tone.ogg", file},
                                 {"se\\empty.ogg", {}},
                                 {"se\\text.ogg", test::bytes("not a sound")}}));
    game.writeFile("data/voice/loose.ogg",
                   std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    archives_.setDataFolder(game.dataFolder());
    ASSERT_TRUE(archives_.mountAll());

    OggDecoder decoder(archives_);
    ASSERT_TRUE(decoder.open("bgm", "tone.ogg"));
    EXPECT_EQ(decoder.totalFrames(), 44100);
    decoder.setLoop(true);
    ASSERT_TRUE(decoder.open("voice", "loose.ogg"));
    EXPECT_FALSE(decoder.loop()); // open starts afresh
    EXPECT_EQ(decoder.rate(), 44100);

    EXPECT_FALSE(decoder.open("bgm", ""));
    EXPECT_FALSE(decoder.isOpen()); // the failed open closed the one before
    EXPECT_FALSE(decoder.open("bgm", "missing.ogg"));
    EXPECT_FALSE(decoder.open("se", "empty.ogg"));
    EXPECT_FALSE(decoder.open("se", "text.ogg"));
}

} // namespace
} // namespace velmira
