#include "help.h"
#include "kvimgviewer.h"
#include "kvtoolbutton.h"
#include "kvximgviewer.h"
#include "kvxstereoviewer.h"
#include "stereotesthelpers.h"
#include "testsettings.h"
#include "zoraboutdlg.h"
#include "zorerror.h"
#include "zorimagefile.h"
#include "zormain.h"
#include "zoroptions.h"
#include "zoroptionsdlg.h"
#include "zorsetglobaloffsetdlg.h"
#include "zorstereoviewer.h"
#include "zortoolbar.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace StereoTest;

namespace {

// What a menu shows, separators as "-", submenus by their title.
QStringList itemTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

enum Images { NoImages, LeftOnly, RightOnly, BothImages };

} // namespace

class TestZORMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void construction();
    void menus();
    void exportSubmenuListsWritableFormats();
    void menuEnabling_data();
    void menuEnabling();
    void viewMenuMarksTheMode();
    void toolBarContent();
    void toolBarEnabling_data();
    void toolBarEnabling();
    void modeButtonsFollowTheFrame_data();
    void modeButtonsFollowTheFrame();
    void dockButtonKeepsItsStateWhileDisabled();
    void zoomComboBoxThroughTheFrame_data();
    void zoomComboBoxThroughTheFrame();
    void zoomButtonUpdatesComboBox();
    void badZoomTextsKeepTheView_data();
    void badZoomTextsKeepTheView();

    void openCancelledLeavesEverything();
    void openUnreadableFileReportsAndLeavesEverything();
    void openResetsOffsets_data();
    void openResetsOffsets();
    void exportInBothImagesModeWritesNothing();
    void exportWritesTheShownImage_data();
    void exportWritesTheShownImage();
    void clipboard_data();
    void clipboard();
    void swapTwiceRestores();
    void swapNegatesOffsets();
    void swapWithZeroOffsetsSetsNone();
    void invertThenRotateShowsTheUninvertedTurn();
    void fourTurnsRestore();
    void commandsWithBadInputs_data();
    void commandsWithBadInputs();

    void printUsesTheViewerOnShow_data();
    void printUsesTheViewerOnShow();
    void adjustOffset_data();
    void adjustOffset();
    void adjustOffsetOnlyForAPairInTheAnaglyph_data();
    void adjustOffsetOnlyForAPairInTheAnaglyph();
    void fullScreenFromTheViewMenu();
    void aboutDialog();
    void optionsDialog();
    void onlineHelp();
    void exitItemAsks();

private:
    std::unique_ptr<ZORMainWindow> shownWindow();
    QString writeImage(const QImage& image, const QString& name);
    void load(ZORMainWindow& window, Images images, const QImage& left, const QImage& right);
    void openWith(ZORMainWindow& window, const char* slot, const QString& answer);
    // Opens the menu (which recomputes the enabling) and picks the item, as a user does.
    void pick(ZORMainWindow& window, const char* menu, const char* item);
    template<typename T = QAction>
    T* child(ZORMainWindow& window, const char* name)
    {
        T* object = window.findChild<T*>(QLatin1String(name));
        if (!object)
            qWarning("no child named %s", name);
        return object;
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<ZORError> m_error;
    std::unique_ptr<ZOROptions> m_options;
    QList<ZORMessageBoxRequest> m_boxes;
    QList<ZORImageFile::FileDialogRequest> m_fileRequests;
    QStringList m_fileAnswers;
    struct DialogSeen
    {
        QString className;
        QString objectName;
        QWidget* parent = nullptr;
        bool modal = false;
        Qt::WindowFlags flags;
    };
    QList<DialogSeen> m_dialogs;
    int m_boxAnswer = 1;
};

void TestZORMainWindow::initTestCase()
{
    // The offscreen platform reports every window feature it lacks; that is not our output.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith(QLatin1String("This plugin does not support")))
                    previous(type, context, message);
            });
}

void TestZORMainWindow::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    // The real toolbar pictures, so that the buttons' pictures can be told apart.
    QDir home(m_home->path());
    QVERIFY(home.mkpath(QStringLiteral("icons")));
    QVERIFY(home.mkpath(QStringLiteral("userprofiles")));
    const QDir icons(QStringLiteral(TARVIX_DATA_DIR "/icons"));
    for (const QString& name : icons.entryList({QStringLiteral("*.xpm")}, QDir::Files))
        QVERIFY(QFile::copy(icons.filePath(name), home.filePath(QStringLiteral("icons/") + name)));

    m_settings = std::make_unique<TestSettings>();
    m_settings->home = m_home->path();
    m_settings->user = QStringLiteral("tester");
    m_settings->initTexts();
    m_error = std::make_unique<ZORError>();
    m_options = std::make_unique<ZOROptions>();

    m_boxes.clear();
    m_fileRequests.clear();
    m_fileAnswers.clear();
    m_dialogs.clear();
    m_boxAnswer = 1;
    setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
        m_boxes.append(request);
        return m_boxAnswer;
    });
    ZORImageFile::setFileDialogHook([this](const ZORImageFile::FileDialogRequest& request) {
        m_fileRequests.append(request);
        return m_fileAnswers.isEmpty() ? QString() : m_fileAnswers.takeFirst();
    });
    ZORMainWindow::setDialogExecHook([this](QDialog* dialog) {
        m_dialogs.append({QString::fromLatin1(dialog->metaObject()->className()),
                          dialog->objectName(), dialog->parentWidget(), dialog->isModal(),
                          dialog->windowFlags()});
        return int(QDialog::Rejected);
    });
    KVImgViewer::setPrintSetupHook([](QPrinter*, QWidget*) { return false; });
    TextBrowser::setMessageHook([](QWidget*, const QString&, const QString&) {});
    ZORSetGlobalOffsetDlg::setRunHook(
            [](ZORSetGlobalOffsetDlg&) { return int(QDialog::Rejected); });
}

void TestZORMainWindow::cleanup()
{
    setMessageBoxHook({});
    ZORImageFile::setFileDialogHook({});
    ZORMainWindow::setDialogExecHook({});
    KVImgViewer::setPrintSetupHook({});
    TextBrowser::setMessageHook({});
    ZORSetGlobalOffsetDlg::setRunHook({});
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    m_options.reset();
    m_error.reset();
    m_settings.reset();
    m_home.reset();
}

