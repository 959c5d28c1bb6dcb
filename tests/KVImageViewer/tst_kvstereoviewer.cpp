// The anaglyph viewer: the composition against a computation from its definition written here,
// offsets, sizes and bad input, the buffers kept between recompositions, and the viewer's
// timing rules (pending images, bursts of offset changes, signals and their order).

#include "kvstereoviewer.h"
#include "viewertesthelpers.h"

#include <QCursor>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <climits>

namespace {

const QColor kDefaultLeft(0xb8, 0x00, 0x00);
const QColor kDefaultRight(0x00, 0xb8, 0xff);

int greyOf(QRgb c)
{
    return (11 * qRed(c) + 16 * qGreen(c) + 5 * qBlue(c)) / 32;
}

// Grey of the pixel an image puts at source position (x, y), or 0 where it has none.
int sourceGrey(const QImage& image, qint64 x, qint64 y)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return 0;
    if (image.depth() == 8) {
        if (image.colorCount() == 0)
            return 255;
        const int index = image.pixelIndex(int(x), int(y));
        return index < image.colorCount() ? greyOf(image.color(index)) : 0;
    }
    return greyOf(image.pixel(int(x), int(y)));
}

// The composite from its definition, one pixel at a time.
QImage expectedAnaglyph(const QImage& left, const QImage& right, const QColor& lc,
                        const QColor& rc, int deltaX, int deltaY)
{
    const int w = std::max(left.width(), right.width());
    const int h = std::max(left.height(), right.height());
    // Halving toward zero, written without relying on C++ division.
    const qint64 halfY = deltaY >= 0 ? qint64(deltaY) / 2 : -(-qint64(deltaY) / 2);
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int gl = sourceGrey(left, qint64(x) - deltaX, y - halfY);
            const int gr = sourceGrey(right, qint64(x) + deltaX, y - halfY + deltaY);
            const auto channel
                    = [&](int l, int r) { return std::min(255, (gl * l + gr * r) / 256); };
            out.setPixel(x, y,
                         qRgb(channel(lc.red(), rc.red()), channel(lc.green(), rc.green()),
                              channel(lc.blue(), rc.blue())));
        }
    }
    return out;
}

QString firstDifference(const QImage& got, const QImage& want)
{
    if (got.size() != want.size())
        return QStringLiteral("size %1 x %2, want %3 x %4")
                .arg(got.width())
                .arg(got.height())
                .arg(want.width())
                .arg(want.height());
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            if (got.pixel(x, y) != want.pixel(x, y))
                return QStringLiteral("(%1, %2): got %3, want %4")
                        .arg(x)
                        .arg(y)
                        .arg(got.pixel(x, y), 8, 16)
                        .arg(want.pixel(x, y), 8, 16);
        }
    }
    return QString();
}

QImage compose(const QImage& left, const QImage& right, const QColor& lc, const QColor& rc,
               int deltaX, int deltaY, int threads = 0)
{
    const QSize size = kvAnaglyphSize(left, right);
    if (size.isEmpty())
        return QImage();
    QImage out(size, QImage::Format_RGB32);
    out.fill(0x12345678u); // every pixel must be written
    if (!kvComposeAnaglyph(left, right, lc, rc, deltaX, deltaY, &out, threads))
        return QImage();
    return out;
}

QImage indexedImage(int w, int h, const QList<QRgb>& table, int indexModulo)
{
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorTable(table);
    for (int y = 0; y < h; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < w; ++x)
            line[x] = uchar((x * 7 + y * 3) % indexModulo);
    }
    return image;
}

QList<QRgb> greyTable(int n)
{
    QList<QRgb> table;
    for (int i = 0; i < n; ++i)
        table << qRgb((i * 37) & 0xff, (i * 91) & 0xff, (255 - i) & 0xff);
    return table;
}

// Shows the viewer and waits until it is on screen.
void showViewer(KVStereoViewer* viewer)
{
    viewer->resize(300, 200);
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
}

// Lets every pass of the event loop that is due run.
void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace

class TestKVStereoViewer : public QObject
{
    Q_OBJECT

private slots:
    void workedValues_data();
    void workedValues();
    void composition_data();
    void composition();
    void offsetsMoveTheImages();
    void saturation_data();
    void saturation();
    void otherLayouts();
    void unsupportedPairs_data();
    void unsupportedPairs();
    void targetMismatch();
    void threadsGiveTheSameResult();

