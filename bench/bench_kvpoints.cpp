// The point tools and the overlay preview under load:
// - a mouse move in PointMeasureMode with point editing on among 100,000 points (the grid
//   picks the point under the mouse) against the same move picking by a linear scan;
// - a drag step of one of those points;
// - the blend of two 500 x 400 previews, alone and as one whole drag step of the overlay
//   viewer (blend, hand-over to the viewer, repaint).
// Compare the figures of one run; the ratios are printed at the end.
#include "kvoverlayviewer.h"
#include "kvximgviewer.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kPointCount = 100000;
constexpr int kImageWidth = 4000;
constexpr int kImageHeight = 3000;

// Picks the point under the mouse the way the grid does, but by looking at every point.
class LinearScanViewer : public KVXImgViewer
{
protected:
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (mode() != PointMeasureMode) {
            KVXImgViewer::mouseMoveEvent(e);
            return;
        }
        const QPointF at = imagePoint(e->position().toPoint());
        const double distance = 5.0 / zoomFactor();
        const GPoint2DVector& list = points();
        int best = -1;
        double bestSquared = 0;
        for (size_t i = 0; i < list.size(); ++i) {
            const double dx = list[i](0) - at.x();
            const double dy = list[i](1) - at.y();
            if (!(std::fabs(dx) < distance && std::fabs(dy) < distance))
                continue;
            const double squared = dx * dx + dy * dy;
            if (best < 0 || squared < bestSquared) {
                best = int(i);
                bestSquared = squared;
            }
        }
        highlightPoint(best);
    }
};

void fillWithPoints(KVXImgViewer* viewer)
{
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> x(0, kImageWidth);
    std::uniform_real_distribution<double> y(0, kImageHeight);
    for (int i = 0; i < kPointCount; ++i)
        viewer->addPoint(GPoint2D(x(random), y(random)));
}

template<typename Viewer>
std::unique_ptr<Viewer> pointViewer()
{
    auto viewer = std::make_unique<Viewer>();
    QImage image(kImageWidth, kImageHeight, QImage::Format_RGB32);
    image.fill(qRgb(90, 120, 60));
    viewer->resize(800, 600);
    viewer->setImage(image, true);
    fillWithPoints(viewer.get());
    viewer->show();
    viewer->enablePointEditing(true);
    viewer->setPointMeasureMode();
    viewer->setContentsPos(1000, 1000);
    QApplication::processEvents();
    return viewer;
}

void sendMove(QWidget* target, const QPoint& pos, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(target->mapToGlobal(pos)),
                     Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
}

// Viewport positions on points and between them, so that the highlight keeps changing.
std::vector<QPoint> probePositions(const KVXImgViewer& viewer)
{
    std::vector<QPoint> positions;
    const GPoint2DVector& list = viewer.points();
    for (size_t i = 0; positions.size() < 512 && i < list.size(); ++i) {
        const QPoint p(qRound(list[i](0)) - viewer.contentsX(),
                       qRound(list[i](1)) - viewer.contentsY());
        if (p.x() < 0 || p.y() < 0 || p.x() >= 800 - 20 || p.y() >= 600 - 20)
            continue;
        positions.push_back(p);
        positions.push_back(p + QPoint(7, 3));
    }
    return positions;
}

template<typename Viewer>
void pickingMove(benchmark::State& state)
{
    const auto viewer = pointViewer<Viewer>();
    const std::vector<QPoint> positions = probePositions(*viewer);
    size_t n = 0;
    for (auto _ : state) {
        sendMove(viewer->viewport(), positions[n++ % positions.size()]);
        // The repaints of the highlight: now and then, outside the measurement.
        if (n % 256 == 0) {
            state.PauseTiming();
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
}

void BM_PickingMoveGrid(benchmark::State& state)
{
    pickingMove<KVXImgViewer>(state);
}

void BM_PickingMoveLinear(benchmark::State& state)
{
    pickingMove<LinearScanViewer>(state);
}

// One step of a point drag among the 100,000: the point follows the mouse (and the grid is
// left to be rebuilt at the next pick).
void BM_PointDragStep(benchmark::State& state)
{
    const auto viewer = pointViewer<KVXImgViewer>();
    viewer->highlightPoint(0);
    // Start the drag as the double click on the highlighted point does.
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewer->viewport(), &dbl);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 10), QPointF(10, 10),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewer->viewport(), &release);
    if (viewer->mode() != KVImgViewer::PointDragMode) {
        state.SkipWithError("the drag did not start");
        return;
    }
    int n = 0;
    for (auto _ : state) {
        sendMove(viewer->viewport(), QPoint(100 + (n++ & 63), 200));
        if (n % 256 == 0) {
            state.PauseTiming();
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
}

QImage previewImage(int seed)
{
    QImage image(500, 400, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x * 3 + seed) & 0xff, (y * 5) & 0xff, (x ^ y) & 0xff);
    }
    return image;
}

void BM_OverlayBlend(benchmark::State& state)
{
    const QImage first = previewImage(0);
    const QImage second = previewImage(77);
    int n = 0;
    for (auto _ : state) {
        QImage blend = kvComposeOverlay(first, second, 7 + (n++ & 15), -3);
        benchmark::DoNotOptimize(blend.constBits());
    }
}

// A drag step as the offset dialog sees it: the mouse moves one pixel, the displacement
// changes, the blend is handed to the viewer and the viewport is repainted at once.
void BM_OverlayDragStep(benchmark::State& state)
{
    KVOverlayViewer viewer;
    viewer.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewer.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewer.resize(510, 400);
    viewer.show();
    viewer.setImages(previewImage(0), previewImage(77));
    QApplication::processEvents();
    QWidget* vp = viewer.viewport();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 200), QPointF(200, 200),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &press);
    int n = 0;
    for (auto _ : state) {
        sendMove(vp, QPoint(200 + (n++ & 1), 200), Qt::LeftButton);
        vp->repaint();
    }
}

BENCHMARK(BM_PickingMoveGrid)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PickingMoveLinear)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PointDragStep)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_OverlayBlend)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_OverlayDragStep)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Console output as usual, plus the ratio of the two picking moves of this run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_us[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto grid = m_us.find("BM_PickingMoveGrid");
        const auto linear = m_us.find("BM_PickingMoveLinear");
        if (grid != m_us.end() && linear != m_us.end())
            std::printf("picking move, linear scan / grid: %.1f (%.1f / %.1f us)\n",
                        linear->second / grid->second, linear->second, grid->second);
    }

private:
    std::map<std::string, double> m_us;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
