// The stereo cursor: its pattern and tinting, the bounding rectangle, the areas it repaints,
// and the channel-merge drawing against a computation written here from its definition.

#include "kvstereocursor.h"
#include "kvstereoviewer.h"
#include "viewertesthelpers.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPicture>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <climits>

namespace {

const QColor kDefaultLeft(0xb8, 0x00, 0x00);
const QColor kDefaultRight(0x00, 0xb8, 0xff);

// Records the regions it is asked to paint.
class PaintRecorder : public QWidget
{
public:
    PaintRecorder() { setAttribute(Qt::WA_OpaquePaintEvent); }

    QRegion painted;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        painted += e->region();
        ++paints;
    }
};

QImage backgroundImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 13) & 0xff, (y * 29) & 0xff, (x + y) & 0xff));
    }
    return image;
}

// Channel merge of one cursor image into `into` (device coordinates), limited to `limit`.
void mergeExpected(QImage* into, const QImage& cursor, int left, int top, const QRect& limit)
{
    const QImage c = cursor.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const QPoint at(left + x, top + y);
            if (!limit.contains(at) || !into->rect().contains(at))
                continue;
            const QRgb o = c.pixel(x, y);
            const QRgb b = into->pixel(at);
            into->setPixel(at, qRgb(qRed(o) ? qRed(o) : qRed(b), qGreen(o) ? qGreen(o) : qGreen(b),
                                    qBlue(o) ? qBlue(o) : qBlue(b)));
        }
    }
}

// The cross as drawn, one text row per kind of row.
char crossCharacter(int x, int y)
{
    const QByteArray arm = QByteArray(27, '.') + "###aaaa###" + QByteArray(27, '.');
    const QByteArray outline = QByteArray(29, '#') + "......" + QByteArray(29, '#');
    const QByteArray bar = QByteArray(29, 'a') + "......" + QByteArray(29, 'a');
    if (y <= 26 || y >= 37)
        return arm.at(x);
    if (y <= 29 || y >= 34)
        return outline.at(x);
    return bar.at(x);
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

void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// An anaglyph viewer carrying a cursor the way its owner is meant to: drawn last in every
// repaint, told about scrolling.
class CursorViewer : public KVStereoViewer
{
public:
    CursorViewer(const QImage& left, const QImage& right)
        : KVStereoViewer(left, right)
        , cursor(new KVStereoCursor(viewport(), KVStereoCursor::cursorImage(kDefaultLeft),
                                    KVStereoCursor::cursorImage(kDefaultRight)))
    {
    }

    KVStereoCursor* cursor;

protected:
    void drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch) override
    {
        KVStereoViewer::drawViewport(p, ox, oy, cx, cy, cw, ch);
        cursor->draw(p);
    }

    void scrollContentsBy(int dx, int dy) override
    {
        KVStereoViewer::scrollContentsBy(dx, dy);
        cursor->contentsScrolled(dx, dy);
    }
};

} // namespace

class TestKVStereoCursor : public QObject
{
    Q_OBJECT

private slots:
    void crossPattern();
    void tinting_data();
    void tinting();
    void tintingWithoutColourTable();
    void cursorImages();
    void hotSpot();
    void imageChecks();
    void boundingRect_data();
    void boundingRect();
    void absurdValuesStaySane();
    void disparitySignal();
    void repaintAreas();
    void draw_data();
    void draw();
    void eachEyeOnlyItsChannels();
    void hiddenDrawsNothing();
    void unreadableDevice();
    void noTracesInViewer();
};

void TestKVStereoCursor::crossPattern()
{
    const QImage pattern = KVStereoCursor::crossPattern();
    QCOMPARE(pattern.size(), QSize(64, 64));
    QVERIFY(pattern.colorCount() > 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const char c = crossCharacter(x, y);
            const QRgb want = c == '#'   ? qRgb(1, 1, 1)
                              : c == 'a' ? qRgb(0xb3, 0xb3, 0xb3)
                                         : qRgb(0, 0, 0);
            QCOMPARE(pattern.pixel(x, y), want);
        }
    }
}

