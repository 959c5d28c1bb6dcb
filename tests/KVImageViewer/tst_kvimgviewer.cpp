#include "kvimgviewer.h"
#include "viewertesthelpers.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <limits>
#include <memory>

#include <sys/mman.h>

using namespace ViewerTest;

namespace {

struct MessageRequest
{
    QWidget* parent = nullptr;
    QString caption;
    QString text;
};

// Resident memory of this process in kilobytes.
qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QPointF visibleCentre(const KVImgViewer& viewer)
{
    return QPointF((viewer.contentsX() + viewer.visibleWidth() * 0.5) / viewer.zoomFactor(),
                   (viewer.contentsY() + viewer.visibleHeight() * 0.5) / viewer.zoomFactor());
}

} // namespace

class TestKVImgViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    // coordinates and layout
    void newViewerDefaults();
    void contentsSizeRounding_data();
    void contentsSizeRounding();
    void coordinatesFollowScrollPosition();
    void smallImageIsCentred_data();
    void smallImageIsCentred();
    void wideImageIsCentredVertically();
    void largeImageFillsTheViewer();
    void viewportHiddenWhileEmpty_data();
    void viewportHiddenWhileEmpty();

    // zoom
    void zoomLimits_data();
    void zoomLimits();
    void zoomCentreOutsideImageIsIgnored_data();
    void zoomCentreOutsideImageIsIgnored();
    void zoomStackExample();
    void zoomBackRestoresZoomAndCentre();
    void zoomAtCursorKeepsPointUnderCursor_data();
    void zoomAtCursorKeepsPointUnderCursor();
    void zoomKeysWithCursorOutsideDoNothing();
    void otherKeysArePassedOn();
    void fitToWindowFitsTheImage();

    // images
    void pendingImageWaitsForShow();
    void constructorImageWaitsForShow();
    void rawBuffer_data();
    void rawBuffer();
    void invertColors32Bit();
    void invertColorsIndexed();

    // painting
    void indexedImageWithShortTable();
    void scrolledPaintingEqualsFullRepaint();
    void drawingHooksRunInOrder();
    void visiblePixmapShowsTheViewport();
    void drawVisibleAreaClipsToViewport();
    void hugeImageCostsOnlyTheViewport();

    // printing
    void printFillsPageAndCentres();
    void printFailureIsReported();
    void printCancelledDoesNothing();

private:
    std::unique_ptr<KVImgViewer> shownViewer(const QImage& image, const QSize& size);

    QList<MessageRequest> m_messages;
    std::function<bool(QPrinter*)> m_printSetup;
    QTemporaryDir m_dir;
};

void TestKVImgViewer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    KVImgViewer::setMessageBoxHook(
            [this](QWidget* parent, const QString& caption, const QString& text) {
                m_messages.append({parent, caption, text});
            });
    KVImgViewer::setPrintSetupHook([this](QPrinter* printer, QWidget*) {
        return m_printSetup ? m_printSetup(printer) : false;
    });
}

void TestKVImgViewer::init()
{
    m_messages.clear();
    m_printSetup = nullptr;
}

void TestKVImgViewer::cleanupTestCase()
{
    KVImgViewer::setMessageBoxHook(nullptr);
    KVImgViewer::setPrintSetupHook(nullptr);
}

std::unique_ptr<KVImgViewer> TestKVImgViewer::shownViewer(const QImage& image, const QSize& size)
{
    auto viewer = std::make_unique<KVImgViewer>();
    viewer->resize(size);
    viewer->setImage(image, true);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        return nullptr;
    return viewer;
}

// ---- coordinates and layout -----------------------------------------------------------------

void TestKVImgViewer::newViewerDefaults()
{
    KVImgViewer viewer;
    viewer.resize(200, 150);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(viewer.zoomFactor(), 1.0);
    QCOMPARE(viewer.zoomInOutFactor(), 15u);
    QVERIFY(!viewer.canZoomBack());
    QCOMPARE(viewer.mode(), KVImgViewer::ViewMode);
    QVERIFY(viewer.image().isNull());
    QVERIFY(viewer.imageBits() == nullptr);
    QVERIFY(!viewer.viewport()->isVisible());

    QSignalSpy zoomSpy(&viewer, &KVImgViewer::zoomChanged);
    viewer.fitToWindow();
    viewer.zoomWidth();
    viewer.zoomIn();
    QCOMPARE(viewer.zoomFactor(), 1.0);
    QCOMPARE(zoomSpy.count(), 0);
    QVERIFY(viewer.visiblePixmap().isNull());
}

void TestKVImgViewer::contentsSizeRounding_data()
{
    QTest::addColumn<QSize>("image");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QSize>("contents");
    QTest::newRow("halves round up") << QSize(7, 5) << 0.5 << QSize(4, 3);
    QTest::newRow("1.15 of 101 x 33") << QSize(101, 33) << 1.15 << QSize(116, 38);
    QTest::newRow("0.37 of 13 x 11") << QSize(13, 11) << 0.37 << QSize(5, 4);
    QTest::newRow("3 of 1 x 1") << QSize(1, 1) << 3.0 << QSize(3, 3);
}

