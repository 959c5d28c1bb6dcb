#include "errorrecorder.h"
#include "ghompt.h"
#include "gimg.h"
#include "gpoint2d.h"
#include "gvector.h"

#include <QSet>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

using Pixel = QPair<int, int>;
using PixelSet = QSet<Pixel>;

Q_DECLARE_METATYPE(std::vector<double>)

namespace {

GVector vectorOf(const std::vector<double>& values, bool t = false, bool h = false)
{
    GVector v(int(values.size()));
    for (int i = 0; i < int(values.size()); ++i)
        v(i) = values[std::size_t(i)];
    v.tFlag = t;
    v.homogenized = h;
    return v;
}

std::vector<double> valuesOf(const GVector& v)
{
    std::vector<double> values;
    for (int i = 0; i < v.size(); ++i)
        values.push_back(v(i));
    return values;
}

// The pixels of a one-plane image that differ from zero.
template<typename Image>
PixelSet setPixels(const Image& image)
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

// The shapes straight from their description: a pixel belongs to the shape when the rule
// holds for it; everything is clipped to the box around the point and to the image.
PixelSet expectedShape(int style, int x, int y, int size, int cols, int rows)
{
    const int r = size / 2;
    const int x0 = std::max(x - r, 0);
    const int x1 = std::min(x + r, cols - 1);
    const int y0 = std::max(y - r, 0);
    const int y1 = std::min(y + r, rows - 1);
    PixelSet pixels;
    for (int row = y0; row <= y1; ++row) {
        for (int col = x0; col <= x1; ++col) {
            bool on = false;
            if (style == 0x20 || style == 0x200) {
                on = row == y || col == x;
            } else if (style == 0x400) {
                on = col - x0 == row - y0 || x1 - col == row - y0;
            } else if (style == 0x100) {
                const auto reach
                        = [r](int d) { return int(std::sqrt(double(r * r - d * d)) + 0.5); };
                on = std::abs(row - y) == reach(col - x) || std::abs(col - x) == reach(row - y);
            } else if (style == 0x800) {
                on = col == x && row == y;
            }
            if (on)
                pixels.insert({col, row});
        }
    }
    return pixels;
}

} // namespace

class TestGVector : public QObject
{
    Q_OBJECT

private slots:
    void create_data();
    void create();
    void createWithValue();
    void resizeKeepsValuesAndFlags();
    void assignment();
    void arithmetic();
    void arithmeticSizeMismatch();
    void elementAccessOutOfRange_data();
    void elementAccessOutOfRange();
    void homogenize();

    void pointFromVector_data();
    void pointFromVector();
    void pointComparison_data();
    void pointComparison();
    void pointAssignmentTakesSource();
    void homologousPairs();

    void writeForms_data();
    void writeForms();
    void numberFormat_data();
    void numberFormat();
    void readForms_data();
    void readForms();
    void roundTrip_data();
    void roundTrip();
    void readSizeRules_data();
    void readSizeRules();
    void readKeepsWhatWasRead();
    void exponentForms();

    void drawShapes_data();
    void drawShapes();
    void drawPixelPosition_data();
    void drawPixelPosition();
    void drawValueConversion();
    void drawPlanes();
    void drawFailures();
};

void TestGVector::create_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("ok");
    QTest::newRow("3") << 3 << true;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("-3") << -3 << false;
}

void TestGVector::create()
{
    QFETCH(int, size);
    QFETCH(bool, ok);
    ErrorRecorder errors;
    GVector v = vectorOf({1, 2}, true, true);
    QCOMPARE(v.create(size), ok);
    if (ok) {
        QCOMPARE(v.size(), size);
        QVERIFY(!v.tFlag);
        QVERIFY(!v.homogenized);
        QVERIFY(errors.reports.isEmpty());
    } else {
        QCOMPARE(errors.codes(), QList<int>{40});
        QCOMPARE(errors.last().function, QByteArray("GVector::create()"));
        QCOMPARE(errors.last().message,
                 "Not possible to create (" + QByteArray::number(size) + ")");
    }
}