    void viewerShowsComposite();
    void keptCopiesStayUnchanged();
    void pendingImagesComposedOnceOnShow();
    void offsetWhileHiddenComposedOnShow();
    void coloursComposedWhileHidden();
    void invalidOrEqualColoursIgnored_data();
    void invalidOrEqualColoursIgnored();
    void colourSignalAfterComposite();
    void unchangedOffsetWithoutImmediateModeDoesNothing();
    void immediateOffsetSignalsInOrder();
    void deferredOffsetWaitsForEventLoop();
    void burstGivesOneComposition();
    void cursorPositionAfterOffsetChange();
    void waitCursorDuringRecomposition();
    void hugeOffsets_data();
    void hugeOffsets();
    void mixedDepthsShowEmptyView();
    void compositeBeyondMemory();
};

// ---- composition ----------------------------------------------------------------------------

void TestKVStereoViewer::workedValues_data()
{
    QTest::addColumn<QRgb>("left");
    QTest::addColumn<QRgb>("right");
    QTest::addColumn<QRgb>("expected");
    QTest::newRow("white over black") << qRgb(255, 255, 255) << qRgb(0, 0, 0) << qRgb(183, 0, 0);
    QTest::newRow("white over white")
            << qRgb(255, 255, 255) << qRgb(255, 255, 255) << qRgb(183, 183, 254);
    QTest::newRow("black over black") << qRgb(0, 0, 0) << qRgb(0, 0, 0) << qRgb(0, 0, 0);
    QTest::newRow("black over white") << qRgb(0, 0, 0) << qRgb(255, 255, 255) << qRgb(0, 183, 254);
    // Grey (11 * 200 + 16 * 100 + 5 * 50) / 32 = 126; 126 * 184 >> 8 = 90.
    QTest::newRow("colour over black") << qRgb(200, 100, 50) << qRgb(0, 0, 0) << qRgb(90, 0, 0);
    QTest::newRow("alpha ignored") << qRgba(255, 255, 255, 0) << qRgb(0, 0, 0) << qRgb(183, 0, 0);
}

void TestKVStereoViewer::workedValues()
{
    QFETCH(QRgb, left);
    QFETCH(QRgb, right);
    QFETCH(QRgb, expected);
    QImage l(3, 2, QImage::Format_ARGB32);
    l.fill(left);
    const QImage r = ViewerTest::filledImage(3, 2, right);
    const QImage out = compose(l, r, kDefaultLeft, kDefaultRight, 0, 0);
    QCOMPARE(out.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            QCOMPARE(out.pixel(x, y), expected);
    }
}

void TestKVStereoViewer::composition_data()
{
    QTest::addColumn<QImage>("left");
    QTest::addColumn<QImage>("right");
    QTest::addColumn<int>("deltaX");
    QTest::addColumn<int>("deltaY");

    const QImage a = ViewerTest::patternImage(23, 17);
    const QImage b = ViewerTest::patternImage(23, 17).mirrored(true, false);
    QTest::newRow("same size, no offset") << a << b << 0 << 0;
    QTest::newRow("deltaY 1 moves the right image only") << a << b << 0 << 1;
    QTest::newRow("deltaY 2 moves both") << a << b << 0 << 2;
    QTest::newRow("deltaY -3 (half -1)") << a << b << 0 << -3;
    QTest::newRow("deltaY 3 (half 1)") << a << b << 0 << 3;
    QTest::newRow("deltaX 1") << a << b << 1 << 0;
    QTest::newRow("deltaX -2") << a << b << -2 << 0;
    QTest::newRow("both offsets") << a << b << 4 << -5;
    QTest::newRow("deltaX half the width") << a << b << 12 << 0;
    QTest::newRow("deltaX beyond the images") << a << b << 40 << 0;
    QTest::newRow("deltaX beyond, negative") << a << b << -40 << 0;
    QTest::newRow("deltaY beyond the images") << a << b << 0 << 60;
    QTest::newRow("deltaY beyond, negative") << a << b << 0 << -60;
    QTest::newRow("left wider") << ViewerTest::patternImage(31, 17) << b << 0 << 0;
    QTest::newRow("right taller") << a << ViewerTest::patternImage(23, 29) << 0 << 0;
    QTest::newRow("different sizes and offsets")
            << ViewerTest::patternImage(31, 12) << ViewerTest::patternImage(19, 29) << 3 << -7;
    QTest::newRow("1 x 1 images") << ViewerTest::patternImage(1, 1)
                                  << ViewerTest::filledImage(1, 1, qRgb(255, 255, 255)) << 0 << 0;
    QTest::newRow("1 x 1 images, deltaY 1")
            << ViewerTest::filledImage(1, 1, qRgb(255, 255, 255))
            << ViewerTest::filledImage(1, 1, qRgb(255, 255, 255)) << 0 << 1;
    QTest::newRow("1 x 1 and larger") << ViewerTest::patternImage(1, 1) << a << -1 << 1;
    QTest::newRow("indexed pair") << indexedImage(21, 13, greyTable(256), 256)
                                  << indexedImage(17, 15, greyTable(256), 251) << 2 << 3;
    QTest::newRow("indexed, indices past the table are black")
            << indexedImage(21, 13, greyTable(5), 9) << indexedImage(21, 13, greyTable(200), 256)
            << -1 << -1;
    QTest::newRow("indexed without colour table is white")
            << indexedImage(10, 8, {}, 256) << indexedImage(10, 8, greyTable(4), 4) << 1 << 0;
}

