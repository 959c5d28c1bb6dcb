#include "kvximgviewer.h"
#include "viewertesthelpers.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace ViewerTest;

namespace {

// Opens the protected state of the point tools to the tests.
class TestViewer : public KVXImgViewer
{
public:
    using KVXImgViewer::draggedPoint;
    using KVXImgViewer::highlightedMatchPoint;
    using KVXImgViewer::highlightedPoint;
    using KVXImgViewer::imagePoint;
    using KVXImgViewer::isMatchPointSelected;
    using KVXImgViewer::isPointSelected;
    using KVXImgViewer::m_dragState;
    using KVXImgViewer::selectedMatchPointCount;
    using KVXImgViewer::selectedPointCount;
    using KVXImgViewer::slavePolylines;
    using KVXImgViewer::viewportPoint;
};

const QRgb kBackground = qRgb(100, 150, 60);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kRed = qRgb(255, 0, 0);

// The raster operations of the overlays, written out per channel.
QRgb norMagenta(QRgb below)
{
    return qRgb(~(255 | qRed(below)) & 0xff, ~(0 | qGreen(below)) & 0xff,
                ~(255 | qBlue(below)) & 0xff);
}

QRgb orGreen(QRgb below)
{
    return qRgb(qRed(below), 255, qBlue(below));
}

GPoint2DVector pointList(const QList<QPointF>& points)
{
    GPoint2DVector list;
    for (const QPointF& p : points)
        list.push_back(GPoint2D(p.x(), p.y()));
    return list;
}

QList<int> keysOf(const std::map<int, QPolygon>& map)
{
    QList<int> keys;
    for (const auto& entry : map)
        keys << entry.first;
    return keys;
}

QString describe(const QSignalSpy& spy)
{
    QStringList calls;
    for (const QList<QVariant>& args : spy) {
        QStringList values;
        for (const QVariant& v : args)
            values << v.toString();
        calls << "(" + values.join(", ") + ")";
    }
    return calls.join(" ");
}

// A mouse move without a button goes through the pointer, which does not move (and sends
// nothing) when it is already there.
void hover(QWidget* w, const QPoint& pos)
{
    if (w->mapToGlobal(pos) == QCursor::pos())
        QTest::mouseMove(w, pos + QPoint(0, 1));
    QTest::mouseMove(w, pos);
}

// A press and release, then the double click and its release, as a real mouse delivers them.
void doubleClick(QWidget* w, const QPoint& pos, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(w, Qt::LeftButton, modifiers, pos);
    QTest::mouseDClick(w, Qt::LeftButton, modifiers, pos);
    QTest::mouseRelease(w, Qt::LeftButton, modifiers, pos);
}

} // namespace

Q_DECLARE_METATYPE(KVImgViewer::Mode)

class TestKVXImgViewerPoints : public QObject
{
    Q_OBJECT

private slots:
    // Slots and their signals.
    void deletePoint_data();
    void deletePoint();
    void replacePoint_data();
    void replacePoint();
    void selectPointExclusive();
    void selectPointRules_data();
    void selectPointRules();
    void selectAllPoints();
    void highlightPoint_data();
    void highlightPoint();
    void outOfRangeIndicesAreIgnored();
    void matchPointLists();
    void deleteMatchPoints();
    void selectAndHighlightMatchPoints();
    void boundaryQueries();
    void slavePolylineKeys();
    void toolsRemoveSlavePolylines_data();
    void toolsRemoveSlavePolylines();
    void radii_data();
    void radii();

    // The mouse in PointMeasureMode and PointDragMode.
    void moveHighlightsNearestPoint_data();
    void moveHighlightsNearestPoint();
    void pointWinsOverMatchPoint();
    void clickAddsPoint();
    void clickSelects_data();
    void clickSelects();
    void clickSelectsMatchPoint();
    void doubleClickOnEmptySpaceAddsOnePoint();
    void dragMovesPoint();
    void escapeOrCancelPutsPointBack_data();
    void escapeOrCancelPutsPointBack();
    void leavingClearsHighlights();

    // Drawing.
    void pointMarkersOnScreen_data();
    void pointMarkersOnScreen();
    void matchPointMarkers();
    void boundaryAndSlaveLines();
    void slavePolylineWidth_data();
    void slavePolylineWidth();

    // Bad coordinates.
    void strangeCoordinates_data();
    void strangeCoordinates();

private:
    std::unique_ptr<TestViewer> shownViewer(const QImage& image, const QSize& size = {300, 200});
};

std::unique_ptr<TestViewer> TestKVXImgViewerPoints::shownViewer(const QImage& image,
                                                                const QSize& size)
{
    auto viewer = std::make_unique<TestViewer>();
    viewer->resize(size);
    viewer->setImage(image, true);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        return nullptr;
    viewer->setContentsPos(0, 0);
    return viewer;
}

// ---- slots and signals ----------------------------------------------------------------------

void TestKVXImgViewerPoints::deletePoint_data()
{
    QTest::addColumn<int>("highlight");
    QTest::addColumn<int>("highlightAfter");
    QTest::addColumn<bool>("selected"); // point 2 selected before
    QTest::newRow("highlighted point 2 is deleted") << 2 << -1 << false;
    QTest::newRow("highlight on point 3 keeps its number") << 3 << 3 << false;
    QTest::newRow("selected point 2") << -1 << -1 << true;
}