std::unique_ptr<ZORMainWindow> TestZORMainWindow::shownWindow()
{
    auto window = std::make_unique<ZORMainWindow>();
    window->resize(900, 700);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("main window not exposed");
    return window;
}

QString TestZORMainWindow::writeImage(const QImage& image, const QString& name)
{
    const QString path = m_home->filePath(name);
    if (!image.save(path, "PNG"))
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

void TestZORMainWindow::openWith(ZORMainWindow& window, const char* slot, const QString& answer)
{
    m_fileAnswers = QStringList{answer};
    QVERIFY(QMetaObject::invokeMethod(&window, slot));
}

void TestZORMainWindow::pick(ZORMainWindow& window, const char* menu, const char* item)
{
    emit child<QMenu>(window, menu)->aboutToShow();
    child(window, item)->trigger();
}

void TestZORMainWindow::load(ZORMainWindow& window, Images images, const QImage& left,
                             const QImage& right)
{
    if (images == LeftOnly || images == BothImages)
        openWith(window, "doOpenLeftImage", writeImage(left, QStringLiteral("left.png")));
    if (images == RightOnly || images == BothImages)
        openWith(window, "doOpenRightImage", writeImage(right, QStringLiteral("right.png")));
}

// ---- construction and menus -----------------------------------------------------------------

void TestZORMainWindow::construction()
{
    ZORMainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("Tarvix"));
    QVERIFY(window.isWindow());
    QVERIFY(!window.parent());
    QCOMPARE(window.windowTitle(), m_settings->appCaption());
    QCOMPARE(window.iconSize(), QSize(32, 32));
    QCOMPARE(window.centralWidget(), window.stereoViewer());
    QCOMPARE(window.stereoViewer()->displayMode(), LeftAndRight);
    QVERIFY(window.stereoViewer()->image(false).isNull());
    QVERIFY(window.stereoViewer()->image(true).isNull());
    QCOMPARE(window.stereoViewer()->leftViewer()->mode(), KVImgViewer::ZoomMode);
    QCOMPARE(window.stereoViewer()->rightViewer()->mode(), KVImgViewer::ZoomMode);
    QVERIFY(window.toolBarObject());
    QVERIFY(!window.toolBarObject()->isMovable());
    QVERIFY(window.statusBar());
    QVERIFY(window.leftSourceImage().isNull());
    QVERIFY(window.rightSourceImage().isNull());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        QCOMPARE(window.geometry(), ZORMainWindow::initialGeometry(screen->geometry()));
}

void TestZORMainWindow::menus()
{
    ZORMainWindow window;
    const QList<QAction*> bar = window.menuBar()->actions();
    QCOMPARE(bar.size(), 4);
    QCOMPARE(bar.at(0)->text(), QStringLiteral("&File"));
    QCOMPARE(bar.at(1)->text(), QStringLiteral("&Edit"));
    QCOMPARE(bar.at(2)->text(), QStringLiteral("&View"));
    QCOMPARE(bar.at(3)->text(), QStringLiteral("&Help"));

    QCOMPARE(itemTexts(bar.at(0)->menu()),
             (QStringList{"Open &Left Image...", "Open &Right Image...", "-", "&Export Image As",
                          "-", "&Print...", "-", "E&xit"}));
    QCOMPARE(itemTexts(bar.at(1)->menu()),
             (QStringList{"&Swap images", QString::fromUtf8("Rotate &Left Image 90\u00b0 ccw"),
                          QString::fromUtf8("Rotate &Right Image 90\u00b0 ccw"),
                          "&Adjust Offset...", "-", "&Options..."}));
    QCOMPARE(itemTexts(bar.at(2)->menu()),
             (QStringList{"&Left Image", "&Right Image", "&Both Images", "&Anaglyph Image", "-",
                          "&Full Screen"}));
    QCOMPARE(itemTexts(bar.at(3)->menu()), (QStringList{"Help &Topics", "-", "&About Tarvix"}));

    QCOMPARE(child(window, "exitAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QCOMPARE(child(window, "helpTopicsAction")->shortcut(), QKeySequence(Qt::Key_F1));
    for (const char* name :
         {"openLeftAction", "openRightAction", "printAction", "swapAction", "rotateLeftAction",
          "rotateRightAction", "adjustOffsetAction", "optionsAction", "viewLeftAction",
          "viewRightAction", "viewBothAction", "viewAnaglyphAction", "fullScreenAction",
          "aboutAction"})
        QVERIFY2(child(window, name)->shortcut().isEmpty(), name);
}

void TestZORMainWindow::exportSubmenuListsWritableFormats()
{
    ZORMainWindow window;
    QMenu* exportMenu = child<QMenu>(window, "exportMenu");
    QVERIFY(exportMenu);
    QStringList expected = ZORImageFile::exportFormats();
    QVERIFY(expected.contains(QStringLiteral("PNG")));
    QCOMPARE(window.exportItemTexts(), expected + QStringList{"Clipboard"});
    expected << QStringLiteral("-") << QStringLiteral("Clipboard");
    QCOMPARE(itemTexts(exportMenu), expected);
}

// Rows: which images are loaded, and the display mode.
static void addImageModeRows()
{
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("mode");
    const char* const imageNames[] = {"no images", "left only", "right only", "both images"};
    const char* const modeNames[] = {"left image", "right image", "both images", "anaglyph"};
    for (int images = NoImages; images <= BothImages; ++images)
        for (int mode = MonoLeft; mode <= Anaglyph; ++mode)
            QTest::addRow("%s, %s mode", imageNames[images], modeNames[mode]) << images << mode;
}

void TestZORMainWindow::menuEnabling_data()
{
    addImageModeRows();
}

void TestZORMainWindow::menuEnabling()
{
    QFETCH(int, images);
    QFETCH(int, mode);
    auto window = shownWindow();
    load(*window, Images(images), randomImage(30, 20, 1), randomImage(30, 20, 2));
    window->stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));

    const bool hasLeft = images == LeftOnly || images == BothImages;
    const bool hasRight = images == RightOnly || images == BothImages;
    const bool both = hasLeft && hasRight;
    const bool singleView = mode != LeftAndRight;
    const QList<std::pair<const char*, bool>> expected = {
            {"openLeftAction", true},
            {"openRightAction", true},
            {"exportAction", both && singleView},
            {"printAction", both && singleView},
            {"exitAction", true},
            {"swapAction", both},
            {"rotateLeftAction", hasLeft},
            {"rotateRightAction", hasRight},
            {"adjustOffsetAction", both && mode == Anaglyph},
            {"optionsAction", true},
            {"viewLeftAction", both},
            {"viewRightAction", both},
            {"viewBothAction", both},
            {"viewAnaglyphAction", both},
            {"fullScreenAction", mode == Anaglyph},
            {"helpTopicsAction", true},
            {"aboutAction", true},
    };
    // Each menu recomputes everything when it opens.
    for (const char* menuName : {"fileMenu", "editMenu", "viewMenu", "helpMenu"}) {
        // The open items are never touched, so they are not disturbed here either.
        for (const auto& item : expected)
            if (!QByteArray(item.first).startsWith("open"))
                child(*window, item.first)->setEnabled(!item.second);
        emit child<QMenu>(*window, menuName)->aboutToShow();
        for (const auto& [name, enabled] : expected)
            QVERIFY2(child(*window, name)->isEnabled() == enabled,
                     qPrintable(QStringLiteral("%1 after %2").arg(name, menuName)));
    }
    for (QAction* barItem : window->menuBar()->actions())
        QVERIFY(barItem->isEnabled());
}

