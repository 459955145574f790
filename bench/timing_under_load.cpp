// Timing error of the light barrier with a busy user interface while two other processes keep
// both cores busy; see TimingMeasure.h.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "TimingMeasure.h"

namespace {

TimingFigures Result;

void BM_TimingUnderLoad(benchmark::State& state) {
    Result = MeasureTimingErrors(state);  // iterates the state itself
}
BENCHMARK(BM_TimingUnderLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Started before any thread exists; each spins until it is killed.
    std::vector<pid_t> spinners;
    for (int i = 0; i < 2; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the benchmark, even if it aborts
            volatile unsigned long spins = 0;
            for (;;) {
                spins = spins + 1;
            }
        }
        spinners.push_back(child);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const pid_t child : spinners) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    std::printf("timing error p99 under load: edge %.3f ms, handling %.3f ms\n", Result.EdgeP99,
                Result.HandlingP99);
    return 0;
}
