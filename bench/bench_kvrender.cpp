// Rendering the viewer's back buffer: a full viewport render (what every zoom change costs)
// against QPainter::drawImage of the same visible part, and a 10-pixel scroll against the full
// render. Compare the figures of one run; the machine's speed cancels out of the ratios.
#include "kvbackbuffer.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int kImageWidth = 6000; // 24 megapixels
constexpr int kImageHeight = 4000;
constexpr int kViewportWidth = 1920;
constexpr int kViewportHeight = 1080;

const QImage& sourceImage()
{
    static const QImage image = [] {
        QImage result(kImageWidth, kImageHeight, QImage::Format_RGB32);
        for (int y = 0; y < kImageHeight; ++y) {
            auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
            for (int x = 0; x < kImageWidth; ++x)
                line[x] = qRgb(x & 0xff, y & 0xff, (x ^ y) & 0xff);
        }
        return result;
    }();
    return image;
}

// The visible part at a zoom: the viewport (at most the zoomed image) centred in the contents.
struct View
{
    double zoom = 1.0;
    KVZoomedImage source;
    QRect contents;
};

View viewAt(const benchmark::State& state)
{
    View view;
    view.zoom = state.range(0) / 100.0;
    view.source.image = &sourceImage();
    view.source.contentsWidth = qRound(kImageWidth * view.zoom);
    view.source.contentsHeight = qRound(kImageHeight * view.zoom);
    const int w = std::min(kViewportWidth, view.source.contentsWidth);
    const int h = std::min(kViewportHeight, view.source.contentsHeight);
    view.contents = QRect((view.source.contentsWidth - w) / 2,
                          (view.source.contentsHeight - h) / 2, w, h);
    return view;
}

void BM_FullRender(benchmark::State& state)
{
    const View view = viewAt(state);
    QImage buffer(view.contents.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        kvRenderZoomed(view.source, view.contents.x(), view.contents.y(), view.contents.width(),
                       view.contents.height(), &buffer, 0, 0);
        benchmark::DoNotOptimize(buffer.constBits());
        benchmark::ClobberMemory();
    }
}

void BM_QtDrawImage(benchmark::State& state)
{
    const View view = viewAt(state);
    QImage buffer(view.contents.size(), QImage::Format_RGB32);
    const QRectF target(QPointF(0, 0), QSizeF(view.contents.size()));
    const QRectF source(view.contents.x() / view.zoom, view.contents.y() / view.zoom,
                        view.contents.width() / view.zoom, view.contents.height() / view.zoom);
    QPainter painter(&buffer);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (auto _ : state) {
        painter.drawImage(target, sourceImage(), source);
        benchmark::DoNotOptimize(buffer.constBits());
        benchmark::ClobberMemory();
    }
}

// range(1): the scroll step in x, range(2) in y; every iteration scrolls once, back and forth.
void BM_Scroll(benchmark::State& state)
{
    const View view = viewAt(state);
    const int dx = int(state.range(1));
    const int dy = int(state.range(2));
    KVBackBuffer buffer;
    const QRect& c = view.contents;
    buffer.update(view.source, c.x(), c.y(), c.width(), c.height());
    int sign = 1;
    for (auto _ : state) {
        const QPoint to = buffer.offset() + QPoint(sign * dx, sign * dy);
        buffer.update(view.source, to.x(), to.y(), c.width(), c.height());
        sign = -sign;
        benchmark::ClobberMemory();
    }
}

void zoomArguments(benchmark::internal::Benchmark* b)
{
    for (const int percent : {10, 50, 100, 400, 1600})
        b->Arg(percent);
}

void scrollArguments(benchmark::internal::Benchmark* b)
{
    for (const int percent : {10, 50, 100, 400, 1600}) {
        b->Args({percent, 10, 0});
        b->Args({percent, 0, 10});
        b->Args({percent, 10, 10});
    }
}

} // namespace

BENCHMARK(BM_FullRender)->Apply(zoomArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtDrawImage)->Apply(zoomArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scroll)->Apply(scrollArguments)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
