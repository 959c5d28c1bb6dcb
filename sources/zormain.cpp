#include "zormain.h"

#include "help.h"
#include "kvtoolbutton.h"
#include "kvximgviewer.h"
#include "kvxstereoviewer.h"
#include "zoraboutdlg.h"
#include "zorerror.h"
#include "zorimagefile.h"
#include "zoroptionsdlg.h"
#include "zorsetglobaloffsetdlg.h"
#include "zorsettings.h"
#include "zorstereoviewer.h"
#include "zortoolbar.h"
#include "zorwaitcursor.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSizePolicy>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

ZORMainWindow::DialogExecHook& dialogExecHook()
{
    static ZORMainWindow::DialogExecHook hook;
    return hook;
}

// The title bar of the program's own dialogs: a title and a close button, nothing else.
constexpr Qt::WindowFlags DialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// What the menus and the toolbar are enabled by: the images the frame holds and its mode.
struct FrameState
{
    explicit FrameState(const ZORStereoViewer& frame)
        : hasLeft(!frame.image(false).isNull())
        , hasRight(!frame.image(true).isNull())
        , mode(frame.displayMode())
    {
    }

    const bool hasLeft;
    const bool hasRight;
    const bool both = hasLeft && hasRight;
    const DISPLAY_MODE mode;
};

} // namespace

void ZORMainWindow::setDialogExecHook(DialogExecHook hook)
{
    dialogExecHook() = std::move(hook);
}

ZORMainWindow::ZORMainWindow()
    : QMainWindow(nullptr, Qt::Window)
{
    setObjectName(QStringLiteral("Tarvix"));
    setWindowTitle(ZORSettings::instance()->appCaption());
    setIconSize(QSize(32, 32));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(initialGeometry(screen->geometry()));

    stereoFrame = new ZORStereoViewer(QImage(), QImage(), QString(), QString(), this);
    Q_CHECK_PTR(stereoFrame);
    stereoFrame->leftViewer()->setFocus();
    stereoFrame->setZoomMode();
    setCentralWidget(stereoFrame);

    buildMenus();

    toolBar = new ZORToolBar(this, "toolBar");
    Q_CHECK_PTR(toolBar);
    toolBar->setWindowTitle(tr("Toolbar"));
    toolBar->setMovable(false);
    toolBar->setIconSize(QSize(32, 32));
    addToolBar(Qt::TopToolBarArea, toolBar);
    buildToolBar();

    statusBar();

    QTimer::singleShot(0, this, &ZORMainWindow::initData);
}

ZORMainWindow::~ZORMainWindow()
{
    // The help window has no parent; it goes with the program.
    delete helpWindow;
}

QRect ZORMainWindow::initialGeometry(const QRect& desktop)
{
    // Single precision on purpose: 1 - 0.85f is slightly below 0.15, which decides the
    // truncation on common desktop sizes.
    const float share = 0.85f;
    const float rest = 1.0f - share;
    const int desktopWidth = desktop.right() - desktop.left() + 1;
    const int desktopHeight = desktop.bottom() - desktop.top() + 1;
    const int width = int(share * float(desktopWidth));
    const int height = int(share * float(desktopHeight));
    const int x = int(rest * float(desktopWidth) * 0.5f);
    const int y = int(rest * float(desktopHeight) * 0.25f);
    return QRect(x, y, width, height);
}

Help* ZORMainWindow::helpWindowObject() const
{
    return helpWindow;
}

QStringList ZORMainWindow::exportItemTexts() const
{
    return exportFormats + QStringList{clipboardAction->text()};
}

QAction* ZORMainWindow::addMenuItem(QMenu* menu, const QString& text, const char* name)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

