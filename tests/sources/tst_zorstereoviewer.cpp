#include "stereotesthelpers.h" // the frame and its viewers

#include <QAction>
#include <QGridLayout>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace StereoTest;

// A shown frame holding noise images (seeds 1 and 2) of the given sizes.
static std::unique_ptr<ZORStereoViewer> shownFrame(QSize left = {60, 40}, QSize right = {60, 40})
{
    auto frame = std::make_unique<ZORStereoViewer>(randomImage(left, 1), randomImage(right, 2));
    frame->resize(400, 300);
    frame->show();
    (void)QTest::qWaitForWindowExposed(frame.get());
    return frame;
}

using Box = QList<int>; // left, right, top, bottom

static Box roiOf(const KVXImgViewer* viewer)
{
    Box r(4);
    viewer->roi(&r[0], &r[1], &r[2], &r[3]);
    return r;
}

class TestZORStereoViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenNotices(); }
    void cleanup() { ZORStereoViewer::setPopupMenuHook({}); } // it refers to a test's locals

    void modeChanges_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QSize>("leftSize");
        QTest::addColumn<QSize>("rightSize");
        const QSize pair(60, 40);
        for (int from = MonoLeft; from <= Anaglyph; ++from)
            for (int to = MonoLeft; to <= Anaglyph; ++to)
                QTest::addRow("%s to %s", kModeNames[from], kModeNames[to])
                        << from << to << pair << pair;
        QTest::newRow("anaglyph to 4 is ignored") << int(Anaglyph) << 4 << pair << pair;
        QTest::newRow("left image to -1 is ignored") << int(MonoLeft) << -1 << pair << pair;
        for (const auto& [name, left, right] : kAwkwardPairs)
            for (int to = MonoLeft; to <= Anaglyph; ++to)
                QTest::addRow("%s, %s", name, kModeNames[to])
                        << (to + 1) % 4 << to << left << right;
    }

    // A new mode says so, value first; the current one or one out of range changes nothing.
    // Then every slot, with any pair, leaves the pair as it was given.
    void modeChanges()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QSize, leftSize);
        QFETCH(QSize, rightSize);
        auto frame = shownFrame(leftSize, rightSize);
        frame->setDisplayMode(DISPLAY_MODE(from));
        QStringList order;
        connect(frame.get(), qOverload<DISPLAY_MODE>(&ZORStereoViewer::displayModeChanged), this,
                [&order](DISPLAY_MODE mode) { order << QString::number(mode); });
        connect(frame.get(), qOverload<>(&ZORStereoViewer::displayModeChanged), this,
                [&order] { order << QStringLiteral("changed"); });
        frame->setDisplayMode(DISPLAY_MODE(to));
        const int mode = to >= MonoLeft && to <= Anaglyph ? to : from;
        QCOMPARE(frame->displayMode(), DISPLAY_MODE(mode));
        QCOMPARE(order,
                 (mode == from ? QStringList() : QStringList{QString::number(to), "changed"}));
        const bool two = mode == LeftAndRight;
        for (int shown : {MonoLeft, MonoRight, Anaglyph})
            QCOMPARE(viewerOf(*frame, shown)->isVisible(),
                     shown == mode || (two && shown != Anaglyph));
        QCOMPARE(frame->gridLayout()->itemAtPosition(0, 0)->widget(), viewerOf(*frame, mode));
        if (two)
            QCOMPARE(frame->gridLayout()->itemAtPosition(0, 1)->widget(), frame->rightViewer());
        else
            QTRY_COMPARE(viewerOf(*frame, mode)->size(), frame->size());
        const bool pair = leftSize == QSize(60, 40);
        QSignalSpy zoomSpy(frame.get(), &ZORStereoViewer::zoomChanged);
        viewerOf(*frame, mode)->zoomIn(); // the others follow, the anaglyph once composed
        for (int viewer : {MonoLeft, MonoRight, Anaglyph})
            if (pair && (viewer != Anaglyph || from == Anaglyph || mode == Anaglyph))
                QCOMPARE(viewerOf(*frame, viewer)->zoomFactor(), 1.15);
        frame->setZoomFactor(1.15); // the factor they have: nothing to say
        if (pair)
            QCOMPARE(QList<QVariantList>(zoomSpy), (QList<QVariantList>{{1.15}}));
        for (const char* slot :
             {"zoomIn", "fitToWindow", "zoomWidth", "zoomHeight", "zoomInAtCursor", "invertColors",
              "showFullScreen", "fitToWindow", "showNormalScreen", "setMeasureMode",
              "setPolylineMode", "clearRoi", "setZoomMode"})
            QVERIFY(QMetaObject::invokeMethod(frame.get(), slot));
        const QImage left = inverted(frame->image(false)), right = inverted(frame->image(true));
        const KVXStereoViewer* stereo = frame->stereoViewer(); // shows the inverted pair
        if (mode == Anaglyph && pair)
            QVERIFY(sameColours(stereo->image(), anaglyphOf(left, right, stereo->leftColor(),
                                                            stereo->rightColor())));
        frame->setZoomFactor(1e9);
        frame->setDocking(true);
        frame->leftViewer()->setContentsPos(3, 3);
        frame->setGlobalOffset(3, -3);
        frame->rightViewer()->setRoi(0, 100, 0, 100);
        QVERIFY(sameColours(frame->image(false), randomImage(leftSize, 1)));
        QVERIFY(sameColours(frame->image(true), randomImage(rightSize, 2)));
    }

    void docking_data()
    {
        QTest::addColumn<bool>("rightMoves");
        QTest::addColumn<QPoint>("move");
        QTest::newRow("left moves") << false << QPoint(10, 20);
        QTest::newRow("left moves, right stops") << false << QPoint(700, 600);
        QTest::newRow("right moves, left stops") << true << QPoint(700, 600);
    }

    // Undocked, each view scrolls alone; docking keeps the relative position it finds.
    void docking()
    {
        QFETCH(bool, rightMoves);
        QFETCH(QPoint, move);
        auto frame = shownFrame(QSize(1000, 1000), QSize(1000, 1000));
        KVXImgViewer* mover = viewerOf(*frame, rightMoves ? MonoRight : MonoLeft);
        KVXImgViewer* follower = viewerOf(*frame, rightMoves ? MonoLeft : MonoRight);
        const auto posOf = [](KVXImgViewer* viewer) { return viewer->viewportToContents({}); };
        follower->setContentsPos(150, 150); // so that it stops before the one that moves
        const QPoint start = posOf(follower);
        mover->setContentsPos(30, 40);
        QCOMPARE(posOf(follower), start);
        frame->setDocking(true);
        mover->setContentsPos(30 + move.x(), 40 + move.y());
        QCOMPARE(posOf(mover), QPoint(30, 40) + move);
        QCOMPARE(posOf(follower),
                 QPoint(std::min(start.x() + move.x(), follower->horizontalScrollBar()->maximum()),
                        std::min(start.y() + move.y(), follower->verticalScrollBar()->maximum())));
    }

    void globalOffsetAndRoi_data()
    {
        QTest::addColumn<QPoint>("offset"); // each anaglyph image moves by half of it
        QTest::addColumn<bool>("drawnRight");
        QTest::addColumn<Box>("drawn");
        QTest::addColumn<Box>("expected"); // in the other viewer
        QTest::newRow("(5, 6), right to left")
                << QPoint(5, 6) << true << Box{10, 20, 30, 40} << Box{15, 25, 36, 46};
        QTest::newRow("(5, 6), left to right")
                << QPoint(5, 6) << false << Box{15, 25, 36, 46} << Box{10, 20, 30, 40};
        QTest::newRow("(-5, 0), cut at the edge")
                << QPoint(-5, 0) << true << Box{0, 10, 0, 10} << Box{0, 5, 0, 10};
    }

    // Each anaglyph image moves by half the offset; a region follows by the whole offset.
    void globalOffsetAndRoi()
    {
        QFETCH(QPoint, offset);
        QFETCH(bool, drawnRight);
        QFETCH(Box, drawn);
        QFETCH(Box, expected);
        auto frame = shownFrame(QSize(100, 80), QSize(100, 80));
        QSignalSpy xSpy(frame.get(), &ZORStereoViewer::displacementXChanged);
        QSignalSpy ySpy(frame.get(), &ZORStereoViewer::displacementYChanged);
        frame->setGlobalOffset(offset.x(), offset.y());
        QCOMPARE(QPoint(frame->deltaX(), frame->deltaY()), QPoint(offset.x() / 2, offset.y()));
        QCOMPARE(QPoint(xSpy.count(), ySpy.count()), QPoint(1, offset.y() != 0));

        QSignalSpy relayed(frame.get(), &ZORStereoViewer::roiChanged);
        KVXImgViewer* source = viewerOf(*frame, drawnRight ? MonoRight : MonoLeft);
        source->setRoi(drawn[0], drawn[1], drawn[2], drawn[3]);
        QCOMPARE(roiOf(viewerOf(*frame, drawnRight ? MonoLeft : MonoRight)), expected);
        QCOMPARE(roiOf(source), drawn); // not copied back
        const Box l = roiOf(frame->leftViewer());
        QCOMPARE(QList<QVariantList>(relayed), (QList<QVariantList>{{l[0], l[2], l[1], l[3]}}));
        frame->setRoi(1, 2, 3, 4); // the left region, except in the anaglyph
        frame->setModeAnaglyph();
        frame->setRoi(5, 6, 7, 8);
        QCOMPARE(roiOf(frame->leftViewer()), (Box{1, 2, 3, 4}));
    }

    void fullScreen_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("action"); // Escape, a slot of the frame or a menu entry
        QTest::newRow("anaglyph, normal screen") << int(Anaglyph) << "showNormalScreen";
        QTest::newRow("anaglyph, Escape") << int(Anaglyph) << "Escape";
        QTest::newRow("anaglyph, window closed") << int(Anaglyph) << "close";
        QTest::newRow("anaglyph, mode change") << int(Anaglyph) << "setModeMonoLeft";
        QTest::newRow("anaglyph, menu back") << int(Anaglyph) << "Not Full Screen";
        QTest::newRow("both images, normal screen") << int(LeftAndRight) << "showNormalScreen";
        QTest::newRow("right image, menu left alone") << int(MonoRight) << "";
        for (int mode = MonoLeft; mode <= Anaglyph; ++mode)
            QTest::addRow("%s, fit", kModeNames[mode]) << mode << "Fit to Screen";
    }

    // Only the anaglyph goes out, over the screen, and comes back as it was (or goes with the
    // frame). Only then does a right click bring up the menu, which fits the viewer on show.
    void fullScreen()
    {
        QFETCH(int, mode);
        QFETCH(QString, action);
        auto frame = shownFrame(QSize(200, 100), QSize(100, 200));
        frame->setDisplayMode(DISPLAY_MODE(mode));
        QPointer<KVXStereoViewer> anaglyph = frame->stereoViewer();
        KVXImgViewer* viewer = viewerOf(*frame, mode);
        const int frameStyle = anaglyph->frameStyle();
        anaglyph->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        QStringList entries;
        ZORStereoViewer::setPopupMenuHook([&](QMenu* menu, const QPoint&) {
            for (QAction* item : menu->actions())
                entries << item->text();
            return menu->actions().value(entries.indexOf(action));
        });
        const auto rightClick = [&] { QTest::mouseClick(viewer->viewport(), Qt::RightButton); };
        rightClick();
        QVERIFY(entries.isEmpty());
        QSignalSpy zoomSpy(frame.get(), &ZORStereoViewer::zoomChanged);
        frame->showFullScreen();
        frame->showFullScreen();
        const auto out = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
        QCOMPARE(anaglyph->windowFlags().testFlags(out), mode == Anaglyph);
        QCOMPARE(anaglyph->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff,
                 mode == Anaglyph);
        if (mode == Anaglyph)
            QTRY_COMPARE(anaglyph->geometry(), frame->screen()->geometry());
        const bool menu = action.isEmpty() || action.contains(' '); // an entry, or none
        if (action.startsWith("set") || action.startsWith("show"))
            QVERIFY(QMetaObject::invokeMethod(frame.get(), action.toLatin1().constData()));
        else if (action == "close")
            QVERIFY(!anaglyph->close()); // the window stays and goes back into the frame
        else
            menu ? rightClick() : QTest::keyClick(anaglyph, Qt::Key_Escape);
        QCOMPARE(entries,
                 (menu ? QStringList{"Fit to Screen", "Not Full Screen"} : QStringList()));
        const bool fit = action == "Fit to Screen", modeChange = action == "setModeMonoLeft";
        const bool stays = modeChange || fit || action.isEmpty();
        QCOMPARE(frame->isFullScreenState(), stays);
        const QSizeF room = viewer->size() - 2 * QSize(viewer->frameWidth(), viewer->frameWidth());
        if (fit) // the three images differ in shape
            QCOMPARE(viewer->zoomFactor(), std::min(room.width() / viewer->image().width(),
                                                    room.height() / viewer->image().height()));
        QCOMPARE(zoomSpy.count(), int(fit));
        if (!stays || modeChange || mode != Anaglyph) { // back in the frame as it was
            QCOMPARE(anaglyph->parentWidget(), frame.get());
            QCOMPARE(anaglyph->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(anaglyph->frameStyle(), frameStyle);
            frame->setModeAnaglyph();
            QTRY_COMPARE(anaglyph->size(), frame->size());
        }
        frame.reset();
        QVERIFY(!anaglyph);
    }
};

QTEST_MAIN(TestZORStereoViewer)
#include "tst_zorstereoviewer.moc"
