// Splits the input as a statement line, then runs it as a whole script ("start.txt")
// through the real step loop with a bounded number of pumps, so jumps, blocks, choices,
// calls and assignments meet arbitrary text.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "resource/archive.h"
#include "resource/config.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "resource/trace.h"
#include "script/script_runner.h"
#include "script/statement.h"

namespace {

class BudgetHost final : public velmira::ScriptHost {
  public:
    bool pumpMessages() override { return --budget > 0; }
    bool pumpAndPollInput(velmira::InputContext, velmira::IdleSleep) override {
        return --budget > 0;
    }
    void idle() override { --budget; }
    bool quitSeen() const override { return budget <= 0; }
    void requestClose() override {}
    void refreshTitle() override {}
    velmira::platform::Clock& clock() override { return clock_; }
    int budget = 0;

  private:
    class NullClock final : public velmira::platform::Clock {
        uint32_t now() override { return 0; }
        void sleep(uint32_t) override {}
    } clock_;
};

class CountingChooser final : public velmira::Chooser {
  public:
    bool begin(std::string_view) override {
        count_ = 0;
        return true;
    }
    bool add(int number, std::string_view) override {
        count_ = number;
        return true;
    }
    int run() override { return count_; } // the last choice
  private:
    int count_ = 0;
};

void checkSplit(std::string_view text) {
    const velmira::Statement s = velmira::splitStatement(text);
    const auto inside = [&](std::string_view part) {
        return part.empty() || (part.data() >= text.data() &&
                                part.data() + part.size() <= text.data() + text.size());
    };
    if (!inside(s.keyword) || !inside(s.arguments)) std::abort();
    if (s.keyword.size() >= velmira::kKeywordBufferSize) std::abort();
    if (s.keyword.find_first_of(" \t(0123456789") != std::string_view::npos) std::abort();
    if (!s.arguments.empty() && (s.arguments[0] == ' ' || s.arguments[0] == '\t')) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmira-fuzz-XXXXXX").string();
        const std::string path = ::mkdtemp(pattern.data()) ? pattern + "/" : std::string("./");
        std::filesystem::create_directories(path + "data/script");
        return path;
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkSplit(text);

    std::ofstream(folder + "data/script/start.txt", std::ios::binary | std::ios::trunc) << text;
    static velmira::Trace trace;
    static velmira::ArchiveIndex archives(folder + "data/", trace);
    static velmira::SaveFolder saves(folder + "save/");
    static velmira::UserPreferences preferences;
    static BudgetHost host;
    static CountingChooser chooser;
    static velmira::ScriptRunner* runner = [] {
        auto* r = new velmira::ScriptRunner(host, archives, trace, saves, preferences);
        velmira::ConfigStore config;
        config.parse("[Define.Flag]\r\nL000=a\r\nL001=b\r\nL002=c\r\n");
        r->flags().load(config);
        r->setChooser(chooser);
        return r;
    }();
    host.budget = 2000;
    runner->requestRestart();
    runner->run();
    return 0;
}
