// Parses the input as a configuration file and queries every key it defined.
#include <cstdint>
#include <string_view>

#include "resource/config.h"
#include "resource/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmira::ConfigStore store;
    store.parse(std::string_view(reinterpret_cast<const char*>(data), size));
    velmira::SectionView view;
    for (const auto& [group, sections] : store.groups()) {
        for (const auto& [section, keys] : sections) {
            if (!store.select(view, group, section)) __builtin_trap();
            for (const auto& [key, value] : view.keys()) {
                view.getString(key, "");
                view.getInt(key, 0);
                view.getBool(key, false);
            }
        }
    }
    velmira::EngineSettings settings;
    settings.read(store, true);
    return 0;
}
