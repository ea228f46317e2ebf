#include "sequencer/Sequencer.h"

#include <benchmark/benchmark.h>

#include "tests/support/CountingAllocator.h"

// The tick runs in the audio callback, where it must not allocate: the benchmark counts.
namespace {

// 64 instruments with every step on, so that every tick that advances triggers all of them.
void fillSequencer(zaffo::Sequencer& sequencer, int32_t rand) {
    sequencer.sampleExists = [](const std::string&) { return true; };
    for (int i = 0; i < 64; ++i) {
        std::string name = "i";
        name += std::to_string(i);
        auto p = sequencer.getOrCreatePattern(name);
        p->steps.fill(zaffo::Step{true, i % 12});
        p->rand = rand;
    }
}

// Every tick advances a step: the worst case, where all 64 instruments trigger.
void BM_TickEveryStep(benchmark::State& state) {
    zaffo::Sequencer sequencer;
    fillSequencer(sequencer, static_cast<int32_t>(state.range(0)));
    zaffo::PeriodReport report;
    const long before = zaffo::testing::allocationCount();
    for (auto _ : state) {
        report.clear();
        sequencer.tick(24001, 96000, report);
        benchmark::DoNotOptimize(report.events().data());
    }
    state.counters["allocs/tick"] = benchmark::Counter(static_cast<double>(zaffo::testing::allocationCount() - before) /
                                                       static_cast<double>(state.iterations()));
}
BENCHMARK(BM_TickEveryStep)->Arg(0)->Arg(1)->ArgName("rand");

// The common case: a 512-frame period inside a step.
void BM_TickBetweenSteps(benchmark::State& state) {
    zaffo::Sequencer sequencer;
    fillSequencer(sequencer, 0);
    zaffo::PeriodReport report;
    for (auto _ : state) {
        report.clear();
        sequencer.tick(512, 96000, report);
    }
}
BENCHMARK(BM_TickBetweenSteps);

}  // namespace

BENCHMARK_MAIN();