void TestKVImgViewer::contentsSizeRounding()
{
    QFETCH(QSize, image);
    QFETCH(double, zoom);
    QFETCH(QSize, contents);
    auto viewer = shownViewer(patternImage(image.width(), image.height()), QSize(300, 200));
    QVERIFY(viewer);
    viewer->setZoomFactor(zoom);
    QCOMPARE(viewer->zoomFactor(), zoom);
    QCOMPARE(QSize(viewer->contentsWidth(), viewer->contentsHeight()), contents);
    // The viewport never grows beyond the zoomed image.
    QCOMPARE(viewer->viewport()->size(), contents);
}

void TestKVImgViewer::coordinatesFollowScrollPosition()
{
    auto viewer = shownViewer(patternImage(400, 300), QSize(200, 150));
    QVERIFY(viewer);
    viewer->setZoomFactor(2.0);
    QCOMPARE(viewer->contentsWidth(), 800);
    QCOMPARE(viewer->contentsHeight(), 600);
    QSignalSpy moving(viewer.get(), &KVImgViewer::contentsMoving);

    viewer->setContentsPos(50, 30);
    QCOMPARE(viewer->contentsX(), 50);
    QCOMPARE(viewer->contentsY(), 30);
    QVERIFY(!moving.isEmpty());
    QCOMPARE(moving.last().at(0).toInt(), 50);
    QCOMPARE(moving.last().at(1).toInt(), 30);
    QCOMPARE(viewer->viewportToContents(QPoint(10, 20)), QPoint(60, 50));
    QCOMPARE(viewer->contentsToViewport(QPoint(60, 50)), QPoint(10, 20));

    viewer->scrollBy(-20, 5);
    QCOMPARE(QPoint(viewer->contentsX(), viewer->contentsY()), QPoint(30, 35));

    // Positions beyond the contents stop at its edge.
    viewer->setContentsPos(5000, -10);
    QCOMPARE(viewer->contentsX(), viewer->contentsWidth() - viewer->visibleWidth());
    QCOMPARE(viewer->contentsY(), 0);

    viewer->center(400, 300);
    QCOMPARE(viewer->contentsX(), 400 - viewer->visibleWidth() / 2);
    QCOMPARE(viewer->contentsY(), 300 - viewer->visibleHeight() / 2);
}

void TestKVImgViewer::smallImageIsCentred_data()
{
    QTest::addColumn<QSize>("viewerSize");
    QTest::addColumn<QSize>("imageSize");
    QTest::addColumn<QSize>("resized");
    QTest::newRow("even gaps, then larger") << QSize(320, 240) << QSize(50, 40) << QSize(400, 300);
    QTest::newRow("odd gaps, then smaller") << QSize(321, 241) << QSize(51, 40) << QSize(200, 151);
}

void TestKVImgViewer::smallImageIsCentred()
{
    QFETCH(QSize, viewerSize);
    QFETCH(QSize, imageSize);
    QFETCH(QSize, resized);
    auto viewer = shownViewer(patternImage(imageSize.width(), imageSize.height()), viewerSize);
    QVERIFY(viewer);
    const int fw = viewer->frameWidth();
    auto expectedGeometry = [&] {
        const int availW = viewer->width() - 2 * fw;
        const int availH = viewer->height() - 2 * fw;
        return QRect(fw + (availW - imageSize.width()) / 2, fw + (availH - imageSize.height()) / 2,
                     imageSize.width(), imageSize.height());
    };
    QCOMPARE(viewer->viewport()->geometry(), expectedGeometry());
    QVERIFY(!viewer->horizontalScrollBar()->isVisible());
    QVERIFY(!viewer->verticalScrollBar()->isVisible());

    viewer->resize(resized);
    QTRY_COMPARE(viewer->size(), resized);
    QCOMPARE(viewer->viewport()->geometry(), expectedGeometry());
}

void TestKVImgViewer::wideImageIsCentredVertically()
{
    auto viewer = shownViewer(patternImage(1000, 40), QSize(320, 240));
    QVERIFY(viewer);
    const int fw = viewer->frameWidth();
    const int availW = viewer->width() - 2 * fw;
    const int availH = viewer->height() - 2 * fw;
    const int barHeight = viewer->horizontalScrollBar()->sizeHint().height();
    QTRY_VERIFY(viewer->horizontalScrollBar()->isVisible());
    QVERIFY(!viewer->verticalScrollBar()->isVisible());
    QCOMPARE(viewer->viewport()->geometry(),
             QRect(fw, fw + (availH - barHeight - 40) / 2, availW, 40));
    QCOMPARE(viewer->horizontalScrollBar()->maximum(), 1000 - availW);
}

