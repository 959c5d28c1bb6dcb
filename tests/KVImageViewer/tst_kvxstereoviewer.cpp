#include "kvstereocursor.h"
#include "kvxstereoviewer.h"
#include "pixelhelpers.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>

#include <climits>

using namespace Pix;
using Pair = std::array<double, 4>;
using Pairs = GHomPtVector;
using Calls = QList<QVariantList>;
using Mods = Qt::KeyboardModifiers;

static const QColor kLeft(0xb8, 0x00, 0x00);
static const QColor kRight(0x00, 0xb8, 0xff);

static GHomPt hp(double xl, double yl, double xr, double yr)
{
    return GHomPt(GPoint2D(xl, yl), GPoint2D(xr, yr));
}

// The 9 x 9 marker from its pixel art, tinted: grey g of the art colour, each channel of c as
// 0, 1 or (g * c) >> 8.
static QImage expectedMarker(const QColor& c)
{
    static const char* const rows[9]
            = {"...aaa...", "..aaaaa..", ".aa###aa.", "aa#####aa", "aa##.##aa",
               "aa#####aa", ".aa###aa.", "..aaaaa..", "...aaa..."};
    const auto t = [](int g, int k) { return g * k == 0 ? 0 : g * k <= 255 ? 1 : g * k >> 8; };
    QImage marker(9, 9, QImage::Format_RGB32);
    for (int i = 0; i < 81; ++i) {
        const char a = rows[i / 9][i % 9];
        const int g = greyOf(a == 'a' ? 0xffb3b3b3 : a == '#' ? 0x10101 : 0);
        marker.setPixel(i % 9, i / 9, qRgb(t(g, c.red()), t(g, c.green()), t(g, c.blue())));
    }
    return marker;
}

// A shown viewer on a pair of patterns in the measure mode, the cursor off.
struct Shown : KVXStereoViewer
{
    explicit Shown(int w = 240, int h = 180)
        : KVXStereoViewer(patternImage(w, h), patternImage(w, h).mirrored(true, false))
    {
        resize(w + 40, h + 40);
        show();
        (void)QTest::qWaitForWindowExposed(this);
        setCursorOn(false);
        setAnaglyphMeasureMode();
        drainEvents();
    }
    void click(QPoint p, Mods m = {}) { QTest::mouseClick(viewport(), Qt::LeftButton, m, p); }
    void move(QPoint p, Mods m = {})
    {
        QMouseEvent e(QEvent::MouseMove, p, viewport()->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                      m);
        QCoreApplication::sendEvent(viewport(), &e);
    }
};

