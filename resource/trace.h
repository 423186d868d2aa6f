// The engine's debug trace: failing script lines, undefined variables, bad expressions
// and archive errors are formatted here as Shift-JIS text. Without a sink the text goes
// nowhere; the program's --trace option installs one that prints it as UTF-8.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <string_view>

// printf-style format checking where the compiler offers it: the format is argument f,
// its values start at argument v (counting `this` as 1 for members).
#if defined(__GNUC__) || defined(__clang__)
#define VELMIRA_PRINTF_FORMAT(f, v) __attribute__((format(printf, f, v)))
#else
#define VELMIRA_PRINTF_FORMAT(f, v)
#endif

namespace velmira {

class Trace {
  public:
    using Sink = std::function<void(std::string_view sjisText)>;

    void setSink(Sink sink) { sink_ = std::move(sink); }
    bool enabled() const { return static_cast<bool>(sink_); }

    void write(std::string_view sjisText) const {
        if (sink_) sink_(sjisText);
    }
    // printf-style; the format and the %s arguments are Shift-JIS byte strings.
    void format(const char* fmt, ...) const VELMIRA_PRINTF_FORMAT(2, 3);

  private:
    Sink sink_;
};

// printf into a std::string (any length).
std::string formatString(const char* fmt, ...) VELMIRA_PRINTF_FORMAT(1, 2);
std::string formatStringV(const char* fmt, va_list args);

} // namespace velmira