void TestKVXImgViewerPoints::deletePoint()
{
    QFETCH(int, highlight);
    QFETCH(int, highlightAfter);
    QFETCH(bool, selected);
    TestViewer viewer;
    viewer.setImage(filledImage(100, 100, kBackground), true);
    for (int i = 0; i < 5; ++i)
        viewer.addPoint(GPoint2D(10.0 * i, 5.0 * i));
    viewer.highlightPoint(highlight);
    viewer.selectPoint(4, true);
    if (selected)
        viewer.selectPoint(2, true, false);
    QSignalSpy deleted(&viewer, &KVXImgViewer::pointDeleted);

    viewer.deletePoint(2);
    QCOMPARE(deleted.count(), 1);
    QCOMPARE(deleted.first().first().toInt(), 2);
    QCOMPARE(int(viewer.points().size()), 4);
    QCOMPARE(viewer.points()[2], GPoint2D(30.0, 15.0));
    QCOMPARE(viewer.highlightedPoint(), highlightAfter);
    // The flags move with their points.
    QCOMPARE(viewer.selectedPointCount(), 1);
    QVERIFY(viewer.isPointSelected(3));
    QVERIFY(!viewer.isPointSelected(2));
}

void TestKVXImgViewerPoints::replacePoint_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<bool>("changes");
    QTest::newRow("same coordinates") << 1000.5 << 2.25 << false;
    QTest::newRow("within the relative tolerance") << 1000.5 * (1 + 1e-16) << 2.25 << false;
    QTest::newRow("y moved by 1e-9") << 1000.5 << 2.25 + 1e-9 << true;
    QTest::newRow("x moved") << 12.0 << 2.25 << true;
    QTest::newRow("not a number is stored") << std::nan("") << 2.25 << true;
}

void TestKVXImgViewerPoints::replacePoint()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(bool, changes);
    TestViewer viewer;
    viewer.setImage(filledImage(100, 100, kBackground), true);
    viewer.addPoint(GPoint2D(0, 0));
    viewer.addPoint(GPoint2D(1000.5, 2.25));
    QSignalSpy changed(&viewer, &KVXImgViewer::pointChanged);

    viewer.replacePoint(1, x, y);
    QCOMPARE(changed.count(), changes ? 1 : 0);
    if (!changes)
        return;
    QCOMPARE(changed.first().at(0).toInt(), 1);
    const double storedX = viewer.points()[1](0);
    QVERIFY(storedX == x || (std::isnan(x) && std::isnan(storedX)));
    QCOMPARE(viewer.points()[1](1), y);
}

void TestKVXImgViewerPoints::selectPointExclusive()
{
    TestViewer viewer;
    viewer.setImage(filledImage(100, 100, kBackground), true);
    for (int i = 0; i < 4; ++i)
        viewer.addPoint(GPoint2D(i, i));
    viewer.selectPoint(0, true, false);
    viewer.selectPoint(2, true, false);
    QSignalSpy spy(&viewer, &KVXImgViewer::pointSelectionChanged);

    viewer.selectPoint(1, true);
    // One signal for each flag it sets, point 1's last.
    QCOMPARE(describe(spy), QString("(0, false) (2, false) (1, true)"));
    QCOMPARE(viewer.selectedPointCount(), 1);
    QVERIFY(viewer.isPointSelected(1));
}

void TestKVXImgViewerPoints::selectPointRules_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("exclusive");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<int>("count");
    QTest::newRow("select an unselected point") << false << true << false << 1 << 2;
    QTest::newRow("select a selected point, not exclusive") << true << true << false << 0 << 2;
    QTest::newRow("deselect a selected point") << true << false << false << 1 << 1;
    QTest::newRow("deselect an unselected point") << false << false << false << 0 << 1;
    // Exclusive always reports the point itself, and deselects point 0.
    QTest::newRow("select a selected point, exclusive") << true << true << true << 2 << 1;
}

void TestKVXImgViewerPoints::selectPointRules()
{
    QFETCH(bool, before);
    QFETCH(bool, select);
    QFETCH(bool, exclusive);
    QFETCH(int, emitted);
    QFETCH(int, count);
    TestViewer viewer;
    for (int i = 0; i < 3; ++i)
        viewer.addPoint(GPoint2D(i, i));
    viewer.selectPoint(0, true, false);
    viewer.selectPoint(1, before, false);
    QSignalSpy spy(&viewer, &KVXImgViewer::pointSelectionChanged);

    viewer.selectPoint(1, select, exclusive);
    QCOMPARE(spy.count(), emitted);
    QCOMPARE(viewer.selectedPointCount(), count);
    QCOMPARE(viewer.isPointSelected(1), select);
}

void TestKVXImgViewerPoints::selectAllPoints()
{
    TestViewer viewer;
    for (int i = 0; i < 3; ++i)
        viewer.addPoint(GPoint2D(i, i));
    viewer.selectPoint(1, true);
    QSignalSpy spy(&viewer, &KVXImgViewer::pointSelectionChanged);

    viewer.selectAllPoints(true);
    QCOMPARE(describe(spy), QString("(-1, true)"));
    QCOMPARE(viewer.selectedPointCount(), 3);
    QVERIFY(viewer.isPointSelected(0) && viewer.isPointSelected(2));
    viewer.selectAllPoints(true);
    QCOMPARE(spy.count(), 1);
    viewer.selectAllPoints(false);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(viewer.selectedPointCount(), 0);
    QVERIFY(!viewer.isPointSelected(1));
}

