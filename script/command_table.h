// The command table: the twenty command names in their fixed order, each with a
// handler that reads the engine-wide argument list. A command line is dispatched by
// exact, case-sensitive name (`wait`, never `Wait`); a name not in the table, or one
// whose handler is not bound yet, fails (the step loop traces the line and goes on).
//
// Binding a handler is one line where the subsystem that carries the command out is
// built, e.g.
//     commands.bind("wait", [&](const TokenList& args) { return display.timedWait(...); });
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "resource/text_lines.h"

namespace velmira {

inline constexpr std::array<std::string_view, 20> kCommandNames = {
    "wait", "reset", "date",  "chapter", "img",  "fade",   "fadein", "fadeout", "bgm",  "env",
    "se",   "voice", "flash", "shake",   "wipe", "system", "movie",  "custom",  "mode", "test",
};

class CommandTable {
  public:
    using Handler = std::function<bool(const TokenList& arguments)>;

    // Installs (or replaces) the handler of a table name; false for a name not in it.
    bool bind(std::string_view name, Handler handler);
    bool isBound(std::string_view name) const;

    // Splits argumentText into the argument list (replacing the previous arguments) and
    // runs the first entry whose name equals keyword byte for byte.
    bool dispatch(std::string_view keyword, std::string_view argumentText);

    const TokenList& arguments() const { return arguments_; }

    // The table position of name, or -1.
    static int find(std::string_view name);

  private:
    std::array<Handler, kCommandNames.size()> handlers_;
    TokenList arguments_;
};

// Numbers in arguments: leading blanks, an optional sign, decimal digits up to the first
// other character; an empty or non-numeric argument is 0.
int32_t argumentNumber(std::string_view argument);
// True when the first character is "0" to "9".
bool startsWithDigit(std::string_view argument);

// One item of an `img` line after the layer number.
struct ImgItem {
    enum class Kind : uint8_t {
        Number,   // a coordinate: the first is x, the second y
        Position, // pos1..pos5, left, center, right: x and y given
        Picture,  // a picture, colour or definition name, frame after "#" (0 when none)
    };
    Kind kind = Kind::Picture;
    int32_t number = 0;      // Number
    int32_t x = 0, y = 0;    // Position; y is always the screen height
    bool hasPosition = true; // false for "pos" numbers outside 1..5: nothing to apply
    std::string_view name;   // Picture, without the frame part
    int32_t frame = 0;       // Picture
};

// Classifies one item with the screen size the positions are computed from.
ImgItem classifyImgItem(std::string_view item, int32_t screenWidth, int32_t screenHeight);

} // namespace velmira
