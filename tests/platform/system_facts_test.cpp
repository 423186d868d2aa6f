#include "platform/system_facts.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmira::platform {
namespace {

TEST(SystemFacts, ProcessorAndExecutable) {
    const SystemFacts facts = hostSystemFacts();
#if defined(__x86_64__)
    EXPECT_TRUE(facts.hasMmx); // every x86-64 processor has it
#elif !defined(__i386__)
    EXPECT_FALSE(facts.hasMmx);
#endif
    // The brand string without its padding.
    EXPECT_EQ(facts.processorName.find('\0'), std::string::npos);
    if (!facts.processorName.empty()) {
        EXPECT_NE(facts.processorName.front(), ' ');
        EXPECT_NE(facts.processorName.back(), ' ');
    }

    const std::string folder = executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + "velmira_test_platform"));
}

} // namespace
} // namespace velmira::platform
