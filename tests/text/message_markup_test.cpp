// Tokenising message markup, the backlog's plain text, character classes and the
// characters that never start a line.
#include "text/message_markup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/encoding.h"

namespace velmira {
namespace {

using Tokens = std::vector<uint32_t>;

std::string sjis(std::string_view utf8) {
    return platform::utf8ToSjis(utf8);
}

TEST(MessageMarkup, TokenisesCharactersMarkupAndEscapes) {
    struct Case {
        std::string message; // Shift-JIS bytes
        Tokens expected;
    };
    const Case cases[] = {
        {"a@/><|()[]{}b",
         {'a', kTokenPause, kTokenLineBreak, kTokenFaster, kTokenSlower, kTokenRubyBase,
          kTokenRubyOpen, kTokenRubyClose, kTokenDotsOn, kTokenDotsOff, kTokenNoWaitOn,
          kTokenNoWaitOff, 'b'}},
        {sjis("漢字"), {0x8ABF, 0x8E9A}},
        // Trail bytes that look like markup or "\" belong to their character.
        {"\x83\x40\x83\x5c\x83\x7c", {0x8340, 0x835C, 0x837C}},
        // "\" makes the next character ordinary: a markup byte, "\" itself, or a whole
        // double-byte character.
        {"\\@\\/\\\\x", {'@', '/', '\\', 'x'}},
        {"\\\x82\xa0"
         "a",
         {0x82A0, 'a'}},
        // Nothing to show: a "\" at the end, half a character at the end.
        {"a\\", {'a'}},
        {"a\x81", {'a'}},
        {"\\\x81", {}},
        {"", {}},
        // One-byte katakana and other single bytes are themselves.
        {"\xb1 ~", {0xB1, ' ', '~'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Tokens tokens{1}; // tokenising appends
        tokenizeMessage(c.message, tokens);
        Tokens expected{1};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(tokens, expected);
    }
}

TEST(MessageMarkup, BacklogTextDropsMarkupAndRubyText) {
    struct Case {
        std::string message, expected; // UTF-8
    };
    const Case cases[] = {
        {"あい漢字(かんじ)です/次は@[点]{速く}>終わり<", "あい漢字です\n次は点速く終わり"},
        {"|春(はる)の/|夜(よる)", "春の\n夜"},
        // A line break inside ruby text still breaks the line; any other markup ends the
        // dropped ruby text.
        {"a(bc/de)f", "a\nf"},
        {"a(bc@de)f", "adef"},
        {"a(never closed", "a"},
        {"\\(a\\)\\@", "(a)@"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Tokens tokens;
        tokenizeMessage(sjis(c.message), tokens);
        EXPECT_EQ(plainText(tokens), sjis(c.expected));
    }
}

TEST(MessageMarkup, CharacterClassesAndLineStartCharacters) {
    struct Case {
        const char* utf8;
        bool characterClass;
    };
    const Case cases[] = {
        {"　", true},  {"、", true}, {"〃", true}, {"「", true},  {"】", true},
        {"０", true},  {"９", true}, {"Ａ", true}, {"ｚ", true},  {"ぁ", true},
        {"ん", true},  {"ァ", true}, {"ヶ", true}, {"漢", false}, {"ー", false},
        {"〆", false}, {"○", false}, {"Ω", false}, {"a", false},  {"ｱ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        Tokens tokens;
        tokenizeMessage(sjis(c.utf8), tokens);
        ASSERT_EQ(tokens.size(), 1u);
        EXPECT_EQ(messageCharacterClass(tokens[0]), c.characterClass);
    }

    Tokens lineStart;
    tokenizeMessage(sjis("々ヽヾゝゞ〃、。？！」』）】ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮ"),
                    lineStart);
    ASSERT_EQ(lineStart.size(), 34u);
    for (uint32_t code : lineStart)
        EXPECT_TRUE(isLineStartCharacter(code)) << std::hex << code;
    for (const char* other : {"漢", "あ", "「", "ー", "・", "…", "ヵ", "ゐ"}) {
        Tokens tokens;
        tokenizeMessage(sjis(other), tokens);
        EXPECT_FALSE(isLineStartCharacter(tokens.at(0))) << other;
    }
    EXPECT_FALSE(isLineStartCharacter('.'));
    EXPECT_FALSE(isLineStartCharacter(0));
}

} // namespace
} // namespace velmira
