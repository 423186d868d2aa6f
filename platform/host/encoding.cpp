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

} // namespace velmira::platform
