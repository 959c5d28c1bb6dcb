#include "errorrecorder.h"
#include "ghomptvector.h"
#include "gimg.h"
#include "gpoint2dvector.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <tuple>

using Pixel = QPair<int, int>;
using PixelSet = QSet<Pixel>;

namespace {

GPoint2DVector listOf(const QList<QPair<double, double>>& coordinates)
{
    GPoint2DVector list;
    for (const auto& [x, y] : coordinates)
        list.push_back(GPoint2D(x, y));
    return list;
}

QList<int> toList(const std::vector<int>& indices)
{
    return QList<int>(indices.begin(), indices.end());
}

PixelSet setPixels(const GBytImg& image)
{
    PixelSet pixels;
    for (int y = 0; y < image.rows(); ++y) {
        for (int x = 0; x < image.cols(); ++x) {
            if (image(x, y) != 0)
                pixels.insert({x, y});
        }
    }
    return pixels;
}

PixelSet straightRun(int x0, int y0, int x1, int y1)
{
    PixelSet pixels;
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i)
        pixels.insert({x0 + (x1 - x0) * i / std::max(steps, 1),
                       y0 + (y1 - y0) * i / std::max(steps, 1)});
    return pixels;
}

} // namespace

class TestGPoint2DVector : public QObject
{
    Q_OBJECT

private slots:
    void buildGrid_data();
    void buildGrid();
    void gridEdgeRules();
    void pointsInRectVisitsCellsInOrder();
    void pointsNearIsStrict();
    void nearestPoint_data();
    void nearestPoint();
    void queriesWithoutGrid();
    void staleGridAfterRemoval();
    void gridAgreesWithBruteForce();
    void copyCarriesNoGrid();

    void drawStyles_data();
    void drawStyles();

    void writeForms_data();
    void writeForms();
    void mixedHomogeneityWritesNothing_data();
    void mixedHomogeneityWritesNothing();
    void readForms();
    void readHomogeneousList();
    void roundTrip_data();
    void roundTrip();
    void readSizeRules_data();
    void readSizeRules();

    void pairListForms_data();
    void pairListForms();
    void pairListSizeRules_data();
    void pairListSizeRules();
    void writeToFiles();
    void writeToFilesModes_data();
    void writeToFilesModes();
    void readFromFiles_data();
    void readFromFiles();
    void readFromFilesFailures();

private:
    QTemporaryDir m_dir;
};

void TestGPoint2DVector::buildGrid_data()
{
    QTest::addColumn<GRect2D>("area");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("filled");
    QTest::addColumn<int>("gridCols");
    QTest::newRow("4 x 4 over 100 x 100") << GRect2D(0, 0, 100, 100) << 4 << 4 << 3 << 4;
    QTest::newRow("cols 0 gives 8 x 8") << GRect2D(0, 0, 100, 100) << 0 << 5 << 4 << 8;
    QTest::newRow("rows -1 gives 8 x 8") << GRect2D(0, 0, 100, 100) << 3 << -1 << 4 << 8;
    QTest::newRow("zero width") << GRect2D(10, 0, 10, 100) << 4 << 4 << 0 << 0;
    QTest::newRow("zero height") << GRect2D(0, 5, 100, 5) << 4 << 4 << 0 << 0;
    QTest::newRow("corners swapped") << GRect2D(100, 100, 0, 0) << 4 << 4 << 0 << 0;
    QTest::newRow("not a number") << GRect2D(0, 0, std::nan(""), 100) << 4 << 4 << 0 << 0;
}

void TestGPoint2DVector::buildGrid()
{
    QFETCH(GRect2D, area);
    QFETCH(int, cols);
    QFETCH(int, rows);
    QFETCH(int, filled);
    QFETCH(int, gridCols);
    // Cells (4 x 4): (0,0) twice, (3,0), (1,3); with 8 x 8: four different cells.
    GPoint2DVector list = listOf({{1, 1}, {20, 20}, {99, 1}, {30, 80}});
    QCOMPARE(list.buildGrid(area, cols, rows), filled);
    if (gridCols == 0) {
        QVERIFY(list.gridCells.empty());
        QVERIFY(list.pointsInRect(GRect2D(0, 0, 100, 100)).empty());
        return;
    }
    QCOMPARE(list.gridCols, gridCols);
    QCOMPARE(list.gridRows, gridCols);
    QCOMPARE(int(list.gridCells.size()), gridCols * gridCols);
}

