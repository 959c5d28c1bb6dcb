// The stereo measuring viewer: the mapping of mouse positions to stereo points, points and
// their signals (two points only, Shift, selection, highlight, drag), the polyline and its
// marker, per-eye drawing checked pixel by pixel against a computation written here, keys and
// their limits, the stereo cursor, and the burst rule for held arrow keys.

#include "kvstereocursor.h"
#include "kvxstereoviewer.h"
#include "viewertesthelpers.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <climits>
#include <cmath>

namespace {

const QColor kLeft(0xb8, 0x00, 0x00);
const QColor kRight(0x00, 0xb8, 0xff);

using Pair = std::array<double, 4>;

Pair pairOf(const GHomPt& p)
{
    return {p.first(0), p.first(1), p.second(0), p.second(1)};
}

GHomPt makePair(double xl, double yl, double xr, double yr)
{
    return GHomPt(GPoint2D(xl, yl), GPoint2D(xr, yr));
}

// Halving toward zero, written without relying on C++ division.
double halfOf(int v)
{
    return v >= 0 ? std::floor(v / 2.0) : -std::floor(-v / 2.0);
}

// The marker from its pixel art, tinted: grey g of the art colour, each channel of c as
// 0, 1 or (g * c) >> 8.
QImage expectedMarker(const QColor& c)
{
    static const char* const rows[9]
            = {"...aaa...", "..aaaaa..", ".aa###aa.", "aa#####aa", "aa##.##aa",
               "aa#####aa", ".aa###aa.", "..aaaaa..", "...aaa..."};
    const auto tint = [](int g, int channel) {
        const int p = g * channel;
        return p == 0 ? 0 : p <= 255 ? 1 : p >> 8;
    };
    QImage marker(9, 9, QImage::Format_RGB32);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            const int art = rows[y][x] == 'a' ? 0xb3 : rows[y][x] == '#' ? 1 : 0;
            const int g = (11 * art + 16 * art + 5 * art) / 32;
            marker.setPixel(x, y, qRgb(tint(g, c.red()), tint(g, c.green()), tint(g, c.blue())));
        }
    }
    return marker;
}

// Channel merge from its definition: non-zero channels of a non-black marker pixel replace
// the picture's.
void mergeExpected(QImage* picture, const QImage& marker, int left, int top)
{
    for (int y = 0; y < marker.height(); ++y) {
        for (int x = 0; x < marker.width(); ++x) {
            const QPoint at(left + x, top + y);
            if (!picture->rect().contains(at))
                continue;
            const QRgb m = marker.pixel(x, y);
            if ((m & 0xffffffu) == 0)
                continue;
            const QRgb b = picture->pixel(at);
            picture->setPixel(at,
                              qRgb(qRed(m) ? qRed(m) : qRed(b), qGreen(m) ? qGreen(m) : qGreen(b),
                                   qBlue(m) ? qBlue(m) : qBlue(b)));
        }
    }
}

QString firstDifference(const QImage& got, const QImage& want)
{
    if (got.size() != want.size())
        return QStringLiteral("size differs");
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

// A pair of mid-grey pictures with some texture, so that channel changes show.
QImage texture(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int v = 60 + ((x * 7 + y * 13 + seed * 29) % 120);
            line[x] = qRgb(v, (v * 3) % 200 + 20, 255 - v);
        }
    }
    return image;
}

void drain()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A shown viewer on a textured pair with the cursor off, in the measure mode.
struct Shown
{
    explicit Shown(int w = 240, int h = 180)
        : viewer(texture(w, h, 1), texture(w, h, 2))
    {
        viewer.resize(w + 40, h + 40);
        viewer.show();
        exposed = QTest::qWaitForWindowExposed(&viewer);
        viewer.setCursorOn(false);
        viewer.setAnaglyphMeasureMode();
        drain();
    }
    KVXStereoViewer viewer;
    bool exposed = false;
};

void click(KVXStereoViewer& v, const QPoint& pos, Qt::KeyboardModifiers mods = {},
           Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(v.viewport(), button, mods, pos);
}

void move(KVXStereoViewer& v, const QPoint& pos, Qt::KeyboardModifiers mods = {})
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(v.viewport()->mapToGlobal(pos)),
                  Qt::NoButton, Qt::NoButton, mods);
    QCoreApplication::sendEvent(v.viewport(), &e);
}

// Counts the compositions handed to the viewer core.
struct CompositionCount
{
    explicit CompositionCount(KVImgViewer* v)
    {
        QObject::connect(v, &KVImgViewer::imageChanged, v, [this] { ++count; });
    }
    int count = 0;
};

} // namespace

class TestKVXStereoViewer : public QObject
{
    Q_OBJECT

private slots:
    // construction, cursor and modes
    void construction();
    void markers();
    void cursorOnAndOff();
    void modesHideOrShowTheCursor();
    void colourChangeRetintsMarkersAndCursor();
    // mapping
    void mouseToStereoPoint_data();
    void mouseToStereoPoint();
    void drawnWhereTheCompositeShowsIt_data();
    void drawnWhereTheCompositeShowsIt();
    // keys
    void arrowKeys_data();
    void arrowKeys();
    void disparityKeys_data();
    void disparityKeys();
    void heldArrowKeyComposesOncePerPass();
    void zoomKeepsCursorDepth();
    void offsetChangeKeepsCursorPlace();
    // points
    void clickSetsPoint();
    void shiftClickSetsNothing();
    void twoPointsOnly();
    void twoPointsOnlySwitchedOn_data();
    void twoPointsOnlySwitchedOn();
    void replacePointTolerance_data();
    void replacePointTolerance();
    void selection();
    void selectAll();
    void highlightAndDeletion();
    void shiftClickTogglesSelection();
    void outOfRangeIndicesIgnored();
    // drag
    void dragPutsCursorOnThePoint();
    void dragFollowsMouseAndDepth();
    void escapeCancelsDrag();
    void matchPointCopiedAndReturned();
    // match points
    void matchPoints();
    // polyline and markers
    void polylineWithMouse();
    void deleteKeyInPolyline();
    void polyMarkerPositions_data();
    void polyMarkerPositions();
    void referenceMarker();
    // drawing
    void markerChangesOnlyItsEyesChannels();
    void linesChangeOnlyTheirEyesChannels();
    void everyOverlayPerEye();
    void pixmapLeavesCursorOut();
    // bad input
    void badInputNeverCrashes_data();
    void badInputNeverCrashes();
};

// ---- construction, cursor and modes ---------------------------------------------------------

void TestKVXStereoViewer::construction()
{
    KVXStereoViewer viewer(texture(20, 10, 1), texture(20, 10, 2));
    QCOMPARE(viewer.focusPolicy(), Qt::WheelFocus);
    QVERIFY(viewer.testAttribute(Qt::WA_KeyCompression));
    QVERIFY(viewer.isCursorOn());
    QCOMPARE(viewer.cursorDeltaX(), 0);
    QVERIFY(viewer.stereoCursor()->isHidden());
    QCOMPARE(viewer.mode(), KVImgViewer::ViewMode);
    QVERIFY(!viewer.hasPoints());
    QVERIFY(!viewer.hasPolyline());
    QVERIFY(!viewer.hasMatchPoints());

    // The cursor's disparity is relayed under the viewer's name.
    QSignalSpy spy(&viewer, &KVXStereoViewer::cursorDeltaXChanged);
    viewer.setCursorDeltaX(7);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 7);
    QCOMPARE(viewer.cursorDeltaX(), 7);
    viewer.setCursorDeltaX(7);
    QCOMPARE(spy.count(), 1);
}

