#include "resource/preferences.h"

#include <gtest/gtest.h>

#include "resource/keystream.h"
#include "resource/save_folder.h"
#include "temp_dir.h"

namespace velmira {
namespace {

uint32_t u32At(const std::array<uint8_t, kPreferencesSize>& r, size_t at) {
    return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | static_cast<uint32_t>(r[at + 3]) << 24;
}

TEST(UserPreferences, DefaultRecordLayout) {
    UserPreferences prefs;
    prefs.bgmVolume = 0;
    prefs.setDefaults();
    const auto r = prefs.toBytes();
    // offset -> value of every field that is not 0 by default
    const std::vector<std::pair<size_t, uint32_t>> words = {{0, 2},   {4, 2},   {8, 5},  {20, 50},
                                                            {24, 50}, {28, 50}, {32, 50}};
    for (auto [at, value] : words)
        EXPECT_EQ(u32At(r, at), value) << "offset " << at;
    std::array<uint8_t, kPreferencesSize> expected{};
    for (auto [at, value] : words)
        expected[at] = static_cast<uint8_t>(value);
    for (size_t at : {13, 14, 15, 16, 17, 36, 37, 38, 40, 46})
        expected[at] = 1;
    // buttons: right 11, middle 22, wheel up 14, wheel down 4, space 2, pad 1 2, pad 2 3
    const uint8_t buttons[kButtonActionCount] = {11, 22, 14, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0,
                                                 0,  0,  0,  0, 2, 3, 0, 0, 0, 0, 0, 0};
    std::copy(std::begin(buttons), std::end(buttons), expected.begin() + 308);
    EXPECT_EQ(r, expected);
}

TEST(UserPreferences, FieldsLandAtTheirOffsets) {
    UserPreferences prefs;
    prefs.textSpeedUnread = 0x01020304;
    prefs.textSpeedRead = -1;
    prefs.autoSpeed = 10;
    prefs.font = 2;
    prefs.textShadow = prefs.seOn = prefs.voiceOn = prefs.envOn = prefs.bgmOn = false;
    prefs.seVolume = 1;
    prefs.voiceVolume = 2;
    prefs.envVolume = 3;
    prefs.bgmVolume = 100;
    prefs.maleVoices = prefs.femaleVoices = prefs.stopVoiceOnPage = false;
    prefs.fullScreen = true;
    prefs.screenEffects = false;
    prefs.textColour = prefs.hideCursor = prefs.titleChapter = prefs.titlePlayTime = true;
    prefs.skipAll = true;
    prefs.stopSkipAfterChoice = false;
    prefs.bossKeyMode = 2;
    for (int i = 0; i < kButtonActionCount; ++i)
        prefs.buttonActions[i] = static_cast<uint8_t>(i + 1);

    const auto r = prefs.toBytes();
    EXPECT_EQ(u32At(r, 0), 0x01020304u);
    EXPECT_EQ(u32At(r, 4), 0xFFFFFFFFu);
    EXPECT_EQ(u32At(r, 8), 10u);
    EXPECT_EQ(r[12], 2);
    for (size_t at = 13; at <= 17; ++at)
        EXPECT_EQ(r[at], 0) << at;
    EXPECT_EQ(u32At(r, 20), 1u);
    EXPECT_EQ(u32At(r, 24), 2u);
    EXPECT_EQ(u32At(r, 28), 3u);
    EXPECT_EQ(u32At(r, 32), 100u);
    const uint8_t flags[] = {0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 0, 2}; // offsets 36..47
    for (size_t i = 0; i < sizeof flags; ++i)
        EXPECT_EQ(r[36 + i], flags[i]) << 36 + i;
    for (size_t at = 48; at < 308; ++at)
        ASSERT_EQ(r[at], 0) << at;
    for (int i = 0; i < kButtonActionCount; ++i)
        EXPECT_EQ(r[308 + i], i + 1);
    EXPECT_EQ(r[333] | r[334] | r[335] | r[18] | r[19], 0);

    UserPreferences back;
    back.fromBytes(r);
    EXPECT_EQ(back.toBytes(), r);
}

TEST(UserPreferences, FileRoundTripAndShortFiles) {
    test::TempDir dir;
    const SaveFolder folder(dir.path() + "save/");
    UserPreferences prefs;
    prefs.autoSpeed = 9;
    prefs.fullScreen = true;
    prefs.load(folder); // first start: no folder, all defaults
    EXPECT_EQ(prefs.toBytes(), UserPreferences().toBytes());

    prefs.autoSpeed = 9;
    prefs.buttonActions[kInputF1 + 11] = 7;
    ASSERT_TRUE(prefs.save(folder));
    const std::vector<uint8_t> file = dir.read("save/velmira.cfg");
    ASSERT_EQ(file.size(), kPreferencesSize);
    const auto saved = prefs.toBytes();
    std::vector<uint8_t> plain(saved.begin(), saved.end());
    Keystream stream(0x3E5B);
    stream.apply(plain.data(), plain.size());
    EXPECT_EQ(file, plain);

    UserPreferences loaded;
    loaded.load(folder);
    EXPECT_EQ(loaded.toBytes(), prefs.toBytes());

    // A file that does not hold a whole record is ignored; a longer one gives its record.
    const auto record = prefs.toBytes();
    std::vector<uint8_t> shortFile(record.begin(), record.begin() + 100);
    ASSERT_TRUE(folder.write(kPreferencesFile, shortFile));
    loaded.load(folder);
    EXPECT_EQ(loaded.toBytes(), UserPreferences().toBytes());
    std::vector<uint8_t> longFile(record.begin(), record.end());
    longFile.resize(400, 0xEE);
    ASSERT_TRUE(folder.write(kPreferencesFile, longFile));
    loaded.load(folder);
    EXPECT_EQ(loaded.toBytes(), record);
}

} // namespace
} // namespace velmira
