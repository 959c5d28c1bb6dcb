#include "kvbackbuffer.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

namespace {

// Every pixel a different colour, so that a wrong source pixel cannot go unnoticed.
QImage patternImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x * 37 + y * 11) & 0xff, (x * 5 + y * 71) & 0xff,
                           (x ^ (y * 3)) & 0xff);
    }
    return image;
}

KVZoomedImage zoomed(const QImage& image, double zoom)
{
    KVZoomedImage z;
    z.image = &image;
    z.contentsWidth = qRound(image.width() * zoom);
    z.contentsHeight = qRound(image.height() * zoom);
    return z;
}

// Contents pixel (X, Y) of the zoomed image, straight from the definition of the sampling.
QRgb expectedPixel(const QImage& image, int cw, int ch, int X, int Y)
{
    if (X < 0 || Y < 0 || X >= cw || Y >= ch)
        return qRgb(0, 0, 0);
    const int sx = int(qint64(X) * image.width() / cw);
    const int sy = int(qint64(Y) * image.height() / ch);
    return image.pixel(sx, sy) | 0xff000000u;
}

// Compares dst(px.., py..) with the contents rectangle starting at (cx, cy); reports the first
// difference.
QString compareWithContents(const QImage& dst, const QRect& dstRect, const QImage& image, int cw,
                            int ch, int cx, int cy)
{
    for (int j = 0; j < dstRect.height(); ++j) {
        for (int i = 0; i < dstRect.width(); ++i) {
            const QRgb got = dst.pixel(dstRect.x() + i, dstRect.y() + j);
            const QRgb want = expectedPixel(image, cw, ch, cx + i, cy + j);
            if (got != want)
                return QStringLiteral("contents (%1, %2): got %3, want %4")
                        .arg(cx + i)
                        .arg(cy + j)
                        .arg(got, 8, 16)
                        .arg(want, 8, 16);
        }
    }
    return QString();
}

} // namespace

class TestKVBackBuffer : public QObject
{
    Q_OBJECT

private slots:
    void renderMatchesSampling_data();
    void renderMatchesSampling();
    void renderFromOriginFollowsScaledImage_data();
    void renderFromOriginFollowsScaledImage();
    void renderOutsideContentsIsBlack();
    void renderIndexedThroughTable();
    void renderClipsToDestination();
    void renderWithoutSourceIsBlack();

    void scrolledBufferEqualsFullRender_data();
    void scrolledBufferEqualsFullRender();
    void resizeKeepsAndCompletes_data();
    void resizeKeepsAndCompletes();
    void clearEmpties();
};

void TestKVBackBuffer::renderMatchesSampling_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QRect>("contents"); // rendered part, in contents coordinates

    QTest::newRow("7x5 at 1, whole") << 7 << 5 << 1.0 << QRect(0, 0, 7, 5);
    QTest::newRow("7x5 at 2.5, whole") << 7 << 5 << 2.5 << QRect(0, 0, 18, 13);
    QTest::newRow("13x11 at 0.37, whole") << 13 << 11 << 0.37 << QRect(0, 0, 5, 4);
    QTest::newRow("13x11 at 1.7, inner part") << 13 << 11 << 1.7 << QRect(3, 5, 11, 9);
    QTest::newRow("3x1 at 4.3, whole") << 3 << 1 << 4.3 << QRect(0, 0, 13, 4);
    QTest::newRow("1x1 at 7, whole") << 1 << 1 << 7.0 << QRect(0, 0, 7, 7);
    QTest::newRow("31x17 at 0.5, lower right") << 31 << 17 << 0.5 << QRect(9, 4, 7, 5);
    QTest::newRow("9x9 at 3, one column") << 9 << 9 << 3.0 << QRect(26, 0, 1, 27);
    QTest::newRow("5x3 at 0.66, one pixel") << 5 << 3 << 0.66 << QRect(2, 1, 1, 1);
    QTest::newRow("101x67 at 1.15, strip") << 101 << 67 << 1.15 << QRect(40, 10, 10, 60);
}

void TestKVBackBuffer::renderMatchesSampling()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(double, zoom);
    QFETCH(QRect, contents);

    const QImage image = patternImage(w, h);
    const KVZoomedImage source = zoomed(image, zoom);
    QImage dst(contents.width() + 4, contents.height() + 3, QImage::Format_RGB32);
    dst.fill(qRgb(1, 2, 3));
    kvRenderZoomed(source, contents.x(), contents.y(), contents.width(), contents.height(), &dst,
                   2, 1);
    const QString difference = compareWithContents(
            dst, QRect(QPoint(2, 1), contents.size()), image, source.contentsWidth,
            source.contentsHeight, contents.x(), contents.y());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // Nothing outside the target rectangle is touched.
    QCOMPARE(dst.pixel(0, 0), qRgb(1, 2, 3));
    QCOMPARE(dst.pixel(dst.width() - 1, dst.height() - 1), qRgb(1, 2, 3));
}