void TestGVector::createWithValue()
{
    GVector v;
    QVERIFY(v.create(4, 2.5));
    QCOMPARE(valuesOf(v), std::vector<double>(4, 2.5));
}

void TestGVector::resizeKeepsValuesAndFlags()
{
    ErrorRecorder errors;
    GVector v = vectorOf({1, 2, 3}, true, false);
    QVERIFY(v.resize(2));
    QCOMPARE(valuesOf(v), std::vector<double>({1, 2}));
    QVERIFY(v.resize(4));
    QCOMPARE(v(0), 1.0);
    QCOMPARE(v(1), 2.0);
    QVERIFY(v.tFlag);
    QVERIFY(!v.resize(0));
    QCOMPARE(errors.codes(), QList<int>{40});
    QCOMPARE(errors.last().message, QByteArray("Not possible to resize to (0)"));
    QCOMPARE(v.size(), 4);
}

void TestGVector::assignment()
{
    ErrorRecorder errors;
    const GVector source = vectorOf({1, 2, 3}, true, true);
    GVector target = vectorOf({9});
    target = source;
    QCOMPARE(valuesOf(target), valuesOf(source));
    QVERIFY(target.tFlag && target.homogenized);
    target(0) = 7;
    QCOMPARE(source(0), 1.0);

    GVector& alias = target;
    target = alias;
    QCOMPARE(valuesOf(target), std::vector<double>({7, 2, 3}));

    // An empty source makes the target empty without any report.
    target = GVector();
    QCOMPARE(target.size(), 0);
    QVERIFY(!target.tFlag);
    QVERIFY(errors.reports.isEmpty());
}

void TestGVector::arithmetic()
{
    const GVector left = vectorOf({1, 2.5}, true, false);
    const GVector right = vectorOf({0.5, -1}, false, true);
    const GVector sum = left + right;
    const GVector difference = left - right;
    QCOMPARE(valuesOf(sum), std::vector<double>({1.5, 1.5}));
    QCOMPARE(valuesOf(difference), std::vector<double>({0.5, 3.5}));
    // Both flags come from the left operand.
    QVERIFY(sum.tFlag && !sum.homogenized);
    QVERIFY(difference.tFlag && !difference.homogenized);
}

void TestGVector::arithmeticSizeMismatch()
{
    ErrorRecorder errors;
    const GVector a = vectorOf({1, 2});
    const GVector b = vectorOf({1, 2, 3});
    QCOMPARE((a + b).size(), 0);
    QCOMPARE((a - b).size(), 0);
    QCOMPARE(errors.codes(), QList<int>({40, 40}));
    QCOMPARE(errors.reports[0].function, QByteArray("GVector::operator +"));
    QCOMPARE(errors.reports[1].function, QByteArray("GVector::operator -"));
    QCOMPARE(errors.reports[0].message, QByteArray("(2)!=(3)"));
}

void TestGVector::elementAccessOutOfRange_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("one past the end") << 2;
    QTest::newRow("negative") << -1;
    QTest::newRow("far away") << 1000000;
}

void TestGVector::elementAccessOutOfRange()
{
    QFETCH(int, index);
    ErrorRecorder errors;
    GVector v = vectorOf({1, 2});
    GVector other = vectorOf({3, 4});
    v(index) = 7.0;
    QCOMPARE(valuesOf(v), std::vector<double>({1, 2}));
    QCOMPARE(valuesOf(other), std::vector<double>({3, 4}));
    const GVector& readOnly = v;
    const double read = readOnly(index);
    Q_UNUSED(read);
    QCOMPARE(errors.codes(), QList<int>({31, 31}));
    QCOMPARE(errors.last().function, QByteArray("GVector::operator ()"));
    QCOMPARE(errors.last().message, "Not possible to access (" + QByteArray::number(index) + ")");
}

