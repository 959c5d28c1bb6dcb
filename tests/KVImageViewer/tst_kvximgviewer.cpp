#include "kvximgviewer.h"
#include "viewertesthelpers.h"

#include <QApplication>
#include <QBitmap>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace ViewerTest;

namespace {

// Opens the protected helpers of the viewer to the tests.
class TestViewer : public KVXImgViewer
{
public:
    using KVXImgViewer::imagePoint;
    using KVXImgViewer::overlayPenWidth;
    using KVXImgViewer::viewportPoint;

    int drawnPenWidth = -1;
    int drawnDeviceType = -1;

protected:
    void drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch) override
    {
        KVXImgViewer::drawViewport(p, ox, oy, cx, cy, cw, ch);
        drawnPenWidth = overlayPenWidth(p);
        drawnDeviceType = p->device()->devType();
    }
};

const QRgb kBackground = qRgb(100, 150, 60);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kMagenta = qRgb(255, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);

// Whether (x, y) lies on the one-pixel border of r.
bool onBorder(const QRect& r, int x, int y)
{
    return r.contains(x, y)
           && (x == r.left() || x == r.right() || y == r.top() || y == r.bottom());
}

} // namespace

Q_DECLARE_METATYPE(KVImgViewer::Mode)

class TestKVXImgViewer : public QObject
{
    Q_OBJECT

private slots:
    void modesAndCursors_data();
    void modesAndCursors();
    void pointModeCursorAndDerivedModes();

    void roiDrag_data();
    void roiDrag();
    void setRoiRules();
    void roiIsFramedOnScreen_data();
    void roiIsFramedOnScreen();
    void otherButtonsDuringGestureAreIgnored();

    void zoomRectangleZoomsToIt();
    void zoomClickWithoutDragDoesNotZoom_data();
    void zoomClickWithoutDragDoesNotZoom();
    void middleButtonPans_data();
    void middleButtonPans();
    void middleButtonOnFittingImageDoesNotPan();

    void polylineClicks();
    void doubleClickFinishesPolygon();
    void deleteRemovesLastVertex();
    void setPolylineReplacesTheLine();

    void measuringLine();
    void measuringLineIsDrawnInverted();

    void rightButtonOnlyReports();
    void cursorPositionOnMove();

    void pointAlongPolyline_data();
    void pointAlongPolyline();
    void markersOnScreen();
    void penWidthOnPrinter();
    void overlaysOnDevicesWithoutRasterOperations();

private:
    std::unique_ptr<TestViewer> shownViewer(const QImage& image, const QSize& size = {400, 300});
};

std::unique_ptr<TestViewer> TestKVXImgViewer::shownViewer(const QImage& image, const QSize& size)
{
    auto viewer = std::make_unique<TestViewer>();
    viewer->resize(size);
    viewer->setImage(image, true);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        return nullptr;
    return viewer;
}

// ---- modes ----------------------------------------------------------------------------------

void TestKVXImgViewer::modesAndCursors_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<KVImgViewer::Mode>("mode");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QPoint>("hotSpot");
    QTest::addColumn<bool>("hotSpotOpaque"); // the cross cursors leave their centre open
    QTest::newRow("ROI") << QByteArray("setRoiMode") << KVImgViewer::RoiMode
                         << int(Qt::BitmapCursor) << QPoint(8, 8) << false;
    QTest::newRow("zoom") << QByteArray("setZoomMode") << KVImgViewer::ZoomMode
                          << int(Qt::BitmapCursor) << QPoint(8, 8) << false;
    QTest::newRow("polyline") << QByteArray("setPolylineMode") << KVImgViewer::PolylineMode
                              << int(Qt::BitmapCursor) << QPoint(5, 26) << true;
    QTest::newRow("polygon") << QByteArray("setPolygonMode") << KVImgViewer::PolylineMode
                             << int(Qt::BitmapCursor) << QPoint(5, 26) << true;
    QTest::newRow("measure") << QByteArray("setLineMeasureMode") << KVImgViewer::LineMeasureMode
                             << int(Qt::BitmapCursor) << QPoint(7, 7) << false;
}

