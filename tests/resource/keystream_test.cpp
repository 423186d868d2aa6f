#include "resource/keystream.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmira {
namespace {

// The stream written out from its definition: byte k comes from s * 69069^(k+1), tempered.
std::vector<uint8_t> expectedStream(uint32_t seed, size_t count) {
    std::vector<uint8_t> out;
    uint32_t word = seed;
    for (size_t k = 0; k < count; ++k) {
        word *= 69069u;
        uint32_t y = word;
        y ^= y >> 11;
        y ^= (y << 7) & 0x5A3C96E1u;
        y ^= (y << 15) & 0x2B7D4E19u;
        y ^= y >> 18;
        out.push_back(static_cast<uint8_t>(y));
    }
    return out;
}

TEST(Keystream, FollowsTheFormulaAcrossRefills) {
    for (uint32_t seed : {0x4C1Du, 0x4C1Du + 5, 0x3E5Bu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(seed);
        const std::vector<uint8_t> expected = expectedStream(seed, 624 * 3 + 7);
        Keystream stream(seed);
        for (size_t k = 0; k < expected.size(); ++k) {
            ASSERT_EQ(stream.next(), expected[k]) << "byte " << k;
        }
    }
}

TEST(Keystream, ApplyScramblesAndDescramblesAndReseedRestarts) {
    std::vector<uint8_t> data(700);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> original = data;
    const std::vector<uint8_t> stream = expectedStream(0x3E5B, data.size());

    Keystream ks(0x3E5B);
    ks.apply(data.data(), 600); // split across the refill at byte 624
    ks.apply(data.data() + 600, data.size() - 600);
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(data[i], original[i] ^ stream[i]);

    ks.seed(0x3E5B);
    ks.apply(data.data(), data.size());
    EXPECT_EQ(data, original);
}

} // namespace
} // namespace velmira