void TestGPoint2DVector::gridEdgeRules()
{
    // Cells of 10 x 10 over (0, 0)-(40, 40).
    GPoint2DVector list = listOf({{40, 5},   // right edge: in no cell
                                  {5, 40},   // bottom edge: in no cell
                                  {-5, 5},   // half a cell to the left: first column
                                  {5, -9.9}, // almost a cell above: first row
                                  {-10, 5},  // a whole cell to the left: outside
                                  {39.99, 39.99}});
    QCOMPARE(list.buildGrid(GRect2D(0, 0, 40, 40), 4, 4), 2);
    QCOMPARE(list.gridCells[0], std::vector<int>({2, 3}));
    QCOMPARE(list.gridCells[15], std::vector<int>({5}));
    // A rectangle that includes the edge points still does not find them.
    QCOMPARE(toList(list.pointsInRect(GRect2D(-20, -20, 60, 60))), QList<int>({2, 3, 5}));
}

void TestGPoint2DVector::pointsInRectVisitsCellsInOrder()
{
    // 2 x 2 cells of 50 x 50; indices listed cell by cell, row by row.
    GPoint2DVector list = listOf({{60, 60}, {10, 60}, {60, 10}, {10, 10}, {70, 20}, {20, 20}});
    list.buildGrid(GRect2D(0, 0, 100, 100), 2, 2);
    QCOMPARE(toList(list.pointsInRect(GRect2D(0, 0, 100, 100))), QList<int>({3, 5, 2, 4, 1, 0}));
    // Bounds are inclusive.
    QCOMPARE(toList(list.pointsInRect(GRect2D(10, 10, 60, 60))), QList<int>({3, 5, 2, 1, 0}));
    QCOMPARE(toList(list.pointsInRect(GRect2D(10.5, 10, 60, 60))), QList<int>({5, 2, 0}));
    QVERIFY(list.pointsInRect(GRect2D(200, 200, 300, 300)).empty());
    QVERIFY(list.pointsInRect(GRect2D(60, 60, 10, 10)).empty());
}

void TestGPoint2DVector::pointsNearIsStrict()
{
    GPoint2DVector list = listOf({{50, 50}, {53, 50}, {50, 47}, {54, 54}});
    list.buildGrid(GRect2D(0, 0, 100, 100), 10, 10);
    QCOMPARE(toList(list.pointsNear(GPoint2D(50, 50), 3)), QList<int>({0}));
    QCOMPARE(toList(list.pointsNear(GPoint2D(50, 50), 3.001)), QList<int>({2, 0, 1}));
    QCOMPARE(toList(list.pointsNear(GPoint2D(50, 50), 4.5)), QList<int>({2, 0, 1, 3}));
    QVERIFY(list.pointsNear(GPoint2D(50, 50), 0).empty());
    QVERIFY(list.pointsNear(GPoint2D(50, 50), -1).empty());
}

void TestGPoint2DVector::nearestPoint_data()
{
    QTest::addColumn<QList<int>>("candidates");
    QTest::addColumn<bool>("useCandidates");
    QTest::addColumn<int>("nearest");
    QTest::newRow("all points, first of equals wins") << QList<int>() << false << 1;
    QTest::newRow("candidates in their order") << QList<int>({3, 1}) << true << 3;
    QTest::newRow("candidates without the tie") << QList<int>({0, 2}) << true << 2;
    QTest::newRow("empty candidates") << QList<int>() << true << -1;
    QTest::newRow("candidates out of range are skipped") << QList<int>({7, -1, 0}) << true << 0;
}