void TestKVXImgViewer::modesAndCursors()
{
    QFETCH(QByteArray, slot);
    QFETCH(KVImgViewer::Mode, mode);
    QFETCH(int, shape);
    QFETCH(QPoint, hotSpot);
    QFETCH(bool, hotSpotOpaque);
    auto viewer = shownViewer(filledImage(50, 40, kBackground));
    QVERIFY(viewer);
    QCOMPARE(viewer->mode(), KVImgViewer::ViewMode);
    QCOMPARE(viewer->viewport()->cursor().shape(), Qt::ArrowCursor);
    QSignalSpy spy(viewer.get(), &KVXImgViewer::modeChanged);

    QVERIFY(QMetaObject::invokeMethod(viewer.get(), slot.constData()));
    QCOMPARE(viewer->mode(), mode);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().value<KVImgViewer::Mode>(), mode);
    const QCursor cursor = viewer->viewport()->cursor();
    QCOMPARE(int(cursor.shape()), shape);
    QCOMPARE(cursor.hotSpot(), hotSpot);
    QCOMPARE(cursor.bitmap().size(), QSize(32, 32));
    const QImage mask = cursor.mask().toImage().convertToFormat(QImage::Format_Mono);
    QCOMPARE(mask.pixelIndex(hotSpot) == 1, hotSpotOpaque);

    // Setting the same mode again changes nothing.
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), slot.constData()));
    QCOMPARE(spy.count(), 1);

    viewer->setViewMode();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(viewer->viewport()->cursor().shape(), Qt::ArrowCursor);
}

void TestKVXImgViewer::pointModeCursorAndDerivedModes()
{
    auto viewer = shownViewer(filledImage(50, 40, kBackground));
    QVERIFY(viewer);
    viewer->setMode(KVImgViewer::PointMeasureMode);
    QCursor cursor = viewer->viewport()->cursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    QCOMPARE(cursor.hotSpot(), QPoint(7, 7));
    // The ROI, ruler and cross cursors differ.
    viewer->setLineMeasureMode();
    QVERIFY(viewer->viewport()->cursor().bitmap().toImage() != cursor.bitmap().toImage());

    // Modes of derived viewers and the point drag keep the cursor they find.
    QSignalSpy spy(viewer.get(), &KVXImgViewer::modeChanged);
    viewer->setMode(KVImgViewer::Mode(14));
    QCOMPARE(int(viewer->mode()), 14);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(viewer->viewport()->cursor().hotSpot(), QPoint(7, 7));
    viewer->setRoiMode();
    viewer->setMode(KVImgViewer::PointDragMode);
    QCOMPARE(viewer->viewport()->cursor().hotSpot(), QPoint(8, 8));
}

// ---- region of interest ---------------------------------------------------------------------

void TestKVXImgViewer::roiDrag_data()
{
    QTest::addColumn<QSize>("imageSize");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPoint>("from"); // viewport positions
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QRect>("roi");       // stored ROI (inclusive bounds)
    QTest::addColumn<QPointF>("tracked"); // last corner of roiTracked

    QTest::newRow("right and down to (20.7, 15.2)")
            << QSize(60, 40) << 10.0 << QPoint(105, 105) << QPoint(207, 152)
            << QRect(QPoint(10, 10), QPoint(20, 15)) << QPointF(20.7, 15.2);
    QTest::newRow("left to (4.5, 10.2) leaves the anchor column out")
            << QSize(60, 40) << 10.0 << QPoint(105, 105) << QPoint(45, 102)
            << QRect(QPoint(4, 10), QPoint(9, 10)) << QPointF(4.5, 10.2);
    QTest::newRow("zoom 1") << QSize(300, 200) << 1.0 << QPoint(10, 10) << QPoint(20, 15)
                            << QRect(QPoint(10, 10), QPoint(20, 15)) << QPointF(20, 15);
    QTest::newRow("zoom 0.3, reported from the screen rectangle")
            << QSize(600, 400) << 0.3 << QPoint(10, 10) << QPoint(20, 17)
            << QRect(QPoint(33, 33), QPoint(66, 56)) << QPointF(20 / 0.3, 17 / 0.3);
}

