// Reading 24-megapixel TIFF files through our handler against the library's own read of
// the same files, and the quarter turn of a 24-megapixel image against a plain copy.
// The ratios are printed at the end of the run, of wall-clock and of CPU time, each from
// the fastest repetition of each benchmark (on a shared machine the minimum is the least
// disturbed figure, and CPU time does not count the waits for a core).

#include "testimagelibrary.h"
#include "zorimagefile.h"
#include "zortiffhandler.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

QString s_file8;
QString s_file16;

// Smooth gradients with some noise, like a photograph.
TestImageLibrary::Sample photoSample(int x, int y)
{
    static QRandomGenerator random(24);
    const quint32 noise = random.bounded(2048u);
    return {quint16((x * 65535 / kWidth + noise) & 0xffff),
            quint16((y * 65535 / kHeight + noise) & 0xffff),
            quint16(((x + y) * 20 + noise) & 0xffff), 0};
}

void readThroughHandler(benchmark::State& state, const QString& file)
{
    for (auto _ : state) {
        QImageReader reader(file, ZORTiffHandler::formatKey());
        QImage image = reader.read();
        if (image.isNull())
            state.SkipWithError("handler could not read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void readThroughLibrary(benchmark::State& state, const QString& file)
{
    const QByteArray name = QFile::encodeName(file);
    for (auto _ : state) {
        ImageInfo* info = AcquireImageInfo();
        ExceptionInfo* exception = AcquireExceptionInfo();
        CopyMagickString(info->filename, name.constData(), MaxTextExtent);
        Image* image = ReadImage(info, exception);
        if (!image)
            state.SkipWithError("library could not read the file");
        else
            DestroyImageList(image);
        DestroyExceptionInfo(exception);
        DestroyImageInfo(info);
    }
}

void BM_Tiff8Handler(benchmark::State& state)
{
    readThroughHandler(state, s_file8);
}
void BM_Tiff8Library(benchmark::State& state)
{
    readThroughLibrary(state, s_file8);
}
void BM_Tiff16Handler(benchmark::State& state)
{
    readThroughHandler(state, s_file16);
}
void BM_Tiff16Library(benchmark::State& state)
{
    readThroughLibrary(state, s_file16);
}

QImage photo32()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            line[x] = qRgb(x & 0xff, y & 0xff, (x ^ y) & 0xff);
    }
    return image;
}

void BM_Rotate32(benchmark::State& state)
{
    const QImage image = photo32();
    for (auto _ : state) {
        QImage rotated = ZORImageFile::rotateImage90ccw(image);
        benchmark::DoNotOptimize(rotated.constBits());
    }
}

void BM_Copy32(benchmark::State& state)
{
    const QImage image = photo32();
    for (auto _ : state) {
        QImage copied = image.copy();
        benchmark::DoNotOptimize(copied.constBits());
    }
}

void BM_Rotate8(benchmark::State& state)
{
    const QImage image = photo32().convertToFormat(QImage::Format_Grayscale8);
    for (auto _ : state) {
        QImage rotated = ZORImageFile::rotateImage90ccw(image);
        benchmark::DoNotOptimize(rotated.constBits());
    }
}

void BM_Copy8(benchmark::State& state)
{
    const QImage image = photo32().convertToFormat(QImage::Format_Grayscale8);
    for (auto _ : state) {
        QImage copied = image.copy();
        benchmark::DoNotOptimize(copied.constBits());
    }
}

BENCHMARK(BM_Tiff8Handler)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Tiff8Library)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Tiff16Handler)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Tiff16Library)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Rotate32)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_Copy32)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_Rotate8)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_Copy8)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

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
            const std::string name = run.run_name.function_name;
            const Times times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            auto found = m_ms.find(name);
            if (found == m_ms.end()) {
                m_ms.emplace(name, times);
            } else {
                found->second.real = std::min(found->second.real, times.real);
                found->second.cpu = std::min(found->second.cpu, times.cpu);
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        ratio("8-bit TIFF, handler / library read", "BM_Tiff8Handler", "BM_Tiff8Library");
        ratio("16-bit TIFF, handler / library read", "BM_Tiff16Handler", "BM_Tiff16Library");
        ratio("32-bit quarter turn / copy", "BM_Rotate32", "BM_Copy32");
        ratio("8-bit quarter turn / copy", "BM_Rotate8", "BM_Copy8");
    }

private:
    void ratio(const char* what, const std::string& a, const std::string& b)
    {
        if (m_ms.count(a) == 0 || m_ms.count(b) == 0)
            return;
        const Times x = m_ms.at(a);
        const Times y = m_ms.at(b);
        std::printf("%-38s real %.2f (%.0f / %.0f ms), CPU %.2f (%.0f / %.0f ms)\n", what,
                    x.real / y.real, x.real, y.real, x.cpu / y.cpu, x.cpu, y.cpu);
    }

    struct Times
    {
        double real = 0;
        double cpu = 0;
    };
    std::map<std::string, Times> m_ms;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    TestImageLibrary::start();

    QTemporaryDir directory;
    s_file8 = directory.filePath(QStringLiteral("photo8.tif"));
    s_file16 = directory.filePath(QStringLiteral("photo16.tif"));
    std::printf("Writing two %d x %d TIFF files...\n", kWidth, kHeight);
    if (!TestImageLibrary::writeTiff(s_file8, kWidth, kHeight, 8, TestImageLibrary::Kind::Rgb,
                                     photoSample)
        || !TestImageLibrary::writeTiff(s_file16, kWidth, kHeight, 16, TestImageLibrary::Kind::Rgb,
                                        photoSample)) {
        std::fprintf(stderr, "could not write the test files\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    TestImageLibrary::stop();
    return 0;
}
