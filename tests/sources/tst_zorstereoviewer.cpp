#include "kvximgviewer.h"
#include "kvxstereoviewer.h"
#include "stereotesthelpers.h"
#include "testsettings.h"
#include "zoroptions.h"
#include "zorstereoviewer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QMenu>
#include <QPointer>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <memory>

using namespace StereoTest;

namespace {

QWidget* widgetAt(QGridLayout* layout, int row, int column)
{
    QLayoutItem* item = layout ? layout->itemAtPosition(row, column) : nullptr;
    return item ? item->widget() : nullptr;
}

std::array<int, 4> roiOf(const KVXImgViewer* viewer)
{
    std::array<int, 4> r{};
    viewer->roi(&r[0], &r[1], &r[2], &r[3]);
    return r;
}

const char* const kModeNames[] = {"left image", "right image", "both images", "anaglyph"};

} // namespace

class TestZORStereoViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void construction();
    void coloursFromOptions_data();
    void coloursFromOptions();
    void modeChanges_data();
    void modeChanges();
    void outOfRangeModeIsIgnored_data();
    void outOfRangeModeIsIgnored();
    void zoomCoupling_data();
    void zoomCoupling();
    void hiddenAnaglyphCatchesUpWhenShown();
    void fitToWindowFitsTheViewerOnShow_data();
    void fitToWindowFitsTheViewerOnShow();
    void docking_data();
    void docking();
    void followerAtItsEndDoesNotPullBack_data();
    void followerAtItsEndDoesNotPullBack();
    void dockingReferenceIsTakenWhenSwitchedOn();
    void globalOffset_data();
    void globalOffset();
    void roiAcrossThePair_data();
    void roiAcrossThePair();
    void setRoiOutsideAnaglyphOnly_data();
    void setRoiOutsideAnaglyphOnly();
    void fullScreenInAnaglyph();
    void fullScreenInOtherModes();
    void modeChangeBringsTheAnaglyphBack();
    void escapeAndCloseLeaveFullScreen();
    void frameDeletedWhileFullScreen();
    void rightClickRule_data();
    void rightClickRule();
    void invertColorsTwice();
    void relays_data();
    void relays();
    void names_data();
    void names();
    void forwardedModes_data();
    void forwardedModes();
    void badImages_data();
    void badImages();

private:
    std::unique_ptr<ZORStereoViewer> shownFrame(const QImage& left, const QImage& right,
                                                QSize size = QSize(400, 300));

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<ZOROptions> m_options;
    struct MenuSeen
    {
        QStringList entries;
        QPoint pos;
        QWidget* parent = nullptr;
    };
    QList<MenuSeen> m_menus;
    QString m_menuChoice;
};

void TestZORStereoViewer::initTestCase()
{
    // The offscreen platform reports every window feature it lacks; that is not our output.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith(QLatin1String("This plugin does not support")))
                    previous(type, context, message);
            });
}

void TestZORStereoViewer::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    QVERIFY(QDir(m_home->path()).mkpath(QStringLiteral("userprofiles")));
    m_settings = std::make_unique<TestSettings>();
    m_settings->home = m_home->path();
    m_settings->user = QStringLiteral("tester");
    m_settings->initTexts();
    m_options = std::make_unique<ZOROptions>();
    m_menus.clear();
    m_menuChoice.clear();
    ZORStereoViewer::setPopupMenuHook([this](QMenu* menu, const QPoint& pos) -> QAction* {
        MenuSeen seen;
        seen.pos = pos;
        seen.parent = menu->parentWidget();
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            seen.entries << action->text();
            if (action->text() == m_menuChoice)
                chosen = action;
        }
        m_menus.append(seen);
        return chosen;
    });
}

void TestZORStereoViewer::cleanup()
{
    ZORStereoViewer::setPopupMenuHook({});
    QVERIFY(!QApplication::overrideCursor());
    m_options.reset();
    m_settings.reset();
    m_home.reset();
}

std::unique_ptr<ZORStereoViewer> TestZORStereoViewer::shownFrame(const QImage& left,
                                                                 const QImage& right, QSize size)
{
    auto frame = std::make_unique<ZORStereoViewer>(left, right, QStringLiteral("l"),
                                                   QStringLiteral("r"));
    frame->resize(size);
    frame->show();
    if (!QTest::qWaitForWindowExposed(frame.get()))
        qWarning("frame not exposed");
    return frame;
}

// ---- construction and modes -----------------------------------------------------------------

void TestZORStereoViewer::construction()
{
    const QImage left = randomImage(30, 20, 1);
    const QImage right = randomImage(30, 20, 2);
    ZORStereoViewer frame(left, right, QStringLiteral("a"), QStringLiteral("b"), nullptr, "frame");
    QCOMPARE(frame.objectName(), QStringLiteral("frame"));
    QCOMPARE(frame.displayMode(), LeftAndRight);
    QCOMPARE(frame.leftViewer()->objectName(), QStringLiteral("leftViewer"));
    QCOMPARE(frame.rightViewer()->objectName(), QStringLiteral("rightViewer"));
    for (QWidget* viewer :
         {static_cast<QWidget*>(frame.leftViewer()), static_cast<QWidget*>(frame.rightViewer()),
          static_cast<QWidget*>(frame.stereoViewer())})
        QCOMPARE(viewer->parentWidget(), &frame);
    QCOMPARE(widgetAt(frame.gridLayout(), 0, 0), frame.leftViewer());
    QCOMPARE(widgetAt(frame.gridLayout(), 0, 1), frame.rightViewer());
    QVERIFY(frame.stereoViewer()->isHidden());
    QCOMPARE(frame.layout(), frame.gridLayout());
    QVERIFY(!frame.isDocked());
    QVERIFY(!frame.isFullScreenState());
    QCOMPARE(frame.globalOffsetX(), 0);
    QCOMPARE(frame.globalOffsetY(), 0);
    QVERIFY(sameColours(frame.image(false), left));
    QVERIFY(sameColours(frame.image(true), right));
    QVERIFY(sameColours(frame.leftViewer()->image(), left));
    QVERIFY(sameColours(frame.rightViewer()->image(), right));
    QVERIFY(sameColours(frame.stereoViewer()->leftImage(), left));
    QVERIFY(sameColours(frame.stereoViewer()->rightImage(), right));
    QCOMPARE(frame.deltaX(), 0);
    QCOMPARE(frame.deltaY(), 0);
}

