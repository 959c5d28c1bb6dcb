#include "kvximgviewer.h"
#include "viewertesthelpers.h"

#include <QApplication>
#include <QBitmap>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace ViewerTest;

namespace {

const QRgb kBackground = qRgb(100, 150, 60);

std::unique_ptr<KVXImgViewer> shownViewer(const QImage& image, QSize size = {320, 240})
{
    auto viewer = std::make_unique<KVXImgViewer>();
    viewer->resize(size);
    viewer->setImage(image, true);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        qFatal("viewer window not exposed");
    return viewer;
}

// Colours of the overlays on kBackground, as letters.
QString colourName(QRgb c)
{
    const QRgb inverted = qRgb(255 - qRed(kBackground), 255 - qGreen(kBackground), 0);
    const QList<QPair<QRgb, QString>> names
            = {{kBackground, "."},         {inverted, "i"},
               {qRgb(255, 255, 0), "y"},   {qRgb(0, 0, 0), "k"},
               {qRgb(255, 255, 255), "w"}, {qRgb(255, 0, 255), "m"},
               {qRgb(255, 0, 0), "r"},     {qRgb(0, 255, 0), "g"}};
    for (const auto& [colour, name] : names) {
        if ((c | 0xff000000u) == colour)
            return name;
    }
    return QString::number(c, 16);
}

// Runs gestures on a viewer and writes down what they did: the viewer's signals as
// name(arguments), positions in viewport pixels, and the notes asked for. Tokens: L+x,y and
// L-x,y press and release the left button at viewport (x, y), Lx,y clicks it (M middle,
// R right); Dx,y double-clicks left; >x,y moves; Kx,y presses Delete with the pointer at (x, y);
// @x,y scrolls there; !slot calls a slot; ?x,y notes the colour there; roi, line, at and cur
// note the ROI (left, top, right, bottom), the polyline, the contents offset and the cursor.
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
        const bool sign = QString("LMR").contains(kind) && token.size() > 1
                          && QString("+-").contains(token.at(1));
        const QChar action = sign ? token.at(1) : QChar();
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
            log << (c.shape() == Qt::BitmapCursor
                            ? QString::asprintf("cursor(%d,%d)", c.hotSpot().x(), c.hotSpot().y())
                            : QString::asprintf("cursor(%d)", int(c.shape())));
        } else if (kind == '!') {
            QMetaObject::invokeMethod(v, token.mid(1).toLatin1().constData());
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
    QString text(int n) const { return QString::number(n); }
    QString text(double x) const { return QString::asprintf("%g", x); }
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
    void modesAndCursors_data()
    {
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QPoint>("hotSpot");
        QTest::addColumn<bool>("opaqueHotSpot"); // the crosses leave their centre open
        QTest::newRow("ROI") << QByteArray("setRoiMode") << 1 << QPoint(8, 8) << false;
        QTest::newRow("zoom") << QByteArray("setZoomMode") << 3 << QPoint(8, 8) << false;
        QTest::newRow("polyline") << QByteArray("setPolylineMode") << 5 << QPoint(5, 26) << true;
        QTest::newRow("polygon") << QByteArray("setPolygonMode") << 5 << QPoint(5, 26) << true;
        QTest::newRow("measure") << QByteArray("setLineMeasureMode") << 8 << QPoint(7, 7) << false;
        QTest::newRow("point") << QByteArray("setPointMeasureMode") << 10 << QPoint(7, 7) << false;
    }

    // Each mode has its 32 x 32 cursor; the modes of point drags and derived viewers keep
    // the cursor they find.
    void modesAndCursors()
    {
        QFETCH(QByteArray, slot);
        QFETCH(int, mode);
        QFETCH(QPoint, hotSpot);
        QFETCH(bool, opaqueHotSpot);
        auto viewer = shownViewer(filledImage(50, 40, kBackground));
        QSignalSpy spy(viewer.get(), &KVXImgViewer::modeChanged);
        QVERIFY(QMetaObject::invokeMethod(viewer.get(), slot.constData()));
        QVERIFY(QMetaObject::invokeMethod(viewer.get(), slot.constData()));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(int(viewer->mode()), mode);
        const QCursor cursor = viewer->viewport()->cursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), hotSpot);
        QCOMPARE(cursor.bitmap().size(), QSize(32, 32));
        const QImage mask = cursor.mask().toImage().convertToFormat(QImage::Format_Mono);
        QCOMPARE(mask.pixelIndex(hotSpot) == 1, opaqueHotSpot);
        for (int other : {11, 14}) {
            viewer->setMode(KVImgViewer::Mode(other));
            QCOMPARE(viewer->viewport()->cursor().hotSpot(), hotSpot);
        }
        viewer->setViewMode();
        QCOMPARE(spy.count(), 4);
        QCOMPARE(viewer->viewport()->cursor().shape(), Qt::ArrowCursor);
    }

    // Each row runs its steps in turn, "tokens | what they do".
    void gestures_data()
    {
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QStringList>("steps"); // "tokens | what they do", run in turn
        const auto row = [](const char* name, QSize size, double zoom, const QStringList& steps) {
            QTest::newRow(name) << size << zoom << steps;
        };
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
        row("ROI: other buttons during the drag are ignored", {300, 200}, 1.0,
            {"!setRoiMode L+10,10 | mode(1) mode(2) roiTracked(10,10,10,10)", "R+30,30 R-30,30 |",
             "L-10,10 | left(10,10) mode(1) roiChanged(10,10,10,10)"});
        row("right button: reported on release only", {300, 200}, 1.0,
            {"!setRoiMode R+30,40 | mode(1)", "R-31,42 | right(31,42)"});
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
        row("pan in measure mode", {1000, 800}, 1.0,
            {"!setLineMeasureMode | mode(8)", "M+50,50 M-50,50 | mode(7) mode(8)"});
        row("no panning when the image fits", {100, 80}, 1.0,
            {"M+50,50 >20,30 | cursorPos(20,30)", "M-20,30 at | at(0,0)"});
        row("cursor position at zoom 2", {300, 200}, 2.0,
            {"@10,20 >31,41 | cursorPos(20.5,30.5)"});
        row("polyline: a repeated pixel adds no vertex, a middle click ends it", {200, 150}, 2.0,
            {"!setPolylineMode @0,0 | mode(5)", "L21,21 | mode(6) left(21,21)",
             ">60,24 line | line(11,11 30,12)", "L60,24 | left(60,24)",
             "L60,24 line | left(60,24) line(11,11 30,12 30,12)",
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
        auto viewer = shownViewer(filledImage(imageSize.width(), imageSize.height(), kBackground));
        viewer->setZoomFactor(zoom);
        Gesture gesture(viewer.get());
        for (const QString& step : steps) {
            const QString script = step.section(" |", 0, 0);
            QCOMPARE((script + " | " + gesture.run(script)).trimmed(), step);
        }
    }
};

QTEST_MAIN(TestKVXImgViewer)
#include "tst_kvximgviewer.moc"
