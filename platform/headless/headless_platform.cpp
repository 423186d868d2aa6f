#include "platform/headless/headless_platform.h"

namespace velmira::platform {

HeadlessPlatform::HeadlessPlatform(HeadlessOptions options)
    : facts_(std::move(options.facts)), threads_(clock_), log_(clock_), audioOutput_(clock_, log_),
      audio_(options.audio), audioOutPath_(std::move(options.audioOutPath)),
      events_(clock_, log_, std::move(options.timeline), options.maxMs),
      window_(clock_, events_, log_), dialogs_(log_), pad_(log_), trayIcon_(events_, log_),
      tray_(options.tray), popupMenu_(log_), fonts_(std::move(options.fonts)) {
    events_.setHandler([this](const TimelineEvent& entry) { onTimelineEntry(entry); });
    clock_.setTimeListener([this](uint64_t ms) { audioOutput_.advanceTo(ms); });
    if (!audioOutPath_.empty()) {
        if (!audio_)
            audioOutError_ = "this run has no sound output";
        else
            audioOutput_.record(audioOutPath_, audioOutError_);
    }
}

HeadlessPlatform::~HeadlessPlatform() {
    clock_.setTimeListener(nullptr);
}

bool HeadlessPlatform::finishAudioOut(std::string& error) {
    if (audioOutPath_.empty()) return true;
    if (!audioOutError_.empty()) {
        error = audioOutError_;
        return false;
    }
    return audioOutput_.finishRecording(error);
}

void HeadlessPlatform::onTimelineEntry(const TimelineEvent& entry) {
    using Kind = TimelineEvent::Kind;
    switch (entry.kind) {
    case Kind::Shot:
        if (!window_.writeShot(entry.path)) failedShots_.push_back({entry.path, entry.line});
        break;
    case Kind::Answer:
        dialogs_.queueAnswer(entry.yes);
        break;
    case Kind::PadPlug:
        pad_.plug(entry.number);
        break;
    case Kind::PadButton:
        pad_.setButton(entry.number, entry.pressed);
        break;
    case Kind::PadAxis:
        pad_.setAxes(entry.x, entry.y);
        break;
    case Kind::TrayClick:
        if (tray_)
            trayIcon_.click();
        else
            log_.write("tray click: no notification area");
        break;
    case Kind::Restore:
        window_.restore();
        break;
    case Kind::MenuAnswer:
        popupMenu_.queueAnswer(entry.number);
        break;
    case Kind::Input:
        break;
    }
}

} // namespace velmira::platform
