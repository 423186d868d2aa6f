// Script stepping and expression evaluation.
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMIRA_BENCH=ON
//   -DVELMIRA_TESTS=OFF cmake --build build/bench --target bench_script &&
//   build/bench/bench/bench_script
//
// Lines stepped per second run the real step loop over a script of assignments, IF and
// GOTO, with the message pump of the headless backend polled once per line as the
// engine does (nothing waits in its queue), and with a pump that does nothing, so the
// difference is the cost of the pump.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/headless/headless_platform.h"
#include "resource/archive.h"
#include "resource/config.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "resource/trace.h"
#include "script/expression.h"
#include "script/flag_store.h"
#include "script/script_runner.h"

namespace velmira {
namespace {

class BenchHost final : public ScriptHost {
  public:
    explicit BenchHost(bool pollPlatform) : pollPlatform_(pollPlatform) {}
    bool pumpMessages() override {
        ++pumps;
        if (pollPlatform_) {
            platform::Event event;
            while (platform_.events().poll(event)) {
                if (event.type == platform::EventType::Quit) return false;
            }
        }
        return true;
    }
    bool pumpAndPollInput(InputContext, IdleSleep) override { return true; }
    void idle() override {}
    bool quitSeen() const override { return false; }
    void requestClose() override {}
    void refreshTitle() override {}
    platform::Clock& clock() override { return platform_.clock(); }

    uint64_t pumps = 0;

  private:
    bool pollPlatform_;
    platform::HeadlessPlatform platform_;
};

class ScriptFolder {
  public:
    ScriptFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmira-bench-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern + "/" : std::string();
        std::filesystem::create_directories(path_ + "data/script");
    }
    ~ScriptFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(path_ + "data/script/" + name, std::ios::binary) << text;
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

constexpr char kFlagNames[] = "[Define.Flag]\r\nL000=i\r\nL001=a\r\nL002=b\r\nL003=c\r\n";

// A loop of six lines (label, three assignments, IF, GOTO) run 'loops' times.
std::string loopScript(int loops) {
    return "?i = 0\r\n"
           "#top\r\n"
           "?i = i + 1\r\n"
           "?a = a + i\r\n"
           "?b = b - a * 2\r\n"
           ".IF i<" +
           std::to_string(loops) +
           "\r\n"
           ".GOTO top\r\n";
}

// A long straight script: blocks of assignments, comments and forward jumps.
std::string straightScript(int blocks) {
    std::string text;
    for (int k = 0; k < blocks; ++k) {
        const std::string n = std::to_string(k);
        text += "?a = a + " + n + "\r\n; block " + n + "\r\n?c = !(a-b)\r\n.GOTO #b" + n +
                "\r\n?never = 1\r\n#b" + n + "\r\n";
    }
    return text;
}

void stepLines(benchmark::State& state, const std::string& script, bool pollPlatform) {
    ScriptFolder folder;
    folder.write("start.txt", script);
    Trace trace;
    ArchiveIndex archives(folder.path() + "data/", trace);
    SaveFolder saves(folder.path() + "save/");
    UserPreferences preferences;
    BenchHost host(pollPlatform);
    ScriptRunner runner(host, archives, trace, saves, preferences);
    ConfigStore config;
    config.parse(kFlagNames);
    runner.flags().load(config);

    uint64_t lines = 0;
    for (auto _ : state) {
        host.pumps = 0;
        runner.run();
        lines += host.pumps - 1; // one pump per line, plus the one that finds the end
    }
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}

void BM_StepLoop_HeadlessPump(benchmark::State& state) {
    stepLines(state, loopScript(100000), true);
}
void BM_StepLoop_NoPump(benchmark::State& state) {
    stepLines(state, loopScript(100000), false);
}
void BM_StepStraight_HeadlessPump(benchmark::State& state) {
    stepLines(state, straightScript(20000), true);
}
BENCHMARK(BM_StepLoop_HeadlessPump)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepLoop_NoPump)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepStraight_HeadlessPump)->Unit(benchmark::kMillisecond);

void evaluate(benchmark::State& state, const char* expression) {
    Trace trace;
    SaveFolder saves("/nonexistent/");
    FlagStore flags(trace, saves);
    ConfigStore config;
    config.parse(kFlagNames);
    flags.load(config);
    flags.assign("a", 7);
    flags.assign("b", 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(flags.evaluate(expression));
    state.counters["expressions/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EvaluateNumbers(benchmark::State& state) {
    evaluate(state, "1+2*3");
}
void BM_EvaluateVariables(benchmark::State& state) {
    evaluate(state, "a<b");
}
void BM_EvaluateCondition(benchmark::State& state) {
    evaluate(state, "!(a-b)&(a+b*2)/3>c");
}
BENCHMARK(BM_EvaluateNumbers);
BENCHMARK(BM_EvaluateVariables);
BENCHMARK(BM_EvaluateCondition);

} // namespace
} // namespace velmira