void TestKVXImgViewer::roiDrag()
{
    QFETCH(QSize, imageSize);
    QFETCH(double, zoom);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QRect, roi);
    QFETCH(QPointF, tracked);
    auto viewer = shownViewer(patternImage(imageSize.width(), imageSize.height()));
    QVERIFY(viewer);
    viewer->setZoomFactor(zoom);
    viewer->setContentsPos(0, 0);
    viewer->setRoiMode();
    QSignalSpy trackedSpy(viewer.get(), &KVXImgViewer::roiTracked);
    QSignalSpy changedSpy(viewer.get(), &KVXImgViewer::roiChanged);
    QWidget* vp = viewer->viewport();

    QTest::mousePress(vp, Qt::LeftButton, {}, from);
    QCOMPARE(viewer->mode(), KVImgViewer::RoiTracking);
    QCOMPARE(trackedSpy.count(), 1);
    const QList<QVariant> first = trackedSpy.first();
    QCOMPARE(first.at(0).toDouble(), first.at(2).toDouble());
    QCOMPARE(first.at(0).toDouble(), std::floor(from.x() / zoom));

    QTest::mouseMove(vp, to);
    const QList<QVariant> last = trackedSpy.last();
    QCOMPARE(last.at(2).toDouble(), tracked.x());
    QCOMPARE(last.at(3).toDouble(), tracked.y());
    int l, r, t, b;
    viewer->roi(&l, &r, &t, &b);
    QCOMPARE(QRect(QPoint(l, t), QPoint(r, b)), roi);
    QCOMPARE(changedSpy.count(), 0);

    QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
    QCOMPARE(viewer->mode(), KVImgViewer::RoiMode);
    QCOMPARE(changedSpy.count(), 1);
    // Reported back from the ROI's rectangle on screen.
    const int sl = qRound(roi.left() * zoom);
    const int st = qRound(roi.top() * zoom);
    const int sr = qRound((roi.right() + 1) * zoom) - 1;
    const int sb = qRound((roi.bottom() + 1) * zoom) - 1;
    const QList<QVariant> changed = changedSpy.first();
    QCOMPARE(changed.at(0).toInt(), qRound(sl / zoom));
    QCOMPARE(changed.at(1).toInt(), qRound(st / zoom));
    QCOMPARE(changed.at(2).toInt(), qRound(sr / zoom - 0.5));
    QCOMPARE(changed.at(3).toInt(), qRound(sb / zoom - 0.5));
    if (zoom == 1.0 || zoom >= 1.5) {
        QCOMPARE(changed.at(0).toInt(), roi.left());
        QCOMPARE(changed.at(1).toInt(), roi.top());
        QCOMPARE(changed.at(2).toInt(), roi.right());
        QCOMPARE(changed.at(3).toInt(), roi.bottom());
    }
    viewer->roi(&l, &r, &t, &b);
    QCOMPARE(QRect(QPoint(l, t), QPoint(r, b)), roi); // the stored ROI stays as tracked
    QVERIFY(viewer->hasRoi());
}

void TestKVXImgViewer::setRoiRules()
{
    auto viewer = shownViewer(patternImage(60, 40));
    QVERIFY(viewer);
    QSignalSpy spy(viewer.get(), &KVXImgViewer::roiChanged);
    QVERIFY(!viewer->hasRoi());
    viewer->clearRoi();
    QCOMPARE(spy.count(), 0);
    viewer->setRoi(5, 2, 0, 10); // empty in x, as the current one
    QCOMPARE(spy.count(), 0);

    viewer->setRoi(-4, 500, 5, 20);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last(), QList<QVariant>({0, 5, 59, 20}));
    int l, r, t, b;
    viewer->roi(&l, &r, &t, &b);
    QCOMPARE(QList<int>({l, r, t, b}), QList<int>({0, 59, 5, 20}));
    viewer->roi(nullptr, nullptr, nullptr, &b);
    QCOMPARE(b, 20);
    QVERIFY(viewer->hasRoi());

    viewer->setRoi(0, 59, 5, 20);
    QCOMPARE(spy.count(), 1);
    viewer->setRoi(10, 20, 30, 90); // bottom clamped to 39
    QCOMPARE(spy.last(), QList<QVariant>({10, 30, 20, 39}));

    viewer->clearRoi();
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.last(), QList<QVariant>({0, 0, -1, -1}));
    viewer->clearRoi();
    viewer->setRoi(8, 9, 7, 3); // empty in y, as the current one
    QCOMPARE(spy.count(), 3);
    QVERIFY(!viewer->hasRoi());
}

void TestKVXImgViewer::roiIsFramedOnScreen_data()
{
    QTest::addColumn<QRect>("roi");
    QTest::newRow("10..20 x 5..8") << QRect(QPoint(10, 5), QPoint(20, 8));
    QTest::newRow("single pixel") << QRect(3, 3, 1, 1);
    QTest::newRow("one row") << QRect(QPoint(4, 9), QPoint(12, 9));
}

void TestKVXImgViewer::roiIsFramedOnScreen()
{
    QFETCH(QRect, roi);
    auto viewer = shownViewer(filledImage(40, 30, kBackground));
    QVERIFY(viewer);
    viewer->setRoi(roi.left(), roi.right(), roi.top(), roi.bottom());
    const QImage shown = grabViewport(viewer.get());
    const QRect outer = roi.adjusted(-1, -1, 1, 1);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb want = onBorder(roi, x, y)     ? kYellow
                              : onBorder(outer, x, y) ? kBlack
                                                      : kBackground;
            if (shown.pixel(x, y) != want)
                QFAIL(qPrintable(QStringLiteral("(%1, %2) is %3")
                                         .arg(x)
                                         .arg(y)
                                         .arg(shown.pixel(x, y), 8, 16)));
        }
    }
}

