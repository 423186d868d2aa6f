// One cross-fade frame of an 800 x 600 Bgr24 screen (1.44 MB per buffer), both formulas,
// side by side with what any such loop must at least pay: reading two frames and writing
// one. The reference ORs the two inputs in the same 16-byte vectors the kernels use, so
// it is vectorised at any optimisation level and costs one instruction per vector: it
// measures the memory traffic, not the compiler (two memcpy calls would write twice and a
// plain byte loop is not vectorised at -O2). Counters: ns_per_frame and vs_reference, the
// ratio to the reference measured alongside. Both kernel sets run (the portable one is
// the baseline x86-64 build; AVX2 when the processor has it).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "graphics/blitter.h"
#include "graphics/transitions.h"

namespace velmira {
namespace {

constexpr size_t kBytes = size_t{800} * 600 * 3;

struct Frames {
    std::vector<uint8_t> front, scene, previous;
    Frames() : front(kBytes), scene(kBytes), previous(kBytes) {
        uint32_t seed = 12345;
        for (size_t i = 0; i < kBytes; ++i) {
            seed = seed * 1664525u + 1013904223u;
            scene[i] = uint8_t(seed >> 24);
            previous[i] = uint8_t((i * 7) >> 4);
        }
    }
};

Frames& frames() {
    static Frames f;
    return f;
}

using u16x8 = uint16_t __attribute__((vector_size(16)));

void referenceFrame(uint8_t* front, const uint8_t* scene, const uint8_t* previous) {
    for (size_t i = 0; i + sizeof(u16x8) <= kBytes; i += sizeof(u16x8)) {
        u16x8 s, p;
        std::memcpy(&s, scene + i, sizeof s);
        std::memcpy(&p, previous + i, sizeof p);
        s |= p;
        std::memcpy(front + i, &s, sizeof s);
    }
}

using Clock = std::chrono::steady_clock;

double nsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// Every iteration times one frame of the body and, when comparing, one of the reference
// right after it; the counters take the fastest frame of each, which a shared machine's
// load disturbs least. The reported time is the body's alone (a mean).
template <typename Body> void run(benchmark::State& state, Body body, bool compare = true) {
    if (!selectBlitKernels(state.range(0) ? BlitKernels::Avx2 : BlitKernels::Portable)) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    Frames& f = frames();
    int64_t n = 0;
    double bodyNs = 1e18, referenceNs = 1e18;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        body(f, int32_t(n++ & 255));
        benchmark::ClobberMemory();
        const double ns = nsSince(start);
        bodyNs = std::min(bodyNs, ns);
        state.SetIterationTime(ns * 1e-9);
        if (compare) {
            start = Clock::now();
            referenceFrame(f.front.data(), f.scene.data(), f.previous.data());
            benchmark::ClobberMemory();
            referenceNs = std::min(referenceNs, nsSince(start));
        }
    }
    state.counters["ns_per_frame"] = bodyNs;
    if (compare) state.counters["vs_reference"] = bodyNs / referenceNs;
    state.SetBytesProcessed(n * int64_t((compare ? 3 : 2) * kBytes));
}

void BM_Reference(benchmark::State& state) {
    run(state, [](Frames& f, int32_t) {
        referenceFrame(f.front.data(), f.scene.data(), f.previous.data());
    });
}
BENCHMARK(BM_Reference)->UseManualTime()->Arg(0)->Arg(1)->ArgName("avx2");

void BM_CrossFadePlain(benchmark::State& state) {
    run(state, [](Frames& f, int32_t level) {
        crossFadePlain(f.front.data(), f.scene.data(), f.previous.data(), kBytes, level);
    });
}
BENCHMARK(BM_CrossFadePlain)->UseManualTime()->Arg(0)->Arg(1)->ArgName("avx2");

void BM_CrossFadeMmx(benchmark::State& state) {
    run(state, [](Frames& f, int32_t level) {
        crossFadeMmx(f.front.data(), f.scene.data(), f.previous.data(), kBytes, level);
    });
}
BENCHMARK(BM_CrossFadeMmx)->UseManualTime()->Arg(0)->Arg(1)->ArgName("avx2");

void BM_Dim(benchmark::State& state) {
    // One frame read, one written: not comparable with the reference.
    run(
        state, [](Frames& f, int32_t) { dim(f.front.data(), f.scene.data(), kBytes, 127); }, false);
}
BENCHMARK(BM_Dim)->UseManualTime()->Arg(0)->Arg(1)->ArgName("avx2");

} // namespace
} // namespace velmira
