#include "help.h"
#include "kvtoolbutton.h"
#include "stereotesthelpers.h" // the frame and its viewers
#include "testsettings.h"
#include "zorerror.h"
#include "zorimagefile.h"
#include "zormain.h"
#include "zoroptions.h"
#include "zorsetglobaloffsetdlg.h"
#include "zortoolbar.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTransform>

using namespace StereoTest;

const char* const kModeItems[]
        = {"viewLeftAction", "viewRightAction", "viewBothAction", "viewAnaglyphAction"};
const char* const kModeButtons[]
        = {"leftViewButton", "rightViewButton", "bothViewsButton", "anaglyphButton"};

template<typename T = QAction>
static T* child(const QObject* parent, const QString& name)
{
    T* object = parent->findChild<T*>(name);
    if (!object)
        qFatal("no child named %s", qPrintable(name));
    return object;
}

static void pick(ZORMainWindow& window, const char* menu, const char* item)
{
    emit child<QMenu>(&window, menu)->aboutToShow();
    child(&window, item)->trigger();
}

static void click(ZORMainWindow& window, const char* button)
{
    auto* widget = child<QAbstractButton>(&window, button);
    QTRY_VERIFY(widget->isEnabled());
    QTest::mouseClick(widget, Qt::LeftButton);
}

using States = std::vector<std::pair<QString, bool>>; // object names, enabled

// Puts the named objects in the wrong state, recomputes, and names those that stay wrong.
static QStringList wrongStates(QObject* window, const States& states,
                               const std::function<void()>& recompute)
{
    for (const auto& [names, on] : states)
        for (const QString& name : names.split(' '))
            child<QObject>(window, name)->setProperty("enabled", !on);
    recompute();
    QStringList wrong;
    for (const auto& [names, on] : states)
        for (const QString& name : names.split(' '))
            if (child<QObject>(window, name)->property("enabled").toBool() != on)
                wrong << name;
    return wrong;
}

static QImage turned(const QImage& image)
{
    return image.transformed(QTransform().rotate(-90)); // counter-clockwise
}

class TestZORMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    TestSettings m_settings;
    ZORError m_error;
    ZOROptions m_options;
    QStringList m_asked;   // what message boxes, dialogs, file and print requests were asked
    QStringList m_answers; // their answers in turn: file names, buttons, arrow clicks, none

    QString answer(const QString& question)
    {
        m_asked << question;
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    }

    // A shown window with noise images (seeds 1 and 2) opened where a size is valid.
    std::unique_ptr<ZORMainWindow> shownWindow(QSize left = {30, 20}, QSize right = {30, 20})
    {
        auto window = std::make_unique<ZORMainWindow>();
        window->resize(900, 700);
        window->show();
        (void)QTest::qWaitForWindowExposed(window.get());
        for (int side = 0; side < 2; ++side) {
            m_answers = QStringList{m_home.filePath(QStringLiteral("side%1.png").arg(side))};
            if (randomImage(side ? right : left, side + 1).save(m_answers.first()))
                click(*window, side ? "openRightButton" : "openLeftButton");
        }
        m_asked.clear();
        m_answers.clear();
        return window;
    }