void TestKVXStereoViewer::markers()
{
    KVXStereoViewer viewer;
    QCOMPARE(viewer.leftMarker().format(), QImage::Format_RGB32);
    QCOMPARE(firstDifference(viewer.leftMarker(), expectedMarker(kLeft)), QString());
    QCOMPARE(firstDifference(viewer.rightMarker(), expectedMarker(kRight)), QString());
    // The outline keeps exactly the eye's channels, the ring is the grey 179 tinted.
    QCOMPARE(viewer.leftMarker().pixel(3, 3), qRgb(1, 0, 0));
    QCOMPARE(viewer.rightMarker().pixel(3, 3), qRgb(0, 1, 1));
    QCOMPARE(viewer.leftMarker().pixel(4, 0), qRgb(128, 0, 0));
    QCOMPARE(viewer.rightMarker().pixel(4, 0), qRgb(0, 128, 178));
    QCOMPARE(viewer.leftMarker().pixel(4, 4), qRgb(0, 0, 0));
}

void TestKVXStereoViewer::cursorOnAndOff()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    const QCursor saved = v.viewport()->cursor();
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(60, 50)));
    v.setCursorOn(true);
    QCOMPARE(v.viewport()->cursor().shape(), Qt::BlankCursor);
    QCOMPARE(v.stereoCursor()->pos(), QPoint(60, 50));
    move(v, QPoint(70, 40));
    QCOMPARE(v.stereoCursor()->pos(), QPoint(70, 40));

    v.setCursorOn(false);
    QVERIFY(v.stereoCursor()->isHidden());
    QCOMPARE(v.viewport()->cursor().shape(), saved.shape());
    move(v, QPoint(80, 40));
    QVERIFY(v.stereoCursor()->isHidden());

    // Leaving the viewport hides the cursor.
    v.setCursorOn(true);
    QVERIFY(!v.stereoCursor()->isHidden());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(v.viewport(), &leave);
    QVERIFY(v.stereoCursor()->isHidden());
}

void TestKVXStereoViewer::modesHideOrShowTheCursor()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(60, 50)));
    v.setCursorOn(true);
    QVERIFY(!v.stereoCursor()->isHidden());
    v.setViewMode();
    QVERIFY(v.stereoCursor()->isHidden());
    // Outside the anaglyph modes the choice waits and the mode keeps its own mouse cursor.
    QCOMPARE(v.viewport()->cursor().shape(), Qt::ArrowCursor);
    v.setCursorOn(true);
    QVERIFY(v.stereoCursor()->isHidden());
    QCOMPARE(v.viewport()->cursor().shape(), Qt::ArrowCursor);
    v.setAnaglyphPolylineMode();
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPolylineMode);
    QVERIFY(!v.stereoCursor()->isHidden());
    QCOMPARE(v.viewport()->cursor().shape(), Qt::BlankCursor);
    v.setZoomMode();
    QVERIFY(v.stereoCursor()->isHidden());
    v.setAnaglyphMeasureMode();
    QVERIFY(!v.stereoCursor()->isHidden());
}

void TestKVXStereoViewer::colourChangeRetintsMarkersAndCursor()
{
    KVXStereoViewer viewer(texture(20, 10, 1), texture(20, 10, 2));
    const QColor green(0, 200, 0);
    const QColor magenta(200, 0, 200);
    viewer.setAnaglyphColors(green, magenta);
    QCOMPARE(firstDifference(viewer.leftMarker(), expectedMarker(green)), QString());
    QCOMPARE(firstDifference(viewer.rightMarker(), expectedMarker(magenta)), QString());
    QCOMPARE(viewer.stereoCursor()->leftImage(), KVStereoCursor::cursorImage(green));
    QCOMPARE(viewer.stereoCursor()->rightImage(), KVStereoCursor::cursorImage(magenta));
    // Invalid colours change nothing.
    viewer.setAnaglyphColors(QColor(), kRight);
    QCOMPARE(firstDifference(viewer.leftMarker(), expectedMarker(green)), QString());
}

// ---- mapping --------------------------------------------------------------------------------

void TestKVXStereoViewer::mouseToStereoPoint_data()
{
    QTest::addColumn<int>("deltaX");
    QTest::addColumn<int>("deltaY");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("disparity");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QPoint>("scroll");
    QTest::addColumn<Pair>("expected");
    QTest::newRow("deltaX 3, deltaY 5 at (100, 100)")
            << 3 << 5 << 1.0 << 0 << QPoint(100, 100) << QPoint(0, 0) << Pair{97, 98, 103, 103};
    QTest::newRow("zoom 2, disparity 0")
            << 3 << 5 << 2.0 << 0 << QPoint(100, 100) << QPoint(0, 0) << Pair{47, 48, 53, 53};
    QTest::newRow("zoom 2, disparity 4: 2 image pixels apart each")
            << 3 << 5 << 2.0 << 4 << QPoint(100, 100) << QPoint(0, 0) << Pair{45, 48, 55, 53};
    QTest::newRow("deltaY -3 halves toward zero")
            << 0 << -3 << 1.0 << 0 << QPoint(10, 10) << QPoint(0, 0) << Pair{10, 11, 10, 8};
    QTest::newRow("negative disparity")
            << 0 << 0 << 1.0 << -6 << QPoint(50, 20) << QPoint(0, 0) << Pair{56, 20, 44, 20};
    QTest::newRow("scrolled contents")
            << 1 << 2 << 4.0 << 2 << QPoint(8, 4) << QPoint(40, 20) << Pair{10.5, 5, 13.5, 7};
}

void TestKVXStereoViewer::mouseToStereoPoint()
{
    QFETCH(int, deltaX);
    QFETCH(int, deltaY);
    QFETCH(double, zoom);
    QFETCH(int, disparity);
    QFETCH(QPoint, pos);
    QFETCH(QPoint, scroll);
    QFETCH(Pair, expected);
    // A small window on a large picture, so that the contents can scroll.
    KVXStereoViewer v(texture(300, 300, 1), texture(300, 300, 2));
    v.resize(200, 160);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.setZoomFactor(zoom);
    v.setContentsPos(scroll.x(), scroll.y());
    QCOMPARE(QPoint(v.contentsX(), v.contentsY()), scroll);
    v.setDeltaX(deltaX, true);
    v.setDeltaY(deltaY, true);
    v.setCursorDeltaX(disparity);
    QCOMPARE(pairOf(v.stereoPointAt(QPointF(pos))), expected);

    // A click in the measure mode sets exactly that pair.
    v.setCursorOn(false);
    v.setAnaglyphMeasureMode();
    QSignalSpy spy(&v, &KVXStereoViewer::newPointSet);
    click(v, pos);
    QCOMPARE(spy.count(), 1);
    const Pair got{spy.at(0).at(0).toDouble(), spy.at(0).at(1).toDouble(),
                   spy.at(0).at(2).toDouble(), spy.at(0).at(3).toDouble()};
    QCOMPARE(got, expected);
    QCOMPARE(pairOf(v.stereoPoints().at(0)), expected);
}

