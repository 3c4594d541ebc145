// One full field frame drawn from the sprite sheets into the back surface, against one
// plain 480 x 480 copy of a whole frame; the ratio of the two is printed at the end.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "media/dxdraw.h"
#include "media/dximagelist.h"
#include "platform/soft2d.h"

namespace {

using namespace prismcrate;

// A sheet of `patterns` 24 x 24 patterns; patterns with a transparent part have purple
// corners and a purple left quarter, like sprites on a transparent background.
DibImage makeSheet(int patterns, bool allTransparent) {
    DibImage image;
    image.width = patterns * 24;
    image.height = 24;
    image.bitCount = 24;
    image.pixels.resize(std::size_t(image.width) * 24);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int n = x / 24, px = x % 24;
            const bool opaque = !allTransparent && n >= 8 && n <= 10;
            const bool clear = !opaque && (px < 6 || (y < 4 && px > 20));
            image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)] =
                clear ? soft2d::rgbPixel(128, 0, 128) : soft2d::rgbPixel(n * 9, px * 10, y * 10);
        }
    }
    return image;
}

struct Field {
    Field() {
        form = std::make_unique<QWidget>();
        dxdraw = new TDXDraw(form.get());
        dxdraw->resize(480, 480);
        list = new TDXImageList(form.get());
        const int counts[] = {27, 11};
        for (int i = 0; i < 2; ++i) {
            TPictureCollectionItem& item = list->Items.Add();
            item.Picture.Assign(makeSheet(counts[i], i == 1));
            item.PatternWidth = 24;
            item.SetTransparentColor(clPurple);
        }
        list->SetDXDraw(dxdraw);
        dxdraw->Initialize();
        frame = std::make_unique<TDirectDrawSurface>(
            dxdraw->DDraw()->createSurface(480, 480, soft2d::Memory::Display));
    }
    std::unique_ptr<QWidget> form;
    TDXDraw* dxdraw = nullptr;
    TDXImageList* list = nullptr;
    std::unique_ptr<TDirectDrawSurface> frame;
};

Field& field() {
    static Field f;
    return f;
}

void FieldFrame(benchmark::State& state) {
    Field& f = field();
    TDirectDrawSurface& back = f.dxdraw->Surface();
    TPictureCollectionItem& tiles1 = f.list->Items[0];
    TPictureCollectionItem& tiles2 = f.list->Items[1];
    for (auto _ : state) {
        // As the field pass draws: rows outer, columns inner, the floor and then the object
        // of each cell.
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                tiles1.Draw(back, x * 24, y * 24, 8 + (x + y) % 2);
                tiles1.Draw(back, x * 24, y * 24, 10 + (x * 7 + y) % 17);
            }
        }
        tiles1.Draw(back, 240, 240, 2);
        for (int i = 0; i < 40; ++i) tiles2.Draw(back, (i % 20) * 24, (i / 20) * 24 + 96, i % 2);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(FieldFrame)->Repetitions(9)->ReportAggregatesOnly(true);

void PlainFrameCopy(benchmark::State& state) {
    Field& f = field();
    TDirectDrawSurface& back = f.dxdraw->Surface();
    for (auto _ : state) {
        back.BltFast(0, 0, *f.frame, {0, 0, 480, 480}, false);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainFrameCopy)->Repetitions(9)->ReportAggregatesOnly(true);

// Remembers the time per iteration of each benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // The median of the repetitions.
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            realTimes[run.run_name.function_name] = run.GetAdjustedRealTime();
            cpuTimes[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> realTimes;
    std::map<std::string, double> cpuTimes;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Processor time is the fairer measure on a busy machine; both are printed.
    for (auto* times : {&reporter.realTimes, &reporter.cpuTimes}) {
        const auto frame = times->find("FieldFrame");
        const auto copy = times->find("PlainFrameCopy");
        if (frame != times->end() && copy != times->end() && copy->second > 0)
            std::printf("field frame / plain copy (%s time): %.2f\n",
                        times == &reporter.realTimes ? "real" : "cpu",
                        frame->second / copy->second);
    }
    benchmark::Shutdown();
    return 0;
}