void TestKVXImgViewerPoints::highlightPoint_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("nr");
    QTest::addColumn<int>("after");
    QTest::newRow("highlight") << -1 << 2 << 2;
    QTest::newRow("move the highlight") << 0 << 2 << 2;
    QTest::newRow("clear") << 1 << -1 << -1;
    QTest::newRow("the same again") << 1 << 1 << 1;
    QTest::newRow("past the end") << 1 << 3 << 1;
    QTest::newRow("below -1") << 1 << -2 << 1;
}

void TestKVXImgViewerPoints::highlightPoint()
{
    QFETCH(int, before);
    QFETCH(int, nr);
    QFETCH(int, after);
    TestViewer viewer;
    for (int i = 0; i < 3; ++i)
        viewer.addPoint(GPoint2D(i, i));
    viewer.highlightPoint(before);
    QSignalSpy spy(&viewer, &KVXImgViewer::pointHighlighted);

    viewer.highlightPoint(nr);
    QCOMPARE(viewer.highlightedPoint(), after);
    QCOMPARE(spy.count(), after == before ? 0 : 1);
    if (!spy.isEmpty())
        QCOMPARE(spy.first().first().toInt(), nr);
}

void TestKVXImgViewerPoints::outOfRangeIndicesAreIgnored()
{
    TestViewer viewer;
    viewer.addPoint(GPoint2D(1, 1));
    viewer.setMatchPoints(pointList({{2, 2}}));
    QSignalSpy deleted(&viewer, &KVXImgViewer::pointDeleted);
    QSignalSpy changed(&viewer, &KVXImgViewer::pointChanged);
    QSignalSpy selected(&viewer, &KVXImgViewer::pointSelectionChanged);
    QSignalSpy matchSelected(&viewer, &KVXImgViewer::matchPointSelectionChanged);
    QSignalSpy matchHighlighted(&viewer, &KVXImgViewer::matchPointHighlighted);

    for (int nr : {-1, 1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        viewer.deletePoint(nr);
        viewer.replacePoint(nr, 5, 5);
        viewer.selectPoint(nr, true);
        viewer.selectPoint(nr, true, false);
        viewer.deleteMatchPoint(nr);
        viewer.selectMatchPoint(nr, true);
        viewer.highlightMatchPoint(nr == -1 ? 1 : nr);
    }
    QCOMPARE(deleted.count() + changed.count() + selected.count(), 0);
    QCOMPARE(matchSelected.count() + matchHighlighted.count(), 0);
    QCOMPARE(int(viewer.points().size()), 1);
    QCOMPARE(int(viewer.matchPoints().size()), 1);
}

void TestKVXImgViewerPoints::matchPointLists()
{
    TestViewer viewer;
    viewer.setImage(filledImage(100, 100, kBackground), true);
    QVERIFY(!viewer.hasMatchPoints());
    viewer.setMatchPoints(pointList({{1, 1}, {2, 2}, {3, 3}}));
    viewer.selectMatchPoint(0, true, false);
    viewer.selectMatchPoint(2, true, false);
    QCOMPARE(viewer.selectedMatchPointCount(), 2);
    QVERIFY(viewer.hasMatchPoints());
    QVERIFY(!viewer.hasShownMatchPoints());
    QVERIFY(!viewer.hasSelectedMatchPoints());
    viewer.enableMatchPoints(true);
    QVERIFY(viewer.hasShownMatchPoints());
    QVERIFY(viewer.hasSelectedMatchPoints());

    // A new list starts without a selection.
    viewer.setMatchPoints(pointList({{5, 5}, {6, 6}}));
    QCOMPARE(viewer.selectedMatchPointCount(), 0);
    QVERIFY(!viewer.isMatchPointSelected(0));
    QVERIFY(!viewer.hasSelectedMatchPoints());
    // Setting the viewer's own list keeps it.
    viewer.setMatchPoints(viewer.matchPoints());
    QCOMPARE(int(viewer.matchPoints().size()), 2);

    viewer.addMatchPoint(GPoint2D(7, 7));
    viewer.addMatchPoints(pointList({{8, 8}, {9, 9}}));
    viewer.addMatchPoints(GPoint2DVector());
    QCOMPARE(int(viewer.matchPoints().size()), 5);
    QCOMPARE(viewer.matchPoints()[4], GPoint2D(9, 9));
    QVERIFY(!viewer.isMatchPointSelected(4));
    // The grid follows every change: 20 x 20 cells over the image.
    QCOMPARE(viewer.matchPoints().gridCols, 20);
    QCOMPARE(viewer.matchPoints().pointsNear(GPoint2D(8.2, 8.1), 0.5), std::vector<int>{3});

    viewer.setMatchPoints2(pointList({{4, 4}}));
    viewer.deleteAllMatchPoints();
    QVERIFY(!viewer.hasMatchPoints());
    QCOMPARE(viewer.selectedMatchPointCount(), 0);
}

void TestKVXImgViewerPoints::deleteMatchPoints()
{
    TestViewer viewer;
    viewer.setImage(filledImage(100, 100, kBackground), true);
    viewer.setMatchPoints(pointList({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}));
    viewer.selectMatchPoint(1, true, false);
    viewer.selectMatchPoint(3, true, false);
    viewer.highlightMatchPoint(3);

    viewer.deleteSelectedMatchPoints();
    QCOMPARE(viewer.matchPoints(), pointList({{0, 0}, {2, 2}, {4, 4}}));
    QCOMPARE(viewer.selectedMatchPointCount(), 0);
    QCOMPARE(viewer.highlightedMatchPoint(), -1);
    QVERIFY(!viewer.isMatchPointSelected(1));

    viewer.selectMatchPoint(2, true);
    viewer.deleteMatchPoint(2);
    QCOMPARE(viewer.matchPoints(), pointList({{0, 0}, {2, 2}}));
    QCOMPARE(viewer.selectedMatchPointCount(), 0);
    // Nothing selected: nothing to delete.
    viewer.deleteSelectedMatchPoints();
    QCOMPARE(int(viewer.matchPoints().size()), 2);
}

void TestKVXImgViewerPoints::selectAndHighlightMatchPoints()
{
    TestViewer viewer;
    viewer.setMatchPoints(pointList({{0, 0}, {1, 1}, {2, 2}}));
    viewer.selectMatchPoint(0, true, false);
    QSignalSpy selected(&viewer, &KVXImgViewer::matchPointSelectionChanged);
    QSignalSpy highlighted(&viewer, &KVXImgViewer::matchPointHighlighted);

    viewer.selectMatchPoint(2, true);
    QCOMPARE(describe(selected), QString("(0, false) (2, true)"));
    viewer.selectAllMatchPoints(true);
    QCOMPARE(viewer.selectedMatchPointCount(), 3);
    QCOMPARE(selected.last().at(0).toInt(), -1);

    viewer.highlightMatchPoint(1);
    viewer.highlightMatchPoint(1);
    viewer.highlightMatchPoint(3);
    viewer.highlightMatchPoint(-1);
    QCOMPARE(describe(highlighted), QString("(1) (-1)"));
}

void TestKVXImgViewerPoints::boundaryQueries()
{
    TestViewer viewer;
    QVERIFY(!viewer.hasShownBoundary());
    const GPoint2DVector line = pointList({{1, 2}, {30, 2}, {30, 40}});
    viewer.setBoundaryLine(line);
    QCOMPARE(viewer.boundaryPoints(), line);
    QVERIFY(!viewer.hasShownBoundary());
    viewer.enableBoundaryLine(true);
    QVERIFY(viewer.hasShownBoundary());
    viewer.setBoundaryLine(GPoint2DVector());
    QVERIFY(!viewer.hasShownBoundary());
}

void TestKVXImgViewerPoints::slavePolylineKeys()
{
    TestViewer viewer;
    const QPolygon line({QPoint(1, 1), QPoint(5, 5)});
    QCOMPARE(viewer.addSlavePolyline(line), 1);
    QCOMPARE(viewer.addSlavePolyline(line), 2);
    QCOMPARE(viewer.addSlavePolyline(QPolygon({QPoint(3, 3)})), 3);
    viewer.removeSlavePolyline(2);
    viewer.removeSlavePolyline(7);
    QCOMPARE(keysOf(viewer.slavePolylines()), QList<int>({1, 3}));
    QCOMPARE(viewer.slavePolylines().at(3), QPolygon({QPoint(3, 3)}));
    // Keys are never handed out twice.
    QCOMPARE(viewer.addSlavePolyline(line), 4);
    viewer.removeAllSlavePolylines();
    QVERIFY(viewer.slavePolylines().empty());
    QCOMPARE(viewer.addSlavePolyline(line), 5);
}

void TestKVXImgViewerPoints::toolsRemoveSlavePolylines_data()
{
    QTest::addColumn<KVImgViewer::Mode>("mode");
    QTest::addColumn<bool>("removed");
    QTest::newRow("a new region") << KVImgViewer::RoiMode << true;
    QTest::newRow("a new polyline") << KVImgViewer::PolylineMode << true;
    QTest::newRow("a measuring line") << KVImgViewer::LineMeasureMode << false;
}

void TestKVXImgViewerPoints::toolsRemoveSlavePolylines()
{
    QFETCH(KVImgViewer::Mode, mode);
    QFETCH(bool, removed);
    auto viewer = shownViewer(filledImage(100, 80, kBackground));
    QVERIFY(viewer);
    viewer->addSlavePolyline(QPolygon({QPoint(1, 1), QPoint(5, 5)}));
    viewer->setMode(mode);
    QTest::mousePress(viewer->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(viewer->slavePolylines().empty(), removed);
    QTest::mouseRelease(viewer->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
}

void TestKVXImgViewerPoints::radii_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("point");
    QTest::addColumn<int>("matchPoint");
    QTest::newRow("zoom 0.1") << 0.1 << 2 << 0;
    QTest::newRow("zoom 0.25") << 0.25 << 2 << 1;
    QTest::newRow("zoom 0.5") << 0.5 << 2 << 2;
    QTest::newRow("zoom 0.9") << 0.9 << 4 << 4;
    QTest::newRow("zoom 1") << 1.0 << 4 << 4;
    QTest::newRow("zoom 2") << 2.0 << 5 << 8;
    QTest::newRow("zoom 4") << 4.0 << 5 << 10;
    QTest::newRow("zoom 1e12") << 1e12 << 5 << 10;
}

void TestKVXImgViewerPoints::radii()
{
    QFETCH(double, zoom);
    QFETCH(int, point);
    QFETCH(int, matchPoint);
    QCOMPARE(kvPointRadius(zoom), point);
    QCOMPARE(kvMatchPointRadius(zoom), matchPoint);
}

// ---- mouse ----------------------------------------------------------------------------------

void TestKVXImgViewerPoints::moveHighlightsNearestPoint_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QPoint>("at"); // viewport position
    QTest::addColumn<int>("highlighted");
    // Points at image (20, 20), (23, 20) and (60, 40).
    QTest::newRow("on the second point") << 1.0 << true << QPoint(23, 21) << 1;
    QTest::newRow("between, nearer the first") << 1.0 << true << QPoint(21, 20) << 0;
    QTest::newRow("4 pixels away") << 1.0 << true << QPoint(64, 36) << 2;
    QTest::newRow("5 pixels away is too far") << 1.0 << true << QPoint(65, 40) << -1;
    QTest::newRow("zoom 2: 4 screen pixels") << 2.0 << true << QPoint(124, 80) << 2;
    QTest::newRow("zoom 2: 6 screen pixels") << 2.0 << true << QPoint(126, 80) << -1;
    QTest::newRow("editing off") << 1.0 << false << QPoint(23, 20) << -1;
}

void TestKVXImgViewerPoints::moveHighlightsNearestPoint()
{
    QFETCH(double, zoom);
    QFETCH(bool, editing);
    QFETCH(QPoint, at);
    QFETCH(int, highlighted);
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->setZoomFactor(zoom);
    viewer->setContentsPos(0, 0);
    viewer->addPoint(GPoint2D(20, 20));
    viewer->addPoint(GPoint2D(23, 20));
    viewer->addPoint(GPoint2D(60, 40));
    viewer->enablePointEditing(editing);
    viewer->setPointMeasureMode();
    QSignalSpy spy(viewer.get(), &KVXImgViewer::pointHighlighted);

    hover(viewer->viewport(), at);
    QTRY_COMPARE(viewer->highlightedPoint(), highlighted);
    QCOMPARE(spy.count(), highlighted == -1 ? 0 : 1);
    if (highlighted == -1)
        return;
    hover(viewer->viewport(), QPoint(140, 5));
    QTRY_COMPARE(viewer->highlightedPoint(), -1);
    QCOMPARE(spy.last().first().toInt(), -1);
}

void TestKVXImgViewerPoints::pointWinsOverMatchPoint()
{
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->addPoint(GPoint2D(20, 20));
    viewer->setMatchPoints(pointList({{21, 20}, {50, 50}}));
    viewer->enableMatchPoints(true);
    viewer->enablePointEditing(true);
    viewer->enableMatchPointEditing(true);
    viewer->setPointMeasureMode();

    hover(viewer->viewport(), QPoint(50, 51));
    QTRY_COMPARE(viewer->highlightedMatchPoint(), 1);
    hover(viewer->viewport(), QPoint(21, 20));
    QTRY_COMPARE(viewer->highlightedPoint(), 0);
    QCOMPARE(viewer->highlightedMatchPoint(), -1);
    // Without shown match points nothing is picked among them.
    viewer->enableMatchPoints(false);
    hover(viewer->viewport(), QPoint(50, 50));
    QTRY_COMPARE(viewer->highlightedPoint(), -1);
    QCOMPARE(viewer->highlightedMatchPoint(), -1);
}

void TestKVXImgViewerPoints::clickAddsPoint()
{
    auto viewer = shownViewer(filledImage(400, 300, kBackground));
    QVERIFY(viewer);
    viewer->setZoomFactor(4);
    viewer->setContentsPos(100, 60);
    viewer->setPointMeasureMode();
    QSignalSpy added(viewer.get(), &KVXImgViewer::newPointSet);

    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, QPoint(31, 42));
    QCOMPARE(added.count(), 1);
    // The unrounded image position.
    QCOMPARE(added.first().at(0).toDouble(), (100 + 31) / 4.0);
    QCOMPARE(added.first().at(1).toDouble(), (60 + 42) / 4.0);
    QCOMPARE(viewer->points()[0], GPoint2D(32.75, 25.5));
    QVERIFY(!viewer->isPointSelected(0));
    // Shift adds nothing, and so do the other buttons.
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(80, 80));
    QTest::mouseClick(viewer->viewport(), Qt::RightButton, {}, QPoint(80, 80));
    QCOMPARE(added.count(), 1);
}

