#include "errorrecorder.h"
#include "gimg.h"
#include "gline2d.h"
#include "grect2d.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <cmath>

using Pixel = QPair<int, int>;
using PixelSet = QSet<Pixel>;

namespace {

template<typename Image>
PixelSet setPixels(const Image& image, int plane = 0)
{
    PixelSet pixels;
    for (int y = 0; y < image.rows(); ++y) {
        for (int x = 0; x < image.cols(); ++x) {
            if (image(x, y, plane) != 0)
                pixels.insert({x, y});
        }
    }
    return pixels;
}

// Bresenham's pixels in closed form: along the driving axis, the other coordinate advances
// by floor((2 * i * minor + major) / (2 * major)), ties going to the step.
PixelSet bresenham(int x0, int y0, int x1, int y1)
{
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    const int adx = std::abs(dx);
    const int ady = std::abs(dy);
    PixelSet pixels;
    if (adx == 0 && ady == 0) {
        pixels.insert({x0, y0});
    } else if (adx > ady) {
        for (int i = 0; i <= adx; ++i)
            pixels.insert({x0 + sx * i, y0 + sy * ((2 * i * ady + adx) / (2 * adx))});
    } else {
        for (int i = 0; i <= ady; ++i)
            pixels.insert({x0 + sx * ((2 * i * adx + ady) / (2 * ady)), y0 + sy * i});
    }
    return pixels;
}

PixelSet outline(int x1, int y1, int x2, int y2, int cols, int rows)
{
    PixelSet pixels;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            const bool inX = x >= std::min(x1, x2) && x <= std::max(x1, x2);
            const bool inY = y >= std::min(y1, y2) && y <= std::max(y1, y2);
            if ((inX && (y == y1 || y == y2)) || (inY && (x == x1 || x == x2)))
                pixels.insert({x, y});
        }
    }
    return pixels;
}

// An image of a type that the accessors do not know.
class StrangeImg : public GImg
{
public:
    StrangeImg()
        : GImg(Unknown)
    {
        setSize(4, 4, 1);
    }
    int writes = 0;

protected:
    void putValue(int, int, int, double) override { ++writes; }
};

} // namespace

class TestGLine2D : public QObject
{
    Q_OBJECT

private slots:
    void construction_data();
    void construction();
    void writeForms_data();
    void writeForms();
    void readForms_data();
    void readForms();
    void roundTrip_data();
    void roundTrip();
    void readFailures_data();
    void readFailures();

    void clip_data();
    void clip();
    void drawMatchesBresenham();
    void drawExamples_data();
    void drawExamples();
    void drawUnboundedLine();
    void drawPlanes();
    void drawFailures();

    void rectangleForms_data();
    void rectangleForms();
    void rectangleReads();
    void rectangleDraw_data();
    void rectangleDraw();
};

void TestGLine2D::construction_data()
{
    QTest::addColumn<GPoint2D>("p");
    QTest::addColumn<GPoint2D>("q");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("c");
    QTest::addColumn<double>("slope");
    QTest::addColumn<double>("intercept");
    QTest::newRow("(0, 1) to (10, 6)")
            << GPoint2D(0, 1) << GPoint2D(10, 6) << 1 << -0.5 << 1.0 << -1.0 << 0.5 << 1.0;
    QTest::newRow("(4, 2) to (2, 8)")
            << GPoint2D(4, 2) << GPoint2D(2, 8) << 1 << 3.0 << 1.0 << -14.0 << -3.0 << 14.0;
    QTest::newRow("horizontal (2, 3) to (7, 3)")
            << GPoint2D(2, 3) << GPoint2D(7, 3) << -5 << 0.0 << 1.0 << -3.0 << 0.0 << 3.0;
    QTest::newRow("vertical (4, 1) to (4, 9)")
            << GPoint2D(4, 1) << GPoint2D(4, 9) << 5 << 1.0 << 0.0 << -4.0 << 0.0 << 0.0;
    QTest::newRow("point to itself")
            << GPoint2D(4, 1) << GPoint2D(4, 1) << 5 << 1.0 << 0.0 << -4.0 << 0.0 << 0.0;
}