void TestZORMainWindow::viewMenuMarksTheMode()
{
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    QMenu* viewMenu = child<QMenu>(*window, "viewMenu");
    const char* const items[]
            = {"viewLeftAction", "viewRightAction", "viewBothAction", "viewAnaglyphAction"};
    for (int mode : {Anaglyph, MonoLeft, MonoRight, LeftAndRight}) {
        window->stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));
        emit viewMenu->aboutToShow();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(child(*window, items[i])->isChecked(), i == mode);
    }
    // Picking an item changes the mode.
    pick(*window, "viewMenu", "viewAnaglyphAction");
    QCOMPARE(window->stereoViewer()->displayMode(), Anaglyph);
    pick(*window, "viewMenu", "viewRightAction");
    QCOMPARE(window->stereoViewer()->displayMode(), MonoRight);
}

void TestZORMainWindow::toolBarContent()
{
    ZORMainWindow window;
    ZORToolBar* toolBar = window.toolBarObject();
    QStringList order;
    for (QAction* action : toolBar->actions()) {
        if (action->isSeparator()) {
            order << QStringLiteral("-");
            continue;
        }
        QWidget* widget = toolBar->widgetForAction(action);
        QVERIFY(widget);
        order << (widget->objectName().isEmpty() ? QStringLiteral("stretch")
                                                 : widget->objectName());
        if (widget->objectName().isEmpty()) {
            QCOMPARE(widget->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        }
    }
    QCOMPARE(order,
             (QStringList{"openLeftButton", "openRightButton", "-", "leftViewButton",
                          "rightViewButton", "bothViewsButton", "anaglyphButton", "-",
                          "zoomComboBox", "zoomInButton", "zoomOutButton", "fitToWindowButton",
                          "-", "dockButton", "invertButton", "swapButton", "rotateLeftButton",
                          "rotateRightButton", "stretch"}));

    // Tips and status texts.
    const QList<std::tuple<const char*, QString, QString>> texts = {
            {"openLeftButton", "Open Left Image", "Opens the left image"},
            {"openRightButton", "Open Right Image", "Opens the right image"},
            {"leftViewButton", m_settings->tipLeftView(), m_settings->helpLeftView()},
            {"anaglyphButton", m_settings->tipAnaglyphMode(), m_settings->helpAnaglyphMode()},
            {"zoomInButton", m_settings->tipZoomIn(), m_settings->helpZoomIn()},
            {"fitToWindowButton", m_settings->tipFitToWindow(), m_settings->helpFitToWindow()},
            {"dockButton", m_settings->tipDock(), m_settings->helpDock()},
            {"invertButton", "Invert Colors", "Inverts the colors of the images"},
            {"swapButton", "Swap Images", "Swap left and right image"},
            {"rotateLeftButton", "Rotate Left Image",
             QString::fromUtf8("Rotate left image by 90\u00b0 counter clock-wise")},
            {"rotateRightButton", "Rotate Right Image",
             QString::fromUtf8("Rotate right image by 90\u00b0 counter clock-wise")},
    };
    for (const auto& [name, tip, status] : texts) {
        auto* button = child<QToolButton>(window, name);
        QVERIFY(button);
        QCOMPARE(button->toolTip(), tip);
        QCOMPARE(button->statusTip(), status);
        QCOMPARE(button->iconSize(), QSize(32, 32));
    }

    auto* combo = child<ZORZoomComboBox>(window, "zoomComboBox");
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    QCOMPARE(entries, (QStringList{"25%", "50%", "100%", "200%", "300%", "400%", "500%", "600%",
                                   "700%", "800%", "1600%"}));
    QCOMPARE(combo->currentText(), QStringLiteral("100%"));
    QCOMPARE(combo->minimumSize(), combo->sizeHint());

    // The mode buttons form one exclusive group with the identifiers of the modes.
    auto* both = child<KvToggleToolButton>(window, "bothViewsButton");
    QVERIFY(both->isChecked());
    QButtonGroup* group = both->group();
    QVERIFY(group);
    QVERIFY(group->exclusive());
    QCOMPARE(group->id(child<QAbstractButton>(window, "leftViewButton")), int(MonoLeft));
    QCOMPARE(group->id(child<QAbstractButton>(window, "rightViewButton")), int(MonoRight));
    QCOMPARE(group->id(both), int(LeftAndRight));
    QCOMPARE(group->id(child<QAbstractButton>(window, "anaglyphButton")), int(Anaglyph));
    QVERIFY(child<QAbstractButton>(window, "dockButton")->isCheckable());
    QVERIFY(!child<QAbstractButton>(window, "dockButton")->group());
}

void TestZORMainWindow::toolBarEnabling_data()
{
    addImageModeRows();
}

void TestZORMainWindow::toolBarEnabling()
{
    QFETCH(int, images);
    QFETCH(int, mode);
    auto window = shownWindow();
    load(*window, Images(images), randomImage(30, 20, 1), randomImage(30, 20, 2));
    window->stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));

    const bool hasLeft = images == LeftOnly || images == BothImages;
    const bool hasRight = images == RightOnly || images == BothImages;
    const bool both = hasLeft && hasRight;
    const QList<std::pair<const char*, bool>> expected = {
            {"openLeftButton", true},
            {"openRightButton", true},
            {"leftViewButton", both},
            {"rightViewButton", both},
            {"bothViewsButton", both},
            {"anaglyphButton", both},
            {"zoomComboBox", both},
            {"zoomInButton", both},
            {"zoomOutButton", both},
            {"fitToWindowButton", both},
            {"dockButton", both && mode == LeftAndRight},
            {"invertButton", both},
            {"swapButton", both},
            {"rotateLeftButton", hasLeft},
            {"rotateRightButton", hasRight},
    };
    for (const auto& item : expected)
        if (!QByteArray(item.first).startsWith("open"))
            child<QWidget>(*window, item.first)->setEnabled(!item.second);
    // The status timer brings every button in step.
    for (const auto& [name, enabled] : expected)
        QTRY_VERIFY2(child<QWidget>(*window, name)->isEnabled() == enabled, name);

    const char* const modeButtons[]
            = {"leftViewButton", "rightViewButton", "bothViewsButton", "anaglyphButton"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(child<QAbstractButton>(*window, modeButtons[i])->isChecked(), i == mode);
}

