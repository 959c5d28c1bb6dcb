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

#include <memory>

using namespace ViewerTest;

namespace {

const QRgb kBackground = qRgb(100, 150, 60);

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

std::unique_ptr<TestViewer> shownViewer(const QImage& image, QSize size = {320, 240})
{
    auto viewer = std::make_unique<TestViewer>();
    viewer->resize(size);
    viewer->setImage(image, true);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        qFatal("viewer window not exposed");
    return viewer;
}

// Writes down every signal of the viewer as name(arguments), positions in viewport pixels.
class Recorder : public QObject
{
public:
    explicit Recorder(KVXImgViewer* viewer)
        : m_viewport(viewer->viewport())
    {
        record(viewer, &KVXImgViewer::modeChanged, "modeChanged");
        record(viewer, &KVXImgViewer::roiChanged, "roiChanged");
        record(viewer, &KVXImgViewer::polyLineChanged, "polyLineChanged");
        record(viewer, &KVXImgViewer::roiTracked, "roiTracked");
        record(viewer, &KVXImgViewer::zoomTracked, "zoomTracked");
        record(viewer, &KVXImgViewer::cursorPos, "cursorPos");
        record(viewer, &KVXImgViewer::rightButtonClicked, "rightButtonClicked");
        record(viewer, &KVXImgViewer::leftButtonClicked, "leftButtonClicked");
        record(viewer, &KVXImgViewer::distanceInPixel, "distanceInPixel");
        record(viewer, &KVXImgViewer::measureLineReset, "measureLineReset");
        record(viewer, &KVImgViewer::zoomChanged, "zoomChanged");
    }
    QStringList log;

private:
    QString text(int v) const { return QString::number(v); }
    QString text(double v) const { return QString::asprintf("%g", v); }
    QString text(const QPoint& global) const
    {
        const QPoint p = m_viewport->mapFromGlobal(global);
        return text(p.x()) + ',' + text(p.y());
    }
    template<typename Sender, typename... Args>
    void record(KVXImgViewer* viewer, void (Sender::*signal)(Args...), const char* name)
    {
        connect(viewer, signal, this, [this, name](Args... args) {
            log << QString("%1(%2)").arg(name, QStringList{text(args)...}.join(','));
        });
    }
    QWidget* m_viewport;
};

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

// Runs a gesture on the viewer and returns what it did. Tokens: L+x,y and L-x,y press and
// release the left button at viewport (x, y), Lx,y clicks it (M middle, R right); Dx,y
// double-clicks left; >x,y moves; Kx,y presses Delete with the pointer at (x, y); @x,y scrolls
// there; !slot calls a slot; ?x,y notes the colour there; roi, line, at and cur note the ROI
// (left, top, right, bottom), the polyline, the contents offset and the cursor.
QString runGesture(TestViewer* v, const QString& script)
{
    Recorder recorder(v);
    QStringList& log = recorder.log;
    QWidget* vp = v->viewport();
    Qt::MouseButtons down;
    for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
        const QChar kind = token.at(0);
        const bool sign = QString("LMR").contains(kind) && token.size() > 1
                          && QString("+-").contains(token.at(1));
        const QChar action = sign ? token.at(1) : QChar();
        const QStringList xy = token.mid(action.isNull() ? 1 : 2).split(',');
        const QPoint p(xy.value(0).toInt(), xy.value(1).toInt());
        const Qt::MouseButton button = kind == 'L'   ? Qt::LeftButton
                                       : kind == 'M' ? Qt::MiddleButton
                                                     : Qt::RightButton;
        if (token == "roi") {
            int l, r, t, b;
            v->roi(&l, &r, &t, &b);
            log << QString::asprintf("roi(%d,%d,%d,%d)", l, t, r, b);
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
    return log.join(' ');
}

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

    void gestures_data()
    {
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("log");
        QTest::newRow("ROI: right and down to (20.7, 15.2)")
                << QSize(60, 40) << 10.0
                << "!setRoiMode @0,0 L+105,105 >207,152 roi L-207,152 roi ?100,100 ?209,159 "
                   "?99,99 ?210,160 ?150,130"
                << "modeChanged(1) modeChanged(2) roiTracked(10,10,10,10) "
                   "roiTracked(10,10,20.7,15.2) roi(10,10,20,15) leftButtonClicked(207,152) "
                   "modeChanged(1) roiChanged(10,10,20,15) roi(10,10,20,15) y y k k .";
        QTest::newRow("ROI: leftwards to (4.5, 10.2) leaves the anchor column out")
                << QSize(60, 40) << 10.0 << "!setRoiMode @0,0 L+105,105 >45,102 L-45,102 roi"
                << "modeChanged(1) modeChanged(2) roiTracked(10,10,10,10) "
                   "roiTracked(10,10,4.5,10.2) leftButtonClicked(45,102) modeChanged(1) "
                   "roiChanged(4,10,9,10) roi(4,10,9,10)";
        QTest::newRow("ROI at zoom 0.3: reported from its rectangle on screen")
                << QSize(600, 400) << 0.3 << "!setRoiMode L+10,10 >20,17 L-20,17 roi"
                << "modeChanged(1) modeChanged(2) roiTracked(33,33,33,33) "
                   "roiTracked(33,33,66.6667,56.6667) leftButtonClicked(20,17) modeChanged(1) "
                   "roiChanged(33,33,63,53) roi(33,33,66,56)";
        QTest::newRow("ROI: other buttons during the drag are ignored")
                << QSize(300, 200) << 1.0 << "!setRoiMode L+10,10 R+30,30 R-30,30 L-10,10"
                << "modeChanged(1) modeChanged(2) roiTracked(10,10,10,10) "
                   "leftButtonClicked(10,10) modeChanged(1) roiChanged(10,10,10,10)";
        QTest::newRow("right button: reported on release only")
                << QSize(300, 200) << 1.0 << "!setRoiMode R+30,40 R-31,42"
                << "modeChanged(1) rightButtonClicked(31,42)";
        QTest::newRow("zoom: a click or a band one pixel wide does not zoom")
                << QSize(1000, 800) << 1.0 << "!setZoomMode L40,40 L+40,40 >40,90 L-40,90 ?40,40"
                << "modeChanged(3) modeChanged(4) zoomTracked(40,40,40,40) "
                   "leftButtonClicked(40,40) modeChanged(3) modeChanged(4) "
                   "zoomTracked(40,40,40,40) zoomTracked(40,40,40,90) leftButtonClicked(40,90) "
                   "modeChanged(3) .";
        QTest::newRow("zoom: the band, clipped to the viewport")
                << QSize(1000, 800) << 1.0
                << "!setZoomMode L+20,30 >120,80 ?20,30 ?70,80 ?19,50 ?70,81 ?70,55 >-50,-20"
                << "modeChanged(3) modeChanged(4) zoomTracked(20,30,20,30) "
                   "zoomTracked(20,30,120,80) w w k k . zoomTracked(0,0,20,30)";
        QTest::newRow("pan in view mode")
                << QSize(1000, 800) << 1.0
                << "@100,100 M+50,50 cur >20,30 at >25,60 at M-25,60 cur"
                << "modeChanged(7) cursor(9) at(130,120) at(125,90) modeChanged(0) cursor(0)";
        QTest::newRow("pan in polyline mode draws nothing")
                << QSize(1000, 800) << 1.0
                << "!setPolylineMode @100,100 M+50,50 >20,30 at M-20,30 cur line"
                << "modeChanged(5) modeChanged(7) at(130,120) modeChanged(5) cursor(5,26) line()";
        QTest::newRow("pan in measure mode")
                << QSize(1000, 800) << 1.0 << "!setLineMeasureMode M+50,50 M-50,50"
                << "modeChanged(8) modeChanged(7) modeChanged(8)";
        QTest::newRow("no panning when the image fits")
                << QSize(100, 80) << 1.0 << "M+50,50 >20,30 M-20,30 at"
                << "cursorPos(20,30) at(0,0)";
        QTest::newRow("cursor position at zoom 2") << QSize(300, 200) << 2.0 << "@10,20 >31,41"
                                                   << "cursorPos(20.5,30.5)";
        QTest::newRow("polyline: a repeated pixel adds no vertex, a middle click ends it")
                << QSize(200, 150) << 2.0
                << "!setPolylineMode @0,0 L21,21 >60,24 line L60,24 L60,24 line M100,80 line "
                   "?22,22 ?100,80 ?61,51 L10,10 line"
                << "modeChanged(5) modeChanged(6) leftButtonClicked(21,21) line(11,11 30,12) "
                   "leftButtonClicked(60,24) leftButtonClicked(60,24) line(11,11 30,12 30,12) "
                   "modeChanged(5) polyLineChanged() line(11,11 30,12 50,40) m m . modeChanged(6) "
                   "leftButtonClicked(10,10) line(5,5 5,5)";
        QTest::newRow("polygon: a double click ends and closes it")
                << QSize(200, 150) << 1.0
                << "!setPolygonMode L10,10 >90,10 L90,10 >90,70 L90,70 ?50,40 D90,70 line ?50,40 "
                   "?50,10"
                << "modeChanged(5) modeChanged(6) leftButtonClicked(10,10) "
                   "leftButtonClicked(90,10) leftButtonClicked(90,70) . modeChanged(5) "
                   "polyLineChanged() line(10,10 90,10 90,70) m m";
        QTest::newRow("polyline: Delete drops the last vertex, the end follows the pointer")
                << QSize(200, 150) << 1.0
                << "!setPolylineMode L10,10 L50,20 L80,60 K70,90 line K70,90 line"
                << "modeChanged(5) modeChanged(6) leftButtonClicked(10,10) "
                   "leftButtonClicked(50,20) leftButtonClicked(80,60) line(10,10 50,20 70,90) "
                   "line(10,10 70,90)";
        QTest::newRow("measuring line from (3, 4) to (-2, 10)")
                << QSize(200, 150) << 1.0 << "!setLineMeasureMode L3,4 L+-2,10 L--2,10"
                << "modeChanged(8) measureLineReset() modeChanged(9) leftButtonClicked(3,4) "
                   "distanceInPixel(5,6) modeChanged(8) leftButtonClicked(-2,10)";
        QTest::newRow("measuring line: inverted, kept until cleared")
                << QSize(200, 150) << 1.0
                << "!setLineMeasureMode L10,20 >60,20 ?35,20 ?35,21 L60,20 ?10,20 ?60,20 ?61,20 "
                   "!setViewMode ?35,20 !clearMeasureLine !clearMeasureLine ?35,20"
                << "modeChanged(8) measureLineReset() modeChanged(9) leftButtonClicked(10,20) i . "
                   "distanceInPixel(50,0) modeChanged(8) leftButtonClicked(60,20) i i . "
                   "modeChanged(0) i measureLineReset() .";
    }

    // Each tool's gestures: the signals in their order, what is stored and what is drawn.
    void gestures()
    {
        QFETCH(QSize, imageSize);
        QFETCH(double, zoom);
        QFETCH(QString, script);
        QFETCH(QString, log);
        auto viewer = shownViewer(filledImage(imageSize.width(), imageSize.height(), kBackground));
        viewer->setZoomFactor(zoom);
        QCOMPARE(runGesture(viewer.get(), script), log);
    }
};

QTEST_MAIN(TestKVXImgViewer)
#include "tst_kvximgviewer.moc"