void TestKVStereoViewer::composition()
{
    QFETCH(QImage, left);
    QFETCH(QImage, right);
    QFETCH(int, deltaX);
    QFETCH(int, deltaY);
    const QImage got = compose(left, right, kDefaultLeft, kDefaultRight, deltaX, deltaY);
    const QImage want = expectedAnaglyph(left, right, kDefaultLeft, kDefaultRight, deltaX, deltaY);
    QCOMPARE(firstDifference(got, want), QString());
    // Opaque throughout.
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x)
            QCOMPARE(qAlpha(got.pixel(x, y)), 255);
    }
}

// The meaning of the offsets, by hand: one white column and one white row per image.
void TestKVStereoViewer::offsetsMoveTheImages()
{
    QImage marked = ViewerTest::filledImage(20, 20, qRgb(0, 0, 0));
    for (int i = 0; i < 20; ++i) {
        marked.setPixel(8, i, qRgb(255, 255, 255));
        marked.setPixel(i, 8, qRgb(255, 255, 255));
    }
    const auto leftSeesColumn = [](const QImage& out, int x) { return qRed(out.pixel(x, 0)) > 0; };
    const auto rightSeesColumn
            = [](const QImage& out, int x) { return qBlue(out.pixel(x, 0)) > 0; };
    const auto leftSeesRow = [](const QImage& out, int y) { return qRed(out.pixel(0, y)) > 0; };
    const auto rightSeesRow = [](const QImage& out, int y) { return qBlue(out.pixel(0, y)) > 0; };

    // deltaX 1: the left column moves right by one, the right one left by one.
    QImage out = compose(marked, marked, kDefaultLeft, kDefaultRight, 1, 0);
    QVERIFY(leftSeesColumn(out, 9) && !leftSeesColumn(out, 8));
    QVERIFY(rightSeesColumn(out, 7) && !rightSeesColumn(out, 8));

    // deltaY 1: half of it is 0, so only the right image moves up by one row.
    out = compose(marked, marked, kDefaultLeft, kDefaultRight, 0, 1);
    QVERIFY(leftSeesRow(out, 8));
    QVERIFY(rightSeesRow(out, 7) && !rightSeesRow(out, 8));

    // deltaY 2: both move by one row, in opposite directions.
    out = compose(marked, marked, kDefaultLeft, kDefaultRight, 0, 2);
    QVERIFY(leftSeesRow(out, 9) && !leftSeesRow(out, 8));
    QVERIFY(rightSeesRow(out, 7) && !rightSeesRow(out, 8));

    // An offset larger than the images leaves nothing of them.
    out = compose(marked, marked, kDefaultLeft, kDefaultRight, 25, 0);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x)
            QCOMPARE(out.pixel(x, y), qRgb(0, 0, 0));
    }
}

