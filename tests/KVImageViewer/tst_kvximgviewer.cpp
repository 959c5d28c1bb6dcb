#include "kvximgviewer.h"
#include "viewertesthelpers.h"

#include <QApplication>
#include <QBitmap>
#include <QTest>

#include <cmath>

using namespace ViewerTest;

namespace {

const QRgb kBackground = qRgb(100, 150, 60);

// Colours of the overlays on kBackground, as letters.
QString colourName(QRgb c)
{
    const QRgb inverted = qRgb(255 - qRed(kBackground), 255 - qGreen(kBackground), 0);
    const QList<QPair<QRgb, QString>> names
            = {{kBackground, "."},         {inverted, "i"},
               {qRgb(255, 255, 0), "y"},   {qRgb(0, 0, 0), "k"},
               {qRgb(255, 255, 255), "w"}, {qRgb(255, 0, 255), "m"}};
    for (const auto& [colour, name] : names) {
        if ((c | 0xff000000u) == colour)
            return name;
    }
    return QString::number(c, 16);
}

// Runs gestures and logs the viewer's signals as name(arguments), positions in viewport pixels.
// Tokens: L+x,y and L-x,y press and release the left button at (x, y), Lx,y clicks it (M middle,
// R right); Dx,y double-clicks; >x,y moves; Kx,y presses Delete there; @x,y scrolls; !slot calls
// a slot; =n sets mode n; ?x,y notes the colour; roi, line, at and cur note the ROI (left, top,
// right, bottom), the polyline, the contents offset and the cursor (hot spot of a 32 x 32 one).
class Gesture : public QObject
{
public:
    explicit Gesture(KVXImgViewer* viewer)
        : v(viewer)
        , vp(viewer->viewport())
    {
        record(&KVXImgViewer::modeChanged, "mode");
        record(&KVXImgViewer::roiChanged, "roiChanged");
        record(&KVXImgViewer::polyLineChanged, "polyChanged");
        record(&KVXImgViewer::roiTracked, "roiTracked");
        record(&KVXImgViewer::zoomTracked, "zoomTracked");
        record(&KVXImgViewer::cursorPos, "cursorPos");
        record(&KVXImgViewer::rightButtonClicked, "right");
        record(&KVXImgViewer::leftButtonClicked, "left");
        record(&KVXImgViewer::distanceInPixel, "distance");
        record(&KVXImgViewer::measureLineReset, "reset");
        record(&KVImgViewer::zoomChanged, "zoomChanged");
    }

    QString run(const QString& script)
    {
        log.clear();
        for (const QString& token : script.split(' ', Qt::SkipEmptyParts))
            step(token);
        return log.join(' ');
    }

private:
    void step(const QString& token)
    {
        const QChar kind = token.at(0);
        const QChar action = QString("LMR").contains(kind) ? token.at(1) : QChar();
        const bool sign = action == '+' || action == '-';
        const QStringList xy = token.mid(sign ? 2 : 1).split(',');
        const QPoint p(xy.value(0).toInt(), xy.value(1).toInt());
        const Qt::MouseButton button = kind == 'L'   ? Qt::LeftButton
                                       : kind == 'M' ? Qt::MiddleButton
                                                     : Qt::RightButton;
        if (token == "roi") {
            int l, r, t, b;
            v->roi(&l, &r, &t, &b);
            log << QString::asprintf("ROI(%d,%d,%d,%d)", l, t, r, b);
        } else if (token == "line") {
            QStringList points;
            for (const QPoint& q : v->polylinePoints())
                points << QString::asprintf("%d,%d", q.x(), q.y());
            log << "line(" + points.join(' ') + ')';
        } else if (token == "at") {
            log << QString::asprintf("at(%d,%d)", v->contentsX(), v->contentsY());
        } else if (token == "cur") {
            const QCursor c = vp->cursor();
            const bool drawn = c.shape() == Qt::BitmapCursor && c.bitmap().size() == QSize(32, 32);
            log << (drawn ? QString::asprintf("cursor(%d,%d)", c.hotSpot().x(), c.hotSpot().y())
                          : QString::asprintf("cursor(%d)", int(c.shape())));
        } else if (kind == '!') {
            QMetaObject::invokeMethod(v, token.mid(1).toLatin1().constData());
        } else if (kind == '=') {
            v->setMode(KVImgViewer::Mode(p.x()));
        } else if (kind == '@') {
            v->setContentsPos(p.x(), p.y());
        } else if (kind == '?') {
            log << colourName(grabViewport(v).pixel(p));
        } else if (kind == '>') {
            QMouseEvent move(QEvent::MouseMove, p, vp->mapToGlobal(p), Qt::NoButton, down, {});
            QApplication::sendEvent(vp, &move);
        } else if (kind == 'K') {
            QCursor::setPos(vp->mapToGlobal(p));
            QTest::keyClick(v, Qt::Key_Delete);
        } else if (kind == 'D') {
            QTest::mouseDClick(vp, Qt::LeftButton, {}, p);
            QTest::mouseRelease(vp, Qt::LeftButton, {}, p);
        } else if (action == '+') {
            down |= button;
            QTest::mousePress(vp, button, {}, p);
        } else if (action == '-') {
            down &= ~button;
            QTest::mouseRelease(vp, button, {}, p);
        } else {
            QTest::mouseClick(vp, button, {}, p);
        }
    }
    template<typename Number>
    QString text(Number x) const
    {
        return QString::asprintf("%g", double(x));
    }
    QString text(const QPoint& global) const
    {
        const QPoint p = vp->mapFromGlobal(global);
        return text(p.x()) + ',' + text(p.y());
    }
    template<typename Sender, typename... Args>
    void record(void (Sender::*signal)(Args...), const char* name)
    {
        connect(v, signal, this, [this, name](Args... args) {
            log << QString("%1(%2)").arg(name, QStringList{text(args)...}.join(','));
        });
    }