void ZORMainWindow::buildMenus()
{
    const ZORSettings* settings = ZORSettings::instance();
    mainMenuBar = menuBar();
    Q_CHECK_PTR(mainMenuBar);

    fileMenu = new QMenu(settings->textFileMenu(), this);
    Q_CHECK_PTR(fileMenu);
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    openLeftId = addMenuItem(fileMenu, tr("Open &Left Image..."), "openLeftAction");
    connect(openLeftId, &QAction::triggered, this, &ZORMainWindow::doOpenLeftImage);
    openRightId = addMenuItem(fileMenu, tr("Open &Right Image..."), "openRightAction");
    connect(openRightId, &QAction::triggered, this, &ZORMainWindow::doOpenRightImage);
    fileMenu->addSeparator();

    exportMenu = new QMenu(tr("&Export Image As"), this);
    Q_CHECK_PTR(exportMenu);
    exportMenu->setObjectName(QStringLiteral("exportMenu"));
    exportFormats = ZORImageFile::exportFormats();
    for (int i = 0; i < exportFormats.size(); ++i)
        exportMenu->addAction(exportFormats.at(i))->setData(i);
    exportMenu->addSeparator();
    clipboardId = int(exportFormats.size());
    clipboardAction = exportMenu->addAction(tr("Clipboard"));
    clipboardAction->setObjectName(QStringLiteral("clipboardAction"));
    clipboardAction->setData(clipboardId);
    connect(exportMenu, &QMenu::triggered, this,
            [this](QAction* action) { doExportImageToFile(action->data().toInt()); });
    exportId = fileMenu->addMenu(exportMenu);
    exportId->setObjectName(QStringLiteral("exportAction"));
    fileMenu->addSeparator();
    printId = addMenuItem(fileMenu, tr("&Print..."), "printAction");
    connect(printId, &QAction::triggered, this, &ZORMainWindow::doPrint);
    fileMenu->addSeparator();
    exitId = addMenuItem(fileMenu, settings->textExit(), "exitAction");
    exitId->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exitId, &QAction::triggered, this, &ZORMainWindow::aboutToQuit);

    editMenu = new QMenu(settings->textEditMenu(), this);
    Q_CHECK_PTR(editMenu);
    editMenu->setObjectName(QStringLiteral("editMenu"));
    swapId = addMenuItem(editMenu, tr("&Swap images"), "swapAction");
    connect(swapId, &QAction::triggered, this, &ZORMainWindow::doSwapImages);
    rotateLeftId = addMenuItem(editMenu, tr("Rotate &Left Image 90° ccw"), "rotateLeftAction");
    connect(rotateLeftId, &QAction::triggered, this, &ZORMainWindow::doRotateLeftImage);
    rotateRightId = addMenuItem(editMenu, tr("Rotate &Right Image 90° ccw"), "rotateRightAction");
    connect(rotateRightId, &QAction::triggered, this, &ZORMainWindow::doRotateRightImage);
    adjustOffsetId = addMenuItem(editMenu, tr("&Adjust Offset..."), "adjustOffsetAction");
    connect(adjustOffsetId, &QAction::triggered, this, &ZORMainWindow::doAdjustOffset);
    editMenu->addSeparator();
    optionsId = addMenuItem(editMenu, tr("&Options..."), "optionsAction");
    connect(optionsId, &QAction::triggered, this, &ZORMainWindow::doEditOptions);

    viewMenu = new QMenu(tr("&View"), this);
    Q_CHECK_PTR(viewMenu);
    viewMenu->setObjectName(QStringLiteral("viewMenu"));
    viewModeGroup = new QActionGroup(viewMenu);
    viewLeftId = addMenuItem(viewMenu, tr("&Left Image"), "viewLeftAction");
    connect(viewLeftId, &QAction::triggered, stereoFrame, &ZORStereoViewer::setModeMonoLeft);
    viewRightId = addMenuItem(viewMenu, tr("&Right Image"), "viewRightAction");
    connect(viewRightId, &QAction::triggered, stereoFrame, &ZORStereoViewer::setModeMonoRight);
    viewBothId = addMenuItem(viewMenu, tr("&Both Images"), "viewBothAction");
    connect(viewBothId, &QAction::triggered, stereoFrame, &ZORStereoViewer::setModeLeftAndRight);
    viewAnaglyphId = addMenuItem(viewMenu, tr("&Anaglyph Image"), "viewAnaglyphAction");
    connect(viewAnaglyphId, &QAction::triggered, stereoFrame, &ZORStereoViewer::setModeAnaglyph);
    // The menu marks the mode on show; the marks are set in doUpdateMenuBar().
    for (QAction* action : {viewLeftId, viewRightId, viewBothId, viewAnaglyphId}) {
        action->setCheckable(true);
        viewModeGroup->addAction(action);
    }
    viewMenu->addSeparator();
    fullScreenId = addMenuItem(viewMenu, tr("&Full Screen"), "fullScreenAction");
    connect(fullScreenId, &QAction::triggered, this, &ZORMainWindow::doViewFullScreen);

    helpMenu = new QMenu(settings->textHelpMenu(), this);
    Q_CHECK_PTR(helpMenu);
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpTopicsId = addMenuItem(helpMenu, tr("Help &Topics"), "helpTopicsAction");
    helpTopicsId->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpTopicsId, &QAction::triggered, this, &ZORMainWindow::callOnlineHelp);
    helpMenu->addSeparator();
    aboutId = addMenuItem(helpMenu, settings->textAbout(), "aboutAction");
    connect(aboutId, &QAction::triggered, this, &ZORMainWindow::aboutMessage);

    fileMenuId = mainMenuBar->addMenu(fileMenu);
    editMenuId = mainMenuBar->addMenu(editMenu);
    viewMenuId = mainMenuBar->addMenu(viewMenu);
    helpMenuId = mainMenuBar->addMenu(helpMenu);
    for (QMenu* menu : {fileMenu, editMenu, viewMenu, helpMenu})
        connect(menu, &QMenu::aboutToShow, this, &ZORMainWindow::doUpdateMenuBar);
}

