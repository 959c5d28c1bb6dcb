#include "kvimgviewer.h"
#include "viewertesthelpers.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include <sys/mman.h>

using namespace ViewerTest;

namespace {

std::unique_ptr<KVImgViewer> shownViewer(const QImage& image, QSize size = {320, 240})
{
    auto viewer = std::make_unique<KVImgViewer>(image); // kept until shown
    viewer->resize(size);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        qFatal("viewer window not exposed");
    return viewer;
}

QPointF imagePointAt(const KVImgViewer& v, const QPointF& viewportPos)
{
    return (viewportPos + QPoint(v.contentsX(), v.contentsY())) / v.zoomFactor();
}

} // namespace

class TestKVImgViewer : public QObject
{
    Q_OBJECT

    QStringList m_messages; // "caption: text"

private slots:
    void initTestCase()
    {
        KVImgViewer::setMessageBoxHook([this](QWidget*, const QString& c, const QString& t) {
            m_messages << c + ": " + t;
        });
    }
    void init() { m_messages.clear(); }

    // Scrolled painting equals the zoomed image and a full repaint; the hooks paint over it.
    void scrolling()
    {
        const QImage image = patternImage(300, 250);
        auto viewer = shownViewer(image, {200, 160});
        KVImgViewer& v = *viewer;
        v.setZoomFactor(1.7);
        for (QPoint step : {QPoint(7, 0), QPoint(-5, 11), QPoint(150, 0), QPoint(-400, 300)}) {
            viewer->scrollBy(step.x(), step.y());
            QCoreApplication::processEvents();
            const QImage scrolled = screenOfViewport(viewer.get());
            QCOMPARE(compareWithZoomedImage(scrolled, image, v.contentsWidth(), v.contentsHeight(),
                                            v.contentsX(), v.contentsY()),
                     QString());
            viewer->viewport()->repaint();
            QCOMPARE(screenOfViewport(viewer.get()), scrolled);
        }
        QSignalSpy moving(viewer.get(), &KVImgViewer::contentsMoving);
        viewer->setContentsPos(50, 30);
        QCOMPARE(moving.last(), QVariantList({50, 30}));
        QCOMPARE(viewer->viewportToContents(QPoint(10, 20)), QPoint(60, 50));
        QCOMPARE(viewer->contentsToViewport(QPoint(60, 50)), QPoint(10, 20));
        connect(viewer.get(), &KVImgViewer::preDrawing, this, [&](QPainter* p, int ox, int oy) {
            p->fillRect(QRect(QPoint(60, 50) - QPoint(ox, oy), QSize(4, 4)), Qt::red);
        });
        connect(viewer.get(), &KVImgViewer::postDrawing, this,
                [&](QPainter* p) { p->fillRect(11, 21, 9, 9, Qt::blue); });
        const QImage shown = grabViewport(viewer.get());
        QCOMPARE(shown.pixel(10, 20), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(12, 22), qRgb(0, 0, 255));
    }

    void zoomAndCentring_data()
    {
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QSize>("contents"); // empty when the zoom is refused
        QTest::addColumn<QSize>("resized");  // the viewer's size afterwards
        const QSize square(100, 100), none, same(320, 240);
        // 0.0149 makes 1.49 pixels; 1 + 4e-16 is within 1e-15 of the zoom there is.
        for (double refused : {0.0, -2.0, qQNaN(), qInf(), 0.0149, 1.0 + 4e-16})
            QTest::addRow("refused %.17g", refused) << square << refused << none << same;
        QTest::newRow("1.5 pixels round up to 2") << square << 0.015 << QSize(2, 2) << same;
        QTest::newRow("1 pixel high") << QSize(100, 2) << 0.5 << none << same;
        QTest::newRow("75000 pixels wide") << square << 750.0 << QSize(75000, 75000) << same;
        QTest::newRow("75001 pixels high") << QSize(10, 100) << 750.01 << none << same;
        QTest::newRow("2e-15 from the zoom") << square << 1.0 + 2e-15 << square << same;
        QTest::newRow("halves round up") << QSize(7, 5) << 0.5 << QSize(4, 3) << same;
        QTest::newRow("odd gaps, then larger") << QSize(51, 41) << 1.0 << none << QSize(400, 300);
        QTest::newRow("fits zoomed, then not")
                << QSize(1000, 800) << 0.2 << QSize(200, 160) << QSize(180, 150);
    }

