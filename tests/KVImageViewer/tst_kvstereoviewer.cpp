#include "kvstereoviewer.h"
#include "pixelhelpers.h"

#include <QCursor>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <climits>

using namespace Pix;

static const QColor kLeft(0xb8, 0x00, 0x00);
static const QColor kRight(0x00, 0xb8, 0xff);

// The composite from its definition, one pixel at a time; null for a pair it cannot take.
static QImage expectedAnaglyph(const QImage& left, const QImage& right, const QColor& lc,
                               const QColor& rc, int deltaX, int deltaY)
{
    if (left.isNull() || right.isNull() || left.depth() != right.depth()
        || (left.depth() != 8 && left.depth() != 32))
        return QImage();
    const auto grey = [](const QImage& image, qint64 x, qint64 y) {
        const bool inside = x >= 0 && y >= 0 && x < image.width() && y < image.height();
        return inside ? greyAt(image, int(x), int(y)) : 0;
    };
    const qint64 halfY = deltaY >= 0 ? qint64(deltaY) / 2 : -(-qint64(deltaY) / 2);
    QImage out(std::max(left.width(), right.width()), std::max(left.height(), right.height()),
               QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const int gl = grey(left, qint64(x) - deltaX, y - halfY);
            const int gr = grey(right, qint64(x) + deltaX, y - halfY + deltaY);
            const auto mix = [&](int l, int r) { return std::min(255, (gl * l + gr * r) / 256); };
            out.setPixel(x, y,
                         qRgb(mix(lc.red(), rc.red()), mix(lc.green(), rc.green()),
                              mix(lc.blue(), rc.blue())));
        }
    }
    return out;
}

// Empty when `got` is the anaglyph of the pair with the default colours.
static QString vsDefinition(const QImage& got, const QImage& l, const QImage& r, int dx, int dy)
{
    return firstDifference(got, expectedAnaglyph(l, r, kLeft, kRight, dx, dy));
}

// Every pixel of the target must be written: it starts transparent and not black.
static QImage compose(const QImage& left, const QImage& right, const QColor& lc, const QColor& rc,
                      int deltaX, int deltaY, int threads = 0)
{
    QImage out(kvAnaglyphSize(left, right), QImage::Format_ARGB32);
    out.fill(0x12345678u);
    if (out.isNull() || !kvComposeAnaglyph(left, right, lc, rc, deltaX, deltaY, &out, threads))
        return QImage();
    return out;
}

class TestKVStereoViewer : public QObject
{
    Q_OBJECT

private slots:
    // The worked values with the default colours, and colours that share a channel: the sum
    // saturates (red 277 would wrap round to a dark 21).
    void workedValuesAndSaturation()
    {
        const QRgb w = qRgb(255, 255, 255);
        const QRgb k = qRgb(0, 0, 0);
        const std::tuple<QColor, QColor, QRgb, QRgb, QRgb> cases[] = {
                {kLeft, kRight, w, k, qRgb(183, 0, 0)},
                {kLeft, kRight, w, w, qRgb(183, 183, 254)},
                {kLeft, kRight, k, k, k},
                {kLeft, kRight, qRgba(255, 255, 255, 0), k, qRgb(183, 0, 0)}, // alpha ignored
                // Red: 200 * 255 + 100 * 200 = 71000 >> 8 = 277 -> 255; green 100 * 255 >> 8.
                {QColor(255, 0, 0), QColor(200, 255, 0), 0xffc8c8c8, 0xff646464, qRgb(255, 99, 0)},
                {Qt::white, Qt::white, 0xff808080, 0xff7f7f7f,
                 qRgb(254, 254, 254)}}; // just below 255
        for (const auto& [lc, rc, l, r, want] : cases) {
            QImage left(40, 3, QImage::Format_ARGB32);
            left.fill(l);
            const QImage out = compose(left, filledImage(40, 3, r), lc, rc, 0, 0);
            QCOMPARE(firstDifference(out, filledImage(40, 3, want)), QString());
        }
    }

