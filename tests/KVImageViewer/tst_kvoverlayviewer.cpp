#include "kvoverlayviewer.h"
#include "pixelhelpers.h"

#include <QSignalSpy>
#include <QTest>

#include <climits>

using namespace Pix;

namespace {

// The blend from its definition: the second image's grey, averaged with the shifted first's.
QImage expectedBlend(const QImage& first, const QImage& second, int dx, int dy)
{
    QImage out(second.size(), QImage::Format_Indexed8);
    for (int i = 0; i < 256; ++i)
        out.setColor(i, qRgb(i, i, i));
    for (int y = 0; y < second.height(); ++y) {
        for (int x = 0; x < second.width(); ++x) {
            const qint64 fx = qint64(x) - dx;
            const qint64 fy = qint64(y) - dy;
            const bool over = fx >= 0 && fy >= 0 && fx < first.width() && fy < first.height();
            const int below = greyAt(second, x, y);
            out.setPixel(x, y, over ? (greyAt(first, int(fx), int(fy)) + below) / 2 : below);
        }
    }
    return out;
}

} // namespace

class TestKVOverlayViewer : public QObject
{
    Q_OBJECT

private slots:
    void composition_data();
    void composition();
    void mouseGestures_data();
    void mouseGestures();
};

void TestKVOverlayViewer::composition_data()
{
    QTest::addColumn<QImage>("first");
    QTest::addColumn<QImage>("second");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<bool>("blendable");
    const QImage a = patternImage(40, 30);
    const QImage b = patternImage(50, 20).mirrored(true, false);
    QTest::newRow("no displacement") << a << b << 0 << 0 << true;
    QTest::newRow("right and down") << a << b << 7 << 3 << true;
    QTest::newRow("left and up, overlap from 0") << a << b << -5 << -12 << true;
    QTest::newRow("INT_MAX and INT_MIN") << a << b << INT_MAX << INT_MIN << true;
    QTest::newRow("8 bit, short colour table")
            << indexedImage(30, 25, 100) << indexedImage(35, 20, 256) << 4 << -3 << true;
    QTest::newRow("null first") << QImage() << b << 0 << 0 << false;
    QTest::newRow("8 and 32 bits") << indexedImage(10, 10, 256) << b << 0 << 0 << false;
    QTest::newRow("16 bits") << a.convertToFormat(QImage::Format_RGB16)
                             << b.convertToFormat(QImage::Format_RGB16) << 0 << 0 << false;
}

void TestKVOverlayViewer::composition()
{
    QFETCH(QImage, first);
    QFETCH(QImage, second);
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(bool, blendable);
    const QImage got = kvComposeOverlay(first, second, dx, dy);
    QCOMPARE(got.isNull(), !blendable);
    if (blendable) {
        QCOMPARE(got.format(), QImage::Format_Indexed8);
        QCOMPARE(firstDifference(got, expectedBlend(first, second, dx, dy)), QString());
    }
}

void TestKVOverlayViewer::mouseGestures_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left drags") << Qt::LeftButton;
    QTest::newRow("middle drags") << Qt::MiddleButton;
    QTest::newRow("right only reports") << Qt::RightButton;
}

// Images set while hidden wait for the first show. At zoom 2 a drag by ten viewport pixels
// changes the displacement by ten; a second button during a gesture is ignored.
void TestKVOverlayViewer::mouseGestures()
{
    QFETCH(Qt::MouseButton, button);
    const bool drags = button != Qt::RightButton;
    const QImage a = patternImage(300, 200);
    const QImage b = a.mirrored(true, true);
    KVOverlayViewer viewer;
    viewer.resize(200, 150);
    QSignalSpy xSpy(&viewer, &KVOverlayViewer::displacementXChanged);
    QSignalSpy ySpy(&viewer, &KVOverlayViewer::displacementYChanged);
    QSignalSpy images(&viewer, &KVImgViewer::imageChanged);
    viewer.setImages(a, b);
    viewer.setDeltaX(3);
    QCOMPARE(images.count(), 0);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(firstDifference(viewer.image(), expectedBlend(a, b, 3, 0)), QString());
    viewer.setZoomFactor(2);
    viewer.setContentsPos(20, 10);
    images.clear();
    viewer.setDeltaX(3); // the current value
    QCOMPARE(xSpy.count() + images.count(), 1);
    const QPoint scroll(viewer.contentsX(), viewer.contentsY());
    const Qt::CursorShape cursor = viewer.viewport()->cursor().shape();
    QSignalSpy modes(&viewer, &KVXImgViewer::modeChanged);
    QSignalSpy clicked(&viewer, &KVXImgViewer::rightButtonClicked);
    QWidget* vp = viewer.viewport();
    const Qt::MouseButton other = drags ? Qt::RightButton : Qt::LeftButton;
    QTest::mousePress(vp, button, {}, QPoint(50, 50));
    QTest::mousePress(vp, other, {}, QPoint(50, 50));
    QCOMPARE(viewer.mode(), drags ? KVImgViewer::PanMode : KVImgViewer::ViewMode);
    QCOMPARE(vp->cursor().shape(), drags ? Qt::SizeAllCursor : cursor);
    QTest::mouseMove(vp, QPoint(60, 50));
    QCOMPARE(xSpy.count(), drags ? 2 : 1);
    QCOMPARE(ySpy.count(), 0); // only x changed
    QTest::mouseMove(vp, QPoint(57, 42));
    QTest::mouseRelease(vp, other, {}, QPoint(57, 42));
    QTest::mouseRelease(vp, button, {}, QPoint(57, 42));
    QCOMPARE(xSpy.count() + ySpy.count(), drags ? 4 : 1);
    QCOMPARE(QPoint(viewer.deltaX(), viewer.deltaY()), drags ? QPoint(10, -8) : QPoint(3, 0));
    QCOMPARE(clicked.count(), drags ? 0 : 1);
    if (!drags)
        QCOMPARE(clicked.first().first().toPoint(), vp->mapToGlobal(QPoint(57, 42)));
    QCOMPARE(viewer.mode(), KVImgViewer::ViewMode);
    QCOMPARE(vp->cursor().shape(), cursor);
    QCOMPARE(modes.count(), 0);
    QCOMPARE(QPoint(viewer.contentsX(), viewer.contentsY()), scroll);
    const QImage want = expectedBlend(a, b, viewer.deltaX(), viewer.deltaY());
    QCOMPARE(firstDifference(viewer.image(), want), QString());
    QTest::mouseMove(vp, QPoint(90, 90)); // after the release a move changes nothing
    QCOMPARE(viewer.deltaX(), drags ? 10 : 3);
    viewer.setImages(a, indexedImage(30, 40, 256)); // cannot be blended: an empty view
    QVERIFY(viewer.image().isNull());
    QCOMPARE(viewer.contentsWidth(), 0);
}

QTEST_MAIN(TestKVOverlayViewer)
#include "tst_kvoverlayviewer.moc"