void TestKVStereoViewer::saturation_data()
{
    QTest::addColumn<QColor>("leftColour");
    QTest::addColumn<QColor>("rightColour");
    QTest::addColumn<QRgb>("leftPixel");
    QTest::addColumn<QRgb>("rightPixel");
    QTest::addColumn<QRgb>("expected");
    // 255 * 255 * 2 >> 8 = 508 in every channel; wrapped it would be 252, almost as dark as
    // the sum of two dim pixels.
    QTest::newRow("white colours, white pixels")
            << QColor(Qt::white) << QColor(Qt::white) << qRgb(255, 255, 255) << qRgb(255, 255, 255)
            << qRgb(255, 255, 255);
    // Red shared: 200 * 255 + 100 * 200 = 71000 >> 8 = 277 -> 255; green and blue alone.
    QTest::newRow("shared red channel")
            << QColor(255, 0, 0) << QColor(200, 255, 0) << qRgb(200, 200, 200)
            << qRgb(100, 100, 100) << qRgb(255, 99, 0);
    // Just below the limit nothing is clipped: 128 * 255 + 127 * 255 = 65025 >> 8 = 254.
    QTest::newRow("shared channel below the limit")
            << QColor(Qt::white) << QColor(Qt::white) << qRgb(128, 128, 128) << qRgb(127, 127, 127)
            << qRgb(254, 254, 254);
}

void TestKVStereoViewer::saturation()
{
    QFETCH(QColor, leftColour);
    QFETCH(QColor, rightColour);
    QFETCH(QRgb, leftPixel);
    QFETCH(QRgb, rightPixel);
    QFETCH(QRgb, expected);
    const QImage l = ViewerTest::filledImage(40, 3, leftPixel);
    const QImage r = ViewerTest::filledImage(40, 3, rightPixel);
    const QImage out = compose(l, r, leftColour, rightColour, 0, 0);
    for (int x = 0; x < 40; ++x)
        QCOMPARE(out.pixel(x, 1), expected);
}

// 32-bit layouts other than 0xAARRGGBB are read as the colours they hold; 8-bit greys too.
void TestKVStereoViewer::otherLayouts()
{
    const QImage a = ViewerTest::patternImage(19, 11);
    const QImage b = ViewerTest::patternImage(19, 11).mirrored(false, true);
    const QImage want = expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 2, 1);
    for (const QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGBX8888,
                                        QImage::Format_RGBA8888, QImage::Format_BGR30}) {
        const QImage got = compose(a.convertToFormat(format), b.convertToFormat(format),
                                   kDefaultLeft, kDefaultRight, 2, 1);
        QCOMPARE(firstDifference(got, want), QString());
    }
    const QImage greyA = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage greyB = b.convertToFormat(QImage::Format_Grayscale8);
    const QImage got = compose(greyA, greyB, kDefaultLeft, kDefaultRight, 0, 0);
    const QImage greyWant = expectedAnaglyph(greyA.convertToFormat(QImage::Format_RGB32),
                                             greyB.convertToFormat(QImage::Format_RGB32),
                                             kDefaultLeft, kDefaultRight, 0, 0);
    QCOMPARE(firstDifference(got, greyWant), QString());
}

void TestKVStereoViewer::unsupportedPairs_data()
{
    QTest::addColumn<QImage>("left");
    QTest::addColumn<QImage>("right");
    const QImage rgb = ViewerTest::patternImage(8, 8);
    const QImage indexed = indexedImage(8, 8, greyTable(16), 16);
    QTest::newRow("null left") << QImage() << rgb;
    QTest::newRow("null right") << rgb << QImage();
    QTest::newRow("both null") << QImage() << QImage();
    QTest::newRow("8 and 32 bits") << indexed << rgb;
    QTest::newRow("32 and 8 bits") << rgb << indexed;
    QTest::newRow("1 bit") << rgb.convertToFormat(QImage::Format_Mono)
                           << rgb.convertToFormat(QImage::Format_Mono);
    QTest::newRow("16 bits") << rgb.convertToFormat(QImage::Format_RGB16)
                             << rgb.convertToFormat(QImage::Format_RGB16);
}

void TestKVStereoViewer::unsupportedPairs()
{
    QFETCH(QImage, left);
    QFETCH(QImage, right);
    QVERIFY(kvAnaglyphSize(left, right).isEmpty());
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(0xff123456u);
    QVERIFY(!kvComposeAnaglyph(left, right, kDefaultLeft, kDefaultRight, 0, 0, &target));
    QCOMPARE(target.pixel(3, 3), 0xff123456u);
}