void TestZORMainWindow::modeButtonsFollowTheFrame_data()
{
    QTest::addColumn<QString>("route");
    QTest::newRow("view menu") << QStringLiteral("menu");
    QTest::newRow("frame slot") << QStringLiteral("frame");
    QTest::newRow("toolbar button") << QStringLiteral("button");
}

void TestZORMainWindow::modeButtonsFollowTheFrame()
{
    QFETCH(QString, route);
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    const char* const buttons[]
            = {"leftViewButton", "rightViewButton", "bothViewsButton", "anaglyphButton"};
    const char* const items[]
            = {"viewLeftAction", "viewRightAction", "viewBothAction", "viewAnaglyphAction"};
    const QPixmap* const upPictures[]
            = {&m_settings->iconLeftView(), &m_settings->iconRightView(),
               &m_settings->iconBothViews(), &m_settings->iconAnaglyphMode()};
    const QPixmap* const downPictures[]
            = {&m_settings->iconLeftViewFocus(), &m_settings->iconRightViewFocus(),
               &m_settings->iconBothViewsFocus(), &m_settings->iconAnaglyphModeFocus()};

    for (int mode : {Anaglyph, MonoRight, MonoLeft, LeftAndRight}) {
        if (route == QLatin1String("menu"))
            pick(*window, "viewMenu", items[mode]);
        else if (route == QLatin1String("frame"))
            window->stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));
        else
            QTest::mouseClick(child<QAbstractButton>(*window, buttons[mode]), Qt::LeftButton);
        QCOMPARE(window->stereoViewer()->displayMode(), DISPLAY_MODE(mode));
        QTRY_VERIFY(child<QAbstractButton>(*window, buttons[mode])->isChecked());
        for (int i = 0; i < 4; ++i) {
            auto* button = child<KvToggleToolButton>(*window, buttons[i]);
            QCOMPARE(button->isChecked(), i == mode);
            const QPixmap& expected = i == mode ? *downPictures[i] : *upPictures[i];
            QVERIFY(!expected.isNull());
            QCOMPARE(button->shownPixmap().toImage(), expected.toImage());
        }
    }
}

void TestZORMainWindow::dockButtonKeepsItsStateWhileDisabled()
{
    auto window = shownWindow();
    load(*window, BothImages, randomImage(300, 200, 1), randomImage(300, 200, 2));
    auto* dock = child<KvToggleToolButton>(*window, "dockButton");
    QTRY_VERIFY(dock->isEnabled());
    QTest::mouseClick(dock, Qt::LeftButton);
    QVERIFY(dock->isChecked());
    QVERIFY(window->stereoViewer()->isDocked());
    QCOMPARE(dock->shownPixmap().toImage(), m_settings->iconDockFocus().toImage());

    window->stereoViewer()->setModeMonoLeft();
    QTRY_VERIFY(!dock->isEnabled());
    QVERIFY(dock->isChecked());
    QVERIFY(window->stereoViewer()->isDocked());
    window->stereoViewer()->setModeLeftAndRight();
    QTRY_VERIFY(dock->isEnabled());
    QVERIFY(dock->isChecked());

    QTest::mouseClick(dock, Qt::LeftButton);
    QVERIFY(!dock->isChecked());
    QVERIFY(!window->stereoViewer()->isDocked());
    QCOMPARE(dock->shownPixmap().toImage(), m_settings->iconDock().toImage());
}

void TestZORMainWindow::zoomComboBoxThroughTheFrame_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QString>("shown");

    QTest::newRow("1600%") << QStringLiteral("1600%") << 16.0 << QStringLiteral("1600%");
    QTest::newRow("250") << QStringLiteral("250") << 2.5 << QStringLiteral("250%");
    QTest::newRow("25%") << QStringLiteral("25%") << 0.25 << QStringLiteral("25%");
    QTest::newRow("115.4%") << QStringLiteral("115.4%") << 1.154 << QStringLiteral("115%");
}

void TestZORMainWindow::zoomComboBoxThroughTheFrame()
{
    QFETCH(QString, typed);
    QFETCH(double, zoom);
    QFETCH(QString, shown);
    auto window = shownWindow();
    load(*window, BothImages, randomImage(40, 30, 1), randomImage(40, 30, 2));
    auto* combo = child<ZORZoomComboBox>(*window, "zoomComboBox");
    QTRY_VERIFY(combo->isEnabled());
    ZORStereoViewer* frame = window->stereoViewer();
    QSignalSpy zoomSpy(frame, &ZORStereoViewer::zoomChanged);

    // Keys go to the combo box, which hands them to its field, as with the keyboard focus.
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, typed);
    QTest::keyClick(combo, Qt::Key_Return);

    QCOMPARE(zoomSpy.count(), 1);
    QCOMPARE(zoomSpy.at(0).at(0).toDouble(), zoom);
    QCOMPARE(frame->leftViewer()->zoomFactor(), zoom);
    QCOMPARE(frame->rightViewer()->zoomFactor(), zoom);
    QCOMPARE(combo->currentText(), shown);
    // The anaglyph, composed only when it comes on show, takes the zoom then.
    frame->setModeAnaglyph();
    QCOMPARE(frame->stereoZoomFactor(), zoom);
    QCOMPARE(zoomSpy.count(), 1);

    // And the other way: the frame's zoom shows in the field, in whole percent.
    frame->setZoomFactor(1.15);
    QCOMPARE(combo->currentText(), QStringLiteral("115%"));
}

