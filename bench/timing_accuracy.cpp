// Timing error of the light barrier with a busy user interface; see TimingMeasure.h.
#include "TimingMeasure.h"

int main(int argc, char** argv) {
    return RunTimingBenchmark(argc, argv, {{"BM_TimingAccuracy", "timing error p99", {}}});
}