void TestKVImgViewer::largeImageFillsTheViewer()
{
    auto viewer = shownViewer(patternImage(1000, 800), QSize(320, 240));
    QVERIFY(viewer);
    const int fw = viewer->frameWidth();
    const int availW = viewer->width() - 2 * fw - viewer->verticalScrollBar()->sizeHint().width();
    const int availH
            = viewer->height() - 2 * fw - viewer->horizontalScrollBar()->sizeHint().height();
    QTRY_VERIFY(viewer->horizontalScrollBar()->isVisible());
    QVERIFY(viewer->verticalScrollBar()->isVisible());
    QCOMPARE(viewer->viewport()->geometry(), QRect(fw, fw, availW, availH));
    QCOMPARE(viewer->visibleWidth(), availW);
    QCOMPARE(viewer->horizontalScrollBar()->maximum(), 1000 - availW);
    QCOMPARE(viewer->verticalScrollBar()->maximum(), 800 - availH);

    // A zoom that makes it fit takes the bars away again.
    viewer->setZoomFactor(0.2);
    QVERIFY(!viewer->horizontalScrollBar()->isVisible());
    QVERIFY(!viewer->verticalScrollBar()->isVisible());
    QCOMPARE(viewer->viewport()->size(), QSize(200, 160));
}

void TestKVImgViewer::viewportHiddenWhileEmpty_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("visible");
    QTest::newRow("null image") << QImage() << false;
    QTest::newRow("zero width") << QImage(0, 5, QImage::Format_RGB32) << false;
    QTest::newRow("zero height") << QImage(5, 0, QImage::Format_RGB32) << false;
    QTest::newRow("1 x 1") << filledImage(1, 1, qRgb(9, 8, 7)) << true;
}

void TestKVImgViewer::viewportHiddenWhileEmpty()
{
    QFETCH(QImage, image);
    QFETCH(bool, visible);
    auto viewer = shownViewer(patternImage(20, 10), QSize(200, 150));
    QVERIFY(viewer);
    QVERIFY(viewer->viewport()->isVisible());
    viewer->setImage(image, true);
    QCOMPARE(viewer->viewport()->isVisible(), visible);
    if (visible) {
        const QImage shown = grabViewport(viewer.get());
        QCOMPARE(shown.size(), QSize(1, 1));
        QCOMPARE(shown.pixel(0, 0), qRgb(9, 8, 7));
    } else {
        QVERIFY(viewer->visiblePixmap().isNull());
    }
}

// ---- zoom -----------------------------------------------------------------------------------

void TestKVImgViewer::zoomLimits_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("accepted");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zero") << 0.0 << false;
    QTest::newRow("negative") << -2.0 << false;
    QTest::newRow("NaN") << nan << false;
    QTest::newRow("infinity") << inf << false;
    QTest::newRow("1.49 pixels wide") << 0.0149 << false;
    QTest::newRow("1.5 pixels round up to 2") << 0.015 << true;
    QTest::newRow("2 pixels wide") << 0.02 << true;
    QTest::newRow("75000 pixels wide") << 750.0 << true;
    QTest::newRow("75001 pixels wide") << 750.01 << false;
    QTest::newRow("unchanged") << 1.0 << false;
    QTest::newRow("unchanged within 1e-15") << 1.0 + 1e-16 << false;
}

void TestKVImgViewer::zoomLimits()
{
    QFETCH(double, zoom);
    QFETCH(bool, accepted);
    auto viewer = shownViewer(patternImage(100, 100), QSize(320, 240));
    QVERIFY(viewer);
    QSignalSpy spy(viewer.get(), &KVImgViewer::zoomChanged);
    viewer->setZoomFactor(zoom);
    if (accepted) {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toDouble(), zoom);
        QCOMPARE(viewer->zoomFactor(), zoom);
        QCOMPARE(viewer->contentsWidth(), qRound(100 * zoom));
        QCOMPARE(viewer->canZoomBack(), zoom > 1.0);
        // The back buffer stays as small as the viewport whatever the zoom.
        QVERIFY(!grabViewport(viewer.get()).isNull());
        QVERIFY(viewer->viewport()->width() <= 320);
    } else {
        QCOMPARE(spy.count(), 0);
        QCOMPARE(viewer->zoomFactor(), 1.0);
        QVERIFY(!viewer->canZoomBack());
        QCOMPARE(viewer->contentsWidth(), 100);
    }
}

void TestKVImgViewer::zoomCentreOutsideImageIsIgnored_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("left of the image") << -0.5 << 10.0 << false;
    QTest::newRow("right of the image") << 100.5 << 10.0 << false;
    QTest::newRow("above") << 10.0 << -1.0 << false;
    QTest::newRow("below") << 10.0 << 80.01 << false;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 10.0 << false;
    QTest::newRow("infinite") << 10.0 << std::numeric_limits<double>::infinity() << false;
    QTest::newRow("on the far corner") << 100.0 << 80.0 << true;
}

