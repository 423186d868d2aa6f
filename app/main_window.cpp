#include "app/main_window.h"

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

} // namespace

MainWindow::MainWindow(platform::Window& window, platform::EventQueue& events,
                       platform::Dialogs& dialogs, const EngineSettings& settings,
                       const UserPreferences& preferences)
    : window_(window), events_(events), dialogs_(dialogs), settings_(settings),
      preferences_(preferences) {}

bool MainWindow::create() {
    if (settings_.screenWidth <= 0 || settings_.screenHeight <= 0) return false;
    if (!window_.create(settings_.screenWidth, settings_.screenHeight)) return false;
    window_.setTitle("");
    shownTitle_.clear();
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

void MainWindow::handleEvent(const platform::Event& event) {
    using platform::EventType;
    switch (event.type) {
    case EventType::Activate:
        active_ = true;
        break;
    case EventType::Deactivate:
        active_ = false;
        break;
    case EventType::CloseRequest:
        onClose();
        break;
    case EventType::Expose:
        if (exists() && paint_) paint_();
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
    if (!quitWithoutAsking_ && !dialogs_.askYesNo(platform::sjisToUtf8(settings_.title),
                                                  platform::sjisToUtf8(kQuitQuestion)))
        return;
    destroy();
}

void MainWindow::destroy() {
    events_.stopTimer(kTimerId);
    window_.destroy();
    events_.postQuit();
}

void MainWindow::onTimer() {
    // Every ninth tick (18 s) the title shows the current play time.
    if (++titleRefreshCounter_ > 8) {
        refreshTitle();
        titleRefreshCounter_ = 0;
    }
}

} // namespace velmira
