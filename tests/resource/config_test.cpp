#include "resource/config.h"

#include <gtest/gtest.h>

#include <limits>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "resource/settings.h"
#include "temp_dir.h"

namespace velmira {
namespace {

using test::bytesOf;

std::string valueOf(const ConfigStore& store, const char* group, const char* section,
                    const char* key) {
    SectionView view;
    if (!store.select(view, group, section)) return "<no section>";
    return view.getString(key, "<absent>");
}

TEST(ConfigStore, HeaderRulesAndKeyLines) {
    ConfigStore store;
    store.parse("Early=before any header\r\n"
                "[System]\r\n"
                "Alone=ignored\r\n"
                "[System.Info]  trailing text\r\n"
                "Title=\x81\x40"
                "Full\x81\x40"
                "Width\r\n" // full-width spaces are kept
                "Vendor  =  two words\r\n"
                ";Date=commented\r\n"
                "NoEquals\r\n"
                "Empty=\r\n"
                "[.Option]\r\n"
                "Splash=img.png\t# note\r\n"
                "[Broken.Header\r\n"
                "Lost=yes\r\n"
                "[.]\r\n"
                "StillLost=yes\r\n"
                "[Game.Rules]\r\n"
                "a=b=c\r\n"
                "[Other.]\r\n"
                "NoSection=yes\r\n");
    EXPECT_EQ(valueOf(store, "System", "Info", "Title"), "\x81\x40"
                                                         "Full\x81\x40"
                                                         "Width");
    EXPECT_EQ(valueOf(store, "System", "Info", "Vendor"), "two");
    EXPECT_EQ(valueOf(store, "System", "Info", "Date"), "<absent>");
    EXPECT_EQ(valueOf(store, "System", "Info", "Empty"), "");
    EXPECT_EQ(valueOf(store, "System", "Option", "Splash"), "img.png");
    EXPECT_EQ(valueOf(store, "Game", "Rules", "a"), "b=c");
    EXPECT_EQ(valueOf(store, "System", "", "Alone"), "<no section>");
    EXPECT_EQ(valueOf(store, "Other", "", "NoSection"), "<no section>");
    EXPECT_EQ(store.groups().count("Broken"), 0u);
    ASSERT_EQ(store.groups().size(), 2u); // Game and System only
    EXPECT_EQ(store.groups().at("System").size(), 2u);
    EXPECT_EQ(store.groups().at("System").at("Info").size(), 3u);
    EXPECT_EQ(store.groups().at("System").at("Option").size(), 1u);
}

TEST(ConfigStore, FirstDefinitionWinsAcrossListedFiles) {
    test::TempDir dir;
    ASSERT_TRUE(writeArchiveFile(
        dir.path() + "system.dat", 1,
        {{"config\\config.txt", bytesOf("first.txt\r\nmissing.txt\r\n\r\nsecond.txt\r\n"), 1},
         {"config\\first.txt", bytesOf("[System.Info]\r\nTitle=First\r\nTitle=Again\r\n"), 1},
         {"config\\second.txt",
          bytesOf("Vendor=no header yet\r\n[System.Info]\r\nTitle=Second\r\nVendor=V\r\n"), 1}}));
    Trace trace;
    ArchiveIndex index(dir.path(), trace);
    ASSERT_TRUE(index.mountAll());
    ConfigStore store;
    store.parse("[Stale.Data]\r\nx=1");
    EXPECT_TRUE(store.load(index));
    EXPECT_EQ(valueOf(store, "System", "Info", "Title"), "First");
    EXPECT_EQ(valueOf(store, "System", "Info", "Vendor"), "V");
    EXPECT_EQ(store.groups().count("Stale"), 0u);

    ArchiveIndex empty(dir.path() + "nothing/", trace);
    EXPECT_TRUE(store.load(empty));
    EXPECT_TRUE(store.groups().empty());
}

TEST(ConfigStore, TypedQueries) {
    struct IntCase {
        const char* value;
        int32_t expected;
    };
    const IntCase ints[] = {
        {"800", 800},
        {"800px", 800},
        {"px", 0},
        {"", 0},
        {"-12", -12},
        {"+7", 7},
        {"--1", 0},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int32_t>::min()},
        {"99999999999999999999999", 2147483647},
        {"-99999999999999999999999", std::numeric_limits<int32_t>::min()},
    };
    for (const IntCase& c : ints) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(parseDecimal(c.value), c.expected);
    }
    EXPECT_EQ(parseDecimal(" \t\n 42"), 42); // white space before the number

    ConfigStore store;
    store.parse("[S.T]\r\nw=800x\r\non=on\r\ntrue=true\r\noff=off\r\nfalse=false\r\n"
                "yes=yes\r\nOn=On\r\nempty=\r\n");
    SectionView view;
    ASSERT_TRUE(store.select(view, "S", "T"));
    EXPECT_EQ(view.getInt("w", 1), 800);
    EXPECT_EQ(view.getInt("absent", 640), 640);
    EXPECT_EQ(view.getInt("empty", 640), 0);
    struct BoolCase {
        const char* key;
        bool fallback;
        bool expected;
    };
    const BoolCase bools[] = {
        {"on", false, true},   {"true", false, true},  {"off", true, false}, {"false", true, false},
        {"yes", false, false}, {"yes", true, true},    {"On", true, true},   {"On", false, false},
        {"empty", true, true}, {"absent", true, true},
    };
    for (const BoolCase& c : bools) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(view.getBool(c.key, c.fallback), c.expected);
    }
    EXPECT_FALSE(store.select(view, "S", "missing"));
    EXPECT_TRUE(view.keys().empty());
    EXPECT_FALSE(store.select(view, "missing", "T"));
}

TEST(EngineSettings, ReadsTheSystemGroup) {
    ConfigStore store;
    EngineSettings settings;
    settings.productId = "stale";
    settings.read(store, true);
    EXPECT_EQ(settings.title, "???");
    EXPECT_EQ(settings.date, "???");
    EXPECT_EQ(settings.screenWidth, 640);
    EXPECT_EQ(settings.screenHeight, 480);
    EXPECT_EQ(settings.productId, "");
    EXPECT_FALSE(settings.enableMmx);

    store.parse("[System.Info]\r\nTitle=Game\r\nVendor=\r\n"
                "[System.Setting]\r\nScreenWidth=800\r\nScreenHeight=abc\r\nProductID=GAME01\r\n"
                "[System.Option]\r\nEnableMMX=on\r\nSplashImage=splash.png\r\n");
    settings.read(store, true);
    EXPECT_EQ(settings.title, "Game");
    EXPECT_EQ(settings.vendor, "");
    EXPECT_EQ(settings.version, "???");
    EXPECT_EQ(settings.screenWidth, 800);
    EXPECT_EQ(settings.screenHeight, 0);
    EXPECT_EQ(settings.productId, "GAME01");
    EXPECT_TRUE(settings.enableMmx);
    EXPECT_EQ(settings.splashImage, "splash.png");

    settings.read(store, false); // no MMX on this processor: the setting is not even read
    EXPECT_FALSE(settings.enableMmx);
}

} // namespace
} // namespace velmira
