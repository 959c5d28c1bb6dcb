#include "zorstereoviewer.h"

#include "kvximgviewer.h"
#include "kvxstereoviewer.h"
#include "zoroptions.h"
#include "zorwaitcursor.h"

#include <QAction>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>

namespace {

ZORStereoViewer::PopupMenuHook& popupMenuHook()
{
    static ZORStereoViewer::PopupMenuHook hook;
    return hook;
}

} // namespace

void ZORStereoViewer::setPopupMenuHook(PopupMenuHook hook)
{
    popupMenuHook() = std::move(hook);
}

ZORStereoViewer::ZORStereoViewer(const QImage& leftImage, const QImage& rightImage,
                                 const QString& leftName, const QString& rightName,
                                 QWidget* parent, const char* name, Qt::WindowFlags f)
    : QFrame(parent, f)
    , m_leftImage(leftImage)
    , m_rightImage(rightImage)
    , m_leftName(leftName)
    , m_rightName(rightName)
{
    if (name)
        setObjectName(QLatin1String(name));

    m_leftViewer = new KVXImgViewer(leftImage, this, "leftViewer");
    Q_CHECK_PTR(m_leftViewer);
    m_rightViewer = new KVXImgViewer(rightImage, this, "rightViewer");
    Q_CHECK_PTR(m_rightViewer);
    m_stereoViewer = new KVXStereoViewer(leftImage, rightImage, this, "stereoViewer");
    Q_CHECK_PTR(m_stereoViewer);

    if (ZOROptions* options = ZOROptions::instance()) {
        QColor leftColor;
        QColor rightColor;
        options->readAnaglyphChannels(leftColor, rightColor);
        // Invalid colours leave the viewer's own pair in place.
        m_stereoViewer->setAnaglyphColors(leftColor, rightColor);
        connect(options, &ZOROptions::anaglyphChannelsChanged, m_stereoViewer,
                &KVXStereoViewer::setAnaglyphColors);
    }

    // An impossible current mode makes the first call build the layout.
    m_displayMode = static_cast<DISPLAY_MODE>(-1);
    setDisplayMode(LeftAndRight);

    connect(m_leftViewer, &KVImgViewer::zoomChanged, this, &ZORStereoViewer::setInternalZoom);
    connect(m_rightViewer, &KVImgViewer::zoomChanged, m_leftViewer, &KVImgViewer::setZoomFactor);
    connect(m_stereoViewer, &KVImgViewer::zoomChanged, m_leftViewer, &KVImgViewer::setZoomFactor);
    connect(m_leftViewer, &KVXImgViewer::roiChanged, this, &ZORStereoViewer::drawRightRoi);
    linkScrolling(false);
    connect(m_rightViewer, &KVXImgViewer::roiChanged, this, &ZORStereoViewer::drawLeftRoi);
    linkScrolling(true);
    connect(m_leftViewer, &KVXImgViewer::rightButtonClicked, this,
            &ZORStereoViewer::doDisplayLeftPopupMenu);
    connect(m_rightViewer, &KVXImgViewer::rightButtonClicked, this,
            &ZORStereoViewer::doDisplayRightPopupMenu);
    connect(m_stereoViewer, &KVXImgViewer::rightButtonClicked, this,
            &ZORStereoViewer::doDisplayAnaglyphPopupMenu);
    connect(m_leftViewer, &KVImgViewer::zoomChanged, this, &ZORStereoViewer::zoomChanged);
    connect(m_leftViewer, &KVXImgViewer::roiChanged, this, &ZORStereoViewer::roiChanged);
    connect(m_leftViewer, &KVImgViewer::imageChanged, this, &ZORStereoViewer::leftImageChanged);
    connect(m_rightViewer, &KVImgViewer::imageChanged, this, &ZORStereoViewer::rightImageChanged);
    connect(m_stereoViewer, &KVStereoViewer::displacementXChanged, this,
            &ZORStereoViewer::displacementXChanged);
    connect(m_stereoViewer, &KVStereoViewer::displacementYChanged, this,
            &ZORStereoViewer::displacementYChanged);
    connect(m_stereoViewer, &KVXStereoViewer::cursorDeltaXChanged, this,
            &ZORStereoViewer::cursorDeltaXChanged);
    connect(m_leftViewer, &KVXImgViewer::cursorPos, this, &ZORStereoViewer::cursorPos);
    connect(m_rightViewer, &KVXImgViewer::cursorPos, this, &ZORStereoViewer::cursorPos);
    connect(m_stereoViewer, &KVXImgViewer::cursorPos, this, &ZORStereoViewer::cursorPos);

    // A hidden viewer cannot always follow a zoom (the anaglyph is composed only when it is
    // shown), so a viewer coming on show catches up with the left one.
    connect(m_rightViewer, &KVImgViewer::shown, this, [this] { followLeftZoom(m_rightViewer); });
    connect(m_stereoViewer, &KVImgViewer::shown, this, [this] { followLeftZoom(m_stereoViewer); });
}

