// The anaglyph composition of a 24-megapixel 32-bit pair, as an arrow key in the anaglyph
// costs it (setDeltaX(n, true) on a shown viewer), and the composition function alone on one
// thread and on all cores, next to a plain pass over the same bytes (read both inputs, write
// the output), which is the limit the memory sets. The ratios to that pass are printed at the
// end, each from the fastest repetition.

#include "kvstereoviewer.h"

#include <QApplication>
#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr double kMegapixels = kWidth * double(kHeight) / 1e6;

// Gradients with noise, like a photograph; the right one a little shifted.
QImage photo(int shift)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QRandomGenerator random(quint32(7 + shift));
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int noise = int(random.bounded(32u));
            line[x] = qRgb(((x + shift) * 255 / kWidth + noise) & 0xff,
                           (y * 255 / kHeight + noise) & 0xff, ((x + y) / 40 + noise) & 0xff);
        }
    }
    return image;
}

const QImage& leftPhoto()
{
    static const QImage image = photo(0);
    return image;
}

const QImage& rightPhoto()
{
    static const QImage image = photo(25);
    return image;
}

void countPixels(benchmark::State& state)
{
    state.counters["MP/s"] = benchmark::Counter(kMegapixels * double(state.iterations()),
                                                benchmark::Counter::kIsRate);
}

void plainRows(const QImage& left, const QImage& right, QImage* out, int y0, int y1)
{
    for (int y = y0; y < y1; ++y) {
        const auto* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        auto* o = reinterpret_cast<QRgb*>(out->scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            o[x] = l[x] | r[x];
    }
}

// range(0): threads.
void BM_PlainPass(benchmark::State& state)
{
    const int threads = int(state.range(0));
    QImage out(kWidth, kHeight, QImage::Format_RGB32);
    out.fill(0);
    for (auto _ : state) {
        std::vector<std::thread> helpers;
        for (int i = 1; i < threads; ++i)
            helpers.emplace_back(plainRows, std::cref(leftPhoto()), std::cref(rightPhoto()), &out,
                                 kHeight * i / threads, kHeight * (i + 1) / threads);
        plainRows(leftPhoto(), rightPhoto(), &out, 0, kHeight / threads);
        for (std::thread& t : helpers)
            t.join();
        benchmark::DoNotOptimize(out.constBits());
        benchmark::ClobberMemory();
    }
    countPixels(state);
}

// range(0): threads, 0 for the choice the viewer makes.
void BM_ComposeFunction(benchmark::State& state)
{
    QImage out(kWidth, kHeight, QImage::Format_RGB32);
    out.fill(0);
    int dx = 0;
    for (auto _ : state) {
        dx = dx == 3 ? 4 : 3;
        kvComposeAnaglyph(leftPhoto(), rightPhoto(), QColor(0xb8, 0, 0), QColor(0, 0xb8, 0xff), dx,
                          2, &out, int(state.range(0)));
        benchmark::DoNotOptimize(out.constBits());
        benchmark::ClobberMemory();
    }
    countPixels(state);
}

// What the buffer reuse saves: the same composition into a fresh image each time.
void BM_ComposeFreshImage(benchmark::State& state)
{
    int dx = 0;
    for (auto _ : state) {
        dx = dx == 3 ? 4 : 3;
        QImage out(kWidth, kHeight, QImage::Format_RGB32);
        kvComposeAnaglyph(leftPhoto(), rightPhoto(), QColor(0xb8, 0, 0), QColor(0, 0xb8, 0xff), dx,
                          2, &out);
        benchmark::DoNotOptimize(out.constBits());
        benchmark::ClobberMemory();
    }
    countPixels(state);
}

// The arrow key's path through the viewer: recomposition, hand-over to the viewer core, the
// cursor position report.
void BM_SetDeltaX(benchmark::State& state)
{
    KVStereoViewer viewer(leftPhoto(), rightPhoto());
    viewer.resize(1280, 800);
    viewer.show();
    QApplication::processEvents();
    int dx = 0;
    for (auto _ : state) {
        dx = dx == 3 ? 4 : 3;
        viewer.setDeltaX(dx, true);
        benchmark::DoNotOptimize(viewer.image().constBits());
    }
    countPixels(state);
}

BENCHMARK(BM_PlainPass)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComposeFunction)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComposeFreshImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetDeltaX)->Unit(benchmark::kMillisecond)->UseRealTime();

// Console output as usual, plus the ratios of the pairs measured in this run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const std::string name = run.benchmark_name();
            const double ms = run.GetAdjustedRealTime();
            auto found = m_ms.find(name);
            if (found == m_ms.end())
                m_ms.emplace(name, ms);
            else
                found->second = std::min(found->second, ms);
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const char* plain1 = "BM_PlainPass/1/real_time";
        const char* plain2 = "BM_PlainPass/2/real_time";
        ratio("setDeltaX(n, true) / plain pass, 1 thread", "BM_SetDeltaX/real_time", plain1);
        ratio("setDeltaX(n, true) / plain pass, 2 threads", "BM_SetDeltaX/real_time", plain2);
        ratio("composition, 1 thread / plain pass, 1 thread", "BM_ComposeFunction/1/real_time",
              plain1);
        ratio("composition, all cores / plain pass, 2 threads", "BM_ComposeFunction/0/real_time",
              plain2);
        ratio("composition into a fresh image / plain pass, 1 thread",
              "BM_ComposeFreshImage/real_time", plain1);
    }

private:
    void ratio(const char* what, const std::string& a, const std::string& b)
    {
        if (m_ms.count(a) == 0 || m_ms.count(b) == 0)
            return;
        const double x = m_ms.at(a);
        const double y = m_ms.at(b);
        std::printf("%-56s %.2f (%.1f ms, %.0f MP/s / %.1f ms, %.0f MP/s)\n", what, x / y, x,
                    kMegapixels / x * 1e3, y, kMegapixels / y * 1e3);
    }

    std::map<std::string, double> m_ms;
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::printf("Making a %d x %d pair...\n", kWidth, kHeight);
    leftPhoto();
    rightPhoto();

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