void TestKVXImgViewerPoints::clickSelects_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("wasSelected");
    QTest::addColumn<QList<bool>>("selection"); // of points 0..2 afterwards
    QTest::addColumn<bool>("matchPointStaysSelected");
    QTest::newRow("click selects alone")
            << Qt::KeyboardModifiers() << false << QList<bool>({false, true, false}) << false;
    QTest::newRow("click on a selected point")
            << Qt::KeyboardModifiers() << true << QList<bool>({false, true, false}) << false;
    QTest::newRow("shift-click adds") << Qt::KeyboardModifiers(Qt::ShiftModifier) << false
                                      << QList<bool>({true, true, false}) << true;
    QTest::newRow("shift-click deselects only that point")
            << Qt::KeyboardModifiers(Qt::ShiftModifier) << true
            << QList<bool>({true, false, false}) << true;
}

void TestKVXImgViewerPoints::clickSelects()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, wasSelected);
    QFETCH(QList<bool>, selection);
    QFETCH(bool, matchPointStaysSelected);
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->addPoint(GPoint2D(10, 10));
    viewer->addPoint(GPoint2D(40, 30));
    viewer->addPoint(GPoint2D(70, 50));
    viewer->setMatchPoints(pointList({{100, 80}}));
    viewer->selectMatchPoint(0, true);
    viewer->selectPoint(0, true, false);
    viewer->selectPoint(1, wasSelected, false);
    viewer->enablePointEditing(true);
    viewer->setPointMeasureMode();
    QSignalSpy added(viewer.get(), &KVXImgViewer::newPointSet);

    hover(viewer->viewport(), QPoint(41, 31));
    QTRY_COMPARE(viewer->highlightedPoint(), 1);
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, modifiers, QPoint(41, 31));
    QCOMPARE(added.count(), 0);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(viewer->isPointSelected(i), selection.at(i));
    QCOMPARE(viewer->isMatchPointSelected(0), matchPointStaysSelected);
    // Marked as just clicked.
    QCOMPARE(viewer->highlightedPoint(), -3);
}

