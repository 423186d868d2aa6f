// The window backend without a display: SDL's dummy video driver stands in for X11.
#ifdef VELMIRA_HAVE_SDL

#include "platform/sdl/sdl_platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_window.h"
#include "platform/sdl/single_instance.h"

namespace velmira::platform {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Takes events until one of the given type arrives; the others are returned in order.
std::vector<EventType> waitUntil(EventQueue& events, EventType wanted) {
    std::vector<EventType> before;
    Event e;
    while (events.wait(e) && e.type != wanted)
        before.push_back(e.type);
    return before;
}

TEST(SdlPlatform, WithoutVideoTheWindowFailsButEventsWork) {
    ScopedEnv driver("SDL_VIDEODRIVER", "no-such-driver");
    SdlPlatform platform;
    EXPECT_FALSE(platform.videoAvailable());
    EXPECT_FALSE(platform.window().create(800, 600));
    EXPECT_FALSE(platform.window().exists());
    EXPECT_FALSE(platform.window().present(nullptr, 0)); // harmless without a window

    platform.events().postClose();
    platform.events().postQuit();
    Event e;
    ASSERT_TRUE(platform.events().poll(e));
    EXPECT_EQ(e.type, EventType::CloseRequest);
    ASSERT_TRUE(platform.events().poll(e));
    EXPECT_EQ(e.type, EventType::Quit);
    EXPECT_FALSE(platform.events().poll(e));

    // Fonts need no display either.
    EXPECT_NE(platform.fonts().createFont(kFaceGothic, 24, 400), nullptr);
}

TEST(SdlPlatform, TerminationSignalEndsThePumpsWithoutAQuestion) {
    // A kill or a logout must not wait on the quit question: SIGTERM arrives as Quit,
    // never as a close request.
    SdlPlatform platform;
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_EQ(waitUntil(platform.events(), EventType::Quit), std::vector<EventType>{});
}

TEST(SdlPlatform, WindowOnTheDummyDriver) {
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    SdlPlatform platform;
    ASSERT_TRUE(platform.videoAvailable());
    Window& window = platform.window();
    EXPECT_FALSE(window.create(0, 600));
    ASSERT_TRUE(window.create(64, 48));
    EXPECT_FALSE(window.create(64, 48)) << "one main window only";
    window.setTitle("\xe9\xbb\x84\xe6\x98\x8f"); // 黄昏
    window.show();
    std::vector<uint8_t> frame(64 * 3 * 48 + 5 * 48);
    EXPECT_TRUE(window.present(frame.data(), 64 * 3 + 5));  // rows may be padded
    EXPECT_FALSE(window.present(frame.data(), 64 * 3 - 1)); // a shorter stride is refused
    EXPECT_FALSE(window.present(nullptr, 64 * 3));
    EXPECT_TRUE(window.repaint()) << "a frame was presented";
    window.raise();
    window.destroy();
    EXPECT_FALSE(window.repaint());
    EXPECT_FALSE(window.exists());
    EXPECT_TRUE(window.create(32, 32)) << "a new window after the old one went";
}

TEST(SdlPlatform, ScaleAndFullScreenPlaceTheFrameAndMapTheMouseBack) {
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
    struct Case {
        int32_t scale;
        bool fullScreen;
        SDL_Rect inArea; // where the 64 x 48 frame goes in a 1000 x 600 area
    };
    const Case cases[] = {
        {1, false, {0, 0, 1000, 600}},
        {3, false, {0, 0, 1000, 600}},
        {1, true, {468, 276, 64, 48}}, // unscaled, centred
        {2, true, {100, 0, 800, 600}}, // as large as fits, aspect kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.scale << c.fullScreen);
        SdlWindow window(true, VSync::Off, c.scale);
        ASSERT_TRUE(window.create(64, 48));
        int w = 0, h = 0;
        SDL_GetWindowSize(window.handle(), &w, &h);
        EXPECT_EQ(w, 64 * c.scale);
        EXPECT_EQ(h, 48 * c.scale);
        if (c.fullScreen) ASSERT_TRUE(window.setFullScreen(true));
        EXPECT_EQ(window.fullScreen(), c.fullScreen);
        const SDL_Rect r = window.frameRect(1000, 600);
        EXPECT_EQ(std::vector<int>({r.x, r.y, r.w, r.h}),
                  std::vector<int>({c.inArea.x, c.inArea.y, c.inArea.w, c.inArea.h}));
    }

    // Window positions become frame pixels; outside the frame they clamp to its edge.
    SdlWindow window(true, VSync::Off, 2);
    ASSERT_TRUE(window.create(64, 48));
    const int32_t points[][4] = {
        {0, 0, 0, 0}, {11, 21, 5, 10}, {127, 95, 63, 47}, {-5, 500, 0, 47}, {400, -1, 63, 0},
    };
    for (const auto& p : points) {
        int32_t x = p[0], y = p[1];
        window.toFrame(x, y);
        EXPECT_EQ(x, p[2]) << p[0];
        EXPECT_EQ(y, p[3]) << p[1];
    }
    // In full screen through the black border.
    ASSERT_TRUE(window.setFullScreen(true));
    int w = 0, h = 0;
    SDL_GetWindowSize(window.handle(), &w, &h);
    const SDL_Rect r = window.frameRect(w, h);
    int32_t x = r.x + r.w / 2, y = r.y + r.h - 1;
    window.toFrame(x, y);
    EXPECT_EQ(x, 32);
    EXPECT_EQ(y, 47);
    x = 0, y = 0;
    window.toFrame(x, y);
    EXPECT_EQ(std::vector<int32_t>({x, y}), std::vector<int32_t>({0, 0}));
    ASSERT_TRUE(window.setFullScreen(false));
    SDL_GetWindowSize(window.handle(), &w, &h);
    EXPECT_EQ(w, 128) << "window mode gets its size back";
    window.destroy();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST(SdlPlatform, TimersTickWithTheirIdAndStopCleanly) {
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    SdlPlatform platform;
    EventQueue& events = platform.events();
    events.startTimer(7, 1);
    events.startTimer(9, 1);
    std::vector<int32_t> ids;
    Event e;
    while (ids.size() < 6 && events.wait(e))
        if (e.type == EventType::Timer) ids.push_back(e.timer().id);
    EXPECT_NE(std::find(ids.begin(), ids.end(), 7), ids.end());
    EXPECT_NE(std::find(ids.begin(), ids.end(), 9), ids.end());

    // Ticks already queued when a timer stops are not reported after it. The pause only
    // makes it likely that both timers have a tick waiting; the outcome must not depend
    // on it.
    platform.clock().sleep(20);
    events.stopTimer(7);
    events.stopTimer(9);
    // A stopped timer leaves nothing behind.
    auto& sdlEvents = static_cast<SdlEventQueue&>(events);
    EXPECT_EQ(sdlEvents.runningTimers(), 0u);
    events.postClose();
    EXPECT_EQ(waitUntil(events, EventType::CloseRequest), std::vector<EventType>{});
    EXPECT_FALSE(events.poll(e));

    // Restarting an id replaces its timer rather than adding a second one.
    events.startTimer(3, 1);
    events.startTimer(3, 1);
    EXPECT_EQ(sdlEvents.runningTimers(), 1u);
    ASSERT_TRUE(events.wait(e));
    EXPECT_EQ(e.type, EventType::Timer);
    EXPECT_EQ(e.timer().id, 3);
}

TEST(SdlPlatform, SecondInstanceWakesTheWaitingFirst) {
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    std::string pattern = (fs::temp_directory_path() / "velmira-sdl-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string dir = pattern;

    {
        SdlPlatformOptions options;
        options.runtimeDir = dir;
        SdlPlatform first(options);
        ASSERT_EQ(first.instanceLock().claim("\x89\xa9\x8d\xa9"), InstanceClaim::Claimed); // 黄昏
        SingleInstance second(dir);
        EXPECT_EQ(second.claim("\x89\xa9\x8d\xa9"), InstanceClaim::AlreadyRunning);
        // wait() blocks in SDL until the listener thread's request arrives.
        EXPECT_EQ(waitUntil(first.events(), EventType::Raise), std::vector<EventType>{});
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace velmira::platform

#endif