void TestKVXStereoViewer::drawnWhereTheCompositeShowsIt_data()
{
    QTest::addColumn<int>("deltaX");
    QTest::addColumn<int>("deltaY");
    QTest::newRow("no offsets") << 0 << 0;
    QTest::newRow("deltaX 3, deltaY 5") << 3 << 5;
    QTest::newRow("deltaX -4, deltaY -3") << -4 << -3;
}

void TestKVXStereoViewer::drawnWhereTheCompositeShowsIt()
{
    QFETCH(int, deltaX);
    QFETCH(int, deltaY);
    // The composite shows left image pixel (xl, yl) at (xl + deltaX, yl + halfY) and right
    // image pixel (xr, yr) at (xr - deltaX, yr - deltaY + halfY); markers go there too, and
    // the mapping of that screen place with disparity 0 gives the pair back.
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setDeltaX(deltaX, true);
    v.setDeltaY(deltaY, true);
    const GPoint2D l(50, 40);
    const GPoint2D r(70, 60);
    const double h = halfOf(deltaY);
    QCOMPARE(v.leftViewportPos(l), QPoint(50 + deltaX, int(40 + h)));
    QCOMPARE(v.rightViewportPos(r), QPoint(70 - deltaX, int(60 - deltaY + h)));
    QCOMPARE(pairOf(v.stereoPointAt(QPointF(v.leftViewportPos(l)))).at(0), 50.0);
    QCOMPARE(pairOf(v.stereoPointAt(QPointF(v.rightViewportPos(r)))).at(3), 60.0);
}

// ---- keys -----------------------------------------------------------------------------------

void TestKVXStereoViewer::arrowKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("startX");
    QTest::addColumn<int>("startY");
    QTest::addColumn<int>("wantX");
    QTest::addColumn<int>("wantY");
    QTest::newRow("Left") << int(Qt::Key_Left) << 0 << 0 << -1 << 0;
    QTest::newRow("Right") << int(Qt::Key_Right) << 0 << 0 << 1 << 0;
    QTest::newRow("Up") << int(Qt::Key_Up) << 0 << 0 << 0 << -1;
    QTest::newRow("Down") << int(Qt::Key_Down) << 0 << 0 << 0 << 1;
    QTest::newRow("Left at INT_MIN") << int(Qt::Key_Left) << INT_MIN << 0 << INT_MIN << 0;
    QTest::newRow("Right at INT_MAX") << int(Qt::Key_Right) << INT_MAX << 0 << INT_MAX << 0;
    QTest::newRow("Up at INT_MIN") << int(Qt::Key_Up) << 0 << INT_MIN << 0 << INT_MIN;
    QTest::newRow("Down at INT_MAX") << int(Qt::Key_Down) << 0 << INT_MAX << 0 << INT_MAX;
    QTest::newRow("Right from INT_MAX - 1")
            << int(Qt::Key_Right) << INT_MAX - 1 << 0 << INT_MAX << 0;
}

void TestKVXStereoViewer::arrowKeys()
{
    QFETCH(int, key);
    QFETCH(int, startX);
    QFETCH(int, startY);
    QFETCH(int, wantX);
    QFETCH(int, wantY);
    Shown s(60, 40);
    KVXStereoViewer& v = s.viewer;
    v.setDeltaX(startX, true);
    v.setDeltaY(startY, true);
    QTest::keyClick(&v, Qt::Key(key));
    QCOMPARE(v.deltaX(), wantX);
    QCOMPARE(v.deltaY(), wantY);
    drain();
    QCOMPARE(v.deltaX(), wantX);
}

void TestKVXStereoViewer::disparityKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("want");
    QTest::newRow("A") << int(Qt::Key_A) << 0 << -1;
    QTest::newRow("J") << int(Qt::Key_J) << 5 << 4;
    QTest::newRow("D") << int(Qt::Key_D) << 0 << 1;
    QTest::newRow("L") << int(Qt::Key_L) << -5 << -4;
    QTest::newRow("A at -300") << int(Qt::Key_A) << -300 << -300;
    QTest::newRow("D at 300") << int(Qt::Key_D) << 300 << 300;
    QTest::newRow("A at INT_MIN") << int(Qt::Key_A) << INT_MIN << INT_MIN;
    QTest::newRow("D at INT_MAX") << int(Qt::Key_D) << INT_MAX << INT_MAX;
    QTest::newRow("A from beyond 300") << int(Qt::Key_A) << 1000 << 999;
}

void TestKVXStereoViewer::disparityKeys()
{
    QFETCH(int, key);
    QFETCH(int, start);
    QFETCH(int, want);
    Shown s(60, 40);
    KVXStereoViewer& v = s.viewer;
    v.setCursorDeltaX(start);
    QTest::keyClick(&v, Qt::Key(key));
    QCOMPARE(v.cursorDeltaX(), want);
}

void TestKVXStereoViewer::heldArrowKeyComposesOncePerPass()
{
    // A large pair, so that key events arrive faster than compositions.
    KVXStereoViewer v(texture(2000, 1500, 1), texture(2000, 1500, 2));
    v.resize(400, 300);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    drain();
    CompositionCount compositions(&v);
    QSignalSpy moved(&v, &KVStereoViewer::displacementXChanged);
    // Auto-repeat of a held key: the events are all queued before the loop runs.
    for (int i = 0; i < 40; ++i)
        QCoreApplication::postEvent(&v, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right,
                                                      Qt::NoModifier, QString(), true));
    QTRY_COMPARE(v.deltaX(), 40);
    QTRY_COMPARE(compositions.count, 1);
    drain();
    QCOMPARE(compositions.count, 1);
    QCOMPARE(moved.count(), 40);

    // The next pass of the loop composes again, once.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::postEvent(&v, new QKeyEvent(QEvent::KeyPress, Qt::Key_Left,
                                                      Qt::NoModifier, QString(), true));
        QCoreApplication::postEvent(&v, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down,
                                                      Qt::NoModifier, QString(), true));
    }
    QTRY_COMPARE(compositions.count, 2);
    drain();
    QCOMPARE(compositions.count, 2);
    QCOMPARE(v.deltaX(), 30);
    QCOMPARE(v.deltaY(), 10);
}

void TestKVXStereoViewer::zoomKeepsCursorDepth()
{
    KVXStereoViewer v(texture(400, 300, 1), texture(400, 300, 2));
    v.resize(300, 200);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(100, 80)));
    v.setZoomInOutFactor(50);
    v.setCursorDeltaX(10);
    v.zoomInAtCursor();
    QCOMPARE(v.zoomFactor(), 1.5);
    QCOMPARE(v.cursorDeltaX(), 15);
    v.zoomOutAtCursor();
    QCOMPARE(v.zoomFactor(), 0.75);
    QCOMPARE(v.cursorDeltaX(), 8); // 15 * 0.5 = 7.5, halves up
}

