#include "resource/keystream.h"

namespace velmira {

void Keystream::seed(uint32_t value) {
    uint32_t word = value;
    for (uint32_t& w : words_) {
        word *= 69069u; // wraps modulo 2^32
        w = word;
    }
    index_ = 0;
}

uint8_t Keystream::next() {
    // Reseeding with the last word continues the same multiplicative sequence.
    if (index_ >= words_.size()) seed(words_[words_.size() - 1]);
    uint32_t y = words_[index_++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x5A3C96E1u;
    y ^= (y << 15) & 0x2B7D4E19u;
    y ^= y >> 18;
    return static_cast<uint8_t>(y);
}

void Keystream::apply(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        bytes[i] ^= next();
}

} // namespace velmira
