#include "errorrecorder.h"
#include "gimg.h"
#include "gline2d.h"
#include "grect2d.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Bresenham's pixels in closed form: along the driving axis the other coordinate advances
// by floor((2 * i * minor + major) / (2 * major)), ties going to the step.
PixelSet bresenham(int x0, int y0, int x1, int y1)
{
    const int adx = std::abs(x1 - x0), ady = std::abs(y1 - y0);
    const int sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
    PixelSet pixels;
    for (int i = 0; i <= std::max(adx, ady); ++i)
        if (adx > ady)
            pixels.insert({x0 + sx * i, y0 + sy * ((2 * i * ady + adx) / (2 * adx))});
        else
            pixels.insert({x0 + sx * ((2 * i * adx + ady) / (2 * std::max(ady, 1))), y0 + sy * i});
    return pixels;
}

// `bounds` tells for each end whether the line is bounded (b) or unbounded (u) there.
GLine2D lineOf(double x0, double y0, double x1, double y1, const char* bounds = "bb")
{
    GLine2D line(GPoint2D(x0, y0), GPoint2D(x1, y1));
    line.bounded1 = bounds[0] == 'b';
    line.bounded2 = bounds[1] == 'b';
    return line;
}

} // namespace

class TestGLine2D : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void reads_data();
    void reads();
    void clip_data();
    void clip();
    void draw();
    void rectangle();
};

void TestGLine2D::construction()
{
    // { a b c } { slope intercept } { p1 p2 } { bounded1 bounded2 } { kind }, in modes 1 and 2.
    const QByteArray example = "{ -0.5 1 -1 } { 0.5 1 } { 0 1  10 6  } { 1 1 } { 1 }";
    QCOMPARE(written(lineOf(0, 1, 10, 6), 1) + written(lineOf(0, 1, 10, 6), 2), example + example);
    QCOMPARE(written(lineOf(2, 3, 7, 3), 1), "{ 0 1 -3 } { 0 3 } { 2 3  7 3  } { 1 1 } { -5 }");
    QCOMPARE(written(lineOf(4, 1, 4, 9), 1), "{ 1 0 -4 } { 0 0 } { 4 1  4 9  } { 1 1 } { 5 }");
    QCOMPARE(written(lineOf(0, 1, 10, 6, "ub"), 3),
             le(-0.5) + le(1.0) + le(-1.0) + le(0.5) + le(1.0) + record({0, 1}) + record({10, 6})
                     + QByteArray("\0\1", 2) + le(1));
}

void TestGLine2D::reads_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("result"); // the line afterwards, or the last report
    const auto row = [](const char* name, int mode, const QByteArray& input, const char* result) {
        QTest::newRow(name) << mode << input << QByteArray(result);
    };
    const char* line = "{ -0.5 1 -1 } { 0.5 1 } { 0 1  10 6  } { 0 1 } { 1 }";
    row("mode 1 packed", 1, "{-0.5 1 -1}{0.5 1}{0 1 10 6}{0 1}{1}", line);
    row("mode 2 over lines", 2, "{\n-0.5 1\t-1}\n{0.5\n1}{0 1\n10 6}{0\t1}\n{1\n}", line);
    row("binary", 3, written(lineOf(0, 1, 10, 6, "ub"), 3), line);
    row("letter for a value", 2, "{ 1 2 x }", "24 GLine2D::read(): ");
    row("binary cut short", 3, le(1.0) + le(2.0), "24 GLine2D::read(): ");
}

void TestGLine2D::reads()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, result);
    ErrorRecorder errors;
    GLine2D line(GPoint2D(7, 7), GPoint2D(7, 8));
    const bool read = readFrom(line, input, mode);
    QCOMPARE(read ? written(line, 1) : errors.reports.value(errors.reports.size() - 1), result);
    QCOMPARE(read, errors.reports.isEmpty());
}

void TestGLine2D::clip_data()
{
    QTest::addColumn<GLine2D>("line");
    QTest::addColumn<QByteArray>("ends"); // in either order; none when the clip fails
    const auto row = [](const char* name, const GLine2D& line, const char* ends) {
        QTest::newRow(name) << line << QByteArray(ends);
    };
    // The image is 10 x 8: x from 0 to 9, y from 0 to 7.
    row("unbounded horizontal on the border", lineOf(2, 7, 5, 7, "uu"), "0 7, 9 7");
    row("unbounded, left and right", lineOf(0, 1, 2, 2, "uu"), "0 1, 9 5.5");
    row("unbounded, top and bottom", lineOf(3, 2, 4, 4, "uu"), "2 0, 5.5 7");
    row("bounded inside", lineOf(1.25, 2.5, 8.5, 6.75), "1.25 2.5, 8.5 6.75");
    row("bounded, both ends outside", lineOf(-4, -2, 16, 8), "0 0, 9 4.5");
    row("bounded, stops short of the image", lineOf(-10, 3, -2, 3), "");
    row("ray from the first end", lineOf(2, 2, 3, 2, "bu"), "2 2, 9 2");
    row("ray from a single point", lineOf(3, 3, 3, 3, "ub"), "3 0, 3 7");
    row("single point outside", lineOf(30, 3, 30, 3), "");
}