void TestKVXStereoViewer::offsetChangeKeepsCursorPlace()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(60, 50)));
    v.setCursorOn(true);
    QCOMPARE(v.stereoCursor()->pos(), QPoint(60, 50));
    v.setDeltaX(4, false);
    QCOMPARE(v.stereoCursor()->pos(), QPoint(60, 50));
    v.setDeltaY(-3, true);
    QCOMPARE(v.stereoCursor()->pos(), QPoint(60, 50));
    // A cursor at the very edge is not brought back.
    move(v, QPoint(0, 10));
    v.setDeltaX(5, true);
    QVERIFY(v.stereoCursor()->isHidden());
}

// ---- points ---------------------------------------------------------------------------------

void TestKVXStereoViewer::clickSetsPoint()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setDeltaX(3, true);
    v.setDeltaY(5, true);
    QSignalSpy spy(&v, &KVXStereoViewer::newPointSet);
    click(v, QPoint(100, 100));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QVariantList{97.0, 98.0, 103.0, 103.0}));
    QVERIFY(v.hasPoints());
    // The middle and right buttons set nothing, nor does a click in another mode.
    click(v, QPoint(50, 50), {}, Qt::RightButton);
    click(v, QPoint(50, 50), {}, Qt::MiddleButton);
    v.setViewMode();
    click(v, QPoint(50, 50));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(v.stereoPoints().size(), size_t(1));
    // A press whose release never came (the viewer was hidden meanwhile) does not block the
    // next click.
    v.setAnaglyphMeasureMode();
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    v.hide();
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    click(v, QPoint(40, 40));
    QCOMPARE(spy.count(), 2);
}

void TestKVXStereoViewer::shiftClickSetsNothing()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    QSignalSpy spy(&v, &KVXStereoViewer::newPointSet);
    click(v, QPoint(40, 40), Qt::ShiftModifier);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!v.hasPoints());
}

void TestKVXStereoViewer::twoPointsOnly()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setTwoPointsOnly(true);
    QSignalSpy first(&v, &KVXStereoViewer::firstPointSet);
    QSignalSpy second(&v, &KVXStereoViewer::secondPointSet);
    QSignalSpy newPoint(&v, &KVXStereoViewer::newPointSet);
    QList<int> order;
    connect(&v, &KVXStereoViewer::firstPointSet, this, [&] { order << 1; });
    connect(&v, &KVXStereoViewer::secondPointSet, this, [&] { order << 2; });
    click(v, QPoint(20, 20));
    click(v, QPoint(60, 30));
    click(v, QPoint(100, 40));
    QCOMPARE(order, (QList<int>{1, 2, 1}));
    QCOMPARE(newPoint.count(), 0);
    QCOMPARE(v.stereoPoints().size(), size_t(1));
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{100, 40, 100, 40}));
}

void TestKVXStereoViewer::twoPointsOnlySwitchedOn_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("firstSignals");
    QTest::addColumn<int>("secondSignals");
    QTest::addColumn<int>("cleared");
    QTest::newRow("none") << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("one") << 1 << 1 << 1 << 0 << 0;
    QTest::newRow("two") << 2 << 2 << 0 << 1 << 0;
    QTest::newRow("three: the newest stays") << 3 << 1 << 1 << 0 << 0;
    QTest::newRow("four: all cleared") << 4 << 0 << 0 << 0 << 1;
}

void TestKVXStereoViewer::twoPointsOnlySwitchedOn()
{
    QFETCH(int, points);
    QFETCH(int, left);
    QFETCH(int, firstSignals);
    QFETCH(int, secondSignals);
    QFETCH(int, cleared);
    KVXStereoViewer v(texture(50, 50, 1), texture(50, 50, 2));
    for (int i = 0; i < points; ++i)
        v.addPoint(makePair(i, i, i + 1, i));
    QSignalSpy first(&v, &KVXStereoViewer::firstPointSet);
    QSignalSpy second(&v, &KVXStereoViewer::secondPointSet);
    QSignalSpy clearedSpy(&v, &KVXStereoViewer::viewerPointsCleared);
    v.setTwoPointsOnly(true);
    QCOMPARE(int(v.stereoPoints().size()), left);
    QCOMPARE(first.count(), firstSignals);
    QCOMPARE(second.count(), secondSignals);
    QCOMPARE(clearedSpy.count(), cleared);
    if (points == 3)
        QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{2, 2, 3, 2}));
}

void TestKVXStereoViewer::replacePointTolerance_data()
{
    QTest::addColumn<Pair>("stored");
    QTest::addColumn<Pair>("replacement");
    QTest::addColumn<bool>("changes");
    QTest::newRow("same values") << Pair{10, 20, 30, 40} << Pair{10, 20, 30, 40} << false;
    QTest::newRow("relative 1e-16")
            << Pair{1e6, 20, 30, 40} << Pair{1e6 * (1 + 1e-16), 20, 30, 40} << false;
    QTest::newRow("relative 1e-14")
            << Pair{1e6, 20, 30, 40} << Pair{1e6 * (1 + 1e-14), 20, 30, 40} << true;
    QTest::newRow("both tiny") << Pair{1e-16, 0, 0, 0} << Pair{-1e-16, 0, 0, 0} << false;
    QTest::newRow("only the right y") << Pair{1, 2, 3, 4} << Pair{1, 2, 3, 4.5} << true;
    QTest::newRow("zero to tiny but not below")
            << Pair{0, 0, 0, 0} << Pair{0, 0, 2e-15, 0} << true;
}

void TestKVXStereoViewer::replacePointTolerance()
{
    QFETCH(Pair, stored);
    QFETCH(Pair, replacement);
    QFETCH(bool, changes);
    KVXStereoViewer v;
    v.addPoint(makePair(stored[0], stored[1], stored[2], stored[3]));
    QSignalSpy spy(&v, &KVXStereoViewer::pointChanged);
    v.replacePoint(0, replacement[0], replacement[1], replacement[2], replacement[3]);
    QCOMPARE(spy.count(), changes ? 1 : 0);
    QCOMPARE(pairOf(v.stereoPoints().at(0)), changes ? replacement : stored);
    if (changes)
        QCOMPARE(spy.at(0), (QVariantList{0, replacement[0], replacement[1], replacement[2],
                                          replacement[3]}));
}

void TestKVXStereoViewer::selection()
{
    KVXStereoViewer v;
    for (int i = 0; i < 4; ++i)
        v.addPoint(makePair(i * 10, 5, i * 10 + 2, 5));
    v.selectPoint(0, true, false);
    v.selectPoint(3, true, false);
    QCOMPARE(v.selectedStereoPointCount(), 2);
    QSignalSpy spy(&v, &KVXImgViewer::pointSelectionChanged);
    v.selectPoint(2, true);
    // Once for each point deselected, then once for point 2.
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0), (QVariantList{0, false}));
    QCOMPARE(spy.at(1), (QVariantList{3, false}));
    QCOMPARE(spy.at(2), (QVariantList{2, true}));
    QCOMPARE(v.selectedStereoPointCount(), 1);
    QVERIFY(v.isStereoPointSelected(2));
    // Not exclusive and unchanged: nothing.
    spy.clear();
    v.selectPoint(2, true, false);
    QCOMPARE(spy.count(), 0);
    // Exclusive and unchanged: signalled again.
    v.selectPoint(2, true, true);
    QCOMPARE(spy.count(), 1);
    v.deletePoint(2);
    QCOMPARE(v.selectedStereoPointCount(), 0);
}

