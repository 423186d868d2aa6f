#include "resource/config.h"

#include <limits>

#include "resource/sjis.h"
#include "resource/text_lines.h"

namespace velmira {
namespace {

using sjis::isBlank;

std::string_view cutAtBlank(std::string_view text) {
    size_t n = 0;
    while (n < text.size() && !isBlank(text[n]))
        ++n;
    return text.substr(0, n);
}

// The parser's place in one file: the header that is in force.
struct ParseState {
    std::string group;
    std::string section;
};

void parseLine(std::map<std::string, ConfigStore::Sections, std::less<>>& groups, ParseState& state,
               std::string_view line) {
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[') {
        const size_t close = line.find(']');
        if (close == std::string_view::npos) {
            // A broken header shuts off key lines until the next good one.
            state.group.clear();
            state.section.clear();
            return;
        }
        const std::string_view text = line.substr(1, close - 1);
        const size_t dot = text.find('.');
        const std::string_view group = text.substr(0, dot);
        const std::string_view section =
            dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
        if (!group.empty()) {
            state.group.assign(group);
            state.section.clear();
        }
        if (!section.empty()) state.section.assign(section);
        return;
    }
    if (state.group.empty() || state.section.empty()) return;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view key = cutAtBlank(line.substr(0, eq));
    const std::string_view value = cutAtBlank(sjis::skipBlanks(line.substr(eq + 1)));
    // emplace keeps an existing key: the first definition wins.
    groups[state.group][state.section].emplace(std::string(key), std::string(value));
}

void parseLines(std::map<std::string, ConfigStore::Sections, std::less<>>& groups,
                const TextLines& lines) {
    ParseState state;
    for (int i = 0; i < lines.count(); ++i)
        parseLine(groups, state, lines.view(i));
}

} // namespace

int32_t parseDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulated as a negative number so that INT32_MIN is reachable; absurdly long digit
    // strings saturate instead of overflowing.
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < kMin) value = kMin;
    }
    if (!negative)
        value = value < -int64_t{std::numeric_limits<int32_t>::max()}
                    ? std::numeric_limits<int32_t>::max()
                    : -value;
    return static_cast<int32_t>(value);
}

std::string SectionView::getString(std::string_view key, std::string_view fallback) const {
    auto it = keys_.find(key);
    return it == keys_.end() ? std::string(fallback) : it->second;
}

int32_t SectionView::getInt(std::string_view key, int32_t fallback) const {
    auto it = keys_.find(key);
    return it == keys_.end() ? fallback : parseDecimal(it->second);
}

bool SectionView::getBool(std::string_view key, bool fallback) const {
    auto it = keys_.find(key);
    if (it == keys_.end()) return fallback;
    if (it->second == "on" || it->second == "true") return true;
    if (it->second == "off" || it->second == "false") return false;
    return fallback;
}

bool ConfigStore::load(const ArchiveIndex& index) {
    clear();
    TextLines list;
    if (!list.load(index, "config", "config.txt")) return true;
    TextLines file;
    for (int i = 0; i < list.count(); ++i) {
        // A list line that names no readable member contributes nothing.
        if (file.load(index, "config", list.view(i))) parseLines(groups_, file);
    }
    return true;
}

void ConfigStore::parse(std::string_view text) {
    TextLines lines;
    if (lines.assign(text)) parseLines(groups_, lines);
}

bool ConfigStore::select(SectionView& view, std::string_view group,
                         std::string_view section) const {
    view.clear();
    auto g = groups_.find(group);
    if (g == groups_.end()) return false;
    auto s = g->second.find(section);
    if (s == g->second.end()) return false;
    view.keys_ = s->second;
    return true;
}

} // namespace velmira