void TestZORMainWindow::zoomButtonUpdatesComboBox()
{
    auto window = shownWindow();
    load(*window, BothImages, randomImage(40, 30, 1), randomImage(40, 30, 2));
    auto* combo = child<ZORZoomComboBox>(*window, "zoomComboBox");
    auto* zoomIn = child<QAbstractButton>(*window, "zoomInButton");
    QTRY_VERIFY(zoomIn->isEnabled());
    QTest::mouseClick(zoomIn, Qt::LeftButton);
    const double zoom = window->stereoViewer()->leftViewer()->zoomFactor();
    QVERIFY(zoom > 1.0);
    QCOMPARE(combo->currentText(), QString::number(std::floor(zoom * 100 + 0.5)) + "%");
    QTest::mouseClick(child<QAbstractButton>(*window, "zoomOutButton"), Qt::LeftButton);
    QVERIFY(window->stereoViewer()->leftViewer()->zoomFactor() < zoom);
}

void TestZORMainWindow::badZoomTextsKeepTheView_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("not a number") << QStringLiteral("abc");
    QTest::newRow("0") << QStringLiteral("0");
    QTest::newRow("-50%") << QStringLiteral("-50%");
    QTest::newRow("1e9%") << QStringLiteral("1e9%");
    QTest::newRow("empty") << QString();
}

void TestZORMainWindow::badZoomTextsKeepTheView()
{
    QFETCH(QString, typed);
    auto window = shownWindow();
    load(*window, BothImages, randomImage(40, 30, 1), randomImage(40, 30, 2));
    auto* combo = child<ZORZoomComboBox>(*window, "zoomComboBox");
    QTRY_VERIFY(combo->isEnabled());
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setZoomFactor(2.0);
    QSignalSpy zoomSpy(frame, &ZORStereoViewer::zoomChanged);

    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, typed);
    QTest::keyClick(combo, Qt::Key_Return);

    QCOMPARE(zoomSpy.count(), 0);
    QCOMPARE(frame->leftViewer()->zoomFactor(), 2.0);
    QCOMPARE(frame->rightViewer()->zoomFactor(), 2.0);
    QCOMPARE(frame->leftViewer()->contentsWidth(), 80);
}

// ---- image files and operations -------------------------------------------------------------

void TestZORMainWindow::openCancelledLeavesEverything()
{
    auto window = shownWindow();
    const QImage left = randomImage(30, 20, 1);
    const QImage right = randomImage(30, 20, 2);
    load(*window, BothImages, left, right);
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setDeltaX(3);
    frame->setDeltaY(-4);
    QSignalSpy leftChanged(frame, &ZORStereoViewer::leftImageChanged);

    m_fileRequests.clear();
    openWith(*window, "doOpenLeftImage", QString());
    openWith(*window, "doOpenRightImage", QString());

    QCOMPARE(m_fileRequests.size(), 2);
    QCOMPARE(m_fileRequests.at(0).caption, QStringLiteral("Tarvix - Load Left Image"));
    QCOMPARE(m_fileRequests.at(1).caption, QStringLiteral("Tarvix - Load Right Image"));
    QCOMPARE(m_fileRequests.at(0).directory, m_home->path() + QStringLiteral("/examples"));
    QCOMPARE(leftChanged.count(), 0);
    QVERIFY(sameColours(window->leftSourceImage(), left));
    QVERIFY(sameColours(window->rightSourceImage(), right));
    QVERIFY(sameColours(frame->image(false), left));
    QVERIFY(sameColours(frame->leftViewer()->image(), left));
    QCOMPARE(frame->deltaX(), 3);
    QCOMPARE(frame->deltaY(), -4);
    QVERIFY(m_boxes.isEmpty());
}

void TestZORMainWindow::openUnreadableFileReportsAndLeavesEverything()
{
    auto window = shownWindow();
    const QImage left = randomImage(30, 20, 1);
    load(*window, BothImages, left, randomImage(30, 20, 2));
    const QString garbage = m_home->filePath(QStringLiteral("garbage.png"));
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not an image at all");
    file.close();

    openWith(*window, "doOpenLeftImage", garbage);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().parent, window.get());
    QVERIFY(sameColours(window->leftSourceImage(), left));
    QVERIFY(sameColours(window->stereoViewer()->leftViewer()->image(), left));
}

void TestZORMainWindow::openResetsOffsets_data()
{
    QTest::addColumn<bool>("right");
    QTest::newRow("left image") << false;
    QTest::newRow("right image") << true;
}

void TestZORMainWindow::openResetsOffsets()
{
    QFETCH(bool, right);
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setDeltaX(5);
    frame->setDeltaY(7);

    const QImage fresh = randomImage(24, 18, 3);
    openWith(*window, right ? "doOpenRightImage" : "doOpenLeftImage",
             writeImage(fresh, QStringLiteral("fresh.png")));

    QCOMPARE(frame->deltaX(), 0);
    QCOMPARE(frame->deltaY(), 0);
    const QImage stored = right ? window->rightSourceImage() : window->leftSourceImage();
    QCOMPARE(stored.format(), QImage::Format_RGB32);
    QVERIFY(sameColours(stored, fresh));
    QVERIFY(sameColours(frame->image(right), fresh));
    KVXImgViewer* viewer = right ? frame->rightViewer() : frame->leftViewer();
    QVERIFY(sameColours(viewer->image(), fresh));
    QCOMPARE(frame->stereoViewer()->leftImage().size(), right ? QSize(30, 20) : QSize(24, 18));
}

void TestZORMainWindow::exportInBothImagesModeWritesNothing()
{
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    QCOMPARE(window->stereoViewer()->displayMode(), LeftAndRight);
    const QString target = m_home->filePath(QStringLiteral("export.png"));
    m_fileAnswers = QStringList{target};
    m_fileRequests.clear();
    QVERIFY(QMetaObject::invokeMethod(
            window.get(), "doExportImageToFile",
            Q_ARG(int, int(window->exportItemTexts().indexOf(QStringLiteral("PNG"))))));
    QCOMPARE(m_fileRequests.size(), 1); // the name was asked for ...
    QVERIFY(!QFile::exists(target));    // ... and nothing was written
    QVERIFY(m_boxes.isEmpty());
}