void TestKVXStereoViewer::selectAll()
{
    KVXStereoViewer v;
    for (int i = 0; i < 3; ++i)
        v.addPoint(makePair(i, i, i, i));
    QSignalSpy spy(&v, &KVXImgViewer::pointSelectionChanged);
    v.selectAllPoints(false);
    QCOMPARE(spy.count(), 0);
    v.selectAllPoints(true);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QVariantList{-1, true}));
    QCOMPARE(v.selectedStereoPointCount(), 3);
    v.selectAllPoints(true);
    QCOMPARE(spy.count(), 1);
    v.selectAllPoints(false);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(v.selectedStereoPointCount(), 0);
}

void TestKVXStereoViewer::highlightAndDeletion()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.addPoint(makePair(20, 20, 22, 20));
    v.addPoint(makePair(60, 40, 64, 40));
    v.addPoint(makePair(100, 60, 98, 60));
    v.enablePointEditing(true);
    QSignalSpy highlighted(&v, &KVXImgViewer::pointHighlighted);
    // With disparity 0 the mouse maps to the same spot in both images: a pair within 5 screen
    // pixels in both eyes is picked.
    v.setCursorDeltaX(2); // left 58, right 62 at x 60: 2 from the marker in each eye
    move(v, QPoint(60, 42));
    QCOMPARE(v.highlightedStereoPoint(), 1);
    QCOMPARE(highlighted.count(), 1);
    // Depth matters: with disparity 0 the right point is 4 away, still near; with -6 it is not.
    v.setCursorDeltaX(-6);
    move(v, QPoint(60, 42));
    QCOMPARE(v.highlightedStereoPoint(), -1);
    v.setCursorDeltaX(2);
    move(v, QPoint(60, 42));
    QCOMPARE(v.highlightedStereoPoint(), 1);
    // Deleting a point below the highlighted one keeps the highlight on the same pair.
    v.deletePoint(0);
    QCOMPARE(v.highlightedStereoPoint(), 0);
    QSignalSpy deleted(&v, &KVXImgViewer::pointDeleted);
    v.deletePoint(0);
    QCOMPARE(v.highlightedStereoPoint(), -1);
    QCOMPARE(deleted.count(), 1);
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{100, 60, 98, 60}));
    // Leaving the viewport clears the highlight.
    v.setCursorDeltaX(-1);
    move(v, QPoint(99, 60));
    QCOMPARE(v.highlightedStereoPoint(), 0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(v.viewport(), &leave);
    QCOMPARE(v.highlightedStereoPoint(), -1);
    // A pair in a margin the offsets opened, outside the left image, can be picked too.
    v.setDeltaX(60, true);
    v.addPoint(makePair(-50, 30, 70, 30));
    v.setCursorDeltaX(0);
    move(v, QPoint(10, 30));
    QCOMPARE(v.highlightedStereoPoint(), 1);
}

void TestKVXStereoViewer::shiftClickTogglesSelection()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.addPoint(makePair(40, 40, 40, 40));
    v.addPoint(makePair(80, 40, 80, 40));
    v.selectPoint(1, true);
    v.enablePointEditing(true);
    QSignalSpy newPoint(&v, &KVXStereoViewer::newPointSet);
    move(v, QPoint(41, 40));
    QCOMPARE(v.highlightedStereoPoint(), 0);
    click(v, QPoint(41, 40), Qt::ShiftModifier);
    QVERIFY(v.isStereoPointSelected(0));
    QVERIFY(v.isStereoPointSelected(1));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphMeasureMode);
    click(v, QPoint(41, 40), Qt::ShiftModifier);
    QVERIFY(!v.isStereoPointSelected(0));
    QVERIFY(v.isStereoPointSelected(1));
    QCOMPARE(newPoint.count(), 0);
    // Without editing a Shift click on the point does nothing at all.
    v.enablePointEditing(false);
    click(v, QPoint(41, 40), Qt::ShiftModifier);
    QVERIFY(!v.isStereoPointSelected(0));
    QCOMPARE(newPoint.count(), 0);
}

void TestKVXStereoViewer::outOfRangeIndicesIgnored()
{
    KVXStereoViewer v;
    v.addPoint(makePair(1, 2, 3, 4));
    v.addMatchPoint(makePair(1, 2, 3, 4));
    QSignalSpy changed(&v, &KVXStereoViewer::pointChanged);
    for (int index : {-1, 1, INT_MAX, INT_MIN}) {
        v.replacePoint(index, 0, 0, 0, 0);
        v.deletePoint(index);
        v.selectPoint(index, true);
        v.highlightPoint(index == -1 ? -2 : index);
        v.deleteMatchPoint(index);
        v.selectMatchPoint(index, true, false);
        v.highlightMatchPoint(index == -1 ? -2 : index);
    }
    QCOMPARE(changed.count(), 0);
    QCOMPARE(v.stereoPoints().size(), size_t(1));
    QCOMPARE(v.stereoMatchPoints().size(), size_t(1));
    QCOMPARE(v.selectedStereoPointCount(), 0);
    QCOMPARE(v.highlightedStereoPoint(), -1);
}

// ---- drag -----------------------------------------------------------------------------------

void TestKVXStereoViewer::dragPutsCursorOnThePoint()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setDeltaX(2, true);
    v.setCursorOn(true);
    // Left at screen (40 + 2, 50), right at (60 - 2, 50): middle 50, half distance 8.
    v.addPoint(makePair(40, 50, 60, 50));
    v.enablePointEditing(true);
    v.setCursorDeltaX(8);
    move(v, QPoint(51, 50));
    QCOMPARE(v.highlightedStereoPoint(), 0);
    QSignalSpy depth(&v, &KVXStereoViewer::cursorDeltaXChanged);
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(51, 50));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPointDragMode);
    QCOMPARE(v.draggedStereoPoint(), 0);
    QCOMPARE(v.stereoCursor()->pos(), QPoint(50, 50));
    QCOMPARE(v.cursorDeltaX(), 8);
    QCOMPARE(depth.count(), 0);
    QCOMPARE(v.viewport()->mapFromGlobal(QCursor::pos()), QPoint(50, 50));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(51, 50));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPointDragMode);
    // A point at another depth brings the cursor to it.
    v.addPoint(makePair(100, 20, 110, 20));
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(51, 50));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphMeasureMode);
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(51, 50));
    QCOMPARE(v.stereoPoints().size(), size_t(2)); // ending the drag set no point
    v.setCursorDeltaX(3);
    move(v, QPoint(105, 20));
    QCOMPARE(v.highlightedStereoPoint(), 1);
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(105, 20));
    QCOMPARE(v.cursorDeltaX(), 3); // (108 - 102) / 2
    QCOMPARE(v.stereoCursor()->pos(), QPoint(105, 20));
}

