#include "kvoverlayviewer.h"
#include "viewertesthelpers.h"

#include <QSignalSpy>
#include <QTest>

#include <climits>
#include <memory>

using namespace ViewerTest;

namespace {

// The grey value of a colour, from its definition.
int grey(QRgb c)
{
    return (11 * qRed(c) + 16 * qGreen(c) + 5 * qBlue(c)) / 32;
}

// The colour of a pixel; an index past the colour table is black.
QRgb colourAt(const QImage& image, int x, int y)
{
    if (image.format() == QImage::Format_Indexed8 && image.pixelIndex(x, y) >= image.colorCount())
        return qRgb(0, 0, 0);
    return image.pixel(x, y);
}

// What the blend must show at (x, y), pixel by pixel.
int expectedGrey(const QImage& first, const QImage& second, int dx, int dy, int x, int y)
{
    const int below = grey(colourAt(second, x, y));
    const qint64 fx = qint64(x) - dx;
    const qint64 fy = qint64(y) - dy;
    if (fx < 0 || fy < 0 || fx >= first.width() || fy >= first.height())
        return below;
    return (grey(colourAt(first, int(fx), int(fy))) + below) / 2;
}

QString compareBlend(const QImage& result, const QImage& first, const QImage& second, int dx,
                     int dy)
{
    if (result.format() != QImage::Format_Indexed8 || result.size() != second.size())
        return QStringLiteral("format %1, size %2 x %3")
                .arg(result.format())
                .arg(result.width())
                .arg(result.height());
    for (int i = 0; i < 256; ++i) {
        if (result.color(i) != qRgb(i, i, i))
            return QStringLiteral("colour table entry %1").arg(i);
    }
    for (int y = 0; y < second.height(); ++y) {
        for (int x = 0; x < second.width(); ++x) {
            const int want = expectedGrey(first, second, dx, dy, x, y);
            const int got = result.pixelIndex(x, y);
            if (got != want)
                return QStringLiteral("(%1, %2): got %3, want %4")
                        .arg(x)
                        .arg(y)
                        .arg(got)
                        .arg(want);
        }
    }
    return QString();
}

// An 8-bit image whose table maps each index to a colour, with `tableSize` entries.
QImage indexedImage(int w, int h, int tableSize)
{
    QImage image(w, h, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < tableSize; ++i)
        table << qRgb((i * 7) & 0xff, (i * 13 + 40) & 0xff, (255 - i) & 0xff);
    image.setColorTable(table);
    for (int y = 0; y < h; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < w; ++x)
            line[x] = uchar((x * 3 + y * 17) & 0xff);
    }
    return image;
}

} // namespace

class TestKVOverlayViewer : public QObject
{
    Q_OBJECT

private slots:
    void composition_data();
    void composition();
    void pairsThatCannotBeBlended_data();
    void pairsThatCannotBeBlended();

    void setDeltaRules();
    void imagesWaitWhileHidden();
    void badPairShowsEmptyView();
    void dragChangesDisplacement_data();
    void dragChangesDisplacement();
    void rightClickOnlyReports();
    void otherModesWorkAsInTheBaseViewer();

private:
    std::unique_ptr<KVOverlayViewer> shownViewer(const QImage& first, const QImage& second);
};

std::unique_ptr<KVOverlayViewer> TestKVOverlayViewer::shownViewer(const QImage& first,
                                                                  const QImage& second)
{
    auto viewer = std::make_unique<KVOverlayViewer>();
    viewer->resize(200, 150);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        return nullptr;
    viewer->setImages(first, second);
    return viewer;
}

void TestKVOverlayViewer::composition_data()
{
    QTest::addColumn<QImage>("first");
    QTest::addColumn<QImage>("second");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    const QImage a = patternImage(40, 30);
    const QImage b = patternImage(50, 20).mirrored(true, false);
    QTest::newRow("no displacement") << a << b << 0 << 0;
    QTest::newRow("right and down") << a << b << 7 << 3;
    QTest::newRow("left and up") << a << b << -5 << -12;
    QTest::newRow("left and down") << a << b << -39 << 19;
    QTest::newRow("right by the second's width") << a << b << 50 << 0;
    QTest::newRow("left by the first's width") << a << b << -40 << 0;
    QTest::newRow("below") << a << b << 0 << 20;
    QTest::newRow("INT_MAX") << a << b << INT_MAX << INT_MAX;
    QTest::newRow("INT_MIN") << a << b << INT_MIN << INT_MIN;
    QTest::newRow("first larger on every side") << patternImage(90, 70) << b << -20 << -30;
    QTest::newRow("ARGB32 and RGB32") << a.convertToFormat(QImage::Format_ARGB32) << b << 2 << 2;
    QTest::newRow("8 bit, short colour table")
            << indexedImage(30, 25, 100) << indexedImage(35, 20, 256) << 4 << -3;
    QTest::newRow("8 bit grey") << a.convertToFormat(QImage::Format_Grayscale8)
                                << b.convertToFormat(QImage::Format_Grayscale8) << 1 << 1;
    QTest::newRow("32 bit, other byte order")
            << a.convertToFormat(QImage::Format_RGBA8888) << b << -3 << 4;
    QTest::newRow("1 x 1") << filledImage(1, 1, qRgb(200, 100, 50))
                           << filledImage(1, 1, qRgb(10, 20, 30)) << 0 << 0;
}