    // Scroll bars take room where the contents overflow; the rest is split between margins.
    void zoomAndCentring()
    {
        QFETCH(QSize, imageSize);
        QFETCH(double, zoom);
        QFETCH(QSize, contents);
        QFETCH(QSize, resized);
        auto viewer = shownViewer(patternImage(imageSize.width(), imageSize.height()));
        QSignalSpy spy(viewer.get(), &KVImgViewer::zoomChanged);
        viewer->setZoomFactor(zoom);
        QCOMPARE(spy.count(), contents.isEmpty() ? 0 : 1);
        QCOMPARE(viewer->zoomFactor(), contents.isEmpty() ? 1.0 : zoom);
        const QSize shown = contents.isEmpty() ? imageSize : contents;
        QCOMPARE(QSize(viewer->contentsWidth(), viewer->contentsHeight()), shown);
        const int fw = viewer->frameWidth();
        for (const QSize& size : {viewer->size(), resized}) {
            viewer->resize(size);
            QSize room = size - QSize(2 * fw, 2 * fw);
            if (shown.width() > room.width())
                room.rheight() -= viewer->horizontalScrollBar()->sizeHint().height();
            if (shown.height() > room.height())
                room.rwidth() -= viewer->verticalScrollBar()->sizeHint().width();
            const QSize gap = (room - shown).expandedTo({0, 0});
            QTRY_COMPARE(viewer->viewport()->geometry(),
                         QRect(QPoint(fw + gap.width() / 2, fw + gap.height() / 2),
                               shown.boundedTo(room)));
        }
    }