ZORStereoViewer::~ZORStereoViewer()
{
    // Out on the screen the anaglyph is a window of its own, no longer our child.
    if (m_stereoViewer && !m_stereoViewer->parent())
        delete m_stereoViewer;
}

DISPLAY_MODE ZORStereoViewer::displayMode() const
{
    return m_displayMode;
}

QImage ZORStereoViewer::image(bool right) const
{
    return right ? m_rightImage : m_leftImage;
}

QString ZORStereoViewer::shortName(bool right) const
{
    const QString full = name(right);
    const qsizetype separator = full.lastIndexOf(QLatin1String("//"));
    return separator < 0 ? full : full.mid(separator + 2);
}

QString ZORStereoViewer::name(bool right) const
{
    return right ? m_rightName : m_leftName;
}

bool ZORStereoViewer::canZoomBack() const
{
    return m_leftViewer->canZoomBack();
}

bool ZORStereoViewer::isDocked() const
{
    return m_docked;
}

int ZORStereoViewer::cursorDeltaX() const
{
    return m_stereoViewer->cursorDeltaX();
}

int ZORStereoViewer::deltaX() const
{
    return m_stereoViewer->deltaX();
}

int ZORStereoViewer::deltaY() const
{
    return m_stereoViewer->deltaY();
}

double ZORStereoViewer::stereoZoomFactor() const
{
    return m_stereoViewer->zoomFactor();
}

KVXImgViewer* ZORStereoViewer::leftViewer() const
{
    return m_leftViewer;
}

KVXImgViewer* ZORStereoViewer::rightViewer() const
{
    return m_rightViewer;
}

KVXStereoViewer* ZORStereoViewer::stereoViewer() const
{
    return m_stereoViewer;
}

void ZORStereoViewer::setDisplayMode(DISPLAY_MODE mode)
{
    // Anything else would leave the frame without a layout.
    if (mode < MonoLeft || mode > Anaglyph || mode == m_displayMode)
        return;

    ZORWaitCursor wait;
    // The anaglyph comes home from the screen first, or it would stay a window of its own.
    bringAnaglyphBack();
    m_displayMode = mode;

    newLayout();
    switch (mode) {
    case MonoLeft:
        showAlone(m_leftViewer, m_rightViewer, m_stereoViewer);
        break;
    case MonoRight:
        showAlone(m_rightViewer, m_stereoViewer, m_leftViewer);
        break;
    case LeftAndRight:
        m_layout->setColumnMinimumWidth(0, 10);
        m_layout->setColumnMinimumWidth(1, 10);
        m_layout->setColumnStretch(0, 100);
        m_layout->setColumnStretch(1, 100);
        m_layout->addWidget(m_leftViewer, 0, 0);
        m_layout->addWidget(m_rightViewer, 0, 1);
        m_layout->activate();
        m_leftViewer->show();
        m_rightViewer->show();
        m_stereoViewer->hide();
        break;
    case Anaglyph:
        showAlone(m_stereoViewer, m_leftViewer, m_rightViewer);
        break;
    }

    emit displayModeChanged(mode);
    emit displayModeChanged();
}

void ZORStereoViewer::setModeMonoLeft()
{
    setDisplayMode(MonoLeft);
}

void ZORStereoViewer::setModeMonoRight()
{
    setDisplayMode(MonoRight);
}

void ZORStereoViewer::setModeLeftAndRight()
{
    setDisplayMode(LeftAndRight);
}

void ZORStereoViewer::setModeAnaglyph()
{
    setDisplayMode(Anaglyph);
}