void TestGPoint2DVector::nearestPoint()
{
    QFETCH(QList<int>, candidates);
    QFETCH(bool, useCandidates);
    QFETCH(int, nearest);
    // Points 1 and 3 are both 1 away from (10, 10).
    const GPoint2DVector list = listOf({{20, 20}, {11, 10}, {13, 10}, {10, 9}});
    const std::vector<int> indices(candidates.begin(), candidates.end());
    QCOMPARE(list.nearestPoint(GPoint2D(10, 10), useCandidates ? &indices : nullptr), nearest);
}

void TestGPoint2DVector::queriesWithoutGrid()
{
    const GPoint2DVector list = listOf({{1, 1}, {2, 2}});
    QVERIFY(list.pointsInRect(GRect2D(0, 0, 10, 10)).empty());
    QVERIFY(list.pointsNear(GPoint2D(1, 1), 5).empty());
    QCOMPARE(list.nearestPoint(GPoint2D(2.1, 2)), 1);
    QCOMPARE(GPoint2DVector().nearestPoint(GPoint2D(0, 0)), -1);
}

void TestGPoint2DVector::staleGridAfterRemoval()
{
    GPoint2DVector list = listOf({{1, 1}, {2, 2}, {3, 3}});
    list.buildGrid(GRect2D(0, 0, 10, 10), 2, 2);
    list.pop_back();
    list.pop_back();
    QCOMPARE(toList(list.pointsNear(GPoint2D(2, 2), 5)), QList<int>({0}));
}

void TestGPoint2DVector::gridAgreesWithBruteForce()
{
    QRandomGenerator random(4711);
    GPoint2DVector list;
    for (int i = 0; i < 3000; ++i)
        list.push_back(GPoint2D(random.bounded(600.0), random.bounded(400.0)));
    // A few points share a position, so that ties occur.
    for (int i = 0; i < 50; ++i)
        list.push_back(list[std::size_t(random.bounded(3000))]);
    list.buildGrid(GRect2D(0, 0, 600, 400), 20, 20);
    for (int q = 0; q < 500; ++q) {
        const GPoint2D pick(random.bounded(620.0) - 10, random.bounded(420.0) - 10);
        const double distance = 1 + random.bounded(15.0);
        QList<int> expected;
        for (int i = 0; i < int(list.size()); ++i) {
            const GPoint2D& p = list[std::size_t(i)];
            if (std::fabs(p(0) - pick(0)) < distance && std::fabs(p(1) - pick(1)) < distance)
                expected.append(i);
        }
        const std::vector<int> near = list.pointsNear(pick, distance);
        QList<int> found = toList(near);
        std::sort(found.begin(), found.end());
        QCOMPARE(found, expected);
        int best = -1;
        double bestDistance = 0;
        for (int i : expected) {
            const double dx = list[std::size_t(i)](0) - pick(0);
            const double dy = list[std::size_t(i)](1) - pick(1);
            if (best < 0 || dx * dx + dy * dy < bestDistance
                || (dx * dx + dy * dy == bestDistance
                    && std::find(near.begin(), near.end(), i)
                               < std::find(near.begin(), near.end(), best))) {
                best = i;
                bestDistance = dx * dx + dy * dy;
            }
        }
        QCOMPARE(list.nearestPoint(pick, &near), best);
    }
}

void TestGPoint2DVector::copyCarriesNoGrid()
{
    GPoint2DVector list = listOf({{1, 1}, {2, 2}});
    list.homogenized = true;
    list.buildGrid(GRect2D(0, 0, 10, 10), 2, 2);
    const GPoint2DVector copy(list);
    QCOMPARE(copy.size(), std::size_t(2));
    QVERIFY(copy.homogenized);
    QVERIFY(copy.gridCells.empty());
    QVERIFY(copy.pointsNear(GPoint2D(1, 1), 3).empty());
    GPoint2DVector assigned = listOf({{5, 5}});
    assigned.buildGrid(GRect2D(0, 0, 10, 10), 2, 2);
    assigned = list;
    QVERIFY(assigned.gridCells.empty());
    QVERIFY(!list.gridCells.empty());
}

