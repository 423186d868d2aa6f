// Parses the input as a layer definition for a few frames and runs its program on a small
// scene at several clock values: no key, section, operand or number may read or write
// outside the layer, the variables or the surfaces.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/layers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmira;
    static OwnedSurface scene;
    static OwnedSurface slotPicture;
    if (scene.empty()) {
        scene.create(PixelFormat::Bgr24, 16, 12);
        slotPicture.create(PixelFormat::Abgr32, 5, 3);
    }
    Layer layer;
    layer.definition.assign(std::string_view(reinterpret_cast<const char*>(data), size));
    layer.x = 4;
    layer.y = -2;
    for (LayerSlot& slot : layer.slots)
        slot.picture.assign(slotPicture);
    AnimationVariables variables{};
    for (const int32_t frame : {0, 1, 2, -1}) {
        parseLayerDefinition(layer, frame, 1000, {16, 12});
        if (layer.frame != frame) __builtin_trap();
        for (const double t : {0.0, 1.0, 1500.0, 4294967295.0}) {
            variables.fill(0);
            runProgram(layer, variables, t, scene);
        }
    }
    return 0;
}