    KVXImgViewer* v;
    QWidget* vp;
    Qt::MouseButtons down;
    QStringList log;
};

} // namespace

class TestKVXImgViewer : public QObject
{
    Q_OBJECT

private slots:
    void gestures_data()
    {
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QStringList>("steps"); // "tokens | what they do", run in turn
        const auto row = [](const char* name, QSize size, double zoom, const QStringList& steps) {
            QTest::newRow(name) << size << zoom << steps;
        };
        row("cursors: one per mode, modes 11 and 14 keep theirs", {60, 40}, 1.0,
            {"!setRoiMode !setRoiMode cur | mode(1) cursor(8,8)",
             "!setPointMeasureMode cur | mode(10) cursor(7,7)",
             "!setZoomMode cur | mode(3) cursor(8,8)",
             "!setPolygonMode =11 =14 cur | mode(5) mode(11) mode(14) cursor(5,26)",
             "!setLineMeasureMode cur | mode(8) cursor(7,7)",
             "!setViewMode cur | mode(0) cursor(0)"});
        row("ROI: right and down to (20.7, 15.2)", {60, 40}, 10.0,
            {"!setRoiMode @0,0 | mode(1)", "L+105,105 | mode(2) roiTracked(10,10,10,10)",
             ">207,152 roi | roiTracked(10,10,20.7,15.2) ROI(10,10,20,15)",
             "L-207,152 | left(207,152) mode(1) roiChanged(10,10,20,15)", "roi | ROI(10,10,20,15)",
             "?100,100 ?209,159 ?99,99 ?210,160 ?150,130 | y y k k ."});
        row("ROI: leftwards to (4.5, 10.2) leaves the anchor column out", {60, 40}, 10.0,
            {"!setRoiMode @0,0 L+105,105 | mode(1) mode(2) roiTracked(10,10,10,10)",
             ">45,102 | roiTracked(10,10,4.5,10.2)",
             "L-45,102 | left(45,102) mode(1) roiChanged(4,10,9,10)", "roi | ROI(4,10,9,10)"});
        row("ROI at zoom 0.3: reported from its rectangle on screen", {600, 400}, 0.3,
            {"!setRoiMode L+10,10 | mode(1) mode(2) roiTracked(33,33,33,33)",
             ">20,17 | roiTracked(33,33,66.6667,56.6667)",
             "L-20,17 | left(20,17) mode(1) roiChanged(33,33,63,53)", "roi | ROI(33,33,66,56)"});
        row("ROI: right button ignored in the drag, else reported on release", {300, 200}, 1.0,
            {"!setRoiMode L+10,10 | mode(1) mode(2) roiTracked(10,10,10,10)", "R+30,30 R-30,30 |",
             "L-10,10 | left(10,10) mode(1) roiChanged(10,10,10,10)",
             "R+30,40 R-31,42 | right(31,42)"});
        row("zoom: a click or a band one pixel wide does not zoom", {1000, 800}, 1.0,
            {"!setZoomMode | mode(3)",
             "L40,40 | mode(4) zoomTracked(40,40,40,40) left(40,40) mode(3)",
             "L+40,40 >40,90 | mode(4) zoomTracked(40,40,40,40) zoomTracked(40,40,40,90)",
             "L-40,90 ?40,40 | left(40,90) mode(3) ."});
        row("zoom: the band, clipped to the viewport", {1000, 800}, 1.0,
            {"!setZoomMode L+20,30 | mode(3) mode(4) zoomTracked(20,30,20,30)",
             ">120,80 | zoomTracked(20,30,120,80)",
             "?20,30 ?70,80 ?19,50 ?70,81 ?70,55 | w w k k .",
             ">-50,-20 | zoomTracked(0,0,20,30)"});
        row("pan in view mode", {1000, 800}, 1.0,
            {"@100,100 M+50,50 cur | mode(7) cursor(9)", ">20,30 at | at(130,120)",
             ">25,60 at | at(125,90)", "M-25,60 cur | mode(0) cursor(0)"});
        row("pan in polyline mode draws nothing", {1000, 800}, 1.0,
            {"!setPolylineMode @100,100 M+50,50 | mode(5) mode(7)", ">20,30 at | at(130,120)",
             "M-20,30 cur line | mode(5) cursor(5,26) line()"});
        row("no panning when the image fits", {100, 80}, 1.0,
            {"M+50,50 >20,30 | cursorPos(20,30)", "M-20,30 at | at(0,0)"});
        row("polyline: a repeated pixel adds no vertex, a middle click ends it", {200, 150}, 2.0,
            {"@10,20 >31,41 | cursorPos(20.5,30.5)", "!setPolylineMode @0,0 | mode(5)",
             "L21,21 | mode(6) left(21,21)", ">60,24 line | line(11,11 30,12)",
             "L60,24 | left(60,24)", "L60,24 line | left(60,24) line(11,11 30,12 30,12)",
             "M100,80 line | mode(5) polyChanged() line(11,11 30,12 50,40)",
             "?22,22 ?100,80 ?61,51 | m m .", "L10,10 line | mode(6) left(10,10) line(5,5 5,5)"});
        row("polygon: a double click ends and closes it", {200, 150}, 1.0,
            {"!setPolygonMode L10,10 | mode(5) mode(6) left(10,10)",
             ">90,10 L90,10 >90,70 L90,70 | left(90,10) left(90,70)", "?50,40 | .",
             "D90,70 line | mode(5) polyChanged() line(10,10 90,10 90,70)",
             "?50,40 ?50,10 | m m"});
        row("polyline: Delete drops the last vertex, the end follows the pointer", {200, 150}, 1.0,
            {"!setPolylineMode L10,10 | mode(5) mode(6) left(10,10)",
             "L50,20 L80,60 | left(50,20) left(80,60)", "K70,90 line | line(10,10 50,20 70,90)",
             "K70,90 line | line(10,10 70,90)"});
        row("measuring line from (3, 4) to (-2, 10)", {200, 150}, 1.0,
            {"!setLineMeasureMode | mode(8)", "L3,4 | reset() mode(9) left(3,4)",
             "L+-2,10 L--2,10 | distance(5,6) mode(8) left(-2,10)"});
        row("measuring line: inverted, kept until cleared", {200, 150}, 1.0,
            {"!setLineMeasureMode | mode(8)", "L10,20 | reset() mode(9) left(10,20)",
             ">60,20 ?35,20 ?35,21 | i .", "L60,20 | distance(50,0) mode(8) left(60,20)",
             "?10,20 ?60,20 ?61,20 | i i .", "!setViewMode ?35,20 | mode(0) i",
             "!clearMeasureLine !clearMeasureLine ?35,20 | reset() ."});
    }