void TestZORStereoViewer::coloursFromOptions_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");

    QTest::newRow("stored pair") << QStringLiteral("#00C000|#C00000") << QColor(0, 0xC0, 0)
                                 << QColor(0xC0, 0, 0);
    QTest::newRow("nothing stored") << QString() << QColor(0xB8, 0, 0) << QColor(0, 0xB8, 0xFF);
    QTest::newRow("unusable value")
            << QStringLiteral("garbage") << QColor(0xB8, 0, 0) << QColor(0, 0xB8, 0xFF);
}

void TestZORStereoViewer::coloursFromOptions()
{
    QFETCH(QString, stored);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    if (!stored.isNull())
        QVERIFY(writeKeyValue(m_options->profilePath(), QStringLiteral("ZORANAGLYPHCHANNELS"),
                              stored));
    ZORStereoViewer frame;
    QCOMPARE(frame.stereoViewer()->leftColor(), left);
    QCOMPARE(frame.stereoViewer()->rightColor(), right);

    // A new pair chosen in the options reaches the anaglyph at once.
    m_options->writeAnaglyphChannels(QColor(0, 0, 0xB0), QColor(0xB0, 0xB0, 0));
    QCOMPARE(frame.stereoViewer()->leftColor(), QColor(0, 0, 0xB0));
    QCOMPARE(frame.stereoViewer()->rightColor(), QColor(0xB0, 0xB0, 0));
}

void TestZORStereoViewer::modeChanges_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = MonoLeft; from <= Anaglyph; ++from)
        for (int to = MonoLeft; to <= Anaglyph; ++to)
            QTest::addRow("%s to %s", kModeNames[from], kModeNames[to]) << from << to;
}

void TestZORStereoViewer::modeChanges()
{
    QFETCH(int, from);
    QFETCH(int, to);
    auto frame = shownFrame(randomImage(30, 20, 1), randomImage(30, 20, 2));
    frame->setDisplayMode(DISPLAY_MODE(from));
    QGridLayout* before = frame->gridLayout();

    QStringList order;
    connect(frame.get(), qOverload<DISPLAY_MODE>(&ZORStereoViewer::displayModeChanged), this,
            [&order](DISPLAY_MODE mode) { order << QStringLiteral("mode %1").arg(int(mode)); });
    connect(frame.get(), qOverload<>(&ZORStereoViewer::displayModeChanged), this,
            [&order] { order << QStringLiteral("changed"); });
    QSignalSpy typed(frame.get(), qOverload<DISPLAY_MODE>(&ZORStereoViewer::displayModeChanged));

    switch (to) {
    case MonoLeft:
        frame->setModeMonoLeft();
        break;
    case MonoRight:
        frame->setModeMonoRight();
        break;
    case LeftAndRight:
        frame->setModeLeftAndRight();
        break;
    default:
        frame->setModeAnaglyph();
        break;
    }

    QCOMPARE(frame->displayMode(), DISPLAY_MODE(to));
    if (from == to) {
        QVERIFY(order.isEmpty());
        QCOMPARE(frame->gridLayout(), before);
    } else {
        QCOMPARE(order, (QStringList{QStringLiteral("mode %1").arg(to), "changed"}));
        QCOMPARE(typed.at(0).at(0).value<DISPLAY_MODE>(), DISPLAY_MODE(to));
    }

    QGridLayout* grid = frame->gridLayout();
    QCOMPARE(frame->layout(), grid);
    QCOMPARE(grid->contentsMargins(), QMargins());
    const bool left = to == MonoLeft || to == LeftAndRight;
    const bool right = to == MonoRight || to == LeftAndRight;
    QCOMPARE(frame->leftViewer()->isVisible(), left);
    QCOMPARE(frame->rightViewer()->isVisible(), right);
    QCOMPARE(frame->stereoViewer()->isVisible(), to == Anaglyph);
    QCOMPARE(grid->count(), to == LeftAndRight ? 2 : 1);
    QCOMPARE(grid->columnCount(), to == LeftAndRight ? 2 : 1);
    QWidget* first = widgetAt(grid, 0, 0);
    QCOMPARE(first, to == MonoLeft || to == LeftAndRight
                            ? static_cast<QWidget*>(frame->leftViewer())
                    : to == MonoRight ? static_cast<QWidget*>(frame->rightViewer())
                                      : static_cast<QWidget*>(frame->stereoViewer()));
    if (to == LeftAndRight) {
        QCOMPARE(widgetAt(grid, 0, 1), frame->rightViewer());
        QCOMPARE(grid->columnStretch(0), 100);
        QCOMPARE(grid->columnStretch(1), 100);
        QCOMPARE(grid->columnMinimumWidth(0), 10);
        QCOMPARE(grid->columnMinimumWidth(1), 10);
        // Two equal halves.
        QTRY_VERIFY(std::abs(frame->leftViewer()->width() - frame->rightViewer()->width()) <= 1);
    } else {
        QTRY_COMPARE(first->size(), frame->size());
    }
}

void TestZORStereoViewer::outOfRangeModeIsIgnored_data()
{
    QTest::addColumn<int>("value");
    QTest::newRow("4") << 4;
    QTest::newRow("-1") << -1;
    QTest::newRow("INT_MAX") << INT_MAX;
}