void ZORMainWindow::buildToolBar()
{
    const ZORSettings* s = ZORSettings::instance();
    // Qt's own connections of the toolbar stay; only ours go.
    toolBar->disconnect(this);
    toolBar->clear();

    openLeftButton = new KvToolButton(s->iconOpenLeft(), s->iconOpenLeft(), tr("Open Left Image"),
                                      tr("Opens the left image"), this,
                                      &ZORMainWindow::doOpenLeftImage, toolBar, "openLeftButton");
    Q_CHECK_PTR(openLeftButton);
    toolBar->addWidget(openLeftButton);
    openRightButton
            = new KvToolButton(s->iconOpenRight(), s->iconOpenRight(), tr("Open Right Image"),
                               tr("Opens the right image"), this, &ZORMainWindow::doOpenRightImage,
                               toolBar, "openRightButton");
    Q_CHECK_PTR(openRightButton);
    toolBar->addWidget(openRightButton);
    toolBar->addSeparator();

    leftViewButton = new KvToggleToolButton(
            s->iconLeftView(), s->iconLeftViewFocus(), s->iconLeftViewFocus(), s->tipLeftView(),
            s->helpLeftView(), stereoFrame, &ZORStereoViewer::setModeMonoLeft, toolBar,
            "leftViewButton");
    Q_CHECK_PTR(leftViewButton);
    toolBar->addWidget(leftViewButton);
    rightViewButton = new KvToggleToolButton(
            s->iconRightView(), s->iconRightViewFocus(), s->iconRightViewFocus(),
            s->tipRightView(), s->helpRightView(), stereoFrame, &ZORStereoViewer::setModeMonoRight,
            toolBar, "rightViewButton");
    Q_CHECK_PTR(rightViewButton);
    toolBar->addWidget(rightViewButton);
    bothViewsButton = new KvToggleToolButton(
            s->iconBothViews(), s->iconBothViewsFocus(), s->iconBothViewsFocus(),
            s->tipBothViews(), s->helpBothViews(), stereoFrame,
            &ZORStereoViewer::setModeLeftAndRight, toolBar, "bothViewsButton");
    Q_CHECK_PTR(bothViewsButton);
    toolBar->addWidget(bothViewsButton);
    anaglyphButton = new KvToggleToolButton(
            s->iconAnaglyphMode(), s->iconAnaglyphModeFocus(), s->iconAnaglyphModeFocus(),
            s->tipAnaglyphMode(), s->helpAnaglyphMode(), stereoFrame,
            &ZORStereoViewer::setModeAnaglyph, toolBar, "anaglyphButton");
    Q_CHECK_PTR(anaglyphButton);
    toolBar->addWidget(anaglyphButton);

    viewButtonGroup = new QButtonGroup(toolBar);
    Q_CHECK_PTR(viewButtonGroup);
    viewButtonGroup->setExclusive(true);
    viewButtonGroup->addButton(leftViewButton, MonoLeft);
    viewButtonGroup->addButton(rightViewButton, MonoRight);
    viewButtonGroup->addButton(bothViewsButton, LeftAndRight);
    viewButtonGroup->addButton(anaglyphButton, Anaglyph);
    bothViewsButton->setChecked(true);
    toolBar->addSeparator();

    zoomComboBox = new ZORZoomComboBox(toolBar, "zoomComboBox");
    Q_CHECK_PTR(zoomComboBox);
    zoomComboBox->addItems({QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("100%"),
                            QStringLiteral("200%"), QStringLiteral("300%"), QStringLiteral("400%"),
                            QStringLiteral("500%"), QStringLiteral("600%"), QStringLiteral("700%"),
                            QStringLiteral("800%"), QStringLiteral("1600%")});
    zoomComboBox->setMinimumSize(zoomComboBox->sizeHint());
    zoomComboBox->setZoomFactor(1.0);
    zoomComboBox->setToolTip(tr("Zoom"));
    zoomComboBox->setStatusTip(tr("Shows the zoom factor; pick or type a new one"));
    connect(zoomComboBox, &ZORZoomComboBox::zoomSelected, stereoFrame,
            &ZORStereoViewer::setZoomFactor);
    connect(stereoFrame, &ZORStereoViewer::zoomChanged, zoomComboBox,
            &ZORZoomComboBox::setZoomFactor);
    toolBar->addWidget(zoomComboBox);

    zoomInButton = new KvToolButton(s->iconZoomIn(), s->iconZoomInActive(), s->tipZoomIn(),
                                    s->helpZoomIn(), stereoFrame, &ZORStereoViewer::zoomIn,
                                    toolBar, "zoomInButton");
    Q_CHECK_PTR(zoomInButton);
    toolBar->addWidget(zoomInButton);
    zoomOutButton = new KvToolButton(s->iconZoomOut(), s->iconZoomOutActive(), s->tipZoomOut(),
                                     s->helpZoomOut(), stereoFrame, &ZORStereoViewer::zoomOut,
                                     toolBar, "zoomOutButton");
    Q_CHECK_PTR(zoomOutButton);
    toolBar->addWidget(zoomOutButton);
    fitToWindowButton = new QToolButton(toolBar);
    Q_CHECK_PTR(fitToWindowButton);
    fitToWindowButton->setObjectName(QStringLiteral("fitToWindowButton"));
    fitToWindowButton->setIcon(QIcon(s->iconFitToWindow()));
    fitToWindowButton->setIconSize(toolBar->iconSize());
    fitToWindowButton->setText(s->tipFitToWindow());
    fitToWindowButton->setToolTip(s->tipFitToWindow());
    fitToWindowButton->setStatusTip(s->helpFitToWindow());
    fitToWindowButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(fitToWindowButton, &QToolButton::clicked, stereoFrame, &ZORStereoViewer::fitToWindow);
    toolBar->addWidget(fitToWindowButton);
    toolBar->addSeparator();

    dockButton = new KvToggleToolButton(s->iconDock(), s->iconDockFocus(), s->iconDockFocus(),
                                        s->tipDock(), s->helpDock(), toolBar, "dockButton");
    Q_CHECK_PTR(dockButton);
    connect(dockButton, &QToolButton::toggled, stereoFrame, &ZORStereoViewer::setDocking);
    toolBar->addWidget(dockButton);
    invertButton = new KvToolButton(s->iconInvertColors(), s->iconInvertColors(),
                                    tr("Invert Colors"), tr("Inverts the colors of the images"),
                                    this, &ZORMainWindow::doInvertColors, toolBar, "invertButton");
    Q_CHECK_PTR(invertButton);
    toolBar->addWidget(invertButton);
    swapButton = new KvToolButton(s->iconSwap(), s->iconSwap(), tr("Swap Images"),
                                  tr("Swap left and right image"), this,
                                  &ZORMainWindow::doSwapImages, toolBar, "swapButton");
    Q_CHECK_PTR(swapButton);
    toolBar->addWidget(swapButton);
    rotateLeftButton
            = new KvToolButton(s->iconRotateLeft(), s->iconRotateLeft(), tr("Rotate Left Image"),
                               tr("Rotate left image by 90° counter clock-wise"), this,
                               &ZORMainWindow::doRotateLeftImage, toolBar, "rotateLeftButton");
    Q_CHECK_PTR(rotateLeftButton);
    toolBar->addWidget(rotateLeftButton);
    rotateRightButton = new KvToolButton(
            s->iconRotateRight(), s->iconRotateRight(), tr("Rotate Right Image"),
            tr("Rotate right image by 90° counter clock-wise"), this,
            &ZORMainWindow::doRotateRightImage, toolBar, "rotateRightButton");
    Q_CHECK_PTR(rotateRightButton);
    toolBar->addWidget(rotateRightButton);

    // Takes the rest of the row, so that the buttons stay on the left.
    auto* stretch = new QWidget(toolBar);
    Q_CHECK_PTR(stretch);
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar->addWidget(stretch);

    connect(toolBar, &ZORToolBar::updateStatus, this, &ZORMainWindow::stereoViewToolBarUpdate);
}

