#include "graphics/layers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "graphics/blitter.h"
#include "graphics/named_colours.h"
#include "resource/config.h"
#include "resource/sjis.h"

namespace velmira {

namespace {

constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, kInt32Min, kInt32Max));
}

// Screen positions are sums of script numbers: they saturate, and the blitter clips.
int32_t addPosition(int32_t a, int32_t b) {
    return saturate(int64_t{a} + b);
}

// The arithmetic instructions behave like the 32-bit machine the animations were written
// for: the exact result, cut to its low 32 bits.
int32_t wrap(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

// v + trunc(delta) for the timed instructions. A result beyond the 32-bit range stops at
// its end (a runaway position stays off screen instead of jumping back); a delta that is
// not a number leaves v alone.
int32_t addTruncated(int32_t v, long double delta) {
    const long double sum = static_cast<long double>(v) + std::trunc(delta);
    if (std::isnan(sum)) return v;
    if (sum <= static_cast<long double>(kInt32Min)) return kInt32Min;
    if (sum >= static_cast<long double>(kInt32Max)) return kInt32Max;
    return static_cast<int32_t>(sum);
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// a to z in either case; -1 for anything else.
int variableIndex(char c) {
    return isAsciiLetter(c) ? sjis::lowerAsciiByte(c) - 'a' : -1;
}

Operand compileOperand(std::string_view token) {
    if (token.size() == 1 && isAsciiLetter(token[0]))
        return {Operand::Kind::Variable, variableIndex(token[0])};
    return {Operand::Kind::Constant, parseDecimal(token)};
}

// TokenList leaves one empty token after trailing blanks; such a token is no operand.
bool hasTokens(const TokenList& tokens) {
    for (int i = 0; i < tokens.count(); ++i) {
        if (!tokens.token(i).empty()) return true;
    }
    return false;
}

struct NamedOpcode {
    std::string_view name;
    uint8_t opcode;
};

constexpr NamedOpcode kVariableOps[] = {
    {"add", Instruction::kAdd}, {"sub", Instruction::kSub},     {"mul", Instruction::kMul},
    {"div", Instruction::kDiv}, {"mod", Instruction::kMod},     {"max", Instruction::kMax},
    {"min", Instruction::kMin}, {"range", Instruction::kRange}, {"move", Instruction::kMove},
    {"sin", Instruction::kSin}, {"rain", Instruction::kRain},   {"hotaru", Instruction::kHotaru},
};

struct NamedMode {
    std::string_view name;
    BlendMode mode;
};

constexpr NamedMode kModes[] = {
    {"Normal", BlendMode::Normal},
    {"Add", BlendMode::Add},
    {"Sub", BlendMode::Sub},
    {"Multi", BlendMode::Multi},
    {"Div", BlendMode::Div},
    {"Screen", BlendMode::Screen},
    {"Overlay", BlendMode::Overlay},
    {"Dodge", BlendMode::Dodge},
    {"Burn", BlendMode::Burn},
    {"Darken", BlendMode::Darken},
    {"Lighten", BlendMode::Lighten},
    {"Difference", BlendMode::Difference},
    {"Exclusion", BlendMode::Exclusion},
    {"Hardlight", BlendMode::Hardlight},
    {"Softlight", BlendMode::Softlight},
};

BlendMode modeByName(std::string_view value) {
    for (const NamedMode& m : kModes) {
        if (sjis::equalsIgnoringCase(value, m.name)) return m.mode;
    }
    return BlendMode::None;
}

// The slot a prefixed key addresses ("Img3", "Mode", "Alpha9"), or -1 when its number is
// not 0..9.
int slotOfKey(std::string_view key, size_t prefixLength) {
    const int32_t d = parseDecimal(key.substr(prefixLength));
    return d >= 0 && d <= 9 ? d : -1;
}

bool keyIs(std::string_view key, std::string_view name) {
    return sjis::equalsIgnoringCase(key, name);
}

void applyKey(Layer& layer, std::string_view key, std::string_view value) {
    const int32_t number = parseDecimal(value);
    if (keyIs(key, "Type")) {
        if (sjis::equalsIgnoringCase(value, "actor"))
            layer.type = LayerType::Actor;
        else if (sjis::equalsIgnoringCase(value, "back"))
            layer.type = LayerType::Back;
        else if (sjis::equalsIgnoringCase(value, "movie"))
            layer.type = LayerType::Movie;
    } else if (keyIs(key, "Name")) {
        layer.name.assign(value);
    } else if (keyIs(key, "PosX")) {
        layer.posX = number;
    } else if (keyIs(key, "PosY")) {
        layer.posY = number;
    } else if (keyIs(key, "Base")) {
        layer.baseName.assign(value);
    } else if (keyIs(key, "Face")) {
        layer.faceName.assign(value);
    } else if (keyIs(key, "FaceX")) {
        layer.faceX = number;
    } else if (keyIs(key, "FaceY")) {
        layer.faceY = number;
    } else if (sjis::startsWithIgnoringCase(key, "Img")) {
        if (const int d = slotOfKey(key, 3); d >= 0) layer.slots[d].name.assign(value);
    } else if (sjis::startsWithIgnoringCase(key, "Mode")) {
        if (const int d = slotOfKey(key, 4); d >= 0) layer.slots[d].mode = modeByName(value);
    } else if (sjis::startsWithIgnoringCase(key, "Alpha")) {
        if (const int d = slotOfKey(key, 5); d >= 0) {
            int64_t alpha = number;
            if (value.find('%') != std::string_view::npos) alpha = alpha * 255 / 100;
            layer.slots[d].alpha = static_cast<int32_t>(std::clamp<int64_t>(alpha, 0, 255));
        }
    }
}

std::string_view trimTrailingBlanks(std::string_view text) {
    while (!text.empty() && sjis::isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

// ---- definitions ---------------------------------------------------------------------------

bool compileInstruction(std::string_view key, const TokenList& operands, ScreenSize screen,
                        Instruction& out) {
    out = Instruction{};
    auto operand = [&](int i) { return compileOperand(operands.token(i)); };
    if (key.size() == 1 && isAsciiLetter(key[0])) {
        out.opcode = Instruction::kSet;
        out.destination = key[0];
        out.operands[0] = operand(0);
        return true;
    }
    if (keyIs(key, "draw")) {
        out.opcode = Instruction::kDraw;
        for (int i = 0; i < 3; ++i)
            out.operands[i] = operand(i);
        return true;
    }
    if (keyIs(key, "clip")) {
        out.opcode = Instruction::kClip;
        if (!hasTokens(operands)) {
            out.operands[2].value = screen.width;
            out.operands[3].value = screen.height;
        } else {
            for (int i = 0; i < 4; ++i)
                out.operands[i] = operand(i);
        }
        return true;
    }
    const size_t dot = key.find('.');
    const std::string_view op = key.substr(0, dot);
    for (const NamedOpcode& named : kVariableOps) {
        if (!keyIs(op, named.name)) continue;
        out.opcode = named.opcode;
        // "add.x" writes x; without a letter after a "." the program's first variable, a.
        out.destination =
            dot != std::string_view::npos && dot + 1 < key.size() ? key[dot + 1] : 'a';
        for (int i = 0; i < 3; ++i)
            out.operands[i] = operand(i);
        return true;
    }
    return false;
}

void parseLayerDefinition(Layer& layer, int32_t frame, uint32_t now, ScreenSize screen) {
    layer.frame = frame;
    layer.program.clear();
    TokenList tokens;
    bool counting = true; // lines before any header count for every frame
    for (int i = 0; i < layer.definition.count(); ++i) {
        const std::string_view line = layer.definition.view(i);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '#') {
            tokens.split(line.substr(1));
            counting = !hasTokens(tokens);
            for (int t = 0; t < tokens.count() && !counting; ++t)
                counting = !tokens.token(t).empty() && parseDecimal(tokens.token(t)) == frame;
            continue;
        }
        if (!counting) continue;
        // None of "=", ":", space and tab can be the trail byte of a double-byte character,
        // so plain searches are safe here. The key ends at the first of them.
        if (const size_t eq = line.find('='); eq != std::string_view::npos) {
            tokens.split(line.substr(eq + 1));
            applyKey(layer, line.substr(0, line.find_first_of("= \t")), tokens.token(0));
        } else if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
            tokens.split(line.substr(colon + 1));
            Instruction instruction;
            // A key that names no instruction would do nothing when the program runs, so
            // it is not stored.
            if (compileInstruction(line.substr(0, line.find_first_of(": \t")), tokens, screen,
                                   instruction))
                layer.program.push_back(instruction);
        } else if (sjis::equalsIgnoringCase(trimTrailingBlanks(line), "ResetTimer")) {
            layer.timerBase = now;
        }
    }
}

// ---- animation -----------------------------------------------------------------------------

void runProgram(const Layer& layer, AnimationVariables& variables, double elapsedMs,
                Surface& scene) {
    constexpr int kAddressable = 26; // a to z
    auto read = [&](const Operand& o) -> int32_t {
        if (o.kind == Operand::Kind::Constant) return o.value;
        return o.value >= 0 && o.value < kAddressable ? variables[o.value] : 0;
    };
    const long double t = elapsedMs;
    constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;
    for (const Instruction& in : layer.program) {
        const int v = variableIndex(in.destination);
        const int32_t value = v >= 0 ? variables[v] : 0;
        const int64_t a = read(in.operands[0]);
        const int64_t b = read(in.operands[1]);
        const int64_t c = read(in.operands[2]);
        int32_t result = value;
        switch (in.opcode) {
        case Instruction::kSet:
            result = static_cast<int32_t>(a);
            break;
        case Instruction::kDraw:
            if (a >= 0 && a <= 9)
                copy(scene, layer.slots[a].picture, addPosition(static_cast<int32_t>(b), layer.x),
                     addPosition(static_cast<int32_t>(c), layer.y));
            continue;
        case Instruction::kAdd:
            result = wrap(a + b);
            break;
        case Instruction::kSub:
            result = wrap(a - b);
            break;
        case Instruction::kMul:
            result = wrap(a * b);
            break;
        // In 64 bits the one overflowing quotient, INT32_MIN / -1, is exact and then wraps.
        case Instruction::kDiv:
            if (b != 0) result = wrap(a / b);
            break;
        case Instruction::kMod:
            if (b != 0) result = wrap(a % b);
            break;
        // "max" caps and "min" raises: the names are the animation files', the effects too.
        case Instruction::kMax:
            result = std::min<int32_t>(value, static_cast<int32_t>(a));
            break;
        case Instruction::kMin:
            result = std::max<int32_t>(value, static_cast<int32_t>(a));
            break;
        case Instruction::kRange:
            result = std::max(std::min<int32_t>(value, static_cast<int32_t>(b)),
                              static_cast<int32_t>(a));
            break;
        case Instruction::kMove: // A units per second, B units per second squared
            result = addTruncated(value, (a * t + b * 0.001L * t * t * 0.5L) * 0.001L);
            break;
        case Instruction::kSin: // A cycles per minute, B amplitude, C phase in 1/1000 cycle
            result = addTruncated(value, std::sin((a * t / 60000 + c * 0.001L) * kTwoPi) * b);
            break;
        default:
            continue; // clip, rain and hotaru draw nothing yet
        }
        if (v >= 0) variables[v] = result;
    }
}

// ---- the stack -----------------------------------------------------------------------------

LayerStack::LayerStack(const ArchiveIndex& archives, platform::Clock& clock, ScreenSize screen)
    : archives_(archives), clock_(clock), screen_(screen) {}

bool LayerStack::clear(int32_t n) {
    if (n < 0 || n >= kLayerCount) return false;
    layers_[n] = Layer{};
    recompose_ = true;
    return true;
}

void LayerStack::clearAll() {
    for (int32_t n = 0; n < kLayerCount; ++n)
        clear(n);
}

bool LayerStack::load(int32_t n, std::string_view name) {
    if (n < 0 || n >= kLayerCount) return false;
    if (nameSeen_) nameSeen_(name);
    clear(n);
    Layer& layer = layers_[n];
    layer.timerBase = clock_.now();
    layer.source.assign(name);
    // A layer whose own picture or definition cannot be read shows nothing, but it keeps
    // the name it was given (a save file records it).
    auto fail = [&] {
        std::string source = std::move(layer.source);
        layer = Layer{};
        layer.source = std::move(source);
        return false;
    };
    if (sjis::endsWithIgnoringCase(name, ".img")) {
        if (!layer.definition.load(archives_, "anime", name)) return fail();
    } else if (const std::optional<Rgb> colour = findNamedColour(name)) {
        layer.type = LayerType::Colour;
        layer.colour = *colour;
    } else {
        layer.type = LayerType::Picture;
        if (!layer.base.load(archives_, name)) return fail();
        layer.baseName.assign(name);
    }
    parseLayerDefinition(layer, 0, layer.timerBase, screen_);
    // Layer 0 keeps its top-left on the screen's; the others stand on the bottom centre.
    if (n > 0 && (layer.type == LayerType::Picture || layer.type == LayerType::Actor)) {
        layer.x = screen_.width / 2;
        layer.y = screen_.height;
        if (layer.type == LayerType::Picture) {
            layer.posX = layer.base.width() / 2;
            layer.posY = layer.base.height();
        }
    }
    return true;
}

bool LayerStack::selectFrame(int32_t n, int32_t frame) {
    if (n < 0 || n >= kLayerCount) return false;
    parseLayerDefinition(layers_[n], frame, clock_.now(), screen_);
    recompose_ = true;
    return true;
}

bool LayerStack::setX(int32_t n, int32_t x) {
    if (n < 0 || n >= kLayerCount) return false;
    layers_[n].x = x;
    recompose_ = true;
    return true;
}

bool LayerStack::setY(int32_t n, int32_t y) {
    if (n < 0 || n >= kLayerCount) return false;
    layers_[n].y = y;
    recompose_ = true;
    return true;
}

bool LayerStack::clearOffset(int32_t n) {
    if (n < 0 || n >= kLayerCount) return false;
    layers_[n].posX = 0;
    layers_[n].posY = 0;
    recompose_ = true;
    return true;
}

LayerRecord LayerStack::record(int32_t n) const {
    if (n < 0 || n >= kLayerCount) return {};
    const Layer& layer = layers_[n];
    return {layer.source, layer.frame, layer.x, layer.y};
}

bool LayerStack::restore(int32_t n, const LayerRecord& record) {
    if (n < 0 || n >= kLayerCount) return false;
    if (record.source.empty()) return clear(n);
    const bool loaded = load(n, record.source);
    selectFrame(n, record.frame);
    setX(n, record.x);
    setY(n, record.y);
    return loaded;
}

void LayerStack::compose(Surface& scene) {
    fillScreen(scene, Rgb{}, screen_);
    const uint32_t now = clock_.now();
    for (Layer& layer : layers_) {
        // An empty name leaves a picture as it is; an unchanged name is not read again.
        layer.base.load(archives_, layer.baseName);
        layer.face.load(archives_, layer.faceName);
        for (LayerSlot& slot : layer.slots)
            slot.picture.load(archives_, slot.name);

        const int32_t x = saturate(int64_t{layer.x} - layer.posX);
        const int32_t y = saturate(int64_t{layer.y} - layer.posY);
        switch (layer.type) {
        case LayerType::Picture:
        case LayerType::Back:
            if (!layer.base.empty()) copy(scene, layer.base, x, y);
            break;
        case LayerType::Colour:
            fillScreen(scene, layer.colour, screen_);
            break;
        case LayerType::Actor:
            if (!layer.base.empty()) copy(scene, layer.base, x, y);
            if (!layer.face.empty())
                copy(scene, layer.face, addPosition(x, layer.faceX), addPosition(y, layer.faceY));
            break;
        case LayerType::Movie:
            variables_.fill(0);
            if (!layer.base.empty()) copy(scene, layer.base, x, y);
            runProgram(layer, variables_, platform::elapsed(layer.timerBase, now), scene);
            break;
        case LayerType::Empty:
            break;
        }
    }
    // Overlays of back layers go over everything the first pass drew.
    for (const Layer& layer : layers_) {
        if (layer.type != LayerType::Back) continue;
        for (const LayerSlot& slot : layer.slots) {
            if (slot.picture.empty() || slot.mode == BlendMode::None) continue;
            if (slot.mode == BlendMode::Normal)
                copyWithOpacity(scene, slot.picture, 0, 0, slot.alpha);
            else
                blend(scene, slot.picture, slot.mode, 0, 0, slot.alpha);
        }
    }
    recompose_ = false;
}

} // namespace velmira