void TestKVStereoCursor::tinting_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QRgb>("entry");
    QTest::addColumn<QRgb>("expected");
    QTest::newRow("outline, default left") << kDefaultLeft << qRgb(1, 1, 1) << qRgb(1, 0, 0);
    QTest::newRow("outline, default right") << kDefaultRight << qRgb(1, 1, 1) << qRgb(0, 1, 1);
    QTest::newRow("bar, default left")
            << kDefaultLeft << qRgb(0xb3, 0xb3, 0xb3) << qRgb(128, 0, 0);
    QTest::newRow("bar, default right")
            << kDefaultRight << qRgb(0xb3, 0xb3, 0xb3) << qRgb(0, 128, 178);
    QTest::newRow("black stays black") << kDefaultRight << qRgb(0, 0, 0) << qRgb(0, 0, 0);
    // Grey (11 * 200 + 16 * 10 + 5 * 10) / 32 = 75; 75 * 3 = 225 -> 1; 75 * 255 >> 8 = 74.
    QTest::newRow("products below 256 become 1")
            << QColor(3, 255, 0) << qRgb(200, 10, 10) << qRgb(1, 74, 0);
    QTest::newRow("white colour") << QColor(Qt::white) << qRgb(255, 255, 255)
                                  << qRgb(254, 254, 254);
}

void TestKVStereoCursor::tinting()
{
    QFETCH(QColor, colour);
    QFETCH(QRgb, entry);
    QFETCH(QRgb, expected);
    QImage image(4, 3, QImage::Format_Indexed8);
    image.setColorTable({qRgb(9, 9, 9), entry});
    image.fill(1);
    const QImage tinted = kvTintImage(image, colour);
    QCOMPARE(tinted.colorCount(), 2);
    QCOMPARE(tinted.color(1), expected);
    QCOMPARE(tinted.pixelIndex(2, 1), 1);
    QCOMPARE(image.color(1), entry); // the original keeps its colours
}

void TestKVStereoCursor::tintingWithoutColourTable()
{
    QImage rgb(5, 5, QImage::Format_RGB32);
    rgb.fill(qRgb(10, 200, 30));
    QCOMPARE(kvTintImage(rgb, kDefaultLeft), rgb);
}

void TestKVStereoCursor::cursorImages()
{
    const QImage left = KVStereoCursor::cursorImage(kDefaultLeft);
    const QImage right = KVStereoCursor::cursorImage(kDefaultRight);
    QCOMPARE(left.depth(), 32);
    QCOMPARE(left.size(), QSize(64, 64));
    QCOMPARE(right.size(), QSize(64, 64));
    QCOMPARE(left.pixel(28, 0), qRgb(1, 0, 0));
    QCOMPARE(right.pixel(28, 0), qRgb(0, 1, 1));
    QCOMPARE(left.pixel(31, 63), qRgb(128, 0, 0));
    QCOMPARE(right.pixel(0, 31), qRgb(0, 128, 178));
    QCOMPARE(left.pixel(31, 31), qRgb(0, 0, 0));
    QCOMPARE(right.pixel(0, 0), qRgb(0, 0, 0));
}

void TestKVStereoCursor::hotSpot()
{
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    KVStereoCursor centred(&widget, image, image);
    QCOMPARE(centred.hotX(), 32);
    QCOMPARE(centred.hotY(), 32);
    QCOMPARE(centred.pos(), QPoint(-1, -1));
    QVERIFY(centred.isHidden());
    QCOMPARE(centred.disparity(), 0);
    QCOMPARE(centred.parent(), &widget);
    KVStereoCursor placed(&widget, image, image, 5, 7, 3);
    QCOMPARE(placed.hotX(), 5);
    QCOMPARE(placed.hotY(), 7);
    QCOMPARE(placed.disparity(), 3);
    const QImage odd = image.copy(0, 0, 21, 15);
    placed.setImages(odd, odd);
    QCOMPARE(placed.hotX(), 10);
    QCOMPARE(placed.hotY(), 7);
    placed.setImages(odd, odd, 0, 2);
    QCOMPARE(placed.hotX(), 0);
    QCOMPARE(placed.hotY(), 2);
}