void ZORStereoViewer::setDocking(bool enable)
{
    m_docked = enable;
    if (enable) {
        m_leftDock = QPoint(m_leftViewer->contentsX(), m_leftViewer->contentsY());
        m_rightDock = QPoint(m_rightViewer->contentsX(), m_rightViewer->contentsY());
    }
}

void ZORStereoViewer::setGlobalOffset(int x, int y)
{
    m_globalOffsetX = x;
    m_globalOffsetY = y;
    // Each image moves by half the displacement, in opposite directions.
    m_stereoViewer->setDeltaX(x / 2, false);
    m_stereoViewer->setDeltaY(y, false);
}

void ZORStereoViewer::scrollLeftViewer(int x, int y)
{
    followScrolling(false, x, y);
}

void ZORStereoViewer::scrollRightViewer(int x, int y)
{
    followScrolling(true, x, y);
}

void ZORStereoViewer::setLeftImage(const QImage& image)
{
    setImages(image, m_rightImage);
}

void ZORStereoViewer::setRightImage(const QImage& image)
{
    setImages(m_leftImage, image);
}

void ZORStereoViewer::setImages(const QImage& left, const QImage& right)
{
    m_leftImage = left;
    m_rightImage = right;
    m_leftViewer->setImage(left, true);
    m_rightViewer->setImage(right, true);
    m_stereoViewer->setImages(left, right);
}

void ZORStereoViewer::invertColors()
{
    ZORWaitCursor wait;
    m_leftViewer->invertColors();
    m_rightViewer->invertColors();
    m_stereoViewer->setImages(m_leftViewer->image(), m_rightViewer->image());
}

