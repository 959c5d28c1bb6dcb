#include "help.h"
#include "kvtoolbutton.h"
#include "kvximgviewer.h"
#include "kvxstereoviewer.h"
#include "stereotesthelpers.h"
#include "testsettings.h"
#include "zorerror.h"
#include "zorimagefile.h"
#include "zormain.h"
#include "zoroptions.h"
#include "zorsetglobaloffsetdlg.h"
#include "zorstereoviewer.h"
#include "zortoolbar.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTransform>

#include <memory>

using namespace StereoTest;

namespace {

const char* const kModeItems[]
        = {"viewLeftAction", "viewRightAction", "viewBothAction", "viewAnaglyphAction"};
const char* const kModeButtons[]
        = {"leftViewButton", "rightViewButton", "bothViewsButton", "anaglyphButton"};

template<typename T = QAction>
T* child(const QObject* parent, const QString& name)
{
    T* object = parent->findChild<T*>(name);
    if (!object)
        qFatal("no child named %s", qPrintable(name));
    return object;
}

// Opens the menu (which recomputes the enabling) and picks the item, as a user does.
void pick(ZORMainWindow& window, const char* menu, const char* item)
{
    emit child<QMenu>(&window, menu)->aboutToShow();
    child(&window, item)->trigger();
}

void click(ZORMainWindow& window, const char* button)
{
    auto* widget = child<QAbstractButton>(&window, button);
    QTRY_VERIFY(widget->isEnabled());
    QTest::mouseClick(widget, Qt::LeftButton);
}

} // namespace

class TestZORMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    TestSettings m_settings;
    ZORError m_error;
    ZOROptions m_options;
    QStringList m_boxes;
    int m_boxAnswer = 1;
    QStringList m_fileAnswers;
    int m_fileRequests = 0;
    QStringList m_dialogs;
    QList<QWidget*> m_printParents;
    QList<QPoint> m_offsetShown;
    int m_offsetClicks = -1; // on the left arrow; -1 cancels the dialog

    // A shown window with noise images (seeds 1 and 2) opened where a size is valid.
    std::unique_ptr<ZORMainWindow> shownWindow(QSize left = {30, 20}, QSize right = {30, 20})
    {
        auto window = std::make_unique<ZORMainWindow>();
        window->resize(900, 700);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("main window not exposed");
        const QSize sizes[] = {left, right};
        for (int side = 0; side < 2; ++side) {
            m_fileAnswers = QStringList{m_home.filePath(QStringLiteral("side%1.png").arg(side))};
            if (randomImage(sizes[side], side + 1).save(m_fileAnswers.first()))
                QMetaObject::invokeMethod(window.get(),
                                          side ? "doOpenRightImage" : "doOpenLeftImage");
        }
        m_fileRequests = 0;
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
        setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
            m_boxes << request.text;
            return m_boxAnswer;
        });
        ZORImageFile::setFileDialogHook([this](const ZORImageFile::FileDialogRequest&) {
            ++m_fileRequests;
            return m_fileAnswers.isEmpty() ? QString() : m_fileAnswers.takeFirst();
        });
        ZORMainWindow::setDialogExecHook([this](QDialog* dialog) {
            m_dialogs << QString::fromLatin1(dialog->metaObject()->className());
            return int(QDialog::Rejected);
        });
        KVImgViewer::setPrintSetupHook([this](QPrinter*, QWidget* parent) {
            m_printParents << parent;
            return false;
        });
        TextBrowser::setMessageHook([](QWidget*, const QString&, const QString&) {});
        ZORSetGlobalOffsetDlg::setRunHook([this](ZORSetGlobalOffsetDlg& dialog) {
            m_offsetShown << QPoint(dialog.offsetX(), dialog.offsetY());
            for (int i = 0; i < m_offsetClicks; ++i)
                child<QPushButton>(&dialog, "leftButton")->click();
            return int(m_offsetClicks < 0 ? QDialog::Rejected : QDialog::Accepted);
        });
    }

    void init()
    {
        m_boxes.clear();
        m_boxAnswer = 1;
        m_dialogs.clear();
        m_printParents.clear();
        m_offsetShown.clear();
    }

    void cleanup() { QVERIFY(!QApplication::overrideCursor()); }

    void enabling_data()
    {
        QTest::addColumn<QSize>("left");
        QTest::addColumn<QSize>("right");
        QTest::addColumn<int>("mode");
        const char* const modes[] = {"left image", "right image", "both images", "anaglyph"};
        const QSize none, some(500, 10); // 500 wide: one offset arrow step is one pixel
        for (int mode = MonoLeft; mode <= Anaglyph; ++mode) {
            QTest::addRow("no images, %s", modes[mode]) << none << none << mode;
            QTest::addRow("left only, %s", modes[mode]) << some << none << mode;
            QTest::addRow("right only, %s", modes[mode]) << none << some << mode;
            QTest::addRow("both images, %s", modes[mode]) << some << some << mode;
        }
    }

    // Menu items (recomputed whenever a menu opens) and toolbar widgets (kept in step by
    // the toolbar's timer), each put in its wrong state first. With a pair the mode is set
    // through the view menu or a mode button, else through the frame itself.
    void enabling()
    {
        QFETCH(QSize, left);
        QFETCH(QSize, right);
        QFETCH(int, mode);
        auto window = shownWindow(left, right);
        ZORStereoViewer* frame = window->stereoViewer();
        const bool both = left.isValid() && right.isValid();
        if (both && mode < LeftAndRight)
            pick(*window, "viewMenu", kModeItems[mode]);
        else if (both)
            click(*window, kModeButtons[mode]);
        else
            frame->setDisplayMode(DISPLAY_MODE(mode));
        QCOMPARE(frame->displayMode(), DISPLAY_MODE(mode));
        const std::pair<const char*, bool> items[]
                = {{"exportAction printAction", both && mode != LeftAndRight},
                   {"swapAction viewLeftAction viewRightAction viewBothAction viewAnaglyphAction",
                    both},
                   {"rotateLeftAction", left.isValid()},
                   {"rotateRightAction", right.isValid()},
                   {"adjustOffsetAction", both && mode == Anaglyph},
                   {"fullScreenAction", mode == Anaglyph},
                   {"exitAction optionsAction helpTopicsAction aboutAction", true}};
        for (const char* menu : {"fileMenu", "editMenu", "viewMenu", "helpMenu"}) {
            for (const auto& [names, enabled] : items)
                for (const QString& name : QString(names).split(' '))
                    child(window.get(), name)->setEnabled(!enabled);
            emit child<QMenu>(window.get(), menu)->aboutToShow();
            for (const auto& [names, enabled] : items)
                for (const QString& name : QString(names).split(' '))
                    QVERIFY2(child(window.get(), name)->isEnabled() == enabled, qPrintable(name));
        }
        const std::pair<const char*, bool> widgets[]
                = {{"leftViewButton rightViewButton bothViewsButton anaglyphButton zoomComboBox "
                    "zoomInButton zoomOutButton fitToWindowButton invertButton swapButton",
                    both},
                   {"dockButton", both && mode == LeftAndRight},
                   {"rotateLeftButton", left.isValid()},
                   {"rotateRightButton", right.isValid()}};
        for (const auto& [names, enabled] : widgets)
            for (const QString& name : QString(names).split(' '))
                child<QWidget>(window.get(), name)->setEnabled(!enabled);
        for (const auto& [names, enabled] : widgets)
            for (const QString& name : QString(names).split(' '))
                QTRY_VERIFY2(child<QWidget>(window.get(), name)->isEnabled() == enabled,
                             qPrintable(name));
        // The mode shows in the view menu and on the mode buttons, in picture too.
        const ZORSettings& s = m_settings;
        const QPixmap up[]
                = {s.iconLeftView(), s.iconRightView(), s.iconBothViews(), s.iconAnaglyphMode()};
        const QPixmap down[] = {s.iconLeftViewFocus(), s.iconRightViewFocus(),
                                s.iconBothViewsFocus(), s.iconAnaglyphModeFocus()};
        for (int i = 0; i < 4; ++i) {
            auto* button = child<KvToggleToolButton>(window.get(), kModeButtons[i]);
            QCOMPARE(child(window.get(), kModeItems[i])->isChecked(), i == mode);
            QCOMPARE(button->isChecked(), i == mode);
            QCOMPARE(button->shownPixmap().toImage(), (i == mode ? down : up)[i].toImage());
            QVERIFY(up[i].toImage() != down[i].toImage());
        }

        // Called past its disabled item, the offset dialog comes only for a pair in the
        // anaglyph. It shows the whole displacement, twice the frame's offset; cancelled it
        // changes nothing, and three steps left give -9, which halves to -4.
        const bool offsetDialog = both && mode == Anaglyph;
        frame->setDeltaX(-3);
        for (int clicks : {-1, 3}) {
            m_offsetClicks = clicks;
            QVERIFY(QMetaObject::invokeMethod(window.get(), "doAdjustOffset"));
        }
        QCOMPARE(m_offsetShown, QList<QPoint>(offsetDialog ? 2 : 0, QPoint(-6, 0)));
        QCOMPARE(frame->deltaX(), offsetDialog ? -4 : -3);
        child(window.get(), "fullScreenAction")->trigger();
        QCOMPARE(frame->stereoViewer()->isWindow(), mode == Anaglyph);
    }

    void dockButton()
    {
        auto window = shownWindow();
        click(*window, "dockButton");
        QVERIFY(window->stereoViewer()->isDocked());
        click(*window, "dockButton");
        QVERIFY(!window->stereoViewer()->isDocked());
    }

    void zoomComboBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("zoom"); // 0: refused, the view keeps its zoom of 2
        QTest::newRow("1600%") << "1600%" << 16.0;
        QTest::newRow("250") << "250" << 2.5;
        QTest::newRow("not a number") << "abc" << 0.0;
        QTest::newRow("0") << "0" << 0.0;
        QTest::newRow("-50%") << "-50%" << 0.0;
        QTest::newRow("1e9%") << "1e9%" << 0.0;
    }

    void zoomComboBox()
    {
        QFETCH(QString, typed);
        QFETCH(double, zoom);
        auto window = shownWindow();
        auto* combo = child<ZORZoomComboBox>(window.get(), "zoomComboBox");
        click(*window, "zoomInButton");
        QCOMPARE(combo->currentText(), QStringLiteral("115%"));
        ZORStereoViewer* frame = window->stereoViewer();
        frame->setZoomFactor(2.0);
        QSignalSpy zoomSpy(frame, &ZORStereoViewer::zoomChanged);
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo, typed);
        QTest::keyClick(combo, Qt::Key_Return);
        frame->setModeAnaglyph(); // composed only now, the anaglyph catches up silently
        QCOMPARE(zoomSpy.count(), zoom > 0 ? 1 : 0);
        QCOMPARE(frame->stereoZoomFactor(), zoom > 0 ? zoom : 2.0);
    }

    void openImage_data()
    {
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("answer"); // the file chosen; empty for cancel
        QTest::newRow("left, cancelled") << false << QString();
        QTest::newRow("right, cancelled") << true << QString();
        QTest::newRow("left, a folder") << false << "icons";
        QTest::newRow("left, new image") << false << "fresh.png";
        QTest::newRow("right, new image") << true << "fresh.png";
    }

    void openImage()
    {
        QFETCH(bool, right);
        QFETCH(QString, answer);
        auto window = shownWindow();
        ZORStereoViewer* frame = window->stereoViewer();
        frame->setDeltaX(3);
        frame->setDeltaY(-4);
        const QImage fresh = randomImage(QSize(24, 18), 3);
        QVERIFY(fresh.save(m_home.filePath("fresh.png")));
        QSignalSpy changed(frame, right ? &ZORStereoViewer::rightImageChanged
                                        : &ZORStereoViewer::leftImageChanged);
        m_fileAnswers = QStringList{answer.isEmpty() ? QString() : m_home.filePath(answer)};

        QMetaObject::invokeMethod(window.get(), right ? "doOpenRightImage" : "doOpenLeftImage");

        const bool loaded = answer == "fresh.png";
        const QImage expected = loaded ? fresh : randomImage(QSize(30, 20), right ? 2 : 1);
        QCOMPARE(m_boxes.size(), answer == "icons" ? 1 : 0);
        QCOMPARE(changed.count(), loaded ? 1 : 0);
        QVERIFY(sameColours(right ? window->rightSourceImage() : window->leftSourceImage(),
                            expected));
        QVERIFY(sameColours(frame->image(right), expected));
        QCOMPARE(QPoint(frame->deltaX(), frame->deltaY()), loaded ? QPoint() : QPoint(3, -4));
    }

    void outputOfTheViewerOnShow_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("left image") << int(MonoLeft);
        QTest::newRow("right image") << int(MonoRight);
        QTest::newRow("both images") << int(LeftAndRight);
        QTest::newRow("anaglyph") << int(Anaglyph);
    }

    // Export, clipboard and printing take what the viewer on show displays, and nothing in
    // the both-images mode.
    void outputOfTheViewerOnShow()
    {
        QFETCH(int, mode);
        auto window = shownWindow();
        ZORStereoViewer* frame = window->stereoViewer();
        frame->setDisplayMode(DISPLAY_MODE(mode));
        const QImage left = randomImage(QSize(30, 20), 1);
        const QImage right = randomImage(QSize(30, 20), 2);
        const QImage shown[]
                = {left, right, QImage(),
                   anaglyphOf(left, right, QColor(0xB8, 0, 0), QColor(0, 0xB8, 0xFF))};
        // The submenu lists every format Qt can write, then the clipboard.
        QStringList items;
        for (QAction* action : child<QMenu>(window.get(), "exportMenu")->actions())
            items << action->text();
        QCOMPARE(items, ZORImageFile::exportFormats() << QString() << "Clipboard");
        const QString target = m_home.filePath(QStringLiteral("export%1").arg(mode));
        m_fileAnswers = QStringList{target};
        child<QMenu>(window.get(), "exportMenu")->actions().at(items.indexOf("PNG"))->trigger();
        QCOMPARE(m_fileRequests, 1);
        QVERIFY(sameColours(QImage(target + ".png"), shown[mode]));
        const QImage before = randomImage(QSize(5, 5), 9);
        QApplication::clipboard()->setImage(before);
        child(window.get(), "clipboardAction")->trigger();
        QVERIFY(sameColours(QApplication::clipboard()->image(),
                            mode == LeftAndRight ? before : shown[mode]));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "doPrint"));
        const QList<QWidget*> viewers
                = {frame->leftViewer(), frame->rightViewer(), nullptr, frame->stereoViewer()};
        QCOMPARE(m_printParents,
                 mode == LeftAndRight ? QList<QWidget*>() : QList<QWidget*>{viewers[mode]});
        QVERIFY(m_boxes.isEmpty());
    }

    // Swapping twice restores the pair and the offsets; inverting then turning shows the
    // turned image uninverted.
    void imageOperations()
    {
        auto window = shownWindow(QSize(30, 20), QSize(20, 30));
        const QImage left = randomImage(QSize(30, 20), 1);
        const QImage right = randomImage(QSize(20, 30), 2);
        ZORStereoViewer* frame = window->stereoViewer();
        frame->setDeltaX(3);
        frame->setDeltaY(-2);
        pick(*window, "editMenu", "swapAction");
        QVERIFY(sameColours(window->leftSourceImage(), right));
        QVERIFY(sameColours(frame->rightViewer()->image(), left));
        QCOMPARE(QPoint(frame->deltaX(), frame->deltaY()), QPoint(-3, 2));
        click(*window, "swapButton");
        QVERIFY(sameColours(window->rightSourceImage(), right));
        QVERIFY(sameColours(frame->leftViewer()->image(), left));
        QCOMPARE(QPoint(frame->deltaX(), frame->deltaY()), QPoint(3, -2));

        click(*window, "invertButton");
        QVERIFY(sameColours(frame->leftViewer()->image(), inverted(left)));
        QVERIFY(sameColours(window->leftSourceImage(), left));
        pick(*window, "editMenu", "rotateLeftAction");
        const QImage turned = left.transformed(QTransform().rotate(-90)); // counter-clockwise
        QVERIFY(sameColours(window->leftSourceImage(), turned));
        QVERIFY(sameColours(frame->leftViewer()->image(), turned));
        QVERIFY(sameColours(frame->rightViewer()->image(), right));
    }

    void commandsWithBadInputs_data()
    {
        QTest::addColumn<QSize>("left");
        QTest::addColumn<QSize>("right");
        QTest::newRow("no images") << QSize() << QSize();
        QTest::newRow("left only") << QSize(30, 20) << QSize();
        QTest::newRow("right only") << QSize() << QSize(30, 20);
        QTest::newRow("different sizes") << QSize(40, 10) << QSize(9, 33);
        QTest::newRow("1 x 1 pair") << QSize(1, 1) << QSize(1, 1);
    }

    // Every command called directly, past the enabling, in every mode.
    void commandsWithBadInputs()
    {
        QFETCH(QSize, left);
        QFETCH(QSize, right);
        auto window = shownWindow(left, right);
        ZORStereoViewer* frame = window->stereoViewer();
        m_offsetClicks = 1;
        for (int mode = MonoLeft; mode <= Anaglyph; ++mode) {
            frame->setDisplayMode(DISPLAY_MODE(mode));
            for (const char* command :
                 {"doSwapImages", "doRotateLeftImage", "doRotateRightImage", "doInvertColors",
                  "doPrint", "doAdjustOffset", "doViewFullScreen", "doUpdateMenuBar",
                  "stereoViewToolBarUpdate"}) {
                QVERIFY2(QMetaObject::invokeMethod(window.get(), command), command);
                frame->showNormalScreen();
            }
            m_fileAnswers = QStringList{m_home.filePath(QStringLiteral("bad.png"))};
            for (int id : {-1, 0, int(window->exportItemTexts().size()) - 1, 100000})
                QMetaObject::invokeMethod(window.get(), "doExportImageToFile", Q_ARG(int, id));
        }
        // Each round swapped once and turned each side once: after four rounds the window
        // holds the pair it started with, and the viewers show it inverted by the last round.
        QVERIFY(sameColours(window->leftSourceImage(), randomImage(left, 1)));
        QVERIFY(sameColours(window->rightSourceImage(), randomImage(right, 2)));
        QVERIFY(sameColours(frame->leftViewer()->image(), inverted(randomImage(left, 1))));
        QVERIFY(sameColours(frame->rightViewer()->image(), inverted(randomImage(right, 2))));
    }

    void dialogsAndHelp()
    {
        auto window = shownWindow(QSize(), QSize());
        pick(*window, "helpMenu", "aboutAction");
        pick(*window, "editMenu", "optionsAction");
        QCOMPARE(m_dialogs, (QStringList{"ZORAboutDlg", "ZOROptionsDlg"}));
        pick(*window, "helpMenu", "helpTopicsAction");
        QPointer<Help> help = window->helpWindowObject();
        QVERIFY(help && help->isVisible() && !help->parent());
        window.reset(); // it goes with the main window
        QVERIFY(!help);
    }

    void exitQuestionAskedOnce_data()
    {
        QTest::addColumn<bool>("closeButton");
        QTest::newRow("Exit item") << false;
        QTest::newRow("close button") << true;
    }

    // On "Yes" the event loop ends with 0, and no second question comes on the way out.
    void exitQuestionAskedOnce()
    {
        QFETCH(bool, closeButton);
        auto window = shownWindow(QSize(), QSize());
        QCOMPARE(child(window.get(), "exitAction")->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
        m_boxAnswer = 0;
        QTimer::singleShot(0, window.get(), [&] {
            if (closeButton)
                window->close();
            else
                pick(*window, "fileMenu", "exitAction");
        });
        QTimer::singleShot(2000, window.get(), [] { QCoreApplication::exit(42); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(m_boxes, QStringList{"Do you really want to exit Tarvix?"});
    }
};

QTEST_MAIN(TestZORMainWindow)
#include "tst_zormain.moc"