void TestKVStereoViewer::targetMismatch()
{
    const QImage a = ViewerTest::patternImage(8, 6);
    QImage wrongSize(8, 7, QImage::Format_RGB32);
    QVERIFY(!kvComposeAnaglyph(a, a, kDefaultLeft, kDefaultRight, 0, 0, &wrongSize));
    QImage wrongFormat(8, 6, QImage::Format_RGB888);
    QVERIFY(!kvComposeAnaglyph(a, a, kDefaultLeft, kDefaultRight, 0, 0, &wrongFormat));
    QVERIFY(!kvComposeAnaglyph(a, a, kDefaultLeft, kDefaultRight, 0, 0, nullptr));
}

// Large pictures are split over threads; the split must not show.
void TestKVStereoViewer::threadsGiveTheSameResult()
{
    const QImage a = ViewerTest::patternImage(2100, 1600);
    const QImage b = ViewerTest::patternImage(2000, 1700).mirrored(true, false);
    const QImage one = compose(a, b, kDefaultLeft, kDefaultRight, 7, -3, 1);
    QVERIFY(!one.isNull());
    for (const int threads : {2, 3, 0})
        QCOMPARE(compose(a, b, kDefaultLeft, kDefaultRight, 7, -3, threads), one);
    const QImage smallA = a.copy(0, 0, 300, 200);
    const QImage smallB = b.copy(0, 0, 280, 230);
    QCOMPARE(firstDifference(compose(smallA, smallB, kDefaultLeft, kDefaultRight, 7, -3, 3),
                             expectedAnaglyph(smallA, smallB, kDefaultLeft, kDefaultRight, 7, -3)),
             QString());
}

// ---- the viewer -----------------------------------------------------------------------------

void TestKVStereoViewer::viewerShowsComposite()
{
    const QImage a = ViewerTest::patternImage(40, 30);
    const QImage b = ViewerTest::patternImage(50, 20);
    KVStereoViewer viewer(a, b);
    QCOMPARE(viewer.leftColor(), kDefaultLeft);
    QCOMPARE(viewer.rightColor(), kDefaultRight);
    QCOMPARE(viewer.deltaX(), 0);
    QCOMPARE(viewer.deltaY(), 0);
    showViewer(&viewer);
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 0, 0)),
             QString());
    viewer.setDeltaX(3, true);
    viewer.setDeltaY(-2, true);
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 3, -2)),
             QString());
    // What the viewport shows is that picture.
    QCOMPARE(ViewerTest::compareWithZoomedImage(ViewerTest::grabViewport(&viewer), viewer.image(),
                                                viewer.contentsWidth(), viewer.contentsHeight(),
                                                viewer.contentsX(), viewer.contentsY()),
             QString());
}

// The composite's buffers are reused between recompositions; a copy someone keeps must not
// change under their hands.
void TestKVStereoViewer::keptCopiesStayUnchanged()
{
    const QImage a = ViewerTest::patternImage(60, 40);
    const QImage b = ViewerTest::patternImage(60, 40).mirrored(true, true);
    KVStereoViewer viewer(a, b);
    showViewer(&viewer);
    QImage kept;
    for (int dx = 1; dx <= 4; ++dx) {
        viewer.setDeltaX(dx, true);
        if (dx == 2)
            kept = viewer.image();
    }
    QCOMPARE(firstDifference(kept, expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 2, 0)),
             QString());
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 4, 0)),
             QString());
    // A new size after a recomposition of the old one.
    const QImage c = ViewerTest::patternImage(33, 21);
    viewer.setImages(c, c);
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(c, c, kDefaultLeft, kDefaultRight, 4, 0)),
             QString());
    QCOMPARE(firstDifference(kept, expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 2, 0)),
             QString());
}

void TestKVStereoViewer::pendingImagesComposedOnceOnShow()
{
    const QImage a = ViewerTest::patternImage(40, 30);
    KVStereoViewer viewer(a, a);
    QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
    const QImage b = ViewerTest::patternImage(20, 50);
    viewer.setImages(b, a);
    viewer.setImages(a, b);
    QCOMPARE(compositions.count(), 0);
    QVERIFY(viewer.image().isNull());

    showViewer(&viewer);
    drainEvents();
    QCOMPARE(compositions.count(), 1);
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 0, 0)),
             QString());
    // Shown again without new images: nothing to compose.
    viewer.hide();
    viewer.show();
    drainEvents();
    QCOMPARE(compositions.count(), 1);
}