void TestKVXImgViewerPoints::clickSelectsMatchPoint()
{
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->addPoint(GPoint2D(10, 10));
    viewer->selectPoint(0, true);
    viewer->setMatchPoints(pointList({{40, 30}, {70, 50}}));
    viewer->enableMatchPoints(true);
    viewer->enableMatchPointEditing(true);
    viewer->setPointMeasureMode();
    QSignalSpy added(viewer.get(), &KVXImgViewer::newPointSet);
    QSignalSpy selected(viewer.get(), &KVXImgViewer::matchPointSelectionChanged);

    hover(viewer->viewport(), QPoint(70, 52));
    QTRY_COMPARE(viewer->highlightedMatchPoint(), 1);
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, QPoint(70, 52));
    QCOMPARE(added.count(), 0);
    QCOMPARE(describe(selected), QString("(1, true)"));
    QVERIFY(!viewer->isPointSelected(0));
    QCOMPARE(viewer->highlightedMatchPoint(), -3);
}

void TestKVXImgViewerPoints::doubleClickOnEmptySpaceAddsOnePoint()
{
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->enablePointEditing(true);
    viewer->setPointMeasureMode();
    QSignalSpy added(viewer.get(), &KVXImgViewer::newPointSet);
    doubleClick(viewer->viewport(), QPoint(30, 30));
    QCOMPARE(added.count(), 1);
    QCOMPARE(viewer->mode(), KVImgViewer::PointMeasureMode);
    // The next click is a click again.
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, QPoint(90, 60));
    QCOMPARE(added.count(), 2);
}