void TestKVBackBuffer::renderFromOriginFollowsScaledImage_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<double>("zoom");
    QTest::newRow("11x7 at 2.3") << 11 << 7 << 2.3;
    QTest::newRow("11x7 at 0.8") << 11 << 7 << 0.8;
    QTest::newRow("17x5 at 1.15") << 17 << 5 << 1.15;
    QTest::newRow("6x9 at 3.5") << 6 << 9 << 3.5;
}

// Rendered as one piece from the contents origin, the picture is the image scaled to the
// contents size with truncated source indices, the columns and rows computed in floating point
// from the scale factor (x1 - x0 + 1) / dw as the textbook nearest-neighbour scaler does.
void TestKVBackBuffer::renderFromOriginFollowsScaledImage()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(double, zoom);
    const QImage image = patternImage(w, h);
    const KVZoomedImage source = zoomed(image, zoom);
    const int cw = source.contentsWidth;
    const int ch = source.contentsHeight;
    QImage dst(cw, ch, QImage::Format_RGB32);
    kvRenderZoomed(source, 0, 0, cw, ch, &dst, 0, 0);

    const int x1 = std::min(int(std::ceil(cw / zoom)), w - 1);
    const int y1 = std::min(int(std::ceil(ch / zoom)), h - 1);
    const int dw = qRound((x1 + 1) * zoom);
    const int dh = qRound((y1 + 1) * zoom);
    QCOMPARE(dw, cw);
    QCOMPARE(dh, ch);
    const double sx = double(x1 + 1) / dw;
    const double sy = double(y1 + 1) / dh;
    for (int r = 0; r < ch; ++r) {
        for (int c = 0; c < cw; ++c) {
            const QRgb want = image.pixel(int(c * sx), int(r * sy));
            QCOMPARE(dst.pixel(c, r), want);
        }
    }
}

void TestKVBackBuffer::renderOutsideContentsIsBlack()
{
    const QImage image = patternImage(5, 4);
    const KVZoomedImage source = zoomed(image, 2.0); // 10 x 8
    QImage dst(14, 12, QImage::Format_RGB32);
    dst.fill(Qt::white);
    kvRenderZoomed(source, -2, -2, 14, 12, &dst, 0, 0);
    const QString difference = compareWithContents(dst, dst.rect(), image, 10, 8, -2, -2);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(dst.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(dst.pixel(13, 11), qRgb(0, 0, 0));
}

void TestKVBackBuffer::renderIndexedThroughTable()
{
    QImage image(3, 2, QImage::Format_Indexed8);
    const uchar indices[2][3] = {{0, 1, 2}, {2, 1, 0}};
    for (int y = 0; y < 2; ++y)
        std::copy(indices[y], indices[y] + 3, image.scanLine(y));
    QRgb table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, 255 - i, i / 2);
    KVZoomedImage source;
    source.image = &image;
    source.colorTable = table;
    source.contentsWidth = 9;
    source.contentsHeight = 4;
    QImage dst(9, 4, QImage::Format_RGB32);
    kvRenderZoomed(source, 0, 0, 9, 4, &dst, 0, 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 9; ++x)
            QCOMPARE(dst.pixel(x, y), table[indices[y / 2][x / 3]]);
    }
}

void TestKVBackBuffer::renderClipsToDestination()
{
    const QImage image = patternImage(20, 20);
    const KVZoomedImage source = zoomed(image, 1.0);
    QImage dst(6, 6, QImage::Format_RGB32);
    dst.fill(Qt::white);
    // Half of the rectangle hangs over the top left and the bottom right of dst.
    kvRenderZoomed(source, 4, 4, 10, 10, &dst, -3, -3);
    const QString difference = compareWithContents(dst, dst.rect(), image, 20, 20, 7, 7);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    kvRenderZoomed(source, 0, 0, 5, 5, &dst, 6, 0); // entirely outside: no effect, no crash
}

void TestKVBackBuffer::renderWithoutSourceIsBlack()
{
    QImage dst(4, 3, QImage::Format_RGB32);
    dst.fill(Qt::white);
    kvRenderZoomed(KVZoomedImage(), 0, 0, 4, 3, &dst, 0, 0);
    QCOMPARE(dst.pixel(3, 2), qRgb(0, 0, 0));

    // An 8-bit image without a table cannot be read either.
    QImage indexed(2, 2, QImage::Format_Indexed8);
    indexed.fill(0);
    KVZoomedImage source;
    source.image = &indexed;
    source.contentsWidth = 2;
    source.contentsHeight = 2;
    dst.fill(Qt::white);
    kvRenderZoomed(source, 0, 0, 2, 2, &dst, 0, 0);
    QCOMPARE(dst.pixel(1, 1), qRgb(0, 0, 0));
}

