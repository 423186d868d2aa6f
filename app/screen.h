// The screen: the frame buffers, the ten layers and the transitions, and the way frames
// reach the window. The effects wait through the engine's pump; a frame is handed to the
// window only when the front buffer changed since the last one (a paint always shows it),
// so a static scene costs next to nothing while a script waits.
#pragma once

#include <cstdint>
#include <functional>

#include "app/message_pump.h"
#include "graphics/frame_buffers.h"
#include "graphics/layers.h"
#include "graphics/transitions.h"
#include "platform/platform.h"

namespace velmira {

class ArchiveIndex;
struct UserPreferences;

class Screen final : public EffectHost {
  public:
    Screen(platform::Window& window, platform::Clock& clock, MessagePump& pump,
           const ArchiveIndex& archives, const UserPreferences& preferences, ScreenSize size);

    // Start-up: the three buffers at the screen size (the first settings reading's).
    bool createBuffers();
    // The display mode of the script decides how scene changes are shown.
    void setSceneModeSource(std::function<SceneMode()> source) { sceneMode_ = std::move(source); }

    FrameBuffers& frames() { return frames_; }
    const FrameBuffers& frames() const { return frames_; }
    LayerStack& layers() { return layers_; }
    Transitions& transitions() { return transitions_; }
    ScreenSize size() const { return frames_.size; }

    // Update scene, then present: one frame of a waiting loop.
    void showFrame() {
        transitions_.updateScene();
        present();
    }
    // The window needs repainting: the front buffer is shown whatever changed.
    void paint();

    // EffectHost
    bool pollInput() override { return pump_.pumpAndPollInput(InputContext::Game, IdleSleep::No); }
    bool skipping() const override { return pump_.input().isSkipping(); }
    bool effectsOn() const override;
    SceneMode sceneMode() const override { return sceneMode_ ? sceneMode_() : SceneMode::Story; }
    void present() override;

  private:
    platform::Window& window_;
    MessagePump& pump_;
    const UserPreferences& preferences_;
    FrameBuffers frames_;
    LayerStack layers_;
    Transitions transitions_;
    std::function<SceneMode()> sceneMode_;
    uint64_t presentedVersion_ = ~uint64_t{0};
};

} // namespace velmira
