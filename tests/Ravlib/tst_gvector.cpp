#include "errorrecorder.h"
#include "gimg.h"
#include "gpoint2d.h"

#include <QTest>

#include <cmath>

namespace {

GVector vec(std::initializer_list<double> values, const char* flags = "nn")
{
    GVector v(int(values.size()));
    std::copy(values.begin(), values.end(), &v(0));
    v.tFlag = flags[0] == 't';
    v.homogenized = flags[1] == 'h';
    return v;
}

// The shapes from their definition on a 20 x 15 image: the pixels of the box around (x, y)
// for which the rule of the first matching style bit holds.
PixelSet shape(int style, int x, int y, int size)
{
    const int r = size / 2;
    const int x0 = std::max(x - r, 0), x1 = std::min(x + r, 19);
    const int y0 = std::max(y - r, 0), y1 = std::min(y + r, 14);
    const auto reach = [r](int d) { return int(std::sqrt(double(r * r - d * d)) + 0.5); };
    PixelSet pixels;
    for (int row = y0; row <= y1; ++row)
        for (int col = x0; col <= x1; ++col)
            if (style & 0x220   ? row == y || col == x
                : style & 0x400 ? col - x0 == row - y0 || x1 - col == row - y0
                : style & 0x100 ? std::abs(row - y) == reach(col - x)
                                          || std::abs(col - x) == reach(row - y)
                                : col == x && row == y)
                pixels.insert({col, row});
    return pixels;
}

} // namespace

class TestGVector : public QObject
{
    Q_OBJECT

private slots:
    void vectorsAndPoints();
    void reads_data();
    void reads();
    void drawShapes_data();
    void drawShapes();
    void drawPixels();
};

void TestGVector::vectorsAndPoints()
{
    ErrorRecorder errors;
    // create() zeroes the values and clears the flags; homogenize() appends a 1, once.
    GVector v = vec({1, 2}, "th");
    QVERIFY(v.create(3) && !v.create(0) && written(v, 1) == "{ 3 nn { 0 0 0  } } ");
    QVERIFY(v.create(2, 2.5) && v.homogenize() && !v.homogenize() && !GVector().homogenize());
    QCOMPARE(written(v, 1), "{ 3 nh { 2.5 2.5 1  } } ");
    // resize() keeps the flags; indices past the end reach a dummy element.
    const GVector a = vec({1, 2.5}, "tn");
    QVERIFY(v.resize(2) && !v.resize(0));
    v(2) = a(-1) + 7;
    QCOMPARE(written(v, 1) + written(a, 1), "{ 2 nh { 2.5 2.5  } } { 2 tn { 1 2.5  } } ");
    // Sums and differences take the flags of the left operand; six digits in text.
    const GVector b = vec({0.5, -1.000001}, "nh");
    QCOMPARE(written(a + b, 1) + written(a - b, 2), "{ 2 tn { 1.5 1.5  } } 0.5 3.5 ");
    QCOMPARE((a + vec({1, 2, 3})).size() + (a - vec({1, 2, 3})).size(), 0);
    QCOMPARE((v = GVector()).size(), 0); // an empty source is no error
    // A point takes the values and flags of a vector of any size; three make it homogeneous.
    QCOMPARE(written(GPoint2D(vec({1, 2, 1}, "tn")), 1) + written(GPoint2D(vec({1, 2, 3, 4})), 1),
             "{ 3 th { 1 2 1  } } { 4 nn { 1 2 3 4  } } ");
    // Points compare x and y only, exactly.
    QVERIFY(GPoint2D(1, 2) == GPoint2D(vec({1, 2, 1})) && GPoint2D() != GPoint2D(0, 1e-300));
    // Assignment leaves the target equal to the source, even a point left empty.
    const GPoint2D homogeneous(vec({3, 4, 1}));
    GPoint2D target(GVector{});
    target = homogeneous;
    QCOMPARE(written(target, 1), "{ 3 nh { 3 4 1  } } ");
    const QByteArray wrong = "40 GPoint2D::GPoint2D(const GVector v): vector to be copied of "
                             "wrong dimension ";
    const QByteArray twice = "1 GVector::homogenize(): Point already homogenized or of "
                             "dimension zero!";
    const QByteArray access = "31 GVector::operator (): Not possible to access (";
    QCOMPARE(errors.reports,
             QByteArrayList({"40 GVector::create(): Not possible to create (0)", twice, twice,
                             "40 GVector::resize(): Not possible to resize to (0)", access + "-1)",
                             access + "2)", "40 GVector::operator +: (2)!=(3)",
                             "40 GVector::operator -: (2)!=(3)", wrong + "4", wrong + "0"}));
}

