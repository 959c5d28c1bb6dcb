#include "errorrecorder.h"
#include "ghompt.h"
#include "gimg.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

GVector vec(std::initializer_list<double> values, const char* flags = "nn")
{
    GVector v(int(values.size()));
    std::copy(values.begin(), values.end(), &v(0));
    v.tFlag = flags[0] == 't';
    v.homogenized = flags[1] == 'h';
    return v;
}

// The shapes from their definition: the pixels of the box around (x, y) for which the rule
// of the first matching style bit holds.
PixelSet shape(int style, int x, int y, int size, int cols, int rows)
{
    const int r = size / 2;
    const int x0 = std::max(x - r, 0), x1 = std::min(x + r, cols - 1);
    const int y0 = std::max(y - r, 0), y1 = std::min(y + r, rows - 1);
    const auto reach = [r](int d) { return int(std::sqrt(double(r * r - d * d)) + 0.5); };
    PixelSet pixels;
    for (int row = y0; row <= y1; ++row) {
        for (int col = x0; col <= x1; ++col) {
            if (style & 0x220   ? row == y || col == x
                : style & 0x400 ? col - x0 == row - y0 || x1 - col == row - y0
                : style & 0x100 ? std::abs(row - y) == reach(col - x)
                                          || std::abs(col - x) == reach(row - y)
                                : col == x && row == y)
                pixels.insert({col, row});
        }
    }
    return pixels;
}

template<typename Image>
double drawn(double value)
{
    Image image(1, 1);
    GPoint2D(0, 0).doDraw(&image, value, 0x800, 1);
    return double(image(0, 0));
}

} // namespace

class TestGVector : public QObject
{
    Q_OBJECT

private slots:
    void vectorOperations();
    void points();
    void numberFormat();
    void reads_data();
    void reads();
    void drawShapes_data();
    void drawShapes();
    void drawPixels();
};

void TestGVector::vectorOperations()
{
    ErrorRecorder errors;
    GVector v = vec({1, 2}, "th");
    QVERIFY(v.create(3) && !v.create(0) && !v.create(-3));
    QCOMPARE(written(v, 1), "{ 3 nn { 0 0 0  } } ");
    QVERIFY(v.create(2, 2.5) && v.homogenize() && !v.homogenize() && !GVector().homogenize());
    QCOMPARE(written(v, 1), "{ 3 nh { 2.5 2.5 1  } } ");
    QVERIFY(v.resize(2) && !v.resize(0));
    // Indices past the end reach a dummy element.
    const GVector a = vec({1, 2.5}, "tn");
    v(2) = 7;
    Q_UNUSED(a(-1));
    QCOMPARE(written(v, 1) + written(a, 1), "{ 2 nh { 2.5 2.5  } } { 2 tn { 1 2.5  } } ");
    // Sums and differences take the flags of the left operand; copies are deep.
    const GVector b = vec({0.5, -1}, "nh");
    QCOMPARE(written(a + b, 1) + written(a - b, 2), "{ 2 tn { 1.5 1.5  } } 0.5 3.5 ");
    QCOMPARE((a + vec({1, 2, 3})).size() + (a - vec({1, 2, 3})).size(), 0);
    GVector c = a;
    c(0) = 7;
    QCOMPARE(written(a, 2) + written(c, 2), "1 2.5 7 2.5 ");
    c = GVector();
    QCOMPARE(c.size(), 0);
    const QByteArray create = "40 GVector::create(): Not possible to create (";
    const QByteArray twice
            = "1 GVector::homogenize(): Point already homogenized or of dimension zero!";
    const QByteArray access = "31 GVector::operator (): Not possible to access (";
    QCOMPARE(errors.reports,
             QByteArrayList({create + "0)", create + "-3)", twice, twice,
                             "40 GVector::resize(): Not possible to resize to (0)", access + "2)",
                             access + "-1)", "40 GVector::operator +: (2)!=(3)",
                             "40 GVector::operator -: (2)!=(3)"}));
}

