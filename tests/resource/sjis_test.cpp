// Shift-JIS byte text: case folding and comparison never touch a trail byte.
#include "resource/sjis.h"

#include <gtest/gtest.h>

#include "resource/byte_order.h"

namespace velmira {
namespace {

TEST(Sjis, FoldingStepsOverTrailBytes) {
    struct Case {
        std::string text, lowered;
    };
    const Case cases[] = {
        {"BG01.PNG", "bg01.png"},
        {"@[`{", "@[`{"},                 // only A-Z fold
        {"\x83\x41.PNG", "\x83\x41.png"}, // "ア": the trail byte 41 ("A") stays
        {"\x81\x5C\x41", "\x81\x5C"
                         "a"}, // "―" then "A"
        {"A\x83", "a\x83"},    // a lead byte at the end stands alone
        {"\xA0\x41", "\xA0"
                     "a"}, // A0 is not a lead byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(sjis::lowerAscii(c.text), c.lowered) << c.text;
}

TEST(Sjis, ComparisonsIgnoreAsciiCaseOnly) {
    struct Case {
        std::string a, b;
        bool equal;
    };
    const Case cases[] = {
        {"BG01.png", "bg01.PNG", true},
        {"bg01.png", "bg02.png", false},
        {"bg.png", "bg.png ", false},
        {"@", "`", false},
        {"\x83\x41.png", "\x83\x61.png", false}, // "ア" and "ヂ"
        {"\x83\x41.PNG", "\x83\x41.png", true},
        {"\x83"
         "A",
         "\x83"
         "a",
         false}, // 83 starts a character either way
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sjis::equalsIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(sjis::equalsIgnoringCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
    EXPECT_TRUE(sjis::startsWithIgnoringCase(".case 1", ".CASE"));
    EXPECT_FALSE(sjis::startsWithIgnoringCase("\x83\x41", "\x83")); // inside a character
    EXPECT_TRUE(sjis::endsWithIgnoringCase("ARCHIVE.DAT", ".dat"));
    // "\x83." is one character: ".dat" does not start on a character boundary there.
    EXPECT_FALSE(sjis::endsWithIgnoringCase("\x83.dat", ".dat"));
    EXPECT_TRUE(sjis::lessIgnoringCase("a.dat", "B.dat"));
    EXPECT_TRUE(sjis::lessIgnoringCase("A.dat", "a.dat")); // equal folded: bytes decide
}

TEST(ByteOrder, LittleAndBigEndian) {
    uint8_t bytes[4];
    writeLe32(bytes, 0x11223344u);
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[3], 0x11);
    EXPECT_EQ(readLe32(bytes), 0x11223344u);
    EXPECT_EQ(readBe32(bytes), 0x44332211u);
    EXPECT_EQ(byteSwap32(0x11223344u), 0x44332211u);
}

} // namespace
} // namespace velmira
