#include "kvstereocursor.h"
#include "pixelhelpers.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPicture>
#include <QSignalSpy>
#include <QTest>

#include <climits>

using namespace Pix;

static const QColor kLeft(0xb8, 0x00, 0x00);
static const QColor kRight(0x00, 0xb8, 0xff);

// The cursor drawn into a copy of the picture through a translated, maybe clipped painter.
static QImage drawn(const KVStereoCursor& cursor, const QImage& picture, const QPoint& shift = {},
                    const QRect& clip = {})
{
    QImage canvas = picture;
    QPainter p(&canvas);
    p.setClipRect(clip.isNull() ? canvas.rect() : clip);
    p.translate(shift);
    cursor.draw(&p);
    return canvas;
}

struct PaintRecorder : QWidget
{
    QRegion painted;
    void paintEvent(QPaintEvent* e) override { painted += e->region(); }
};

class TestKVStereoCursor : public QObject
{
    Q_OBJECT

    const QImage left = KVStereoCursor::cursorImage(kLeft);
    const QImage right = KVStereoCursor::cursorImage(kRight);

private slots:
    // The tinted crosses: bars with the outline at 27..29 and 34..36, grey at 30..33, open centre.
    void crossPatternTinted()
    {
        const QRgb leftTint[] = {qRgb(0, 0, 0), qRgb(1, 0, 0), qRgb(128, 0, 0)};
        const QRgb rightTint[] = {qRgb(0, 0, 0), qRgb(0, 1, 1), qRgb(0, 128, 178)};
        const auto across = [](int i) {
            return (i >= 27 && i <= 29) || (i >= 34 && i <= 36) ? 1 : (i >= 30 && i <= 33) ? 2 : 0;
        };
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const int i = y <= 26 || y >= 37 ? across(x) : x <= 28 || x >= 35 ? across(y) : 0;
                QCOMPARE(left.pixel(x, y), leftTint[i]);
                QCOMPARE(right.pixel(x, y), rightTint[i]);
            }
        }
        const QImage rgb = filledImage(5, 5, qRgb(200, 10, 10));
        QCOMPARE(kvTintImage(rgb, kLeft), rgb);
    }

    // Images of other sizes or depths only warn, and the drawing stays within their own bounds;
    // absurd disparities and places draw nothing; a device that cannot be read back is skipped.
    void badInput()
    {
        QWidget widget;
        QTest::ignoreMessage(QtDebugMsg, "Left and right cursor images must be of the same size");
        KVStereoCursor mismatched(&widget, left, right.scaled(90, 70));
        QTest::ignoreMessage(QtDebugMsg, "Left and right cursor images must be of depth 32");
        KVStereoCursor indexed(&widget, KVStereoCursor::crossPattern(), right);
        const QImage picture = patternImage(120, 100);
        for (KVStereoCursor* c : {&mismatched, &indexed}) {
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
        QTest::ignoreMessage(QtDebugMsg,
                             "Background pixmap could not be converted to 32 bit depth");
        mismatched.draw(&p);
    }

    void draw_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("disparity");
        QTest::addColumn<QPoint>("shift");
        QTest::addColumn<QRect>("clip");
        QTest::addColumn<QRect>("bounds");
        const auto row = [](const char* name, QPoint pos, int d, QRect bounds, QPoint shift = {},
                            QRect clip = {}) {
            QTest::newRow(name) << pos << d << shift << clip << bounds;
        };
        row("disparity 10: 84 wide", {100, 70}, 10, {58, 38, 84, 64});
        row("disparity -40: halves apart", {100, 70}, -40, {28, 38, 144, 64});
        row("over the top left corner", {5, 3}, 6, {-33, -29, 76, 64});
        row("translated painter", {60, 50}, 4, {24, 18, 72, 64}, {17, -9});
        row("clipped", {100, 70}, 10, {58, 38, 84, 64}, {}, {90, 40, 30, 100});
        row("(-5, 10) is hidden", {-5, 10}, 0, {});
        row("(10, -1) is hidden", {10, -1}, 0, {});
    }

    // The bounding rectangle, and the channel merge within it; nothing outside it changes.
    void draw()
    {
        QFETCH(QPoint, pos);
        QFETCH(int, disparity);
        QFETCH(QPoint, shift);
        QFETCH(QRect, clip);
        QFETCH(QRect, bounds);
        QWidget widget;
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

    void repaintsAndDisparitySignal()
    {
        PaintRecorder widget;
        widget.resize(500, 400);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        drainEvents();
        KVStereoCursor cursor(&widget, left, left);
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
};

QTEST_MAIN(TestKVStereoCursor)
#include "tst_kvstereocursor.moc"
