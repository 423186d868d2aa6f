// The backlog ring and the name position of the backlog screen.
#include "text/backlog.h"

#include <gtest/gtest.h>

#include <string>

namespace velmira {
namespace {

std::string numbered(const char* word, int i) {
    std::string s(word);
    s += std::to_string(i);
    return s;
}

TEST(Backlog, KeepsTheLastMessagesWithTheVoiceThatCameJustBefore) {
    Backlog log;
    log.clear();
    for (int i = 1; i <= 61; ++i) {
        // Every tenth message has a voice; the pending voice of message 31 is replaced
        // before the message comes.
        if (i % 10 == 0) log.setPendingVoice(numbered("v", i));
        if (i == 31) {
            log.setPendingVoice("dropped");
            log.setPendingVoice("");
        }
        log.add(numbered("name", i), numbered("text", i));
    }
    EXPECT_EQ(log.head(), 1);
    EXPECT_TRUE(log.pendingVoice().empty());

    const auto expectEntry = [&](int32_t k, int message, const std::string& voice) {
        SCOPED_TRACE(k);
        Backlog::Entry e;
        ASSERT_TRUE(log.get(k, e));
        EXPECT_EQ(e.name, numbered("name", message));
        EXPECT_EQ(e.text, numbered("text", message));
        EXPECT_EQ(e.voice, voice);
    };
    expectEntry(1, 61, "");    // the newest
    expectEntry(2, 60, "v60"); // the voice attached once ...
    expectEntry(3, 59, "");    // ... and never to a later message
    expectEntry(31, 31, "");
    expectEntry(41, 21, "");
    expectEntry(42, 20, "v20");
    expectEntry(59, 3, "");
    expectEntry(0, 2, ""); // the slot the next message overwrites

    Backlog::Entry untouched{"n", "t", "v"};
    EXPECT_FALSE(log.get(60, untouched));
    EXPECT_FALSE(log.get(-1, untouched));
    EXPECT_EQ(untouched.name, "n");
    EXPECT_EQ(untouched.voice, "v");

    log.setMark();
    EXPECT_EQ(log.mark(), 1);
    log.setPendingVoice("x");
    log.clear();
    EXPECT_EQ(log.head(), 0);
    EXPECT_EQ(log.mark(), 0);
    EXPECT_TRUE(log.pendingVoice().empty());
    Backlog::Entry e;
    ASSERT_TRUE(log.get(1, e));
    EXPECT_TRUE(e.name.empty() && e.text.empty() && e.voice.empty());
}

TEST(Backlog, NameStartsHalfItsWidthLeftOfTheRowsNameCentre) {
    EXPECT_EQ(backlogNameX(""), 180);
    EXPECT_EQ(backlogNameX("\x96\xbc\x91\x4f\x83\x65"), 126); // three double-byte characters
    EXPECT_EQ(backlogNameX("abc"), 153);
    EXPECT_EQ(backlogNameX(std::string(4096, 'a')), 180 - 4096 * 9);
}

} // namespace
} // namespace velmira