void ZORMainWindow::initData()
{
    doUpdateMenuBar();
}

void ZORMainWindow::aboutToQuit()
{
    const ZORSettings* settings = ZORSettings::instance();
    const int answer
            = messageWarning(this, settings->appName(),
                             tr("Do you really want to exit %1?").arg(settings->appName()),
                             settings->textYes(), settings->textNo(), QString(), 1, 1);
    // exit() rather than quit(): quit() first asks every window to close, which would
    // bring this question up a second time.
    if (answer == 0)
        QCoreApplication::exit(0);
}

void ZORMainWindow::aboutMessage()
{
    ZORAboutDlg dialog(this, nullptr, true);
    dialog.setWindowFlags(DialogFlags);
    execDialog(&dialog);
}

void ZORMainWindow::callOnlineHelp()
{
    // The help window applies its document style to every page itself.
    const QString home = ZORSettings::instance()->homePath() + QStringLiteral("/help/html");
    if (!helpWindow) {
        helpWindow = new Help(home, QStringLiteral("toc.html"), nullptr, "help");
        Q_CHECK_PTR(helpWindow.data());
        helpWindow->setToolButtonStyle(toolButtonStyle());
        helpWindow->setWindowIcon(ZORSettings::instance()->iconApp16());
    }
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}

void ZORMainWindow::stereoViewToolBarUpdate()
{
    if (!stereoFrame)
        return;
    const auto [hasLeft, hasRight, both, mode] = FrameState(*stereoFrame);

    zoomInButton->setEnabled(both);
    zoomOutButton->setEnabled(both);
    fitToWindowButton->setEnabled(both);
    zoomComboBox->setEnabled(both);
    leftViewButton->setEnabled(both);
    rightViewButton->setEnabled(both);
    bothViewsButton->setEnabled(both);
    anaglyphButton->setEnabled(both);
    // The group switches the other mode buttons off.
    if (QAbstractButton* current = viewButtonGroup->button(mode); current && !current->isChecked())
        current->setChecked(true);
    dockButton->setEnabled(both && mode == LeftAndRight);
    invertButton->setEnabled(both);
    swapButton->setEnabled(both);
    rotateLeftButton->setEnabled(hasLeft);
    rotateRightButton->setEnabled(hasRight);
}

