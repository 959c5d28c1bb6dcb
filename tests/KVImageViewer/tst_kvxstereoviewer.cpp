#include "kvstereocursor.h"
#include "kvxstereoviewer.h"
#include "pixelhelpers.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>

#include <climits>

using namespace Pix;
using Pair = std::array<double, 4>;
using Calls = QList<QVariantList>;

namespace {

const QColor kLeft(0xb8, 0x00, 0x00);
const QColor kRight(0x00, 0xb8, 0xff);

Pair pairOf(const GHomPt& p)
{
    return {p.first(0), p.first(1), p.second(0), p.second(1)};
}

GHomPt makePair(double xl, double yl, double xr, double yr)
{
    return GHomPt(GPoint2D(xl, yl), GPoint2D(xr, yr));
}

// The 9 x 9 marker from its pixel art, tinted: grey g of the art colour, each channel of c as
// 0, 1 or (g * c) >> 8.
QImage expectedMarker(const QColor& c)
{
    static const char* const rows[9]
            = {"...aaa...", "..aaaaa..", ".aa###aa.", "aa#####aa", "aa##.##aa",
               "aa#####aa", ".aa###aa.", "..aaaaa..", "...aaa..."};
    const auto tint = [](int g, int k) { return g * k == 0 ? 0 : g * k <= 255 ? 1 : g * k >> 8; };
    QImage marker(9, 9, QImage::Format_RGB32);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            const int g = greyOf(rows[y][x] == 'a' ? 0xffb3b3b3 : rows[y][x] == '#' ? 0x10101 : 0);
            marker.setPixel(x, y, qRgb(tint(g, c.red()), tint(g, c.green()), tint(g, c.blue())));
        }
    }
    return marker;
}

// A shown viewer on a pair of patterns in the measure mode, the cursor off.
struct Shown
{
    explicit Shown(int w = 240, int h = 180)
        : v(patternImage(w, h), patternImage(w, h).mirrored(true, false))
    {
        v.resize(w + 40, h + 40);
        v.show();
        (void)QTest::qWaitForWindowExposed(&v);
        v.setCursorOn(false);
        v.setAnaglyphMeasureMode();
        drainEvents();
    }
    KVXStereoViewer v;
};

void click(KVXStereoViewer& v, const QPoint& pos, Qt::KeyboardModifiers mods = {})
{
    QTest::mouseClick(v.viewport(), Qt::LeftButton, mods, pos);
}

void move(KVXStereoViewer& v, const QPoint& pos, Qt::KeyboardModifiers mods = {})
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(v.viewport()->mapToGlobal(pos)),
                  Qt::NoButton, Qt::NoButton, mods);
    QCoreApplication::sendEvent(v.viewport(), &e);
}

} // namespace

class TestKVXStereoViewer : public QObject
{
    Q_OBJECT

private slots:
    void constructionMarkersAndColours();
    void cursorOnOffAndModes();
    void mouseToStereoPoint_data();
    void mouseToStereoPoint();
    void keys();
    void heldArrowKeyComposesOncePerPass();
    void clicksAndTwoPointsOnly();
    void replacePointTolerance();
    void selectionAndShiftClicks();
    void highlightDeletionAndBadIndices();
    void drag_data();
    void drag();
    void matchPoints();
    void polyline();
    void polyMarkerPositions_data();
    void polyMarkerPositions();
    void everyOverlayPerEye();
    void badInputNeverCrashes_data();
    void badInputNeverCrashes();
};

// The markers are the pixel art tinted per eye (the outline keeps exactly the eye's channels);
// new colours tint markers and cursor again, invalid ones change nothing.
void TestKVXStereoViewer::constructionMarkersAndColours()
{
    KVXStereoViewer v(patternImage(20, 10), patternImage(20, 10));
    QVERIFY(v.focusPolicy() == Qt::WheelFocus && v.isCursorOn());
    QCOMPARE(firstDifference(v.leftMarker(), expectedMarker(kLeft)), QString());
    QCOMPARE(firstDifference(v.rightMarker(), expectedMarker(kRight)), QString());
    QCOMPARE(v.rightMarker().pixel(3, 3), qRgb(0, 1, 1));
    QSignalSpy spy(&v, &KVXStereoViewer::cursorDeltaXChanged);
    v.setCursorDeltaX(7);
    v.setCursorDeltaX(7);
    QCOMPARE(Calls(spy), Calls({{7}}));
    const QColor green(0, 200, 0);
    v.setAnaglyphColors(green, Qt::magenta);
    v.setAnaglyphColors(QColor(), kRight);
    QCOMPARE(firstDifference(v.leftMarker(), expectedMarker(green)), QString());
    QCOMPARE(v.stereoCursor()->rightImage(), KVStereoCursor::cursorImage(Qt::magenta));
}

