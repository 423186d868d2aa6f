// Splits the input into lines and every line into tokens, checking the splitting rules.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "resource/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    velmira::TextLines lines;
    lines.assign(text);
    velmira::TokenList tokens;
    for (int i = 0; i < lines.count(); ++i) {
        const std::string_view line = lines.view(i);
        if (line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos)
            std::abort();
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) std::abort();
        tokens.split(line);
        for (int t = -1; t <= tokens.count(); ++t) {
            const std::string_view token = tokens.token(t);
            if (token.find(' ') != std::string_view::npos ||
                token.find('\t') != std::string_view::npos)
                std::abort();
        }
    }
    tokens.split(text);
    return 0;
}
