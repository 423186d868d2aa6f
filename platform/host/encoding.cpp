#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace velmira::platform {
namespace {

// Converts with iconv; an invalid or incomplete sequence is replaced and skipped
// (one byte), so any input converts.
std::string convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    out.reserve(in.size() * 3 / 2 + 4);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out.append(replacement);
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string sjisToUtf8(std::string_view sjis) {
    return convert("UTF-8", "CP932", sjis, "\xEF\xBF\xBD");
}
std::string utf8ToSjis(std::string_view utf8) {
    return convert("CP932", "UTF-8", utf8, "?");
}

SjisCharDecoder::SjisCharDecoder() : converter_(iconv_open("UTF-32LE", "CP932")) {}

SjisCharDecoder::~SjisCharDecoder() {
    if (converter_ != reinterpret_cast<void*>(-1)) iconv_close(static_cast<iconv_t>(converter_));
}

char32_t SjisCharDecoder::decode(uint32_t code) {
    if (converter_ == reinterpret_cast<void*>(-1) || code == 0 || code > 0xFFFF) return 0;
    char in[2];
    size_t inLeft = 0;
    if (code > 0xFF) in[inLeft++] = static_cast<char>(code >> 8);
    in[inLeft++] = static_cast<char>(code & 0xFF);
    // Room for two code points: a code of two one-byte characters ("AB") converts to two
    // and is refused below rather than cut short by a full buffer.
    unsigned char out[8];
    char* src = in;
    char* dst = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    auto* cd = static_cast<iconv_t>(converter_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // no shift state from an earlier call
    const size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
    if (r == static_cast<size_t>(-1) || inLeft != 0 || sizeof out - outLeft != 4) return 0;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | uint32_t(out[3]) << 24);
}

} // namespace velmira::platform
