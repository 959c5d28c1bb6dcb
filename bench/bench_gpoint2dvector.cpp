// Picking the point under the mouse: the bucket grid (pointsNear + nearestPoint) against a
// linear scan over every point, for point clouds over a 6000 x 4000 image.

#include "gpoint2dvector.h"

#include <benchmark/benchmark.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kWidth = 6000;
constexpr double kHeight = 4000;
constexpr double kPickDistance = 5;
constexpr int kQueries = 4096;

GPoint2DVector randomPoints(int count)
{
    std::mt19937 generator(20240611);
    std::uniform_real_distribution<double> x(0, kWidth);
    std::uniform_real_distribution<double> y(0, kHeight);
    GPoint2DVector points;
    points.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        points.emplace_back(x(generator), y(generator));
    return points;
}

// Half the picks land right on a point, half anywhere, as clicks on a busy image do.
std::vector<GPoint2D> randomPicks(const GPoint2DVector& points)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> x(0, kWidth);
    std::uniform_real_distribution<double> y(0, kHeight);
    std::uniform_real_distribution<double> jitter(-3, 3);
    std::uniform_int_distribution<std::size_t> which(0, points.size() - 1);
    std::vector<GPoint2D> picks;
    for (int i = 0; i < kQueries; ++i) {
        if (i % 2 == 0) {
            const GPoint2D& p = points[which(generator)];
            picks.emplace_back(p(0) + jitter(generator), p(1) + jitter(generator));
        } else {
            picks.emplace_back(x(generator), y(generator));
        }
    }
    return picks;
}

// What a viewer without the grid would do: test every point against the pick square and
// keep the nearest.
int scanPick(const GPoint2DVector& points, const GPoint2D& pick)
{
    const double px = pick(0);
    const double py = pick(1);
    double best = DBL_MAX;
    int bestIndex = -1;
    const int count = int(points.size());
    for (int i = 0; i < count; ++i) {
        const double dx = points[std::size_t(i)](0) - px;
        const double dy = points[std::size_t(i)](1) - py;
        if (std::fabs(dx) < kPickDistance && std::fabs(dy) < kPickDistance) {
            const double squared = dx * dx + dy * dy;
            if (squared < best) {
                best = squared;
                bestIndex = i;
            }
        }
    }
    return bestIndex;
}

void BM_PickGrid(benchmark::State& state)
{
    GPoint2DVector points = randomPoints(int(state.range(0)));
    points.buildGrid(GRect2D(0, 0, kWidth, kHeight), 20, 20);
    const std::vector<GPoint2D> picks = randomPicks(points);
    std::size_t next = 0;
    for (auto _ : state) {
        const GPoint2D& pick = picks[next++ % picks.size()];
        const std::vector<int> near = points.pointsNear(pick, kPickDistance);
        benchmark::DoNotOptimize(points.nearestPoint(pick, &near));
    }
}

void BM_PickScan(benchmark::State& state)
{
    const GPoint2DVector points = randomPoints(int(state.range(0)));
    const std::vector<GPoint2D> picks = randomPicks(points);
    std::size_t next = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(scanPick(points, picks[next++ % picks.size()]));
}

void BM_BuildGrid(benchmark::State& state)
{
    GPoint2DVector points = randomPoints(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(points.buildGrid(GRect2D(0, 0, kWidth, kHeight), 20, 20));
}

} // namespace

BENCHMARK(BM_PickGrid)->Arg(10000)->Arg(100000);
BENCHMARK(BM_PickScan)->Arg(10000)->Arg(100000);
BENCHMARK(BM_BuildGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