KVXImgViewer* ZORMainWindow::shownViewer() const
{
    if (!stereoFrame->isVisible())
        return nullptr;
    switch (stereoFrame->displayMode()) {
    case MonoLeft:
        return stereoFrame->leftViewer();
    case MonoRight:
        return stereoFrame->rightViewer();
    case Anaglyph:
        return stereoFrame->stereoViewer();
    case LeftAndRight:
        break;
    }
    return nullptr;
}

QImage ZORMainWindow::shownImage() const
{
    const KVXImgViewer* viewer = shownViewer();
    return viewer ? viewer->image() : QImage();
}

void ZORMainWindow::doExportImageToFile(int id)
{
    if (!stereoFrame)
        return;
    if (id == clipboardId) {
        QCoreApplication::processEvents();
        if (stereoFrame->displayMode() == LeftAndRight)
            return;
        const QImage image = shownImage();
        if (image.isNull())
            return;
        ZORWaitCursor wait;
        QApplication::clipboard()->setImage(image);
        return;
    }
    if (id < 0 || id >= exportFormats.size())
        return;

    const QString format = exportFormats.at(id);
    const QString fileName = ZORImageFile::askExportFileName(this, format);
    if (fileName.isEmpty())
        return;
    QCoreApplication::processEvents();
    if (stereoFrame->displayMode() == LeftAndRight)
        return;
    ZORImageFile::exportImage(shownImage(), fileName, format, this);
}