void TestKVXStereoViewer::dragFollowsMouseAndDepth()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.addPoint(makePair(40, 50, 44, 50));
    v.enablePointEditing(true);
    v.setCursorDeltaX(2);
    move(v, QPoint(42, 50));
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(42, 50));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(42, 50));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPointDragMode);
    QSignalSpy changed(&v, &KVXStereoViewer::pointChanged);
    move(v, QPoint(42, 50));
    QCOMPARE(changed.count(), 0); // the drag starts where the point is
    move(v, QPoint(70, 60));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{68, 60, 72, 60}));
    // With the lock only the depth follows the disparity.
    v.stereoCursor()->setDisparity(5);
    move(v, QPoint(10, 10), Qt::ControlModifier);
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{65, 60, 75, 60}));
    // The D key moves the point in depth at the mouse.
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(70, 60)));
    QTest::keyClick(&v, Qt::Key_D);
    QTRY_COMPARE(pairOf(v.stereoPoints().at(0)), (Pair{64, 60, 76, 60}));
    // A press ends the drag and keeps the point where it is.
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, QPoint(70, 60));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphMeasureMode);
    QCOMPARE(v.draggedStereoPoint(), -1);
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{64, 60, 76, 60}));
}

void TestKVXStereoViewer::escapeCancelsDrag()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.addPoint(makePair(40, 50, 40, 50));
    v.enablePointEditing(true);
    move(v, QPoint(40, 50));
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(40, 50));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(40, 50));
    move(v, QPoint(90, 70));
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{90, 70, 90, 70}));
    QSignalSpy changed(&v, &KVXStereoViewer::pointChanged);
    QTest::keyClick(&v, Qt::Key_Escape);
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphMeasureMode);
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{40, 50, 40, 50}));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0), (QVariantList{0, 40.0, 50.0, 40.0, 50.0}));
    // cancelOperation() does the same, and nothing outside the drag.
    move(v, QPoint(40, 50));
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(40, 50));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(40, 50));
    move(v, QPoint(20, 30));
    v.cancelOperation();
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{40, 50, 40, 50}));
    v.cancelOperation();
    QTest::keyClick(&v, Qt::Key_Escape);
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphMeasureMode);
    QCOMPARE(v.stereoPoints().size(), size_t(1));
}

void TestKVXStereoViewer::matchPointCopiedAndReturned()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setMatchPoints(GHomPtVector{makePair(30, 30, 30, 30), makePair(80, 60, 84, 60)});
    v.enableMatchPoints(true);
    v.enableMatchPointEditing(true);
    v.setCursorDeltaX(2);
    move(v, QPoint(82, 60));
    QCOMPARE(v.highlightedStereoMatchPoint(), 1);
    QSignalSpy newPoint(&v, &KVXStereoViewer::newPointSet);
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(82, 60));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(82, 60));
    QCOMPARE(newPoint.count(), 1);
    QCOMPARE(newPoint.at(0), (QVariantList{80.0, 60.0, 84.0, 60.0}));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPointDragMode);
    QCOMPARE(v.stereoMatchPoints().size(), size_t(1));
    move(v, QPoint(120, 100));
    QTest::keyClick(&v, Qt::Key_Escape);
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphMeasureMode);
    QVERIFY(!v.hasPoints());
    QCOMPARE(v.stereoMatchPoints().size(), size_t(2));
    QCOMPARE(pairOf(v.stereoMatchPoints().at(1)), (Pair{80, 60, 84, 60}));

    // Without Escape the copy stays a point where it was put.
    move(v, QPoint(82, 60));
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(82, 60));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(82, 60));
    move(v, QPoint(100, 100));
    click(v, QPoint(100, 100));
    QCOMPARE(v.stereoPoints().size(), size_t(1));
    QCOMPARE(pairOf(v.stereoPoints().at(0)), (Pair{98, 100, 102, 100}));
    QCOMPARE(v.stereoMatchPoints().size(), size_t(1));
}

// ---- match points ---------------------------------------------------------------------------

void TestKVXStereoViewer::matchPoints()
{
    KVXStereoViewer v;
    GHomPtVector list;
    for (int i = 0; i < 5; ++i)
        list.push_back(makePair(i, i, i + 1, i));
    v.setMatchPoints(list);
    QVERIFY(v.hasMatchPoints());
    QVERIFY(!v.hasShownMatchPoints());
    v.enableMatchPoints(true);
    QVERIFY(v.hasShownMatchPoints());
    QSignalSpy selection(&v, &KVXImgViewer::matchPointSelectionChanged);
    v.selectMatchPoint(3, true, false);
    v.selectMatchPoint(4, true, false);
    QVERIFY(v.hasSelectedMatchPoints());
    // A shorter list: the flags go with the old list and the count starts again.
    v.setMatchPoints(GHomPtVector(list.begin(), list.begin() + 4));
    QCOMPARE(v.selectedStereoMatchPointCount(), 0);
    QVERIFY(!v.isStereoMatchPointSelected(3));
    QVERIFY(!v.hasSelectedMatchPoints());
    v.selectMatchPoint(1, true);
    v.selectMatchPoint(2, true, false);
    v.highlightMatchPoint(3);
    QCOMPARE(v.highlightedStereoMatchPoint(), 3);
    v.deleteSelectedMatchPoints();
    QCOMPARE(v.stereoMatchPoints().size(), size_t(2));
    QCOMPARE(pairOf(v.stereoMatchPoints().at(1)), (Pair{3, 3, 4, 3}));
    QCOMPARE(v.highlightedStereoMatchPoint(), 1);
    v.addMatchPoints(GHomPtVector{makePair(9, 9, 9, 9)});
    v.addMatchPoints(v.stereoMatchPoints());
    QCOMPARE(v.stereoMatchPoints().size(), size_t(6));
    v.selectAllMatchPoints(true);
    QCOMPARE(v.selectedStereoMatchPointCount(), 6);
    selection.clear();
    v.selectAllMatchPoints(true);
    QCOMPARE(selection.count(), 0);
    v.deleteMatchPoint(0);
    QCOMPARE(v.selectedStereoMatchPointCount(), 5);
    v.deleteAllMatchPoints();
    QVERIFY(!v.hasMatchPoints());
    v.highlightMatchPoint(0);
    QCOMPARE(v.highlightedStereoMatchPoint(), -1);
}

// ---- polyline and markers -------------------------------------------------------------------

