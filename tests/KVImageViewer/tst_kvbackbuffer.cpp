#include "kvbackbuffer.h"
#include "pixelhelpers.h"

#include <QRandomGenerator>
#include <QTest>

using namespace ViewerTest;

namespace {

KVZoomedImage zoomed(const QImage& image, double zoom)
{
    return {&image, nullptr, qRound(image.width() * zoom), qRound(image.height() * zoom)};
}

} // namespace

class TestKVBackBuffer : public QObject
{
    Q_OBJECT

private slots:
    void render_data()
    {
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QRect>("contents"); // rendered part, in contents coordinates
        QTest::addColumn<QPoint>("at");      // its place in a 40 x 30 destination
        auto row = [](const char* name, QSize size, double zoom, QRect contents, QPoint at) {
            QTest::newRow(name) << size << zoom << contents << at;
        };
        row("13x11 at 0.37, whole", {13, 11}, 0.37, {0, 0, 5, 4}, {2, 1});
        row("1x1 at 7, whole", {1, 1}, 7.0, {0, 0, 7, 7}, {0, 0});
        row("13x11 at 1.7, inner part", {13, 11}, 1.7, {3, 5, 11, 9}, {5, 5});
        row("9x9 at 3, last column", {9, 9}, 3.0, {26, 0, 1, 27}, {39, 0});
        row("101x67 at 1.15, last pixel", {101, 67}, 1.15, {115, 76, 1, 1}, {3, 3});
        row("beyond the contents is black", {5, 4}, 2.0, {-2, -2, 14, 12}, {0, 0});
        row("clipped on all sides", {60, 50}, 1.0, {4, 4, 50, 40}, {-3, -3});
        row("entirely outside", {20, 20}, 1.0, {0, 0, 5, 5}, {40, 0});
    }

    void render()
    {
        QFETCH(QSize, imageSize);
        QFETCH(double, zoom);
        QFETCH(QRect, contents);
        QFETCH(QPoint, at);
        const QImage image = patternImage(imageSize.width(), imageSize.height());
        const KVZoomedImage source = zoomed(image, zoom);
        const QRgb marker = qRgb(1, 2, 3);
        QImage dst(40, 30, QImage::Format_RGB32);
        dst.fill(marker);
        kvRenderZoomed(source, contents.x(), contents.y(), contents.width(), contents.height(),
                       &dst, at.x(), at.y());
        const QRect target = QRect(at, contents.size()) & dst.rect();
        const QPoint from = contents.topLeft() + target.topLeft() - at;
        if (!target.isEmpty())
            QCOMPARE(compareWithZoomedImage(dst.copy(target), image, source.contentsWidth,
                                            source.contentsHeight, from.x(), from.y()),
                     QString());
        for (int y = 0; y < dst.height(); ++y) {
            for (int x = 0; x < dst.width(); ++x)
                QVERIFY(target.contains(x, y) || dst.pixel(x, y) == marker);
        }
    }

    void renderIndexed()
    {
        const QImage image = Pix::indexedImage(3, 2, 256);
        const QList<QRgb> table = image.colorTable();
        QImage dst(9, 4, QImage::Format_RGB32);
        kvRenderZoomed({&image, table.constData(), 9, 4}, 0, 0, 9, 4, &dst, 0, 0);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 9; ++x)
                QCOMPARE(dst.pixel(x, y), table[image.pixelIndex(x / 3, y / 2)]);
        }
        // Without a table, or without an image, there is nothing to read: black.
        const QImage black = filledImage(9, 4, qRgb(0, 0, 0));
        kvRenderZoomed({&image, nullptr, 9, 4}, 0, 0, 9, 4, &dst, 0, 0);
        QCOMPARE(dst, black);
        dst.fill(Qt::white);
        kvRenderZoomed(KVZoomedImage(), 0, 0, 9, 4, &dst, 0, 0);
        QCOMPARE(dst, black);
    }

    void scrollAndResize_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("maxStep");
        QTest::newRow("zoom 1, small steps") << 1.0 << 12;
        QTest::newRow("zoom 1.7, steps beyond a viewport") << 1.7 << 70;
        QTest::newRow("zoom 0.43, one pixel steps") << 0.43 << 1;
    }

    // A random walk of the viewport, now and then resized: the buffer equals the contents.
    void scrollAndResize()
    {
        QFETCH(double, zoom);
        QFETCH(int, maxStep);
        const QImage image = patternImage(97, 83);
        const KVZoomedImage source = zoomed(image, zoom);
        KVBackBuffer buffer;
        QRandomGenerator random(4711);
        QRect view(10, 10, 37, 23); // in contents coordinates
        for (int step = 0; step < 300; ++step) {
            QVERIFY(buffer.update(source, view.x(), view.y(), view.width(), view.height()));
            QCOMPARE(buffer.size(), view.isEmpty() ? QSize(0, 0) : view.size());
            QCOMPARE(buffer.offset(), view.topLeft());
            QCOMPARE(compareWithZoomedImage(buffer.toImage(), image, source.contentsWidth,
                                            source.contentsHeight, view.x(), view.y()),
                     QString());
            const int kind = random.bounded(8);
            if (kind != 0)
                view.translate(random.bounded(-maxStep, maxStep + 1),
                               random.bounded(-maxStep, maxStep + 1));
            if (kind <= 1)
                view.setSize(QSize(random.bounded(0, 60), random.bounded(1, 45)));
            view.moveTo(std::clamp(view.x(), 0, source.contentsWidth - 1),
                        std::clamp(view.y(), 0, source.contentsHeight - 1));
        }
    }
};

QTEST_GUILESS_MAIN(TestKVBackBuffer)
#include "tst_kvbackbuffer.moc"
