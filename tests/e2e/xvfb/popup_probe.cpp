// Shows the game's right-click menu over a real window: a 160 x 120 window, red, at
// --scale SCALE (default 1) and, with --full-screen, full screen; the menu opens at
// frame pixel (40, 30) in its window-mode form. Prints "ready" when the menu is about to
// open and "chosen ID" when it closed (0: dismissed). Exit 77 when the platform has no
// popup menu (not on X11), 1 when no window could be made.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/popup_menu.h"
#include "platform/sdl/sdl_platform.h"

int main(int argc, char** argv) {
    using namespace velmira;
    platform::SdlPlatformOptions options;
    options.vsync = false;
    bool fullScreen = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            options.scale = std::stoi(argv[++i]);
        else if (std::strcmp(argv[i], "--full-screen") == 0)
            fullScreen = true;
    }
    platform::SdlPlatform sdl(options);
    platform::Window& window = sdl.window();
    constexpr int32_t kWidth = 160, kHeight = 120;
    if (!window.create(kWidth, kHeight)) return 1;
    window.show();
    if (fullScreen) window.setFullScreen(true);
    std::vector<uint8_t> red(kWidth * kHeight * 3);
    for (size_t i = 2; i < red.size(); i += 3)
        red[i] = 255;
    // Let the window manager map and place the window before the menu grabs the pointer.
    platform::Clock& clock = sdl.clock();
    const uint32_t start = clock.now();
    platform::Event e;
    while (clock.now() - start < 500) {
        while (sdl.events().poll(e)) {
        }
        window.present(red.data(), kWidth * 3);
        clock.sleep(10);
    }
    platform::PopupMenu* menu = sdl.popupMenu();
    if (!menu) {
        std::puts("no popup menu");
        return 77;
    }
    std::puts("ready");
    std::fflush(stdout);
    const int32_t chosen = menu->track(popupMenuItems(fullScreen), 40, 30);
    std::printf("chosen %d\n", chosen);
    return 0;
}
