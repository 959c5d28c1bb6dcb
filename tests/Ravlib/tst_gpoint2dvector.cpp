#include "errorrecorder.h"
#include "ghomptvector.h"
#include "gimg.h"
#include "gpoint2dvector.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

GPoint2DVector listOf(const QList<QPair<double, double>>& coordinates, bool homogeneous = false)
{
    GPoint2DVector list;
    for (const auto& [x, y] : coordinates) {
        list.push_back(GPoint2D(x, y));
        if (homogeneous)
            list.back().homogenize();
    }
    list.homogenized = homogeneous;
    return list;
}

using Indices = std::vector<int>;

} // namespace

class TestGPoint2DVector : public QObject
{
    Q_OBJECT

private slots:
    void buildGrid();
    void queries();
    void drawStyles();
    void forms();
    void reads_data();
    void reads();
    void twoFiles();
};

void TestGPoint2DVector::buildGrid()
{
    // 4 x 4 cells: (0, 0) twice, (3, 0) and (1, 3); 8 x 8: four different cells; an area
    // without width or height leaves no grid.
    GPoint2DVector list = listOf({{1, 1}, {20, 20}, {99, 1}, {30, 80}});
    QCOMPARE(list.buildGrid(GRect2D(0, 0, 100, 100), 4, 4), 3);
    QCOMPARE(list.buildGrid(GRect2D(0, 0, 100, 100), 0, 5), 4);
    QCOMPARE(qMakePair(list.gridCols, list.gridRows), qMakePair(8, 8));
    for (const GRect2D& area :
         {GRect2D(10, 0, 10, 100), GRect2D(0, 5, 100, 5), GRect2D(0, 0, std::nan(""), 100)}) {
        QCOMPARE(list.buildGrid(area, 4, 4), 0);
        QVERIFY(list.pointsInRect(GRect2D(0, 0, 100, 100)).empty());
    }
    // Cells of 10 x 10 over (0, 0)-(40, 40). The right and bottom edges are outside;
    // truncation toward zero puts points less than a cell left of or above the area inside.
    list = listOf({{40, 5}, {5, 40}, {-5, 5}, {5, -9.9}, {-10, 5}, {39.99, 39.99}});
    QCOMPARE(list.buildGrid(GRect2D(0, 0, 40, 40), 4, 4), 2);
    QCOMPARE(list.gridCells[0], std::vector<int>({2, 3}));
    QCOMPARE(list.gridCells[15], std::vector<int>({5}));
}

void TestGPoint2DVector::queries()
{
    // 2 x 2 cells of 50 x 50; indices come cell by cell, row by row, bounds included.
    GPoint2DVector list = listOf({{60, 60}, {10, 60}, {60, 10}, {10, 10}, {70, 20}, {20, 20}});
    list.buildGrid(GRect2D(0, 0, 100, 100), 2, 2);
    QCOMPARE(list.pointsInRect(GRect2D(10, 10, 60, 60)), Indices({3, 5, 2, 1, 0}));
    QCOMPARE(list.pointsInRect(GRect2D(10.5, 10, 60, 60)), Indices({5, 2, 0}));
    QVERIFY(list.pointsInRect(GRect2D(60, 60, 10, 10)).empty());
    // Near means closer than the distance in x and in y.
    list = listOf({{50, 50}, {53, 50}, {50, 47}, {54, 54}});
    list.buildGrid(GRect2D(0, 0, 100, 100), 10, 10);
    QCOMPARE(list.pointsNear(GPoint2D(50, 50), 3), Indices({0}));
    QCOMPARE(list.pointsNear(GPoint2D(50, 50), 3.001), Indices({2, 0, 1}));
    QVERIFY(list.pointsNear(GPoint2D(50, 50), 0).empty());
    // Points 1 and 3 are equally near (10, 10): the first met wins.
    list = listOf({{20, 20}, {11, 10}, {13, 10}, {10, 9}});
    const auto nearest = [&list](std::vector<int> candidates) {
        return list.nearestPoint(GPoint2D(10, 10), &candidates);
    };
    QCOMPARE(list.nearestPoint(GPoint2D(10, 10)), 1);
    QCOMPARE(QList<int>({nearest({3, 1}), nearest({0, 2}), nearest({}), nearest({7, -1, 0})}),
             QList<int>({3, 2, -1, 0}));
    // The grid is a snapshot: copies get none, an old grid skips points that are gone.
    list = listOf({{1, 1}, {2, 2}, {3, 3}}, true);
    list.buildGrid(GRect2D(0, 0, 10, 10), 2, 2);
    GPoint2DVector assigned = listOf({{5, 5}});
    assigned.buildGrid(GRect2D(0, 0, 10, 10), 2, 2);
    assigned = list;
    QVERIFY(assigned.homogenized && assigned.size() == 3 && assigned.gridCells.empty());
    QVERIFY(GPoint2DVector(list).gridCells.empty());
    list.resize(1);
    QCOMPARE(list.pointsNear(GPoint2D(2, 2), 5), Indices({0}));
    // Against a scan of all points, on cells of 20 x 25.
    QRandomGenerator random(4711);
    list.clear();
    for (int i = 0; i < 3000; ++i)
        list.push_back(GPoint2D(random.bounded(600.0), random.bounded(400.0)));
    list.buildGrid(GRect2D(0, 0, 600, 400), 30, 16);
    for (int q = 0; q < 500; ++q) {
        const GPoint2D at(random.bounded(620.0) - 10, random.bounded(420.0) - 10);
        const double r = 1 + random.bounded(15.0);
        Indices expected;
        for (int i = 0; i < int(list.size()); ++i)
            if (std::fabs(list[i](0) - at(0)) < r && std::fabs(list[i](1) - at(1)) < r)
                expected.push_back(i);
        Indices found = list.pointsNear(at, r);
        std::sort(found.begin(), found.end());
        QCOMPARE(found, expected);
    }
}

