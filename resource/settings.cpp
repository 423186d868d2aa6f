#include "resource/settings.h"

#include "resource/config.h"

namespace velmira {

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