void TestKVXImgViewer::otherButtonsDuringGestureAreIgnored()
{
    auto viewer = shownViewer(patternImage(300, 200));
    QVERIFY(viewer);
    viewer->setRoiMode();
    QSignalSpy changed(viewer.get(), &KVXImgViewer::roiChanged);
    QSignalSpy right(viewer.get(), &KVXImgViewer::rightButtonClicked);
    QWidget* vp = viewer->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mousePress(vp, Qt::RightButton, {}, QPoint(30, 30));
    QTest::mouseRelease(vp, Qt::RightButton, {}, QPoint(30, 30));
    QCOMPARE(right.count(), 0);
    QCOMPARE(viewer->mode(), KVImgViewer::RoiTracking);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(viewer->mode(), KVImgViewer::RoiMode);
}

// ---- zoom rectangle and panning -------------------------------------------------------------

void TestKVXImgViewer::zoomRectangleZoomsToIt()
{
    auto viewer = shownViewer(filledImage(1000, 800, kBackground), QSize(320, 240));
    QVERIFY(viewer);
    viewer->setZoomMode();
    QSignalSpy tracked(viewer.get(), &KVXImgViewer::zoomTracked);
    QWidget* vp = viewer->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(20, 30));
    QCOMPARE(viewer->mode(), KVImgViewer::ZoomTracking);
    QCOMPARE(tracked.last(), QList<QVariant>({20.0, 30.0, 20.0, 30.0}));
    QTest::mouseMove(vp, QPoint(120, 80));
    QCOMPARE(tracked.last(), QList<QVariant>({20.0, 30.0, 120.0, 80.0}));
    // The rubber band: white on the rectangle, black one pixel outside.
    QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(20, 30), kWhite);
    QCOMPARE(shown.pixel(70, 80), kWhite);
    QCOMPARE(shown.pixel(19, 50), kBlack);
    QCOMPARE(shown.pixel(70, 81), kBlack);
    QCOMPARE(shown.pixel(70, 55), kBackground);

    // Dragged beyond the viewport the band stops at its edge.
    QTest::mouseMove(vp, QPoint(-50, 500));
    QCOMPARE(tracked.last(),
             QList<QVariant>({0.0, 30.0, 20.0, double(viewer->visibleHeight() - 1)}));
    QTest::mouseMove(vp, QPoint(120, 80));

    QSignalSpy zoomed(viewer.get(), &KVImgViewer::zoomChanged);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(120, 80));
    QCOMPARE(viewer->mode(), KVImgViewer::ZoomMode);
    QCOMPARE(zoomed.count(), 1);
    // The image rectangle 20..121 x 30..81 fitted into the viewer; the image overflows both
    // ways, so both scroll bars take their room.
    const int fw = viewer->frameWidth();
    const double availW = viewer->width() - 2 * fw;
    const double availH = viewer->height() - 2 * fw;
    const double hBar = viewer->horizontalScrollBar()->sizeHint().height();
    const double vBar = viewer->verticalScrollBar()->sizeHint().width();
    const double z = std::min((availW - vBar) / 101.0, (availH - hBar) / 51.0);
    QCOMPARE(viewer->zoomFactor(), z);
    const double cx = (viewer->contentsX() + viewer->visibleWidth() * 0.5) / z;
    const double cy = (viewer->contentsY() + viewer->visibleHeight() * 0.5) / z;
    QVERIFY(std::abs(cx - 70.5) <= 1.0 && std::abs(cy - 55.5) <= 1.0);
    // The band is gone.
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(shown.width() / 2, shown.height() / 2), kBackground);
}

void TestKVXImgViewer::zoomClickWithoutDragDoesNotZoom_data()
{
    QTest::addColumn<QPoint>("to");
    QTest::newRow("click") << QPoint(40, 40);
    QTest::newRow("one pixel wide") << QPoint(40, 90);
    QTest::newRow("one pixel high") << QPoint(90, 40);
}

void TestKVXImgViewer::zoomClickWithoutDragDoesNotZoom()
{
    QFETCH(QPoint, to);
    auto viewer = shownViewer(filledImage(1000, 800, kBackground), QSize(320, 240));
    QVERIFY(viewer);
    viewer->setZoomMode();
    QSignalSpy zoomed(viewer.get(), &KVImgViewer::zoomChanged);
    QWidget* vp = viewer->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseMove(vp, to);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
    QCOMPARE(zoomed.count(), 0);
    QCOMPARE(viewer->mode(), KVImgViewer::ZoomMode);
    QCOMPARE(grabViewport(viewer.get()).pixel(40, 40), kBackground);
}

