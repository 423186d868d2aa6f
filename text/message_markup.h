// The markup of message text and the character rules of its layout, without any drawing:
// what the message window lays out and what the backlog keeps.
//
// Markup inside the Shift-JIS text (one-byte characters):
//   @ pause (40 time units)   / line break         > faster   < slower
//   | ruby base starts here   ( ruby text )        [ emphasis dots ]
//   { no wait (free) }        \ the next character is an ordinary one
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmira {

// Tokens of a message: a double-byte character is (lead << 8) | trail, another byte is
// itself, markup bytes become these.
enum MessageToken : uint32_t {
    kTokenPause = 0x10001,     // @
    kTokenLineBreak = 0x10002, // /
    kTokenFaster = 0x10003,    // >
    kTokenSlower = 0x10004,    // <
    kTokenRubyBase = 0x10005,  // |
    kTokenRubyOpen = 0x10006,  // (
    kTokenRubyClose = 0x10007, // )
    kTokenDotsOn = 0x10008,    // [
    kTokenDotsOff = 0x10009,   // ]
    kTokenNoWaitOn = 0x1000A,  // {
    kTokenNoWaitOff = 0x1000B, // }
};

constexpr bool isMarkupToken(uint32_t token) {
    return token >= kTokenPause && token <= kTokenNoWaitOff;
}

// Appends the tokens of `message` to `tokens`. A double-byte character is one token even
// when its trail byte looks like markup. "\" makes the next character ordinary: a markup
// byte shows as itself, and "\" before a double-byte character escapes the whole
// character (it is shown, not split into two one-byte codes). A "\" at the very end and a
// lead byte with nothing after it are dropped: there is no character to show.
void tokenizeMessage(std::string_view message, std::vector<uint32_t>& tokens);

// The tokens as plain text, as the backlog keeps them: markup dropped, "/" as "\n", and
// ruby text dropped ("(" and every ordinary character after it up to the next markup token
// other than "/").
std::string plainText(const std::vector<uint32_t>& tokens);

// Character class of the layout: full-width punctuation, digits, Latin letters, hiragana
// and katakana are true; kanji and one-byte characters false. Ruby without a "|" covers
// the trailing run of one class.
bool messageCharacterClass(uint32_t code);
// The 34 characters that never start a line ("。", "」", small kana, ...): they stay on
// the line even past its right edge.
bool isLineStartCharacter(uint32_t code);

} // namespace velmira