void TestKVXStereoViewer::polylineWithMouse()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setDeltaX(1, true);
    v.setAnaglyphPolylineMode();
    QSignalSpy changed(&v, &KVXImgViewer::polyLineChanged);
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPolylineTracking);
    QCOMPARE(v.stereoPolyline().size(), size_t(2));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    move(v, QPoint(60, 30));
    QCOMPARE(pairOf(v.stereoPolyline().back()), (Pair{59, 30, 61, 30}));
    click(v, QPoint(60, 30));
    QCOMPARE(v.stereoPolyline().size(), size_t(3));
    // A click on the vertex just fixed adds nothing.
    click(v, QPoint(60, 30));
    QCOMPARE(v.stereoPolyline().size(), size_t(3));
    move(v, QPoint(90, 80));
    QCOMPARE(changed.count(), 0);
    QTest::mousePress(v.viewport(), Qt::MiddleButton, {}, QPoint(90, 80));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPolylineTracking);
    QTest::mouseRelease(v.viewport(), Qt::MiddleButton, {}, QPoint(90, 80));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPolylineMode);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(v.stereoPolyline().size(), size_t(3));
    QCOMPARE(pairOf(v.stereoPolyline().at(0)), (Pair{19, 20, 21, 20}));
    QCOMPARE(pairOf(v.stereoPolyline().at(2)), (Pair{89, 80, 91, 80}));
    QVERIFY(v.hasPolyline());

    // setPolyline replaces only a different line; clearFromPolyline signals once.
    GHomPtVector line{makePair(1, 1, 1, 1), makePair(5, 5, 5, 5)};
    v.setPolyline(line);
    QCOMPARE(v.stereoPolyline().size(), size_t(2));
    v.clearFromPolyline();
    v.clearFromPolyline();
    QCOMPARE(changed.count(), 2);
    QVERIFY(!v.hasPolyline());
}

void TestKVXStereoViewer::deleteKeyInPolyline()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setAnaglyphPolygonMode();
    QVERIFY(v.isPolygon());
    click(v, QPoint(10, 10));
    click(v, QPoint(50, 10));
    click(v, QPoint(50, 50));
    QCOMPARE(v.stereoPolyline().size(), size_t(4));
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(70, 60)));
    QTest::keyClick(&v, Qt::Key_Delete);
    // The vertex (50, 50) is gone; the end follows the mouse.
    QCOMPARE(v.stereoPolyline().size(), size_t(3));
    QCOMPARE(pairOf(v.stereoPolyline().back()), (Pair{70, 60, 70, 60}));
    QTest::keyClick(&v, Qt::Key_Delete);
    QCOMPARE(v.stereoPolyline().size(), size_t(2));
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPolylineTracking);
    QTest::keyClick(&v, Qt::Key_Delete);
    QVERIFY(!v.hasPolyline());
    QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPolylineMode);
    // Delete outside the drawing of a line does nothing.
    v.setPolyline(GHomPtVector{makePair(1, 1, 1, 1), makePair(5, 5, 5, 5)});
    QTest::keyClick(&v, Qt::Key_Delete);
    QCOMPARE(v.stereoPolyline().size(), size_t(2));
}

void TestKVXStereoViewer::polyMarkerPositions_data()
{
    QTest::addColumn<double>("leftPos");
    QTest::addColumn<double>("rightPos");
    QTest::addColumn<Pair>("expected");
    // Left points (0,0) (30,0) (30,40); right points (10,0) (10,20): with pixel size (2, 0.5)
    // the left segments are 60 and 20 long, the right one 10.
    QTest::newRow("start") << 0.0 << 0.0 << Pair{0, 0, 10, 0};
    QTest::newRow("negative") << -5.0 << -1e300 << Pair{0, 0, 10, 0};
    QTest::newRow("inside the first segment") << 30.0 << 5.0 << Pair{15, 0, 10, 10};
    QTest::newRow("at the corner") << 60.0 << 10.0 << Pair{30, 0, 10, 20};
    QTest::newRow("inside the second segment") << 70.0 << 2.5 << Pair{30, 20, 10, 5};
    QTest::newRow("beyond the end") << 1000.0 << 11.0 << Pair{30, 40, 10, 20};
    QTest::newRow("infinite") << qInf() << qInf() << Pair{30, 40, 10, 20};
}

void TestKVXStereoViewer::polyMarkerPositions()
{
    QFETCH(double, leftPos);
    QFETCH(double, rightPos);
    QFETCH(Pair, expected);
    KVXStereoViewer v;
    GPoint2D l;
    GPoint2D r;
    QVERIFY(!v.polyMarkerPoints(leftPos, rightPos, &l, &r));
    v.setPixelSize(2.0, 0.5);
    // The right line repeats its last vertex, which adds no length.
    v.setPolyline(GHomPtVector{makePair(0, 0, 10, 0), makePair(30, 0, 10, 20),
                               makePair(30, 40, 10, 20)});
    QVERIFY(v.polyMarkerPoints(leftPos, rightPos, &l, &r));
    QCOMPARE((Pair{l(0), l(1), r(0), r(1)}), expected);
    // A single vertex is where the marker stays.
    v.setPolyline(GHomPtVector{makePair(3, 4, 5, 6)});
    QVERIFY(v.polyMarkerPoints(leftPos, rightPos, &l, &r));
    QCOMPARE((Pair{l(0), l(1), r(0), r(1)}), (Pair{3, 4, 5, 6}));
}

void TestKVXStereoViewer::referenceMarker()
{
    KVXStereoViewer v;
    v.setPolyMarker(3.0, 4.0);
    v.enablePolyReferenzMarker(true);
    QVERIFY(!v.isPolyReferenceMarkerEnabled()); // not without the marker
    v.enablePolyMarker(true);
    v.enablePolyReferenzMarker(true);
    QVERIFY(v.isPolyReferenceMarkerEnabled());
    v.setPolyMarkerLeft(7.0);
    v.setPolyMarkerRight(8.0);
    QCOMPARE(v.polyMarkerLeft(), 7.0);
    QCOMPARE(v.polyMarkerRight(), 8.0);
    v.setPolyMarker(9.0);
    QCOMPARE(v.polyMarkerLeft(), 9.0);
    QCOMPARE(v.polyMarkerRight(), 9.0);
}

// ---- drawing --------------------------------------------------------------------------------

void TestKVXStereoViewer::markerChangesOnlyItsEyesChannels()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    v.setDeltaX(2, true);
    v.setDeltaY(3, true);
    const QImage before = ViewerTest::grabViewport(&v);
    // Left at (30 + 2, 40 + 1), right at (120 - 2, 90 - 3 + 1); markers centred there.
    v.addPoint(makePair(30, 40, 120, 90));
    const QImage after = ViewerTest::grabViewport(&v);
    QImage expected = before;
    mergeExpected(&expected, expectedMarker(kLeft), 32 - 4, 41 - 4);
    mergeExpected(&expected, expectedMarker(kRight), 118 - 4, 88 - 4);
    QCOMPARE(firstDifference(after, expected), QString());
    // And so, around the left marker only red changed, around the right one only green and
    // blue.
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            const QRgb a = after.pixel(x, y);
            const QRgb b = before.pixel(x, y);
            if (x < 80)
                QVERIFY(qGreen(a) == qGreen(b) && qBlue(a) == qBlue(b));
            else
                QVERIFY(qRed(a) == qRed(b));
        }
    }
}