void TestKVXImgViewer::middleButtonPans_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<KVImgViewer::Mode>("mode");
    QTest::newRow("view mode") << QByteArray("setViewMode") << KVImgViewer::ViewMode;
    QTest::newRow("ROI mode") << QByteArray("setRoiMode") << KVImgViewer::RoiMode;
    QTest::newRow("polyline mode") << QByteArray("setPolylineMode") << KVImgViewer::PolylineMode;
    QTest::newRow("measure mode") << QByteArray("setLineMeasureMode")
                                  << KVImgViewer::LineMeasureMode;
}

void TestKVXImgViewer::middleButtonPans()
{
    QFETCH(QByteArray, slot);
    QFETCH(KVImgViewer::Mode, mode);
    auto viewer = shownViewer(patternImage(1000, 800), QSize(320, 240));
    QVERIFY(viewer);
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), slot.constData()));
    const QCursor before = viewer->viewport()->cursor();
    viewer->setContentsPos(100, 100);
    QSignalSpy modes(viewer.get(), &KVXImgViewer::modeChanged);
    QWidget* vp = viewer->viewport();

    QTest::mousePress(vp, Qt::MiddleButton, {}, QPoint(50, 50));
    QCOMPARE(viewer->mode(), KVImgViewer::PanMode);
    QCOMPARE(vp->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(vp, QPoint(20, 30));
    QCOMPARE(QPoint(viewer->contentsX(), viewer->contentsY()), QPoint(130, 120));
    QTest::mouseMove(vp, QPoint(25, 60));
    QCOMPARE(QPoint(viewer->contentsX(), viewer->contentsY()), QPoint(125, 90));
    QTest::mouseRelease(vp, Qt::MiddleButton, {}, QPoint(25, 60));
    QCOMPARE(viewer->mode(), mode);
    QCOMPARE(vp->cursor().shape(), before.shape());
    QCOMPARE(vp->cursor().hotSpot(), before.hotSpot());
    QCOMPARE(modes.count(), 2);
    // Panning draws nothing: no ROI, no polyline.
    QVERIFY(!viewer->hasRoi());
    QVERIFY(!viewer->hasPolyline());
}

void TestKVXImgViewer::middleButtonOnFittingImageDoesNotPan()
{
    auto viewer = shownViewer(patternImage(100, 80), QSize(320, 240));
    QVERIFY(viewer);
    QSignalSpy modes(viewer.get(), &KVXImgViewer::modeChanged);
    QTest::mousePress(viewer->viewport(), Qt::MiddleButton, {}, QPoint(50, 50));
    QTest::mouseRelease(viewer->viewport(), Qt::MiddleButton, {}, QPoint(50, 50));
    QCOMPARE(modes.count(), 0);
    QCOMPARE(viewer->mode(), KVImgViewer::ViewMode);
}

// ---- polyline -------------------------------------------------------------------------------

void TestKVXImgViewer::polylineClicks()
{
    auto viewer = shownViewer(filledImage(200, 150, kBackground));
    QVERIFY(viewer);
    viewer->setZoomFactor(2.0);
    viewer->setContentsPos(0, 0);
    viewer->setPolylineMode();
    QSignalSpy changed(viewer.get(), &KVXImgViewer::polyLineChanged);
    QWidget* vp = viewer->viewport();

    // Viewport (21, 21) is image (10.5, 10.5): rounded to (11, 11).
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(21, 21));
    QCOMPARE(viewer->mode(), KVImgViewer::PolylineTracking);
    QCOMPARE(viewer->polylinePoints(), QPolygon({{11, 11}, {11, 11}}));
    QTest::mouseMove(vp, QPoint(60, 24));
    QCOMPARE(viewer->polylinePoints(), QPolygon({{11, 11}, {30, 12}}));
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(60, 24));
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(60, 24)); // same pixel: no new vertex
    QCOMPARE(viewer->polylinePoints(), QPolygon({{11, 11}, {30, 12}, {30, 12}}));
    QCOMPARE(changed.count(), 0);

    QTest::mousePress(vp, Qt::MiddleButton, {}, QPoint(100, 80));
    QTest::mouseRelease(vp, Qt::MiddleButton, {}, QPoint(100, 80));
    QCOMPARE(viewer->mode(), KVImgViewer::PolylineMode);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(viewer->polylinePoints(), QPolygon({{11, 11}, {30, 12}, {50, 40}}));
    QVERIFY(viewer->hasPolyline());

    // Open polyline: magenta along the segments, nothing on the closing edge.
    const QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(22, 22), kMagenta);
    QCOMPARE(shown.pixel(100, 80), kMagenta);
    QCOMPARE(shown.pixel(61, 51), kBackground); // middle of the edge from the last to the first

    // A new line starts afresh.
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(viewer->polylinePoints(), QPolygon({{5, 5}, {5, 5}}));
}

