#pragma once

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <functional>

class Help;
class KvToggleToolButton;
class KvToolButton;
class KVXImgViewer;
class QAction;
class QActionGroup;
class QButtonGroup;
class QCloseEvent;
class QDialog;
class QMenu;
class QMenuBar;
class QToolButton;
class ZORStereoViewer;
class ZORToolBar;
class ZORZoomComboBox;

// The program's one top-level window: the stereo frame in the middle, the menus, the toolbar
// and a status bar. It keeps the two source images of the pair and turns commands into calls
// on the frame, the image files and the dialogs. The start-up object creates and owns it; the
// program ends only through the exit question.
class ZORMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    ZORMainWindow();
    ~ZORMainWindow() override;

    // Where the window goes on a desktop of the given size: 85 % of it, a little left
    // of the centre and nearer the top.
    static QRect initialGeometry(const QRect& desktop);

    // Runs a modal dialog and returns its result. Tests install a hook that answers without a
    // person; an empty function restores exec().
    using DialogExecHook = std::function<int(QDialog* dialog)>;
    static void setDialogExecHook(DialogExecHook hook);

    ZORStereoViewer* stereoViewer() const { return stereoFrame; }
    ZORToolBar* toolBarObject() const { return toolBar; }
    QImage leftSourceImage() const { return leftImage; }
    QImage rightSourceImage() const { return rightImage; }
    Help* helpWindowObject() const;
    // The submenu item texts in order; the item identifier is the index, "Clipboard" last.
    QStringList exportItemTexts() const;

protected slots:
    void initData();
    void aboutToQuit();
    void aboutMessage();
    void callOnlineHelp();
    void stereoViewToolBarUpdate();
    void doExportImageToFile(int id);
    void doPrint();
    void doViewFullScreen();
    void doUpdateMenuBar();
    void doEditOptions();
    void doInvertColors();
    void doOpenLeftImage();
    void doOpenRightImage();
    void doSwapImages();
    void doRotateLeftImage();
    void doRotateRightImage();
    void doAdjustOffset();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    QAction* addMenuItem(QMenu* menu, const QString& text, const char* name);
    // The one viewer on show; null in the both-images mode and while the frame is not on
    // screen.
    KVXImgViewer* shownViewer() const;
    // What that viewer displays; null when there is none.
    QImage shownImage() const;
    QImage loadImage(const QString& fileName);
    // The source image of one side (right or left) and the frame's copy of it.
    void setSourceImage(bool right, const QImage& image);
    void openImage(bool right);
    void rotateImage(bool right);
    int execDialog(QDialog* dialog);

    ZORStereoViewer* stereoFrame = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QMenu* exportMenu = nullptr;
    QMenuBar* mainMenuBar = nullptr;

    QAction* fileMenuId = nullptr;
    QAction* editMenuId = nullptr;
    QAction* viewMenuId = nullptr;
    QAction* helpMenuId = nullptr;
    QAction* viewLeftId = nullptr;
    QAction* viewRightId = nullptr;
    QAction* viewBothId = nullptr;
    QAction* viewAnaglyphId = nullptr;
    QAction* swapId = nullptr;
    QAction* rotateLeftId = nullptr;
    QAction* rotateRightId = nullptr;
    QAction* adjustOffsetId = nullptr;
    QAction* optionsId = nullptr;
    QAction* fullScreenId = nullptr;
    QAction* exitId = nullptr;
    QAction* openLeftId = nullptr;
    QAction* openRightId = nullptr;
    QAction* exportId = nullptr;
    QAction* clipboardAction = nullptr;
    QAction* printId = nullptr;
    QAction* aboutId = nullptr;
    QAction* helpTopicsId = nullptr;
    QActionGroup* viewModeGroup = nullptr;
    QStringList exportFormats;
    int clipboardId = -1;

    ZORToolBar* toolBar = nullptr;
    KvToolButton* openLeftButton = nullptr;
    KvToolButton* openRightButton = nullptr;
    KvToolButton* zoomInButton = nullptr;
    KvToolButton* zoomOutButton = nullptr;
    QToolButton* fitToWindowButton = nullptr;
    KvToggleToolButton* leftViewButton = nullptr;
    KvToggleToolButton* rightViewButton = nullptr;
    KvToggleToolButton* bothViewsButton = nullptr;
    KvToggleToolButton* anaglyphButton = nullptr;
    KvToggleToolButton* dockButton = nullptr;
    KvToolButton* invertButton = nullptr;
    KvToolButton* swapButton = nullptr;
    KvToolButton* rotateLeftButton = nullptr;
    KvToolButton* rotateRightButton = nullptr;
    ZORZoomComboBox* zoomComboBox = nullptr;
    QButtonGroup* viewButtonGroup = nullptr;

    QPointer<Help> helpWindow;
    QImage leftImage;
    QImage rightImage;
};
