// Cost of painting a colour button once (a new look at every start, stop and entry) and of a
// repeated unchanged look (the render after every command). Runs on any Qt platform; set
// QT_QPA_PLATFORM=offscreen without a display.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cstdio>

#include "ui/TLbSpeedButton.h"

namespace {

const ButtonLook Stop{"STOP", 0xFF0000, 0xFFFFFF, 0xFF8000, 0xC00000, 0xFFC0C0, 0x000000, true};

void PaintColourButton(benchmark::State& state) {
    QWidget parent;
    TLbSpeedButton* button = NewColourButton(&parent);
    button->resize(132, 44);
    button->SetLook(Stop);
    QImage image(button->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        button->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PaintColourButton)->Unit(benchmark::kMicrosecond);

void SetUnchangedLook(benchmark::State& state) {
    QWidget parent;
    TLbSpeedButton* button = NewColourButton(&parent);
    button->SetLook(Stop);
    const ButtonLook same = Stop;
    for (auto _ : state) {
        button->SetLook(same);
    }
}
BENCHMARK(SetUnchangedLook)->Unit(benchmark::kNanosecond);

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.benchmark_name() == "PaintColourButton") {
                paintUs = run.GetAdjustedRealTime();
            }
        }
    }
    double paintUs = -1;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("colour button paint 132x44: %.1f us\n", reporter.paintUs);
    return 0;
}