// On: the blank system cursor and the stereo cursor at the mouse, left out of the picture
// handed out for printing or copying. Off, leaving the viewport and modes without it hide it;
// the anaglyph modes bring it back. Zooming keeps its depth in image pixels; an offset change
// puts it back at its place, unless it sat at the very edge.
void TestKVXStereoViewer::cursorOnOffAndModes()
{
    Shown s(400, 300);
    KVXStereoViewer& v = s.v;
    const Qt::CursorShape saved = v.viewport()->cursor().shape();
    const QImage plain = v.visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32);
    QCursor::setPos(v.viewport()->mapToGlobal(QPoint(60, 50)));
    v.setCursorOn(true);
    QCOMPARE(v.viewport()->cursor().shape(), Qt::BlankCursor);
    QVERIFY(grabViewport(&v) != plain);
    QCOMPARE(v.visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32), plain);
    QCOMPARE(v.stereoCursor()->pos(), QPoint(60, 50));
    v.setDeltaX(4, false);
    v.setDeltaY(-3, true);
    QCOMPARE(v.stereoCursor()->pos(), QPoint(60, 50));
    v.setZoomInOutFactor(50);
    v.setCursorDeltaX(5);
    v.zoomInAtCursor();
    QCOMPARE(v.cursorDeltaX(), 8); // 5 * 1.5 = 7.5, halves up
    move(v, QPoint(0, 10));
    v.setDeltaX(5, true);
    QVERIFY(v.stereoCursor()->isHidden());
    move(v, QPoint(70, 40));
    QCOMPARE(v.stereoCursor()->pos(), QPoint(70, 40));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(v.viewport(), &leave);
    QVERIFY(v.stereoCursor()->isHidden());
    v.setCursorOn(false);
    move(v, QPoint(80, 40));
    QVERIFY(v.stereoCursor()->isHidden() && v.viewport()->cursor().shape() == saved);
    v.setCursorOn(true);
    v.setViewMode();
    QVERIFY(v.stereoCursor()->isHidden());
    v.setAnaglyphPolylineMode();
    QVERIFY(!v.stereoCursor()->isHidden());
}

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
    QTest::newRow("zoom 2, disparity 4: 2 image pixels apart each")
            << 3 << 5 << 2.0 << 4 << QPoint(100, 100) << QPoint(0, 0) << Pair{45, 48, 55, 53};
    QTest::newRow("deltaY -3 halves toward zero")
            << 0 << -3 << 1.0 << 0 << QPoint(10, 10) << QPoint(0, 0) << Pair{10, 11, 10, 8};
    QTest::newRow("negative disparity, scrolled")
            << 1 << 2 << 4.0 << -2 << QPoint(8, 4) << QPoint(40, 20) << Pair{11.5, 5, 12.5, 7};
}

