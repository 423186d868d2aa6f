// The byte keystream that scrambles archive names and data and every file of the save
// folder. The same operation scrambles and descrambles.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmira {

class Keystream {
  public:
    Keystream() { seed(0); }
    explicit Keystream(uint32_t value) { seed(value); }

    // word i = value * 69069^(i+1) mod 2^32; the read index restarts at 0.
    void seed(uint32_t value);
    // XORs count bytes in place with the next count keystream bytes.
    void apply(uint8_t* bytes, size_t count);
    uint8_t next();

    static constexpr uint32_t kArchiveSeed = 0x4C1D;    // archive index; data uses + key byte
    static constexpr uint32_t kSaveFolderSeed = 0x3E5B; // files of the save folder

  private:
    std::array<uint32_t, 624> words_{};
    uint32_t index_ = 0;
};

} // namespace velmira
