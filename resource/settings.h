// Engine settings read from the group "System" of the configuration store.
#pragma once

#include <cstdint>
#include <string>

namespace velmira {

class ConfigStore;

inline constexpr char kEngineName[] = "\x8d\xeb\x8f\x4d\x20\x94\xc4\x8e\xae\x83\xc0"; // 鷺舟 汎式β
inline constexpr char kEngineVersion[] = "1.03";

struct EngineSettings {
    // Shift-JIS strings.
    std::string title = "???";
    std::string vendor = "???";
    std::string version = "???";
    std::string date = "???";
    int32_t screenWidth = 640;
    int32_t screenHeight = 480;
    std::string productId;
    bool enableMmx = false;
    std::string splashImage;

    // Overwrites every field from the store (defaults for what is missing). EnableMMX is
    // read only when the processor has MMX (hasMmx, a fact the platform reports).
    void read(const ConfigStore& store, bool hasMmx);
};

} // namespace velmira