void TestKVStereoCursor::imageChecks()
{
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    QTest::ignoreMessage(QtDebugMsg, "Left and right cursor images must be of the same size");
    KVStereoCursor mismatched(&widget, image, image.copy(0, 0, 60, 64));
    QTest::ignoreMessage(QtDebugMsg, "Left and right cursor images must be of depth 32");
    KVStereoCursor indexed(&widget, KVStereoCursor::crossPattern(), image);

    // Both still draw, within their own bounds and the bounding rectangle.
    QImage canvas = backgroundImage(120, 100);
    const QImage before = canvas;
    indexed.moveTo(50, 40);
    {
        QPainter p(&canvas);
        indexed.draw(&p);
    }
    QImage want = before;
    mergeExpected(&want, KVStereoCursor::crossPattern(), 18, 8, indexed.boundingRect());
    mergeExpected(&want, image, 18, 8, indexed.boundingRect());
    QCOMPARE(firstDifference(canvas, want), QString());

    const QImage wide = KVStereoCursor::cursorImage(kDefaultRight).scaled(90, 70);
    QTest::ignoreMessage(QtDebugMsg, "Left and right cursor images must be of the same size");
    KVStereoCursor larger2(&widget, image, wide);
    larger2.moveTo(50, 40);
    canvas = before;
    {
        QPainter p(&canvas);
        larger2.draw(&p);
    }
    want = before;
    mergeExpected(&want, image, 18, 8, larger2.boundingRect());
    mergeExpected(&want, wide, 18, 8, larger2.boundingRect());
    QCOMPARE(firstDifference(canvas, want), QString());
}

void TestKVStereoCursor::boundingRect_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("disparity");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("disparity 0") << QPoint(100, 80) << 0 << QRect(68, 48, 64, 64);
    QTest::newRow("disparity 10 is 84 wide") << QPoint(100, 80) << 10 << QRect(58, 48, 84, 64);
    QTest::newRow("disparity -10") << QPoint(100, 80) << -10 << QRect(58, 48, 84, 64);
    QTest::newRow("at the origin") << QPoint(0, 0) << 1 << QRect(-33, -32, 66, 64);
    QTest::newRow("hidden") << QPoint(-1, -1) << 10 << QRect();
    QTest::newRow("negative x hides") << QPoint(-5, 10) << 0 << QRect();
    QTest::newRow("negative y hides") << QPoint(10, -5) << 0 << QRect();
}

void TestKVStereoCursor::boundingRect()
{
    QFETCH(QPoint, pos);
    QFETCH(int, disparity);
    QFETCH(QRect, expected);
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    KVStereoCursor cursor(&widget, image, image);
    cursor.setDisparity(disparity);
    cursor.moveTo(pos);
    QCOMPARE(cursor.boundingRect(), expected);
    QCOMPARE(cursor.isHidden(), expected.isEmpty());
}

void TestKVStereoCursor::absurdValuesStaySane()
{
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    KVStereoCursor cursor(&widget, image, image);
    QImage canvas = backgroundImage(100, 80);
    const QImage before = canvas;
    for (const int d : {INT_MIN, INT_MAX, -INT_MAX / 4}) {
        for (const QPoint pos : {QPoint(50, 40), QPoint(INT_MAX, INT_MAX), QPoint(0, INT_MAX)}) {
            cursor.setDisparity(d);
            cursor.moveTo(pos);
            const QRect r = cursor.boundingRect();
            QVERIFY(r.left() <= r.right());
            QVERIFY(r.width() > 0);
            QPainter p(&canvas);
            cursor.draw(&p);
        }
    }
    // Each half so far away that neither reaches the canvas.
    QCOMPARE(firstDifference(canvas, before), QString());
}

void TestKVStereoCursor::disparitySignal()
{
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    KVStereoCursor cursor(&widget, image, image);
    QSignalSpy spy(&cursor, &KVStereoCursor::disparityChanged);
    cursor.setDisparity(0);
    QCOMPARE(spy.count(), 0);
    cursor.setDisparity(7);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 7);
    cursor.setDisparity(7);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(cursor.disparity(), 7);
}