void TestGLine2D::construction()
{
    QFETCH(GPoint2D, p);
    QFETCH(GPoint2D, q);
    QFETCH(int, kind);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, c);
    QFETCH(double, slope);
    QFETCH(double, intercept);
    const GLine2D line(p, q);
    QCOMPARE(line.kind, kind);
    QCOMPARE(line.a, a);
    QCOMPARE(line.b, b);
    QCOMPARE(line.c, c);
    QCOMPARE(line.slope, slope);
    QCOMPARE(line.intercept, intercept);
    QVERIFY(line.p1 == p);
    QVERIFY(line.p2 == q);
    QVERIFY(line.bounded1 && line.bounded2);
}

void TestGLine2D::writeForms_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray text = "{ -0.5 1 -1 } { 0.5 1 } { 0 1  10 6  } { 1 1 } { 1 }";
    QTest::newRow("mode 1") << 1 << text;
    QTest::newRow("mode 2") << 2 << text;
    QTest::newRow("mode 3") << 3
                            << leDouble(-0.5) + leDouble(1) + leDouble(-1) + leDouble(0.5)
                                       + leDouble(1) + vectorRecord({0, 1}) + vectorRecord({10, 6})
                                       + QByteArray("\x01\x01", 2) + leInt(1);
}

void TestGLine2D::writeForms()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    QCOMPARE(written(GLine2D(GPoint2D(0, 1), GPoint2D(10, 6)), mode), expected);
}

void TestGLine2D::readForms_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("mode 1 as written") << 1
                                       << QByteArray("{ -0.5 1 -1 } { 0.5 1 } { 0 1  10 6  } "
                                                     "{ 0 1 } { 1 }");
    QTest::newRow("mode 2 as written") << 2
                                       << QByteArray("{ -0.5 1 -1 } { 0.5 1 } { 0 1  10 6  } "
                                                     "{ 0 1 } { 1 }");
    QTest::newRow("mode 1 packed") << 1 << QByteArray("{-0.5 1 -1}{0.5 1}{0 1 10 6}{0 1}{1}");
    QTest::newRow("mode 2 over lines") << 2
                                       << QByteArray("{\n-0.5\n1\n-1\n}\n{\t0.5 1 }\n{ 0 1\n"
                                                     "10 6 }\n{ 0\n1 }\n{ 1\n}\n");
}

void TestGLine2D::readForms()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    ErrorRecorder errors;
    GLine2D line(GPoint2D(7, 7), GPoint2D(7, 8));
    QVERIFY(readFrom(line, input, mode));
    QCOMPARE(line.a, -0.5);
    QCOMPARE(line.b, 1.0);
    QCOMPARE(line.c, -1.0);
    QCOMPARE(line.slope, 0.5);
    QCOMPARE(line.intercept, 1.0);
    QVERIFY(line.p1 == GPoint2D(0, 1));
    QVERIFY(line.p2 == GPoint2D(10, 6));
    QVERIFY(!line.bounded1);
    QVERIFY(line.bounded2);
    QCOMPARE(line.kind, 1);
    QVERIFY(errors.reports.isEmpty());
}

void TestGLine2D::roundTrip_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("mode 1") << 1;
    QTest::newRow("mode 2") << 2;
    QTest::newRow("mode 3") << 3;
}

void TestGLine2D::roundTrip()
{
    QFETCH(int, mode);
    ErrorRecorder errors;
    GLine2D line(GPoint2D(1.5, -2), GPoint2D(4, 9e5));
    line.bounded2 = false;
    GLine2D back{GPoint2D(), GPoint2D()};
    QVERIFY(readFrom(back, written(line, mode), mode));
    QCOMPARE(written(back, mode), written(line, mode));
    QVERIFY(!back.bounded2);
    QVERIFY(errors.reports.isEmpty());
}

void TestGLine2D::readFailures_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("code");
    QTest::newRow("missing brace") << 1 << QByteArray("{ 1 2 3 { 0 0 }") << 25;
    QTest::newRow("letter for a value") << 2 << QByteArray("{ 1 2 x }") << 24;
    QTest::newRow("point of three values") << 1
                                           << QByteArray("{ 1 0 -4 } { 0 0 } { 4 1 1 4 9 } "
                                                         "{ 1 1 } { 5 }")
                                           << 25;
    QTest::newRow("binary cut short") << 3 << leDouble(1) + leDouble(2) << 24;
}

void TestGLine2D::readFailures()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(int, code);
    ErrorRecorder errors;
    GLine2D line(GPoint2D(0, 0), GPoint2D(1, 1));
    QVERIFY(!readFrom(line, input, mode));
    QCOMPARE(errors.last().code, code);
}

