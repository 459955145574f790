// Timing error of the light barrier with a busy user interface; see TimingMeasure.h.
#include <cstdio>

#include "TimingMeasure.h"

namespace {

TimingFigures Result;

void BM_TimingAccuracy(benchmark::State& state) {
    Result = MeasureTimingErrors(state);  // iterates the state itself
}
BENCHMARK(BM_TimingAccuracy)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("timing error p99: edge %.3f ms, handling %.3f ms\n", Result.EdgeP99,
                Result.HandlingP99);
    return 0;
}
