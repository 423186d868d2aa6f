// What the player sees of the scene: once per frame the display loops call updateScene,
// which recomposes a changed scene and cross-fades the front buffer from the previous
// picture to it. Besides that the script starts four blocking effects: shake, flash, and
// a hard- and a soft-edged wipe through a grey rule picture. Times are milliseconds of the
// platform clock; differences survive its wrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/frame_buffers.h"
#include "graphics/pixel.h"
#include "graphics/scene_source.h"
#include "platform/clock.h"

namespace velmira {

class ArchiveIndex;

// How the script shows the scene: system screens and demos cross-fade even when the
// player switched screen effects off (and system screens recompose every frame).
enum class SceneMode : uint8_t { Story, System, Demo };

// What the effects need of the engine around them.
class EffectHost {
  public:
    virtual ~EffectHost() = default;
    // One turn of the input pump (game context, no idle sleep); false once quitting.
    virtual bool pollInput() = 0;
    virtual bool skipping() const = 0;
    // The player's screen-effects preference.
    virtual bool effectsOn() const = 0;
    virtual SceneMode sceneMode() const = 0;
    // Shows the front buffer.
    virtual void present() = 0;
};

class Transitions {
  public:
    static constexpr int32_t kDefaultCrossFadeMs = 500;
    static constexpr int32_t kMaxCrossFadeMs = 60000;

    Transitions(FrameBuffers& frames, SceneSource& scene, platform::Clock& clock, EffectHost& host,
                const ArchiveIndex& archives);

    // The cross-fade variant: the MMX formula (set once at start-up when the processor has
    // MMX and the settings enable it) or the plain one.
    void setMmx(bool on) { mmx_ = on; }

    // Length of the cross-fade of the next recomposition, clamped to 0..60000.
    void setNextCrossFade(int32_t ms);
    // Composes now; the next updateScene shows the new scene without a cross-fade.
    void presentNow();
    // One frame of the automatic transition (does not present).
    void updateScene();
    // True when updateScene would only show the scene the front buffer was last given:
    // nothing to recompose, no animation running and no cross-fade in progress. Loops that
    // draw over the scene (the message window) skip frames that would look the same.
    bool sceneSettled() const;

    bool shake(int32_t hAmplitude, int32_t vAmplitude, int32_t hCycle, int32_t vCycle,
               int32_t durationMs);
    bool flash(int32_t count, Rgb colour);
    bool wipe(std::string_view rule, int32_t ms);
    bool softWipe(std::string_view rule, int32_t ms);
    // The `test` command's noise demonstration over "_test.png" (13 s).
    void noiseDemonstration();

    // What tests observe.
    int32_t pendingDuration() const { return pendingDuration_; }
    int32_t currentDuration() const { return currentDuration_; }

  private:
    // Copies the scene to the front buffer unless it shows it already.
    void showScene();
    // Marks the front buffer as drawn by an effect and presents it.
    void presentFront();
    // The front buffer becomes the scene, shown (how every effect ends).
    void presentScene();
    // How both wipes begin: composes, then loads the rule mask; false when
    // the mask or a frame buffer has no pixels.
    bool prepareWipe(std::string_view rule, OwnedSurface& mask);
    // The frames of a wipe of ms > 0: step(level) draws each one, for levels from 0 to
    // 1024, until quit or skipping; then the final picture is shown.
    template <typename Step> void runWipe(int32_t ms, Step step);

    FrameBuffers& frames_;
    SceneSource& scene_;
    platform::Clock& clock_;
    EffectHost& host_;
    const ArchiveIndex& archives_;
    bool mmx_ = false;
    int32_t pendingDuration_ = -1;
    int32_t currentDuration_ = 0;
    uint32_t fadeStart_ = 0;
    // frames_.frontVersion right after updateScene last copied the scene to the front
    // buffer; frontIsScene_ turns false on every compose.
    uint64_t sceneCopyVersion_ = 0;
    bool frontIsScene_ = false;
    // "_test.png", kept loaded between demonstrations.
    Image testPicture_;
};

// The cross-fade of bytes front := scene at level/256 over previous, level 0..255.
// Plain: (S * l + P * (255 - l)) >> 8. MMX: (S * l + P * (256 - l)) >> 8, saturated.
void crossFadePlain(uint8_t* front, const uint8_t* scene, const uint8_t* previous, size_t bytes,
                    int32_t level);
void crossFadeMmx(uint8_t* front, const uint8_t* scene, const uint8_t* previous, size_t bytes,
                  int32_t level);
// dst byte := (src byte * min(level, 255)) >> 8 (the backlog darkens the frame so).
void dim(uint8_t* dst, const uint8_t* src, size_t bytes, int32_t level);

// The noise demonstration's filters, Bgr24 surfaces of equal size (otherwise nothing);
// random numbers from std::rand.
void rowNoise(Surface& dst, const Surface& src, int32_t amount);
void rowJitter(Surface& dst, const Surface& src, int32_t amount);
void byteNoise(Surface& dst, const Surface& src, int32_t amount);

} // namespace velmira