void TestZORStereoViewer::outOfRangeModeIsIgnored()
{
    QFETCH(int, value);
    auto frame = shownFrame(randomImage(30, 20, 1), randomImage(30, 20, 2));
    frame->setModeAnaglyph();
    QGridLayout* before = frame->gridLayout();
    QSignalSpy changed(frame.get(), qOverload<>(&ZORStereoViewer::displayModeChanged));

    frame->setDisplayMode(DISPLAY_MODE(value));

    QCOMPARE(changed.count(), 0);
    QCOMPARE(frame->displayMode(), Anaglyph);
    QCOMPARE(frame->gridLayout(), before);
    QCOMPARE(widgetAt(before, 0, 0), frame->stereoViewer());
    QVERIFY(frame->stereoViewer()->isVisible());
    // And the frame still changes modes normally afterwards.
    frame->setModeLeftAndRight();
    QCOMPARE(changed.count(), 1);
    QVERIFY(frame->leftViewer()->isVisible());
}

// ---- zoom -----------------------------------------------------------------------------------

void TestZORStereoViewer::zoomCoupling_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("mode");
    QTest::newRow("frame slot") << QStringLiteral("frame") << int(LeftAndRight);
    QTest::newRow("left viewer") << QStringLiteral("left") << int(LeftAndRight);
    QTest::newRow("right viewer") << QStringLiteral("right") << int(LeftAndRight);
    QTest::newRow("right viewer alone") << QStringLiteral("right") << int(MonoRight);
    QTest::newRow("anaglyph viewer") << QStringLiteral("anaglyph") << int(Anaglyph);
}

void TestZORStereoViewer::zoomCoupling()
{
    QFETCH(QString, source);
    QFETCH(int, mode);
    auto frame = shownFrame(randomImage(60, 40, 1), randomImage(60, 40, 2));
    // Once composed, the anaglyph follows the zoom even while it is hidden.
    frame->setModeAnaglyph();
    frame->setDisplayMode(DISPLAY_MODE(mode));
    QSignalSpy zoomSpy(frame.get(), &ZORStereoViewer::zoomChanged);

    KVImgViewer* viewer = source == QLatin1String("left")    ? frame->leftViewer()
                          : source == QLatin1String("right") ? frame->rightViewer()
                          : source == QLatin1String("anaglyph")
                                  ? static_cast<KVImgViewer*>(frame->stereoViewer())
                                  : nullptr;
    double expected = 1.0;
    for (int step = 0; step < 3; ++step) {
        if (viewer)
            viewer->zoomIn();
        else
            frame->zoomIn();
        expected *= 1.15;
        QCOMPARE(zoomSpy.count(), step + 1);
        QCOMPARE(zoomSpy.last().at(0).toDouble(), expected);
        QCOMPARE(frame->leftViewer()->zoomFactor(), expected);
        QCOMPARE(frame->rightViewer()->zoomFactor(), expected);
        QCOMPARE(frame->stereoZoomFactor(), expected);
    }
    QVERIFY(frame->canZoomBack());
    frame->zoomBack();
    QCOMPARE(frame->stereoZoomFactor(), frame->leftViewer()->zoomFactor());
    QCOMPARE(frame->rightViewer()->zoomFactor(), frame->leftViewer()->zoomFactor());
    QCOMPARE(zoomSpy.count(), 4);

    // A factor the viewers already have changes nothing and says nothing.
    frame->setZoomFactor(frame->leftViewer()->zoomFactor());
    QCOMPARE(zoomSpy.count(), 4);
}

void TestZORStereoViewer::hiddenAnaglyphCatchesUpWhenShown()
{
    auto frame = shownFrame(QImage(), QImage());
    // The pair arrives while the anaglyph is hidden, so it is not composed yet.
    frame->setImages(randomImage(60, 40, 1), randomImage(60, 40, 2));
    frame->setZoomFactor(2.0);
    QCOMPARE(frame->rightViewer()->zoomFactor(), 2.0);
    QSignalSpy zoomSpy(frame.get(), &ZORStereoViewer::zoomChanged);

    frame->setModeAnaglyph();

    QCOMPARE(frame->stereoZoomFactor(), 2.0);
    QCOMPARE(frame->stereoViewer()->contentsWidth(), 120);
    QCOMPARE(zoomSpy.count(), 0);
}

void TestZORStereoViewer::fitToWindowFitsTheViewerOnShow_data()
{
    QTest::addColumn<int>("mode");
    for (int mode = MonoLeft; mode <= Anaglyph; ++mode)
        QTest::addRow("%s", kModeNames[mode]) << mode;
}

void TestZORStereoViewer::fitToWindowFitsTheViewerOnShow()
{
    QFETCH(int, mode);
    // Three different shapes: the fit tells which viewer it was computed for.
    auto frame = shownFrame(randomImage(200, 100, 1), randomImage(100, 200, 2));
    frame->setDisplayMode(DISPLAY_MODE(mode));
    KVImgViewer* onShow = mode == MonoRight  ? static_cast<KVImgViewer*>(frame->rightViewer())
                          : mode == Anaglyph ? static_cast<KVImgViewer*>(frame->stereoViewer())
                                             : static_cast<KVImgViewer*>(frame->leftViewer());
    const QSize imageSize = mode == MonoRight  ? QSize(100, 200)
                            : mode == Anaglyph ? QSize(200, 200)
                                               : QSize(200, 100);
    QTRY_VERIFY(onShow->isVisible() && onShow->width() > 50);
    QCOMPARE(onShow->imageWidth(), imageSize.width());

    QSignalSpy zoomSpy(frame.get(), &ZORStereoViewer::zoomChanged);
    frame->fitToWindow();

    const double availW = onShow->width() - 2 * onShow->frameWidth();
    const double availH = onShow->height() - 2 * onShow->frameWidth();
    const double expected = std::min(availW / imageSize.width(), availH / imageSize.height());
    QCOMPARE(onShow->zoomFactor(), expected);
    QCOMPARE(frame->leftViewer()->zoomFactor(), expected);
    QCOMPARE(zoomSpy.count(), 1);
}

