// Timing error of the light barrier with a busy user interface while two other processes keep
// both cores busy, also with a bouncing contact and a stalled user interface; see
// TimingMeasure.h.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "TimingMeasure.h"

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
    // A contact bouncing 8 times within 3 ms per crossing, and the user interface away for 5 s
    // during one run in 20.
    TimingLoad bounceAndStalls;
    bounceAndStalls.Runs = 200;
    bounceAndStalls.Bounces = 8;
    bounceAndStalls.StallEvery = 20;
    const int result = RunTimingBenchmark(
        argc, argv,
        {{"BM_TimingUnderLoad", "timing error p99 under load", {}},
         {"BM_TimingUnderLoadBounceAndStalls", "timing error p99 under load with bounce and stalls",
          bounceAndStalls}});
    for (const pid_t child : spinners) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return result;
}
