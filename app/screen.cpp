#include "app/screen.h"

#include "resource/preferences.h"

namespace velmira {

Screen::Screen(platform::Window& window, platform::Clock& clock, MessagePump& pump,
               const ArchiveIndex& archives, const UserPreferences& preferences, ScreenSize size)
    : window_(window), pump_(pump), preferences_(preferences), layers_(archives, clock, size),
      transitions_(frames_, layers_, clock, *this, archives) {
    frames_.size = size;
}

bool Screen::createBuffers() {
    return frames_.create(frames_.size);
}

bool Screen::effectsOn() const {
    return preferences_.screenEffects;
}

void Screen::present() {
    if (frames_.frontVersion == presentedVersion_ || frames_.front.empty()) return;
    presentedVersion_ = frames_.frontVersion;
    window_.present(frames_.front.pixels(), frames_.front.pitch() * frames_.front.bytesPerPixel());
}

void Screen::paint() {
    presentedVersion_ = ~uint64_t{0};
    present();
}

} // namespace velmira