void TestKVImgViewer::zoomCentreOutsideImageIsIgnored()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(bool, accepted);
    auto viewer = shownViewer(patternImage(100, 80), QSize(320, 240));
    QVERIFY(viewer);
    QSignalSpy spy(viewer.get(), &KVImgViewer::zoomChanged);
    viewer->zoomInAtPosition(x, y);
    QCOMPARE(spy.count(), accepted ? 1 : 0);
    QCOMPARE(viewer->zoomFactor(), accepted ? 1.15 : 1.0);
    QCOMPARE(viewer->canZoomBack(), accepted);
}

void TestKVImgViewer::zoomStackExample()
{
    auto viewer = shownViewer(patternImage(400, 300), QSize(320, 240));
    QVERIFY(viewer);
    QSignalSpy spy(viewer.get(), &KVImgViewer::zoomChanged);
    viewer->zoomIn();
    QCOMPARE(viewer->zoomFactor(), 1.15);
    QVERIFY(viewer->canZoomBack());
    viewer->zoomOut();
    QCOMPARE(viewer->zoomFactor(), 0.9775);
    // The item of zoom 1.0 is at least 0.9775: gone.
    QVERIFY(!viewer->canZoomBack());
    QCOMPARE(spy.count(), 2);

    viewer->setZoomInOutFactor(50);
    QCOMPARE(viewer->zoomInOutFactor(), 50u);
    viewer->zoomIn();
    QCOMPARE(viewer->zoomFactor(), 0.9775 * 1.5);
}

void TestKVImgViewer::zoomBackRestoresZoomAndCentre()
{
    auto viewer = shownViewer(patternImage(800, 600), QSize(320, 240));
    QVERIFY(viewer);
    const QPointF c0 = visibleCentre(*viewer);
    viewer->zoomInAtPosition(300.0, 200.0);
    QCOMPARE(viewer->zoomFactor(), 1.15);
    const QPointF c1 = visibleCentre(*viewer);
    QVERIFY(std::abs(c1.x() - 300.0) <= 1.0 && std::abs(c1.y() - 200.0) <= 1.0);
    viewer->zoomInAtPosition(500.0, 400.0);
    QCOMPARE(viewer->zoomFactor(), 1.15 * 1.15);

    QSignalSpy spy(viewer.get(), &KVImgViewer::zoomChanged);
    viewer->zoomBack();
    QCOMPARE(viewer->zoomFactor(), 1.15);
    QPointF c = visibleCentre(*viewer);
    QVERIFY2(std::abs(c.x() - c1.x()) <= 1.0 && std::abs(c.y() - c1.y()) <= 1.0,
             qPrintable(QStringLiteral("centre %1, %2").arg(c.x()).arg(c.y())));
    viewer->zoomBack();
    QCOMPARE(viewer->zoomFactor(), 1.0);
    c = visibleCentre(*viewer);
    QVERIFY(std::abs(c.x() - c0.x()) <= 1.0 && std::abs(c.y() - c0.y()) <= 1.0);
    QVERIFY(!viewer->canZoomBack());
    viewer->zoomBack();
    QCOMPARE(spy.count(), 2);
}

void TestKVImgViewer::zoomAtCursorKeepsPointUnderCursor_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<double>("factor");
    QTest::newRow("key U") << "U" << 1.15;
    QTest::newRow("key W") << "W" << 1.15;
    QTest::newRow("key E") << "E" << 0.85;
    QTest::newRow("key I") << "I" << 0.85;
    QTest::newRow("wheel forward") << "wheel+" << 1.15;
    QTest::newRow("wheel backward") << "wheel-" << 0.85;
    QTest::newRow("wheel delta 0 zooms out") << "wheel0" << 0.85;
}

void TestKVImgViewer::zoomAtCursorKeepsPointUnderCursor()
{
    QFETCH(QString, input);
    QFETCH(double, factor);
    auto viewer = shownViewer(patternImage(1000, 800), QSize(320, 240));
    QVERIFY(viewer);
    viewer->setContentsPos(300, 250);
    const QPoint cursor(70, 50);
    QCursor::setPos(viewer->viewport()->mapToGlobal(cursor));
    const QPointF before((viewer->contentsX() + cursor.x()) / viewer->zoomFactor(),
                         (viewer->contentsY() + cursor.y()) / viewer->zoomFactor());

    if (input.startsWith(QLatin1String("wheel"))) {
        const int delta = input.endsWith('+') ? 120 : input.endsWith('-') ? -120 : 0;
        QWheelEvent wheel(QPointF(cursor), QPointF(viewer->viewport()->mapToGlobal(cursor)),
                          QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewer->viewport(), &wheel);
        QVERIFY(wheel.isAccepted());
    } else {
        QTest::keyClick(viewer.get(), Qt::Key(QKeySequence(input)[0].key()));
    }
    QCOMPARE(viewer->zoomFactor(), factor);
    const double z = viewer->zoomFactor();
    const QPointF after((viewer->contentsX() + cursor.x()) / z,
                        (viewer->contentsY() + cursor.y()) / z);
    // Whole-pixel scroll positions allow one screen pixel of play.
    QVERIFY2(std::abs(after.x() - before.x()) <= 1.0 / z + 1e-9
                     && std::abs(after.y() - before.y()) <= 1.0 / z + 1e-9,
             qPrintable(QStringLiteral("(%1, %2) moved to (%3, %4)")
                                .arg(before.x())
                                .arg(before.y())
                                .arg(after.x())
                                .arg(after.y())));
}

