// Headless runs: how many virtual seconds one wall second plays, for a few shapes of game.
// Each run is the real program's engine on the headless backend, closed by --max-ms.
//   cmake --preset bench && cmake --build --preset bench --target bench_headless &&
//   build/bench/bench/bench_headless
// The counter "virtual/wall" is the ratio (600 virtual seconds in under 2 wall seconds is
// a ratio above 300).
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/engine.h"
#include "platform/headless/headless_platform.h"
#include "resource/archive_writer.h"
#include "resource/trace.h"

namespace velmira {
namespace {

std::vector<uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

class BenchGame {
  public:
    explicit BenchGame(const std::string& startScript) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmira-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir_ = pattern + "/";
        std::filesystem::create_directories(dir_ + "data");
        const std::vector<ArchiveMember> members = {
            {"config\\config.txt", bytes("system.txt\r\n")},
            {"config\\system.txt", bytes("[System.Info]\r\nTitle=bench\r\n[.Setting]\r\n"
                                         "ScreenWidth=640\r\nScreenHeight=480\r\n"
                                         "[Define.Flag]\r\nL000=a\r\nL001=i\r\n")},
            {"script\\start.txt", bytes(startScript)},
        };
        if (!writeArchiveFile(dir_ + "data/system.dat", 1, members)) std::abort();
    }
    ~BenchGame() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    EnginePaths paths() const { return {dir_ + "data/", dir_ + "save/"}; }

  private:
    std::string dir_;
};

void play(benchmark::State& state, const std::string& startScript, uint32_t virtualMs) {
    BenchGame game(startScript);
    for (auto _ : state) {
        platform::HeadlessOptions options;
        options.maxMs = virtualMs;
        platform::HeadlessPlatform platform(std::move(options));
        Trace trace;
        Engine engine(platform, game.paths(), trace);
        engine.run();
        if (platform.clock().now() < virtualMs) state.SkipWithError("the run ended early");
    }
    state.counters["virtual/wall"] = benchmark::Counter(
        virtualMs / 1000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// A root script that ends at once: it starts again every turn.
void BM_RestartsItself(benchmark::State& state) {
    play(state, "?a = a + 1\r\n", 600000);
}
// A script that waits in a loop: each turn of the wait is a pump turn with the idle sleep
// (here the failing line's pump, as every waiting loop of the engine does it).
void BM_SitsAtAWait(benchmark::State& state) {
    play(state, "#wait\r\n.wait 1000\r\n.GOTO wait\r\n", 600000);
}
// A script that never waits and never ends: time passes only with the empty polls of its
// step loop (1 ms per 100), so this measures the step loop itself.
void BM_BusyScriptNeverWaits(benchmark::State& state) {
    play(state, "#top\r\n?i = i + 1\r\n?a = a + i\r\n.GOTO top\r\n", 60000);
}
BENCHMARK(BM_RestartsItself)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SitsAtAWait)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BusyScriptNeverWaits)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace velmira