// A click sets exactly the pair under the mouse, whose markers go where the composite shows
// its image points: the disparity to either side of the mouse.
void TestKVXStereoViewer::mouseToStereoPoint()
{
    QFETCH(int, deltaX);
    QFETCH(int, deltaY);
    QFETCH(double, zoom);
    QFETCH(int, disparity);
    QFETCH(QPoint, pos);
    QFETCH(QPoint, scroll);
    QFETCH(Pair, expected);
    Shown s(150, 150);
    s.v.setZoomFactor(zoom);
    s.v.setContentsPos(scroll.x(), scroll.y());
    QCOMPARE(QPoint(s.v.contentsX(), s.v.contentsY()), scroll);
    s.v.setDeltaX(deltaX, true);
    s.v.setDeltaY(deltaY, true);
    s.v.setCursorDeltaX(disparity);
    QSignalSpy spy(&s.v, &KVXStereoViewer::newPointSet);
    click(s.v, pos);
    const Pair& e = expected;
    QCOMPARE(Calls(spy), Calls({{e[0], e[1], e[2], e[3]}}));
    QCOMPARE(pairOf(s.v.stereoPoints().at(0)), expected);
    QCOMPARE(s.v.leftViewportPosF(GPoint2D(e[0], e[1])), pos - QPointF(disparity, 0));
    QCOMPARE(s.v.rightViewportPosF(GPoint2D(e[2], e[3])), pos + QPointF(disparity, 0));
}

// Arrows move the offsets by one, saturating at the int range; A/J and D/L change the
// disparity by one within -300..300.
void TestKVXStereoViewer::keys()
{
    Shown s(60, 40);
    const struct
    {
        Qt::Key key;
        QPoint start;
        int disparity;
        QPoint want;
        int wantDisparity;
    } cases[] = {{Qt::Key_Down, {}, 0, {0, 1}, 0},
                 {Qt::Key_Left, {INT_MIN, 0}, 0, {INT_MIN, 0}, 0},
                 {Qt::Key_Down, {0, INT_MAX}, 0, {0, INT_MAX}, 0},
                 {Qt::Key_L, {}, -5, {}, -4},
                 {Qt::Key_J, {}, -300, {}, -300},
                 {Qt::Key_D, {}, 300, {}, 300}};
    for (const auto& c : cases) {
        s.v.setDeltaX(c.start.x(), true);
        s.v.setDeltaY(c.start.y(), true);
        s.v.setCursorDeltaX(c.disparity);
        QTest::keyClick(&s.v, c.key);
        QCOMPARE(QPoint(s.v.deltaX(), s.v.deltaY()), c.want);
        QCOMPARE(s.v.cursorDeltaX(), c.wantDisparity);
    }
}

// A held arrow key on a large pair: the key events waiting in the queue are served by one
// composition, and the next pass of the event loop composes again, once.
void TestKVXStereoViewer::heldArrowKeyComposesOncePerPass()
{
    Shown s(2000, 1500);
    s.v.resize(400, 300);
    QSignalSpy compositions(&s.v, &KVImgViewer::imageChanged);
    for (const int key : {Qt::Key_Right, Qt::Key_Down}) {
        for (int i = 0; i < 30; ++i)
            QCoreApplication::postEvent(
                    &s.v, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(), true));
        const int passes = key == Qt::Key_Right ? 1 : 2;
        QTRY_COMPARE(s.v.deltaX() + s.v.deltaY(), 30 * passes);
        QTRY_COMPARE(compositions.count(), passes);
        drainEvents();
        QCOMPARE(compositions.count(), passes);
    }
}