// ---- docking --------------------------------------------------------------------------------

void TestZORStereoViewer::docking_data()
{
    QTest::addColumn<bool>("docked");
    QTest::addColumn<bool>("moveRight");
    QTest::newRow("docked, left moves") << true << false;
    QTest::newRow("docked, right moves") << true << true;
    QTest::newRow("not docked, left moves") << false << false;
    QTest::newRow("not docked, right moves") << false << true;
}

void TestZORStereoViewer::docking()
{
    QFETCH(bool, docked);
    QFETCH(bool, moveRight);
    auto frame = shownFrame(randomImage(800, 600, 1), randomImage(800, 600, 2));
    KVXImgViewer* left = frame->leftViewer();
    KVXImgViewer* right = frame->rightViewer();
    left->setContentsPos(30, 40);
    right->setContentsPos(100, 50);
    frame->setDocking(docked);
    QCOMPARE(frame->isDocked(), docked);

    KVXImgViewer* mover = moveRight ? right : left;
    KVXImgViewer* follower = moveRight ? left : right;
    const QPoint moverStart(mover->contentsX(), mover->contentsY());
    const QPoint followerStart(follower->contentsX(), follower->contentsY());

    mover->setContentsPos(moverStart.x() + 10, moverStart.y() + 20);

    QCOMPARE(QPoint(mover->contentsX(), mover->contentsY()), moverStart + QPoint(10, 20));
    const QPoint expected = docked ? followerStart + QPoint(10, 20) : followerStart;
    QCOMPARE(QPoint(follower->contentsX(), follower->contentsY()), expected);
}

void TestZORStereoViewer::followerAtItsEndDoesNotPullBack_data()
{
    QTest::addColumn<bool>("moveRight");
    QTest::newRow("left moves") << false;
    QTest::newRow("right moves") << true;
}

void TestZORStereoViewer::followerAtItsEndDoesNotPullBack()
{
    QFETCH(bool, moveRight);
    // The follower's image is smaller: it reaches the end of its scrolling range first.
    const QImage large = randomImage(900, 700, 1);
    const QImage small = randomImage(300, 250, 2);
    auto frame = moveRight ? shownFrame(small, large) : shownFrame(large, small);
    KVXImgViewer* mover = moveRight ? frame->rightViewer() : frame->leftViewer();
    KVXImgViewer* follower = moveRight ? frame->leftViewer() : frame->rightViewer();
    frame->setDocking(true);

    mover->setContentsPos(400, 300);

    // The follower stops at its end and its move is not sent back to the mover.
    QCOMPARE(QPoint(mover->contentsX(), mover->contentsY()), QPoint(400, 300));
    QCOMPARE(follower->contentsX(), follower->horizontalScrollBar()->maximum());
    QCOMPARE(follower->contentsY(), follower->verticalScrollBar()->maximum());
    QVERIFY(follower->contentsX() < 400);
}

void TestZORStereoViewer::dockingReferenceIsTakenWhenSwitchedOn()
{
    auto frame = shownFrame(randomImage(800, 600, 1), randomImage(800, 600, 2));
    KVXImgViewer* left = frame->leftViewer();
    KVXImgViewer* right = frame->rightViewer();
    left->setContentsPos(0, 0);
    right->setContentsPos(50, 60);
    frame->setDocking(true);
    frame->setDocking(false);
    // Moved apart while undocked: the new relative position is the one kept from now on.
    left->setContentsPos(100, 100);
    QCOMPARE(QPoint(right->contentsX(), right->contentsY()), QPoint(50, 60));
    frame->setDocking(true);
    left->setContentsPos(110, 90);
    QCOMPARE(QPoint(right->contentsX(), right->contentsY()), QPoint(60, 50));
    right->setContentsPos(40, 40);
    QCOMPARE(QPoint(left->contentsX(), left->contentsY()), QPoint(90, 80));
}

// ---- offsets and regions --------------------------------------------------------------------

void TestZORStereoViewer::globalOffset_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("deltaX");

    QTest::newRow("(5, 5)") << 5 << 5 << 2;
    QTest::newRow("(-5, 0)") << -5 << 0 << -2;
    QTest::newRow("(1, -1)") << 1 << -1 << 0;
    QTest::newRow("(-1, 7)") << -1 << 7 << 0;
    QTest::newRow("(6, -3)") << 6 << -3 << 3;
    QTest::newRow("(INT_MIN, INT_MAX)") << INT_MIN << INT_MAX << INT_MIN / 2;
}

void TestZORStereoViewer::globalOffset()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, deltaX);
    auto frame = shownFrame(randomImage(30, 20, 1), randomImage(30, 20, 2));
    QSignalSpy xSpy(frame.get(), &ZORStereoViewer::displacementXChanged);
    QSignalSpy ySpy(frame.get(), &ZORStereoViewer::displacementYChanged);

    frame->setGlobalOffset(x, y);

    QCOMPARE(frame->globalOffsetX(), x);
    QCOMPARE(frame->globalOffsetY(), y);
    QCOMPARE(frame->deltaX(), deltaX);
    QCOMPARE(frame->deltaY(), y);
    QCOMPARE(frame->stereoViewer()->deltaX(), deltaX);
    QCOMPARE(xSpy.count(), deltaX != 0 ? 1 : 0);
    QCOMPARE(ySpy.count(), y != 0 ? 1 : 0);

    // The offsets alone do not touch the stored global offset.
    frame->setDeltaX(11);
    frame->setDeltaY(-12);
    QCOMPARE(frame->deltaX(), 11);
    QCOMPARE(frame->deltaY(), -12);
    QCOMPARE(frame->globalOffsetX(), x);
    QCOMPARE(frame->globalOffsetY(), y);
}