void ZORMainWindow::doPrint()
{
    if (!stereoFrame)
        return;
    if (KVXImgViewer* viewer = shownViewer())
        viewer->print(this);
}

void ZORMainWindow::doViewFullScreen()
{
    if (stereoFrame && centralWidget() == stereoFrame)
        stereoFrame->showFullScreen();
}

void ZORMainWindow::doUpdateMenuBar()
{
    if (!stereoFrame)
        return;
    const auto [hasLeft, hasRight, both, mode] = FrameState(*stereoFrame);
    const bool singleView = mode == MonoLeft || mode == MonoRight || mode == Anaglyph;

    for (QAction* always : {fileMenuId, editMenuId, viewMenuId, helpMenuId, optionsId, exitId,
                            aboutId, helpTopicsId})
        always->setEnabled(true);
    exportId->setEnabled(both && singleView);
    printId->setEnabled(both && singleView);
    swapId->setEnabled(both);
    rotateLeftId->setEnabled(hasLeft);
    rotateRightId->setEnabled(hasRight);
    adjustOffsetId->setEnabled(both && mode == Anaglyph);
    viewLeftId->setEnabled(both);
    viewRightId->setEnabled(both);
    viewBothId->setEnabled(both);
    viewAnaglyphId->setEnabled(both);
    fullScreenId->setEnabled(mode == Anaglyph);

    const std::pair<DISPLAY_MODE, QAction*> modeItems[] = {{MonoLeft, viewLeftId},
                                                           {MonoRight, viewRightId},
                                                           {LeftAndRight, viewBothId},
                                                           {Anaglyph, viewAnaglyphId}};
    for (const auto& [itemMode, action] : modeItems)
        action->setChecked(itemMode == mode);
}

void ZORMainWindow::doEditOptions()
{
    ZOROptionsDlg dialog(this, "options");
    execDialog(&dialog);
}