// Only a left click in the measure mode sets a point, Shift sets none; a press whose release
// never came does not block the next click. With two points only, clicks 1, 2, 3 emit
// firstPointSet, secondPointSet, firstPointSet and no newPointSet, and keep the third point;
// switched on with three points it keeps the newest, with four it clears them.
void TestKVXStereoViewer::clicksAndTwoPointsOnly()
{
    Shown s;
    QSignalSpy newPoint(&s.v, &KVXStereoViewer::newPointSet);
    QTest::mouseClick(s.v.viewport(), Qt::RightButton, {}, QPoint(50, 50));
    click(s.v, QPoint(40, 40), Qt::ShiftModifier);
    QTest::mousePress(s.v.viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    s.v.hide();
    s.v.show();
    QCOMPARE(newPoint.count(), 0);
    click(s.v, QPoint(40, 40));
    QCOMPARE(newPoint.count(), 1);
    QStringList order;
    connect(&s.v, &KVXStereoViewer::firstPointSet, this, [&] { order << "first"; });
    connect(&s.v, &KVXStereoViewer::secondPointSet, this, [&] { order << "second"; });
    connect(&s.v, &KVXStereoViewer::viewerPointsCleared, this, [&] { order << "cleared"; });
    s.v.clearFromPoints();
    s.v.setTwoPointsOnly(true);
    for (const QPoint& p : {QPoint(20, 20), QPoint(60, 30), QPoint(100, 40)})
        click(s.v, p);
    QCOMPARE(order.join(" "), "cleared first second first");
    QCOMPARE(newPoint.count(), 1);
    QCOMPARE(s.v.stereoPoints().size(), size_t(1));
    QCOMPARE(pairOf(s.v.stereoPoints().at(0)), (Pair{100, 40, 100, 40}));
    for (const int points : {3, 4}) {
        order.clear();
        s.v.setTwoPointsOnly(false);
        s.v.clearFromPoints();
        for (int i = 0; i < points; ++i)
            s.v.addPoint(makePair(i, i, i + 1, i));
        s.v.setTwoPointsOnly(true);
        QCOMPARE(order.join(" "), points == 3 ? "cleared first" : "cleared cleared");
        QCOMPARE(s.v.stereoPoints().size(), size_t(points == 3 ? 1 : 0));
    }
}

// Unchanged within |a - b| / max(|a|, |b|) < 1e-15 in all four values, or both below 1e-15.
void TestKVXStereoViewer::replacePointTolerance()
{
    const struct
    {
        Pair stored, replacement;
        bool changes;
    } cases[] = {{{10, 20, 30, 40}, {10, 20, 30, 40}, false},
                 {{1e6, 20, 30, 40}, {1e6 * (1 + 1e-16), 20, 30, 40}, false},
                 {{1e6, 20, 30, 40}, {1e6 * (1 + 1e-14), 20, 30, 40}, true},
                 {{1e-16, 0, 0, 0}, {-1e-16, 0, 0, 0}, false},
                 {{0, 0, 0, 0}, {0, 0, 2e-15, 0}, true},
                 {{1, 2, 3, 4}, {1, 2, 3, 4.5}, true}};
    for (const auto& c : cases) {
        KVXStereoViewer v;
        v.addPoint(makePair(c.stored[0], c.stored[1], c.stored[2], c.stored[3]));
        QSignalSpy spy(&v, &KVXStereoViewer::pointChanged);
        const Pair& r = c.replacement;
        v.replacePoint(0, r[0], r[1], r[2], r[3]);
        QCOMPARE(Calls(spy), c.changes ? Calls({{0, r[0], r[1], r[2], r[3]}}) : Calls());
        QCOMPARE(pairOf(v.stereoPoints().at(0)), c.changes ? r : c.stored);
    }
}

// selectPoint(2, true) deselects every other point first, each signalled; unchanged and not
// exclusive is silent. A Shift click on the highlighted point toggles only it, and sets none.
void TestKVXStereoViewer::selectionAndShiftClicks()
{
    Shown s;
    for (int i = 0; i < 4; ++i)
        s.v.addPoint(makePair(i * 40 + 20, 40, i * 40 + 20, 40));
    s.v.selectPoint(0, true, false);
    s.v.selectPoint(3, true, false);
    QSignalSpy spy(&s.v, &KVXImgViewer::pointSelectionChanged);
    s.v.selectPoint(2, true);
    s.v.selectPoint(2, true, false);
    s.v.selectAllPoints(true);
    s.v.selectAllPoints(true);
    s.v.selectAllPoints(false);
    QCOMPARE(Calls(spy), Calls({{0, false}, {3, false}, {2, true}, {-1, true}, {-1, false}}));
    s.v.selectPoint(2, true);
    QCOMPARE(s.v.selectedStereoPointCount(), 1);
    s.v.enablePointEditing(true);
    QSignalSpy newPoint(&s.v, &KVXStereoViewer::newPointSet);
    for (const bool selected : {true, false}) {
        move(s.v, QPoint(61, 40));
        QCOMPARE(s.v.highlightedStereoPoint(), 1);
        click(s.v, QPoint(61, 40), Qt::ShiftModifier);
        QVERIFY(s.v.isStereoPointSelected(1) == selected && s.v.isStereoPointSelected(2));
    }
    QCOMPARE(s.v.mode(), KVXStereoViewer::AnaglyphMeasureMode);
    QCOMPARE(newPoint.count(), 0);
}

// A pair is picked when its left and right points both lie within 5 screen pixels of those
// under the mouse, so depth matters; also in the margins the offsets open. Bad indices are
// ignored everywhere.
void TestKVXStereoViewer::highlightDeletionAndBadIndices()
{
    Shown s;
    s.v.addPoint(makePair(20, 20, 22, 20));
    s.v.addPoint(makePair(60, 40, 64, 40));
    s.v.addPoint(makePair(100, 60, 98, 60));
    s.v.enablePointEditing(true);
    QSignalSpy highlighted(&s.v, &KVXImgViewer::pointHighlighted);
    for (const int disparity : {2, -6, 2}) {
        s.v.setCursorDeltaX(disparity);
        move(s.v, QPoint(60, 42));
    }
    QCOMPARE(Calls(highlighted), Calls({{1}, {-1}, {1}}));
    s.v.deletePoint(0); // below the highlighted one: the highlight stays on its pair
    QCOMPARE(s.v.highlightedStereoPoint(), 0);
    s.v.deletePoint(0);
    QCOMPARE(s.v.highlightedStereoPoint(), -1);
    QCOMPARE(pairOf(s.v.stereoPoints().at(0)), (Pair{100, 60, 98, 60}));
    s.v.setDeltaX(60, true);
    s.v.addPoint(makePair(-50, 30, 70, 30));
    s.v.setCursorDeltaX(0);
    move(s.v, QPoint(10, 30));
    QCOMPARE(s.v.highlightedStereoPoint(), 1);
    QSignalSpy changed(&s.v, &KVXStereoViewer::pointChanged);
    for (int index : {-1, 2, INT_MAX, INT_MIN}) {
        s.v.replacePoint(index, 0, 0, 0, 0);
        s.v.deletePoint(index);
        s.v.selectPoint(index, true);
        s.v.highlightPoint(index == -1 ? -2 : index);
    }
    QVERIFY(changed.isEmpty() && s.v.selectedStereoPointCount() == 0);
    QCOMPARE(s.v.highlightedStereoPoint(), 1);
    QCOMPARE(s.v.stereoPoints().size(), size_t(2));
}

void TestKVXStereoViewer::drag_data()
{
    QTest::addColumn<bool>("matchPoint"); // drag a copy of a match point
    QTest::addColumn<int>("end");         // 0 a press, 1 Escape, 2 cancelOperation()
    QTest::newRow("a press ends it") << false << 0;
    QTest::newRow("Escape puts the pair back") << false << 1;
    QTest::newRow("cancelOperation() puts the pair back") << false << 2;
    QTest::newRow("a copied match point stays a point") << true << 0;
    QTest::newRow("Escape returns a copy to the match points") << true << 1;
}

// A press on the highlighted pair (left at screen (42, 50), right at (58, 50)) starts the drag
// with the cursor on it at its depth: in the middle, disparity half their distance. The pair
// follows the mouse; with Ctrl only its depth follows the disparity.
void TestKVXStereoViewer::drag()
{
    QFETCH(bool, matchPoint);
    QFETCH(int, end);
    Shown s;
    KVXStereoViewer& v = s.v;
    v.setDeltaX(2, true);
    v.setCursorOn(true);
    const GHomPt pair = makePair(40, 50, 60, 50);
    v.addPoint(makePair(200, 150, 200, 150));
    matchPoint ? v.setMatchPoints(GHomPtVector{pair}) : v.addPoint(pair);
    v.enableMatchPoints(true);
    v.enablePointEditing(true);
    v.enableMatchPointEditing(true);
    v.setCursorDeltaX(7);
    move(v, QPoint(51, 50));
    QSignalSpy newPoint(&v, &KVXStereoViewer::newPointSet);
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, QPoint(51, 50));
    QVERIFY(v.mode() == KVXStereoViewer::AnaglyphPointDragMode && v.draggedStereoPoint() == 1);
    QCOMPARE(Calls(newPoint), matchPoint ? Calls({{40.0, 50.0, 60.0, 50.0}}) : Calls());
    QCOMPARE(v.stereoMatchPoints().size(), size_t(0));
    QCOMPARE(v.stereoCursor()->pos(), QPoint(50, 50));
    QCOMPARE(v.cursorDeltaX(), 8);
    QSignalSpy changed(&v, &KVXStereoViewer::pointChanged);
    move(v, QPoint(50, 50)); // the drag starts where the pair is: no change
    move(v, QPoint(70, 60));
    v.stereoCursor()->setDisparity(10);
    move(v, QPoint(10, 10), Qt::ControlModifier);
    QCOMPARE(Calls(changed), Calls({{1, 60.0, 60.0, 80.0, 60.0}, {1, 58.0, 60.0, 82.0, 60.0}}));
    if (end == 0)
        QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, QPoint(70, 60));
    else if (end == 1)
        QTest::keyClick(&v, Qt::Key_Escape);
    else
        v.cancelOperation();
    QVERIFY(v.mode() == KVXStereoViewer::AnaglyphMeasureMode && v.draggedStereoPoint() == -1);
    const bool back = end != 0;
    QCOMPARE(v.stereoMatchPoints().size(), size_t(matchPoint && back ? 1 : 0));
    const GHomPt& now = matchPoint && back ? v.stereoMatchPoints().at(0) : v.stereoPoints().at(1);
    QCOMPARE(pairOf(now), back ? pairOf(pair) : (Pair{58, 60, 82, 60}));
    QCOMPARE(changed.count(), back && !matchPoint ? 3 : 2);
    v.cancelOperation(); // outside the drag neither does anything
    QTest::keyClick(&v, Qt::Key_Escape);
    QCOMPARE(v.stereoPoints().size() + v.stereoMatchPoints().size(), size_t(2));
}