void TestGLine2D::clip_data()
{
    QTest::addColumn<GPoint2D>("p");
    QTest::addColumn<GPoint2D>("q");
    QTest::addColumn<bool>("bounded1");
    QTest::addColumn<bool>("bounded2");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<GPoint2D>("end1");
    QTest::addColumn<GPoint2D>("end2");
    // The image is 10 x 8: x from 0 to 9, y from 0 to 7.
    QTest::newRow("unbounded horizontal") << GPoint2D(2, 3) << GPoint2D(5, 3) << false << false
                                          << true << GPoint2D(0, 3) << GPoint2D(9, 3);
    QTest::newRow("unbounded vertical") << GPoint2D(4, 1) << GPoint2D(4, 2) << false << false
                                        << true << GPoint2D(4, 0) << GPoint2D(4, 7);
    QTest::newRow("unbounded, crosses left and right")
            << GPoint2D(0, 1) << GPoint2D(2, 2) << false << false << true << GPoint2D(0, 1)
            << GPoint2D(9, 5.5);
    QTest::newRow("unbounded, crosses top and bottom")
            << GPoint2D(3, 2) << GPoint2D(4, 4) << false << false << true << GPoint2D(2, 0)
            << GPoint2D(5.5, 7);
    QTest::newRow("unbounded, misses") << GPoint2D(0, -3) << GPoint2D(5, -3) << false << false
                                       << false << GPoint2D() << GPoint2D();
    QTest::newRow("bounded inside") << GPoint2D(1.25, 2.5) << GPoint2D(8.5, 6.75) << true << true
                                    << true << GPoint2D(1.25, 2.5) << GPoint2D(8.5, 6.75);
    QTest::newRow("bounded, second end outside")
            << GPoint2D(2, 2) << GPoint2D(20, 2) << true << true << true << GPoint2D(2, 2)
            << GPoint2D(9, 2);
    QTest::newRow("bounded, both ends outside")
            << GPoint2D(-4, -2) << GPoint2D(16, 8) << true << true << true << GPoint2D(0, 0)
            << GPoint2D(9, 4.5);
    QTest::newRow("bounded, misses") << GPoint2D(20, 20) << GPoint2D(30, 25) << true << true
                                     << false << GPoint2D() << GPoint2D();
    QTest::newRow("bounded, stops short of the image")
            << GPoint2D(-10, 3) << GPoint2D(-2, 3) << true << true << false << GPoint2D()
            << GPoint2D();
    QTest::newRow("ray from the first end") << GPoint2D(2, 2) << GPoint2D(3, 2) << true << false
                                            << true << GPoint2D(2, 2) << GPoint2D(9, 2);
    QTest::newRow("single point inside") << GPoint2D(3, 3) << GPoint2D(3, 3) << true << true
                                         << true << GPoint2D(3, 3) << GPoint2D(3, 3);
    QTest::newRow("single point outside") << GPoint2D(30, 3) << GPoint2D(30, 3) << true << true
                                          << false << GPoint2D() << GPoint2D();
}

void TestGLine2D::clip()
{
    QFETCH(GPoint2D, p);
    QFETCH(GPoint2D, q);
    QFETCH(bool, bounded1);
    QFETCH(bool, bounded2);
    QFETCH(bool, ok);
    QFETCH(GPoint2D, end1);
    QFETCH(GPoint2D, end2);
    GLine2D line(p, q);
    line.bounded1 = bounded1;
    line.bounded2 = bounded2;
    GPoint2D first = p;
    GPoint2D second = q;
    QCOMPARE(line.clip(first, second, 10, 8), ok);
    if (!ok)
        return;
    const auto near = [](const GPoint2D& u, const GPoint2D& v) {
        return std::fabs(u(0) - v(0)) < 1e-9 && std::fabs(u(1) - v(1)) < 1e-9;
    };
    // Which crossing comes first is the line's business; both must be there.
    QVERIFY2((near(first, end1) && near(second, end2))
                     || (near(first, end2) && near(second, end1)),
             qPrintable(QString("(%1, %2) (%3, %4)")
                                .arg(first(0))
                                .arg(first(1))
                                .arg(second(0))
                                .arg(second(1))));
}