void TestKVXImgViewerPoints::dragMovesPoint()
{
    auto viewer = shownViewer(filledImage(300, 200, kBackground));
    QVERIFY(viewer);
    viewer->setZoomFactor(2);
    viewer->setContentsPos(0, 0);
    viewer->addPoint(GPoint2D(5, 5));
    viewer->addPoint(GPoint2D(20.25, 30.5));
    viewer->enablePointEditing(true);
    viewer->setPointMeasureMode();
    QWidget* vp = viewer->viewport();
    const QPoint onPoint = viewer->viewportPoint(20.25, 30.5);
    hover(vp, onPoint + QPoint(1, 0));
    QTRY_COMPARE(viewer->highlightedPoint(), 1);
    QSignalSpy modes(viewer.get(), &KVXImgViewer::modeChanged);

    doubleClick(vp, onPoint + QPoint(1, 0));
    QCOMPARE(viewer->mode(), KVImgViewer::PointDragMode);
    QCOMPARE(viewer->draggedPoint(), 1);
    QCOMPARE(viewer->m_dragState, 1);
    QCOMPARE(vp->cursor().shape(), Qt::BlankCursor);
    // The pointer jumps onto the point.
    QCOMPARE(vp->mapFromGlobal(QCursor::pos()), onPoint);

    QSignalSpy changed(viewer.get(), &KVXImgViewer::pointChanged);
    hover(vp, QPoint(101, 51));
    QTRY_VERIFY(!changed.isEmpty());
    QCOMPARE(changed.last().at(0).toInt(), 1);
    QCOMPARE(changed.last().at(1).toDouble(), 50.5);
    QCOMPARE(changed.last().at(2).toDouble(), 25.5);
    QCOMPARE(viewer->points()[1], GPoint2D(50.5, 25.5));

    doubleClick(vp, QPoint(101, 51));
    QCOMPARE(viewer->mode(), KVImgViewer::PointMeasureMode);
    QCOMPARE(modes.count(), 2);
    QCOMPARE(viewer->draggedPoint(), -1);
    QCOMPARE(viewer->m_dragState, 0);
    QCOMPARE(viewer->points()[1], GPoint2D(50.5, 25.5));
    QVERIFY(!viewer->isPointSelected(1));
    QCOMPARE(int(viewer->points().size()), 2);
    QCOMPARE(vp->cursor().shape(), Qt::BitmapCursor);
}

void TestKVXImgViewerPoints::escapeOrCancelPutsPointBack_data()
{
    QTest::addColumn<bool>("cancelSlot");
    QTest::newRow("Escape") << false;
    QTest::newRow("cancelOperation") << true;
}