// A shorter list drops the surplus flags and restarts the count; deleting the selected ones
// keeps the highlight on its pair.
void TestKVXStereoViewer::matchPoints()
{
    KVXStereoViewer v;
    GHomPtVector list;
    for (int i = 0; i < 5; ++i)
        list.push_back(makePair(i, i, i + 1, i));
    v.setMatchPoints(list);
    v.enableMatchPoints(true);
    v.selectMatchPoint(4, true, false);
    v.setMatchPoints(GHomPtVector(list.begin(), list.begin() + 4));
    QVERIFY(!v.hasSelectedMatchPoints());
    QSignalSpy selection(&v, &KVXImgViewer::matchPointSelectionChanged);
    v.selectMatchPoint(1, true);
    v.selectMatchPoint(2, true, false);
    v.highlightMatchPoint(3);
    v.deleteSelectedMatchPoints();
    QCOMPARE(v.stereoMatchPoints().size(), size_t(2));
    QCOMPARE(pairOf(v.stereoMatchPoints().at(1)), (Pair{3, 3, 4, 3}));
    QCOMPARE(v.highlightedStereoMatchPoint(), 1);
    v.addMatchPoints(v.stereoMatchPoints());
    v.selectAllMatchPoints(true);
    v.selectAllMatchPoints(true);
    QCOMPARE(Calls(selection), Calls({{1, true}, {2, true}, {-1, true}}));
    for (int index : {-1, 4, INT_MAX}) {
        v.deleteMatchPoint(index);
        v.selectMatchPoint(index, false, false);
        v.highlightMatchPoint(index == -1 ? -2 : index);
    }
    v.deleteMatchPoint(0);
    QCOMPARE(v.selectedStereoMatchPointCount(), 3);
    QCOMPARE(Calls(selection).size(), 3);
}