void TestKVImgViewer::zoomKeysWithCursorOutsideDoNothing()
{
    auto viewer = shownViewer(patternImage(1000, 800), QSize(320, 240));
    QVERIFY(viewer);
    QCursor::setPos(viewer->viewport()->mapToGlobal(QPoint(-5, 10)));
    QSignalSpy spy(viewer.get(), &KVImgViewer::zoomChanged);
    QTest::keyClick(viewer.get(), Qt::Key_U);
    QTest::keyClick(viewer.get(), Qt::Key_E);
    QCursor::setPos(viewer->viewport()->mapToGlobal(
            QPoint(viewer->visibleWidth(), viewer->visibleHeight() - 1)));
    QTest::keyClick(viewer.get(), Qt::Key_W);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(viewer->zoomFactor(), 1.0);
}

void TestKVImgViewer::otherKeysArePassedOn()
{
    auto viewer = shownViewer(patternImage(100, 80), QSize(320, 240));
    QVERIFY(viewer);
    QKeyEvent arrow(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(viewer.get(), &arrow);
    QVERIFY(!arrow.isAccepted());
    QCOMPARE(viewer->contentsX(), 0);
}

void TestKVImgViewer::fitToWindowFitsTheImage()
{
    auto viewer = shownViewer(patternImage(1000, 400), QSize(320, 240));
    QVERIFY(viewer);
    viewer->fitToWindow();
    const int fw = viewer->frameWidth();
    const double z = double(viewer->width() - 2 * fw) / 1000;
    QCOMPARE(viewer->zoomFactor(), z);
    QVERIFY(!viewer->horizontalScrollBar()->isVisible());
    QVERIFY(!viewer->verticalScrollBar()->isVisible());
    QCOMPARE(viewer->contentsWidth(), viewer->width() - 2 * fw);

    // Fitted to the height the image overflows the width: the horizontal bar takes its room
    // from the height.
    viewer->zoomHeight();
    const double heightFit = double(viewer->height() - 2 * fw) / 400;
    QVERIFY(1000 * heightFit > viewer->width() - 2 * fw);
    const int barHeight = viewer->horizontalScrollBar()->sizeHint().height();
    QCOMPARE(viewer->zoomFactor(), double(viewer->height() - 2 * fw - barHeight) / 400);
    QVERIFY(viewer->horizontalScrollBar()->isVisible());
    QVERIFY(!viewer->verticalScrollBar()->isVisible());
    QCOMPARE(viewer->contentsHeight(), viewer->visibleHeight());
}

// ---- images ---------------------------------------------------------------------------------

void TestKVImgViewer::pendingImageWaitsForShow()
{
    KVImgViewer viewer;
    viewer.resize(200, 150);
    QStringList events;
    connect(&viewer, &KVImgViewer::imageChanged, this, [&] { events << "imageChanged"; });
    connect(&viewer, &KVImgViewer::shown, this, [&] { events << "shown"; });
    connect(&viewer, &KVImgViewer::hidden, this, [&] { events << "hidden"; });

    const QImage first = patternImage(30, 20);
    viewer.setImage(first, false);
    QVERIFY(events.isEmpty());
    QCOMPARE(viewer.image(), first);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(events, QStringList({"imageChanged", "shown"}));
    QVERIFY(viewer.viewport()->isVisible());
    QCOMPARE(grabViewport(&viewer).pixel(5, 5), first.pixel(5, 5));

    events.clear();
    viewer.hide();
    QCOMPARE(events, QStringList({"hidden"}));
    const QImage second = filledImage(40, 10, qRgb(1, 200, 3));
    viewer.setImage(second, true);
    QCOMPARE(events, QStringList({"hidden"}));
    viewer.show();
    QCOMPARE(events, QStringList({"hidden", "imageChanged", "shown"}));
    QCOMPARE(grabViewport(&viewer).pixel(5, 5), qRgb(1, 200, 3));

    // Visible: applied at once.
    events.clear();
    QSignalSpy changed(&viewer, &KVImgViewer::imageChanged);
    viewer.setImage(first, true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().value<QImage>(), first);
}

void TestKVImgViewer::constructorImageWaitsForShow()
{
    const QImage image = patternImage(30, 20);
    KVImgViewer viewer(image);
    QSignalSpy changed(&viewer, &KVImgViewer::imageChanged);
    QCOMPARE(viewer.image(), image);
    viewer.resize(200, 150);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(viewer.viewport()->size(), QSize(30, 20));
}

void TestKVImgViewer::rawBuffer_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("result");
    QTest::newRow("8 bit grey") << 12 << 5 << 8 << true;
    QTest::newRow("32 bit") << 7 << 5 << 32 << true;
    QTest::newRow("16 bit refused") << 12 << 5 << 16 << false;
    QTest::newRow("24 bit refused") << 12 << 5 << 24 << false;
    QTest::newRow("zero width") << 0 << 5 << 32 << true;
    QTest::newRow("zero depth") << 12 << 5 << 0 << true;
}