void TestZORMainWindow::exportWritesTheShownImage_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("left image") << int(MonoLeft);
    QTest::newRow("right image") << int(MonoRight);
    QTest::newRow("anaglyph") << int(Anaglyph);
}

void TestZORMainWindow::exportWritesTheShownImage()
{
    QFETCH(int, mode);
    auto window = shownWindow();
    const QImage left = randomImage(30, 20, 1);
    const QImage right = randomImage(30, 20, 2);
    load(*window, BothImages, left, right);
    window->stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));

    const QString target = m_home->filePath(QStringLiteral("export"));
    m_fileAnswers = QStringList{target};
    QMenu* exportMenu = child<QMenu>(*window, "exportMenu");
    QAction* png = nullptr;
    for (QAction* action : exportMenu->actions())
        if (action->text() == QLatin1String("PNG"))
            png = action;
    QVERIFY(png);
    emit child<QMenu>(*window, "fileMenu")->aboutToShow();
    QVERIFY(child(*window, "exportAction")->isEnabled());
    png->trigger();

    const QImage written(target + QStringLiteral(".png"));
    const QImage expected = mode == MonoLeft    ? left
                            : mode == MonoRight ? right
                                                : anaglyphOf(left, right, QColor(0xB8, 0, 0),
                                                             QColor(0, 0xB8, 0xFF));
    QVERIFY(!written.isNull());
    QVERIFY(sameColours(written, expected));
    QVERIFY(m_boxes.isEmpty());
}

void TestZORMainWindow::clipboard_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("left image") << int(MonoLeft);
    QTest::newRow("right image") << int(MonoRight);
    QTest::newRow("both images") << int(LeftAndRight);
    QTest::newRow("anaglyph") << int(Anaglyph);
}

void TestZORMainWindow::clipboard()
{
    QFETCH(int, mode);
    auto window = shownWindow();
    const QImage left = randomImage(30, 20, 1);
    const QImage right = randomImage(30, 20, 2);
    load(*window, BothImages, left, right);
    window->stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));
    const QImage before = randomImage(5, 5, 9);
    QApplication::clipboard()->setImage(before);

    child(*window, "clipboardAction")->trigger();

    const QImage expected = mode == MonoLeft    ? left
                            : mode == MonoRight ? right
                            : mode == Anaglyph  ? anaglyphOf(left, right, QColor(0xB8, 0, 0),
                                                             QColor(0, 0xB8, 0xFF))
                                                : before;
    QVERIFY(sameColours(QApplication::clipboard()->image(), expected));
    QVERIFY(!QApplication::overrideCursor());
}

void TestZORMainWindow::swapTwiceRestores()
{
    auto window = shownWindow();
    const QImage left = randomImage(30, 20, 1);
    const QImage right = randomImage(20, 30, 2);
    load(*window, BothImages, left, right);
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setDeltaX(3);
    frame->setDeltaY(-2);

    QVERIFY(QMetaObject::invokeMethod(window.get(), "doSwapImages"));
    QVERIFY(sameColours(window->leftSourceImage(), right));
    QVERIFY(sameColours(window->rightSourceImage(), left));
    QVERIFY(sameColours(frame->leftViewer()->image(), right));
    QVERIFY(sameColours(frame->rightViewer()->image(), left));

    QVERIFY(QMetaObject::invokeMethod(window.get(), "doSwapImages"));
    QVERIFY(sameColours(window->leftSourceImage(), left));
    QVERIFY(sameColours(window->rightSourceImage(), right));
    QVERIFY(sameColours(frame->image(false), left));
    QVERIFY(sameColours(frame->image(true), right));
    QCOMPARE(frame->deltaX(), 3);
    QCOMPARE(frame->deltaY(), -2);
    QVERIFY(!QApplication::overrideCursor());
}

void TestZORMainWindow::swapNegatesOffsets()
{
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setDeltaX(4);
    frame->setDeltaY(0);
    pick(*window, "editMenu", "swapAction");
    QCOMPARE(frame->deltaX(), -4);
    QCOMPARE(frame->deltaY(), 0);
    frame->setDeltaY(9);
    pick(*window, "editMenu", "swapAction");
    QCOMPARE(frame->deltaX(), 4);
    QCOMPARE(frame->deltaY(), -9);
}

void TestZORMainWindow::swapWithZeroOffsetsSetsNone()
{
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    QSignalSpy xSpy(window->stereoViewer(), &ZORStereoViewer::displacementXChanged);
    QSignalSpy ySpy(window->stereoViewer(), &ZORStereoViewer::displacementYChanged);
    pick(*window, "editMenu", "swapAction");
    QCOMPARE(xSpy.count(), 0);
    QCOMPARE(ySpy.count(), 0);
}

void TestZORMainWindow::invertThenRotateShowsTheUninvertedTurn()
{
    auto window = shownWindow();
    const QImage left = randomImage(30, 20, 1);
    const QImage right = randomImage(30, 20, 2);
    load(*window, BothImages, left, right);
    ZORStereoViewer* frame = window->stereoViewer();

    QTest::mouseClick(child<QAbstractButton>(*window, "invertButton"), Qt::LeftButton);
    QVERIFY(sameColours(frame->leftViewer()->image(), inverted(left)));
    QVERIFY(sameColours(frame->rightViewer()->image(), inverted(right)));
    QVERIFY(sameColours(window->leftSourceImage(), left));

    pick(*window, "editMenu", "rotateLeftAction");
    QVERIFY(sameColours(window->leftSourceImage(), turnedCounterClockwise(left)));
    QVERIFY(sameColours(frame->leftViewer()->image(), turnedCounterClockwise(left)));
    QVERIFY(sameColours(frame->rightViewer()->image(), right));
    QCOMPARE(frame->stereoViewer()->leftImage().size(), QSize(20, 30));
}

