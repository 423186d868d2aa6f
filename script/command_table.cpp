#include "script/command_table.h"

#include "resource/config.h"
#include "resource/sjis.h"
#include "script/statement.h"

namespace velmira {

int CommandTable::find(std::string_view name) {
    for (size_t i = 0; i < kCommandNames.size(); ++i) {
        if (kCommandNames[i] == name) return static_cast<int>(i);
    }
    return -1;
}

bool CommandTable::bind(std::string_view name, Handler handler) {
    const int index = find(name);
    if (index < 0) return false;
    handlers_[static_cast<size_t>(index)] = std::move(handler);
    return true;
}

bool CommandTable::isBound(std::string_view name) const {
    const int index = find(name);
    return index >= 0 && static_cast<bool>(handlers_[static_cast<size_t>(index)]);
}

bool CommandTable::dispatch(std::string_view keyword, std::string_view argumentText) {
    arguments_.split(argumentText);
    const int index = find(keyword);
    if (index < 0) return false;
    const Handler& handler = handlers_[static_cast<size_t>(index)];
    if (!handler) return false; // known to the table, carried out by a later subsystem
    return handler(arguments_);
}

int32_t argumentNumber(std::string_view argument) {
    return parseDecimal(argument);
}

bool startsWithDigit(std::string_view argument) {
    return !argument.empty() && argument[0] >= '0' && argument[0] <= '9';
}

ImgItem classifyImgItem(std::string_view item, int32_t screenWidth, int32_t screenHeight) {
    ImgItem result;
    if (startsWithDigit(item)) {
        result.kind = ImgItem::Kind::Number;
        result.number = argumentNumber(item);
        return result;
    }
    if (sjis::startsWithIgnoringCase(item, "pos") && startsWithDigit(item.substr(3))) {
        result.kind = ImgItem::Kind::Position;
        const int32_t n = argumentNumber(item.substr(3));
        result.hasPosition = n >= 1 && n <= 5;
        if (result.hasPosition) {
            result.x = 133 * n;
            result.y = screenHeight;
        }
        return result;
    }
    if (item == "center" || item == "left" || item == "right") {
        result.kind = ImgItem::Kind::Position;
        result.y = screenHeight;
        if (item == "center")
            result.x = screenWidth / 2;
        else if (item == "left")
            result.x = screenWidth / 4;
        else
            result.x = screenWidth * 3 / 4;
        return result;
    }
    result.kind = ImgItem::Kind::Picture;
    const size_t hash = item.find('#');
    result.name = item.substr(0, hash);
    if (hash != std::string_view::npos) result.frame = argumentNumber(item.substr(hash + 1));
    return result;
}

} // namespace velmira