void TestKVImgViewer::rawBuffer()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, depth);
    QFETCH(bool, result);
    const QImage before = filledImage(10, 10, qRgb(50, 60, 70));
    auto viewer = shownViewer(before, QSize(200, 150));
    QVERIFY(viewer);

    std::vector<uchar> data(size_t(std::max(width, 1)) * size_t(height) * 4);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uchar(i * 7 + 3);
    QSignalSpy changed(viewer.get(), &KVImgViewer::imageChanged);
    QCOMPARE(viewer->setImage(data.data(), width, height, depth, 4), result);

    if (!result) {
        QCOMPARE(m_messages.count(), 1);
        QCOMPARE(m_messages.first().parent, nullptr);
        QCOMPARE(m_messages.first().caption, QStringLiteral("Image format not supported"));
        QCOMPARE(m_messages.first().text,
                 QStringLiteral("Image depth format (%1 bit) not supported").arg(depth));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(viewer->image(), before);
        return;
    }
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(changed.count(), 1);
    if (width == 0 || depth == 0) {
        QVERIFY(viewer->image().isNull());
        QVERIFY(!viewer->viewport()->isVisible());
        return;
    }
    // The caller's buffer is shown as it is, not copied.
    QCOMPARE(viewer->imageBits(), data.data());
    QCOMPARE(viewer->imageDepth(), depth);
    const QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.size(), QSize(width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb want;
            if (depth == 8) {
                const uchar v = data[size_t(y * width + x)];
                want = qRgb(v, v, v);
            } else {
                const uchar* p = data.data() + (y * width + x) * 4;
                want = qRgb(p[2], p[1], p[0]); // little-endian 0xAARRGGBB
            }
            QCOMPARE(shown.pixel(x, y), want);
        }
    }
}

void TestKVImgViewer::invertColors32Bit()
{
    const QImage original = patternImage(9, 7);
    auto viewer = shownViewer(original, QSize(200, 150));
    QVERIFY(viewer);
    QSignalSpy changed(viewer.get(), &KVImgViewer::imageChanged);
    viewer->invertColors();
    QCOMPARE(changed.count(), 1);
    const QImage shown = grabViewport(viewer.get());
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            const QRgb p = original.pixel(x, y);
            QCOMPARE(shown.pixel(x, y), qRgb(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p)));
        }
    }
    // The caller's copy is not touched.
    QCOMPARE(original, patternImage(9, 7));
}

void TestKVImgViewer::invertColorsIndexed()
{
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0)});
    indexed.fill(0);
    indexed.setPixel(1, 0, 1);
    auto viewer = shownViewer(indexed, QSize(200, 150));
    QVERIFY(viewer);
    viewer->invertColors();
    QCOMPARE(viewer->image().pixelIndex(1, 0), 1);
    const QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(0, 0), qRgb(245, 235, 225));
    QCOMPARE(shown.pixel(1, 0), qRgb(55, 155, 255));
}

// ---- painting -------------------------------------------------------------------------------

void TestKVImgViewer::indexedImageWithShortTable()
{
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgba(40, 50, 60, 0)});
    indexed.scanLine(0)[0] = 0;
    indexed.scanLine(0)[1] = 1;
    indexed.scanLine(0)[2] = 7; // beyond the table
    auto viewer = shownViewer(indexed, QSize(200, 150));
    QVERIFY(viewer);
    viewer->setZoomFactor(4.0);
    const QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.size(), QSize(12, 4));
    QCOMPARE(shown.pixel(3, 3), qRgb(10, 20, 30));
    QCOMPARE(shown.pixel(4, 0), qRgb(40, 50, 60)); // alpha is not shown
    QCOMPARE(shown.pixel(11, 2), qRgb(0, 0, 0));
}