void TestKVStereoCursor::repaintAreas()
{
    PaintRecorder widget;
    widget.resize(500, 400);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    drainEvents();
    widget.painted = QRegion();
    widget.paints = 0;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    KVStereoCursor cursor(&widget, image, image);
    const auto expectPainted = [&](const QRegion& region) {
        QTRY_VERIFY(widget.paints > 0);
        drainEvents();
        QCOMPARE(widget.painted, region);
        widget.painted = QRegion();
        widget.paints = 0;
    };

    cursor.moveTo(100, 100);
    expectPainted(QRect(68, 68, 64, 64));
    // Overlapping places: their union, in one go.
    cursor.moveTo(110, 105);
    expectPainted(QRect(68, 68, 74, 69));
    // Far apart: each place alone.
    cursor.moveTo(300, 250);
    expectPainted(QRegion(78, 73, 64, 64) + QRegion(268, 218, 64, 64));
    cursor.setDisparity(10);
    expectPainted(QRect(258, 218, 84, 64));
    // After the contents were scrolled the cursor drawn into them moved along.
    widget.scroll(-5, 3);
    cursor.contentsScrolled(-5, 3);
    QTRY_VERIFY(widget.paints > 0);
    drainEvents();
    QVERIFY(widget.painted.contains(QRect(253, 221, 84, 64)));
    QVERIFY(widget.painted.contains(QRect(258, 218, 84, 64)));
    widget.painted = QRegion();
    widget.paints = 0;
    cursor.hide();
    expectPainted(QRect(258, 218, 84, 64));
    QVERIFY(cursor.isHidden());
}

void TestKVStereoCursor::draw_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("disparity");
    QTest::addColumn<QPoint>("translation");
    QTest::addColumn<QRect>("clip");
    QTest::newRow("disparity 0") << QPoint(100, 70) << 0 << QPoint() << QRect();
    QTest::newRow("disparity 10") << QPoint(100, 70) << 10 << QPoint() << QRect();
    QTest::newRow("disparity -10") << QPoint(100, 70) << -10 << QPoint() << QRect();
    QTest::newRow("disparity 40, halves apart") << QPoint(100, 70) << 40 << QPoint() << QRect();
    QTest::newRow("over the top left corner") << QPoint(5, 3) << 6 << QPoint() << QRect();
    QTest::newRow("over the bottom right corner") << QPoint(195, 148) << -6 << QPoint() << QRect();
    QTest::newRow("translated painter") << QPoint(60, 50) << 4 << QPoint(17, -9) << QRect();
    QTest::newRow("clipped") << QPoint(100, 70) << 10 << QPoint() << QRect(90, 40, 30, 100);
}

// Everything inside the bounding rectangle as the merge defines it, nothing outside changed.
void TestKVStereoCursor::draw()
{
    QFETCH(QPoint, pos);
    QFETCH(int, disparity);
    QFETCH(QPoint, translation);
    QFETCH(QRect, clip);
    QWidget widget;
    const QImage left = KVStereoCursor::cursorImage(kDefaultLeft);
    const QImage right = KVStereoCursor::cursorImage(kDefaultRight);
    KVStereoCursor cursor(&widget, left, right);
    cursor.setDisparity(disparity);
    cursor.moveTo(pos);

    const QImage background = backgroundImage(200, 150);
    QImage canvas = background;
    {
        QPainter p(&canvas);
        if (!clip.isNull())
            p.setClipRect(clip);
        p.translate(translation);
        cursor.draw(&p);
    }

    QRect limit = cursor.boundingRect().translated(translation);
    if (!clip.isNull())
        limit &= clip;
    QImage want = background;
    const QPoint topLeft = pos + translation - QPoint(32, 32);
    mergeExpected(&want, left, topLeft.x() - disparity, topLeft.y(), limit);
    mergeExpected(&want, right, topLeft.x() + disparity, topLeft.y(), limit);
    QCOMPARE(firstDifference(canvas, want), QString());
    QVERIFY(canvas != background);
}