void ZORMainWindow::doInvertColors()
{
    if (stereoFrame && centralWidget() == stereoFrame)
        stereoFrame->invertColors();
}

void ZORMainWindow::doOpenLeftImage()
{
    openImage(false);
}

void ZORMainWindow::doOpenRightImage()
{
    openImage(true);
}

void ZORMainWindow::doSwapImages()
{
    ZORWaitCursor wait;
    std::swap(leftImage, rightImage);
    const int deltaX = stereoFrame->deltaX();
    const int deltaY = stereoFrame->deltaY();
    if (deltaX != 0 || deltaY != 0) {
        ZORWaitCursor again;
        // Negating INT_MIN would overflow; the nearest offset stands in for it.
        stereoFrame->setDeltaX(deltaX == INT_MIN ? INT_MAX : -deltaX);
        stereoFrame->setDeltaY(deltaY == INT_MIN ? INT_MAX : -deltaY);
    }
    stereoFrame->setImages(leftImage, rightImage);
}

void ZORMainWindow::doRotateLeftImage()
{
    rotateImage(false);
}

void ZORMainWindow::doRotateRightImage()
{
    rotateImage(true);
}

void ZORMainWindow::doAdjustOffset()
{
    if (!stereoFrame || leftImage.isNull() || rightImage.isNull()
        || stereoFrame->displayMode() != Anaglyph)
        return;

    ZORWaitCursor waitCursor;
    const ZOROffsetThumbnails thumbnails = zorOffsetThumbnails(leftImage, rightImage);
    if (!thumbnails.isValid())
        return;
    // The frame holds half the horizontal displacement; twice an extreme value would
    // overflow, so it is held at the ends of the range.
    const qint64 displacementX = 2 * qint64(stereoFrame->deltaX());
    const int dx = int(std::clamp<qint64>(displacementX, INT_MIN, INT_MAX));
    const int dy = stereoFrame->deltaY();
    ZORSetGlobalOffsetDlg dialog(thumbnails.left, thumbnails.right, thumbnails.scale, dx, dy, this,
                                 nullptr, true, DialogFlags);
    dialog.setWindowIcon(ZORSettings::instance()->iconApp16());
    dialog.setWindowTitle(ZORSettings::instance()->appName() + QStringLiteral(" - ")
                          + tr("Adjust Offset"));
    waitCursor.restore();
    if (dialog.run() != QDialog::Accepted)
        return;
    stereoFrame->setDeltaX(dialog.offsetX() / 2);
    stereoFrame->setDeltaY(dialog.offsetY());
}

void ZORMainWindow::closeEvent(QCloseEvent* event)
{
    aboutToQuit();
    event->ignore();
}

QImage ZORMainWindow::loadImage(const QString& fileName)
{
    return ZORImageFile::loadImage(fileName, this);
}

void ZORMainWindow::setSourceImage(bool right, const QImage& image)
{
    if (right) {
        rightImage = image;
        stereoFrame->setRightImage(rightImage);
    } else {
        leftImage = image;
        stereoFrame->setLeftImage(leftImage);
    }
}

void ZORMainWindow::openImage(bool right)
{
    const QImage image = loadImage(ZORImageFile::askOpenImageFileName(this, right));
    if (image.isNull())
        return;
    // A new picture starts without the offset found for the old pair.
    stereoFrame->setDeltaX(0);
    stereoFrame->setDeltaY(0);
    setSourceImage(right, image);
}

void ZORMainWindow::rotateImage(bool right)
{
    const QImage& image = right ? rightImage : leftImage;
    if (image.isNull())
        return;
    setSourceImage(right, ZORImageFile::rotateImage90ccw(image));
}

int ZORMainWindow::execDialog(QDialog* dialog)
{
    const DialogExecHook& hook = dialogExecHook();
    return hook ? hook(dialog) : dialog->exec();
}