void TestGVector::homogenize()
{
    ErrorRecorder errors;
    GVector v = vectorOf({3, 4});
    QVERIFY(v.homogenize());
    QCOMPARE(valuesOf(v), std::vector<double>({3, 4, 1}));
    QVERIFY(v.homogenized);
    QVERIFY(!v.homogenize());
    GVector empty;
    QVERIFY(!empty.homogenize());
    QCOMPARE(errors.codes(), QList<int>({1, 1}));
    QCOMPARE(errors.last().function, QByteArray("GVector::homogenize()"));
    QCOMPARE(errors.last().message, QByteArray("Point already homogenized or of dimension zero!"));
    QCOMPARE(v.size(), 3);
}

void TestGVector::pointFromVector_data()
{
    QTest::addColumn<std::vector<double>>("values");
    QTest::addColumn<bool>("homogenized");
    QTest::addColumn<bool>("reported");
    QTest::newRow("two values") << std::vector<double>{1, 2} << false << false;
    QTest::newRow("three values") << std::vector<double>{1, 2, 1} << true << false;
    QTest::newRow("four values") << std::vector<double>{1, 2, 3, 4} << false << true;
    QTest::newRow("one value") << std::vector<double>{5} << false << true;
}

void TestGVector::pointFromVector()
{
    QFETCH(std::vector<double>, values);
    QFETCH(bool, homogenized);
    QFETCH(bool, reported);
    ErrorRecorder errors;
    const GVector v = vectorOf(values, true, false);
    const GPoint2D p(v);
    QCOMPARE(valuesOf(p), values);
    QCOMPARE(p.homogenized, homogenized);
    QVERIFY(p.tFlag);
    if (!reported) {
        QVERIFY(errors.reports.isEmpty());
        return;
    }
    QCOMPARE(errors.codes(), QList<int>{40});
    QCOMPARE(errors.last().function, QByteArray("GPoint2D::GPoint2D(const GVector v)"));
    QCOMPARE(errors.last().message,
             "vector to be copied of wrong dimension " + QByteArray::number(int(values.size())));
}

void TestGVector::pointComparison_data()
{
    QTest::addColumn<std::vector<double>>("left");
    QTest::addColumn<std::vector<double>>("right");
    QTest::addColumn<bool>("different");
    QTest::newRow("(1, 2) and (1, 2, 1)")
            << std::vector<double>{1, 2} << std::vector<double>{1, 2, 1} << false;
    QTest::newRow("(1, 2, 5) and (1, 2, 1)")
            << std::vector<double>{1, 2, 5} << std::vector<double>{1, 2, 1} << false;
    QTest::newRow("x differs") << std::vector<double>{1, 2} << std::vector<double>{1.5, 2} << true;
    QTest::newRow("y differs") << std::vector<double>{1, 2} << std::vector<double>{1, -2} << true;
    QTest::newRow("tiny difference")
            << std::vector<double>{1, 2} << std::vector<double>{1, 2 + 1e-15} << true;
}

void TestGVector::pointComparison()
{
    QFETCH(std::vector<double>, left);
    QFETCH(std::vector<double>, right);
    QFETCH(bool, different);
    ErrorRecorder errors;
    const GPoint2D a(vectorOf(left));
    const GPoint2D b(vectorOf(right));
    QCOMPARE(a != b, different);
    QCOMPARE(b != a, different);
    QCOMPARE(a == b, !different);
}

void TestGVector::pointAssignmentTakesSource()
{
    ErrorRecorder errors;
    GPoint2D homogeneous(3, 4);
    homogeneous.homogenize();
    GPoint2D target(1, 2);
    target = homogeneous;
    QCOMPARE(valuesOf(target), std::vector<double>({3, 4, 1}));
    QVERIFY(target.homogenized);

    GPoint2D plain(5, 6);
    target = plain;
    QCOMPARE(valuesOf(target), std::vector<double>({5, 6}));
    QVERIFY(!target.homogenized);

    // A point emptied by a failed read still takes a homogeneous point silently.
    GPoint2D empty(GVector{});
    errors.reset();
    empty = homogeneous;
    QCOMPARE(valuesOf(empty), std::vector<double>({3, 4, 1}));
    QVERIFY(errors.reports.isEmpty());
}