void TestKVXStereoViewer::linesChangeOnlyTheirEyesChannels()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    const QImage before = ViewerTest::grabViewport(&v);
    // The left line in the top half, the right line in the bottom half.
    v.setPolyline(GHomPtVector{makePair(10, 10, 10, 120), makePair(200, 60, 200, 170)});
    const QImage after = ViewerTest::grabViewport(&v);
    int leftChanged = 0;
    int rightChanged = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            const QRgb a = after.pixel(x, y);
            const QRgb b = before.pixel(x, y);
            if (a == b)
                continue;
            // Every pixel a line covers takes its colour's channels and keeps the others.
            if (y < 90) {
                QCOMPARE(a, qRgb(184, qGreen(b), qBlue(b)));
                ++leftChanged;
            } else {
                QCOMPARE(a, qRgb(qRed(b), 184, 255));
                ++rightChanged;
            }
        }
    }
    // Two pixels wide along about 195 pixels, less what already had the colour's values.
    QVERIFY2(leftChanged > 300, qPrintable(QString::number(leftChanged)));
    QVERIFY2(rightChanged > 300, qPrintable(QString::number(rightChanged)));
}

void TestKVXStereoViewer::everyOverlayPerEye()
{
    // With both eyes' elements kept apart (left ones in the top half of the view, right ones in
    // the bottom half), no overlay touches the other eye's channels.
    Shown s;
    KVXStereoViewer& v = s.viewer;
    const QImage before = ViewerTest::grabViewport(&v);
    v.addPoint(makePair(20, 20, 20, 130));
    v.addPoint(makePair(60, 20, 60, 130));
    v.addPoint(makePair(100, 20, 100, 130));
    v.enablePointEditing(true);
    v.selectPoint(1, true);
    v.highlightPoint(2);
    v.setMatchPoints(GHomPtVector{makePair(140, 30, 140, 140), makePair(170, 30, 170, 140)});
    v.enableMatchPoints(true);
    v.selectMatchPoint(1, true);
    v.setBoundaryLine(GHomPtVector{makePair(5, 5, 5, 100), makePair(230, 5, 230, 100),
                                   makePair(230, 70, 230, 170)});
    v.enableBoundaryLine(true);
    v.setPolyline(GHomPtVector{makePair(10, 50, 10, 150), makePair(220, 60, 220, 160)});
    v.enablePolyMarker(true);
    v.setPolyMarker(50.0, 80.0);
    v.enablePolyReferenzMarker(true);
    v.setPolyMarker(120.0, 150.0);
    drain();
    const QImage after = ViewerTest::grabViewport(&v);
    int changed = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            const QRgb a = after.pixel(x, y);
            const QRgb b = before.pixel(x, y);
            changed += a != b;
            if (y < 90)
                QVERIFY2(qGreen(a) == qGreen(b) && qBlue(a) == qBlue(b),
                         qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            else
                QVERIFY2(qRed(a) == qRed(b), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
    }
    QVERIFY(changed > 1000);
}

void TestKVXStereoViewer::pixmapLeavesCursorOut()
{
    Shown s;
    KVXStereoViewer& v = s.viewer;
    const QImage plain = v.visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32);
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(100, 80)));
    v.setCursorOn(true);
    v.setCursorDeltaX(5);
    QVERIFY(!v.stereoCursor()->isHidden());
    // On screen the cursor is there ...
    QVERIFY(ViewerTest::grabViewport(&v) != plain);
    // ... in the picture handed out it is not, and afterwards it is back.
    QCOMPARE(firstDifference(v.visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32),
                             plain),
             QString());
    QImage drawn(plain.size(), QImage::Format_RGB32);
    {
        QPainter p(&drawn);
        v.drawVisibleArea(&p);
    }
    QCOMPARE(firstDifference(drawn, plain), QString());
    QCOMPARE(v.stereoCursor()->pos(), QPoint(100, 80));
}

// ---- bad input ------------------------------------------------------------------------------

void TestKVXStereoViewer::badInputNeverCrashes_data()
{
    QTest::addColumn<QImage>("left");
    QTest::addColumn<QImage>("right");
    QTest::addColumn<int>("offset");
    QTest::newRow("null images") << QImage() << QImage() << 0;
    QTest::newRow("1 x 1") << texture(1, 1, 1) << texture(1, 1, 2) << 0;
    QTest::newRow("mixed depths") << texture(30, 20, 1)
                                  << texture(30, 20, 2).convertToFormat(QImage::Format_Indexed8)
                                  << 3;
    QTest::newRow("offsets INT_MAX / 4")
            << texture(30, 20, 1) << texture(30, 20, 2) << INT_MAX / 4;
    QTest::newRow("offsets -INT_MAX / 4")
            << texture(30, 20, 1) << texture(30, 20, 2) << -(INT_MAX / 4);
    QTest::newRow("offsets INT_MIN") << texture(30, 20, 1) << texture(30, 20, 2) << INT_MIN;
}

void TestKVXStereoViewer::badInputNeverCrashes()
{
    QFETCH(QImage, left);
    QFETCH(QImage, right);
    QFETCH(int, offset);
    KVXStereoViewer v(left, right);
    v.resize(120, 100);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.setDeltaX(offset, true);
    v.setDeltaY(offset, true);
    v.setCursorDeltaX(offset);
    v.setAnaglyphMeasureMode();
    v.enablePointEditing(true);
    v.enableMatchPointEditing(true);
    v.enableMatchPoints(true);
    v.enableBoundaryLine(true);
    v.enablePolyMarker(true);
    const double inf = qInf();
    const double nan = qQNaN();
    const GHomPtVector odd{makePair(nan, 0, 0, nan), makePair(inf, -inf, 1e300, -1e300),
                           makePair(0, 0, 0, 0), makePair(-1e9, 1e9, 5, 5)};
    for (const GHomPt& pair : odd) {
        v.addPoint(pair);
        v.addMatchPoint(pair);
    }
    v.setPolyline(odd);
    v.setBoundaryLine(odd);
    v.setPolyMarker(nan, inf);
    v.selectAllPoints(true);
    v.selectAllMatchPoints(true);
    v.replacePoint(3, nan, nan, inf, -inf);
    v.setPixelSize(0.0, nan);
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(5, 5)));
    for (const QPoint& pos : {QPoint(0, 0), QPoint(5, 5), QPoint(-50, 900)}) {
        move(v, pos);
        click(v, pos);
        click(v, pos, Qt::ShiftModifier);
    }
    for (const int key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_A,
                          Qt::Key_D, Qt::Key_Escape, Qt::Key_Delete})
        QTest::keyClick(&v, Qt::Key(key));
    v.setAnaglyphPolylineMode();
    click(v, QPoint(3, 3));
    move(v, QPoint(8, 8));
    QTest::keyClick(&v, Qt::Key_Delete);
    v.zoomInAtCursor();
    v.setZoomFactor(1e-3);
    drain();
    (void)ViewerTest::grabViewport(&v);
    (void)v.visiblePixmap();
    v.setZoomFactor(64.0);
    drain();
    (void)ViewerTest::grabViewport(&v);
    QVERIFY(v.stereoPoints().size() >= odd.size());
    v.clearFromPoints();
    v.deleteSelectedMatchPoints();
    QVERIFY(!v.hasPoints());
    QVERIFY(!v.hasMatchPoints());
}

QTEST_MAIN(TestKVXStereoViewer)
#include "tst_kvxstereoviewer.moc"
