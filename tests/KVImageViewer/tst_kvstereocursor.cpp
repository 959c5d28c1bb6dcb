#include "kvstereocursor.h"
#include "pixelhelpers.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPicture>
#include <QSignalSpy>
#include <QTest>

#include <climits>

using namespace Pix;

namespace {

const QColor kLeft(0xb8, 0x00, 0x00);
const QColor kRight(0x00, 0xb8, 0xff);

// The cursor drawn into a copy of the picture, through a painter translated by `shift` and
// clipped to `clip` unless that is null.
QImage drawn(const KVStereoCursor& cursor, const QImage& picture, const QPoint& shift = {},
             const QRect& clip = {})
{
    QImage canvas = picture;
    QPainter p(&canvas);
    if (!clip.isNull())
        p.setClipRect(clip);
    p.translate(shift);
    cursor.draw(&p);
    return canvas;
}

class PaintRecorder : public QWidget
{
public:
    QRegion painted;

protected:
    void paintEvent(QPaintEvent* e) override { painted += e->region(); }
};

} // namespace

class TestKVStereoCursor : public QObject
{
    Q_OBJECT

private slots:
    void crossPatternTinted();
    void tinting();
    void badInput();
    void draw_data();
    void draw();
    void repaintsAndDisparitySignal();
};

// The cross and its tinted copies, with the outline and the grey bar in each eye's colour.
void TestKVStereoCursor::crossPatternTinted()
{
    const QImage pattern = KVStereoCursor::crossPattern();
    QCOMPARE(pattern.colorTable(), QList<QRgb>({qRgb(0, 0, 0), qRgb(1, 1, 1), 0xffb3b3b3}));
    const QImage left = KVStereoCursor::cursorImage(kLeft);
    const QImage right = KVStereoCursor::cursorImage(kRight);
    const QRgb leftTint[] = {qRgb(0, 0, 0), qRgb(1, 0, 0), qRgb(128, 0, 0)};
    const QRgb rightTint[] = {qRgb(0, 0, 0), qRgb(0, 1, 1), qRgb(0, 128, 178)};
    // Across an arm: outline at 27..29 and 34..36, grey at 30..33; the centre stays open.
    const auto across = [](int i) {
        return (i >= 27 && i <= 29) || (i >= 34 && i <= 36) ? 1 : (i >= 30 && i <= 33) ? 2 : 0;
    };
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int want = y <= 26 || y >= 37 ? across(x) : x <= 28 || x >= 35 ? across(y) : 0;
            QCOMPARE(pattern.pixelIndex(x, y), want);
            QCOMPARE(left.pixel(x, y), leftTint[want]);
            QCOMPARE(right.pixel(x, y), rightTint[want]);
        }
    }
}

void TestKVStereoCursor::tinting()
{
    QImage image(4, 3, QImage::Format_Indexed8);
    image.setColorTable({qRgb(200, 10, 10)});
    image.fill(0);
    // Grey 75: 75 * 3 = 225 becomes 1, 75 * 255 >> 8 = 74.
    QCOMPARE(kvTintImage(image, QColor(3, 255, 0)).color(0), qRgb(1, 74, 0));
    QCOMPARE(image.color(0), qRgb(200, 10, 10)); // the original keeps its colours
    const QImage rgb = filledImage(5, 5, qRgb(200, 10, 10));
    QCOMPARE(kvTintImage(rgb, kLeft), rgb); // without a colour table: unchanged
}

// Images of other sizes or depths only warn, and the drawing stays within their own bounds;
// absurd disparities and places draw nothing; a device that cannot be read back is skipped.
void TestKVStereoCursor::badInput()
{
    QWidget widget;
    const QImage image = KVStereoCursor::cursorImage(kLeft);
    QTest::ignoreMessage(QtDebugMsg, "Left and right cursor images must be of the same size");
    KVStereoCursor mismatched(&widget, image, KVStereoCursor::cursorImage(kRight).scaled(90, 70));
    QTest::ignoreMessage(QtDebugMsg, "Left and right cursor images must be of depth 32");
    KVStereoCursor indexed(&widget, KVStereoCursor::crossPattern(), image);
    const QImage picture = patternImage(120, 100);
    for (KVStereoCursor* c : {&mismatched, &indexed}) {
        QCOMPARE(QPoint(c->hotX(), c->hotY()), QPoint(32, 32));
        c->moveTo(50, 40);
        QImage want = picture;
        mergeChannels(&want, c->leftImage(), 18, 8, c->boundingRect());
        mergeChannels(&want, c->rightImage(), 18, 8, c->boundingRect());
        QCOMPARE(firstDifference(drawn(*c, picture), want), QString());
    }
    for (const int d : {INT_MIN, INT_MAX}) {
        for (const QPoint pos : {QPoint(50, 40), QPoint(INT_MAX, INT_MAX)}) {
            mismatched.setDisparity(d);
            mismatched.moveTo(pos);
            QVERIFY(mismatched.boundingRect().width() > 0);
            QCOMPARE(firstDifference(drawn(mismatched, picture), picture), QString());
        }
    }
    QPicture unreadable;
    QPainter p(&unreadable);
    QTest::ignoreMessage(QtDebugMsg, "Background pixmap could not be converted to 32 bit depth");
    mismatched.draw(&p);
}

