// The player's preferences: one 336-byte record stored as "velmira.cfg" in the save
// folder (scrambled like every file there).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmira {

class SaveFolder;

inline constexpr char kPreferencesFile[] = "velmira.cfg";
inline constexpr size_t kPreferencesSize = 336;
inline constexpr int kButtonActionCount = 25;

// Indices into buttonActions.
enum ButtonInput : int {
    kInputRightButton = 0,
    kInputMiddleButton = 1,
    kInputWheelUp = 2,
    kInputWheelDown = 3,
    kInputSpace = 4,
    kInputF1 = 5,    // F1..F12 = 5..16
    kInputPad1 = 17, // pad buttons 1..8 = 17..24
};

struct UserPreferences {
    int32_t textSpeedUnread = 2;
    int32_t textSpeedRead = 2;
    int32_t autoSpeed = 5;
    uint8_t font = 0;
    bool textShadow = true;
    bool seOn = true;
    bool voiceOn = true;
    bool envOn = true;
    bool bgmOn = true;
    int32_t seVolume = 50;
    int32_t voiceVolume = 50;
    int32_t envVolume = 50;
    int32_t bgmVolume = 50;
    bool maleVoices = true;
    bool femaleVoices = true;
    bool stopVoiceOnPage = true;
    bool fullScreen = false;
    bool screenEffects = true;
    bool textColour = false;
    bool hideCursor = false;
    bool titleChapter = false;
    bool titlePlayTime = false;
    bool skipAll = false;
    bool stopSkipAfterChoice = true;
    uint8_t bossKeyMode = 0;
    std::array<uint8_t, kButtonActionCount> buttonActions{};

    UserPreferences() { setDefaults(); }
    void setDefaults();
    // Defaults, then the file's record when the file holds a whole one.
    void load(const SaveFolder& folder);
    bool save(const SaveFolder& folder) const;

    // The exact 336-byte layout of the file (before scrambling).
    std::array<uint8_t, kPreferencesSize> toBytes() const;
    void fromBytes(const std::array<uint8_t, kPreferencesSize>& bytes);
};

} // namespace velmira
