#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Parse(benchmark::State& state, const char* line) {
    zaffo::Sequencer sequencer;
    sequencer.sampleExists = [](const std::string&) { return true; };
    zaffo::CommandParser parser(&sequencer, nullptr);
    for (auto _ : state) {
        zaffo::ParseResult result = parser.parse(line);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK_CAPTURE(BM_Parse, instrument, "kick 0.7 #-#5 -#-2 &4");
BENCHMARK_CAPTURE(BM_Parse, pattern, "hh #-##");
BENCHMARK_CAPTURE(BM_Parse, tempo, "bpm 160 5");
BENCHMARK_CAPTURE(BM_Parse, no_match, "kick #-#- 0.7 &4");

}  // namespace

BENCHMARK_MAIN();
