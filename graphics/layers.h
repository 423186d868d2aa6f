// The scene: ten layers, numbered 0 to 9 and drawn in that order. A layer shows a picture,
// a solid colour, a background with up to ten overlays in blend modes ("back"), a
// character of a body and a face ("actor"), or a small animation program ("movie"). The
// last three come from definition files (".img", folder "anime"): key = value lines in
// sections chosen by a frame number, with animation instructions.
//
// Any change marks the scene for recomposition; the transitions compose it and fade the
// screen to it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/pixel.h"
#include "graphics/scene_source.h"
#include "graphics/surface.h"
#include "platform/clock.h"
#include "resource/text_lines.h"

namespace velmira {

class ArchiveIndex;

enum class LayerType : uint8_t {
    Empty = 0,
    Picture = 1,
    Colour = 2,
    Back = 3,
    Movie = 4,
    Actor = 5
};

// One compiled animation instruction.
struct Operand {
    enum class Kind : uint8_t { Constant = 0, Variable = 1 };
    Kind kind = Kind::Constant;
    int32_t value = 0; // the constant, or the variable index
};

struct Instruction {
    enum Opcode : uint8_t {
        kSet = 1,
        kDraw = 2,
        kClip = 3,
        kAdd = 4,
        kSub = 5,
        kMul = 6,
        kDiv = 7,
        kMod = 8,
        kMax = 9,
        kMin = 10,
        kRange = 11,
        kMove = 12,
        kSin = 13,
        kRain = 14,
        kHotaru = 15,
    };
    uint8_t opcode = 0;
    char destination = 0; // a variable letter, or 0
    std::array<Operand, 4> operands{};
};

// The variables a to z (either case) shared by every layer's program; the 27th is never
// addressed.
using AnimationVariables = std::array<int32_t, 27>;

struct LayerSlot {
    std::string name;
    Image picture;
    BlendMode mode = BlendMode::Normal;
    int32_t alpha = 255;
};

struct Layer {
    std::string source; // the name given to load
    int32_t frame = 0;
    int32_t x = 0, y = 0;
    LayerType type = LayerType::Empty;
    TextLines definition;
    std::string name;
    int32_t posX = 0, posY = 0; // the point of the picture that sits on (x, y)
    int32_t faceX = 0, faceY = 0;
    Rgb colour;
    std::string baseName, faceName;
    Image base, face;
    std::array<LayerSlot, 10> slots;
    std::vector<Instruction> program;
    uint32_t timerBase = 0;
};

// What a save file keeps of a layer; restoring is load, select frame, set x, set y.
struct LayerRecord {
    std::string source;
    int32_t frame = 0;
    int32_t x = 0, y = 0;
};

// Parses the layer's definition for a frame: stores the frame, empties the program and
// applies every line that counts for it. now is the clock value a "ResetTimer" line sets
// as the timer base. The screen size is what "clip" without operands covers.
void parseLayerDefinition(Layer& layer, int32_t frame, uint32_t now, ScreenSize screen);
// Compiles one instruction line (key before the ":", tokens after it). False when the key
// is no instruction keyword and not a single letter (such lines are dropped).
bool compileInstruction(std::string_view key, const TokenList& operands, ScreenSize screen,
                        Instruction& out);
// Runs the program of a layer at (x, y) after elapsedMs of its clock; "draw" copies slot
// pictures onto scene.
void runProgram(const Layer& layer, AnimationVariables& variables, double elapsedMs,
                Surface& scene);

class LayerStack final : public SceneSource {
  public:
    static constexpr int32_t kLayerCount = 10;

    LayerStack(const ArchiveIndex& archives, platform::Clock& clock, ScreenSize screen);

    // Called with every name load is given, before anything else (record flags).
    void setNameSeenHandler(std::function<void(std::string_view)> handler) {
        nameSeen_ = std::move(handler);
    }

    // Every operation with a layer number outside 0..9 does nothing and returns false.
    bool clear(int32_t n);
    void clearAll();
    bool load(int32_t n, std::string_view name);
    bool selectFrame(int32_t n, int32_t frame);
    bool setX(int32_t n, int32_t x);
    bool setY(int32_t n, int32_t y);
    bool clearOffset(int32_t n);

    LayerRecord record(int32_t n) const;
    // Load, select frame, set x and y; false when the load failed (the position is set
    // anyway). An empty source clears the layer.
    bool restore(int32_t n, const LayerRecord& record);

    void markForRecomposition() { recompose_ = true; }

    // SceneSource
    bool needsRecomposition() const override { return recompose_; }
    void compose(Surface& scene) override;
    bool animatedBackground() const override { return layers_[0].type == LayerType::Movie; }

    // What tests observe. n must be 0..9.
    const Layer& layer(int32_t n) const { return layers_[n]; }
    const AnimationVariables& variables() const { return variables_; }

  private:
    const ArchiveIndex& archives_;
    platform::Clock& clock_;
    ScreenSize screen_;
    std::function<void(std::string_view)> nameSeen_;
    std::array<Layer, kLayerCount> layers_;
    AnimationVariables variables_{};
    bool recompose_ = true;
};

} // namespace velmira