private slots:
    void initTestCase()
    {
        quietOffscreenNotices();
        // The real toolbar pictures (so that the buttons' pictures differ) and help pages.
        for (const char* folder : {"icons", "help"})
            QVERIFY(QFile::link(TARVIX_DATA_DIR "/" + QString(folder), m_home.filePath(folder)));
        m_settings.home = m_home.path();
        m_settings.initTexts();
        setMessageBoxHook([this](const auto& request) { return answer(request.text).toInt(); });
        ZORImageFile::setFileDialogHook([this](const auto&) { return answer("file"); });
        ZORMainWindow::setDialogExecHook(
                [this](QDialog* d) { return answer(d->metaObject()->className()).toInt(); });
        KVImgViewer::setPrintSetupHook(
                [this](auto, QWidget* p) { return answer("print " + p->objectName()) == "1"; });
        TextBrowser::setMessageHook([](QWidget*, const QString&, const QString&) {});
        ZORSetGlobalOffsetDlg::setRunHook([this](ZORSetGlobalOffsetDlg& d) {
            const auto steps = answer(QString::asprintf("offset %d,%d", d.offsetX(), d.offsetY()));
            for (int i = 0; i < steps.toInt(); ++i)
                child<QPushButton>(&d, "leftButton")->click();
            return int(steps.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
        });
    }

    void cleanup() { QVERIFY(!QApplication::overrideCursor()); }

    void enabling_data()
    {
        QTest::addColumn<QSize>("left");
        QTest::addColumn<QSize>("right");
        QTest::addColumn<int>("mode");
        const QSize pair(500, 10); // 500 wide: one offset arrow step is one pixel
        for (int mode = MonoLeft; mode <= Anaglyph; ++mode) {
            QTest::addRow("both images, %s", kModeNames[mode]) << pair << pair << mode;
            for (const auto& [name, left, right] : kAwkwardPairs)
                QTest::addRow("%s, %s", name, kModeNames[mode]) << left << right << mode;
        }
    }

    // Items follow when any menu opens, widgets on the toolbar's timer, checks the mode.
    void enabling()
    {
        QFETCH(QSize, left);
        QFETCH(QSize, right);
        QFETCH(int, mode);
        auto window = shownWindow(left, right);
        ZORStereoViewer* frame = window->stereoViewer();
        const bool both = left.isValid() && right.isValid();
        if (!both)
            frame->setDisplayMode(DISPLAY_MODE(mode));
        else
            mode < LeftAndRight ? pick(*window, "viewMenu", kModeItems[mode])
                                : click(*window, kModeButtons[mode]);
        const States items
                = {{"exportAction printAction", both && mode != LeftAndRight},
                   {"swapAction viewLeftAction viewRightAction viewBothAction viewAnaglyphAction",
                    both},
                   {"rotateLeftAction", left.isValid()},
                   {"rotateRightAction", right.isValid()},
                   {"adjustOffsetAction", both && mode == Anaglyph},
                   {"fullScreenAction", mode == Anaglyph},
                   {"exitAction optionsAction helpTopicsAction aboutAction", true}};
        for (const char* menu : {"fileMenu", "editMenu", "viewMenu", "helpMenu"})
            QCOMPARE(wrongStates(window.get(), items,
                                 [&] { emit child<QMenu>(window.get(), menu)->aboutToShow(); }),
                     QStringList());
        const States widgets = {{"leftViewButton rightViewButton bothViewsButton anaglyphButton "
                                 "zoomComboBox zoomInButton zoomOutButton fitToWindowButton "
                                 "invertButton swapButton",
                                 both},
                                {"dockButton", both && mode == LeftAndRight},
                                {"rotateLeftButton", left.isValid()},
                                {"rotateRightButton", right.isValid()}};
        QSignalSpy tick(child<ZORToolBar>(window.get(), "toolBar"), &ZORToolBar::updateStatus);
        QCOMPARE(wrongStates(window.get(), widgets, [&] { QVERIFY(tick.wait()); }), QStringList());
        const QPixmap down[]
                = {m_settings.iconLeftViewFocus(), m_settings.iconRightViewFocus(),
                   m_settings.iconBothViewsFocus(), m_settings.iconAnaglyphModeFocus()};
        for (int i = 0; i < 4; ++i) {
            auto* button = child<KvToggleToolButton>(window.get(), kModeButtons[i]);
            QCOMPARE(child(window.get(), kModeItems[i])->isChecked(), i == mode);
            QCOMPARE(button->shownPixmap().toImage() == down[i].toImage(), i == mode);
        }

        // Export, clipboard and printing take the shown image, even past their items.
        const QImage l = randomImage(left, 1), r = randomImage(right, 2), before = r.mirrored();
        const QImage shown = mode == LeftAndRight ? QImage() : viewerOf(*frame, mode)->image();
        const QString target = m_home.filePath(QString::fromLatin1(QTest::currentDataTag()));
        m_answers = QStringList{target};
        const int png = int(ZORImageFile::exportFormats().indexOf("PNG"));
        child<QMenu>(window.get(), "exportMenu")->actions().at(png)->trigger();
        QVERIFY(sameColours(QImage(target + ".png"), shown));
        QApplication::clipboard()->setImage(before);
        child(window.get(), "clipboardAction")->trigger();
        QVERIFY(sameColours(QApplication::clipboard()->image(), shown.isNull() ? before : shown));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "doPrint"));
        QStringList asked{"file", "print " + viewerOf(*frame, mode)->objectName()};
        if (shown.isNull())
            asked.insert(1, "Cannot save the image.");
        QCOMPARE(m_asked, mode == LeftAndRight ? asked.mid(0, 1) : asked);
        m_asked.clear();

        // The offset dialog (pair, anaglyph) shows twice the offset; -9 after three steps left.
        frame->setDeltaX(-3);
        m_answers = QStringList{"", "3"};
        QVERIFY(QMetaObject::invokeMethod(window.get(), "doAdjustOffset"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "doAdjustOffset"));
        const bool offsetDialog = both && mode == Anaglyph;
        QCOMPARE(m_asked, QStringList(offsetDialog ? 2 : 0, "offset -6,0"));
        QCOMPARE(frame->deltaX(), offsetDialog && left.width() == 500 ? -4 : -3);
        child(window.get(), "fullScreenAction")->trigger();
        QCOMPARE(frame->stereoViewer()->isWindow(), mode == Anaglyph);

        // Every other command: the round swaps the pair, turns each side and inverts.
        for (const char* command :
             {"doSwapImages", "doRotateLeftImage", "doRotateRightImage", "doInvertColors",
              "doPrint", "doViewFullScreen", "doUpdateMenuBar", "stereoViewToolBarUpdate"})
            QVERIFY2(QMetaObject::invokeMethod(window.get(), command), command);
        m_answers = QStringList{m_home.filePath(QStringLiteral("bad.png"))};
        for (int id : {-1, 0, int(window->exportItemTexts().size()) - 1, 100000})
            QMetaObject::invokeMethod(window.get(), "doExportImageToFile", Q_ARG(int, id));
        QVERIFY(sameColours(frame->leftViewer()->image(), inverted(turned(r))));
        QVERIFY(sameColours(frame->rightViewer()->image(), inverted(turned(l))));
    }

    // A typed zoom reaches the frame once, the viewers refuse what is no sane zoom, and the
    // anaglyph catches up silently. Swapping twice restores the pair and offsets; turning
    // shows the image uninverted; opening clears the offset, a cancel or a folder keeps all.
    void commandsDialogsAndExit()
    {
        auto window = shownWindow(QSize(30, 20), QSize(20, 30));
        const QImage left = randomImage(QSize(30, 20), 1), right = randomImage(QSize(20, 30), 2);
        ZORStereoViewer* frame = window->stereoViewer();
        auto* combo = child<ZORZoomComboBox>(window.get(), "zoomComboBox");
        click(*window, "zoomInButton");
        QCOMPARE(combo->currentText(), QStringLiteral("115%"));
        QSignalSpy zoomSpy(frame, &ZORStereoViewer::zoomChanged);
        const std::pair<const char*, double> typed[]
                = {{"1600%", 16.0}, {"abc", 16.0}, {"0", 16.0},
                   {"250", 2.5},    {"-50%", 2.5}, {"1e9%", 2.5}};
        for (const auto& [text, zoom] : typed) {
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo, text);
            QTest::keyClick(combo, Qt::Key_Return);
            QCOMPARE(frame->leftViewer()->zoomFactor(), zoom);
        }
        frame->setModeAnaglyph();
        QCOMPARE(frame->stereoZoomFactor(), 2.5);
        QCOMPARE(zoomSpy.count(), 2);
        frame->setModeLeftAndRight();
        const auto offset = [frame] { return QPoint(frame->deltaX(), frame->deltaY()); };
        frame->setGlobalOffset(6, -2);
        pick(*window, "editMenu", "swapAction");
        QVERIFY(sameColours(frame->leftViewer()->image(), right));
        QCOMPARE(offset(), QPoint(-3, 2));
        click(*window, "swapButton");
        QCOMPARE(offset(), QPoint(3, -2));
        click(*window, "invertButton");
        QVERIFY(sameColours(frame->leftViewer()->image(), inverted(left)));
        pick(*window, "editMenu", "rotateLeftAction");
        QVERIFY(sameColours(frame->leftViewer()->image(), turned(left)));
        QVERIFY(sameColours(frame->rightViewer()->image(), right));
        for (bool docked : {true, false}) {
            click(*window, "dockButton");
            QCOMPARE(frame->isDocked(), docked);
        }

        // Cancelled, a folder (its message takes the third answer), a new image.
        m_answers = QStringList{"", m_home.filePath("icons"), "", m_home.filePath("side0.png")};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(offset(), QPoint(3, -2));
            click(*window, "openRightButton");
        }
        QCOMPARE(m_asked.size(), 4);
        QCOMPARE(offset(), QPoint());
        QVERIFY(sameColours(frame->image(true), left));

        // Exit (Ctrl+Q) and the close button ask; on "Yes" the event loop ends with 0, and no
        // second question comes on the way out. The help window goes with the main window.
        QCOMPARE(ZORMainWindow::initialGeometry(QRect(0, 0, 1024, 768)), QRect(76, 28, 870, 652));
        m_asked.clear();
        pick(*window, "helpMenu", "aboutAction");
        pick(*window, "editMenu", "optionsAction");
        QCOMPARE(m_asked, (QStringList{"ZORAboutDlg", "ZOROptionsDlg"}));
        pick(*window, "helpMenu", "helpTopicsAction");
        QPointer<Help> help = window->helpWindowObject();
        QVERIFY(help && help->isVisible() && !help->parent());
        QCOMPARE(child(window.get(), "exitAction")->shortcut(), QKeySequence("Ctrl+Q"));
        for (bool closeButton : {false, true}) {
            m_asked.clear();
            QTimer::singleShot(0, window.get(), [&] {
                closeButton ? void(window->close()) : pick(*window, "fileMenu", "exitAction");
            });
            QTimer::singleShot(2000, window.get(), [] { QCoreApplication::exit(42); });
            QCOMPARE(QApplication::exec(), 0);
            QCOMPARE(m_asked, QStringList{"Do you really want to exit Tarvix?"});
        }
        window.reset();
        QVERIFY(!help);
    }
};

QTEST_MAIN(TestZORMainWindow)
#include "tst_zormain.moc"