void TestGPoint2DVector::drawStyles_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("style");
    QTest::addColumn<PixelSet>("expected");
    // The points (1, 1), (8, 1), (8, 6), (1, 6), (1, 3).
    QTest::newRow("polyline") << 5 << 0x1000
                              << (straightRun(1, 1, 8, 1) | straightRun(8, 1, 8, 6)
                                  | straightRun(8, 6, 1, 6) | straightRun(1, 6, 1, 3));
    QTest::newRow("segments, odd count leaves point 0")
            << 5 << 0x2000 << (straightRun(1, 3, 1, 6) | straightRun(8, 6, 8, 1));
    QTest::newRow("segments, even count")
            << 4 << 0x2000 << (straightRun(1, 6, 8, 6) | straightRun(8, 1, 1, 1));
    QTest::newRow("one point, polyline") << 1 << 0x1000 << PixelSet();
    QTest::newRow("points as single pixels")
            << 5 << 0x800 << PixelSet({{1, 1}, {8, 1}, {8, 6}, {1, 6}, {1, 3}});
}

void TestGPoint2DVector::drawStyles()
{
    QFETCH(int, count);
    QFETCH(int, style);
    QFETCH(PixelSet, expected);
    ErrorRecorder errors;
    GPoint2DVector list = listOf({{1, 1}, {8, 1}, {8, 6}, {1, 6}, {1, 3}});
    list.resize(std::size_t(count));
    GBytImg image(10, 8);
    QVERIFY(list.doDraw(&image, 1, style, 1));
    QCOMPARE(setPixels(image), expected);
    QVERIFY(errors.reports.isEmpty());
}

void TestGPoint2DVector::writeForms_data()
{
    QTest::addColumn<bool>("homogeneous");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("mode 1") << false << 1 << QByteArray("{ 2 n { \n1 2.5 \n-3 4 \n} } ");
    QTest::newRow("mode 2") << false << 2 << QByteArray("1 2.5 \n-3 4 \n");
    QTest::newRow("mode 3") << false << 3
                            << leInt(2) + "n" + vectorRecord({1, 2.5}) + vectorRecord({-3, 4});
    QTest::newRow("homogeneous, mode 1")
            << true << 1 << QByteArray("{ 2 h { \n1 2.5 1 \n-3 4 1 \n} } ");
    QTest::newRow("homogeneous, mode 3") << true << 3
                                         << leInt(2) + "h" + vectorRecord({1, 2.5, 1}, 'n', 'h')
                                                    + vectorRecord({-3, 4, 1}, 'n', 'h');
}

void TestGPoint2DVector::writeForms()
{
    QFETCH(bool, homogeneous);
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    ErrorRecorder errors;
    GPoint2DVector list = listOf({{1, 2.5}, {-3, 4}});
    if (homogeneous) {
        list.homogenized = true;
        for (GPoint2D& p : list)
            p.homogenize();
    }
    QCOMPARE(written(list, mode), expected);
    QVERIFY(errors.reports.isEmpty());
}

void TestGPoint2DVector::mixedHomogeneityWritesNothing_data()
{
    QTest::addColumn<bool>("listFlag");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("list clear, one point homogeneous")
            << false << QByteArray("Some Points are homogenized");
    QTest::newRow("list set, one point plain")
            << true << QByteArray("Not all Points are homogenized");
}

void TestGPoint2DVector::mixedHomogeneityWritesNothing()
{
    QFETCH(bool, listFlag);
    QFETCH(QByteArray, message);
    ErrorRecorder errors;
    GPoint2DVector list = listOf({{1, 2}, {3, 4}});
    list.homogenized = listFlag;
    list[listFlag ? 0 : 1].homogenize();
    for (int mode : {1, 2, 3}) {
        errors.reset();
        QVERIFY(written(list, mode).isEmpty());
        QCOMPARE(errors.codes(), QList<int>{23});
        QCOMPARE(errors.last().function, QByteArray("GPoint2DVector::write()"));
        QCOMPARE(errors.last().message, message);
    }
}