void TestKVStereoViewer::offsetWhileHiddenComposedOnShow()
{
    const QImage a = ViewerTest::patternImage(40, 30);
    const QImage b = a.mirrored(true, false);
    KVStereoViewer viewer(a, b);
    showViewer(&viewer);
    viewer.hide();
    QSignalSpy displacement(&viewer, &KVStereoViewer::displacementXChanged);
    QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
    viewer.setDeltaX(5);
    viewer.setDeltaY(3, true);
    QCOMPARE(displacement.count(), 1);
    drainEvents();
    QCOMPARE(compositions.count(), 0);
    viewer.show();
    drainEvents();
    QCOMPARE(compositions.count(), 1);
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 5, 3)),
             QString());
}

void TestKVStereoViewer::coloursComposedWhileHidden()
{
    const QImage a = ViewerTest::patternImage(30, 20);
    KVStereoViewer viewer(a, a);
    QSignalSpy changed(&viewer, &KVStereoViewer::anaglyphColorsChanged);
    const QColor green(0, 200, 0);
    const QColor magenta(220, 0, 220);
    viewer.setAnaglyphColors(green, magenta);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(viewer.leftColor(), green);
    QCOMPARE(viewer.rightColor(), magenta);
    QCOMPARE(firstDifference(viewer.image(), expectedAnaglyph(a, a, green, magenta, 0, 0)),
             QString());
    QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
    showViewer(&viewer);
    QCOMPARE(firstDifference(viewer.image(), expectedAnaglyph(a, a, green, magenta, 0, 0)),
             QString());
}

void TestKVStereoViewer::invalidOrEqualColoursIgnored_data()
{
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    QTest::newRow("invalid left") << QColor() << QColor(Qt::blue);
    QTest::newRow("invalid right") << QColor(Qt::red) << QColor();
    QTest::newRow("named but invalid")
            << QColor(QStringLiteral("no such colour")) << QColor(Qt::blue);
    QTest::newRow("the current colours") << kDefaultLeft << kDefaultRight;
}

void TestKVStereoViewer::invalidOrEqualColoursIgnored()
{
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    const QImage a = ViewerTest::patternImage(30, 20);
    KVStereoViewer viewer(a, a);
    showViewer(&viewer);
    const QImage before = viewer.image();
    QSignalSpy changed(&viewer, &KVStereoViewer::anaglyphColorsChanged);
    QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
    viewer.setAnaglyphColors(left, right);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(compositions.count(), 0);
    QCOMPARE(viewer.leftColor(), kDefaultLeft);
    QCOMPARE(viewer.rightColor(), kDefaultRight);
    QCOMPARE(viewer.image(), before);
}

void TestKVStereoViewer::colourSignalAfterComposite()
{
    const QImage a = ViewerTest::patternImage(30, 20);
    KVStereoViewer viewer(a, a);
    showViewer(&viewer);
    QStringList order;
    connect(&viewer, &KVImgViewer::imageChanged, this, [&] { order << "image"; });
    connect(&viewer, &KVStereoViewer::anaglyphColorsChanged, this,
            [&](const QColor& l, const QColor& r) {
                order << "colours";
                QCOMPARE(l, QColor(Qt::green));
                QCOMPARE(r, QColor(Qt::blue));
                // The new picture is in place when the signal arrives.
                QCOMPARE(firstDifference(viewer.image(), expectedAnaglyph(a, a, l, r, 0, 0)),
                         QString());
            });
    viewer.setAnaglyphColors(Qt::green, Qt::blue);
    QCOMPARE(order, QStringList({"image", "colours"}));
}

void TestKVStereoViewer::unchangedOffsetWithoutImmediateModeDoesNothing()
{
    const QImage a = ViewerTest::patternImage(30, 20);
    KVStereoViewer viewer(a, a);
    showViewer(&viewer);
    viewer.setDeltaX(2, true);
    viewer.setDeltaY(-1, true);
    QSignalSpy dx(&viewer, &KVStereoViewer::displacementXChanged);
    QSignalSpy dy(&viewer, &KVStereoViewer::displacementYChanged);
    QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
    QSignalSpy position(&viewer, &KVXImgViewer::cursorPos);
    viewer.setDeltaX(2);
    viewer.setDeltaY(-1, false);
    drainEvents();
    QCOMPARE(dx.count(), 0);
    QCOMPARE(dy.count(), 0);
    QCOMPARE(compositions.count(), 0);
    QCOMPARE(position.count(), 0);
}