    void setImage_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("rawDepth"); // the image's bits given as raw data of this depth
        QTest::addColumn<QString>("message");
        const QImage grey = patternImage(12, 5).convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("null image") << QImage() << -1 << "";
        QTest::newRow("1 x 1") << filledImage(1, 1, qRgb(9, 8, 7)) << -1 << "";
        QTest::newRow("alpha channel")
                << patternImage(7, 3).convertToFormat(QImage::Format_ARGB32) << -1 << "";
        QTest::newRow("raw, 8 bit grey") << grey << 8 << "";
        QTest::newRow("raw, zero depth") << grey << 0 << "";
        QTest::newRow("raw, 16 bit refused")
                << grey << 16
                << "Image format not supported: Image depth format (16 bit) not supported";
    }

    // Raw data is shown in place, 8 bits as grey levels whose table, not data, is inverted. A
    // hidden viewer keeps an image until it is shown and then tells of it before `shown`.
    void setImage()
    {
        QFETCH(QImage, image);
        QFETCH(int, rawDepth);
        QFETCH(QString, message);
        const QImage before = patternImage(20, 10);
        auto viewer = shownViewer(before);
        QStringList events;
        connect(viewer.get(), &KVImgViewer::imageChanged, this, [&] { events << "imageChanged"; });
        connect(viewer.get(), &KVImgViewer::shown, this, [&] { events << "shown"; });
        connect(viewer.get(), &KVImgViewer::hidden, this, [&] { events << "hidden"; });
        uchar* bits = const_cast<uchar*>(image.constBits());
        if (rawDepth < 0)
            viewer->setImage(image, true);
        else
            QCOMPARE(viewer->setImage(bits, image.width(), image.height(), rawDepth, 4),
                     message.isEmpty());
        QCOMPARE(m_messages, message.isEmpty() ? QStringList() : QStringList(message));
        QImage expected = !message.isEmpty() ? before
                          : rawDepth == 0    ? QImage()
                                             : image.convertToFormat(QImage::Format_RGB32);
        QCOMPARE(viewer->viewport()->isVisible(), !expected.isNull());
        const auto visible = [&] {
            return viewer->visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32);
        };
        QCOMPARE(visible(), expected);
        QVERIFY(rawDepth != 8 || viewer->imageBits() == bits);
        viewer->invertColors();
        QVERIFY(rawDepth != 8 || image.convertToFormat(QImage::Format_RGB32) == expected);
        expected.invertPixels();
        QCOMPARE(visible(), expected);
        // Inverting keeps an opaque image opaque, whatever its format, so an export stays visible.
        const QImage inverted = viewer->image().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(inverted, inverted.convertToFormat(QImage::Format_RGB32)
                                   .convertToFormat(QImage::Format_ARGB32));
        viewer->hide();
        viewer->setImage(before, false);
        events << "|"; // the image set while hidden waits for the show
        viewer->show();
        QCOMPARE(events.join(' '), QString(message.isEmpty() ? "imageChanged " : "")
                                           + "imageChanged hidden | imageChanged shown");
        QCOMPARE(grabViewport(viewer.get()), before);
    }

    void zoomStackAndBack()
    {
        auto viewer = shownViewer(patternImage(800, 600));
        QSignalSpy spy(viewer.get(), &KVImgViewer::zoomChanged);
        for (const QPointF& c : {QPointF(-0.5, 10), QPointF(800.5, 10), QPointF(10, 600.01),
                                 QPointF(qQNaN(), 10), QPointF(10, qInf()), QPointF(800, 600)})
            viewer->zoomInAtPosition(c.x(), c.y());
        QCOMPARE(spy.count(), 1); // only the far corner is in the image
        viewer->zoomBack();
        const QPointF middle = QPointF(viewer->visibleWidth(), viewer->visibleHeight()) / 2;
        const auto centre = [&] { return imagePointAt(*viewer, middle); };
        const QPointF c0 = centre();
        viewer->zoomInAtPosition(300.0, 200.0);
        viewer->zoomInAtPosition(500.0, 400.0);
        QCOMPARE(viewer->zoomFactor(), 1.15 * 1.15);
        for (const auto& [zoom, c] : {std::pair(1.15, QPointF(300, 200)), std::pair(1.0, c0)}) {
            viewer->zoomBack();
            QCOMPARE(viewer->zoomFactor(), zoom);
            QVERIFY((centre() - c).manhattanLength() <= 2);
        }
        viewer->zoomBack(); // nothing left to go back to
        QCOMPARE(spy.count(), 6);
        viewer->zoomIn();
        viewer->zoomOut();
        QCOMPARE(viewer->zoomFactor(), 0.9775);
        QVERIFY(!viewer->canZoomBack()); // the item of zoom 1.0 is at least 0.9775: gone
    }

    void zoomAtCursor_data()
    {
        QTest::addColumn<int>("input"); // a letter key, else the wheel turned by this delta
        QTest::addColumn<double>("factor");
        for (int key : {Qt::Key_U, Qt::Key_W, Qt::Key_E, Qt::Key_I})
            QTest::addRow("key %c", key) << key << (key >= Qt::Key_U ? 1.15 : 0.85);
        QTest::newRow("wheel forward") << 120 << 1.15;
        QTest::newRow("wheel backward") << -120 << 0.85;
        QTest::newRow("wheel delta 0 zooms out") << 0 << 0.85;
    }

    // The image point under the cursor stays there; outside the viewport nothing happens.
    void zoomAtCursor()
    {
        QFETCH(int, input);
        QFETCH(double, factor);
        auto viewer = shownViewer(patternImage(1000, 800));
        viewer->setContentsPos(300, 250);
        QWidget* vp = viewer->viewport();
        auto send = [&](const QPoint& at) {
            QCursor::setPos(vp->mapToGlobal(at));
            if (input >= Qt::Key_A && input <= Qt::Key_Z)
                return QTest::keyClick(viewer.get(), Qt::Key(input));
            QWheelEvent wheel(at, vp->mapToGlobal(QPointF(at)), {}, {0, input}, Qt::NoButton, {},
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(vp, &wheel);
        };
        const QPoint cursor(70, 50);
        const QPointF before = imagePointAt(*viewer, cursor);
        send(cursor);
        QCOMPARE(viewer->zoomFactor(), factor);
        QVERIFY((imagePointAt(*viewer, cursor) - before).manhattanLength() <= 2 / factor + 1e-9);
        send({viewer->visibleWidth(), 10});
        send({10, -1});
        QCOMPARE(viewer->zoomFactor(), factor);
    }

    // 30000 x 20000 pixels up to the largest zoom: shown in place, rendered only where seen.
    void hugeImage()
    {
        const int w = 30000, h = 20000;
        const size_t bytes = size_t(w) * h * 4; // untouched pages of the mapping cost nothing
        auto* data
                = static_cast<QRgb*>(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
        if (data == MAP_FAILED)
            QSKIP("cannot reserve address space for the image");
        auto unmap = qScopeGuard([&] { ::munmap(data, bytes); });
        data[size_t(w) * h - 1] = qRgb(255, 0, 0); // beyond 2^31 bytes into the data
        auto viewer = shownViewer(QImage());
        QVERIFY(viewer->setImage(reinterpret_cast<uchar*>(data), w, h, 32, 4));
        viewer->setZoomFactor(2.5); // 75000 pixels wide
        viewer->setContentsPos(75000, 50000);
        const QPoint last(viewer->visibleWidth() - 1, viewer->visibleHeight() - 1);
        QCOMPARE(grabViewport(viewer.get()).pixel(last), qRgb(255, 0, 0));
    }

    // Cancelled, unwritable (one message box), a page filled in width and centred vertically.
    void print()
    {
        auto viewer = shownViewer(filledImage(2000, 100, qRgb(0, 0, 0)), {600, 120});
        QTemporaryDir dir;
        QString pdf;
        KVImgViewer::setPrintSetupHook([&](QPrinter* printer, QWidget*) {
            printer->setOutputFileName(pdf);
            printer->setFullPage(true);
            return !pdf.isEmpty();
        });
        auto restore = qScopeGuard([] { KVImgViewer::setPrintSetupHook(nullptr); });
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        for (const char* name : {"", "missing/page.pdf", "page.pdf"}) {
            pdf = *name ? dir.filePath(name) : QString();
            viewer->print(viewer.get());
        }
        QCOMPARE(m_messages,
                 QStringList("Printing failed: Cannot print the page.\nPlease check "
                             "that the printer is turned on and correctly installed."));
        QVERIFY(!QApplication::overrideCursor());
        const int converted = QProcess::execute(
                "pdftoppm", {"-r", "50", "-png", "-singlefile", pdf, dir.filePath("page")});
        if (converted == -2)
            QSKIP("pdftoppm is needed to look at the printed page");
        const QImage page(dir.filePath("page.png"));
        QRect dark;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                dark |= qGray(page.pixel(x, y)) < 128 ? QRect(x, y, 1, 1) : QRect();
        const QSize vs = viewer->viewport()->size();
        QVERIFY(dark.left() <= 1 && dark.right() >= page.width() - 2);
        QVERIFY(qAbs(dark.height() - double(page.width()) * vs.height() / vs.width()) <= 2);
        QVERIFY(qAbs(dark.top() - (page.height() - 1 - dark.bottom())) <= 2);
    }
};

QTEST_MAIN(TestKVImgViewer)
#include "tst_kvimgviewer.moc"