void TestKVXImgViewerPoints::escapeOrCancelPutsPointBack()
{
    QFETCH(bool, cancelSlot);
    auto viewer = shownViewer(filledImage(300, 200, kBackground));
    QVERIFY(viewer);
    viewer->addPoint(GPoint2D(40.3, 30.6));
    viewer->enablePointEditing(true);
    viewer->setPointMeasureMode();
    QWidget* vp = viewer->viewport();
    hover(vp, QPoint(40, 31));
    QTRY_COMPARE(viewer->highlightedPoint(), 0);
    doubleClick(vp, QPoint(40, 31));
    QCOMPARE(viewer->mode(), KVImgViewer::PointDragMode);
    hover(vp, QPoint(120, 90));
    QTRY_COMPARE(viewer->points()[0], GPoint2D(120, 90));
    QSignalSpy changed(viewer.get(), &KVXImgViewer::pointChanged);

    if (cancelSlot)
        viewer->cancelOperation();
    else
        QTest::keyClick(vp, Qt::Key_Escape);
    QCOMPARE(viewer->mode(), KVImgViewer::PointMeasureMode);
    QCOMPARE(viewer->points()[0], GPoint2D(40.3, 30.6));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(1).toDouble(), 40.3);
    QCOMPARE(changed.first().at(2).toDouble(), 30.6);
    QCOMPARE(viewer->m_dragState, 0);
    QCOMPARE(viewer->draggedPoint(), -1);
    // The pointer is put on the point again.
    QCOMPARE(vp->mapFromGlobal(QCursor::pos()), QPoint(40, 31));

    // Outside a drag, neither does anything.
    viewer->cancelOperation();
    QTest::keyClick(vp, Qt::Key_Escape);
    QCOMPARE(viewer->mode(), KVImgViewer::PointMeasureMode);
    QCOMPARE(changed.count(), 1);
}

void TestKVXImgViewerPoints::leavingClearsHighlights()
{
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->addPoint(GPoint2D(20, 20));
    viewer->enablePointEditing(true);
    viewer->highlightPoint(0);
    viewer->setMatchPoints(pointList({{40, 40}}));
    viewer->highlightMatchPoint(0);
    QEvent leave(QEvent::Leave);

    viewer->setViewMode();
    QApplication::sendEvent(viewer->viewport(), &leave);
    QCOMPARE(viewer->highlightedPoint(), 0);
    viewer->setPointMeasureMode();
    QSignalSpy spy(viewer.get(), &KVXImgViewer::pointHighlighted);
    QApplication::sendEvent(viewer->viewport(), &leave);
    QCOMPARE(viewer->highlightedPoint(), -1);
    QCOMPARE(viewer->highlightedMatchPoint(), -1);
    QCOMPARE(describe(spy), QString("(-1)"));
}

// ---- drawing --------------------------------------------------------------------------------

void TestKVXImgViewerPoints::pointMarkersOnScreen_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("radius");
    QTest::newRow("zoom 0.25") << 0.25 << 2;
    QTest::newRow("zoom 1") << 1.0 << 4;
    QTest::newRow("zoom 4") << 4.0 << 5;
}

void TestKVXImgViewerPoints::pointMarkersOnScreen()
{
    QFETCH(double, zoom);
    QFETCH(int, radius);
    auto viewer = shownViewer(filledImage(800, 600, kBackground));
    QVERIFY(viewer);
    viewer->setZoomFactor(zoom);
    viewer->setContentsPos(0, 0);
    // A plain, a selected and a highlighted point.
    const double step = 30 / zoom;
    for (int i = 1; i <= 3; ++i)
        viewer->addPoint(GPoint2D(i * step, step));
    viewer->selectPoint(1, true);
    viewer->highlightPoint(2);
    viewer->enablePointEditing(true);
    const QImage shown = grabViewport(viewer.get());
    const QRgb nor = norMagenta(kBackground);
    const int r = radius;

    // The plain point: a ring of diameter 2r + 1 inverted, a green ring inside it, the centre
    // untouched.
    const QPoint c = viewer->viewportPoint(step, step);
    QCOMPARE(shown.pixel(c), kBackground);
    for (const QPoint& d : {QPoint(r, 0), QPoint(-r, 0), QPoint(0, r), QPoint(0, -r)}) {
        QCOMPARE(shown.pixel(c + d), nor);
        QCOMPARE(shown.pixel(c + d * (r - 1) / r), kGreen);
        QCOMPARE(shown.pixel(c + d * (r + 1) / r), kBackground);
    }

    // The selected and the highlighted one: squares of side 2r + 1, the outer ring inverted,
    // the inside green.
    for (int i = 2; i <= 3; ++i) {
        const QPoint s = viewer->viewportPoint(i * step, step);
        for (int dy = -r - 1; dy <= r + 1; ++dy) {
            for (int dx = -r - 1; dx <= r + 1; ++dx) {
                const int ring = std::max(std::abs(dx), std::abs(dy));
                const QRgb want = ring > r ? kBackground : ring == r ? nor : kGreen;
                QVERIFY2(shown.pixel(s + QPoint(dx, dy)) == want,
                         qPrintable(QString("point %1 at (%2, %3)").arg(i).arg(dx).arg(dy)));
            }
        }
    }

    // Without editing, selection and highlight are not shown.
    viewer->enablePointEditing(false);
    const QImage plain = grabViewport(viewer.get());
    const QPoint s = viewer->viewportPoint(2 * step, step);
    QCOMPARE(plain.pixel(s), kBackground);
    QCOMPARE(plain.pixel(s + QPoint(r, 0)), nor);
}

void TestKVXImgViewerPoints::matchPointMarkers()
{
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->setMatchPoints(pointList({{20, 20}, {60, 20}, {100, 20}}));
    viewer->selectMatchPoint(1, true);
    viewer->highlightMatchPoint(2);
    QCOMPARE(grabViewport(viewer.get()).pixel(20, 20), kBackground); // not enabled
    viewer->enableMatchPoints(true);
    const QImage shown = grabViewport(viewer.get());
    const int r = 4;
    for (int dy = -r - 1; dy <= r + 1; ++dy) {
        for (int dx = -r - 1; dx <= r + 1; ++dx) {
            const bool inSquare = std::abs(dx) <= r && std::abs(dy) <= r;
            const bool onPlus = inSquare && (dx == 0 || dy == 0);
            QCOMPARE(shown.pixel(20 + dx, 20 + dy), onPlus ? kRed : kBackground);
            QCOMPARE(shown.pixel(60 + dx, 20 + dy), inSquare ? kRed : kBackground);
            QCOMPARE(shown.pixel(100 + dx, 20 + dy), inSquare ? kRed : kBackground);
        }
    }
}