    // Each tool's gestures: the signals in their order, what is stored and what is drawn.
    void gestures()
    {
        QFETCH(QSize, imageSize);
        QFETCH(double, zoom);
        QFETCH(QStringList, steps);
        KVXImgViewer viewer;
        viewer.resize(320, 240);
        viewer.setImage(filledImage(imageSize.width(), imageSize.height(), kBackground), true);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        viewer.setZoomFactor(zoom);
        Gesture gesture(&viewer);
        for (const QString& step : steps) {
            const QString script = step.section(" |", 0, 0);
            QCOMPARE((script + " | " + gesture.run(script)).trimmed(), step);
        }
    }

    // Releasing a band over image pixels 20..120 x 30..80 fits them to the viewport, centred.
    void zoomBand()
    {
        KVXImgViewer viewer;
        viewer.resize(320, 240);
        viewer.setImage(filledImage(1000, 800, kBackground), true);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        Gesture gesture(&viewer);
        QVERIFY(gesture.run("!setZoomMode L+20,30 >120,80 L-120,80").contains("zoomChanged("));
        const double z = viewer.zoomFactor();
        const QSize room = viewer.viewport()->size();
        QVERIFY(101 * z <= room.width() + 1e-9 && 51 * z <= room.height() + 1e-9);
        QVERIFY(std::fabs(101 * z - room.width()) < 1 || std::fabs(51 * z - room.height()) < 1);
        QVERIFY(std::fabs((viewer.contentsX() + room.width() / 2.0) / z - 70.5) < 1 / z);
        QVERIFY(std::fabs((viewer.contentsY() + room.height() / 2.0) / z - 55.5) < 1 / z);
    }
};

QTEST_MAIN(TestKVXImgViewer)
#include "tst_kvximgviewer.moc"