void TestGPoint2DVector::drawStyles()
{
    const GPoint2DVector list = listOf({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 1}});
    const std::vector<std::tuple<int, int, PixelSet>> cases
            = {{5, 0x1000, {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}}},
               {5, 0x2000, {{0, 1}, {0, 2}, {2, 2}, {2, 1}, {2, 0}}},         // lines 4-3 and 2-1
               {4, 0x2000, {{0, 2}, {1, 2}, {2, 2}, {2, 0}, {1, 0}, {0, 0}}}, // lines 3-2 and 1-0
               {1, 0x1000, {}},
               {5, 0x800, {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 1}}}};
    for (const auto& [count, style, pixels] : cases) {
        GBytImg image(3, 3);
        QVERIFY(GPoint2DVector(list.begin(), list.begin() + count).doDraw(&image, 1, style, 1));
        QCOMPARE(setPixels(image), pixels);
    }
}

void TestGPoint2DVector::forms()
{
    ErrorRecorder errors;
    const GPoint2DVector plain = listOf({{1, 2.5}, {-3, 4}});
    const GPoint2DVector homogeneous = listOf({{1, 2.5}, {-3, 4}}, true);
    const GHomPtVector pairs{GHomPt(GPoint2D(1, 2), GPoint2D(3, 4)),
                             GHomPt(GPoint2D(5, 6), GPoint2D(7, 8))};
    QCOMPARE(written(plain, 2) + written(pairs, 2), "1 2.5 \n-3 4 \n1 2 3 4 \n5 6 7 8 \n");
    QCOMPARE(written(homogeneous, 1), "{ 2 h { \n1 2.5 1 \n-3 4 1 \n} } ");
    QCOMPARE(written(homogeneous, 3),
             le(2) + "h" + record({1, 2.5, 1}, "nh") + record({-3, 4, 1}, "nh"));
    QCOMPARE(written(pairs, 3),
             le(2) + record({1, 2}) + record({3, 4}) + record({5, 6}) + record({7, 8}));
    // A point whose flag differs from the list's stops the writer before it writes anything.
    GPoint2DVector mixed[2] = {plain, homogeneous};
    mixed[0][1].homogenize();
    mixed[1][1] = GPoint2D(1, 2);
    QVERIFY(written(mixed[0], 1).isEmpty() && written(mixed[1], 3).isEmpty());
    QCOMPARE(errors.reports,
             QByteArrayList({"23 GPoint2DVector::write(): Some Points are homogenized",
                             "23 GPoint2DVector::write(): Not all Points are homogenized"}));
}