void TestKVXImgViewer::doubleClickFinishesPolygon()
{
    auto viewer = shownViewer(filledImage(200, 150, kBackground));
    QVERIFY(viewer);
    viewer->setPolygonMode();
    QSignalSpy changed(viewer.get(), &KVXImgViewer::polyLineChanged);
    QWidget* vp = viewer->viewport();
    const QPoint a(10, 10), b(90, 10), c(90, 70);
    QTest::mouseClick(vp, Qt::LeftButton, {}, a);
    QTest::mouseMove(vp, b);
    QTest::mouseClick(vp, Qt::LeftButton, {}, b);
    QTest::mouseMove(vp, c);
    QTest::mouseClick(vp, Qt::LeftButton, {}, c);
    // While drawing, the polygon stays open.
    QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(50, 40), kBackground);

    QTest::mouseDClick(vp, Qt::LeftButton, {}, c);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, c);
    QCOMPARE(viewer->mode(), KVImgViewer::PolylineMode);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(viewer->polylinePoints(), QPolygon({a, b, c}));
    // The closing edge from c back to a is drawn now.
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(50, 40), kMagenta);
    QCOMPARE(shown.pixel(50, 10), kMagenta);
}

void TestKVXImgViewer::deleteRemovesLastVertex()
{
    auto viewer = shownViewer(filledImage(200, 150, kBackground));
    QVERIFY(viewer);
    viewer->setPolylineMode();
    QWidget* vp = viewer->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(50, 20));
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(80, 60));
    QCOMPARE(viewer->polylinePoints(), QPolygon({{10, 10}, {50, 20}, {80, 60}, {80, 60}}));
    QCursor::setPos(vp->mapToGlobal(QPoint(70, 90)));

    QTest::keyClick(viewer.get(), Qt::Key_Delete);
    // The last fixed vertex is gone and the moving end is under the pointer.
    QCOMPARE(viewer->polylinePoints(), QPolygon({{10, 10}, {50, 20}, {70, 90}}));
    QCOMPARE(viewer->mode(), KVImgViewer::PolylineTracking);
    QTest::keyClick(viewer.get(), Qt::Key_Delete);
    QCOMPARE(viewer->polylinePoints(), QPolygon({{10, 10}, {70, 90}}));

    // Delete does nothing outside of drawing.
    viewer->setViewMode();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(viewer.get(), &del);
    QVERIFY(!del.isAccepted());
    QCOMPARE(viewer->polylinePoints().size(), 2);
}

void TestKVXImgViewer::setPolylineReplacesTheLine()
{
    auto viewer = shownViewer(filledImage(200, 150, kBackground));
    QVERIFY(viewer);
    viewer->setRoiMode();
    QSignalSpy changed(viewer.get(), &KVXImgViewer::polyLineChanged);
    const QPolygon line({{5, 5}, {60, 5}, {60, 40}});
    viewer->setPolyline(line);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(viewer->polylinePoints(), line);
    QCOMPARE(viewer->mode(), KVImgViewer::RoiMode);
    viewer->setPolyline(line);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(grabViewport(viewer.get()).pixel(60, 20), kMagenta);

    viewer->deleteLastPolylinePoint();
    QCOMPARE(viewer->polylinePoints(), QPolygon({{5, 5}, {60, 5}}));
    viewer->clearPolyline();
    QCOMPARE(changed.count(), 2);
    QVERIFY(!viewer->hasPolyline());
    QCOMPARE(grabViewport(viewer.get()).pixel(30, 5), kBackground);
}

// ---- measuring line -------------------------------------------------------------------------

void TestKVXImgViewer::measuringLine()
{
    auto viewer = shownViewer(filledImage(200, 150, kBackground));
    QVERIFY(viewer);
    viewer->setLineMeasureMode();
    QSignalSpy reset(viewer.get(), &KVXImgViewer::measureLineReset);
    QSignalSpy distance(viewer.get(), &KVXImgViewer::distanceInPixel);
    QWidget* vp = viewer->viewport();

    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(3, 4));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(viewer->mode(), KVImgViewer::LineMeasureTracking);
    QVERIFY(!viewer->hasMeasureLine());
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(-2, 10));
    QCOMPARE(distance.count(), 1);
    QCOMPARE(distance.first(), QList<QVariant>({5.0, 6.0}));
    QCOMPARE(viewer->mode(), KVImgViewer::LineMeasureMode);
    QVERIFY(viewer->hasMeasureLine());

    // The line stays through mode changes until it is cleared.
    viewer->setViewMode();
    QVERIFY(viewer->hasMeasureLine());
    viewer->clearMeasureLine();
    QCOMPARE(reset.count(), 2);
    QVERIFY(!viewer->hasMeasureLine());
    viewer->clearMeasureLine();
    QCOMPARE(reset.count(), 2);
}