void TestKVImgViewer::scrolledPaintingEqualsFullRepaint()
{
    const QImage image = patternImage(300, 250);
    auto viewer = shownViewer(image, QSize(200, 160));
    QVERIFY(viewer);
    viewer->setZoomFactor(1.7);
    const QList<QPoint> steps = {{7, 0},   {0, 9},    {-5, 11},    {30, -20}, {1, 1},
                                 {150, 0}, {-40, 90}, {-400, 300}, {3, -2}};
    for (const QPoint& step : steps) {
        viewer->scrollBy(step.x(), step.y());
        QCoreApplication::processEvents();
        const QImage scrolled = screenOfViewport(viewer.get());
        const QString difference = compareWithZoomedImage(
                scrolled, image, viewer->contentsWidth(), viewer->contentsHeight(),
                viewer->contentsX(), viewer->contentsY());
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("after scrolling to (%1, %2): %3")
                                                          .arg(viewer->contentsX())
                                                          .arg(viewer->contentsY())
                                                          .arg(difference)));
        viewer->viewport()->repaint();
        QCOMPARE(screenOfViewport(viewer.get()), scrolled);
    }
}

void TestKVImgViewer::drawingHooksRunInOrder()
{
    auto viewer = shownViewer(filledImage(300, 200, qRgb(0, 0, 0)), QSize(160, 120));
    QVERIFY(viewer);
    viewer->setContentsPos(20, 10);
    QStringList order;
    QList<int> offsets;
    connect(viewer.get(), &KVImgViewer::preDrawing, this,
            [&](QPainter* p, int ox, int oy, int, int, int, int) {
                order << "pre";
                offsets << ox << oy;
                p->fillRect(QRect(5, 5, 10, 10), Qt::red);
            });
    connect(viewer.get(), &KVImgViewer::postDrawing, this,
            [&](QPainter* p, int, int, int, int, int, int) {
                order << "post";
                p->fillRect(QRect(10, 10, 10, 10), Qt::blue);
            });
    const QImage shown = grabViewport(viewer.get());
    QCOMPARE(order.mid(0, 2), QStringList({"pre", "post"}));
    QCOMPARE(offsets.mid(0, 2), QList<int>({20, 10}));
    QCOMPARE(shown.pixel(7, 7), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(12, 12), qRgb(0, 0, 255));
    QCOMPARE(shown.pixel(30, 30), qRgb(0, 0, 0));
}

void TestKVImgViewer::visiblePixmapShowsTheViewport()
{
    const QImage image = patternImage(300, 200);
    auto viewer = shownViewer(image, QSize(160, 120));
    QVERIFY(viewer);
    viewer->setZoomFactor(1.3);
    viewer->setContentsPos(33, 21);
    int hookCalls = 0;
    connect(viewer.get(), &KVImgViewer::postDrawing, this,
            [&](QPainter* p, int, int, int, int, int, int) {
                ++hookCalls;
                p->fillRect(QRect(0, 0, 3, 3), Qt::green);
            });
    const QImage pixmap = viewer->visiblePixmap().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(hookCalls, 1);
    QCOMPARE(pixmap.size(), viewer->viewport()->size());
    QCOMPARE(pixmap, grabViewport(viewer.get()));
    QCOMPARE(pixmap.pixel(1, 1), qRgb(0, 255, 0));
    QCOMPARE(pixmap.pixel(50, 50), expectedPixel(image, viewer->contentsWidth(),
                                                 viewer->contentsHeight(), 33 + 50, 21 + 50));
    viewer->hide();
    QVERIFY(viewer->visiblePixmap().isNull());
}

void TestKVImgViewer::drawVisibleAreaClipsToViewport()
{
    auto viewer = shownViewer(patternImage(300, 200), QSize(160, 120));
    QVERIFY(viewer);
    viewer->setContentsPos(17, 9);
    const QSize vs = viewer->viewport()->size();
    // An overlay that reaches beyond the viewport must still stay inside it.
    connect(viewer.get(), &KVImgViewer::postDrawing, this,
            [&](QPainter* p, int, int, int, int, int, int) {
                p->fillRect(QRect(-30, -30, 40, 40), Qt::red);
            });
    QImage target(vs + QSize(20, 20), QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter p(&target);
    p.translate(10, 10);
    viewer->drawVisibleArea(&p);
    p.end();
    QCOMPARE(target.copy(QRect(QPoint(10, 10), vs)), grabViewport(viewer.get()));
    QCOMPARE(target.pixel(5, 5), qRgb(255, 255, 255));
    QCOMPARE(target.pixel(12, 12), qRgb(255, 0, 0));
    QCOMPARE(target.pixel(vs.width() + 15, vs.height() + 15), qRgb(255, 255, 255));
}

void TestKVImgViewer::hugeImageCostsOnlyTheViewport()
{
    const int w = 30000;
    const int h = 20000;
    const size_t bytes = size_t(w) * size_t(h) * 4;
    // Untouched pages of this mapping cost no memory, so the test sees what the viewer uses.
    void* mapping = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED)
        QSKIP("cannot reserve address space for the image");
    auto unmap = qScopeGuard([&] { ::munmap(mapping, bytes); });
    auto* data = static_cast<uchar*>(mapping);
    // A red block in the far corner and a green one at the origin.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            reinterpret_cast<QRgb*>(data + (size_t(h - 1 - y) * w) * 4)[w - 1 - x] = 0xffff0000u;
            reinterpret_cast<QRgb*>(data + (size_t(y) * w) * 4)[x] = 0xff00ff00u;
        }
    }

    auto viewer = shownViewer(QImage(), QSize(320, 240));
    QVERIFY(viewer);
    const qint64 residentBefore = residentKilobytes();
    QVERIFY(viewer->setImage(data, w, h, 32, 4));
    QCOMPARE(viewer->contentsWidth(), w);
    viewer->setContentsPos(w, h);
    QImage shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(shown.width() - 1, shown.height() - 1), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(0, 0), qRgb(0, 0, 0));

    viewer->fitToWindow();
    QVERIFY(viewer->zoomFactor() < 0.02);
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(0, 0), qRgb(0, 255, 0));

    viewer->setZoomFactor(2.5); // 75000 pixels wide, the largest zoom allowed
    QCOMPARE(viewer->zoomFactor(), 2.5);
    viewer->setZoomFactor(2.6);
    QCOMPARE(viewer->zoomFactor(), 2.5);
    viewer->setContentsPos(0, 0);
    shown = grabViewport(viewer.get());
    QCOMPARE(shown.pixel(20, 20), qRgb(0, 255, 0));

    const qint64 grown = residentKilobytes() - residentBefore;
    QVERIFY2(grown < 64 * 1024, qPrintable(QStringLiteral("grew by %1 kB").arg(grown)));
    viewer->setImage(QImage(), true);
}