void TestGVector::homologousPairs()
{
    const GHomPt origin;
    QCOMPARE(valuesOf(origin.first), std::vector<double>({0, 0}));
    QCOMPARE(valuesOf(origin.second), std::vector<double>({0, 0}));
    const GHomPt pair(GPoint2D(1, 2), GPoint2D(3, 4));
    GHomPt copy(pair);
    QVERIFY(!(copy != pair));
    copy.second(1) = 5;
    QVERIFY(copy != pair);
    copy = pair;
    copy.first(0) = -1;
    QVERIFY(copy != pair);
    QCOMPARE(pair.first(0), 1.0);
}

void TestGVector::writeForms_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("vector 1 2.5 3, mode 1")
            << QByteArray("vector") << 1 << QByteArray("{ 3 nn { 1 2.5 3  } } ");
    QTest::newRow("vector 1 2.5 3, mode 2") << QByteArray("vector") << 2 << QByteArray("1 2.5 3 ");
    QTest::newRow("vector 1 2.5 3, mode 3")
            << QByteArray("vector") << 3 << vectorRecord({1, 2.5, 3});
    QTest::newRow("flagged vector, mode 1")
            << QByteArray("flagged") << 1 << QByteArray("{ 2 th { 0.5 -1  } } ");
    QTest::newRow("flagged vector, mode 3")
            << QByteArray("flagged") << 3 << vectorRecord({0.5, -1}, 't', 'h');
    QTest::newRow("empty vector, mode 1")
            << QByteArray("empty") << 1 << QByteArray("{ 0 nn {  } } ");
    QTest::newRow("empty vector, mode 3") << QByteArray("empty") << 3 << vectorRecord({});
    QTest::newRow("point, mode 1")
            << QByteArray("point") << 1 << QByteArray("{ 2 nn { 3 -4  } } ");
    QTest::newRow("point, mode 2") << QByteArray("point") << 2 << QByteArray("3 -4 ");
    QTest::newRow("homogeneous point, mode 1")
            << QByteArray("hpoint") << 1 << QByteArray("{ 3 nh { 3 -4 1  } } ");
    QTest::newRow("pair, mode 1") << QByteArray("pair") << 1 << QByteArray("{ 1 2 3 4 } ");
    QTest::newRow("pair, mode 2") << QByteArray("pair") << 2 << QByteArray("1 2 3 4 ");
    QTest::newRow("pair, mode 3") << QByteArray("pair") << 3
                                  << vectorRecord({1, 2}) + vectorRecord({3, 4});
}

void TestGVector::writeForms()
{
    QFETCH(QByteArray, name);
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    ErrorRecorder errors;
    GPoint2D homogeneous(3, -4);
    homogeneous.homogenize();
    QByteArray text;
    if (name == "vector")
        text = written(vectorOf({1, 2.5, 3}), mode);
    else if (name == "flagged")
        text = written(vectorOf({0.5, -1}, true, true), mode);
    else if (name == "empty")
        text = written(GVector(), mode);
    else if (name == "point")
        text = written(GPoint2D(3, -4), mode);
    else if (name == "hpoint")
        text = written(homogeneous, mode);
    else
        text = written(GHomPt(GPoint2D(1, 2), GPoint2D(3, 4)), mode);
    QCOMPARE(text, expected);
    QVERIFY(errors.reports.isEmpty());
}