void TestZORStereoViewer::roiAcrossThePair_data()
{
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("drawnRight");
    QTest::addColumn<QList<int>>("drawn");    // left, right, top, bottom
    QTest::addColumn<QList<int>>("expected"); // in the other viewer

    QTest::newRow("right to left, offset (4, 6)")
            << QPoint(4, 6) << true << QList<int>{10, 20, 30, 40} << QList<int>{14, 24, 36, 46};
    QTest::newRow("left to right, offset (4, 6)")
            << QPoint(4, 6) << false << QList<int>{14, 24, 36, 46} << QList<int>{10, 20, 30, 40};
    QTest::newRow("right to left, no offset")
            << QPoint(0, 0) << true << QList<int>{1, 2, 3, 4} << QList<int>{1, 2, 3, 4};
    QTest::newRow("right to left, cut at the image edge")
            << QPoint(-5, 0) << true << QList<int>{0, 10, 0, 10} << QList<int>{0, 5, 0, 10};
}

void TestZORStereoViewer::roiAcrossThePair()
{
    QFETCH(QPoint, offset);
    QFETCH(bool, drawnRight);
    QFETCH(QList<int>, drawn);
    QFETCH(QList<int>, expected);
    auto frame = shownFrame(randomImage(100, 80, 1), randomImage(100, 80, 2));
    frame->setGlobalOffset(offset.x(), offset.y());
    QSignalSpy relayed(frame.get(), &ZORStereoViewer::roiChanged);
    KVXImgViewer* source = drawnRight ? frame->rightViewer() : frame->leftViewer();
    KVXImgViewer* target = drawnRight ? frame->leftViewer() : frame->rightViewer();

    source->setRoi(drawn[0], drawn[1], drawn[2], drawn[3]);

    const std::array<int, 4> got = roiOf(target);
    QCOMPARE(QList<int>(got.begin(), got.end()), expected);
    // The region drawn stays as drawn, and the frame reports the left viewer's region once.
    const std::array<int, 4> kept = roiOf(source);
    QCOMPARE(QList<int>(kept.begin(), kept.end()), drawn);
    QCOMPARE(relayed.count(), 1);
    const std::array<int, 4> leftRoi = roiOf(frame->leftViewer());
    QCOMPARE(relayed.first(), (QList<QVariant>{leftRoi[0], leftRoi[2], leftRoi[1], leftRoi[3]}));
}

void TestZORStereoViewer::setRoiOutsideAnaglyphOnly_data()
{
    QTest::addColumn<int>("mode");
    for (int mode = MonoLeft; mode <= Anaglyph; ++mode)
        QTest::addRow("%s", kModeNames[mode]) << mode;
}

void TestZORStereoViewer::setRoiOutsideAnaglyphOnly()
{
    QFETCH(int, mode);
    auto frame = shownFrame(randomImage(100, 80, 1), randomImage(100, 80, 2));
    frame->setDisplayMode(DISPLAY_MODE(mode));
    frame->setRoi(5, 15, 25, 35);
    const std::array<int, 4> roi = roiOf(frame->leftViewer());
    if (mode == Anaglyph)
        QVERIFY(!frame->leftViewer()->hasRoi() && roi[1] < roi[0]);
    else
        QCOMPARE(QList<int>(roi.begin(), roi.end()), (QList<int>{5, 15, 25, 35}));
}

// ---- full screen ----------------------------------------------------------------------------