// Presses fix vertices (not one equal to the last), the middle button ends the line; Delete
// removes the last vertex while drawing. setPolyline() and clearFromPolyline() signal changes.
void TestKVXStereoViewer::polyline()
{
    Shown s;
    s.v.setDeltaX(1, true);
    s.v.setAnaglyphPolygonMode();
    QVERIFY(s.v.isPolygon());
    QSignalSpy changed(&s.v, &KVXImgViewer::polyLineChanged);
    for (const QPoint& p : {QPoint(20, 20), QPoint(60, 30), QPoint(60, 30), QPoint(90, 80)})
        click(s.v, p);
    QCOMPARE(s.v.mode(), KVXStereoViewer::AnaglyphPolylineTracking);
    QCOMPARE(s.v.stereoPolyline().size(), size_t(4));
    QCursor::setPos(s.v.viewport()->mapToGlobal(QPoint(70, 60)));
    QTest::keyClick(&s.v, Qt::Key_Delete);
    QCOMPARE(s.v.stereoPolyline().size(), size_t(3));
    QCOMPARE(pairOf(s.v.stereoPolyline().back()), (Pair{69, 60, 71, 60})); // at the mouse
    QTest::mouseClick(s.v.viewport(), Qt::MiddleButton, {}, QPoint(70, 60));
    QCOMPARE(s.v.mode(), KVXStereoViewer::AnaglyphPolylineMode);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(pairOf(s.v.stereoPolyline().at(1)), (Pair{59, 30, 61, 30}));
    QTest::keyClick(&s.v, Qt::Key_Delete); // not while drawing: nothing
    QCOMPARE(s.v.stereoPolyline().size(), size_t(3));
    click(s.v, QPoint(10, 10));
    QTest::keyClick(&s.v, Qt::Key_Delete);
    QVERIFY(!s.v.hasPolyline());
    QCOMPARE(s.v.mode(), KVXStereoViewer::AnaglyphPolylineMode);
    s.v.setPolyline(GHomPtVector{makePair(1, 1, 1, 1), makePair(5, 5, 5, 5)});
    s.v.clearFromPolyline();
    s.v.clearFromPolyline();
    QCOMPARE(changed.count(), 2);
}

