#include "text/message_markup.h"

#include <algorithm>
#include <array>

#include "resource/sjis.h"

namespace velmira {
namespace {

uint32_t markupToken(uint8_t byte) {
    switch (byte) {
    case '@':
        return kTokenPause;
    case '/':
        return kTokenLineBreak;
    case '>':
        return kTokenFaster;
    case '<':
        return kTokenSlower;
    case '|':
        return kTokenRubyBase;
    case '(':
        return kTokenRubyOpen;
    case ')':
        return kTokenRubyClose;
    case '[':
        return kTokenDotsOn;
    case ']':
        return kTokenDotsOff;
    case '{':
        return kTokenNoWaitOn;
    case '}':
        return kTokenNoWaitOff;
    default:
        return 0;
    }
}

// 々ヽヾゝゞ〃、。？！」』）】ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮ, sorted by code.
constexpr std::array<uint32_t, 34> kLineStartCharacters = [] {
    std::array<uint32_t, 34> codes = {
        0x8158, 0x8152, 0x8153, 0x8154, 0x8155, 0x8156, 0x8141, 0x8142, 0x8148,
        0x8149, 0x8176, 0x8178, 0x816A, 0x817A, 0x829F, 0x82A1, 0x82A3, 0x82A5,
        0x82A7, 0x82C1, 0x82E1, 0x82E3, 0x82E5, 0x82EC, 0x8340, 0x8342, 0x8344,
        0x8346, 0x8348, 0x8362, 0x8383, 0x8385, 0x8387, 0x838E,
    };
    std::sort(codes.begin(), codes.end());
    return codes;
}();

} // namespace

void tokenizeMessage(std::string_view message, std::vector<uint32_t>& tokens) {
    const size_t n = message.size();
    for (size_t i = 0; i < n;) {
        uint8_t byte = static_cast<uint8_t>(message[i]);
        bool escaped = false;
        if (byte == '\\') {
            if (++i == n) break;
            byte = static_cast<uint8_t>(message[i]);
            escaped = true;
        }
        if (sjis::isLeadByte(byte)) {
            if (i + 1 == n) break; // half a character
            tokens.push_back(uint32_t{byte} << 8 | static_cast<uint8_t>(message[i + 1]));
            i += 2;
            continue;
        }
        const uint32_t markup = escaped ? 0 : markupToken(byte);
        tokens.push_back(markup ? markup : byte);
        ++i;
    }
}

std::string plainText(const std::vector<uint32_t>& tokens) {
    std::string out;
    out.reserve(tokens.size() * 2);
    bool inRuby = false;
    for (uint32_t token : tokens) {
        if (isMarkupToken(token)) {
            if (token == kTokenLineBreak) {
                out += '\n';
            } else {
                inRuby = token == kTokenRubyOpen;
            }
            continue;
        }
        if (inRuby) continue;
        if (token > 0xFF) out += static_cast<char>(token >> 8);
        out += static_cast<char>(token & 0xFF);
    }
    return out;
}

bool messageCharacterClass(uint32_t code) {
    return (code >= 0x8140 && code <= 0x8156) || (code >= 0x8160 && code <= 0x817A) ||
           (code >= 0x824F && code <= 0x8258) || (code >= 0x8260 && code <= 0x8279) ||
           (code >= 0x8281 && code <= 0x829A) || (code >= 0x829F && code <= 0x82F1) ||
           (code >= 0x8340 && code <= 0x8396);
}

bool isLineStartCharacter(uint32_t code) {
    return std::binary_search(kLineStartCharacters.begin(), kLineStartCharacters.end(), code);
}

} // namespace velmira
