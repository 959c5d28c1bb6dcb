#include "kvximgviewer.h"
#include "pixelhelpers.h"

#include <QSignalSpy>
#include <QTest>

#include <climits>
#include <memory>

using namespace Pix;
using Calls = QList<QVariantList>;
using Pts = GPoint2DVector;

namespace {

struct TestViewer : KVXImgViewer
{
    using KVXImgViewer::draggedPoint, KVXImgViewer::highlightedMatchPoint,
            KVXImgViewer::highlightedPoint, KVXImgViewer::isMatchPointSelected,
            KVXImgViewer::isPointSelected, KVXImgViewer::selectedPointCount,
            KVXImgViewer::slavePolylines, KVXImgViewer::viewportPoint;
};

const QRgb kBackground = qRgb(100, 150, 60);
// The magenta pen in NOR raster operation over the background, channel by channel.
const QRgb kNor = qRgb(~(255 | 100) & 0xff, ~(0 | 150) & 0xff, ~(255 | 60) & 0xff);

// A move without a button goes through the pointer, which sends nothing when already there.
void hover(QWidget* w, const QPoint& pos)
{
    if (w->mapToGlobal(pos) == QCursor::pos())
        QTest::mouseMove(w, pos + QPoint(0, 1));
    QTest::mouseMove(w, pos);
}

void doubleClick(QWidget* w, const QPoint& pos)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(w, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(w, Qt::LeftButton, {}, pos);
}

// A plain 150 x 100 image with the points, shown in PointMeasureMode.
std::unique_ptr<TestViewer> viewerWith(const Pts& points, double zoom = 1.0, bool edit = false)
{
    auto viewer = std::make_unique<TestViewer>();
    viewer->resize(400, 300);
    viewer->setImage(filledImage(150, 100, kBackground), true);
    for (const GPoint2D& p : points)
        viewer->addPoint(p);
    viewer->show();
    (void)QTest::qWaitForWindowExposed(viewer.get());
    viewer->setZoomFactor(zoom);
    viewer->setPointMeasureMode();
    viewer->enablePointEditing(edit);
    return viewer;
}

} // namespace

class TestKVXImgViewerPoints : public QObject
{
    Q_OBJECT

private slots:
    // Later points and their flags move up; replacePoint() signals a change beyond 1e-15 only.
    void deleteAndReplace()
    {
        for (const int highlight : {2, 3}) {
            auto viewer = viewerWith({{0, 0}, {10, 5}, {20, 10}, {30, 15}, {40, 20}});
            viewer->highlightPoint(highlight);
            viewer->selectPoint(2, true, false);
            viewer->selectPoint(3, true, false);
            QSignalSpy deleted(viewer.get(), &KVXImgViewer::pointDeleted);
            viewer->deletePoint(2);
            QCOMPARE(Calls(deleted), Calls({{2}}));
            QCOMPARE(viewer->points(), (Pts{{0, 0}, {10, 5}, {30, 15}, {40, 20}}));
            QCOMPARE(viewer->highlightedPoint(), highlight == 2 ? -1 : 3);
            QVERIFY(viewer->selectedPointCount() == 1 && viewer->isPointSelected(2));
            QSignalSpy changed(viewer.get(), &KVXImgViewer::pointChanged);
            viewer->replacePoint(1, 10 * (1 + 5e-16), 5);
            viewer->replacePoint(1, 10, 5 * (1 + 1e-14));
            QCOMPARE(Calls(changed), Calls({{1, 10.0, 5 * (1 + 1e-14)}}));
        }
    }