void TestKVXImgViewerPoints::boundaryAndSlaveLines()
{
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->setBoundaryLine(pointList({{10, 10}, {80, 10}, {80, 60}, {10, 60}}));
    viewer->addSlavePolyline(QPolygon({QPoint(20, 30), QPoint(60, 30), QPoint(60, 50)}));
    QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(40, 10), kBackground);
    QCOMPARE(shown.pixel(40, 30), kBackground);

    viewer->enableBoundaryLine(true);
    viewer->enableSlavePolylines(true);
    shown = grabViewport(viewer.get());
    const QRgb nor = norMagenta(kBackground);
    // The closed boundary: all four sides.
    for (const QPoint& p : {QPoint(40, 10), QPoint(80, 35), QPoint(40, 60), QPoint(10, 35)})
        QCOMPARE(shown.pixel(p), orGreen(kBackground));
    QCOMPARE(shown.pixel(40, 11), kBackground);
    // The open slave polyline: no closing edge.
    QCOMPARE(shown.pixel(40, 30), nor);
    QCOMPARE(shown.pixel(60, 40), nor);
    QCOMPARE(shown.pixel(40, 40), kBackground);
    QCOMPARE(shown.pixel(40, 31), kBackground);
}

void TestKVXImgViewerPoints::slavePolylineWidth_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("covered"); // rows covered across a horizontal line
    QTest::newRow("width 0") << 1.0 << 0 << 1;
    QTest::newRow("width 1 at zoom 1") << 1.0 << 1 << 1;
    QTest::newRow("width 1 at zoom 2") << 2.0 << 1 << 2;
    QTest::newRow("width 3 at zoom 0.5") << 0.5 << 3 << 1;
    QTest::newRow("width 3 at zoom 1") << 1.0 << 3 << 3;
    QTest::newRow("width 3 at zoom 2") << 2.0 << 3 << 6;
}

void TestKVXImgViewerPoints::slavePolylineWidth()
{
    QFETCH(double, zoom);
    QFETCH(int, width);
    QFETCH(int, covered);
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->setZoomFactor(zoom);
    viewer->setContentsPos(0, 0);
    viewer->addSlavePolyline(QPolygon({QPoint(5, 20), QPoint(60, 20)}));
    viewer->enableSlavePolylines(true);
    viewer->setSlavePolylineWidth(width);
    const QImage shown = grabViewport(viewer.get());
    const int x = viewer->viewportPoint(30, 20).x();
    int rows = 0;
    for (int y = 0; y < shown.height(); ++y)
        rows += shown.pixel(x, y) == norMagenta(kBackground) ? 1 : 0;
    QCOMPARE(rows, covered);
}

// ---- bad coordinates ------------------------------------------------------------------------

void TestKVXImgViewerPoints::strangeCoordinates_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("not a number") << std::nan("") << 10.0;
    QTest::newRow("infinite") << inf << -inf;
    QTest::newRow("far outside") << -1e300 << 1e18;
    QTest::newRow("just outside") << 150.0 << 100.0;
}

void TestKVXImgViewerPoints::strangeCoordinates()
{
    QFETCH(double, x);
    QFETCH(double, y);
    auto viewer = shownViewer(filledImage(150, 100, kBackground));
    QVERIFY(viewer);
    viewer->addPoint(GPoint2D(40, 40));
    viewer->addPoint(GPoint2D(x, y));
    viewer->setMatchPoints(pointList({{x, y}, {80, 40}}));
    viewer->setBoundaryLine(pointList({{10, 10}, {x, y}, {10, 60}}));
    viewer->addSlavePolyline(
            QPolygon({QPoint(20, 30), QPoint(int(std::clamp(x, -1e9, 1e9)), 30)}));
    viewer->enableMatchPoints(true);
    viewer->enableBoundaryLine(true);
    viewer->enableSlavePolylines(true);
    viewer->enablePointEditing(true);
    viewer->enableMatchPointEditing(true);
    viewer->selectAllPoints(true);
    viewer->selectAllMatchPoints(true);
    viewer->setPointMeasureMode();

    // Stored as given.
    const GPoint2D stored = viewer->points()[1];
    QVERIFY(stored(0) == x || (std::isnan(x) && std::isnan(stored(0))));
    // Picking still finds the ordinary points, drawing still draws them.
    hover(viewer->viewport(), QPoint(41, 40));
    QTRY_COMPARE(viewer->highlightedPoint(), 0);
    hover(viewer->viewport(), QPoint(80, 41));
    QTRY_COMPARE(viewer->highlightedMatchPoint(), 1);
    const QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(40, 40), kGreen);
    QCOMPARE(shown.pixel(80, 40), kRed);
    viewer->setZoomFactor(0.1);
    viewer->setZoomFactor(8);
    QVERIFY(!grabViewport(viewer.get()).isNull());
    viewer->deleteSelectedMatchPoints();
    QVERIFY(!viewer->hasMatchPoints());
}

QTEST_MAIN(TestKVXImgViewerPoints)
#include "tst_kvximgviewerpoints.moc"
