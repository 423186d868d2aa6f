// What the transitions need of the scene they show: whether it changed, how to draw it,
// and whether it animates by itself. The layer stack is the scene of the engine.
#pragma once

#include "graphics/surface.h"

namespace velmira {

class SceneSource {
  public:
    virtual ~SceneSource() = default;
    // True after any change since the last compose (and at start-up).
    virtual bool needsRecomposition() const = 0;
    // Draws the whole scene into the screen-sized Bgr24 surface and clears the flag.
    virtual void compose(Surface& scene) = 0;
    // True when the bottom layer is an animation, which must be recomposed every frame.
    virtual bool animatedBackground() const = 0;
};

} // namespace velmira
