#include "app/main_window.h"

#include "app/icons.h"
#include "app/input_state.h"
#include "platform/encoding.h"
#include "resource/preferences.h"
#include "resource/settings.h"
#include "resource/trace.h"

namespace velmira {
namespace {

constexpr char kQuitQuestion[] =
    "\x8f\x49\x97\xb9\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48"; // 終了しますか？
constexpr char kChapterOpen[] = "\x81\x40\x81\x75";             // full-width space, 「
constexpr char kChapterClose[] = "\x81\x76";                    // 」
constexpr char kPlayTimeFormat[] = "\x81\x40[%d:%02d]";         // full-width space, [h:mm]
constexpr char kNotepadTitle[] =
    "\x96\xb3\x91\xe8\x20\x2d\x20\x83\x81\x83\x82\x92\xa0"; // 無題 - メモ帳
constexpr char kTrayTip[] = "Tamsk";

enum BossKeyMode : uint8_t { kBossTray = 0, kBossNotepad = 1, kBossQuickSaveQuit = 2 };

} // namespace

MainWindow::MainWindow(platform::Window& window, platform::EventQueue& events,
                       platform::Dialogs& dialogs, platform::TrayIcon* trayIcon,
                       const EngineSettings& settings, UserPreferences& preferences)
    : window_(window), events_(events), dialogs_(dialogs), trayIcon_(trayIcon), settings_(settings),
      preferences_(preferences) {}

bool MainWindow::create() {
    if (settings_.screenWidth <= 0 || settings_.screenHeight <= 0) return false;
    if (!window_.create(settings_.screenWidth, settings_.screenHeight)) return false;
    window_.setTitle("");
    window_.setIcon(gameIcon());
    shownTitle_.clear();
    fullScreen_ = false;
    cursorHidden_ = false;
    cursorIdleCounter_ = 0;
    events_.startTimer(kTimerId, kTimerPeriodMs);
    return true;
}

void MainWindow::show() {
    window_.show();
    if (paint_) paint_();
    refreshTitle();
}

std::string MainWindow::composeTitle() const {
    std::string title = settings_.title;
    const TitleInfo info = titleSource_ ? titleSource_() : TitleInfo{};
    if (preferences_.titleChapter && !info.chapterName.empty())
        title += kChapterOpen + info.chapterName + kChapterClose;
    if (preferences_.titlePlayTime && !info.systemDisplayMode)
        title += formatString(kPlayTimeFormat, static_cast<int>(info.playMinutes / 60),
                              static_cast<int>(info.playMinutes % 60));
    return title;
}

void MainWindow::refreshTitle() {
    if (!exists() || minimised()) return;
    std::string title = composeTitle();
    // The script refreshes the title at every restart; converting and setting the same
    // text again would only cost time.
    if (title == shownTitle_) return;
    window_.setTitle(platform::sjisToUtf8(title));
    shownTitle_ = std::move(title);
}

void MainWindow::requestClose() {
    if (exists()) events_.postClose();
}

bool MainWindow::setFullScreen(bool on) {
    if (on == fullScreen_ || !exists()) return false;
    // Leaving always ends in window mode, even when the platform reports trouble.
    const bool switched = window_.setFullScreen(on);
    fullScreen_ = window_.fullScreen();
    preferences_.fullScreen = fullScreen_;
    return switched && fullScreen_ == on;
}

bool MainWindow::serveScreenModeAction(int32_t action) {
    switch (action) {
    case kActionToggleScreen:
        toggleFullScreen();
        return true;
    case kActionWindowMode:
        setFullScreen(false);
        return true;
    case kActionFullScreen:
        setFullScreen(true);
        return true;
    default:
        return false;
    }
}

void MainWindow::setEnabled(bool enabled) {
    enabled_ = enabled;
    // The dialog that disables the window needs the cursor.
    if (!enabled) {
        cursorIdleCounter_ = 0;
        showCursor();
    }
}

void MainWindow::showCursor() {
    if (!cursorHidden_) return;
    window_.setCursorVisible(true);
    cursorHidden_ = false;
}

void MainWindow::handleEvent(const platform::Event& event) {
    using platform::EventType;
    switch (event.type) {
    case EventType::MouseMove:
    case EventType::MouseDown:
    case EventType::MouseUp:
    case EventType::Wheel:
        cursorIdleCounter_ = 0;
        showCursor();
        break;
    case EventType::Activate:
        active_ = true;
        break;
    case EventType::Deactivate:
        active_ = false;
        break;
    case EventType::Maximise:
        setFullScreen(true);
        break;
    case EventType::TrayClick:
        if (exists()) window_.show();
        break;
    case EventType::CloseRequest:
        onClose();
        break;
    case EventType::Expose:
        // The window still holds the last frame presented, which is the front buffer as
        // long as the engine presents every change; only before the first one is there
        // nothing to show again.
        if (exists() && !window_.repaint() && paint_) paint_();
        break;
    case EventType::Timer:
        if (event.timer().id == kTimerId) onTimer();
        break;
    case EventType::Raise:
        window_.raise();
        break;
    default:
        break;
    }
}

void MainWindow::onClose() {
    if (!exists()) return;
    if (!quitWithoutAsking_) {
        setEnabled(false);
        const bool yes = dialogs_.askYesNo(platform::sjisToUtf8(settings_.title),
                                           platform::sjisToUtf8(kQuitQuestion));
        setEnabled(true);
        if (!yes) return;
    }
    destroy();
}

void MainWindow::destroy() {
    events_.stopTimer(kTimerId);
    window_.destroy();
    fullScreen_ = false;
    cursorHidden_ = false;
    events_.postQuit();
}

void MainWindow::onTimer() {
    if (preferences_.hideCursor) ++cursorIdleCounter_;
    const bool systemMode = titleSource_ && titleSource_().systemDisplayMode;
    if (!enabled_ || systemMode) {
        cursorIdleCounter_ = 0;
        showCursor();
    } else if (cursorIdleCounter_ >= kCursorRestTicks && !cursorHidden_ && exists()) {
        window_.setCursorVisible(false);
        cursorHidden_ = true;
    }
    // Every ninth tick (18 s) the title shows the current play time.
    if (++titleRefreshCounter_ >= kTitleRefreshTicks) {
        refreshTitle();
        titleRefreshCounter_ = 0;
    }
}

template <typename Away> void MainWindow::pumpWhile(Away away) {
    while (exists() && away())
        if (!pumpOneMessage_ || !pumpOneMessage_()) return;
}

void MainWindow::bossKey() {
    // A boss key pressed while the window is away already (a pump below dispatched it)
    // changes nothing.
    if (!exists() || inBossKey_) return;
    inBossKey_ = true;
    switch (preferences_.bossKeyMode) {
    case kBossTray:
        hideInTray();
        break;
    case kBossNotepad:
        disguiseAsNotepad();
        break;
    case kBossQuickSaveQuit:
        quickSaveAndQuit();
        break;
    default:
        break;
    }
    inBossKey_ = false;
}

void MainWindow::hideInTray() {
    // Without a notification area the window could never be found again once hidden;
    // it is minimised instead.
    if (!trayIcon_ || !pumpOneMessage_ || !trayIcon_->add(gameIcon(), kTrayTip)) {
        minimiseUntilRestored();
        return;
    }
    window_.hide();
    // A left click on the icon shows the window again (TrayClick).
    pumpWhile([this] { return !window_.visible(); });
    trayIcon_->remove();
}

void MainWindow::minimiseUntilRestored() {
    window_.minimise();
    pumpWhile([this] { return window_.minimised(); });
}

void MainWindow::disguiseAsNotepad() {
    window_.minimise();
    window_.setTitle(platform::sjisToUtf8(kNotepadTitle));
    shownTitle_ = kNotepadTitle;
    window_.setIcon(notepadIcon());
    pumpWhile([this] { return window_.minimised(); });
    if (!exists()) return;
    refreshTitle();
    window_.setIcon(gameIcon());
}

void MainWindow::quickSaveAndQuit() {
    // FIXME: the quick save (slot 0, titled "クイックセーブ") arrives with the save screens,
    // which set it through setQuickSave.
    if (quickSave_) quickSave_();
    setQuitWithoutAsking(true);
    requestClose();
}

} // namespace velmira