    void composition_data()
    {
        QTest::addColumn<QImage>("left");
        QTest::addColumn<QImage>("right");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        const QImage a = patternImage(23, 17);
        const QImage b = a.mirrored(true, false);
        QTest::newRow("deltaY 1 moves the right image only") << a << b << 0 << 1;
        QTest::newRow("deltaY 2 moves both") << a << b << 0 << 2;
        QTest::newRow("deltaY -3, half -1") << a << b << 0 << -3;
        QTest::newRow("deltaX 1") << a << b << 1 << 0;
        QTest::newRow("INT_MAX / 4, -INT_MAX / 4") << a << b << INT_MAX / 4 << -INT_MAX / 4;
        QTest::newRow("INT_MIN") << a << b << INT_MIN << INT_MIN;
        QTest::newRow("different sizes and offsets")
                << patternImage(31, 12) << patternImage(19, 29) << 3 << -7;
        QTest::newRow("1 x 1 and larger") << patternImage(1, 1) << a << -1 << 1;
        QTest::newRow("other 32-bit layouts") << a.convertToFormat(QImage::Format_RGBA8888)
                                              << b.convertToFormat(QImage::Format_BGR30) << 2 << 1;
        QTest::newRow("8-bit greys") << a.convertToFormat(QImage::Format_Grayscale8)
                                     << b.convertToFormat(QImage::Format_Grayscale8) << 0 << 1;
        QTest::newRow("indexed, past the table black")
                << indexedImage(21, 13, 5, 9) << indexedImage(17, 15, 200) << 2 << -1;
        QTest::newRow("indexed without table: white")
                << indexedImage(10, 8, 0) << indexedImage(10, 8, 4, 4) << 1 << 0;
        QTest::newRow("null left") << QImage() << a << 0 << 0;
        QTest::newRow("8 and 32 bits") << indexedImage(23, 17, 16, 16) << a << 0 << 0;
        QTest::newRow("16 bits") << a.convertToFormat(QImage::Format_RGB16)
                                 << b.convertToFormat(QImage::Format_RGB16) << 0 << 0;
    }

    void composition() // every pixel opaque
    {
        QFETCH(QImage, left);
        QFETCH(QImage, right);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QCOMPARE(vsDefinition(compose(left, right, kLeft, kRight, dx, dy), left, right, dx, dy),
                 QString());
    }

    // Threads must not show in the result; a target that does not fit is refused, untouched.
    void threadsAndTargets()
    {
        const QImage a = patternImage(2100, 1600);
        const QImage b = patternImage(2000, 1700).mirrored(true, false);
        const QImage one = compose(a, b, kLeft, kRight, 7, -3, 1);
        for (const int threads : {2, 3, 0})
            QCOMPARE(compose(a, b, kLeft, kRight, 7, -3, threads), one);
        QImage wrongSize = filledImage(8, 7, 0xff123456u);
        QVERIFY(!kvComposeAnaglyph(b, b, kLeft, kRight, 0, 0, &wrongSize));
        QCOMPARE(wrongSize, filledImage(8, 7, 0xff123456u));
        QImage wrongFormat(b.size(), QImage::Format_RGB888);
        QVERIFY(!kvComposeAnaglyph(b, b, kLeft, kRight, 0, 0, &wrongFormat));
        QVERIFY(!kvComposeAnaglyph(b, b, kLeft, kRight, 0, 0, nullptr));
    }

    // Images set while hidden are composed once, on the first show; so is an offset changed
    // while hidden. The composite's buffers are reused, yet a copy someone keeps must not change.
    void pendingImagesAndKeptCopies()
    {
        const QImage a = patternImage(60, 40);
        const QImage b = patternImage(20, 50);
        KVStereoViewer viewer(a, a);
        QSignalSpy compositions(&viewer, &KVImgViewer::imageChanged);
        viewer.setImages(a, b);
        QVERIFY(viewer.image().isNull());
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        drainEvents();
        QCOMPARE(compositions.count(), 1);
        QCOMPARE(vsDefinition(viewer.image(), a, b, 0, 0), QString());
        const QImage kept = viewer.image();
        viewer.hide();
        viewer.setDeltaX(5);
        viewer.setDeltaY(3, true);
        drainEvents();
        QCOMPARE(compositions.count(), 1);
        viewer.show();
        drainEvents();
        QCOMPARE(compositions.count(), 2);
        QCOMPARE(vsDefinition(viewer.image(), a, b, 5, 3), QString());
        for (int dx = 1; dx <= 3; ++dx)
            viewer.setDeltaX(dx, true);
        const QImage c = patternImage(33, 21); // a new size
        viewer.setImages(c, c);
        QCOMPARE(vsDefinition(viewer.image(), c, c, 3, 3), QString());
        QCOMPARE(vsDefinition(kept, a, b, 0, 0), QString());
        viewer.setImages(indexedImage(17, 9, 8, 8), c); // mixed depths: an empty view
        QVERIFY(viewer.image().isNull());
        QCOMPARE(viewer.contentsWidth(), 0);
    }