void TestGLine2D::drawMatchesBresenham()
{
    ErrorRecorder errors;
    QRandomGenerator random(99);
    for (int n = 0; n < 400; ++n) {
        const int x0 = random.bounded(40);
        const int y0 = random.bounded(30);
        const int x1 = random.bounded(40);
        const int y1 = random.bounded(30);
        // Ends a little off the pixel centres, but never outside the image.
        const auto off = [](int v, int last, double by) { return v + (v == last ? -by : by); };
        GBytImg image(40, 30);
        QVERIFY(GLine2D(GPoint2D(off(x0, 39, 0.3), off(y0, 29, 0.2)),
                        GPoint2D(off(x1, 39, 0.4), off(y1, 29, 0.1)))
                        .doDraw(&image, 1, 0, 0));
        QCOMPARE(setPixels(image), bresenham(x0, y0, x1, y1));
    }
    QVERIFY(errors.reports.isEmpty());
}

void TestGLine2D::drawExamples_data()
{
    QTest::addColumn<GPoint2D>("p");
    QTest::addColumn<GPoint2D>("q");
    QTest::addColumn<PixelSet>("pixels");
    QTest::newRow("(0, 0) to (3, 1)")
            << GPoint2D(0, 0) << GPoint2D(3, 1) << PixelSet({{0, 0}, {1, 0}, {2, 1}, {3, 1}});
    QTest::newRow("(3, 1) to (0, 0)")
            << GPoint2D(3, 1) << GPoint2D(0, 0) << PixelSet({{3, 1}, {2, 1}, {1, 0}, {0, 0}});
    QTest::newRow("halves round away from zero")
            << GPoint2D(0.5, 1.49) << GPoint2D(2.5, 1.5) << PixelSet({{1, 1}, {2, 2}, {3, 2}});
    QTest::newRow("clipped at the right border")
            << GPoint2D(2, 2) << GPoint2D(40, 2) << PixelSet({{2, 2}, {3, 2}, {4, 2}, {5, 2}});
    QTest::newRow("single pixel") << GPoint2D(4, 3) << GPoint2D(4.2, 2.9) << PixelSet({{4, 3}});
}

void TestGLine2D::drawExamples()
{
    QFETCH(GPoint2D, p);
    QFETCH(GPoint2D, q);
    QFETCH(PixelSet, pixels);
    ErrorRecorder errors;
    GBinImg image(6, 5);
    // Style and size play no part in a line.
    QVERIFY(GLine2D(p, q).doDraw(&image, 1, 0x400, 99));
    QCOMPARE(setPixels(image), pixels);
    QVERIFY(errors.reports.isEmpty());
}

void TestGLine2D::drawUnboundedLine()
{
    GLine2D line(GPoint2D(3, 1), GPoint2D(4, 2));
    line.bounded1 = false;
    line.bounded2 = false;
    GBytImg image(8, 6);
    QVERIFY(line.doDraw(&image, 1, 0, 0));
    QCOMPARE(setPixels(image), bresenham(2, 0, 7, 5));
}

void TestGLine2D::drawPlanes()
{
    GBinImg binary(5, 3, 2);
    QVERIFY(GLine2D(GPoint2D(0, 1), GPoint2D(4, 1))
                    .doDraw(&binary, GPixelValue(std::vector<double>{0, 5}), 0, 0));
    QVERIFY(setPixels(binary, 0).isEmpty());
    QCOMPARE(setPixels(binary, 1), bresenham(0, 1, 4, 1));

    GDblImg doubles(5, 3, 3);
    QVERIFY(GLine2D(GPoint2D(1, 0), GPoint2D(1, 2))
                    .doDraw(&doubles, GPixelValue(std::vector<double>{0.25, -1.5, 3}), 0, 0));
    for (int y = 0; y < 3; ++y) {
        QCOMPARE(doubles(1, y, 0), 0.25);
        QCOMPARE(doubles(1, y, 1), -1.5);
        QCOMPARE(doubles(1, y, 2), 3.0);
    }
}