void TestKVStereoCursor::draw_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("disparity");
    QTest::addColumn<QPoint>("shift");
    QTest::addColumn<QRect>("clip");
    QTest::addColumn<QRect>("bounds");
    const auto row
            = [](const char* name, QPoint pos, int d, QRect bounds, QPoint shift = {},
                 QRect clip = {}) { QTest::newRow(name) << pos << d << shift << clip << bounds; };
    row("disparity 0", {100, 70}, 0, {68, 38, 64, 64});
    row("disparity 10: 84 wide", {100, 70}, 10, {58, 38, 84, 64});
    row("disparity -40: halves apart", {100, 70}, -40, {28, 38, 144, 64});
    row("over the top left corner", {5, 3}, 6, {-33, -29, 76, 64});
    row("translated painter", {60, 50}, 4, {24, 18, 72, 64}, {17, -9});
    row("clipped", {100, 70}, 10, {58, 38, 84, 64}, {}, {90, 40, 30, 100});
    row("(-5, 10) is hidden", {-5, 10}, 0, {});
    row("(10, -1) is hidden", {10, -1}, 0, {});
}

// The bounding rectangle, and the channel merge within it; nothing outside it changes.
void TestKVStereoCursor::draw()
{
    QFETCH(QPoint, pos);
    QFETCH(int, disparity);
    QFETCH(QPoint, shift);
    QFETCH(QRect, clip);
    QFETCH(QRect, bounds);
    QWidget widget;
    const QImage left = KVStereoCursor::cursorImage(kLeft);
    const QImage right = KVStereoCursor::cursorImage(kRight);
    KVStereoCursor cursor(&widget, left, right, -1, -1, disparity);
    cursor.moveTo(pos);
    QCOMPARE(cursor.boundingRect(), bounds);
    QCOMPARE(cursor.isHidden(), bounds.isEmpty());
    const QImage picture = patternImage(200, 150);
    QImage want = picture;
    const QRect limit = bounds.translated(shift) & (clip.isNull() ? picture.rect() : clip);
    if (!bounds.isEmpty()) {
        const QPoint at = pos + shift - QPoint(32, 32);
        mergeChannels(&want, left, at.x() - disparity, at.y(), limit);
        mergeChannels(&want, right, at.x() + disparity, at.y(), limit);
        QVERIFY(want != picture);
    }
    QCOMPARE(firstDifference(drawn(cursor, picture, shift, clip), want), QString());
}

void TestKVStereoCursor::repaintsAndDisparitySignal()
{
    PaintRecorder widget;
    widget.resize(500, 400);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    drainEvents();
    const QImage image = KVStereoCursor::cursorImage(kLeft);
    KVStereoCursor cursor(&widget, image, image);
    QSignalSpy spy(&cursor, &KVStereoCursor::disparityChanged);
    const auto expectPainted = [&](const QRegion& region) {
        widget.painted = QRegion();
        QTRY_VERIFY(!widget.painted.isEmpty());
        drainEvents();
        QCOMPARE(widget.painted, region);
    };
    cursor.moveTo(100, 100);
    expectPainted(QRect(68, 68, 64, 64));
    cursor.moveTo(110, 105); // overlapping places: their union
    expectPainted(QRect(68, 68, 74, 69));
    cursor.moveTo(300, 250); // far apart: each place alone
    expectPainted(QRegion(78, 73, 64, 64) + QRegion(268, 218, 64, 64));
    cursor.setDisparity(10);
    expectPainted(QRect(258, 218, 84, 64));
    cursor.setDisparity(10);
    QCOMPARE(QList<QVariantList>(spy), QList<QVariantList>({{10}}));
    cursor.hide();
    expectPainted(QRect(258, 218, 84, 64));
}

QTEST_MAIN(TestKVStereoCursor)
#include "tst_kvstereocursor.moc"