void TestKVOverlayViewer::composition()
{
    QFETCH(QImage, first);
    QFETCH(QImage, second);
    QFETCH(int, dx);
    QFETCH(int, dy);
    const QImage result = kvComposeOverlay(first, second, dx, dy);
    const QString difference = compareBlend(result, first, second, dx, dy);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestKVOverlayViewer::pairsThatCannotBeBlended_data()
{
    QTest::addColumn<QImage>("first");
    QTest::addColumn<QImage>("second");
    const QImage wide = patternImage(10, 10);
    const QImage narrow = indexedImage(10, 10, 256);
    QTest::newRow("null first") << QImage() << wide;
    QTest::newRow("null second") << wide << QImage();
    QTest::newRow("8 and 32 bits") << narrow << wide;
    QTest::newRow("32 and 8 bits") << wide << narrow;
    QTest::newRow("16 bits") << wide.convertToFormat(QImage::Format_RGB16)
                             << wide.convertToFormat(QImage::Format_RGB16);
    QTest::newRow("1 bit") << wide.convertToFormat(QImage::Format_Mono)
                           << wide.convertToFormat(QImage::Format_Mono);
}

void TestKVOverlayViewer::pairsThatCannotBeBlended()
{
    QFETCH(QImage, first);
    QFETCH(QImage, second);
    QVERIFY(kvComposeOverlay(first, second, 0, 0).isNull());
}

void TestKVOverlayViewer::setDeltaRules()
{
    const QImage a = patternImage(40, 30);
    const QImage b = patternImage(30, 40);
    auto viewer = shownViewer(a, b);
    QVERIFY(viewer);
    QSignalSpy xSpy(viewer.get(), &KVOverlayViewer::displacementXChanged);
    QSignalSpy ySpy(viewer.get(), &KVOverlayViewer::displacementYChanged);
    QSignalSpy images(viewer.get(), &KVImgViewer::imageChanged);

    viewer->setDeltaX(0);
    QCOMPARE(xSpy.count() + images.count(), 0);
    viewer->setDeltaX(6);
    viewer->setDeltaY(-4);
    QCOMPARE(xSpy.count(), 1);
    QCOMPARE(xSpy.first().first().toInt(), 6);
    QCOMPARE(ySpy.count(), 1);
    QCOMPARE(ySpy.first().first().toInt(), -4);
    QCOMPARE(images.count(), 2);
    QCOMPARE(viewer->deltaX(), 6);
    QCOMPARE(viewer->deltaY(), -4);
    const QString difference = compareBlend(viewer->image(), a, b, 6, -4);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The picture on screen is the blend, in grey.
    const QImage shown = grabViewport(viewer.get());
    const int g = expectedGrey(a, b, 6, -4, 10, 12);
    QCOMPARE(shown.pixel(10, 12), qRgb(g, g, g));
}

void TestKVOverlayViewer::imagesWaitWhileHidden()
{
    const QImage a = patternImage(40, 30);
    const QImage b = patternImage(30, 40);
    KVOverlayViewer viewer;
    viewer.resize(200, 150);
    QSignalSpy images(&viewer, &KVImgViewer::imageChanged);
    viewer.setImages(a, b);
    viewer.setDeltaX(3);
    QCOMPARE(images.count(), 0);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    // Composed once more on the first show, with the displacement set meanwhile.
    QVERIFY(!images.isEmpty());
    const QString difference = compareBlend(viewer.image(), a, b, 3, 0);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestKVOverlayViewer::badPairShowsEmptyView()
{
    auto viewer = shownViewer(patternImage(40, 30), patternImage(30, 40));
    QVERIFY(viewer);
    QVERIFY(!viewer->image().isNull());
    viewer->setImages(patternImage(40, 30), indexedImage(30, 40, 256));
    QVERIFY(viewer->image().isNull());
    viewer->setDeltaX(5);
    QVERIFY(viewer->image().isNull());
    QCOMPARE(viewer->contentsWidth(), 0);
}

void TestKVOverlayViewer::dragChangesDisplacement_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<double>("zoom");
    QTest::newRow("left at zoom 2") << Qt::LeftButton << 2.0;
    QTest::newRow("middle at zoom 2") << Qt::MiddleButton << 2.0;
    QTest::newRow("left at zoom 0.5") << Qt::LeftButton << 0.5;
}

void TestKVOverlayViewer::dragChangesDisplacement()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(double, zoom);
    const QImage a = patternImage(300, 200);
    const QImage b = patternImage(300, 200).mirrored(true, true);
    auto viewer = shownViewer(a, b);
    QVERIFY(viewer);
    viewer->setZoomFactor(zoom);
    viewer->setContentsPos(20, 10);
    const QPoint scroll(viewer->contentsX(), viewer->contentsY());
    const QCursor cursor = viewer->viewport()->cursor();
    QSignalSpy xSpy(viewer.get(), &KVOverlayViewer::displacementXChanged);
    QSignalSpy ySpy(viewer.get(), &KVOverlayViewer::displacementYChanged);
    QSignalSpy modes(viewer.get(), &KVXImgViewer::modeChanged);
    QWidget* vp = viewer->viewport();

    QTest::mousePress(vp, button, {}, QPoint(50, 50));
    QCOMPARE(int(viewer->mode()), int(KVImgViewer::PanMode));
    QCOMPARE(vp->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(vp, QPoint(60, 50));
    // Ten viewport pixels, whatever the zoom; only x changed.
    QCOMPARE(viewer->deltaX(), 10);
    QCOMPARE(xSpy.count(), 1);
    QCOMPARE(xSpy.last().first().toInt(), 10);
    QCOMPARE(ySpy.count(), 0);
    QTest::mouseMove(vp, QPoint(57, 42));
    QCOMPARE(viewer->deltaX(), 7);
    QCOMPARE(viewer->deltaY(), -8);
    QCOMPARE(ySpy.count(), 1);
    QTest::mouseRelease(vp, button, {}, QPoint(57, 42));

    QCOMPARE(viewer->mode(), KVImgViewer::ViewMode);
    QCOMPARE(vp->cursor().shape(), cursor.shape());
    QCOMPARE(modes.count(), 0);
    QCOMPARE(QPoint(viewer->contentsX(), viewer->contentsY()), scroll);
    const QString difference = compareBlend(viewer->image(), a, b, 7, -8);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // After the release a move changes nothing.
    QTest::mouseMove(vp, QPoint(90, 90));
    QCOMPARE(viewer->deltaX(), 7);
}

void TestKVOverlayViewer::rightClickOnlyReports()
{
    auto viewer = shownViewer(patternImage(100, 80), patternImage(100, 80));
    QVERIFY(viewer);
    QSignalSpy clicked(viewer.get(), &KVXImgViewer::rightButtonClicked);
    QSignalSpy xSpy(viewer.get(), &KVOverlayViewer::displacementXChanged);
    QWidget* vp = viewer->viewport();

    QTest::mousePress(vp, Qt::RightButton, {}, QPoint(30, 30));
    QTest::mouseMove(vp, QPoint(50, 40));
    // Another button during the gesture starts nothing.
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(50, 40));
    QTest::mouseMove(vp, QPoint(70, 40));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(70, 40));
    QTest::mouseRelease(vp, Qt::RightButton, {}, QPoint(70, 40));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toPoint(), vp->mapToGlobal(QPoint(70, 40)));
    QCOMPARE(xSpy.count(), 0);
    QCOMPARE(viewer->deltaX(), 0);
    QCOMPARE(viewer->mode(), KVImgViewer::ViewMode);
}

void TestKVOverlayViewer::otherModesWorkAsInTheBaseViewer()
{
    auto viewer = shownViewer(patternImage(100, 80), patternImage(100, 80));
    QVERIFY(viewer);
    viewer->setRoiMode();
    QSignalSpy roi(viewer.get(), &KVXImgViewer::roiChanged);
    QTest::mousePress(viewer->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(viewer->viewport(), QPoint(20, 15));
    QTest::mouseRelease(viewer->viewport(), Qt::LeftButton, {}, QPoint(20, 15));
    QCOMPARE(roi.count(), 1);
    QCOMPARE(viewer->deltaX(), 0);
}

QTEST_MAIN(TestKVOverlayViewer)
#include "tst_kvoverlayviewer.moc"