    // Indices out of range are ignored; slave polyline keys are never handed out twice.
    void listsIndicesAndSlaveKeys()
    {
        auto viewer = viewerWith({{0, 0}, {1, 1}, {2, 2}});
        viewer->setMatchPoints(Pts{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}});
        viewer->selectPoint(1, true);
        viewer->selectMatchPoint(1, true, false);
        QSignalSpy selected(viewer.get(), &KVXImgViewer::pointSelectionChanged);
        QSignalSpy highlighted(viewer.get(), &KVXImgViewer::pointHighlighted);
        QSignalSpy matchSelected(viewer.get(), &KVXImgViewer::matchPointSelectionChanged);
        QSignalSpy changed(viewer.get(), &KVXImgViewer::pointChanged);
        viewer->selectPoint(1, true, false); // already selected
        for (const bool all : {true, true, false})
            viewer->selectAllPoints(all);
        for (const int nr : {2, 2, 3, -2, 0, -1})
            viewer->highlightPoint(nr);
        viewer->selectMatchPoint(3, true);
        for (int nr : {-1, 5, INT_MIN, INT_MAX}) {
            viewer->deletePoint(nr);
            viewer->replacePoint(nr, 5, 5);
            viewer->selectPoint(nr, true, false);
            viewer->deleteMatchPoint(nr);
            viewer->selectMatchPoint(nr, true);
            viewer->highlightMatchPoint(nr == -1 ? 7 : nr);
        }
        QCOMPARE(Calls(selected), Calls({{-1, true}, {-1, false}}));
        QCOMPARE(Calls(highlighted), Calls({{2}, {0}, {-1}}));
        QCOMPARE(Calls(matchSelected), Calls({{1, false}, {3, true}}));
        QVERIFY(changed.isEmpty() && viewer->points().size() == 3);
        QVERIFY(viewer->highlightedMatchPoint() == -1 && !viewer->hasSelectedMatchPoints());
        viewer->enableMatchPoints(true);
        viewer->highlightMatchPoint(3);
        viewer->deleteSelectedMatchPoints();
        QCOMPARE(viewer->matchPoints(), (Pts{{0, 0}, {1, 1}, {2, 2}, {4, 4}}));
        QCOMPARE(viewer->highlightedMatchPoint(), -1);
        viewer->selectAllMatchPoints(true);
        viewer->setMatchPoints(Pts{{5, 5}, {6, 6}});
        QVERIFY(!viewer->hasSelectedMatchPoints());
        viewer->addMatchPoints(Pts{{8, 8}, {9, 9}});
        viewer->deleteMatchPoint(0);
        QCOMPARE(viewer->matchPoints().pointsNear(GPoint2D(8.2, 8.1), 0.5), std::vector<int>{1});
        const QPolygon line({QPoint(1, 1), QPoint(5, 5)});
        for (const int key : {1, 2, 3})
            QCOMPARE(viewer->addSlavePolyline(line), key);
        viewer->removeSlavePolyline(2);
        viewer->removeSlavePolyline(7);
        QCOMPARE(viewer->slavePolylines().size(), size_t(2));
        QCOMPARE(viewer->addSlavePolyline(line), 4);
        viewer->setRoiMode();
        QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(viewer->slavePolylines().empty());
        QCOMPARE(viewer->addSlavePolyline(line), 5);
        for (const auto& [zoom, point, match] :
             {std::tuple(0.1, 2, 0), {0.25, 2, 1}, {0.9, 4, 4}, {2., 5, 8}, {1e12, 5, 10}})
            QVERIFY(kvPointRadius(zoom) == point && kvMatchPointRadius(zoom) == match);
    }

    // The nearest point within 5 screen pixels (steps: nearer 0 than 1, 4 and 6 from 2).
    void moveHighlights()
    {
        auto viewer = viewerWith({{20, 20}, {23, 20}, {60, 40}}, 2.0, true);
        viewer->setMatchPoints(Pts{{21, 20}, {110, 50}});
        viewer->enableMatchPointEditing(true);
        viewer->enableMatchPoints(true);
        QWidget* vp = viewer->viewport();
        QSignalSpy spy(viewer.get(), &KVXImgViewer::pointHighlighted);
        for (const auto& [at, nr] :
             {std::pair(QPoint(42, 40), 0), {QPoint(124, 80), 2}, {QPoint(126, 80), -1}}) {
            hover(vp, at);
            QTRY_COMPARE(viewer->highlightedPoint(), nr);
            QCOMPARE(viewer->highlightedMatchPoint(), -1);
        }
        QCOMPARE(Calls(spy), Calls({{0}, {2}, {-1}}));
        viewer->enablePointEditing(false);
        hover(vp, QPoint(46, 40)); // on point 1, 4 screen pixels from match point 0
        QTRY_COMPARE(viewer->highlightedMatchPoint(), 0);
        QCOMPARE(spy.count(), 3);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(vp, &leave);
        QCOMPARE(viewer->highlightedMatchPoint(), -1);
    }

    void clicks_data()
    {
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("wasSelected"); // point 1, under the mouse; point 0 is selected
        QTest::addColumn<Calls>("emitted");
        const auto row = [](const char* name, bool shift, bool was, Calls c) {
            QTest::newRow(name) << shift << was << c;
        };
        row("click selects alone", false, false, {{0, false}, {1, true}});
        row("click on a selected one", false, true, {{0, false}, {1, true}});
        row("shift-click adds", true, false, {{1, true}});
        row("shift-click deselects it", true, true, {{1, false}});
    }

    // Elsewhere a click adds a point where it is; not with Shift, not twice for a double click.
    void clicks()
    {
        QFETCH(bool, shift);
        QFETCH(bool, wasSelected);
        QFETCH(Calls, emitted);
        auto viewer = viewerWith({{10, 10}, {40, 30}, {70, 50}}, 2.0, true);
        viewer->setMatchPoints(Pts{{100, 80}});
        viewer->selectMatchPoint(0, true);
        viewer->selectPoint(0, true, false);
        viewer->selectPoint(1, wasSelected, false);
        QWidget* vp = viewer->viewport();
        QSignalSpy added(viewer.get(), &KVXImgViewer::newPointSet);
        QSignalSpy selected(viewer.get(), &KVXImgViewer::pointSelectionChanged);
        const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
        hover(vp, QPoint(81, 61));
        QTRY_COMPARE(viewer->highlightedPoint(), 1);
        QTest::mouseClick(vp, Qt::LeftButton, mods, QPoint(81, 61));
        QCOMPARE(Calls(selected), emitted);
        QVERIFY(viewer->isPointSelected(0) == shift && !viewer->isPointSelected(2));
        QCOMPARE(viewer->isPointSelected(1), emitted.last().at(1).toBool());
        QCOMPARE(viewer->isMatchPointSelected(0), shift); // a plain click deselects them
        QCOMPARE(viewer->highlightedPoint(), -3);         // marked as just clicked
        hover(vp, QPoint(131, 43)); // a release acts on what the last move picked
        QTRY_COMPARE(viewer->highlightedPoint(), -1);
        QTest::mouseClick(vp, Qt::LeftButton, mods, QPoint(131, 43));
        QTest::mouseClick(vp, Qt::RightButton, {}, QPoint(150, 20));
        doubleClick(vp, QPoint(20, 150));
        QCOMPARE(added.first(), (shift ? QVariantList{10.0, 75.0} : QVariantList{65.5, 21.5}));
        QCOMPARE(added.count(), shift ? 1 : 2);
    }

    void drag_data()
    {
        QTest::addColumn<int>("end"); // 0 double click, 1 Escape, 2 cancelOperation()
        QTest::newRow("double click ends it") << 0;
        QTest::newRow("Escape puts the point back") << 1;
        QTest::newRow("cancelOperation() puts the point back") << 2;
    }

    // A double click on a point drags it: the pointer jumps onto it, each move is reported.
    void drag()
    {
        QFETCH(int, end);
        auto viewer = viewerWith({{5, 5}, {20.25, 30.5}}, 2.0, true);
        QWidget* vp = viewer->viewport();
        const QPoint onPoint = viewer->viewportPoint(20.25, 30.5);
        hover(vp, onPoint + QPoint(1, 0));
        QTRY_COMPARE(viewer->highlightedPoint(), 1);
        doubleClick(vp, onPoint + QPoint(1, 0));
        QVERIFY(viewer->mode() == KVImgViewer::PointDragMode && viewer->draggedPoint() == 1);
        QCOMPARE(vp->cursor().shape(), Qt::BlankCursor);
        QCOMPARE(vp->mapFromGlobal(QCursor::pos()), onPoint);
        QSignalSpy changed(viewer.get(), &KVXImgViewer::pointChanged);
        hover(vp, QPoint(101, 51));
        QTRY_COMPARE(Calls(changed), Calls({{1, 50.5, 25.5}}));
        end == 0   ? doubleClick(vp, QPoint(101, 51))
        : end == 1 ? QTest::keyClick(vp, Qt::Key_Escape)
                   : viewer->cancelOperation();
        const GPoint2D where = end == 0 ? GPoint2D(50.5, 25.5) : GPoint2D(20.25, 30.5);
        QCOMPARE(changed.last(), (QVariantList{1, where(0), where(1)}));
        QCOMPARE(vp->mapFromGlobal(QCursor::pos()), viewer->viewportPoint(where(0), where(1)));
        QVERIFY(viewer->mode() == KVImgViewer::PointMeasureMode && viewer->draggedPoint() == -1);
        QVERIFY(!viewer->isPointSelected(1));
        QCOMPARE(changed.count(), end == 0 ? 1 : 2);
        QCOMPARE(viewer->points()[1], where);
    }

    // At zoom 2 (radii 5 and 8); coordinates that are not a number or infinite break nothing.
    void drawing()
    {
        auto viewer = viewerWith({{15, 15}, {35, 15}, {55, 15}, {qQNaN(), 10}, {qInf(), -qInf()}},
                                 2.0);
        viewer->selectPoint(1, true);
        viewer->highlightPoint(2);
        viewer->setMatchPoints(Pts{{15, 40}, {35, 40}, {-qInf(), 1e300}});
        viewer->selectMatchPoint(1, true);
        viewer->setBoundaryLine(Pts{{5, 55}, {75, 55}, {75, 90}, {5, 90}});
        viewer->addSlavePolyline(QPolygon({QPoint(85, 10), QPoint(140, 10), QPoint(140, 60)}));
        QImage shown = grabViewport(viewer.get()); // no emphasis, match points or lines yet
        for (const QPoint& p : {QPoint(70, 30), QPoint(70, 80), QPoint(40, 110), QPoint(220, 20)})
            QCOMPARE(shown.pixel(p), kBackground);
        viewer->setSlavePolylineWidth(3);
        for (const auto enable :
             {&KVXImgViewer::enablePointEditing, &KVXImgViewer::enableMatchPoints,
              &KVXImgViewer::enableBoundaryLine, &KVXImgViewer::enableSlavePolylines})
            (viewer.get()->*enable)(true);
        shown = grabViewport(viewer.get());
        for (int dy = -9; dy <= 9; ++dy) {
            for (int dx = -9; dx <= 9; ++dx) {
                const int ring = std::max(std::abs(dx), std::abs(dy));
                const QRgb square = ring > 5 ? kBackground : ring == 5 ? kNor : qRgb(0, 255, 0);
                if ((dx == 0 || dy == 0) && (ring == 0 || ring >= 4)) // the rings' axes
                    QCOMPARE(shown.pixel(30 + dx, 30 + dy), ring == 0 ? kBackground : square);
                QCOMPARE(shown.pixel(70 + dx, 30 + dy), square);
                QCOMPARE(shown.pixel(110 + dx, 30 + dy), square);
                const bool plus = ring <= 8 && (dx == 0 || dy == 0);
                QCOMPARE(shown.pixel(30 + dx, 80 + dy), plus ? qRgb(255, 0, 0) : kBackground);
                QCOMPARE(shown.pixel(70 + dx, 80 + dy), ring <= 8 ? qRgb(255, 0, 0) : kBackground);
            }
        }
        for (QPoint p : {QPoint(80, 110), QPoint(150, 140), QPoint(80, 180), QPoint(10, 140)})
            QCOMPARE(shown.pixel(p), qRgb(100, 255, 60));
        QCOMPARE(shown.pixel(80, 111), kBackground);
        QCOMPARE(shown.pixel(280, 80), kNor);
        QCOMPARE(shown.pixel(220, 80), kBackground); // no closing edge
        int rows = 0;
        for (int y = 0; y < 60; ++y)
            rows += shown.pixel(220, y) == kNor;
        QCOMPARE(rows, 6);
        viewer->enablePointEditing(false); // selection and highlight are not shown then
        QCOMPARE(grabViewport(viewer.get()).pixel(70, 30), kBackground);
        QVERIFY(qIsNaN(viewer->points()[3](0)) && viewer->points()[4](0) == qInf());
    }
};

QTEST_MAIN(TestKVXImgViewerPoints)
#include "tst_kvximgviewerpoints.moc"