class TestKVXStereoViewer : public QObject
{
    Q_OBJECT

private slots:
    // Markers and cursor follow valid colours. The cursor stays out of the printed picture, keeps
    // its depth in image pixels when zooming, its place on an offset change unless at the edge.
    // D/L and A/J change its disparity within -300..300.
    void markersAndCursor()
    {
        Shown v;
        v.setAnaglyphColors(QColor(0, 200, 0), Qt::magenta);
        v.setAnaglyphColors(QColor(), kRight);
        QCOMPARE(firstDifference(v.leftMarker(), expectedMarker(QColor(0, 200, 0))), QString());
        const KVStereoCursor* c = v.stereoCursor();
        QCOMPARE(c->rightImage(), KVStereoCursor::cursorImage(Qt::magenta));
        const Qt::CursorShape saved = v.viewport()->cursor().shape();
        const QImage plain = v.visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32);
        QCursor::setPos(v.viewport()->mapToGlobal(QPoint(60, 50)));
        v.setCursorOn(true);
        QCOMPARE(v.viewport()->cursor().shape(), Qt::BlankCursor);
        QVERIFY(grabViewport(&v) != plain);
        QCOMPARE(v.visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32), plain);
        v.setDeltaY(-3, true);
        QCOMPARE(c->pos(), QPoint(60, 50));
        v.setZoomInOutFactor(50);
        v.setCursorDeltaX(5);
        v.zoomInAtCursor();
        QCOMPARE(v.cursorDeltaX(), 8); // 5 * 1.5 = 7.5, halves up
        QSignalSpy disparity(&v, &KVXStereoViewer::cursorDeltaXChanged);
        int keys[][3] = {{Qt::Key_L, -5, -4}, {Qt::Key_J, -300, -300}, {Qt::Key_D, 300, 300}};
        for (const auto& [key, from, to] : keys) {
            v.setCursorDeltaX(from);
            QTest::keyClick(&v, Qt::Key(key));
            QCOMPARE(v.cursorDeltaX(), to);
        }
        QCOMPARE(Calls(disparity), Calls({{-5}, {-4}, {-300}, {300}}));
        v.move(QPoint(0, 10));
        v.setDeltaX(5, true);
        QVERIFY(c->isHidden());
        v.move(QPoint(70, 40));
        QCOMPARE(c->pos(), QPoint(70, 40));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(v.viewport(), &leave);
        QVERIFY(c->isHidden());
        v.setCursorOn(false);
        v.move(QPoint(80, 40));
        QVERIFY(c->isHidden() && v.viewport()->cursor().shape() == saved);
    }

    void mouseToStereoPoint_data()
    {
        QTest::addColumn<QList<int>>("s"); // deltaX, deltaY, disparity, zoom, scroll, mouse
        QTest::addColumn<Pair>("e");
        QTest::newRow("offsets") << QList{3, 5, 0, 1, 0, 0, 100, 100} << Pair{97, 98, 103, 103};
        QTest::newRow("zoom 2") << QList{3, 5, 4, 2, 0, 0, 100, 100} << Pair{45, 48, 55, 53};
        QTest::newRow("deltaY -3") << QList{0, -3, 0, 1, 0, 0, 10, 10} << Pair{10, 11, 10, 8};
        QTest::newRow("scrolled") << QList{1, 2, -2, 4, 40, 20, 8, 4} << Pair{11.5, 5, 12.5, 7};
    }

    // A click sets the pair under the mouse; its markers go where the composite shows its points.
    void mouseToStereoPoint()
    {
        QFETCH(QList<int>, s);
        QFETCH(Pair, e);
        Shown v(150, 150);
        v.setZoomFactor(s[3]);
        v.setContentsPos(s[4], s[5]);
        v.setDeltaX(s[0], true);
        v.setDeltaY(s[1], true);
        v.setCursorDeltaX(s[2]);
        QSignalSpy spy(&v, &KVXStereoViewer::newPointSet);
        const QPointF pos(s[6], s[7]);
        v.click(pos.toPoint());
        QCOMPARE(Calls(spy), Calls({{e[0], e[1], e[2], e[3]}}));
        QCOMPARE(v.leftViewportPosF(GPoint2D(e[0], e[1])), pos - QPointF(s[2], 0));
        QCOMPARE(v.rightViewportPosF(GPoint2D(e[2], e[3])), pos + QPointF(s[2], 0));
    }

    // A held arrow key on a large pair: the key events waiting in the queue are served by one
    // composition. The arrows stop at the ends of the int range.
    void heldArrowKey()
    {
        Shown v(2000, 1500);
        QSignalSpy compositions(&v, &KVImgViewer::imageChanged);
        for (int i = 0; i < 30; ++i)
            QCoreApplication::postEvent(&v, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right,
                                                          Qt::NoModifier, QString(), true));
        QTRY_COMPARE(v.deltaX(), 30);
        QTRY_COMPARE(compositions.count(), 1);
        drainEvents();
        QCOMPARE(compositions.count(), 1);
        v.setDeltaX(INT_MIN, true);
        v.setDeltaY(INT_MAX, true);
        QTest::keyClick(&v, Qt::Key_Left);
        QTest::keyClick(&v, Qt::Key_Down);
        QCOMPARE(QPoint(v.deltaX(), v.deltaY()), QPoint(INT_MIN, INT_MAX));
    }

    // No point from a right or Shift click. Two points only: a third click starts a new pair;
    // switched on it keeps the newest of three, not four. Polygon presses fix vertices (not one
    // equal to the last), the middle button ends the line; Delete removes the last vertex while
    // drawing; clearing signals a change once.
    void clicksPointsAndPolyline()
    {
        Shown v;
        QSignalSpy newPoint(&v, &KVXStereoViewer::newPointSet);
        QTest::mouseClick(v.viewport(), Qt::RightButton, {}, QPoint(50, 50));
        v.click(QPoint(40, 40), Qt::ShiftModifier);
        v.click(QPoint(40, 40));
        QStringList order;
        connect(&v, &KVXStereoViewer::firstPointSet, this, [&] { order << "first"; });
        connect(&v, &KVXStereoViewer::secondPointSet, this, [&] { order << "second"; });
        connect(&v, &KVXStereoViewer::viewerPointsCleared, this, [&] { order << "cleared"; });
        v.clearFromPoints();
        v.setTwoPointsOnly(true);
        for (const QPoint& p : {QPoint(20, 20), QPoint(60, 30), QPoint(100, 40)})
            v.click(p);
        QCOMPARE(newPoint.count(), 1);
        QCOMPARE(v.stereoPoints().at(0), hp(100, 40, 100, 40));
        for (const int points : {3, 4}) {
            v.setTwoPointsOnly(false);
            for (int i = 1; i < points; ++i)
                v.addPoint(hp(i, i, i + 1, i));
            v.setTwoPointsOnly(true);
            QCOMPARE(v.stereoPoints().size(), size_t(points == 3 ? 1 : 0));
        }
        QCOMPARE(order.join(" "), "cleared first second first first cleared");
        v.setDeltaX(1, true);
        v.setAnaglyphPolygonMode();
        QSignalSpy changed(&v, &KVXImgViewer::polyLineChanged);
        for (const QPoint& p : {QPoint(20, 20), QPoint(60, 30), QPoint(60, 30), QPoint(90, 80)})
            v.click(p);
        QCursor::setPos(v.viewport()->mapToGlobal(QPoint(70, 60)));
        QTest::keyClick(&v, Qt::Key_Delete);
        QCOMPARE(v.stereoPolyline().size(), size_t(3));
        QCOMPARE(v.stereoPolyline().back(), hp(69, 60, 71, 60)); // at the mouse
        QTest::mouseClick(v.viewport(), Qt::MiddleButton, {}, QPoint(70, 60));
        QCOMPARE(v.mode(), KVXStereoViewer::AnaglyphPolylineMode);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(v.stereoPolyline().at(1), hp(59, 30, 61, 30));
        QTest::keyClick(&v, Qt::Key_Delete); // not while drawing: nothing
        v.clearFromPolyline();
        v.clearFromPolyline();
        QCOMPARE(changed.count(), 2);
        // Poly marker: left (0,0) (30,0) (30,40), right (10,0) (10,20) (10,20), pixel (2, 0.5)
        // give lengths 60, 20 left and 10, 0 right; clamped to the line; a lone vertex holds it.
        GPoint2D l, r;
        const auto at = [&](double a, double b) {
            return v.polyMarkerPoints(a, b, &l, &r) ? Pair{l(0), l(1), r(0), r(1)} : Pair{};
        };
        QCOMPARE(at(1, 1), Pair{});
        v.setPixelSize(2.0, 0.5);
        v.setPolyline(Pairs{hp(0, 0, 10, 0), hp(30, 0, 10, 20), hp(30, 40, 10, 20)});
        QCOMPARE(at(-5, -1e300), (Pair{0, 0, 10, 0}));
        QCOMPARE(at(70, 2.5), (Pair{30, 20, 10, 5}));
        QCOMPARE(at(qInf(), 11), (Pair{30, 40, 10, 20}));
        v.setPolyline(Pairs{hp(3, 4, 5, 6)});
        QCOMPARE(at(70, 2.5), (Pair{3, 4, 5, 6}));
        v.enablePolyReferenzMarker(true); // not without the marker
        QVERIFY(!v.isPolyReferenceMarkerEnabled());
    }

    // A pair is picked when both its points lie within 5 screen pixels of those under the mouse
    // (depth matters), also in the offsets' margins; a removal renumbers the highlight with it.
    void selectionHighlightAndBadIndices()
    {
        Shown v;
        for (const Pair& p :
             {Pair{20, 20, 22, 20}, {60, 40, 64, 40}, {100, 60, 98, 60}, {1e6, 0, 0, 0}})
            v.addPoint(hp(p[0], p[1], p[2], p[3]));
        v.selectPoint(0, true, false);
        v.selectPoint(3, true, false);
        QSignalSpy sel(&v, &KVXImgViewer::pointSelectionChanged);
        v.selectPoint(2, true);
        for (const bool all : {true, true, false})
            v.selectAllPoints(all);
        QCOMPARE(Calls(sel), Calls({{0, false}, {3, false}, {2, true}, {-1, true}, {-1, false}}));
        v.selectPoint(2, true);
        v.enablePointEditing(true);
        QSignalSpy highlighted(&v, &KVXImgViewer::pointHighlighted);
        for (const auto& [disparity, y, want] :
             {std::tuple(2, 42, 1), {-6, 42, -1}, {2, 45, -1}, {2, 44, 1}}) {
            v.setCursorDeltaX(disparity);
            v.move(QPoint(60, y));
            QCOMPARE(v.highlightedStereoPoint(), want);
        }
        QCOMPARE(Calls(highlighted), Calls({{1}, {-1}, {1}}));
        for (const bool selected : {true, false}) { // a Shift click toggles the picked pair alone
            v.move(QPoint(61, 42));
            v.click(QPoint(61, 42), Qt::ShiftModifier);
            QVERIFY(v.isStereoPointSelected(1) == selected && v.isStereoPointSelected(2));
        }
        QSignalSpy changed(&v, &KVXStereoViewer::pointChanged);
        v.replacePoint(3, 1e6 * (1 + 5e-16), 0, -1e-16, 0);
        v.replacePoint(3, 1e6, 0, 0, 2e-15);
        QCOMPARE(Calls(changed), Calls({{3, 1e6, 0.0, 0.0, 2e-15}}));
        v.move(QPoint(60, 42));
        v.deletePoint(0);
        QCOMPARE(v.highlightedStereoPoint(), 0);
        v.deletePoint(0);
        v.setDeltaX(60, true);
        v.setCursorDeltaX(0);
        v.replacePoint(1, -50, 30, 70, 30);
        v.move(QPoint(10, 30));
        QCOMPARE(v.highlightedStereoPoint(), 1);
        v.setMatchPoints(Pairs{hp(0, 0, 1, 0)});
        for (int index : {-1, 2, INT_MAX, INT_MIN}) {
            v.replacePoint(index, 0, 0, 0, 0);
            v.deletePoint(index);
            v.selectPoint(index, true);
            v.deleteMatchPoint(index);
            v.selectMatchPoint(index, true);
        }
        QCOMPARE(changed.count(), 2);
        QCOMPARE(v.highlightedStereoPoint(), 1);
        QCOMPARE(v.selectedStereoMatchPointCount() + v.selectedStereoPointCount(), 1);
        QCOMPARE(v.stereoPoints().size() + v.stereoMatchPoints().size(), size_t(3));
    }

    void drag_data()
    {
        QTest::addColumn<bool>("matchPoint"); // drag a copy of a match point
        QTest::addColumn<int>("end");         // 0 a press, 1 Escape, 2 cancelOperation()
        QTest::newRow("a press ends it") << false << 0;
        QTest::newRow("Escape puts the pair back") << false << 1;
        QTest::newRow("cancelOperation() puts the pair back") << false << 2;
        QTest::newRow("a copied match point stays a point") << true << 0;
        QTest::newRow("Escape returns a copy to the match points") << true << 1;
    }

    // A press on the highlighted pair (screen (42, 50) and (58, 50)) drags it, the cursor on it at
    // its depth. The pair follows the mouse; with Ctrl only its depth follows the disparity.
    void drag()
    {
        QFETCH(bool, matchPoint);
        QFETCH(int, end);
        Shown v;
        v.setDeltaX(2, true);
        v.setCursorOn(true);
        const GHomPt pair = hp(40, 50, 60, 50);
        v.addPoint(hp(200, 150, 200, 150));
        matchPoint ? v.setMatchPoints(Pairs{pair}) : v.addPoint(pair);
        v.enableMatchPoints(true);
        v.enablePointEditing(true);
        v.enableMatchPointEditing(true);
        v.setCursorDeltaX(7);
        v.move(QPoint(51, 50));
        QSignalSpy newPoint(&v, &KVXStereoViewer::newPointSet);
        v.click(QPoint(51, 50));
        QVERIFY(v.mode() == KVXStereoViewer::AnaglyphPointDragMode && v.draggedStereoPoint() == 1);
        QCOMPARE(Calls(newPoint), matchPoint ? Calls({{40.0, 50.0, 60.0, 50.0}}) : Calls());
        QCOMPARE(v.stereoMatchPoints().size(), size_t(0));
        QVERIFY(v.stereoCursor()->pos() == QPoint(50, 50) && v.cursorDeltaX() == 8);
        QSignalSpy changed(&v, &KVXStereoViewer::pointChanged);
        v.move(QPoint(50, 50)); // the drag starts where the pair is: no change
        v.move(QPoint(70, 60));
        v.stereoCursor()->setDisparity(10);
        v.move(QPoint(10, 10), Qt::ControlModifier);
        QCOMPARE(Calls(changed), Calls({{1, 60., 60., 80., 60.}, {1, 58., 60., 82., 60.}}));
        end == 0   ? v.click(QPoint(70, 60))
        : end == 1 ? QTest::keyClick(&v, Qt::Key_Escape)
                   : v.cancelOperation();
        QVERIFY(v.mode() == KVXStereoViewer::AnaglyphMeasureMode && v.draggedStereoPoint() == -1);
        const auto& p = matchPoint && end ? v.stereoMatchPoints().at(0) : v.stereoPoints().at(1);
        QCOMPARE(p, end ? pair : hp(58, 60, 82, 60));
        QCOMPARE(changed.count(), end && !matchPoint ? 3 : 2);
    }

    // The point markers are the tinted markers merged where the composite shows their image
    // points. With every overlay's left elements in the top half and right ones in the bottom
    // half, nothing in the top half changes green or blue and nothing in the bottom half red.
    void everyOverlayPerEye()
    {
        Shown v;
        v.setDeltaX(2, true);
        v.setDeltaY(3, true);
        const QImage before = grabViewport(&v);
        v.addPoint(hp(30, 40, 120, 130)); // left at (32, 41), right at (118, 128)
        QImage want = before;
        mergeChannels(&want, expectedMarker(kLeft), 32 - 4, 41 - 4);
        mergeChannels(&want, expectedMarker(kRight), 118 - 4, 128 - 4);
        QCOMPARE(firstDifference(grabViewport(&v), want), QString());
        v.addPoint(hp(60, 20, 60, 130));
        v.addPoint(hp(100, 20, 100, 130));
        v.selectPoint(1, true);
        v.highlightPoint(2);
        v.setMatchPoints(Pairs{hp(140, 30, 140, 140), hp(170, 30, 170, 140)});
        v.selectMatchPoint(1, true);
        v.setBoundaryLine(Pairs{hp(5, 5, 5, 100), hp(230, 5, 230, 100), hp(230, 70, 230, 170)});
        v.setPolyline(Pairs{hp(10, 50, 10, 150), hp(220, 60, 220, 160)});
        for (const auto on : {&Shown::enablePointEditing, &Shown::enableMatchPoints,
                              &Shown::enableBoundaryLine, &Shown::enablePolyMarker})
            (v.*on)(true);
        v.setPolyMarker(50.0, 80.0);
        v.enablePolyReferenzMarker(true);
        v.setPolyMarker(120.0, 150.0);
        drainEvents();
        const QImage after = grabViewport(&v);
        int changed = 0;
        for (int i = 0; i < after.width() * after.height(); ++i) {
            const int x = i % after.width(), y = i / after.width();
            const QRgb a = after.pixel(x, y), b = before.pixel(x, y);
            changed += a != b;
            if (y < 90 ? (a & 0xffff) != (b & 0xffff) : qRed(a) != qRed(b))
                QFAIL(qPrintable(QStringLiteral("the other eye's at (%1, %2)").arg(x).arg(y)));
        }
        QVERIFY(changed > 1000);
        // A line takes its colour's channels where it covers a pixel and keeps the others.
        QCOMPARE(after.pixel(100, 98), qRgb(qRed(before.pixel(100, 98)), 184, 255));
    }

    // Odd coordinates through the tools and the drawing over null and mixed images, huge offsets.
    void badInputNeverCrashes()
    {
        Shown v(30, 20);
        const double inf = qInf(), nan = qQNaN();
        const Pairs odd{hp(nan, 0, 0, nan), hp(inf, -inf, 1e300, -1e300), hp(-1e9, 1e9, 5, 5)};
        for (const auto on : {&Shown::enablePointEditing, &Shown::enableMatchPoints,
                              &Shown::enableBoundaryLine, &Shown::enablePolyMarker})
            (v.*on)(true);
        for (const GHomPt& pair : odd)
            v.addPoint(pair);
        v.setMatchPoints(odd);
        v.setPolyline(odd);
        v.setBoundaryLine(odd);
        v.setPolyMarker(nan, inf);
        const QImage a = patternImage(30, 20), i8 = a.convertToFormat(QImage::Format_Indexed8);
        const std::pair<QImage, int> cases[] = {{{}, 0}, {i8, 3}, {a, INT_MAX / 4}, {a, INT_MIN}};
        for (const auto& [right, offset] : cases) {
            v.setImages(right.isNull() ? QImage() : a, right);
            v.setDeltaX(offset, true);
            v.setDeltaY(offset, true);
            v.setCursorDeltaX(offset);
            v.move(QPoint(5, 5));
            v.click(QPoint(5, 5));
            v.setZoomFactor(64.0);
            grabViewport(&v);
        }
        QVERIFY(v.stereoPoints().size() >= odd.size());
    }
};

QTEST_MAIN(TestKVXStereoViewer)
#include "tst_kvxstereoviewer.moc"