void TestKVXStereoViewer::polyMarkerPositions_data()
{
    QTest::addColumn<double>("leftPos");
    QTest::addColumn<double>("rightPos");
    QTest::addColumn<Pair>("expected");
    // Left points (0,0) (30,0) (30,40); right points (10,0) (10,20) (10,20): with pixel size
    // (2, 0.5) the left segments are 60 and 20 long, the right ones 10 and 0.
    QTest::newRow("start") << 0.0 << 0.0 << Pair{0, 0, 10, 0};
    QTest::newRow("negative") << -5.0 << -1e300 << Pair{0, 0, 10, 0};
    QTest::newRow("inside the first segment") << 30.0 << 5.0 << Pair{15, 0, 10, 10};
    QTest::newRow("inside the second segment") << 70.0 << 2.5 << Pair{30, 20, 10, 5};
    QTest::newRow("beyond the end") << 1000.0 << 11.0 << Pair{30, 40, 10, 20};
    QTest::newRow("infinite") << qInf() << qInf() << Pair{30, 40, 10, 20};
}

// The reference marker cannot be on without the marker.
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
    v.setPolyline(GHomPtVector{makePair(0, 0, 10, 0), makePair(30, 0, 10, 20),
                               makePair(30, 40, 10, 20)});
    QVERIFY(v.polyMarkerPoints(leftPos, rightPos, &l, &r));
    QCOMPARE((Pair{l(0), l(1), r(0), r(1)}), expected);
    v.setPolyline(GHomPtVector{makePair(3, 4, 5, 6)}); // a single vertex holds the marker
    QVERIFY(v.polyMarkerPoints(leftPos, rightPos, &l, &r));
    QCOMPARE((Pair{l(0), l(1), r(0), r(1)}), (Pair{3, 4, 5, 6}));
    v.enablePolyReferenzMarker(true);
    QVERIFY(!v.isPolyReferenceMarkerEnabled());
    v.enablePolyMarker(true);
    v.enablePolyReferenzMarker(true);
    QVERIFY(v.isPolyReferenceMarkerEnabled());
}