void TestGPoint2DVector::reads_data()
{
    QTest::addColumn<QByteArray>("target"); // a point list or, without a flag, a pair list
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("result"); // the list afterwards, or the last report
    const auto row = [](const char* name, const char* target, int mode, const QByteArray& input,
                        const QByteArray& result) {
        QTest::newRow(name) << QByteArray(target) << mode << input << result;
    };
    const QByteArray list = "GPoint2DVector::read(): ";
    const QByteArray pairs = "GHomPtVector::read(): ";
    const char* none = "{ 0 n { \n} } ";
    const char* one = "{ 1 h { \n0 0 1 \n} } ";
    const char* noPairs = "{ 0 { \n} } ";
    row("across white space", none, 1, "{2 n {1 2.5\n-3\t4}}", "{ 2 n { \n1 2.5 \n-3 4 \n} } ");
    row("homogeneous binary", none, 3, le(1) + "h" + record({1, 2, 1}, "nh"),
        "{ 1 h { \n1 2 1 \n} } ");
    row("plain text into a homogeneous list", one, 2, "7 8 2", "{ 1 h { \n7 8 2 \n} } ");
    row("list size differs", one, 1, "{ 2 n { 1 2 3 4 } }", "40 " + list + "(1)!=(2)");
    row("list in plain text into empty", none, 2, "1 2",
        "40 " + list + "could not read mode 2 into empty GPoint2DVector");
    row("negative list count", none, 3, le(-7) + "n",
        "40 " + list + "Not possible to create (-7)");
    row("list count beyond the text", none, 1, "{ 2147483647 n { 1 2 } }",
        "24 " + list + "count (2147483647) exceeds the data left in the stream");
    row("pairs across white space", noPairs, 1, "{1{1 2\n3\t4}}", "{ 1 { \n1 2 3 4 \n} } ");
    row("pair count beyond the bytes", noPairs, 3, le(9),
        "24 " + pairs + "count (9) exceeds the data left in the stream");
}

void TestGPoint2DVector::reads()
{
    QFETCH(QByteArray, target);
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, result);
    ErrorRecorder errors;
    GHomPtVector pairs;
    GPoint2DVector points;
    GBase& list = target.startsWith("{ 0 { ") ? static_cast<GBase&>(pairs) : points;
    QVERIFY(readFrom(list, target, 1));
    const bool read = readFrom(list, input, mode);
    QCOMPARE(read ? written(list, 1) : errors.reports.value(errors.reports.size() - 1), result);
    QCOMPARE(read, errors.reports.isEmpty());
}

void TestGPoint2DVector::twoFiles()
{
    ErrorRecorder errors;
    QTemporaryDir dir;
    const auto path = [&dir](const char* name) { return dir.filePath(name).toLocal8Bit(); };
    QVERIFY(writeFile(path("a"), "  1\t1 2\n\n 2  3 3\n") && writeFile(path("b"), "1 1 2\t2"));
    // Pairs are appended to what the list holds; the shorter file, either one, ends them.
    GHomPtVector list{GHomPt(GPoint2D(-1, -1), GPoint2D(-2, -2))};
    QVERIFY(list.readFromFiles(path("a"), path("b")) && list.readFromFiles(path("b"), path("a")));
    QCOMPARE(written(list, 2), "-1 -1 -2 -2 \n1 1 1 1 \n2 2 2 2 \n1 1 1 1 \n2 2 2 2 \n");
    // Text that is not a point is an error; the pairs before it stay.
    QVERIFY(writeFile(path("bad"), "1 2\nx\n") && !list.readFromFiles(path("a"), path("bad")));
    QVERIFY(!list.readFromFiles(path("a"), path("missing")));
    QVERIFY(list.size() == 6 && written(list.back(), 2) == "1 1 1 2 ");
    // Only x and y of each point are written; mode 0 means plain text too.
    list = GHomPtVector{GHomPt(GPoint2D(1.5, 2), GPoint2D(-7, 8e9))};
    QVERIFY(!list.writeToFiles(path("o1"), path("o2"), 3) && !QFile::exists(path("o1")));
    list[0].first.homogenize();
    QVERIFY(list.writeToFiles(path("o1"), path("o2"), 0));
    QCOMPARE(fileContents(path("o1")) + fileContents(path("o2")), "1.5 2\n-7 8e+09\n");
    const QByteArray read = "GHomPtVector::readFromFiles(): ";
    QCOMPARE(errors.reports,
             QByteArrayList({"22 " + read + path("bad"), "20 " + read,
                             "26 GHomPtVector::writeToFiles(): requested mode 3 not supported"}));
}

QTEST_GUILESS_MAIN(TestGPoint2DVector)
#include "tst_gpoint2dvector.moc"