void TestGVector::points()
{
    ErrorRecorder errors;
    QCOMPARE(written(GPoint2D(vec({1, 2, 1}, "tn")), 1), "{ 3 th { 1 2 1  } } ");
    QCOMPARE(written(GPoint2D(vec({1, 2, 3, 4})), 1), "{ 4 nn { 1 2 3 4  } } ");
    // Points compare x and y only, exactly.
    QVERIFY(GPoint2D(1, 2) == GPoint2D(vec({1, 2, 1})) && GPoint2D(1, 2) != GPoint2D(1.5, 2));
    QVERIFY(GPoint2D(1, 2) != GPoint2D(1, 2 + 1e-15));
    // Assignment leaves the target equal to the source, even a point left empty.
    GPoint2D homogeneous(3, 4);
    homogeneous.homogenize();
    GPoint2D target(GVector{});
    target = homogeneous;
    QCOMPARE(written(target, 1), "{ 3 nh { 3 4 1  } } ");
    const GHomPt pair(GPoint2D(1, 2), GPoint2D(3, 4));
    QCOMPARE(written(pair, 1) + written(pair, 2), "{ 1 2 3 4 } 1 2 3 4 ");
    QCOMPARE(written(pair, 3), record({1, 2}) + record({3, 4}));
    GHomPt copy = pair;
    copy.second(1) = 5;
    QVERIFY(copy != pair && pair.second(1) == 4 && GHomPt() == GHomPt(GPoint2D(), GPoint2D()));
    const QByteArray wrong = "40 GPoint2D::GPoint2D(const GVector v): vector to be copied of "
                             "wrong dimension ";
    QCOMPARE(errors.reports, QByteArrayList({wrong + "4", wrong + "0"}));
}

void TestGVector::numberFormat()
{
    GVector v = vec({0.1, 100, 3.14159265, 123456789, 1e-7, -0.000123456, 999999.5}, "th");
    QCOMPARE(written(v, 2), "0.1 100 3.14159 1.23457e+08 1e-07 -0.000123456 1e+06 ");
    // Binary keeps every bit.
    GVector back;
    QVERIFY(readFrom(back, written(v, 3), 3));
    QCOMPARE(written(back, 3),
             record({0.1, 100, 3.14159265, 123456789, 1e-7, -0.000123456, 999999.5}, "th"));
    // Exponents of two or three digits and either case read.
    QVERIFY(readFrom(v, "1e-007 2.5E+003 -4e+100 0 0 0 0", 2));
    QCOMPARE(written(v, 2), "1e-07 2500 -4e+100 0 0 0 0 ");
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
    const QByteArray create = "40 GVector::create(): Not possible to create (";
    const QByteArray exceeds = " exceeds the data left in the stream";
    row("as written", {}, 1, "{ 3 nn { 1 2.5 3  } } ", "{ 3 nn { 1 2.5 3  } } ");
    row("over lines, no blanks at braces", {}, 1, "\n{2\tt\n\nh\n{1\n  2}\n}",
        "{ 2 th { 1 2  } } ");
    row("other letters clear the flags", vec({9, 9}, "th"), 1, "{ 2 ht { 1 2 } }",
        "{ 2 nn { 1 2  } } ");
    row("binary", {}, 3, record({0.5, -1}, "th"), "{ 2 th { 0.5 -1  } } ");
    row("plain text keeps the flags", vec({9, 9}, "th"), 2, "1\n2", "{ 2 th { 1 2  } } ");
    row("a failed value keeps what was read", vec({9, 9, 9}), 2, "1 2 x",
        "{ 3 nn { 1 2 9  } } 24 " + read);
    row("size differs", vec({9, 9}), 1, "{ 3 nn { 1 2 3 } }",
        "{ 2 nn { 9 9  } } 40 " + read + "(2)!=(3)");
    row("plain text into empty", {}, 2, "1 2",
        none + "40 " + read + "could not read mode 2 into empty GVector");
    row("negative count", {}, 1, "{ -5 nn { } }", none + create + "-5)");
    row("negative binary count", {}, 3, "nn" + le(-1), none + create + "-1)");
    row("count beyond the text", {}, 1, "{ 2000000000 nn { 1 } }",
        none + "24 " + read + "count (2000000000)" + exceeds);
    row("count beyond the bytes", {}, 3, "nn" + le(3) + le(1.0) + le(2.0),
        none + "24 " + read + "count (3)" + exceeds);
    row("count overflowing int", {}, 1, "{ 99999999999 nn {", none + "24 " + read);
    row("missing inner brace", {}, 1, "{ 1 nn 1 } }",
        "{ 1 nn { 0  } } 25 GMesh::expect_char(): missing { in ASCII stream");
    row("missing closing brace", {}, 1, "{ 1 nn { 1 }",
        "{ 1 nn { 1  } } 25 GMesh::expect_char(): missing } in ASCII stream");
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
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("size");
    QTest::newRow("plus 0x20, size 5") << 0x20 << 10.7 << 8.2 << 5;
    QTest::newRow("plus 0x200 at the corner") << 0x200 << 0.0 << 0.9 << 5;
    QTest::newRow("x, size 4") << 0x400 << 10.7 << 8.2 << 4;
    QTest::newRow("x at the left border") << 0x400 << 1.5 << 8.0 << 7;
    QTest::newRow("circle, radius 4") << 0x100 << 10.7 << 8.2 << 8;
    QTest::newRow("circle cut by the border") << 0x100 << 2.0 << 13.0 << 10;
    QTest::newRow("single pixel, size 5") << 0x800 << 10.7 << 8.2 << 5;
    QTest::newRow("plus before circle") << 0x120 << 10.7 << 8.2 << 5;
    QTest::newRow("x before single pixel") << 0xc00 << 10.7 << 8.2 << 3;
    QTest::newRow("(-0.5, 3.9) at pixel (0, 3)") << 0x800 << -0.5 << 3.9 << 1;
    QTest::newRow("(-1.2, 3) outside") << 0x800 << -1.2 << 3.0 << 1;
    QTest::newRow("(20, 3) outside") << 0x20 << 20.0 << 3.0 << 5;
    QTest::newRow("(3, 15) outside") << 0x20 << 3.0 << 15.0 << 5;
    QTest::newRow("huge x outside") << 0x800 << 1e300 << 3.0 << 1;
    QTest::newRow("not a number outside") << 0x800 << std::nan("") << 3.0 << 1;
}