void TestGLine2D::clip()
{
    QFETCH(GLine2D, line);
    QFETCH(QByteArray, ends);
    GPoint2D first = line.p1;
    GPoint2D second = line.p2;
    QByteArrayList found;
    if (line.clip(first, second, 10, 8))
        found = {written(first, 2).trimmed(), written(second, 2).trimmed()};
    std::sort(found.begin(), found.end());
    QCOMPARE(found.join(", "), ends);
}

void TestGLine2D::draw()
{
    ErrorRecorder errors;
    QRandomGenerator random(99);
    for (int n = 0; n < 400; ++n) {
        const int x[2] = {random.bounded(40), random.bounded(40)};
        const int y[2] = {random.bounded(30), random.bounded(30)};
        // Ends a little off the pixel centres, but never outside the image.
        const auto off = [](int v, int last) { return v + (v == last ? -0.3 : 0.3); };
        GBytImg image(40, 30);
        QVERIFY(lineOf(off(x[0], 39), off(y[0], 29), off(x[1], 39), off(y[1], 29))
                        .doDraw(&image, 1, 0, 0));
        QCOMPARE(setPixels(image), bresenham(x[0], y[0], x[1], y[1]));
    }
    const std::vector<std::pair<GLine2D, PixelSet>> examples
            = {{lineOf(0, 0, 3, 1), {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
               {lineOf(0.5, 1.49, 2.5, 1.5), {{1, 1}, {2, 2}, {3, 2}}}, // halves away from zero
               {lineOf(2, 2, 40, 2), {{2, 2}, {3, 2}, {4, 2}, {5, 2}}},
               {lineOf(4, 3, 4.2, 2.9), {{4, 3}}},
               {lineOf(3, 1, 4, 2, "uu"), bresenham(2, 0, 5, 3)}};
    for (const auto& [line, pixels] : examples) {
        GBinImg image(6, 5);
        QVERIFY(line.doDraw(&image, 1, 0x400, 99)); // style and size play no part
        QCOMPARE(setPixels(image), pixels);
    }
    // Nothing to draw, an undefined line, an image type without pixels to set.
    GLine2D undefined = lineOf(1, 1, 2, 2);
    undefined.a = 0;
    undefined.b = 1e-16;
    GBinImg image(6, 5);
    QVERIFY(!lineOf(20, 20, 30, 40).doDraw(&image, 1, 0, 0) && !undefined.doDraw(&image, 1, 0, 0));
    GFltImg floats(10, 10);
    QVERIFY(!lineOf(1, 1, 5, 5).doDraw(&floats, 1, 0, 0) && floats(3, 3) == 0);
    const QByteArray clipping = "1 GLine2D::doDraw() clipping failed: ";
    QCOMPARE(errors.reports,
             QByteArrayList({clipping, clipping, "51 GLine2D::doDraw() unsupported Imagetype: "}));
}

void TestGLine2D::rectangle()
{
    ErrorRecorder errors;
    // Four one-pixel-wide sides; sides outside the image draw nothing.
    for (const GRect2D& rect : {GRect2D(9, 6, 2, 1), GRect2D(-3, 2, 8, 20)}) {
        GBytImg image(12, 9);
        rect.doDraw(&image, 1, 0x20, 7);
        const int x1 = int(rect.corner1(0)), y1 = int(rect.corner1(1));
        const int x2 = int(rect.corner2(0)), y2 = int(rect.corner2(1));
        PixelSet outline = bresenham(x1, y1, x2, y1) | bresenham(x2, y1, x2, y2)
                           | bresenham(x2, y2, x1, y2) | bresenham(x1, y2, x1, y1);
        outline.removeIf([](auto p) { return !QRect(0, 0, 12, 9).contains(p.first, p.second); });
        QCOMPARE(setPixels(image), outline);
    }
    // Binary is read but not written; mode 7 is written but not read.
    const GRect2D rect(1.5, 2, 30, -4);
    QCOMPARE(written(rect, 2) + written(rect, 7), "1.5 2 30 -4 KBV 1.5 2  30 -4 \n");
    GRect2D back;
    QVERIFY(readFrom(back, record({1, 2}) + record({3, 4}), 3) && written(back, 2) == "1 2 3 4 ");
    QVERIFY(!readFrom(back, written(rect, 7), 7));
    QCOMPARE(errors.reports.last(), "26 GRect2D::read(): requested mode 7 not supported");
}

QTEST_GUILESS_MAIN(TestGLine2D)
#include "tst_gline2d.moc"