void TestGLine2D::drawFailures()
{
    ErrorRecorder errors;
    GBytImg image(10, 10);
    QVERIFY(!GLine2D(GPoint2D(20, 20), GPoint2D(30, 40)).doDraw(&image, 1, 0, 0));
    QVERIFY(setPixels(image).isEmpty());
    QCOMPARE(errors.codes(), QList<int>{1});
    QCOMPARE(errors.last().function, QByteArray("GLine2D::doDraw() clipping failed"));
    QCOMPARE(errors.last().message, QByteArray());

    errors.reset();
    GLine2D undefined(GPoint2D(1, 1), GPoint2D(2, 2));
    undefined.a = 0;
    undefined.b = 1e-16;
    QVERIFY(!undefined.doDraw(&image, 1, 0, 0));
    QCOMPARE(errors.codes(), QList<int>{1});

    errors.reset();
    GFltImg floats(10, 10);
    QVERIFY(!GLine2D(GPoint2D(1, 1), GPoint2D(5, 5)).doDraw(&floats, 1, 0, 0));
    QCOMPARE(errors.codes(), QList<int>{51});
    QCOMPARE(errors.last().function, QByteArray("GLine2D::doDraw() unsupported Imagetype"));
    QCOMPARE(floats(3, 3), 0.0f);

    errors.reset();
    StrangeImg strange;
    QVERIFY(!GLine2D(GPoint2D(1, 1), GPoint2D(2, 2)).doDraw(&strange, 1, 0, 0));
    QCOMPARE(strange.writes, 0);
    QCOMPARE(errors.codes(), QList<int>({51, 51, 1}));
    QCOMPARE(errors.reports[0].function, QByteArray("GImg::cols()"));
    QCOMPARE(errors.reports[1].function, QByteArray("GImg::rows()"));
}

void TestGLine2D::rectangleForms_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("mode 1") << 1 << QByteArray("{ 1.5 2 30 -4 } ");
    QTest::newRow("mode 2") << 2 << QByteArray("1.5 2 30 -4 ");
    QTest::newRow("mode 7") << 7 << QByteArray("KBV 1.5 2  30 -4 \n");
}

void TestGLine2D::rectangleForms()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    ErrorRecorder errors;
    const GRect2D rect(1.5, 2, 30, -4);
    QCOMPARE(written(rect, mode), expected);
    QVERIFY(errors.reports.isEmpty());
    if (mode == 7)
        return;
    GRect2D back;
    QVERIFY(readFrom(back, expected, mode));
    QCOMPARE(written(back, mode), expected);
}

void TestGLine2D::rectangleReads()
{
    ErrorRecorder errors;
    GRect2D rect;
    QVERIFY(readFrom(rect, vectorRecord({1, 2}) + vectorRecord({3, 4}), 3));
    QCOMPARE(rect.corner1(1), 2.0);
    QCOMPARE(rect.corner2(0), 3.0);
    QVERIFY(readFrom(rect, "{\n5\n6\t7 8}", 1));
    QCOMPARE(rect.corner2(1), 8.0);
    QVERIFY(errors.reports.isEmpty());
    QVERIFY(!readFrom(rect, "KBV 1 2 3 4\n", 7));
    QCOMPARE(errors.codes(), QList<int>{26});
    QCOMPARE(errors.last().function, QByteArray("GRect2D::read()"));
}

void TestGLine2D::rectangleDraw_data()
{
    QTest::addColumn<GRect2D>("rect");
    QTest::addColumn<int>("style");
    QTest::newRow("plain") << GRect2D(2, 1, 9, 6) << 0;
    QTest::newRow("corners swapped") << GRect2D(9, 6, 2, 1) << 0x20;
    QTest::newRow("any style") << GRect2D(2, 1, 9, 6) << 0x100;
    QTest::newRow("polyline style") << GRect2D(2, 1, 9, 6) << 0x1000;
    QTest::newRow("reaching past the image") << GRect2D(-3, 2, 8, 20) << 0;
}

void TestGLine2D::rectangleDraw()
{
    QFETCH(GRect2D, rect);
    QFETCH(int, style);
    ErrorRecorder errors;
    GBytImg image(12, 9);
    rect.doDraw(&image, 1, style, 7);
    const int x1 = int(rect.corner1(0));
    const int y1 = int(rect.corner1(1));
    const int x2 = int(rect.corner2(0));
    const int y2 = int(rect.corner2(1));
    // Sides outside the image fail their clip and draw nothing.
    QCOMPARE(setPixels(image), outline(x1, y1, x2, y2, image.cols(), image.rows()));
}

QTEST_GUILESS_MAIN(TestGLine2D)
#include "tst_gline2d.moc"