void TestKVStereoViewer::immediateOffsetSignalsInOrder()
{
    const QImage a = ViewerTest::patternImage(30, 20);
    KVStereoViewer viewer(a, a);
    showViewer(&viewer);
    viewer.setDeltaX(2, true);
    QStringList order;
    connect(&viewer, &KVStereoViewer::displacementXChanged, this,
            [&](int v) { order << QStringLiteral("x %1").arg(v); });
    connect(&viewer, &KVStereoViewer::displacementYChanged, this,
            [&](int v) { order << QStringLiteral("y %1").arg(v); });
    connect(&viewer, &KVImgViewer::imageChanged, this, [&] { order << "image"; });
    connect(&viewer, &KVXImgViewer::cursorPos, this, [&] { order << "cursor"; });
    // The current value with immediateMode still recomposes and reports.
    viewer.setDeltaX(2, true);
    viewer.setDeltaY(4, true);
    QCOMPARE(order, QStringList({"x 2", "image", "cursor", "y 4", "image", "cursor"}));
    QCOMPARE(viewer.deltaY(), 4);
}

void TestKVStereoViewer::deferredOffsetWaitsForEventLoop()
{
    const QImage a = ViewerTest::patternImage(30, 20);
    const QImage b = a.mirrored(true, false);
    KVStereoViewer viewer(a, b);
    showViewer(&viewer);
    QSignalSpy dx(&viewer, &KVStereoViewer::displacementXChanged);
    QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
    viewer.setDeltaX(3);
    QCOMPARE(dx.count(), 1);
    QCOMPARE(dx.at(0).at(0).toInt(), 3);
    QCOMPARE(viewer.deltaX(), 3);
    QCOMPARE(compositions.count(), 0);
    QVERIFY(compositions.wait());
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 3, 0)),
             QString());
}

// A held arrow key: many offset changes arrive within one pass of the event loop and are
// served by one composition.
void TestKVStereoViewer::burstGivesOneComposition()
{
    const QImage a = ViewerTest::patternImage(30, 20);
    const QImage b = a.mirrored(true, false);
    KVStereoViewer viewer(a, b);
    showViewer(&viewer);
    QSignalSpy dx(&viewer, &KVStereoViewer::displacementXChanged);
    QSignalSpy dy(&viewer, &KVStereoViewer::displacementYChanged);
    QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
    QSignalSpy position(&viewer, &KVXImgViewer::cursorPos);
    // Queued, like key events waiting in the event queue.
    for (int i = 1; i <= 20; ++i) {
        QMetaObject::invokeMethod(
                &viewer, [&viewer, i] { viewer.setDeltaX(i); }, Qt::QueuedConnection);
        if (i % 4 == 0)
            QMetaObject::invokeMethod(
                    &viewer, [&viewer, i] { viewer.setDeltaY(-i); }, Qt::QueuedConnection);
    }
    QTRY_COMPARE(compositions.count(), 1);
    drainEvents();
    QCOMPARE(compositions.count(), 1);
    QCOMPARE(position.count(), 1);
    QCOMPARE(dx.count(), 20);
    QCOMPARE(dy.count(), 5);
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, b, kDefaultLeft, kDefaultRight, 20, -20)),
             QString());

    // A second burst in a later pass gets its own composition.
    for (int i = 0; i < 5; ++i)
        QMetaObject::invokeMethod(
                &viewer, [&viewer, i] { viewer.setDeltaX(30 + i); }, Qt::QueuedConnection);
    QTRY_COMPARE(compositions.count(), 2);
    drainEvents();
    QCOMPARE(compositions.count(), 2);
}

void TestKVStereoViewer::cursorPositionAfterOffsetChange()
{
    const QImage a = ViewerTest::patternImage(800, 600);
    KVStereoViewer viewer(a, a);
    showViewer(&viewer);
    viewer.setZoomFactor(2.0);
    viewer.setContentsPos(100, 60);
    QCOMPARE(viewer.contentsX(), 100);
    const QPoint inViewport(30, 20);
    QCursor::setPos(viewer.viewport()->mapToGlobal(inViewport));
    const QPoint seen = viewer.viewport()->mapFromGlobal(QCursor::pos());
    QSignalSpy position(&viewer, &KVXImgViewer::cursorPos);
    viewer.setDeltaX(1, true);
    QCOMPARE(position.count(), 1);
    QCOMPARE(position.at(0).at(0).toDouble(), (100 + seen.x()) / 2.0);
    QCOMPARE(position.at(0).at(1).toDouble(), (60 + seen.y()) / 2.0);
    viewer.setDeltaY(1);
    QVERIFY(position.wait());
    QCOMPARE(position.at(1).at(0).toDouble(), (100 + seen.x()) / 2.0);
}

