#include "resource/settings.h"

#include "resource/config.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace velmira {

bool processorHasMmx() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx & (1u << 23)) != 0;
#else
    return false;
#endif
}

void EngineSettings::read(const ConfigStore& store) {
    read(store, processorHasMmx());
}

void EngineSettings::read(const ConfigStore& store, bool hasMmx) {
    constexpr char kUnknown[] = "???";
    SectionView view;
    store.select(view, "System", "Info");
    title = view.getString("Title", kUnknown);
    vendor = view.getString("Vendor", kUnknown);
    version = view.getString("Version", kUnknown);
    date = view.getString("Date", kUnknown);

    store.select(view, "System", "Setting");
    screenWidth = view.getInt("ScreenWidth", 640);
    screenHeight = view.getInt("ScreenHeight", 480);
    productId = view.getString("ProductID", "");

    store.select(view, "System", "Option");
    enableMmx = hasMmx ? view.getBool("EnableMMX", false) : false;
    splashImage = view.getString("SplashImage", "");
    view.clear();
}

} // namespace velmira