void TestGPoint2DVector::readForms()
{
    ErrorRecorder errors;
    GPoint2DVector list;
    QVERIFY(readFrom(list, "{2 n {1 2.5\n-3\t4}}", 1));
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(list[0](1), 2.5);
    QCOMPARE(list[1](0), -3.0);
    QVERIFY(!list.homogenized);
    QVERIFY(readFrom(list, "5 6 7 8", 2));
    QCOMPARE(list[1](1), 8.0);
    QVERIFY(errors.reports.isEmpty());
}

void TestGPoint2DVector::readHomogeneousList()
{
    ErrorRecorder errors;
    GPoint2DVector list;
    QVERIFY(readFrom(list, "{ 2 h { \n1 2 1 \n3 4 0.5 \n} } ", 1));
    QVERIFY(list.homogenized);
    QCOMPARE(list[1].size(), 3);
    QVERIFY(list[1].homogenized);
    QCOMPARE(list[1](2), 0.5);
    // Plain text keeps the list's flag and homogenises plain points before reading.
    GPoint2DVector plain = listOf({{0, 0}});
    plain.homogenized = true;
    QVERIFY(readFrom(plain, "7 8 2", 2));
    QCOMPARE(plain[0].size(), 3);
    QCOMPARE(plain[0](2), 2.0);
    QVERIFY(errors.reports.isEmpty());
}

void TestGPoint2DVector::roundTrip_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("homogeneous");
    for (int mode : {1, 2, 3}) {
        QTest::newRow(qPrintable(QString("mode %1").arg(mode))) << mode << false;
        QTest::newRow(qPrintable(QString("homogeneous, mode %1").arg(mode))) << mode << true;
    }
}

void TestGPoint2DVector::roundTrip()
{
    QFETCH(int, mode);
    QFETCH(bool, homogeneous);
    ErrorRecorder errors;
    GPoint2DVector list = listOf({{1.25, -2}, {3e7, 4e-7}, {0, 0}});
    if (homogeneous) {
        list.homogenized = true;
        for (GPoint2D& p : list)
            p.homogenize();
    }
    GPoint2DVector back;
    if (mode == 2)
        back = list;
    QVERIFY(readFrom(back, written(list, mode), mode));
    QCOMPARE(written(back, mode), written(list, mode));
    QCOMPARE(back.homogenized, homogeneous);
    QVERIFY(errors.reports.isEmpty());
}

void TestGPoint2DVector::readSizeRules_data()
{
    QTest::addColumn<int>("targetSize");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("mode 1, size differs")
            << 1 << 1 << QByteArray("{ 2 n { 1 2 3 4 } }") << 40 << QByteArray("(1)!=(2)");
    QTest::newRow("mode 3, size differs")
            << 3 << 3 << leInt(2) + "n" << 40 << QByteArray("(3)!=(2)");
    QTest::newRow("mode 2 into empty") << 0 << 2 << QByteArray("1 2") << 40
                                       << QByteArray("could not read mode 2 into empty "
                                                     "GPoint2DVector");
    QTest::newRow("negative count") << 0 << 1 << QByteArray("{ -2 n { } }") << 40
                                    << QByteArray("Not possible to create (-2)");
    QTest::newRow("negative binary count")
            << 0 << 3 << leInt(-7) + "n" << 40 << QByteArray("Not possible to create (-7)");
    QTest::newRow("huge count") << 0 << 1 << QByteArray("{ 2147483647 n { 1 2 } }") << 24
                                << QByteArray("count (2147483647) exceeds the data left in the "
                                              "stream");
    QTest::newRow("huge binary count")
            << 0 << 3 << leInt(100000) + "n" + vectorRecord({1, 2}) << 24
            << QByteArray("count (100000) exceeds the data left in "
                          "the stream");
    QTest::newRow("point of the wrong size")
            << 0 << 3 << leInt(1) + "n" + vectorRecord({1, 2, 3}) << 40 << QByteArray("(2)!=(3)");
}

void TestGPoint2DVector::readSizeRules()
{
    QFETCH(int, targetSize);
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(int, code);
    QFETCH(QByteArray, message);
    ErrorRecorder errors;
    GPoint2DVector list;
    list.resize(std::size_t(targetSize));
    QVERIFY(!readFrom(list, input, mode));
    QCOMPARE(errors.last().code, code);
    QCOMPARE(errors.last().message, message);
}

