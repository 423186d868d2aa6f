#include "app/scene_commands.h"

#include <algorithm>
#include <vector>

#include "graphics/named_colours.h"
#include "platform/clock.h"
#include "resource/sjis.h"
#include "script/script_runner.h"

namespace velmira {

namespace {

struct ShakeKind {
    std::string_view name;
    int32_t hAmplitude, vAmplitude, hCycle, vCycle, durationMs;
};

constexpr ShakeKind kShakeKinds[] = {
    {"slow", 10, 10, 39, 37, 1000}, {"big", 40, 40, 71, 83, 1500}, {"small", 5, 5, 71, 83, 1000},
    {"xonly", 20, 0, 71, 0, 1000},  {"yonly", 0, 20, 0, 71, 1000}, {"once", 20, 20, 83, 71, 200},
};
constexpr ShakeKind kDefaultShake = {"", 20, 20, 71, 83, 1000};

// The length of fadein, fadeout and wipe: less than 1 ms means the default 500.
int32_t lengthOr500(int32_t ms) {
    return ms < 1 ? 500 : ms;
}

} // namespace

SceneMode sceneModeOf(ScriptMode mode) {
    switch (mode) {
    case ScriptMode::System:
        return SceneMode::System;
    case ScriptMode::Demo:
        return SceneMode::Demo;
    default:
        return SceneMode::Story;
    }
}

SceneCommands::SceneCommands(Screen& screen, MessagePump& pump, platform::Clock& clock,
                             ScriptRunner& runner)
    : screen_(screen), pump_(pump), clock_(clock), runner_(runner) {
    screen_.setSceneModeSource([this] { return sceneModeOf(runner_.scriptMode()); });
    screen_.layers().setNameSeenHandler(
        [this](std::string_view name) { runner_.flags().markRecord(name); });
}

void SceneCommands::bind(CommandTable& commands) {
    commands.bind("wait", [this](const TokenList& args) {
        pump_.input().clearPendingAction();
        timedWait(argumentNumber(args.token(0)));
        return true;
    });
    commands.bind("img", [this](const TokenList& args) { return img(args); });
    commands.bind("fade", [this](const TokenList& args) {
        screen_.transitions().setNextCrossFade(std::max(argumentNumber(args.token(0)), 0));
        return true;
    });
    commands.bind("fadein", [this](const TokenList& args) {
        const int32_t ms = lengthOr500(argumentNumber(args.token(0)));
        screen_.transitions().setNextCrossFade(ms);
        timedWait(ms);
        return true;
    });
    commands.bind("fadeout", [this](const TokenList& args) { return fadeOut(args); });
    commands.bind("flash", [this](const TokenList& args) { return flash(args); });
    commands.bind("shake", [this](const TokenList& args) { return shake(args); });
    commands.bind("wipe", [this](const TokenList& args) { return wipe(args); });
    commands.bind("test", [this](const TokenList&) { return test(); });
}

bool SceneCommands::timedWait(int32_t ms) {
    screen_.showFrame();
    const SceneMode mode = sceneModeOf(runner_.scriptMode());
    if (!screen_.effectsOn() && mode == SceneMode::Story) return !pump_.quitSeen();

    InputState& input = pump_.input();
    input.clearPendingAction();
    const uint32_t start = clock_.now();
    // The system screens' shortcuts apply while a system-mode script waits for a click.
    const InputContext context =
        mode == SceneMode::System ? InputContext::SystemScreen : InputContext::Game;
    bool running = true;
    for (;;) {
        if (!pump_.pumpAndPollInput(context, IdleSleep::Yes)) {
            running = false;
            break;
        }
        if (input.isSkipping()) break;
        // Switching the screen mode is not an answer to the wait: the wait goes on.
        if (screenModeActions_ && screenModeActions_(input.pendingAction()))
            input.clearPendingAction();
        if (ms < 1) {
            if (input.isAutoMode() || input.pendingAction() != 0) break;
        } else if (platform::elapsed(start, clock_.now()) >= static_cast<uint32_t>(ms)) {
            break;
        }
        screen_.showFrame();
    }
    input.clearPendingAction();
    return running;
}

bool SceneCommands::img(const TokenList& args) {
    LayerStack& layers = screen_.layers();
    const int32_t layer = argumentNumber(args.token(0));
    if (args.token(1).empty()) {
        if (args.token(0).empty())
            layers.clearAll();
        else
            layers.clear(layer);
        return true;
    }
    const ScreenSize size = screen_.size();
    std::vector<ImgItem> items;
    for (int i = 1; !args.token(i).empty(); ++i)
        items.push_back(classifyImgItem(args.token(i), size.width, size.height));
    // Loading a picture resets the layer's position, so the pictures are loaded first and
    // the positions applied after them: a number before the name places the picture as
    // one after it does. A picture that cannot be loaded fails the line at once.
    for (const ImgItem& item : items) {
        if (item.kind != ImgItem::Kind::Picture) continue;
        if (!layers.load(layer, item.name)) return false;
        if (item.frame != 0) layers.selectFrame(layer, item.frame);
    }
    int numbers = 0;
    for (const ImgItem& item : items) {
        if (item.kind == ImgItem::Kind::Number) {
            // Numbers place the picture's top-left corner: the first is x, the second y.
            if (numbers == 0) {
                layers.clearOffset(layer);
                layers.setX(layer, item.number);
            } else if (numbers == 1) {
                layers.clearOffset(layer);
                layers.setY(layer, item.number);
            }
            ++numbers;
        } else if (item.kind == ImgItem::Kind::Position && item.hasPosition) {
            layers.setX(layer, item.x);
            layers.setY(layer, item.y);
        }
    }
    return true;
}

bool SceneCommands::fadeOut(const TokenList& args) {
    Transitions& transitions = screen_.transitions();
    LayerStack& layers = screen_.layers();
    transitions.setNextCrossFade(0);
    layers.clearAll();
    int32_t ms;
    if (!startsWithDigit(args.token(0))) {
        layers.load(0, args.token(0));
        ms = argumentNumber(args.token(1));
    } else {
        layers.load(0, "black");
        ms = argumentNumber(args.token(0));
    }
    ms = lengthOr500(ms);
    transitions.setNextCrossFade(ms);
    timedWait(ms);
    return true;
}

bool SceneCommands::flash(const TokenList& args) {
    Rgb colour{255, 255, 255};
    int32_t count;
    if (!startsWithDigit(args.token(0))) {
        if (const auto named = findNamedColour(args.token(0))) colour = *named;
        count = argumentNumber(args.token(1));
    } else {
        count = argumentNumber(args.token(0));
    }
    return screen_.transitions().flash(count, colour);
}

bool SceneCommands::shake(const TokenList& args) {
    ShakeKind kind = kDefaultShake;
    for (const ShakeKind& row : kShakeKinds) {
        if (sjis::equalsIgnoringCase(args.token(0), row.name)) kind = row;
    }
    return screen_.transitions().shake(kind.hAmplitude, kind.vAmplitude, kind.hCycle, kind.vCycle,
                                       kind.durationMs);
}

bool SceneCommands::wipe(const TokenList& args) {
    const int32_t ms = lengthOr500(argumentNumber(args.token(1)));
    const bool soft = sjis::equalsIgnoringCase(args.token(1), "fade") ||
                      sjis::equalsIgnoringCase(args.token(2), "fade");
    Transitions& transitions = screen_.transitions();
    return soft ? transitions.softWipe(args.token(0), ms) : transitions.wipe(args.token(0), ms);
}

bool SceneCommands::test() {
    screen_.transitions().noiseDemonstration();
    pump_.pumpAndPollInput(InputContext::Game, IdleSleep::No);
    return true;
}

} // namespace velmira
