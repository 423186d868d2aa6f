// The headless pad: plugged, pressed and moved by the timeline ("pad 8", "padbutton 1
// down", "padaxis -32768 0"); unplugged until the timeline plugs it.
#pragma once

#include "platform/pad.h"

namespace velmira::platform {

class RunLog;

class ScriptedPad final : public Pad {
  public:
    explicit ScriptedPad(RunLog& log) : log_(log) {}

    bool read(PadState& state) override;

    // buttons 0 unplugs the pad.
    void plug(int32_t buttons);
    // button is 0-based; presses of buttons the pad does not have are ignored.
    void setButton(int32_t button, bool pressed);
    // Stick position, -32768 to 32767 each, 0 at rest.
    void setAxes(int32_t x, int32_t y);

  private:
    RunLog& log_;
    bool plugged_ = false;
    PadState state_;
};

} // namespace velmira::platform