void TestGPoint2DVector::pairListForms_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("mode 1") << 1 << QByteArray("{ 2 { \n1 2 3 4 \n5 6 7 8 \n} } ");
    QTest::newRow("mode 2") << 2 << QByteArray("1 2 3 4 \n5 6 7 8 \n");
    QTest::newRow("mode 3") << 3
                            << leInt(2) + vectorRecord({1, 2}) + vectorRecord({3, 4})
                                       + vectorRecord({5, 6}) + vectorRecord({7, 8});
}

void TestGPoint2DVector::pairListForms()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    ErrorRecorder errors;
    const GHomPtVector pairs{GHomPt(GPoint2D(1, 2), GPoint2D(3, 4)),
                             GHomPt(GPoint2D(5, 6), GPoint2D(7, 8))};
    QCOMPARE(written(pairs, mode), expected);
    GHomPtVector back;
    if (mode == 2)
        back.resize(2);
    QVERIFY(readFrom(back, expected, mode));
    QCOMPARE(back.size(), std::size_t(2));
    QVERIFY(back[1] == pairs[1]);
    QVERIFY(back[0] == pairs[0]);
    QVERIFY(errors.reports.isEmpty());
}

void TestGPoint2DVector::pairListSizeRules_data()
{
    QTest::addColumn<int>("targetSize");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("mode 1, size differs")
            << 2 << 1 << QByteArray("{ 1 { 1 2 3 4 } }") << 40 << QByteArray("(2)!=(1)");
    QTest::newRow("mode 2 into empty") << 0 << 2 << QByteArray("1 2 3 4") << 40
                                       << QByteArray("could not read mode 2 into empty "
                                                     "GHomPtVector");
    QTest::newRow("negative count")
            << 0 << 3 << leInt(-1) << 40 << QByteArray("Not possible to create (-1)");
    QTest::newRow("huge count") << 0 << 1 << QByteArray("{ 1000000 { 1 2 3 4 } }") << 24
                                << QByteArray("count (1000000) exceeds the data left in the "
                                              "stream");
    QTest::newRow("missing brace") << 0 << 1 << QByteArray("{ 1 1 2 3 4 } }") << 25
                                   << QByteArray("missing { in ASCII stream");
}

void TestGPoint2DVector::pairListSizeRules()
{
    QFETCH(int, targetSize);
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(int, code);
    QFETCH(QByteArray, message);
    ErrorRecorder errors;
    GHomPtVector pairs;
    pairs.resize(std::size_t(targetSize));
    QVERIFY(!readFrom(pairs, input, mode));
    QCOMPARE(errors.last().code, code);
    QCOMPARE(errors.last().message, message);
}

void TestGPoint2DVector::writeToFiles()
{
    ErrorRecorder errors;
    GPoint2D homogeneous(5, 6);
    homogeneous.homogenize();
    const GHomPtVector pairs{GHomPt(GPoint2D(1.5, 2), GPoint2D(3, 4)),
                             GHomPt(homogeneous, GPoint2D(-7, 8e9))};
    const QString left = m_dir.filePath("left.txt");
    const QString right = m_dir.filePath("right.txt");
    QVERIFY(pairs.writeToFiles(qPrintable(left), qPrintable(right), 2));
    QCOMPARE(fileContents(left), QByteArray("1.5 2\n5 6\n"));
    QCOMPARE(fileContents(right), QByteArray("3 4\n-7 8e+09\n"));
    QVERIFY(errors.reports.isEmpty());

    GHomPtVector back;
    QVERIFY(back.readFromFiles(qPrintable(left), qPrintable(right)));
    QCOMPARE(back.size(), std::size_t(2));
    QCOMPARE(back[1].second(1), 8e9);
}

void TestGPoint2DVector::writeToFilesModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ok");
    QTest::newRow("mode 0") << 0 << true;
    QTest::newRow("mode 2") << 2 << true;
    QTest::newRow("mode 1") << 1 << false;
    QTest::newRow("mode 3") << 3 << false;
}