void TestGVector::reads_data()
{
    QTest::addColumn<GVector>("target");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("result"); // the vector afterwards, then the last report
    const auto row = [](const char* name, const GVector& target, int mode, const QByteArray& input,
                        const QByteArray& result) {
        QTest::newRow(name) << target << mode << input << result;
    };
    const QByteArray none = "{ 0 nn {  } } ";
    const QByteArray read = "GVector::read(): ";
    const QByteArray beyond = none + "24 " + read + "count (";
    const QByteArray exceeds = ") exceeds the data left in the stream";
    row("over lines", {}, 1, "\n{2\tt\n\nh\n{1\n  2}\n}", "{ 2 th { 1 2  } } ");
    row("other flag letters", vec({9, 9}, "th"), 1, "{ 2 ht { 1 2 } }", "{ 2 nn { 1 2  } } ");
    row("plain text, exponent forms", vec({9, 9, 9}, "th"), 2, "1e-007 2.5E+003 -4e+100",
        "{ 3 th { 1e-07 2500 -4e+100  } } ");
    row("binary, six digits in text", {}, 3,
        record({0.1, 100, 3.14159265, 123456789, 1e-7, -0.000123456, 999999.5}, "th"),
        "{ 7 th { 0.1 100 3.14159 1.23457e+08 1e-07 -0.000123456 1e+06  } } ");
    row("failed value", vec({9, 9, 9}), 2, "1 2 x", "{ 3 nn { 1 2 9  } } 24 " + read);
    row("size differs", vec({9, 9}), 1, "{ 3 nn { 1 2 3 } }",
        "{ 2 nn { 9 9  } } 40 " + read + "(2)!=(3)");
    row("plain text into empty", {}, 2, "1 2",
        none + "40 " + read + "could not read mode 2 into empty GVector");
    row("negative count", {}, 3, "nn" + le(-1),
        none + "40 GVector::create(): Not possible to create (-1)");
    row("count beyond the text", {}, 1, "{ 99999 nn { 1 } }", beyond + "99999" + exceeds);
    row("count beyond the bytes", {}, 3, "nn" + le(3) + le(1.0) + le(2.0), beyond + "3" + exceeds);
}

void TestGVector::reads()
{
    QFETCH(GVector, target);
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, result);
    ErrorRecorder errors;
    const bool read = readFrom(target, input, mode);
    QCOMPARE(written(target, 1) + errors.reports.value(errors.reports.size() - 1), result);
    QCOMPARE(read, errors.reports.isEmpty());
}

void TestGVector::drawShapes_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<int>("size");
    QTest::newRow("plus 0x200 at the corner") << 0x200 << QPointF(0.0, 0.9) << 5;
    QTest::newRow("x at the left border") << 0x400 << QPointF(1.5, 8.0) << 7;
    QTest::newRow("circle cut by the border") << 0x100 << QPointF(2.0, 13.0) << 10;
    QTest::newRow("plus 0x20 before circle") << 0x120 << QPointF(10.7, 8.2) << 5;
    QTest::newRow("x before single pixel") << 0xc00 << QPointF(10.7, 8.2) << 3;
    QTest::newRow("(-0.5, 3.9) at pixel (0, 3)") << 0x800 << QPointF(-0.5, 3.9) << 1;
    QTest::newRow("(-1.2, 3) outside") << 0x800 << QPointF(-1.2, 3.0) << 1;
    QTest::newRow("(20, 3) outside") << 0x20 << QPointF(20.0, 3.0) << 5;
    QTest::newRow("(3, 15) outside") << 0x20 << QPointF(3.0, 15.0) << 5;
    QTest::newRow("not a number outside") << 0x800 << QPointF(std::nan(""), 3.0) << 1;
}

void TestGVector::drawShapes()
{
    QFETCH(int, style);
    QFETCH(QPointF, at);
    const double x = at.x(), y = at.y();
    QFETCH(int, size);
    ErrorRecorder errors;
    GBytImg image(20, 15);
    // The pixel is the position truncated toward zero.
    const bool inside = std::trunc(x) >= 0 && std::trunc(x) < 20 && std::trunc(y) >= 0 && y < 15;
    QCOMPARE(GPoint2D(x, y).doDraw(&image, 1, style, size), inside);
    QCOMPARE(setPixels(image), inside ? shape(style, int(x), int(y), size) : PixelSet());
    QCOMPARE(errors.reports.join(), inside ? "" : "40 GPoint2D::doDraw(): point out of image");
}

void TestGVector::drawPixels()
{
    ErrorRecorder errors;
    const auto drawn = [](auto&& image, double value) {
        GPoint2D().doDraw(&image, value, 0x800, 1);
        return double(image(0, 0));
    };
    QCOMPARE(QList<double>({drawn(GBinImg(1, 1), 1e-16), drawn(GBinImg(1, 1), -1e-15),
                            drawn(GBytImg(1, 1), 7.9), drawn(GBytImg(1, 1), 300),
                            drawn(GBytImg(1, 1), -3.5), drawn(GBytImg(1, 1), std::nan("")),
                            drawn(GIntImg(1, 1), -3.9), drawn(GIntImg(1, 1), 1e20),
                            drawn(GDblImg(1, 1), 2.5)}),
             QList<double>({0, 1, 7, 255, 0, 0, -3, 2147483647, 2.5}));
    // Planes beyond the given values get 0; a single value goes to every plane.
    GBytImg three(1, 1, 3);
    QList<int> planes;
    for (const GPixelValue& v : {GPixelValue(std::vector<double>{5, 6}), GPixelValue(9)}) {
        GPoint2D().doDraw(&three, v, 0x800, 1);
        planes << three(0, 0, 0) << three(0, 0, 1) << three(0, 0, 2);
    }
    QCOMPARE(planes, QList<int>({5, 6, 0, 9, 9, 9}));
    QCOMPARE(drawn(GFltImg(1, 1), 3), 0.0);
    QVERIFY(!GPoint2D().doDraw(&three, 3, 0x40, 5));
    // Access outside the image reports and never touches memory beyond the pixels.
    GBinImg bin(2, 2);
    GUShortImg words(2, 2);
    bin(2, 0) = 1;
    words(0, 0, 1) = 7;
    QCOMPARE(bin(0, 0) + words(0, 0), 0);
    QCOMPARE(errors.reports,
             QByteArrayList({"51 GPoint2D::doDraw(): ", "42 GPoint2D::doDraw(): ",
                             "31 GBinImg::operator (): Not possible to access (2,0,0)",
                             "31 GUShortImg::operator (): Not possible to access ( 0,0,1 )"}));
}

QTEST_GUILESS_MAIN(TestGVector)
#include "tst_gvector.moc"