void TestZORMainWindow::fourTurnsRestore()
{
    auto window = shownWindow();
    const QImage left = randomImage(7, 3, 1);
    const QImage right = randomImage(5, 4, 2);
    load(*window, BothImages, left, right);
    window->stereoViewer()->setDeltaX(2);
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(child<QAbstractButton>(*window, "rotateRightButton"), Qt::LeftButton);
        QCOMPARE(window->rightSourceImage().size(), i % 2 ? QSize(5, 4) : QSize(4, 5));
    }
    QVERIFY(sameColours(window->rightSourceImage(), right));
    QVERIFY(sameColours(window->stereoViewer()->rightViewer()->image(), right));
    QVERIFY(sameColours(window->leftSourceImage(), left));
    // Turning leaves the offsets alone.
    QCOMPARE(window->stereoViewer()->deltaX(), 2);
}

void TestZORMainWindow::commandsWithBadInputs_data()
{
    QTest::addColumn<int>("images");
    QTest::addColumn<QSize>("leftSize");
    QTest::addColumn<QSize>("rightSize");

    QTest::newRow("no images") << int(NoImages) << QSize() << QSize();
    QTest::newRow("left only") << int(LeftOnly) << QSize(30, 20) << QSize();
    QTest::newRow("right only") << int(RightOnly) << QSize() << QSize(30, 20);
    QTest::newRow("different sizes") << int(BothImages) << QSize(40, 10) << QSize(9, 33);
    QTest::newRow("1 x 1 pair") << int(BothImages) << QSize(1, 1) << QSize(1, 1);
    QTest::newRow("1 x 1 and large") << int(BothImages) << QSize(1, 1) << QSize(300, 200);
}

void TestZORMainWindow::commandsWithBadInputs()
{
    QFETCH(int, images);
    QFETCH(QSize, leftSize);
    QFETCH(QSize, rightSize);
    auto window = shownWindow();
    const QImage left
            = leftSize.isValid() ? randomImage(leftSize.width(), leftSize.height(), 1) : QImage();
    const QImage right = rightSize.isValid()
                                 ? randomImage(rightSize.width(), rightSize.height(), 2)
                                 : QImage();
    load(*window, Images(images), left, right);
    ZORStereoViewer* frame = window->stereoViewer();

    const char* const commands[]
            = {"doSwapImages",     "doRotateLeftImage", "doRotateRightImage",
               "doInvertColors",   "doPrint",           "doAdjustOffset",
               "doViewFullScreen", "doUpdateMenuBar",   "stereoViewToolBarUpdate"};
    for (int mode = MonoLeft; mode <= Anaglyph; ++mode) {
        frame->setDisplayMode(DISPLAY_MODE(mode));
        for (const char* command : commands) {
            QVERIFY2(QMetaObject::invokeMethod(window.get(), command), command);
            frame->showNormalScreen();
        }
        m_fileAnswers = QStringList{m_home->filePath(QStringLiteral("bad.png"))};
        QVERIFY(QMetaObject::invokeMethod(
                window.get(), "doExportImageToFile",
                Q_ARG(int, int(window->exportItemTexts().indexOf(QStringLiteral("PNG"))))));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "doExportImageToFile",
                                          Q_ARG(int, int(window->exportItemTexts().size() - 1))));
        for (int id : {-1, 100000})
            QVERIFY(QMetaObject::invokeMethod(window.get(), "doExportImageToFile",
                                              Q_ARG(int, id)));
        frame->zoomIn();
        frame->fitToWindow();
        frame->zoomOut();
        frame->zoomWidth();
        frame->zoomHeight();
        frame->zoomBack();
        frame->setZoomFactor(16.0);
        frame->setDocking(true);
        frame->leftViewer()->setContentsPos(5, 5);
        frame->setDocking(false);
    }
    QVERIFY(!QApplication::overrideCursor());
    // Each round swapped once and turned each side once: after four rounds the window holds
    // the pair it started with, and the viewers show it inverted by the last round.
    QVERIFY(sameColours(window->leftSourceImage(), left));
    QVERIFY(sameColours(window->rightSourceImage(), right));
    QVERIFY(sameColours(frame->image(false), left));
    QVERIFY(sameColours(frame->image(true), right));
    QVERIFY(sameColours(frame->leftViewer()->image(), inverted(left)));
    QVERIFY(sameColours(frame->rightViewer()->image(), inverted(right)));
}

// ---- printing, full screen, dialogs, help, exit ---------------------------------------------

void TestZORMainWindow::printUsesTheViewerOnShow_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("viewer");
    QTest::newRow("left image") << int(MonoLeft) << QStringLiteral("left");
    QTest::newRow("right image") << int(MonoRight) << QStringLiteral("right");
    QTest::newRow("both images") << int(LeftAndRight) << QString();
    QTest::newRow("anaglyph") << int(Anaglyph) << QStringLiteral("anaglyph");
}

void TestZORMainWindow::printUsesTheViewerOnShow()
{
    QFETCH(int, mode);
    QFETCH(QString, viewer);
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setDisplayMode(DISPLAY_MODE(mode));
    QList<QWidget*> asked;
    KVImgViewer::setPrintSetupHook([&asked](QPrinter*, QWidget* parent) {
        asked.append(parent);
        return false;
    });
    pick(*window, "fileMenu", "printAction");

    QWidget* expected = viewer == QLatin1String("left")    ? frame->leftViewer()
                        : viewer == QLatin1String("right") ? frame->rightViewer()
                        : viewer.isEmpty()                 ? nullptr
                                                           : frame->stereoViewer();
    QCOMPARE(asked.size(), expected ? 1 : 0);
    if (expected)
        QCOMPARE(asked.first(), expected);
}

void TestZORMainWindow::adjustOffset_data()
{
    QTest::addColumn<int>("deltaX");
    QTest::addColumn<int>("deltaY");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("expectedX");
    QTest::addColumn<int>("expectedY");

    QTest::newRow("unchanged") << 3 << -2 << QString() << 0 << true << 3 << -2;
    QTest::newRow("one right: 7 halves to 3") << 3 << -2 << "rightButton" << 1 << true << 3 << -2;
    QTest::newRow("one left: -7 halves to -3") << -3 << 0 << "leftButton" << 1 << true << -3 << 0;
    QTest::newRow("two left: -8 halves to -4") << -3 << 0 << "leftButton" << 2 << true << -4 << 0;
    QTest::newRow("one down") << 0 << 4 << "downButton" << 1 << true << 0 << 5;
    QTest::newRow("cancelled") << 1 << 1 << "upButton" << 1 << false << 1 << 1;
}