void TestZORStereoViewer::fullScreenInAnaglyph()
{
    auto frame = shownFrame(randomImage(60, 40, 1), randomImage(60, 40, 2));
    frame->setModeAnaglyph();
    KVXStereoViewer* anaglyph = frame->stereoViewer();
    const int frameStyle = anaglyph->frameStyle();
    const QPalette palette = anaglyph->palette();
    anaglyph->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QSignalSpy modeSpy(frame.get(), qOverload<>(&ZORStereoViewer::displayModeChanged));

    frame->showFullScreen();

    QVERIFY(frame->isFullScreenState());
    QVERIFY(anaglyph->isWindow());
    QVERIFY(!anaglyph->parent());
    const Qt::WindowFlags flags = anaglyph->windowFlags();
    QVERIFY(flags & Qt::FramelessWindowHint);
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(anaglyph->isVisible());
    QVERIFY(anaglyph->windowState() & Qt::WindowFullScreen);
    QTRY_COMPARE(anaglyph->geometry(), frame->screen()->geometry());
    QCOMPARE(anaglyph->frameStyle(), int(QFrame::Panel | QFrame::Plain));
    QCOMPARE(anaglyph->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(anaglyph->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(frame->gridLayout()->count(), 0);
    QVERIFY(!frame->leftViewer()->isVisible());
    QVERIFY(!frame->rightViewer()->isVisible());
    // A second request changes nothing.
    frame->showFullScreen();
    QVERIFY(anaglyph->isWindow());

    frame->showNormalScreen();

    QVERIFY(!frame->isFullScreenState());
    QVERIFY(!anaglyph->isWindow());
    QCOMPARE(anaglyph->parentWidget(), frame.get());
    QVERIFY(anaglyph->isVisible());
    QCOMPARE(widgetAt(frame->gridLayout(), 0, 0), anaglyph);
    QCOMPARE(anaglyph->frameStyle(), frameStyle);
    QCOMPARE(anaglyph->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(anaglyph->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(anaglyph->palette(), palette);
    QVERIFY(!frame->leftViewer()->isVisible());
    QVERIFY(!frame->rightViewer()->isVisible());
    QTRY_COMPARE(anaglyph->size(), frame->size());
    QCOMPARE(modeSpy.count(), 0);
    QCOMPARE(frame->displayMode(), Anaglyph);
}

void TestZORStereoViewer::fullScreenInOtherModes()
{
    auto frame = shownFrame(randomImage(60, 40, 1), randomImage(60, 40, 2));
    KVXStereoViewer* anaglyph = frame->stereoViewer();
    frame->showFullScreen();
    QVERIFY(frame->isFullScreenState());
    QCOMPARE(anaglyph->parentWidget(), frame.get());
    QVERIFY(frame->leftViewer()->isVisible());
    QVERIFY(frame->rightViewer()->isVisible());

    // Switching to the anaglyph does not go full screen either ...
    frame->setModeAnaglyph();
    QVERIFY(!anaglyph->isWindow());
    QVERIFY(anaglyph->isVisible());
    const int frameStyle = anaglyph->frameStyle();
    // ... and leaving the state restores nothing.
    frame->showNormalScreen();
    QVERIFY(!frame->isFullScreenState());
    QCOMPARE(anaglyph->parentWidget(), frame.get());
    QCOMPARE(anaglyph->frameStyle(), frameStyle);
    QVERIFY(anaglyph->isVisible());
}

void TestZORStereoViewer::modeChangeBringsTheAnaglyphBack()
{
    auto frame = shownFrame(randomImage(60, 40, 1), randomImage(60, 40, 2));
    frame->setModeAnaglyph();
    KVXStereoViewer* anaglyph = frame->stereoViewer();
    const int frameStyle = anaglyph->frameStyle();
    frame->showFullScreen();
    QVERIFY(anaglyph->isWindow());

    frame->setModeMonoLeft();
    QVERIFY(!anaglyph->isWindow());
    QCOMPARE(anaglyph->parentWidget(), frame.get());
    QVERIFY(!anaglyph->isVisible());
    QCOMPARE(anaglyph->frameStyle(), frameStyle);
    QVERIFY(frame->leftViewer()->isVisible());
    // The state stays until it is left, and leaving it changes no window.
    QVERIFY(frame->isFullScreenState());
    frame->setModeAnaglyph();
    QVERIFY(!anaglyph->isWindow());
    frame->showNormalScreen();
    QVERIFY(!frame->isFullScreenState());
    QVERIFY(anaglyph->isVisible());
    QCOMPARE(widgetAt(frame->gridLayout(), 0, 0), anaglyph);
}

void TestZORStereoViewer::escapeAndCloseLeaveFullScreen()
{
    auto frame = shownFrame(randomImage(60, 40, 1), randomImage(60, 40, 2));
    frame->setModeAnaglyph();
    KVXStereoViewer* anaglyph = frame->stereoViewer();

    frame->showFullScreen();
    QTest::keyClick(anaglyph, Qt::Key_Escape);
    QVERIFY(!frame->isFullScreenState());
    QCOMPARE(anaglyph->parentWidget(), frame.get());

    frame->showFullScreen();
    QVERIFY(anaglyph->isWindow());
    QVERIFY(!anaglyph->close());
    QVERIFY(!frame->isFullScreenState());
    QCOMPARE(anaglyph->parentWidget(), frame.get());
    QVERIFY(anaglyph->isVisible());

    // Back in the frame, Escape is the viewer's own again.
    QTest::keyClick(anaglyph, Qt::Key_Escape);
    QCOMPARE(anaglyph->parentWidget(), frame.get());
    QVERIFY(anaglyph->isVisible());
}

void TestZORStereoViewer::frameDeletedWhileFullScreen()
{
    auto frame = shownFrame(randomImage(60, 40, 1), randomImage(60, 40, 2));
    frame->setModeAnaglyph();
    QPointer<KVXStereoViewer> anaglyph = frame->stereoViewer();
    frame->showFullScreen();
    QVERIFY(anaglyph->isWindow());
    frame.reset();
    QVERIFY(!anaglyph);
}

void TestZORStereoViewer::rightClickRule_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<QString>("choice");

    QTest::newRow("left viewer, normal") << int(LeftAndRight) << "left" << false << QString();
    QTest::newRow("right viewer, normal") << int(LeftAndRight) << "right" << false << QString();
    QTest::newRow("anaglyph, normal") << int(Anaglyph) << "anaglyph" << false << QString();
    QTest::newRow("left viewer, full screen, nothing chosen")
            << int(LeftAndRight) << "left" << true << QString();
    QTest::newRow("right viewer, full screen, fit")
            << int(MonoRight) << "right" << true << "Fit to Screen";
    QTest::newRow("anaglyph, full screen, fit")
            << int(Anaglyph) << "anaglyph" << true << "Fit to Screen";
    QTest::newRow("anaglyph, full screen, back")
            << int(Anaglyph) << "anaglyph" << true << "Not Full Screen";
}

void TestZORStereoViewer::rightClickRule()
{
    QFETCH(int, mode);
    QFETCH(QString, viewer);
    QFETCH(bool, fullScreen);
    QFETCH(QString, choice);
    auto frame = shownFrame(randomImage(60, 40, 1), randomImage(60, 40, 2));
    frame->setDisplayMode(DISPLAY_MODE(mode));
    if (fullScreen)
        frame->showFullScreen();
    KVXImgViewer* clicked = viewer == QLatin1String("left")    ? frame->leftViewer()
                            : viewer == QLatin1String("right") ? frame->rightViewer()
                                                               : frame->stereoViewer();
    QVERIFY(QTest::qWaitForWindowExposed(clicked->window()));
    m_menuChoice = choice;
    const QPoint at(7, 9);
    const QPoint globalAt = clicked->viewport()->mapToGlobal(at);
    const double zoomBefore = clicked->zoomFactor();

    QTest::mouseClick(clicked->viewport(), Qt::RightButton, {}, at);

    if (!fullScreen) {
        QVERIFY(m_menus.isEmpty());
        return;
    }
    QCOMPARE(m_menus.size(), 1);
    QCOMPARE(m_menus.first().entries, (QStringList{"Fit to Screen", "Not Full Screen"}));
    QCOMPARE(m_menus.first().pos, globalAt);
    if (choice == QLatin1String("Fit to Screen")) {
        QVERIFY(frame->isFullScreenState());
        QVERIFY(clicked->zoomFactor() > zoomBefore);
        const double availW = clicked->width() - 2 * clicked->frameWidth();
        const double availH = clicked->height() - 2 * clicked->frameWidth();
        QCOMPARE(clicked->zoomFactor(), std::min(availW / 60, availH / 40));
    } else if (choice == QLatin1String("Not Full Screen")) {
        QVERIFY(!frame->isFullScreenState());
        QCOMPARE(clicked->parentWidget(), frame.get());
    } else {
        QVERIFY(frame->isFullScreenState());
        QCOMPARE(clicked->zoomFactor(), zoomBefore);
    }
}

// ---- images and relays ----------------------------------------------------------------------

void TestZORStereoViewer::invertColorsTwice()
{
    const QImage left = randomImage(30, 20, 1);
    const QImage right = randomImage(30, 20, 2);
    auto frame = shownFrame(left, right);
    frame->setModeAnaglyph();
    QSignalSpy composed(frame->stereoViewer(), &KVImgViewer::imageChanged);
    const QColor lc = frame->stereoViewer()->leftColor();
    const QColor rc = frame->stereoViewer()->rightColor();

    frame->invertColors();
    QVERIFY(sameColours(frame->leftViewer()->image(), inverted(left)));
    QVERIFY(sameColours(frame->rightViewer()->image(), inverted(right)));
    QCOMPARE(composed.count(), 1);
    QVERIFY(sameColours(frame->stereoViewer()->image(),
                        anaglyphOf(inverted(left), inverted(right), lc, rc)));
    QVERIFY(sameColours(frame->image(false), left));
    QVERIFY(sameColours(frame->image(true), right));

    frame->invertColors();
    QVERIFY(sameColours(frame->leftViewer()->image(), left));
    QVERIFY(sameColours(frame->rightViewer()->image(), right));
    QCOMPARE(composed.count(), 2);
    QVERIFY(sameColours(frame->stereoViewer()->image(), anaglyphOf(left, right, lc, rc)));
}

void TestZORStereoViewer::relays_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("zoom") << QStringLiteral("zoom");
    QTest::newRow("left image") << QStringLiteral("left image");
    QTest::newRow("right image") << QStringLiteral("right image");
    QTest::newRow("offset x") << QStringLiteral("offset x");
    QTest::newRow("offset y") << QStringLiteral("offset y");
    QTest::newRow("cursor disparity") << QStringLiteral("cursor disparity");
    QTest::newRow("cursor position, left") << QStringLiteral("cursor left");
    QTest::newRow("cursor position, right") << QStringLiteral("cursor right");
    QTest::newRow("cursor position, anaglyph") << QStringLiteral("cursor anaglyph");
}

void TestZORStereoViewer::relays()
{
    QFETCH(QString, what);
    auto frame = shownFrame(randomImage(30, 20, 1), randomImage(30, 20, 2));
    frame->setModeAnaglyph();
    frame->setModeLeftAndRight();
    const QImage fresh = randomImage(12, 8, 3);

    if (what == QLatin1String("zoom")) {
        QSignalSpy spy(frame.get(), &ZORStereoViewer::zoomChanged);
        frame->setZoomFactor(3.0);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toDouble(), 3.0);
    } else if (what == QLatin1String("left image") || what == QLatin1String("right image")) {
        const bool right = what.startsWith(QLatin1String("right"));
        QSignalSpy leftSpy(frame.get(), &ZORStereoViewer::leftImageChanged);
        QSignalSpy rightSpy(frame.get(), &ZORStereoViewer::rightImageChanged);
        if (right)
            frame->setRightImage(fresh);
        else
            frame->setLeftImage(fresh);
        QSignalSpy& spy = right ? rightSpy : leftSpy;
        QCOMPARE(spy.count(), 1);
        QVERIFY(sameColours(spy.first().first().value<QImage>(), fresh));
        QVERIFY(sameColours(frame->image(right), fresh));
        QCOMPARE(frame->image(!right).size(), QSize(30, 20));
        QCOMPARE((right ? leftSpy : rightSpy).count(), 1); // the other viewer is set again
    } else if (what == QLatin1String("offset x")) {
        QSignalSpy spy(frame.get(), &ZORStereoViewer::displacementXChanged);
        frame->setDeltaX(-7);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toInt(), -7);
    } else if (what == QLatin1String("offset y")) {
        QSignalSpy spy(frame.get(), &ZORStereoViewer::displacementYChanged);
        frame->setDeltaY(9);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toInt(), 9);
    } else if (what == QLatin1String("cursor disparity")) {
        QSignalSpy spy(frame.get(), &ZORStereoViewer::cursorDeltaXChanged);
        frame->setCursorDeltaX(12);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toInt(), 12);
        QCOMPARE(frame->cursorDeltaX(), 12);
        frame->setCursorOn(false);
        QVERIFY(!frame->stereoViewer()->isCursorOn());
        frame->setCursorOn(true);
        QVERIFY(frame->stereoViewer()->isCursorOn());
    } else {
        KVXImgViewer* viewer = what.endsWith(QLatin1String("left"))    ? frame->leftViewer()
                               : what.endsWith(QLatin1String("right")) ? frame->rightViewer()
                                                                       : frame->stereoViewer();
        if (viewer == frame->stereoViewer())
            frame->setModeAnaglyph();
        QSignalSpy spy(frame.get(), &ZORStereoViewer::cursorPos);
        // The viewers report the image point under the mouse as it moves.
        viewer->setMouseTracking(true);
        viewer->viewport()->setMouseTracking(true);
        QTest::mouseMove(viewer->viewport(), QPoint(4, 3));
        QTRY_VERIFY(spy.count() >= 1);
        const double zoom = viewer->zoomFactor();
        QCOMPARE(spy.last().at(0).toDouble(), (viewer->contentsX() + 4) / zoom);
    }
}