void TestKVXImgViewer::measuringLineIsDrawnInverted()
{
    auto viewer = shownViewer(filledImage(200, 150, kBackground));
    QVERIFY(viewer);
    viewer->setLineMeasureMode();
    QWidget* vp = viewer->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(vp, QPoint(60, 20));
    // Not source or destination with blue: red and green inverted, blue gone.
    const QRgb inverted = qRgb(255 - qRed(kBackground), 255 - qGreen(kBackground), 0);
    QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(35, 20), inverted);
    QCOMPARE(shown.pixel(35, 21), kBackground);
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(60, 20));
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(10, 20), inverted);
    QCOMPARE(shown.pixel(60, 20), inverted);
    QCOMPARE(shown.pixel(61, 20), kBackground);
}

// ---- buttons and cursor position ------------------------------------------------------------

void TestKVXImgViewer::rightButtonOnlyReports()
{
    auto viewer = shownViewer(patternImage(300, 200));
    QVERIFY(viewer);
    viewer->setRoiMode();
    QSignalSpy right(viewer.get(), &KVXImgViewer::rightButtonClicked);
    QSignalSpy left(viewer.get(), &KVXImgViewer::leftButtonClicked);
    QSignalSpy modes(viewer.get(), &KVXImgViewer::modeChanged);
    QSignalSpy roi(viewer.get(), &KVXImgViewer::roiChanged);
    QWidget* vp = viewer->viewport();
    QTest::mousePress(vp, Qt::RightButton, {}, QPoint(30, 40));
    QCOMPARE(right.count(), 0);
    QTest::mouseRelease(vp, Qt::RightButton, {}, QPoint(31, 42));
    QCOMPARE(right.count(), 1);
    QCOMPARE(right.first().first().toPoint(), vp->mapToGlobal(QPoint(31, 42)));
    QCOMPARE(modes.count(), 0);
    QCOMPARE(roi.count(), 0);
    QCOMPARE(left.count(), 0);

    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(5, 6));
    QCOMPARE(left.count(), 1);
    QCOMPARE(left.first().first().toPoint(), vp->mapToGlobal(QPoint(5, 6)));
}

void TestKVXImgViewer::cursorPositionOnMove()
{
    auto viewer = shownViewer(patternImage(300, 200));
    QVERIFY(viewer);
    viewer->setZoomFactor(2.0);
    viewer->setContentsPos(10, 20);
    QSignalSpy spy(viewer.get(), &KVXImgViewer::cursorPos);
    QTest::mouseMove(viewer->viewport(), QPoint(31, 41));
    QTRY_VERIFY(!spy.isEmpty());
    QCOMPARE(spy.last(), QList<QVariant>({20.5, 30.5}));
    QCOMPARE(viewer->imagePoint(QPoint(31, 41)), QPointF(20.5, 30.5));
    QCOMPARE(viewer->viewportPoint(20.5, 30.5), QPoint(31, 41));
    QVERIFY(viewer->hasFocus());
}

// ---- poly marker ----------------------------------------------------------------------------

void TestKVXImgViewer::pointAlongPolyline_data()
{
    QTest::addColumn<QList<QPointF>>("line");
    QTest::addColumn<double>("position");
    QTest::addColumn<QPointF>("pixelSize");
    QTest::addColumn<QPointF>("point");
    const QList<QPointF> l = {{0, 0}, {10, 0}, {10, 20}};
    QTest::newRow("first segment") << l << 4.0 << QPointF(1, 1) << QPointF(4, 0);
    QTest::newRow("vertex") << l << 10.0 << QPointF(1, 1) << QPointF(10, 0);
    QTest::newRow("second segment") << l << 15.0 << QPointF(1, 1) << QPointF(10, 5);
    QTest::newRow("beyond the end") << l << 99.0 << QPointF(1, 1) << QPointF(10, 20);
    QTest::newRow("negative") << l << -3.0 << QPointF(1, 1) << QPointF(0, 0);
    QTest::newRow("pixel size 2 x 0.5") << l << 25.0 << QPointF(2, 0.5) << QPointF(10, 10);
    QTest::newRow("single vertex")
            << QList<QPointF>({{7, 8}}) << 3.0 << QPointF(1, 1) << QPointF(7, 8);
    QTest::newRow("repeated vertex adds no length")
            << QList<QPointF>({{0, 0}, {0, 0}, {0, 10}}) << 4.0 << QPointF(1, 1) << QPointF(0, 4);
    QTest::newRow("diagonal") << QList<QPointF>({{0, 0}, {3, 4}}) << 2.5 << QPointF(1, 1)
                              << QPointF(1.5, 2);
}