void TestGPoint2DVector::writeToFilesModes()
{
    QFETCH(int, mode);
    QFETCH(bool, ok);
    ErrorRecorder errors;
    const GHomPtVector pairs{GHomPt(GPoint2D(1, 2), GPoint2D(3, 4))};
    const QString left = m_dir.filePath(QString("mode-left-%1").arg(mode));
    const QString right = m_dir.filePath(QString("mode-right-%1").arg(mode));
    QCOMPARE(pairs.writeToFiles(qPrintable(left), qPrintable(right), mode), ok);
    QCOMPARE(QFile::exists(left), ok);
    QCOMPARE(QFile::exists(right), ok);
    if (ok)
        return;
    QCOMPARE(errors.codes(), QList<int>{26});
    QCOMPARE(errors.last().function, QByteArray("GHomPtVector::writeToFiles()"));
    QCOMPARE(errors.last().message,
             "requested mode " + QByteArray::number(mode) + " not supported");
}

void TestGPoint2DVector::readFromFiles_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<int>("pairs");
    QTest::newRow("3 and 5 points")
            << QByteArray("1 1\n2 2\n3 3\n") << QByteArray("1 1\n2 2\n3 3\n4 4\n5 5\n") << 3;
    QTest::newRow("5 and 3 points")
            << QByteArray("1 1\n2 2\n3 3\n4 4\n5 5\n") << QByteArray("1 1\n2 2\n3 3\n") << 3;
    QTest::newRow("no final line break") << QByteArray("1 1\n2 2") << QByteArray("1 1\n2 2") << 2;
    QTest::newRow("any white space")
            << QByteArray("  1\t1 2\n\n 2  ") << QByteArray("1 1 2 2") << 2;
    QTest::newRow("empty files") << QByteArray() << QByteArray("\n") << 0;
}

void TestGPoint2DVector::readFromFiles()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(int, pairs);
    ErrorRecorder errors;
    const QString leftPath = m_dir.filePath("in-left.txt");
    const QString rightPath = m_dir.filePath("in-right.txt");
    QVERIFY(writeFile(leftPath, left));
    QVERIFY(writeFile(rightPath, right));
    // Pairs are appended to what the list holds.
    GHomPtVector list{GHomPt(GPoint2D(-1, -1), GPoint2D(-2, -2))};
    QVERIFY(list.readFromFiles(qPrintable(leftPath), qPrintable(rightPath)));
    QCOMPARE(int(list.size()), 1 + pairs);
    QCOMPARE(list[0].second(0), -2.0);
    for (int i = 1; i <= pairs; ++i) {
        QCOMPARE(list[std::size_t(i)].first(0), double(i));
        QCOMPARE(list[std::size_t(i)].second(1), double(i));
    }
    QVERIFY(errors.reports.isEmpty());
}

void TestGPoint2DVector::readFromFilesFailures()
{
    ErrorRecorder errors;
    const QString left = m_dir.filePath("fail-left.txt");
    const QString right = m_dir.filePath("fail-right.txt");
    QVERIFY(writeFile(left, "1 1\n2 2\n"));
    QVERIFY(writeFile(right, "1 1\nnot a point\n"));
    GHomPtVector list;
    QVERIFY(!list.readFromFiles(qPrintable(left), qPrintable(right)));
    QCOMPARE(list.size(), std::size_t(1));
    QCOMPARE(errors.codes(), QList<int>{22});
    QCOMPARE(errors.last().message, right.toLocal8Bit());

    errors.reset();
    QVERIFY(!list.readFromFiles(qPrintable(left), qPrintable(m_dir.filePath("missing"))));
    QCOMPARE(list.size(), std::size_t(1));
    QCOMPARE(errors.codes(), QList<int>{20});
    QCOMPARE(errors.last().function, QByteArray("GHomPtVector::readFromFiles()"));
    QCOMPARE(errors.last().message, QByteArray());
}

QTEST_GUILESS_MAIN(TestGPoint2DVector)
#include "tst_gpoint2dvector.moc"
