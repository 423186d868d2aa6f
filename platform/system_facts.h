// What the engine asks of the machine it runs on, besides the capabilities of a backend.
#pragma once

#include <string>

namespace velmira::platform {

struct SystemFacts {
    // The processor offers the MMX instructions (the engine's fast cross-fade formula may
    // be chosen only then; every x86-64 processor has them).
    bool hasMmx = false;
    // The processor's own name as it reports it; empty when it tells none.
    std::string processorName;
};

// The facts of this machine.
SystemFacts hostSystemFacts();

// The folder of the running executable, ending in "/"; "./" when it cannot be found.
std::string executableFolder();

} // namespace velmira::platform