void TestGVector::numberFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("0.1") << 0.1 << QByteArray("0.1 ");
    QTest::newRow("100") << 100.0 << QByteArray("100 ");
    QTest::newRow("3.14159265") << 3.14159265 << QByteArray("3.14159 ");
    QTest::newRow("123456789") << 123456789.0 << QByteArray("1.23457e+08 ");
    QTest::newRow("0.0000001") << 1e-7 << QByteArray("1e-07 ");
    QTest::newRow("-0.000123456") << -0.000123456 << QByteArray("-0.000123456 ");
    QTest::newRow("999999.5") << 999999.5 << QByteArray("1e+06 ");
}

void TestGVector::numberFormat()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    const GVector v = vectorOf({value});
    QCOMPARE(written(v, 2), text);
    // Six significant digits survive the text form, no more.
    GVector back(1);
    QVERIFY(readFrom(back, text, 2));
    QCOMPARE(back(0), text.trimmed().toDouble());
}

void TestGVector::readForms_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<std::vector<double>>("values");
    QTest::addColumn<bool>("t");
    QTest::addColumn<bool>("h");
    QTest::newRow("as written") << QByteArray("{ 3 nn { 1 2.5 3  } } ")
                                << std::vector<double>{1, 2.5, 3} << false << false;
    QTest::newRow("no blanks around braces")
            << QByteArray("{2 n n {1 2}}") << std::vector<double>{1, 2} << false << false;
    QTest::newRow("spread over lines") << QByteArray("\n{\n2\tt\n\nh\n{\n1\n  2\n}\n}")
                                       << std::vector<double>{1, 2} << true << true;
    QTest::newRow("other letters clear the flags")
            << QByteArray("{ 2 xy { 1 2 } }") << std::vector<double>{1, 2} << false << false;
    QTest::newRow("h in the first place is no homogeneous flag")
            << QByteArray("{ 2 hn { 1 2 } }") << std::vector<double>{1, 2} << false << false;
}

void TestGVector::readForms()
{
    QFETCH(QByteArray, input);
    QFETCH(std::vector<double>, values);
    QFETCH(bool, t);
    QFETCH(bool, h);
    ErrorRecorder errors;
    GVector v;
    QVERIFY(readFrom(v, input, 1));
    QCOMPARE(valuesOf(v), values);
    QCOMPARE(v.tFlag, t);
    QCOMPARE(v.homogenized, h);
    QVERIFY(errors.reports.isEmpty());
}

void TestGVector::roundTrip_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("exact");
    QTest::newRow("mode 1") << 1 << false;
    QTest::newRow("mode 2") << 2 << false;
    QTest::newRow("mode 3") << 3 << true;
}

void TestGVector::roundTrip()
{
    QFETCH(int, mode);
    QFETCH(bool, exact);
    ErrorRecorder errors;
    const GVector v = vectorOf({M_PI, -1e-300, 6.02214076e23, 0.0, -7.25}, true, true);
    GVector back = mode == 2 ? GVector(5) : GVector();
    QVERIFY(readFrom(back, written(v, mode), mode));
    QCOMPARE(back.size(), v.size());
    for (int i = 0; i < v.size(); ++i) {
        if (exact)
            QCOMPARE(back(i), v(i));
        else
            QVERIFY(std::fabs(back(i) - v(i)) <= std::fabs(v(i)) * 5e-6);
    }
    if (mode != 2) {
        QVERIFY(back.tFlag);
        QVERIFY(back.homogenized);
    }

    const GHomPt pair(GPoint2D(M_PI, 2), GPoint2D(-3, 1e10));
    GHomPt pairBack;
    QVERIFY(readFrom(pairBack, written(pair, mode), mode));
    QCOMPARE(written(pairBack, mode), written(pair, mode));
    QVERIFY(errors.reports.isEmpty());
}