void TestKVXImgViewer::pointAlongPolyline()
{
    QFETCH(QList<QPointF>, line);
    QFETCH(double, position);
    QFETCH(QPointF, pixelSize);
    QFETCH(QPointF, point);
    std::vector<KVFPoint2D> polyline;
    for (const QPointF& p : line)
        polyline.emplace_back(p.x(), p.y());
    const QPointF got = kvPointAlongPolyline(polyline, position, pixelSize.x(), pixelSize.y());
    QVERIFY2(std::abs(got.x() - point.x()) < 1e-12 && std::abs(got.y() - point.y()) < 1e-12,
             qPrintable(QStringLiteral("(%1, %2)").arg(got.x()).arg(got.y())));
}

void TestKVXImgViewer::markersOnScreen()
{
    auto viewer = shownViewer(filledImage(200, 150, kBackground));
    QVERIFY(viewer);
    viewer->setPolyline(QPolygon({{10, 10}, {90, 10}}));
    viewer->setPolyMarker(20.0);
    // Switching the reference on while the marker is off is refused.
    viewer->enablePolyReferenzMarker(true);
    viewer->enablePolyMarker(true);
    QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(30, 10), kBlack); // centre of the 7 x 7 marker, over the line
    QCOMPARE(shown.pixel(33, 10), kRed);   // its rim
    QCOMPARE(shown.pixel(30, 13), kRed);
    QCOMPARE(shown.pixel(30, 7), kRed);
    QCOMPARE(shown.pixel(30, 14), kBackground);
    QCOMPARE(shown.pixel(34, 10), kMagenta);

    viewer->enablePolyReferenzMarker(true);
    viewer->setPolyMarker(50.0);
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(33, 10), kGreen); // the reference stays at 20
    QCOMPARE(shown.pixel(30, 12), kBlack);
    QCOMPARE(shown.pixel(63, 10), kRed); // the marker moved to 50
    QCOMPARE(shown.pixel(60, 9), kBlack);

    // Lengths are measured in pixel-size units.
    viewer->setPixelSize(2.0, 1.0);
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(38, 10), kRed);   // 50 units are 25 pixels
    QCOMPARE(shown.pixel(23, 10), kGreen); // 20 units are 10 pixels

    viewer->enablePolyMarker(false);
    viewer->enablePolyReferenzMarker(false);
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(35, 12), kBackground);
    QCOMPARE(shown.pixel(38, 10), kMagenta);
}

void TestKVXImgViewer::penWidthOnPrinter()
{
    auto viewer = shownViewer(filledImage(50, 40, kBackground));
    QVERIFY(viewer);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter onImage(&image);
    QCOMPARE(viewer->overlayPenWidth(&onImage), 0);
    onImage.end();

    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("pen.pdf")));
    QPainter onPrinter(&printer);
    // A quarter millimetre in device pixels.
    const int quarterMillimetre = qRound(printer.resolution() / 25.4 * 0.25);
    QVERIFY(quarterMillimetre > 1);
    QVERIFY(std::abs(viewer->overlayPenWidth(&onPrinter) - quarterMillimetre) <= 1);
    QCOMPARE(viewer->overlayPenWidth(&onPrinter),
             qRound(printer.width() / double(printer.widthMM()) * 0.25));

    // The visible area reaches the printer as a picture composed off screen, with the
    // printer's pen width.
    viewer->drawVisibleArea(&onPrinter);
    QCOMPARE(viewer->drawnDeviceType, int(QInternal::Image));
    QCOMPARE(viewer->drawnPenWidth, viewer->overlayPenWidth(&onPrinter));
    grabViewport(viewer.get());
    QCOMPARE(viewer->drawnPenWidth, 0);
}

void TestKVXImgViewer::overlaysOnDevicesWithoutRasterOperations()
{
    auto viewer = shownViewer(patternImage(200, 150));
    QVERIFY(viewer);
    viewer->setZoomFactor(1.5);
    viewer->setContentsPos(20, 10);
    viewer->setRoi(30, 60, 20, 50);
    viewer->setPolyline(QPolygon({{25, 25}, {80, 40}}));
    viewer->setLineMeasureMode();
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, QPoint(5, 90));
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, QPoint(150, 20));
    QVERIFY(viewer->hasMeasureLine());

    // A picture records without raster operations; played back it must show the same.
    QPicture picture;
    QPainter recorder(&picture);
    viewer->drawVisibleArea(&recorder);
    recorder.end();
    QImage played(viewer->viewport()->size(), QImage::Format_RGB32);
    played.fill(Qt::white);
    QPainter player(&played);
    player.drawPicture(0, 0, picture);
    player.end();
    QCOMPARE(played, grabViewport(viewer.get()));
}

QTEST_MAIN(TestKVXImgViewer)
#include "tst_kvximgviewer.moc"