// ---- printing -------------------------------------------------------------------------------

void TestKVImgViewer::printFillsPageAndCentres()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        QSKIP("pdftoppm is needed to look at the printed page");
    // A wide, low view of a black image on a portrait page.
    auto viewer = shownViewer(filledImage(2000, 100, qRgb(0, 0, 0)), QSize(600, 120));
    QVERIFY(viewer);
    const QString pdf = m_dir.filePath(QStringLiteral("page.pdf"));
    m_printSetup = [&](QPrinter* printer) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageOrientation(QPageLayout::Portrait);
        printer->setFullPage(true);
        return true;
    };
    viewer->print(viewer.get());
    QVERIFY(m_messages.isEmpty());
    QVERIFY(QFile::exists(pdf));

    const QString prefix = m_dir.filePath(QStringLiteral("page"));
    QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"),
                               {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
                                QStringLiteral("-singlefile"), pdf, prefix}),
             0);
    const QImage page(prefix + QStringLiteral(".png"));
    QVERIFY(!page.isNull());
    QRect dark;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 128)
                dark |= QRect(x, y, 1, 1);
        }
    }
    QVERIFY(!dark.isEmpty());
    // The width fills the page, the height keeps the aspect ratio, centred vertically.
    QVERIFY2(dark.left() <= 1 && dark.right() >= page.width() - 2,
             qPrintable(QStringLiteral("dark %1..%2 of %3")
                                .arg(dark.left())
                                .arg(dark.right())
                                .arg(page.width())));
    const QSize vs = viewer->viewport()->size();
    const double expectedHeight = double(page.width()) * vs.height() / vs.width();
    QVERIFY(std::abs(dark.height() - expectedHeight) <= 2.0);
    const int above = dark.top();
    const int below = page.height() - 1 - dark.bottom();
    QVERIFY2(std::abs(above - below) <= 2,
             qPrintable(QStringLiteral("%1 above, %2 below").arg(above).arg(below)));
}

void TestKVImgViewer::printFailureIsReported()
{
    auto viewer = shownViewer(patternImage(100, 80), QSize(200, 150));
    QVERIFY(viewer);
    QWidget errorParent;
    m_printSetup = [&](QPrinter* printer) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_dir.filePath(QStringLiteral("missing/folder/page.pdf")));
        return true;
    };
    QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    viewer->print(&errorParent);
    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.first().parent, &errorParent);
    QCOMPARE(m_messages.first().caption, QStringLiteral("Printing failed"));
    QCOMPARE(m_messages.first().text,
             QStringLiteral("Cannot print the page.\nPlease check that the printer is turned on "
                            "and correctly installed."));
    QVERIFY(!QApplication::overrideCursor());
}

void TestKVImgViewer::printCancelledDoesNothing()
{
    auto viewer = shownViewer(patternImage(100, 80), QSize(200, 150));
    QVERIFY(viewer);
    const QString pdf = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    bool asked = false;
    m_printSetup = [&](QPrinter* printer) {
        asked = true;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return false;
    };
    viewer->print(viewer.get());
    QVERIFY(asked);
    QVERIFY(m_messages.isEmpty());
    QVERIFY(!QFile::exists(pdf));
}

QTEST_MAIN(TestKVImgViewer)
#include "tst_kvimgviewer.moc"