void TestKVStereoViewer::waitCursorDuringRecomposition()
{
    const QImage a = ViewerTest::patternImage(30, 20);
    KVStereoViewer viewer(a, a);
    showViewer(&viewer);
    QList<int> shapes;
    connect(&viewer, &KVImgViewer::imageChanged, this, [&] {
        const QCursor* c = QGuiApplication::overrideCursor();
        shapes << (c ? int(c->shape()) : -1);
    });
    viewer.setDeltaX(1, true);
    viewer.setDeltaY(1);
    QTRY_COMPARE(shapes.count(), 2);
    QCOMPARE(shapes, QList<int>({int(Qt::WaitCursor), int(Qt::WaitCursor)}));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestKVStereoViewer::hugeOffsets_data()
{
    QTest::addColumn<int>("deltaX");
    QTest::addColumn<int>("deltaY");
    QTest::newRow("INT_MAX / 4, 0") << INT_MAX / 4 << 0;
    QTest::newRow("-INT_MAX / 4, 0") << -INT_MAX / 4 << 0;
    QTest::newRow("0, INT_MAX / 4") << 0 << INT_MAX / 4;
    QTest::newRow("0, -INT_MAX / 4") << 0 << -INT_MAX / 4;
    QTest::newRow("INT_MAX, INT_MAX") << INT_MAX << INT_MAX;
    QTest::newRow("INT_MIN, INT_MIN") << INT_MIN << INT_MIN;
}

// Far beyond the images: black, and never a read outside them.
void TestKVStereoViewer::hugeOffsets()
{
    QFETCH(int, deltaX);
    QFETCH(int, deltaY);
    const QImage a = ViewerTest::patternImage(17, 9);
    const QImage b = ViewerTest::patternImage(9, 17);
    const QImage out = compose(a, b, kDefaultLeft, kDefaultRight, deltaX, deltaY);
    QCOMPARE(out.size(), QSize(17, 17));
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x)
            QCOMPARE(out.pixel(x, y), qRgb(0, 0, 0));
    }
    KVStereoViewer viewer(a, b);
    showViewer(&viewer);
    viewer.setDeltaX(deltaX, true);
    viewer.setDeltaY(deltaY, true);
    QCOMPARE(viewer.image(), out);
}

void TestKVStereoViewer::mixedDepthsShowEmptyView()
{
    const QImage rgb = ViewerTest::patternImage(30, 20);
    KVStereoViewer viewer(rgb, rgb);
    showViewer(&viewer);
    QVERIFY(!viewer.image().isNull());
    viewer.setImages(indexedImage(30, 20, greyTable(8), 8), rgb);
    QVERIFY(viewer.image().isNull());
    QCOMPARE(viewer.contentsWidth(), 0);
    viewer.setImages(rgb, QImage());
    QVERIFY(viewer.image().isNull());
    viewer.setImages(ViewerTest::patternImage(1, 1), ViewerTest::patternImage(1, 1));
    QCOMPARE(viewer.image().size(), QSize(1, 1));
}

// A wide and a tall image make a composite of 2^48 bytes, which no machine can give.
void TestKVStereoViewer::compositeBeyondMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer stops at an allocation this large instead of failing it");
#endif
    const QImage wide = ViewerTest::filledImage(1 << 23, 1, qRgb(255, 255, 255));
    const QImage tall = ViewerTest::filledImage(1, 1 << 23, qRgb(255, 255, 255));
    QVERIFY(!wide.isNull() && !tall.isNull());
    KVStereoViewer viewer(wide, tall);
    QTest::ignoreMessage(QtWarningMsg, "MEMORY EXCEPTION");
    showViewer(&viewer);
    QVERIFY(viewer.image().isNull());
    QCOMPARE(viewer.contentsWidth(), 0);
    // Nothing is lost: a pair that fits is composed again.
    const QImage a = ViewerTest::patternImage(20, 10);
    viewer.setImages(a, a);
    QCOMPARE(firstDifference(viewer.image(),
                             expectedAnaglyph(a, a, kDefaultLeft, kDefaultRight, 0, 0)),
             QString());
}

QTEST_MAIN(TestKVStereoViewer)
#include "tst_kvstereoviewer.moc"