// Through red/cyan glasses each eye sees its own half: the left cursor changes red only, the
// right one green and blue only.
void TestKVStereoCursor::eachEyeOnlyItsChannels()
{
    QWidget widget;
    QImage black(64, 64, QImage::Format_RGB32);
    black.fill(Qt::black);
    QImage grey(120, 100, QImage::Format_RGB32);
    grey.fill(qRgb(90, 90, 90));
    for (const bool leftEye : {true, false}) {
        KVStereoCursor cursor(&widget, leftEye ? KVStereoCursor::cursorImage(kDefaultLeft) : black,
                              leftEye ? black : KVStereoCursor::cursorImage(kDefaultRight));
        cursor.moveTo(60, 50);
        QImage canvas = grey;
        {
            QPainter p(&canvas);
            cursor.draw(&p);
        }
        int changed = 0;
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                const QRgb c = canvas.pixel(x, y);
                if (c == qRgb(90, 90, 90))
                    continue;
                ++changed;
                if (leftEye)
                    QVERIFY(qGreen(c) == 90 && qBlue(c) == 90);
                else
                    QCOMPARE(qRed(c), 90);
            }
        }
        QVERIFY(changed > 0);
    }
}

void TestKVStereoCursor::hiddenDrawsNothing()
{
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    KVStereoCursor cursor(&widget, image, image);
    QImage canvas = backgroundImage(100, 80);
    const QImage before = canvas;
    for (const QPoint pos : {QPoint(-1, -1), QPoint(-5, 10), QPoint(10, -5)}) {
        cursor.moveTo(pos);
        QPainter p(&canvas);
        cursor.draw(&p);
    }
    QCOMPARE(canvas, before);
    // A cursor entirely outside the canvas draws nothing either.
    cursor.moveTo(500, 500);
    {
        QPainter p(&canvas);
        cursor.draw(&p);
    }
    QCOMPARE(canvas, before);
    cursor.draw(nullptr);
}

void TestKVStereoCursor::unreadableDevice()
{
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kDefaultLeft);
    KVStereoCursor cursor(&widget, image, image);
    cursor.moveTo(40, 40);
    QPicture picture;
    QPainter p(&picture);
    QTest::ignoreMessage(QtDebugMsg, "Background pixmap could not be converted to 32 bit depth");
    cursor.draw(&p);
    p.end();
    // A pixmap can be read back.
    QPixmap pixmap(100, 100);
    pixmap.fill(Qt::gray);
    {
        QPainter pp(&pixmap);
        cursor.draw(&pp);
    }
    // The bar above the centre replaces the grey's red only.
    QCOMPARE(pixmap.toImage().pixel(40, 10), qRgb(128, 0xa0, 0xa4));
}

// What is on screen after moves, disparity changes and scrolling is what a full repaint gives:
// no cursor left behind where it was.
void TestKVStereoCursor::noTracesInViewer()
{
    const QImage left = ViewerTest::patternImage(900, 700);
    CursorViewer viewer(left, left.mirrored(true, false));
    viewer.resize(400, 300);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    drainEvents();
    const QImage plain = ViewerTest::grabViewport(&viewer);

    const auto screenAgrees = [&] {
        drainEvents();
        return ViewerTest::screenOfViewport(&viewer) == ViewerTest::grabViewport(&viewer);
    };
    viewer.cursor->moveTo(150, 120);
    QTRY_VERIFY(screenAgrees());
    QVERIFY(ViewerTest::grabViewport(&viewer) != plain);
    viewer.cursor->moveTo(170, 110);
    QTRY_VERIFY(screenAgrees());
    viewer.cursor->setDisparity(12);
    QTRY_VERIFY(screenAgrees());
    viewer.scrollBy(7, 5);
    QTRY_VERIFY(screenAgrees());
    viewer.scrollBy(-20, 0);
    QTRY_VERIFY(screenAgrees());
    viewer.cursor->hide();
    QTRY_VERIFY(screenAgrees());
}

QTEST_MAIN(TestKVStereoCursor)
#include "tst_kvstereocursor.moc"