void TestZORMainWindow::adjustOffset()
{
    QFETCH(int, deltaX);
    QFETCH(int, deltaY);
    QFETCH(QString, button);
    QFETCH(int, clicks);
    QFETCH(bool, accept);
    QFETCH(int, expectedX);
    QFETCH(int, expectedY);
    auto window = shownWindow();
    // 500 pixels wide: the preview is not reduced, so one arrow step is one image pixel.
    load(*window, BothImages, randomImage(500, 10, 1), randomImage(500, 10, 2));
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setModeAnaglyph();
    frame->setDeltaX(deltaX);
    frame->setDeltaY(deltaY);

    QList<std::pair<int, int>> shown;
    QString caption;
    ZORSetGlobalOffsetDlg::setRunHook([&](ZORSetGlobalOffsetDlg& dialog) {
        shown.append({dialog.offsetX(), dialog.offsetY()});
        caption = dialog.windowTitle();
        for (int i = 0; i < clicks; ++i)
            dialog.findChild<QPushButton*>(button)->click();
        if (!accept)
            return int(QDialog::Rejected);
        dialog.accept();
        return int(QDialog::Accepted);
    });
    pick(*window, "editMenu", "adjustOffsetAction");

    QCOMPARE(shown.size(), 1);
    // The dialog works with the whole displacement, twice the frame's horizontal offset.
    QCOMPARE(shown.first(), std::make_pair(2 * deltaX, deltaY));
    QCOMPARE(caption, QStringLiteral("Tarvix - Adjust Offset"));
    QCOMPARE(frame->deltaX(), expectedX);
    QCOMPARE(frame->deltaY(), expectedY);
    QVERIFY(!QApplication::overrideCursor());
}

void TestZORMainWindow::adjustOffsetOnlyForAPairInTheAnaglyph_data()
{
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("mode");
    QTest::newRow("pair, both images mode") << int(BothImages) << int(LeftAndRight);
    QTest::newRow("pair, left image mode") << int(BothImages) << int(MonoLeft);
    QTest::newRow("left only, anaglyph") << int(LeftOnly) << int(Anaglyph);
    QTest::newRow("no images, anaglyph") << int(NoImages) << int(Anaglyph);
}

void TestZORMainWindow::adjustOffsetOnlyForAPairInTheAnaglyph()
{
    QFETCH(int, images);
    QFETCH(int, mode);
    auto window = shownWindow();
    load(*window, Images(images), randomImage(30, 20, 1), randomImage(30, 20, 2));
    window->stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));
    int runs = 0;
    ZORSetGlobalOffsetDlg::setRunHook([&runs](ZORSetGlobalOffsetDlg&) {
        ++runs;
        return int(QDialog::Accepted);
    });
    // Called directly, past the disabled menu item.
    QVERIFY(QMetaObject::invokeMethod(window.get(), "doAdjustOffset"));
    QCOMPARE(runs, 0);
}

void TestZORMainWindow::fullScreenFromTheViewMenu()
{
    auto window = shownWindow();
    load(*window, BothImages, randomImage(30, 20, 1), randomImage(30, 20, 2));
    ZORStereoViewer* frame = window->stereoViewer();
    frame->setModeAnaglyph();
    emit child<QMenu>(*window, "viewMenu")->aboutToShow();
    QAction* fullScreen = child(*window, "fullScreenAction");
    QVERIFY(fullScreen->isEnabled());
    fullScreen->trigger();
    QVERIFY(frame->isFullScreenState());
    QVERIFY(frame->stereoViewer()->isWindow());
    frame->showNormalScreen();
    QVERIFY(!frame->stereoViewer()->isWindow());
    QCOMPARE(frame->stereoViewer()->parentWidget(), frame);
}

void TestZORMainWindow::aboutDialog()
{
    ZORMainWindow window;
    pick(window, "helpMenu", "aboutAction");
    QCOMPARE(m_dialogs.size(), 1);
    const DialogSeen& about = m_dialogs.first();
    QCOMPARE(about.className, QStringLiteral("ZORAboutDlg"));
    QCOMPARE(about.parent, &window);
    QVERIFY(about.modal);
    const Qt::WindowFlags flags = about.flags;
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
}

void TestZORMainWindow::optionsDialog()
{
    ZORMainWindow window;
    pick(window, "editMenu", "optionsAction");
    QCOMPARE(m_dialogs.size(), 1);
    const DialogSeen& options = m_dialogs.first();
    QCOMPARE(options.className, QStringLiteral("ZOROptionsDlg"));
    QCOMPARE(options.objectName, QStringLiteral("options"));
    QCOMPARE(options.parent, &window);
}

void TestZORMainWindow::onlineHelp()
{
    QVERIFY(QDir(m_home->path()).mkpath(QStringLiteral("help/html")));
    QFile page(m_home->filePath(QStringLiteral("help/html/toc.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><head><title>Contents</title></head><body><p>Start</p></body></html>");
    page.close();

    auto window = shownWindow();
    QVERIFY(!window->helpWindowObject());
    pick(*window, "helpMenu", "helpTopicsAction");
    QPointer<Help> help = window->helpWindowObject();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(!help->parent());
    QCOMPARE(help->objectName(), QStringLiteral("help"));
    QVERIFY(help->browser()->source().toLocalFile().endsWith(QStringLiteral("toc.html")));

    // A second request brings the same window back.
    help->hide();
    QMetaObject::invokeMethod(window.get(), "callOnlineHelp");
    QCOMPARE(window->helpWindowObject(), help.data());
    QVERIFY(help->isVisible());

    // Once closed for good, the next request makes a new one.
    delete help.data();
    QVERIFY(!window->helpWindowObject());
    QMetaObject::invokeMethod(window.get(), "callOnlineHelp");
    QVERIFY(window->helpWindowObject());
    QVERIFY(window->helpWindowObject()->isVisible());

    // The help window goes with the main window.
    help = window->helpWindowObject();
    window.reset();
    QVERIFY(!help);
}

void TestZORMainWindow::exitItemAsks()
{
    auto window = shownWindow();
    m_boxAnswer = 1;
    pick(*window, "fileMenu", "exitAction");
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().text, QStringLiteral("Do you really want to exit Tarvix?"));
    QVERIFY(window->isVisible());
}

QTEST_MAIN(TestZORMainWindow)
#include "tst_zormain.moc"