void TestKVBackBuffer::scrolledBufferEqualsFullRender_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QSize>("viewport");
    QTest::addColumn<int>("maxStep");
    QTest::newRow("zoom 1, small steps") << 1.0 << QSize(40, 30) << 12;
    QTest::newRow("zoom 1.7, steps up to a viewport") << 1.7 << QSize(37, 23) << 45;
    QTest::newRow("zoom 0.43, odd viewport") << 0.43 << QSize(21, 17) << 25;
    QTest::newRow("zoom 6.1, one pixel steps") << 6.1 << QSize(50, 40) << 2;
}

void TestKVBackBuffer::scrolledBufferEqualsFullRender()
{
    QFETCH(double, zoom);
    QFETCH(QSize, viewport);
    QFETCH(int, maxStep);
    const QImage image = patternImage(97, 83);
    const KVZoomedImage source = zoomed(image, zoom);
    const int maxX = source.contentsWidth - viewport.width();
    const int maxY = source.contentsHeight - viewport.height();
    QVERIFY(maxX > 0 && maxY > 0);

    KVBackBuffer buffer;
    QRandomGenerator random(4711);
    int x = maxX / 2;
    int y = maxY / 2;
    for (int step = 0; step < 200; ++step) {
        QVERIFY(buffer.update(source, x, y, viewport.width(), viewport.height()));
        QCOMPARE(buffer.offset(), QPoint(x, y));
        const QImage shown = buffer.toImage();
        const QString difference = compareWithContents(
                shown, shown.rect(), image, source.contentsWidth, source.contentsHeight, x, y);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("step %1: %2").arg(step).arg(difference)));
        x = std::clamp(x + random.bounded(-maxStep, maxStep + 1), 0, maxX);
        y = std::clamp(y + random.bounded(-maxStep, maxStep + 1), 0, maxY);
    }
}

void TestKVBackBuffer::resizeKeepsAndCompletes_data()
{
    QTest::addColumn<QSize>("before");
    QTest::addColumn<QSize>("after");
    QTest::addColumn<QPoint>("scroll"); // scroll applied before the resize, to wrap the ring
    QTest::newRow("grow both") << QSize(30, 20) << QSize(45, 33) << QPoint(7, 5);
    QTest::newRow("shrink both") << QSize(30, 20) << QSize(12, 9) << QPoint(-4, 6);
    QTest::newRow("wider, lower") << QSize(30, 20) << QSize(50, 10) << QPoint(3, -3);
}

void TestKVBackBuffer::resizeKeepsAndCompletes()
{
    QFETCH(QSize, before);
    QFETCH(QSize, after);
    QFETCH(QPoint, scroll);
    const QImage image = patternImage(64, 48);
    const KVZoomedImage source = zoomed(image, 1.5);
    KVBackBuffer buffer;
    QVERIFY(buffer.update(source, 20, 15, before.width(), before.height()));
    QVERIFY(buffer.update(source, 20 + scroll.x(), 15 + scroll.y(), before.width(),
                          before.height()));
    QVERIFY(buffer.update(source, 20 + scroll.x(), 15 + scroll.y(), after.width(),
                          after.height()));
    QCOMPARE(buffer.size(), after);
    const QImage shown = buffer.toImage();
    const QString difference
            = compareWithContents(shown, shown.rect(), image, source.contentsWidth,
                                  source.contentsHeight, 20 + scroll.x(), 15 + scroll.y());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // A resize together with a move renders everything afresh.
    QVERIFY(buffer.update(source, 3, 2, before.width(), before.height()));
    const QImage moved = buffer.toImage();
    const QString movedDifference = compareWithContents(
            moved, moved.rect(), image, source.contentsWidth, source.contentsHeight, 3, 2);
    QVERIFY2(movedDifference.isEmpty(), qPrintable(movedDifference));
}

void TestKVBackBuffer::clearEmpties()
{
    const QImage image = patternImage(10, 10);
    KVBackBuffer buffer;
    QVERIFY(buffer.isNull());
    QVERIFY(buffer.update(zoomed(image, 1.0), 0, 0, 5, 5));
    QVERIFY(!buffer.isNull());
    buffer.clear();
    QVERIFY(buffer.isNull());
    QCOMPARE(buffer.size(), QSize(0, 0));
    // An empty viewport needs no buffer.
    QVERIFY(buffer.update(zoomed(image, 1.0), 0, 0, 0, 5));
    QVERIFY(buffer.isNull());
}

QTEST_GUILESS_MAIN(TestKVBackBuffer)
#include "tst_kvbackbuffer.moc"