void ZORStereoViewer::showFullScreen()
{
    if (m_fullScreen)
        return;
    m_fullScreen = true;
    if (m_displayMode != Anaglyph)
        return;

    m_savedFrameStyle = m_stereoViewer->frameStyle();
    m_savedHScrollBarMode = m_stereoViewer->horizontalScrollBarPolicy();
    m_savedVScrollBarMode = m_stereoViewer->verticalScrollBarPolicy();
    m_savedAutoFillBackground = m_stereoViewer->autoFillBackground();
    m_savedPalette = m_stereoViewer->palette();

    QScreen* target = screen();
    m_stereoViewer->setParent(nullptr,
                              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_anaglyphDetached = true;
    m_stereoViewer->installEventFilter(this);
    m_stereoViewer->move(0, 0);
    m_stereoViewer->setFrameStyle(QFrame::Panel | QFrame::Plain);
    m_stereoViewer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_stereoViewer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_stereoViewer->setAutoFillBackground(true);
    m_stereoViewer->setPalette(QPalette());
    if (target)
        m_stereoViewer->setGeometry(target->geometry());
    m_stereoViewer->QWidget::showFullScreen();
    m_stereoViewer->raise();
    m_stereoViewer->activateWindow();
    m_stereoViewer->setFocus();
}

void ZORStereoViewer::showNormalScreen()
{
    if (!m_fullScreen)
        return;
    m_fullScreen = false;
    if (!m_anaglyphDetached)
        return;

    bringAnaglyphBack();
    newLayout();
    showAlone(m_stereoViewer, m_leftViewer, m_rightViewer);
    m_stereoViewer->setFocus();
}

void ZORStereoViewer::setZoomInOutFactor(uint zoomPercentage)
{
    m_leftViewer->setZoomInOutFactor(zoomPercentage);
}

void ZORStereoViewer::setZoomFactor(double zoomFactor)
{
    m_leftViewer->setZoomFactor(zoomFactor);
}

void ZORStereoViewer::zoomWindow(double left, double top, double width, double height)
{
    m_leftViewer->zoomWindow(left, top, width, height);
}

void ZORStereoViewer::zoomIn()
{
    m_leftViewer->zoomIn();
}

void ZORStereoViewer::zoomOut()
{
    m_leftViewer->zoomOut();
}

void ZORStereoViewer::zoomBack()
{
    m_leftViewer->zoomBack();
}

void ZORStereoViewer::zoomInAtPosition(double x, double y)
{
    m_leftViewer->zoomInAtPosition(x, y);
}

void ZORStereoViewer::zoomOutAtPosition(double x, double y)
{
    m_leftViewer->zoomOutAtPosition(x, y);
}

void ZORStereoViewer::zoomInAtCursor()
{
    m_leftViewer->zoomInAtCursor();
}

void ZORStereoViewer::zoomOutAtCursor()
{
    m_leftViewer->zoomOutAtCursor();
}

void ZORStereoViewer::fitToWindow()
{
    visibleViewer()->fitToWindow();
}

void ZORStereoViewer::zoomWidth()
{
    visibleViewer()->zoomWidth();
}

void ZORStereoViewer::zoomHeight()
{
    visibleViewer()->zoomHeight();
}

void ZORStereoViewer::setViewMode()
{
    m_leftViewer->setViewMode();
    m_rightViewer->setViewMode();
    m_stereoViewer->setViewMode();
}

void ZORStereoViewer::setZoomMode()
{
    m_leftViewer->setZoomMode();
    m_rightViewer->setZoomMode();
    m_stereoViewer->setZoomMode();
}

void ZORStereoViewer::clearRoi()
{
    m_leftViewer->clearRoi();
    m_rightViewer->clearRoi();
    m_stereoViewer->clearRoi();
}

void ZORStereoViewer::setRoiMode()
{
    m_leftViewer->setRoiMode();
    m_rightViewer->setRoiMode();
}

void ZORStereoViewer::setPolylineMode()
{
    m_leftViewer->setPolylineMode();
    m_stereoViewer->setAnaglyphPolylineMode();
}

void ZORStereoViewer::setMeasureMode()
{
    m_leftViewer->setLineMeasureMode();
    m_rightViewer->setLineMeasureMode();
    m_stereoViewer->setAnaglyphMeasureMode();
}

void ZORStereoViewer::clearPolyline()
{
    m_leftViewer->clearPolyline();
}

void ZORStereoViewer::setPolyline(const QPolygon& polyline)
{
    m_leftViewer->setPolyline(polyline);
}

void ZORStereoViewer::setPolyMarker(double markerPos)
{
    m_leftViewer->setPolyMarker(markerPos);
}

void ZORStereoViewer::setRoi(int left, int right, int top, int bottom)
{
    if (m_displayMode == Anaglyph)
        return;
    m_leftViewer->setRoi(left, right, top, bottom);
    m_leftViewer->viewport()->update();
}

void ZORStereoViewer::setDeltaX(int deltaX)
{
    m_stereoViewer->setDeltaX(deltaX, false);
}

void ZORStereoViewer::setDeltaY(int deltaY)
{
    m_stereoViewer->setDeltaY(deltaY, false);
}

void ZORStereoViewer::setCursorDeltaX(int deltaX)
{
    m_stereoViewer->setCursorDeltaX(deltaX);
}

void ZORStereoViewer::setCursorOn(bool on)
{
    m_stereoViewer->setCursorOn(on);
}

bool ZORStereoViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_stereoViewer || !m_anaglyphDetached)
        return QFrame::eventFilter(watched, event);
    // The full-screen window has no frame to close it by: Escape (unless a point drag wants
    // it) and any request to close bring the anaglyph back into the frame.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier
            && m_stereoViewer->mode() != KVXStereoViewer::AnaglyphPointDragMode) {
            showNormalScreen();
            return true;
        }
    } else if (event->type() == QEvent::Close) {
        event->ignore();
        showNormalScreen();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void ZORStereoViewer::drawRightRoi(int left, int top, int right, int bottom)
{
    copyRoi(true, left, top, right, bottom);
}

void ZORStereoViewer::drawLeftRoi(int left, int top, int right, int bottom)
{
    copyRoi(false, left, top, right, bottom);
}

void ZORStereoViewer::setInternalZoom(double zoomFactor)
{
    m_rightViewer->setZoomFactor(zoomFactor);
    m_stereoViewer->setZoomFactor(zoomFactor);
}

void ZORStereoViewer::doDisplayLeftPopupMenu(const QPoint& pos)
{
    displayPopupMenu(m_leftViewer, pos);
}

void ZORStereoViewer::doDisplayRightPopupMenu(const QPoint& pos)
{
    displayPopupMenu(m_rightViewer, pos);
}

void ZORStereoViewer::doDisplayAnaglyphPopupMenu(const QPoint& pos)
{
    displayPopupMenu(m_stereoViewer, pos);
}

KVXImgViewer* ZORStereoViewer::visibleViewer() const
{
    if (!m_leftViewer->isHidden())
        return m_leftViewer;
    if (!m_rightViewer->isHidden())
        return m_rightViewer;
    return m_stereoViewer;
}

void ZORStereoViewer::followLeftZoom(KVXImgViewer* viewer)
{
    // Without an image the left viewer refuses every zoom, so its factor says nothing.
    if (m_leftViewer->image().isNull())
        return;
    const double zoom = m_leftViewer->zoomFactor();
    if (!kvFuzzyEqual(viewer->zoomFactor(), zoom))
        viewer->setZoomFactor(zoom);
}

void ZORStereoViewer::displayPopupMenu(QWidget* viewer, const QPoint& pos)
{
    if (!m_fullScreen)
        return;
    QMenu menu(viewer);
    QAction* fit = menu.addAction(tr("Fit to Screen"));
    QAction* normal = menu.addAction(tr("Not Full Screen"));
    const PopupMenuHook& hook = popupMenuHook();
    QAction* chosen = hook ? hook(&menu, pos) : menu.exec(pos);
    if (chosen == fit)
        fitToWindow();
    else if (chosen == normal)
        showNormalScreen();
}

void ZORStereoViewer::newLayout()
{
    delete m_layout;
    // The grid gets its second column, when there is one, as the right viewer is added.
    m_layout = new QGridLayout(this);
    Q_CHECK_PTR(m_layout);
    m_layout->setContentsMargins(0, 0, 0, 0);
}

void ZORStereoViewer::showAlone(KVXImgViewer* shown, KVXImgViewer* hidden, KVXImgViewer* hidden2)
{
    m_layout->addWidget(shown, 0, 0);
    m_layout->activate();
    shown->show();
    hidden->hide();
    hidden2->hide();
}

void ZORStereoViewer::linkScrolling(bool right)
{
    if (right)
        m_rightScrollLink = connect(m_rightViewer, &KVImgViewer::contentsMoving, this,
                                    &ZORStereoViewer::scrollLeftViewer);
    else
        m_leftScrollLink = connect(m_leftViewer, &KVImgViewer::contentsMoving, this,
                                   &ZORStereoViewer::scrollRightViewer);
}

void ZORStereoViewer::followScrolling(bool right, int x, int y)
{
    if (!m_docked)
        return;
    const QPoint& ownDock = right ? m_rightDock : m_leftDock;
    const QPoint& otherDock = right ? m_leftDock : m_rightDock;
    const int dx = x - otherDock.x();
    const int dy = y - otherDock.y();
    disconnect(right ? m_rightScrollLink : m_leftScrollLink);
    (right ? m_rightViewer : m_leftViewer)->setContentsPos(ownDock.x() + dx, ownDock.y() + dy);
    linkScrolling(right);
}

void ZORStereoViewer::copyRoi(bool toRight, int left, int top, int right, int bottom)
{
    KVXImgViewer* target = toRight ? m_rightViewer : m_leftViewer;
    if (!target || m_copyingRoi)
        return;
    // A point of the left image stands the global offset further back in the right one.
    const auto shifted = [toRight](int value, int offset) {
        return toRight ? value - offset : value + offset;
    };
    m_copyingRoi = true;
    target->setRoi(shifted(left, m_globalOffsetX), shifted(right, m_globalOffsetX),
                   shifted(top, m_globalOffsetY), shifted(bottom, m_globalOffsetY));
    m_copyingRoi = false;
}

void ZORStereoViewer::bringAnaglyphBack()
{
    if (!m_anaglyphDetached)
        return;
    m_anaglyphDetached = false;
    m_stereoViewer->removeEventFilter(this);
    m_stereoViewer->hide();
    m_stereoViewer->setWindowState(Qt::WindowNoState);
    m_stereoViewer->setParent(this, Qt::Widget);
    m_stereoViewer->move(0, 0);
    m_stereoViewer->setFrameStyle(m_savedFrameStyle);
    m_stereoViewer->setHorizontalScrollBarPolicy(m_savedHScrollBarMode);
    m_stereoViewer->setVerticalScrollBarPolicy(m_savedVScrollBarMode);
    m_stereoViewer->setAutoFillBackground(m_savedAutoFillBackground);
    m_stereoViewer->setPalette(m_savedPalette);
}