void TestZORStereoViewer::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shortName");
    QTest::newRow("plain") << QStringLiteral("left.png") << QStringLiteral("left.png");
    QTest::newRow("after the last //") << QStringLiteral("a//b//c.tif") << QStringLiteral("c.tif");
    QTest::newRow("single slashes kept")
            << QStringLiteral("/x/y.jpg") << QStringLiteral("/x/y.jpg");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("ends in //") << QStringLiteral("dir//") << QString();
}

void TestZORStereoViewer::names()
{
    QFETCH(QString, name);
    QFETCH(QString, shortName);
    ZORStereoViewer frame(QImage(), QImage(), name, QStringLiteral("right//r.png"));
    QCOMPARE(frame.name(false), name);
    QCOMPARE(frame.shortName(false), shortName);
    QCOMPARE(frame.name(true), QStringLiteral("right//r.png"));
    QCOMPARE(frame.shortName(true), QStringLiteral("r.png"));
}

void TestZORStereoViewer::forwardedModes_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("anaglyph");
    const int unchanged = -1;
    QTest::newRow("view") << "setViewMode" << int(KVImgViewer::ViewMode)
                          << int(KVImgViewer::ViewMode) << int(KVImgViewer::ViewMode);
    QTest::newRow("zoom") << "setZoomMode" << int(KVImgViewer::ZoomMode)
                          << int(KVImgViewer::ZoomMode) << int(KVImgViewer::ZoomMode);
    QTest::newRow("region") << "setRoiMode" << int(KVImgViewer::RoiMode)
                            << int(KVImgViewer::RoiMode) << unchanged;
    QTest::newRow("polyline") << "setPolylineMode" << int(KVImgViewer::PolylineMode) << unchanged
                              << int(KVXStereoViewer::AnaglyphPolylineMode);
    QTest::newRow("measure") << "setMeasureMode" << int(KVImgViewer::LineMeasureMode)
                             << int(KVImgViewer::LineMeasureMode)
                             << int(KVXStereoViewer::AnaglyphMeasureMode);
}