void TestGVector::drawShapes()
{
    QFETCH(int, style);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, size);
    ErrorRecorder errors;
    GBytImg image(20, 15);
    // The pixel is the position truncated toward zero.
    const bool inside = std::trunc(x) >= 0 && std::trunc(x) < 20 && std::trunc(y) >= 0 && y < 15;
    QCOMPARE(GPoint2D(x, y).doDraw(&image, 1, style, size), inside);
    QCOMPARE(setPixels(image), inside ? shape(style, int(x), int(y), size, 20, 15) : PixelSet());
    QCOMPARE(errors.reports.join(), inside ? "" : "40 GPoint2D::doDraw(): point out of image");
}

void TestGVector::drawPixels()
{
    ErrorRecorder errors;
    const double intMax = std::numeric_limits<int>::max();
    QCOMPARE(QList<double>({drawn<GBinImg>(1e-16), drawn<GBinImg>(-1e-15), drawn<GBytImg>(7.9),
                            drawn<GBytImg>(300), drawn<GBytImg>(-3.5),
                            drawn<GBytImg>(std::nan("")), drawn<GUShortImg>(65535.7),
                            drawn<GIntImg>(-3.9), drawn<GIntImg>(1e20), drawn<GDblImg>(2.5)}),
             QList<double>({0, 1, 7, 255, 0, 0, 65535, -3, intMax, 2.5}));
    // Planes beyond the given values get 0; a single value goes to every plane.
    GBytImg three(1, 1, 3);
    QList<int> planes;
    for (const GPixelValue& v : {GPixelValue(std::vector<double>{5, 6}), GPixelValue(9)}) {
        GPoint2D().doDraw(&three, v, 0x800, 1);
        planes << three(0, 0, 0) << three(0, 0, 1) << three(0, 0, 2);
    }
    QCOMPARE(planes, QList<int>({5, 6, 0, 9, 9, 9}));
    GFltImg floats(4, 4);
    GBytImg bytes(4, 4);
    GBinImg binary(2, 2);
    QVERIFY(!GPoint2D(1, 1).doDraw(&floats, 3, 0x800, 1) && floats(1, 1) == 0);
    QVERIFY(!GPoint2D(1, 1).doDraw(&bytes, 3, 0x40, 5));
    // Pixel access outside the image reports and writes to a dummy pixel.
    bytes(4, 0) = 7;
    bytes(0, 0, 1) = 7;
    binary(-1, 0) = 1;
    QVERIFY(setPixels(bytes).isEmpty() && setPixels(binary).isEmpty());
    QCOMPARE(errors.reports,
             QByteArrayList({"51 GPoint2D::doDraw(): ", "42 GPoint2D::doDraw(): ",
                             "31 GBytImg::operator (): Not possible to access ( 4,0,0 )",
                             "31 GBytImg::operator (): Not possible to access ( 0,0,1 )",
                             "31 GBinImg::operator (): Not possible to access (-1,0,0)"}));
}

QTEST_GUILESS_MAIN(TestGVector)
#include "tst_gvector.moc"
