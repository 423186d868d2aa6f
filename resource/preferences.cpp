#include "resource/preferences.h"

#include "resource/byte_order.h"
#include "resource/save_folder.h"

#include <algorithm>

namespace velmira {
namespace {

// Offsets of the record in the file.
constexpr size_t kOffsetTextSpeedUnread = 0;
constexpr size_t kOffsetTextSpeedRead = 4;
constexpr size_t kOffsetAutoSpeed = 8;
constexpr size_t kOffsetFont = 12;
constexpr size_t kOffsetTextShadow = 13;
constexpr size_t kOffsetSeOn = 14;
constexpr size_t kOffsetVoiceOn = 15;
constexpr size_t kOffsetEnvOn = 16;
constexpr size_t kOffsetBgmOn = 17;
constexpr size_t kOffsetSeVolume = 20;
constexpr size_t kOffsetVoiceVolume = 24;
constexpr size_t kOffsetEnvVolume = 28;
constexpr size_t kOffsetBgmVolume = 32;
constexpr size_t kOffsetMaleVoices = 36;
constexpr size_t kOffsetFemaleVoices = 37;
constexpr size_t kOffsetStopVoiceOnPage = 38;
constexpr size_t kOffsetFullScreen = 39;
constexpr size_t kOffsetScreenEffects = 40;
constexpr size_t kOffsetTextColour = 41;
constexpr size_t kOffsetHideCursor = 42;
constexpr size_t kOffsetTitleChapter = 43;
constexpr size_t kOffsetTitlePlayTime = 44;
constexpr size_t kOffsetSkipAll = 45;
constexpr size_t kOffsetStopSkipAfterChoice = 46;
constexpr size_t kOffsetBossKeyMode = 47;
constexpr size_t kOffsetButtonActions = 308;
static_assert(kOffsetButtonActions + kButtonActionCount + 3 == kPreferencesSize);

using Record = std::array<uint8_t, kPreferencesSize>;

void putI32(Record& r, size_t at, int32_t value) {
    writeLe32(r.data() + at, static_cast<uint32_t>(value));
}

int32_t getI32(const Record& r, size_t at) {
    return static_cast<int32_t>(readLe32(r.data() + at));
}

} // namespace

void UserPreferences::setDefaults() {
    textSpeedUnread = 2;
    textSpeedRead = 2;
    autoSpeed = 5;
    font = 0;
    textShadow = seOn = voiceOn = envOn = bgmOn = true;
    seVolume = voiceVolume = envVolume = bgmVolume = 50;
    maleVoices = femaleVoices = stopVoiceOnPage = true;
    fullScreen = false;
    screenEffects = true;
    textColour = hideCursor = titleChapter = titlePlayTime = skipAll = false;
    stopSkipAfterChoice = true;
    bossKeyMode = 0;
    buttonActions.fill(0);                  // F1-F12 and pad buttons 3-8: no action
    buttonActions[kInputRightButton] = 11;  // menu
    buttonActions[kInputMiddleButton] = 22; // configuration
    buttonActions[kInputWheelUp] = 14;      // backlog
    buttonActions[kInputWheelDown] = 4;     // advance text
    buttonActions[kInputSpace] = 2;         // OK / advance text
    buttonActions[kInputPad1] = 2;          // OK / advance text
    buttonActions[kInputPad1 + 1] = 3;      // cancel
}

std::array<uint8_t, kPreferencesSize> UserPreferences::toBytes() const {
    Record r{}; // reserved bytes stay 0
    putI32(r, kOffsetTextSpeedUnread, textSpeedUnread);
    putI32(r, kOffsetTextSpeedRead, textSpeedRead);
    putI32(r, kOffsetAutoSpeed, autoSpeed);
    r[kOffsetFont] = font;
    r[kOffsetTextShadow] = textShadow;
    r[kOffsetSeOn] = seOn;
    r[kOffsetVoiceOn] = voiceOn;
    r[kOffsetEnvOn] = envOn;
    r[kOffsetBgmOn] = bgmOn;
    putI32(r, kOffsetSeVolume, seVolume);
    putI32(r, kOffsetVoiceVolume, voiceVolume);
    putI32(r, kOffsetEnvVolume, envVolume);
    putI32(r, kOffsetBgmVolume, bgmVolume);
    r[kOffsetMaleVoices] = maleVoices;
    r[kOffsetFemaleVoices] = femaleVoices;
    r[kOffsetStopVoiceOnPage] = stopVoiceOnPage;
    r[kOffsetFullScreen] = fullScreen;
    r[kOffsetScreenEffects] = screenEffects;
    r[kOffsetTextColour] = textColour;
    r[kOffsetHideCursor] = hideCursor;
    r[kOffsetTitleChapter] = titleChapter;
    r[kOffsetTitlePlayTime] = titlePlayTime;
    r[kOffsetSkipAll] = skipAll;
    r[kOffsetStopSkipAfterChoice] = stopSkipAfterChoice;
    r[kOffsetBossKeyMode] = bossKeyMode;
    std::copy(buttonActions.begin(), buttonActions.end(), r.begin() + kOffsetButtonActions);
    return r;
}

void UserPreferences::fromBytes(const std::array<uint8_t, kPreferencesSize>& r) {
    textSpeedUnread = getI32(r, kOffsetTextSpeedUnread);
    textSpeedRead = getI32(r, kOffsetTextSpeedRead);
    autoSpeed = getI32(r, kOffsetAutoSpeed);
    font = r[kOffsetFont];
    // A flag byte is on when it is not 0.
    textShadow = r[kOffsetTextShadow] != 0;
    seOn = r[kOffsetSeOn] != 0;
    voiceOn = r[kOffsetVoiceOn] != 0;
    envOn = r[kOffsetEnvOn] != 0;
    bgmOn = r[kOffsetBgmOn] != 0;
    seVolume = getI32(r, kOffsetSeVolume);
    voiceVolume = getI32(r, kOffsetVoiceVolume);
    envVolume = getI32(r, kOffsetEnvVolume);
    bgmVolume = getI32(r, kOffsetBgmVolume);
    maleVoices = r[kOffsetMaleVoices] != 0;
    femaleVoices = r[kOffsetFemaleVoices] != 0;
    stopVoiceOnPage = r[kOffsetStopVoiceOnPage] != 0;
    fullScreen = r[kOffsetFullScreen] != 0;
    screenEffects = r[kOffsetScreenEffects] != 0;
    textColour = r[kOffsetTextColour] != 0;
    hideCursor = r[kOffsetHideCursor] != 0;
    titleChapter = r[kOffsetTitleChapter] != 0;
    titlePlayTime = r[kOffsetTitlePlayTime] != 0;
    skipAll = r[kOffsetSkipAll] != 0;
    stopSkipAfterChoice = r[kOffsetStopSkipAfterChoice] != 0;
    bossKeyMode = r[kOffsetBossKeyMode];
    std::copy(r.begin() + kOffsetButtonActions,
              r.begin() + kOffsetButtonActions + kButtonActionCount, buttonActions.begin());
}

void UserPreferences::load(const SaveFolder& folder) {
    setDefaults();
    std::vector<uint8_t> bytes;
    // A file shorter than one record (cut off, or not ours) is ignored as a whole: every
    // preference keeps its default rather than taking a half-read record.
    if (!folder.read(kPreferencesFile, bytes, kPreferencesSize) || bytes.size() < kPreferencesSize)
        return;
    Record r;
    std::copy(bytes.begin(), bytes.begin() + kPreferencesSize, r.begin());
    fromBytes(r);
}

bool UserPreferences::save(const SaveFolder& folder) const {
    const Record r = toBytes();
    return folder.write(kPreferencesFile, std::vector<uint8_t>(r.begin(), r.end()));
}

} // namespace velmira