void TestGVector::readSizeRules_data()
{
    QTest::addColumn<int>("targetSize");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("mode 1, size differs")
            << 2 << 1 << QByteArray("{ 3 nn { 1 2 3 } }") << 40 << QByteArray("(2)!=(3)");
    QTest::newRow("mode 3, size differs")
            << 3 << 3 << vectorRecord({1, 2}) << 40 << QByteArray("(3)!=(2)");
    QTest::newRow("mode 2 into empty") << 0 << 2 << QByteArray("1 2") << 40
                                       << QByteArray("could not read mode 2 into empty GVector");
    QTest::newRow("negative count") << 0 << 1 << QByteArray("{ -5 nn { } }") << 40
                                    << QByteArray("Not possible to create (-5)");
    QTest::newRow("negative binary count") << 0 << 3 << QByteArray("nn") + leInt(-1) << 40
                                           << QByteArray("Not possible to create (-1)");
    QTest::newRow("count beyond the text") << 0 << 1 << QByteArray("{ 2000000000 nn { 1 } }") << 24
                                           << QByteArray("count (2000000000) exceeds the data "
                                                         "left in the stream");
    QTest::newRow("count beyond the bytes")
            << 0 << 3 << QByteArray("nn") + leInt(3) + leDouble(1) + leDouble(2) << 24
            << QByteArray("count (3) exceeds the data left in the stream");
    QTest::newRow("count that overflows int")
            << 0 << 1 << QByteArray("{ 99999999999 nn {") << 24 << QByteArray();
    QTest::newRow("letter for a value") << 2 << 2 << QByteArray("1 x") << 24 << QByteArray();
    QTest::newRow("missing inner brace") << 0 << 1 << QByteArray("{ 1 nn 1 } }") << 25
                                         << QByteArray("missing { in ASCII stream");
    QTest::newRow("missing closing brace") << 0 << 1 << QByteArray("{ 1 nn { 1 }") << 25
                                           << QByteArray("missing } in ASCII stream");
}

void TestGVector::readSizeRules()
{
    QFETCH(int, targetSize);
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(int, code);
    QFETCH(QByteArray, message);
    ErrorRecorder errors;
    GVector v = targetSize > 0 ? GVector(targetSize) : GVector();
    QVERIFY(!readFrom(v, input, mode));
    QCOMPARE(errors.last().code, code);
    QCOMPARE(errors.last().message, message);
    QVERIFY(v.size() == targetSize || (code != 40 && v.size() > 0));
}

void TestGVector::readKeepsWhatWasRead()
{
    ErrorRecorder errors;
    GVector v = vectorOf({9, 9, 9});
    QVERIFY(!readFrom(v, "1 2 oops", 2));
    QCOMPARE(v(0), 1.0);
    QCOMPARE(v(1), 2.0);
    QCOMPARE(v(2), 9.0);
    QCOMPARE(errors.codes(), QList<int>{24});
    QCOMPARE(errors.last().function, QByteArray("GVector::read()"));
}

void TestGVector::exponentForms()
{
    GVector v(3);
    QVERIFY(readFrom(v, "1e-007 2.5E+003 -4e+100", 2));
    QCOMPARE(v(0), 1e-7);
    QCOMPARE(v(1), 2500.0);
    QCOMPARE(v(2), -4e100);
}

void TestGVector::drawShapes_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("pixelCount");
    QTest::newRow("plus 0x20, size 5") << 0x20 << 10 << 8 << 5 << 9;
    QTest::newRow("plus 0x200, size 5") << 0x200 << 10 << 8 << 5 << 9;
    QTest::newRow("plus at the corner") << 0x20 << 0 << 0 << 5 << 5;
    QTest::newRow("x, size 5") << 0x400 << 10 << 8 << 5 << 9;
    QTest::newRow("x, size 4") << 0x400 << 10 << 8 << 4 << 9;
    QTest::newRow("x at the left border") << 0x400 << 1 << 8 << 7 << -1;
    QTest::newRow("x at the bottom border") << 0x400 << 10 << 14 << 7 << -1;
    QTest::newRow("circle, radius 4") << 0x100 << 10 << 8 << 8 << -1;
    QTest::newRow("circle, radius 1") << 0x100 << 10 << 8 << 3 << 4;
    QTest::newRow("circle cut by the border") << 0x100 << 2 << 13 << 10 << -1;
    QTest::newRow("single pixel, size 5") << 0x800 << 10 << 8 << 5 << 1;
    QTest::newRow("first bit wins: plus over circle") << (0x20 | 0x100) << 10 << 8 << 5 << 9;
    QTest::newRow("first bit wins: x over single") << (0x400 | 0x800) << 10 << 8 << 3 << 5;
}

