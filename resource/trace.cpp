#include "resource/trace.h"

#include <cstdio>

namespace velmira {

std::string formatStringV(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string formatString(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = formatStringV(fmt, args);
    va_end(args);
    return out;
}

void Trace::format(const char* fmt, ...) const {
    if (!sink_) return;
    va_list args;
    va_start(args, fmt);
    const std::string text = formatStringV(fmt, args);
    va_end(args);
    sink_(text);
}

} // namespace velmira