// Every overlay exists once per eye and changes only its own eye's channels. The point markers
// are the tinted markers merged where the composite shows their image points. With the left
// elements in the top half and the right ones in the bottom half, nothing in the top half
// changes green or blue and nothing in the bottom half changes red.
void TestKVXStereoViewer::everyOverlayPerEye()
{
    Shown s;
    s.v.setDeltaX(2, true);
    s.v.setDeltaY(3, true);
    const QImage before = grabViewport(&s.v);
    s.v.addPoint(makePair(30, 40, 120, 130)); // left at (32, 41), right at (118, 128)
    QImage want = before;
    mergeChannels(&want, expectedMarker(kLeft), 32 - 4, 41 - 4);
    mergeChannels(&want, expectedMarker(kRight), 118 - 4, 128 - 4);
    QCOMPARE(firstDifference(grabViewport(&s.v), want), QString());
    s.v.addPoint(makePair(60, 20, 60, 130));
    s.v.addPoint(makePair(100, 20, 100, 130));
    s.v.enablePointEditing(true);
    s.v.selectPoint(1, true);
    s.v.highlightPoint(2);
    s.v.setMatchPoints(GHomPtVector{makePair(140, 30, 140, 140), makePair(170, 30, 170, 140)});
    s.v.enableMatchPoints(true);
    s.v.selectMatchPoint(1, true);
    s.v.setBoundaryLine(GHomPtVector{makePair(5, 5, 5, 100), makePair(230, 5, 230, 100),
                                     makePair(230, 70, 230, 170)});
    s.v.enableBoundaryLine(true);
    s.v.setPolyline(GHomPtVector{makePair(10, 50, 10, 150), makePair(220, 60, 220, 160)});
    s.v.enablePolyMarker(true);
    s.v.setPolyMarker(50.0, 80.0);
    s.v.enablePolyReferenzMarker(true);
    s.v.setPolyMarker(120.0, 150.0);
    drainEvents();
    const QImage after = grabViewport(&s.v);
    int changed = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            const QRgb a = after.pixel(x, y);
            const QRgb b = before.pixel(x, y);
            changed += a != b;
            if (y < 90 ? (a & 0xffff) != (b & 0xffff) : qRed(a) != qRed(b))
                QFAIL(qPrintable(QStringLiteral("the other eye's at (%1, %2)").arg(x).arg(y)));
        }
    }
    QVERIFY(changed > 1000);
    // A line takes its colour's channels where it covers a pixel and keeps the others.
    QCOMPARE(after.pixel(100, 98), qRgb(qRed(before.pixel(100, 98)), 184, 255));
}

void TestKVXStereoViewer::badInputNeverCrashes_data()
{
    QTest::addColumn<QImage>("left");
    QTest::addColumn<QImage>("right");
    QTest::addColumn<int>("offset");
    const QImage a = patternImage(30, 20);
    QTest::newRow("null images") << QImage() << QImage() << 0;
    QTest::newRow("mixed depths") << a << a.convertToFormat(QImage::Format_Indexed8) << 3;
    QTest::newRow("offsets INT_MAX / 4") << a << a << INT_MAX / 4;
    QTest::newRow("offsets INT_MIN") << a << a << INT_MIN;
}

// Odd coordinates, offsets and images through the tools, the keys and the drawing.
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
    v.enableMatchPoints(true);
    v.enableBoundaryLine(true);
    v.enablePolyMarker(true);
    const double inf = qInf();
    const double nan = qQNaN();
    const GHomPtVector odd{makePair(nan, 0, 0, nan), makePair(inf, -inf, 1e300, -1e300),
                           makePair(0, 0, 0, 0), makePair(-1e9, 1e9, 5, 5)};
    for (const GHomPt& pair : odd)
        v.addPoint(pair);
    v.setMatchPoints(odd);
    v.setPolyline(odd);
    v.setBoundaryLine(odd);
    v.setPolyMarker(nan, inf);
    v.selectAllPoints(true);
    v.replacePoint(3, nan, nan, inf, -inf);
    for (const QPoint& pos : {QPoint(0, 0), QPoint(5, 5), QPoint(-50, 900)}) {
        move(v, pos);
        click(v, pos);
    }
    for (const int key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_A, Qt::Key_Escape, Qt::Key_Delete})
        QTest::keyClick(&v, Qt::Key(key));
    for (const double zoom : {1e-3, 64.0}) {
        v.setZoomFactor(zoom);
        drainEvents();
        grabViewport(&v);
    }
    v.visiblePixmap();
    QVERIFY(v.stereoPoints().size() >= odd.size());
}

QTEST_MAIN(TestKVXStereoViewer)
#include "tst_kvxstereoviewer.moc"