void TestGVector::drawShapes()
{
    QFETCH(int, style);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, size);
    QFETCH(int, pixelCount);
    ErrorRecorder errors;
    GBytImg image(20, 15);
    QVERIFY(GPoint2D(x + 0.7, y + 0.2).doDraw(&image, 200, style, size));
    int shapeStyle = style;
    for (int bit : {0x20, 0x200, 0x400, 0x100, 0x800}) {
        if (style & bit) {
            shapeStyle = bit;
            break;
        }
    }
    const PixelSet pixels = setPixels(image);
    QCOMPARE(pixels, expectedShape(shapeStyle, x, y, size, image.cols(), image.rows()));
    if (pixelCount >= 0)
        QCOMPARE(pixels.size(), pixelCount);
    for (const Pixel& p : pixels)
        QCOMPARE(int(image(p.first, p.second)), 200);
    QVERIFY(errors.reports.isEmpty());
}

void TestGVector::drawPixelPosition_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<bool>("inside");
    QTest::addColumn<int>("pixelX");
    QTest::addColumn<int>("pixelY");
    QTest::newRow("(-0.5, 3.9) at (0, 3)") << -0.5 << 3.9 << true << 0 << 3;
    QTest::newRow("(4.99, 0) at (4, 0)") << 4.99 << 0.0 << true << 4 << 0;
    QTest::newRow("(-1.2, 3) outside") << -1.2 << 3.0 << false << 0 << 0;
    QTest::newRow("(5, 1) outside") << 5.0 << 1.0 << false << 0 << 0;
    QTest::newRow("(1, 4) outside") << 1.0 << 4.0 << false << 0 << 0;
    QTest::newRow("huge x outside") << 1e300 << 1.0 << false << 0 << 0;
    QTest::newRow("not a number outside") << std::nan("") << 1.0 << false << 0 << 0;
}

void TestGVector::drawPixelPosition()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(bool, inside);
    QFETCH(int, pixelX);
    QFETCH(int, pixelY);
    ErrorRecorder errors;
    GBinImg image(5, 4);
    QCOMPARE(GPoint2D(x, y).doDraw(&image, 1, 0x800, 1), inside);
    if (inside) {
        QCOMPARE(setPixels(image), PixelSet({{pixelX, pixelY}}));
        QVERIFY(errors.reports.isEmpty());
    } else {
        QVERIFY(setPixels(image).isEmpty());
        QCOMPARE(errors.codes(), QList<int>{40});
        QCOMPARE(errors.last().function, QByteArray("GPoint2D::doDraw()"));
        QCOMPARE(errors.last().message, QByteArray("point out of image"));
    }
}

void TestGVector::drawValueConversion()
{
    ErrorRecorder errors;
    const GPoint2D p(1, 1);
    GBinImg binary(3, 3);
    p.doDraw(&binary, 1e-16, 0x800, 1);
    QCOMPARE(int(binary(1, 1)), 0);
    p.doDraw(&binary, -1e-15, 0x800, 1);
    QCOMPARE(int(binary(1, 1)), 1);

    GBytImg bytes(3, 3);
    const QList<QPair<double, int>> byteCases
            = {{7.9, 7}, {255.9, 255}, {300, 255}, {-3.5, 0}, {std::nan(""), 0}};
    for (const auto& [value, expected] : byteCases) {
        p.doDraw(&bytes, value, 0x800, 1);
        QCOMPARE(int(bytes(1, 1)), expected);
    }
    GUShortImg shorts(3, 3);
    p.doDraw(&shorts, 65535.7, 0x800, 1);
    QCOMPARE(int(shorts(1, 1)), 65535);
    GIntImg ints(3, 3);
    p.doDraw(&ints, -3.9, 0x800, 1);
    QCOMPARE(ints(1, 1), -3);
    p.doDraw(&ints, 1e20, 0x800, 1);
    QCOMPARE(ints(1, 1), std::numeric_limits<int>::max());
    GDblImg doubles(3, 3);
    p.doDraw(&doubles, 2.5, 0x800, 1);
    QCOMPARE(doubles(1, 1), 2.5);
    QVERIFY(errors.reports.isEmpty());
}