    // Colours are composed at once, even while hidden, and signalled after the new picture is
    // in place; invalid or unchanged colours are ignored.
    void colours()
    {
        const QImage a = patternImage(30, 20);
        KVStereoViewer viewer(a, a);
        QStringList order;
        connect(&viewer, &KVStereoViewer::anaglyphColorsChanged, this,
                [&](const QColor& l, const QColor& r) {
                    order << "colours " + l.name() + " " + r.name();
                    const QImage want = expectedAnaglyph(a, a, l, r, 0, 0);
                    QCOMPARE(firstDifference(viewer.image(), want), QString());
                });
        viewer.setAnaglyphColors(QColor(), Qt::blue);
        viewer.setAnaglyphColors(Qt::red, QColor(QStringLiteral("no such colour")));
        viewer.setAnaglyphColors(kLeft, kRight);
        QCOMPARE(order, QStringList());
        viewer.setAnaglyphColors(Qt::green, Qt::blue);
        QCOMPARE(order, QStringList({"colours #00ff00 #0000ff"}));
    }

    // An unchanged offset does nothing; a burst is served by one composition in the event loop,
    // immediateMode composes at once. Each runs under the wait cursor and reports cursorPos again.
    void offsetSignalsAndBursts()
    {
        const QImage a = patternImage(400, 300);
        KVStereoViewer viewer(a, a);
        viewer.resize(300, 200);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        viewer.setZoomFactor(2.0);
        viewer.setContentsPos(100, 60);
        QCursor::setPos(viewer.viewport()->mapToGlobal(QPoint(30, 20)));
        drainEvents();
        const QPoint seen = viewer.viewport()->mapFromGlobal(QCursor::pos());
        QStringList order;
        connect(&viewer, &KVStereoViewer::displacementXChanged, this,
                [&](int v) { order << QStringLiteral("x %1").arg(v); });
        connect(&viewer, &KVStereoViewer::displacementYChanged, this,
                [&](int v) { order << QStringLiteral("y %1").arg(v); });
        connect(&viewer, &KVImgViewer::imageChanged, this, [&] {
            const QCursor* c = QGuiApplication::overrideCursor();
            order << (c && c->shape() == Qt::WaitCursor ? "image" : "image without wait cursor");
        });
        QSignalSpy position(&viewer, &KVXImgViewer::cursorPos);
        connect(&viewer, &KVXImgViewer::cursorPos, this, [&] { order << "cursor"; });
        viewer.setDeltaX(0);
        viewer.setDeltaY(0, false);
        for (int i = 3; i <= 5; ++i) {
            viewer.setDeltaX(i);
            viewer.setDeltaY(-i);
        }
        QCOMPARE(order.join(", "), "x 3, y -3, x 4, y -4, x 5, y -5");
        QTRY_VERIFY(order.contains("image"));
        drainEvents();
        QCOMPARE(order.join(", "), "x 3, y -3, x 4, y -4, x 5, y -5, image, cursor");
        QCOMPARE(position.at(0), (QVariantList{(100 + seen.x()) / 2.0, (60 + seen.y()) / 2.0}));
        QCOMPARE(vsDefinition(viewer.image(), a, a, 5, -5), QString());
        order.clear();
        viewer.setDeltaX(5, true);
        viewer.setDeltaY(4, true);
        QCOMPARE(order.join(", "), "x 5, image, cursor, y 4, image, cursor");
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // A wide and a tall image make a composite of 2^48 bytes, which no machine can give.
    void compositeBeyondMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer stops at an allocation this large instead of failing it");
#endif
        KVStereoViewer viewer(filledImage(1 << 23, 1, qRgb(255, 255, 255)),
                              filledImage(1, 1 << 23, qRgb(255, 255, 255)));
        QTest::ignoreMessage(QtWarningMsg, "MEMORY EXCEPTION");
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QVERIFY(viewer.image().isNull());
        const QImage a = patternImage(20, 10); // nothing is lost: a pair that fits is composed
        viewer.setImages(a, a);
        QCOMPARE(vsDefinition(viewer.image(), a, a, 0, 0), QString());
    }
};

QTEST_MAIN(TestKVStereoViewer)
#include "tst_kvstereoviewer.moc"
