#include "kvoverlayviewer.h"
#include "pixelhelpers.h"

#include <QSignalSpy>
#include <QTest>

#include <climits>

using namespace Pix;

// The blend from its definition: the second image's grey, averaged with the first's shifted by d.
static QImage expectedBlend(const QImage& first, const QImage& second, QPoint d)
{
    QImage out(second.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < second.height(); ++y) {
        for (int x = 0; x < second.width(); ++x) {
            const qint64 fx = qint64(x) - d.x(), fy = qint64(y) - d.y();
            const bool over = fx >= 0 && fy >= 0 && fx < first.width() && fy < first.height();
            const int below = greyAt(second, x, y);
            const int above = over ? greyAt(first, int(fx), int(fy)) : below;
            out.scanLine(y)[x] = uchar((above + below) / 2);
        }
    }
    return out;
}

class TestKVOverlayViewer : public QObject
{
    Q_OBJECT

private slots:
    void composition_data()
    {
        QTest::addColumn<QImage>("first");
        QTest::addColumn<QImage>("second");
        QTest::addColumn<QPoint>("d");
        QTest::addColumn<bool>("blendable");
        const QImage a = patternImage(40, 30);
        const QImage b = patternImage(50, 20).mirrored(true, false);
        QTest::newRow("right and down") << a << b << QPoint(7, 3) << true;
        QTest::newRow("left and up, overlap from 0") << a << b << QPoint(-5, -12) << true;
        QTest::newRow("INT_MAX and INT_MIN") << a << b << QPoint(INT_MAX, INT_MIN) << true;
        QTest::newRow("8 bit, short colour table")
                << indexedImage(30, 25, 100) << indexedImage(35, 20, 256) << QPoint(4, -3) << true;
        QTest::newRow("null first") << QImage() << b << QPoint() << false;
        QTest::newRow("8 and 32 bits") << indexedImage(10, 10, 256) << b << QPoint() << false;
        QTest::newRow("16 bits") << a.convertToFormat(QImage::Format_RGB16)
                                 << b.convertToFormat(QImage::Format_RGB16) << QPoint() << false;
    }

    void composition()
    {
        QFETCH(QImage, first);
        QFETCH(QImage, second);
        QFETCH(QPoint, d);
        QFETCH(bool, blendable);
        const QImage got = kvComposeOverlay(first, second, d.x(), d.y());
        QCOMPARE(got.format(), blendable ? QImage::Format_Indexed8 : QImage::Format_Invalid);
        const QImage want = blendable ? expectedBlend(first, second, d) : QImage();
        QCOMPARE(firstDifference(got, want), QString());
    }

    void mouseGestures_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left drags") << Qt::LeftButton;
        QTest::newRow("middle drags") << Qt::MiddleButton;
        QTest::newRow("right only reports") << Qt::RightButton;
    }

    // Images set while hidden wait for the first show. At zoom 2 a drag by ten viewport pixels
    // changes the displacement by ten; a second button during a gesture is ignored.
    void mouseGestures()
    {
        QFETCH(Qt::MouseButton, button);
        const bool drags = button != Qt::RightButton;
        const QImage a = patternImage(300, 200);
        KVOverlayViewer viewer;
        viewer.resize(200, 150);
        QSignalSpy xSpy(&viewer, &KVOverlayViewer::displacementXChanged);
        QSignalSpy ySpy(&viewer, &KVOverlayViewer::displacementYChanged);
        QSignalSpy images(&viewer, &KVImgViewer::imageChanged);
        viewer.setImages(a, a);
        viewer.setDeltaX(3);
        QCOMPARE(images.count(), 0);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(firstDifference(viewer.image(), expectedBlend(a, a, {3, 0})), QString());
        viewer.setZoomFactor(2);
        viewer.setContentsPos(20, 10);
        images.clear();
        viewer.setDeltaX(3); // the current value
        QCOMPARE(xSpy.count() + images.count(), 1);
        const QPoint scroll(viewer.contentsX(), viewer.contentsY());
        QWidget* vp = viewer.viewport();
        const Qt::CursorShape cursor = vp->cursor().shape();
        QSignalSpy clicked(&viewer, &KVXImgViewer::rightButtonClicked);
        const Qt::MouseButton other = drags ? Qt::RightButton : Qt::LeftButton;
        QTest::mousePress(vp, button, {}, QPoint(50, 50));
        QTest::mousePress(vp, other, {}, QPoint(50, 50));
        QCOMPARE(viewer.mode(), drags ? KVImgViewer::PanMode : KVImgViewer::ViewMode);
        QCOMPARE(vp->cursor().shape(), drags ? Qt::SizeAllCursor : cursor);
        QTest::mouseMove(vp, QPoint(60, 50)); // x alone changes
        QTest::mouseMove(vp, QPoint(57, 42));
        QTest::mouseRelease(vp, other, {}, QPoint(57, 42));
        QTest::mouseRelease(vp, button, {}, QPoint(57, 42));
        QTest::mouseMove(vp, QPoint(90, 90)); // after the release a move changes nothing
        QCOMPARE(QPoint(xSpy.count(), ySpy.count()), drags ? QPoint(3, 1) : QPoint(1, 0));
        const QPoint d = drags ? QPoint(10, -8) : QPoint(3, 0);
        QCOMPARE(QPoint(viewer.deltaX(), viewer.deltaY()), d);
        QCOMPARE(firstDifference(viewer.image(), expectedBlend(a, a, d)), QString());
        const QList<QVariantList> rightClick{{vp->mapToGlobal(QPoint(57, 42))}};
        QCOMPARE(QList<QVariantList>(clicked), drags ? QList<QVariantList>() : rightClick);
        QCOMPARE(viewer.mode(), KVImgViewer::ViewMode);
        QCOMPARE(vp->cursor().shape(), cursor);
        QCOMPARE(QPoint(viewer.contentsX(), viewer.contentsY()), scroll);
        viewer.setImages(a, indexedImage(30, 40, 256)); // cannot be blended: an empty view
        QVERIFY(viewer.image().isNull());
        QCOMPARE(viewer.contentsWidth(), 0);
    }
};

QTEST_MAIN(TestKVOverlayViewer)
#include "tst_kvoverlayviewer.moc"