void TestGVector::drawPlanes()
{
    const GPoint2D p(1, 0);
    GBytImg three(2, 1, 3);
    p.doDraw(&three, GPixelValue(std::vector<double>{10, 20, 30}), 0x800, 1);
    QCOMPARE(QList<int>({three(1, 0, 0), three(1, 0, 1), three(1, 0, 2)}),
             QList<int>({10, 20, 30}));
    // Planes beyond the given values get 0; a single value goes to every plane.
    p.doDraw(&three, GPixelValue(std::vector<double>{5, 6}), 0x800, 1);
    QCOMPARE(QList<int>({three(1, 0, 0), three(1, 0, 1), three(1, 0, 2)}), QList<int>({5, 6, 0}));
    p.doDraw(&three, GPixelValue(9.0), 0x800, 1);
    QCOMPARE(QList<int>({three(1, 0, 0), three(1, 0, 1), three(1, 0, 2)}), QList<int>({9, 9, 9}));
    // A one-plane image always takes the scalar.
    GPixelValue value(std::vector<double>{1, 2});
    value.scalar = 44;
    GBytImg one(2, 1);
    p.doDraw(&one, value, 0x800, 1);
    QCOMPARE(int(one(1, 0)), 44);
    QCOMPARE(int(one(0, 0)), 0);
}

void TestGVector::drawFailures()
{
    ErrorRecorder errors;
    GFltImg floats(4, 4);
    QVERIFY(!GPoint2D(1, 1).doDraw(&floats, 3, 0x800, 1));
    QCOMPARE(floats(1, 1), 0.0f);
    QCOMPARE(errors.codes(), QList<int>{51});
    QCOMPARE(errors.last().function, QByteArray("GPoint2D::doDraw()"));

    errors.reset();
    GBytImg bytes(4, 4);
    QVERIFY(!GPoint2D(1, 1).doDraw(&bytes, 3, 0x40, 5));
    QVERIFY(setPixels(bytes).isEmpty());
    QCOMPARE(errors.codes(), QList<int>{42});
    QCOMPARE(errors.last().message, QByteArray());

    // Pixel access outside the image reports and writes to a dummy pixel.
    errors.reset();
    bytes(4, 0) = 7;
    bytes(0, 0, 1) = 7;
    QVERIFY(setPixels(bytes).isEmpty());
    GBinImg binary(2, 2);
    binary(-1, 0) = 1;
    QCOMPARE(errors.codes(), QList<int>({31, 31, 31}));
    QCOMPARE(errors.reports[0].message, QByteArray("Not possible to access ( 4,0,0 )"));
    QCOMPARE(errors.reports[1].message, QByteArray("Not possible to access ( 0,0,1 )"));
    QCOMPARE(errors.reports[2].message, QByteArray("Not possible to access (-1,0,0)"));
    QVERIFY(setPixels(binary).isEmpty());

    errors.reset();
    GBytImg none(0, 3);
    QCOMPARE(none.cols(), 0);
    QCOMPARE(errors.codes(), QList<int>{40});
    QVERIFY(!GPoint2D(0, 0).doDraw(&none, 1, 0x800, 1));
}

QTEST_GUILESS_MAIN(TestGVector)
#include "tst_gvector.moc"