void TestZORStereoViewer::forwardedModes()
{
    QFETCH(QString, slot);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, anaglyph);
    ZORStereoViewer frame(randomImage(30, 20, 1), randomImage(30, 20, 2));
    for (KVXImgViewer* viewer : {frame.leftViewer(), frame.rightViewer(),
                                 static_cast<KVXImgViewer*>(frame.stereoViewer())})
        viewer->setMode(KVImgViewer::PointMeasureMode);
    QVERIFY(QMetaObject::invokeMethod(&frame, slot.toLatin1().constData()));
    const auto expect
            = [](int mode) { return mode < 0 ? int(KVImgViewer::PointMeasureMode) : mode; };
    QCOMPARE(int(frame.leftViewer()->mode()), expect(left));
    QCOMPARE(int(frame.rightViewer()->mode()), expect(right));
    QCOMPARE(int(frame.stereoViewer()->mode()), expect(anaglyph));
}

void TestZORStereoViewer::badImages_data()
{
    QTest::addColumn<QSize>("leftSize");
    QTest::addColumn<QSize>("rightSize");
    QTest::newRow("no images") << QSize() << QSize();
    QTest::newRow("left only") << QSize(30, 20) << QSize();
    QTest::newRow("right only") << QSize() << QSize(30, 20);
    QTest::newRow("different sizes") << QSize(40, 10) << QSize(9, 33);
    QTest::newRow("1 x 1 pair") << QSize(1, 1) << QSize(1, 1);
}

void TestZORStereoViewer::badImages()
{
    QFETCH(QSize, leftSize);
    QFETCH(QSize, rightSize);
    const QImage left
            = leftSize.isValid() ? randomImage(leftSize.width(), leftSize.height(), 1) : QImage();
    const QImage right = rightSize.isValid()
                                 ? randomImage(rightSize.width(), rightSize.height(), 2)
                                 : QImage();
    auto frame = shownFrame(QImage(), QImage());
    frame->setImages(left, right);
    for (int mode : {Anaglyph, MonoLeft, MonoRight, LeftAndRight, Anaglyph}) {
        frame->setDisplayMode(DISPLAY_MODE(mode));
        frame->zoomIn();
        frame->fitToWindow();
        frame->zoomWidth();
        frame->zoomHeight();
        frame->zoomOut();
        frame->zoomBack();
        frame->zoomInAtPosition(0.5, 0.5);
        frame->zoomOutAtPosition(0.5, 0.5);
        frame->zoomInAtCursor();
        frame->zoomOutAtCursor();
        frame->zoomWindow(0, 0, 1, 1);
        frame->setZoomFactor(0.0);
        frame->setZoomFactor(1e9);
        frame->setDocking(true);
        frame->leftViewer()->setContentsPos(3, 3);
        frame->rightViewer()->setContentsPos(1, 2);
        frame->setDocking(false);
        frame->setGlobalOffset(3, -3);
        frame->setRoi(0, 100, 0, 100);
        frame->rightViewer()->setRoi(0, 0, 0, 0);
        frame->invertColors();
        frame->showFullScreen();
        frame->fitToWindow();
        frame->showNormalScreen();
        frame->setMeasureMode();
        frame->setPolylineMode();
        frame->clearRoi();
        frame->clearPolyline();
        frame->setZoomMode();
    }
    QCOMPARE(frame->displayMode(), Anaglyph);
    QVERIFY(frame->stereoViewer()->isVisible());
    QVERIFY(sameColours(frame->image(false), left));
    QVERIFY(sameColours(frame->image(true), right));
    // Zoom stays in step wherever the viewers could take it.
    if (!left.isNull() && !right.isNull() && left.size() == right.size())
        QCOMPARE(frame->rightViewer()->zoomFactor(), frame->leftViewer()->zoomFactor());
}

QTEST_MAIN(TestZORStereoViewer)
#include "tst_zorstereoviewer.moc"
