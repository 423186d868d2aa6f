#include "platform/system_facts.h"

#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include <cstring>

namespace velmira::platform {

SystemFacts hostSystemFacts() {
    SystemFacts facts;
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) facts.hasMmx = (edx & (1u << 23)) != 0;
    // The brand string: 48 bytes in leaves 0x80000002-4, padded with spaces and NULs.
    if (__get_cpuid_max(0x80000000u, nullptr) >= 0x80000004u) {
        char brand[49] = {};
        for (unsigned leaf = 0; leaf < 3; ++leaf) {
            unsigned r[4] = {};
            __get_cpuid(0x80000002u + leaf, &r[0], &r[1], &r[2], &r[3]);
            std::memcpy(brand + 16 * leaf, r, 16);
        }
        std::string name(brand);
        const size_t first = name.find_first_not_of(' ');
        const size_t last = name.find_last_not_of(' ');
        facts.processorName =
            first == std::string::npos ? "" : name.substr(first, last - first + 1);
    }
#endif
    return facts;
}

std::string executableFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    const std::string full(path, static_cast<size_t>(n));
    const size_t slash = full.rfind('/');
    return slash == std::string::npos ? "./" : full.substr(0, slash + 1);
}

} // namespace velmira::platform
