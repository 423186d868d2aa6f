// Parses the input as the text after "?" and carries the assignment out on a flag store
// with a few local names, checking the parts the parser hands on.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "resource/config.h"
#include "resource/save_folder.h"
#include "resource/trace.h"
#include "script/flag_store.h"
#include "script/statement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static velmira::Trace trace;
    static velmira::SaveFolder saves("/nonexistent-velmira-fuzz/");
    static velmira::FlagStore* flags = [] {
        auto* store = new velmira::FlagStore(trace, saves);
        velmira::ConfigStore config;
        config.parse("[Define.Flag]\r\nL000=a\r\nL001=b\r\nL002=\x95\xcf\x90\x94\r\n");
        store->load(config);
        return store;
    }();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    velmira::Assignment assignment;
    if (!velmira::parseAssignment(text, assignment)) return 0;
    if (assignment.name.size() >= velmira::kMaxAssignedNameSize) std::abort();
    if (assignment.name.find_first_of(" \t=") != std::string_view::npos) std::abort();
    if (!assignment.expression.empty() &&
        std::string_view(" \t=").find(assignment.expression.front()) != std::string_view::npos)
        std::abort();
    const auto inside = [&](std::string_view part) {
        return part.empty() || (part.data() >= text.data() &&
                                part.data() + part.size() <= text.data() + text.size());
    };
    if (!inside(assignment.name) || !inside(assignment.expression)) std::abort();
    const int32_t value = flags->evaluate(assignment.expression);
    if (flags->assign(assignment.name, value) && flags->lookup(assignment.name) != value)
        std::abort();
    return 0;
}
