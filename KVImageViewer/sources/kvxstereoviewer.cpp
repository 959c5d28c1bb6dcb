#include "kvxstereoviewer.h"

#include "kvfpoint2d.h"
#include "kvstereocursor.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The point marker: '.' black (transparent when merged), '#' the dark outline, 'a' the ring.
// clang-format off
const char* const kMarkerXpm[] = {
    "9 9 3 1",
    ". c #000000",
    "# c #010101",
    "a c #B3B3B3",
    "...aaa...",
    "..aaaaa..",
    ".aa###aa.",
    "aa#####aa",
    "aa##.##aa",
    "aa#####aa",
    ".aa###aa.",
    "..aaaaa..",
    "...aaa...",
};
// clang-format on

// Screen coordinates are kept within this range, so that no offset, zoom or point, however
// absurd, overflows a QRect or a QPoint.
constexpr double kCoordinateLimit = double(1 << 29);

double clampCoordinate(double v)
{
    if (!(v == v))
        return 0.0;
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

// The nearest integer, halves toward positive infinity.
int roundHalfUp(double v)
{
    return int(std::floor(clampCoordinate(v) + 0.5));
}

using kv::allocating;
using kv::isFinite;
using kv::reserveOneMore;
using kv::validIndex;
using kv::WaitCursor;

bool isFinite(const GHomPt& pair)
{
    return isFinite(pair.first) && isFinite(pair.second);
}

bool isDirect32(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
           || format == QImage::Format_ARGB32_Premultiplied;
}

// A square of half-size `half` centred on c.
QRect square(const QPoint& c, int half)
{
    return QRect(c.x() - half, c.y() - half, 2 * half + 1, 2 * half + 1);
}

// The colour for the AND pass of the per-eye drawing: the eye's colour with its zero channels
// raised to 255, so that those channels of the picture survive.
QColor andColour(const QColor& c)
{
    return QColor(c.red() != 0 ? c.red() : 255, c.green() != 0 ? c.green() : 255,
                  c.blue() != 0 ? c.blue() : 255);
}

// Drawing into one eye's channels: OR with the eye's colour sets its channels to at least the
// colour's values, AND with andColour() then cuts them down to exactly those values and leaves
// every other channel as it was.
template<typename Draw>
void drawPerEye(QPainter* p, const QColor& colour, Draw draw)
{
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    draw(colour);
    p->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    draw(andColour(colour));
    p->restore();
}

// The shapes of the point-like overlays, drawn like the marker: pixel art in its three
// colours (0 transparent, 1 the dark outline, 2 bright), tinted into one eye's colour and
// merged into that eye's channels. Dark beside bright stays visible on any picture.
QImage artPattern(KVXStereoViewer::Art art, int half)
{
    const int size = 2 * half + 1;
    QImage pattern(size, size, QImage::Format_Indexed8);
    if (pattern.isNull())
        return pattern;
    pattern.setColorTable({qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(0xb3, 0xb3, 0xb3)});
    for (int y = 0; y < size; ++y) {
        uchar* line = pattern.scanLine(y);
        for (int x = 0; x < size; ++x) {
            // Distance from the border, ring by ring.
            const int ring = std::min({x, y, size - 1 - x, size - 1 - y});
            uchar v = 0;
            switch (art) {
            case KVXStereoViewer::Art::Frame:
                v = ring == 0 || ring == 2 ? 1 : ring == 1 ? 2 : 0;
                break;
            case KVXStereoViewer::Art::Square:
                v = ring == 0 ? 1 : 2;
                break;
            case KVXStereoViewer::Art::Plus: {
                const bool across = std::abs(y - half) <= 1;
                const bool down = std::abs(x - half) <= 1;
                const bool core = (y == half && ring > 0) || (x == half && ring > 0);
                v = !(across || down) ? 0 : core ? 2 : 1;
                break;
            }
            }
            line[x] = v;
        }
    }
    return pattern;
}

// Channel merge of overlay with its top left at (x, y) into what p's device shows there. Only
// images and pixmaps give their pixels back; the painter's clip is kept.
void mergeIntoDevice(QPainter* p, const QImage& overlay, int x, int y)
{
    QPaintDevice* device = p->device();
    const bool readable
            = device
              && (device->devType() == QInternal::Image || device->devType() == QInternal::Pixmap);
    if (!readable) {
        qDebug("Background pixmap could not be converted to 32 bit depth");
        return;
    }
    // Device pixels: only the painter's translation is followed.
    const QTransform t = p->combinedTransform();
    const QRect area = QRect(roundHalfUp(x + t.dx()), roundHalfUp(y + t.dy()), overlay.width(),
                             overlay.height())
                       & QRect(0, 0, device->width(), device->height());
    if (area.isEmpty())
        return;
    QImage background = device->devType() == QInternal::Image
                                ? static_cast<QImage*>(device)->copy(area)
                                : static_cast<QPixmap*>(device)->copy(area).toImage();
    if (!background.isNull() && !isDirect32(background.format()))
        background = background.convertToFormat(QImage::Format_RGB32);
    if (background.isNull() || background.depth() != 32) {
        qDebug("Background pixmap could not be converted to 32 bit depth");
        return;
    }
    kvMergeChannels(&background, overlay, roundHalfUp(x + t.dx()) - area.left(),
                    roundHalfUp(y + t.dy()) - area.top());
    p->save();
    p->resetTransform();
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(area.topLeft(), background);
    p->restore();
}

std::vector<KVFPoint2D> eyePoints(const GHomPtVector& line, bool right)
{
    std::vector<KVFPoint2D> points;
    if (!allocating([&] { points.reserve(line.size()); }))
        return points;
    for (const GHomPt& pair : line) {
        const GPoint2D& p = right ? pair.second : pair.first;
        points.emplace_back(p(0), p(1));
    }
    return points;
}

} // namespace

// ---- construction ---------------------------------------------------------------------------

KVXStereoViewer::KVXStereoViewer(const QImage& leftImage, const QImage& rightImage,
                                 QWidget* parent, const char* name, Qt::WindowFlags f)
    : KVStereoViewer(leftImage, rightImage, parent, name, f)
{
    setFocusPolicy(Qt::WheelFocus);
    setFocus();
    rebuildMarkers();
    m_cursor = new KVStereoCursor(viewport(), KVStereoCursor::cursorImage(leftColor()),
                                  KVStereoCursor::cursorImage(rightColor()));
    m_savedCursor = viewport()->cursor();
    connect(m_cursor, &KVStereoCursor::disparityChanged, this,
            &KVXStereoViewer::cursorDeltaXChanged);
    setCursorOn(true);
    setAttribute(Qt::WA_KeyCompression);
}

// The cursor is a child of the viewport and goes with it.
KVXStereoViewer::~KVXStereoViewer() = default;

QImage KVXStereoViewer::markerPattern()
{
    QImage pattern(9, 9, QImage::Format_Indexed8);
    if (pattern.isNull())
        return pattern;
    pattern.setColorTable({qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(0xb3, 0xb3, 0xb3)});
    for (int y = 0; y < 9; ++y) {
        const char* row = kMarkerXpm[4 + y];
        uchar* line = pattern.scanLine(y);
        for (int x = 0; x < 9; ++x)
            line[x] = row[x] == 'a' ? 2 : row[x] == '#' ? 1 : 0;
    }
    return pattern;
}

int KVXStereoViewer::markerRadius(double zoom)
{
    // The marker's own half-size plus one, or more when zoomed in so far that picking grows.
    return std::max(5, std::min(10, roundHalfUp(4.0 * zoom)));
}

void KVXStereoViewer::rebuildMarkers()
{
    const QImage pattern = markerPattern();
    m_markerLeftColour = leftColor();
    m_markerRightColour = rightColor();
    m_leftMarker = kvTintImage(pattern, leftColor()).convertToFormat(QImage::Format_RGB32);
    m_rightMarker = kvTintImage(pattern, rightColor()).convertToFormat(QImage::Format_RGB32);
    m_artCache.clear();
}

// ---- queries --------------------------------------------------------------------------------

bool KVXStereoViewer::isCursorOn() const
{
    return m_cursorOn;
}

int KVXStereoViewer::cursorDeltaX() const
{
    return m_cursor->disparity();
}

const GHomPtVector& KVXStereoViewer::stereoPoints() const
{
    return m_points.list();
}

const GHomPtVector& KVXStereoViewer::stereoMatchPoints() const
{
    return m_matchPoints.list();
}

const GHomPtVector& KVXStereoViewer::stereoPolyline() const
{
    return m_polyline;
}

bool KVXStereoViewer::hasPoints() const
{
    return !m_points.empty();
}

bool KVXStereoViewer::hasShownMatchPoints() const
{
    return m_matchPointsEnabled && !m_matchPoints.empty();
}

bool KVXStereoViewer::hasSelectedMatchPoints() const
{
    return hasShownMatchPoints() && m_matchPoints.selectedCount() != 0;
}

bool KVXStereoViewer::hasShownBoundary() const
{
    return m_boundaryEnabled && !m_boundaryLine.empty();
}

bool KVXStereoViewer::hasMatchPoints() const
{
    return !m_matchPoints.empty();
}

bool KVXStereoViewer::hasPolyline() const
{
    return !m_polyline.empty();
}

bool KVXStereoViewer::isStereoPointSelected(int index) const
{
    return m_points.isSelected(index);
}

bool KVXStereoViewer::isStereoMatchPointSelected(int index) const
{
    return m_matchPoints.isSelected(index);
}

void KVXStereoViewer::setPixelSize(double x, double y)
{
    m_pixelSizeX = x;
    m_pixelSizeY = y;
    KVStereoViewer::setPixelSize(x, y);
    if (m_polyMarkerEnabled || m_referenceMarkerEnabled)
        viewport()->update();
}

// ---- coordinates ----------------------------------------------------------------------------

GHomPt KVXStereoViewer::stereoPointAt(const QPointF& viewportPos) const
{
    const double z = zoomFactor();
    const double x = (contentsX() + viewportPos.x()) / z;
    const double y = (contentsY() + viewportPos.y()) / z;
    const double d = cursorDeltaX() / z;
    const double dx = deltaX();
    const double dy = deltaY();
    const double halfY = deltaY() / 2;
    return GHomPt(GPoint2D(x - d - dx, y - halfY), GPoint2D(x + d + dx, y - halfY + dy));
}

QPointF KVXStereoViewer::leftViewportPosF(const GPoint2D& left) const
{
    const double z = zoomFactor();
    const double halfY = deltaY() / 2;
    return QPointF((left(0) + deltaX()) * z - contentsX(), (left(1) + halfY) * z - contentsY());
}

QPointF KVXStereoViewer::rightViewportPosF(const GPoint2D& right) const
{
    const double z = zoomFactor();
    const double halfY = deltaY() / 2;
    return QPointF((right(0) - deltaX()) * z - contentsX(),
                   (right(1) - double(deltaY()) + halfY) * z - contentsY());
}

QPoint KVXStereoViewer::leftViewportPos(const GPoint2D& left) const
{
    const double z = zoomFactor();
    const double halfY = deltaY() / 2;
    return QPoint(roundHalfUp(roundHalfUp((left(0) + deltaX()) * z) - double(contentsX())),
                  roundHalfUp(roundHalfUp((left(1) + halfY) * z) - double(contentsY())));
}

QPoint KVXStereoViewer::rightViewportPos(const GPoint2D& right) const
{
    const double z = zoomFactor();
    const double halfY = deltaY() / 2;
    return QPoint(roundHalfUp(roundHalfUp((right(0) - deltaX()) * z) - double(contentsX())),
                  roundHalfUp(roundHalfUp((right(1) - double(deltaY()) + halfY) * z)
                              - double(contentsY())));
}

QPoint KVXStereoViewer::mousePosition() const
{
    return viewport()->mapFromGlobal(QCursor::pos());
}

bool KVXStereoViewer::mouseInViewport(const QPoint& pos) const
{
    return viewport()->isVisible() && viewport()->rect().contains(pos);
}

void KVXStereoViewer::postMouseMove()
{
    const QPoint pos = mousePosition();
    if (!mouseInViewport(pos))
        return;
    QCoreApplication::postEvent(viewport(),
                                new QMouseEvent(QEvent::MouseMove, QPointF(pos),
                                                QPointF(viewport()->mapToGlobal(pos)),
                                                Qt::NoButton, QGuiApplication::mouseButtons(),
                                                QGuiApplication::keyboardModifiers()));
}

// ---- stereo cursor --------------------------------------------------------------------------

bool KVXStereoViewer::usesStereoCursor(Mode mode) const
{
    return mode == AnaglyphMeasureMode || mode == AnaglyphPolylineMode
           || mode == AnaglyphPolylineTracking || mode == AnaglyphPointDragMode;
}

void KVXStereoViewer::applyCursorChoice()
{
    if (m_cursorOn) {
        viewport()->setMouseTracking(true);
        viewport()->setCursor(Qt::BlankCursor);
        const QPoint pos = mousePosition();
        if (mouseInViewport(pos))
            m_cursor->moveTo(pos);
        else
            m_cursor->hide();
    } else {
        m_cursor->hide();
        viewport()->setCursor(m_savedCursor);
    }
}

void KVXStereoViewer::setCursorOn(bool on)
{
    m_cursorOn = on;
    // The other modes show their own mouse cursor; the choice waits for an anaglyph mode.
    if (usesStereoCursor(m_mode))
        applyCursorChoice();
    else if (!on)
        m_cursor->hide();
}

void KVXStereoViewer::setCursorDeltaX(int deltaX)
{
    m_cursor->setDisparity(deltaX);
    const QPointF p = imagePoint(mousePosition());
    emit cursorPos(p.x(), p.y());
    // The cursor, the highlight and a dragged point follow the new depth at once.
    postMouseMove();
}

void KVXStereoViewer::moveCursorWithMouse(const QPoint& pos)
{
    if (m_cursorOn && usesStereoCursor(m_mode))
        m_cursor->moveTo(pos);
}

void KVXStereoViewer::zoomInAtCursor()
{
    const double z0 = zoomFactor();
    KVStereoViewer::zoomInAtCursor();
    setCursorDeltaX(roundHalfUp(cursorDeltaX() * zoomFactor() / z0));
}

void KVXStereoViewer::zoomOutAtCursor()
{
    const double z0 = zoomFactor();
    KVStereoViewer::zoomOutAtCursor();
    setCursorDeltaX(roundHalfUp(cursorDeltaX() * zoomFactor() / z0));
}

QPixmap KVXStereoViewer::visiblePixmap()
{
    const QPoint pos = m_cursor->pos();
    const bool shown = !m_cursor->isHidden();
    if (shown)
        m_cursor->hide();
    QPixmap result = KVStereoViewer::visiblePixmap();
    if (shown)
        m_cursor->moveTo(pos);
    return result;
}

void KVXStereoViewer::drawVisibleArea(QPainter* p)
{
    const QPoint pos = m_cursor->pos();
    const bool shown = !m_cursor->isHidden();
    if (shown)
        m_cursor->hide();
    KVStereoViewer::drawVisibleArea(p);
    if (shown)
        m_cursor->moveTo(pos);
}

// ---- colours and offsets --------------------------------------------------------------------

void KVXStereoViewer::setAnaglyphColors(const QColor& leftColor, const QColor& rightColor)
{
    KVStereoViewer::setAnaglyphColors(leftColor, rightColor);
    if (this->leftColor() == m_markerLeftColour && this->rightColor() == m_markerRightColour)
        return;
    rebuildMarkers();
    m_cursor->setImages(KVStereoCursor::cursorImage(this->leftColor()),
                        KVStereoCursor::cursorImage(this->rightColor()));
    viewport()->update();
}

void KVXStereoViewer::setDeltaX(int deltaX, bool immediateMode)
{
    const QPoint pos = m_cursor->pos();
    m_cursor->hide();
    KVStereoViewer::setDeltaX(deltaX, immediateMode);
    if (pos.x() >= 1 && pos.y() >= 1)
        m_cursor->moveTo(pos);
}

void KVXStereoViewer::setDeltaY(int deltaY, bool immediateMode)
{
    const QPoint pos = m_cursor->pos();
    m_cursor->hide();
    KVStereoViewer::setDeltaY(deltaY, immediateMode);
    if (pos.x() >= 1 && pos.y() >= 1)
        m_cursor->moveTo(pos);
}

// ---- modes ----------------------------------------------------------------------------------

void KVXStereoViewer::setMode(KVImgViewer::Mode mode)
{
    if (mode == m_mode)
        return;
    KVStereoViewer::setMode(mode);
    if (mode == AnaglyphMeasureMode || mode == AnaglyphPolylineMode)
        applyCursorChoice();
    else if (!usesStereoCursor(mode))
        m_cursor->hide();
}

void KVXStereoViewer::setAnaglyphMeasureMode()
{
    setMode(AnaglyphMeasureMode);
}

void KVXStereoViewer::setAnaglyphPolylineMode()
{
    if (m_polygon && m_polyline.size() > 2)
        viewport()->update();
    m_polygon = false;
    setMode(AnaglyphPolylineMode);
}

void KVXStereoViewer::setAnaglyphPolygonMode()
{
    if (!m_polygon && m_polyline.size() > 2)
        viewport()->update();
    m_polygon = true;
    setMode(AnaglyphPolylineMode);
}

void KVXStereoViewer::cancelOperation()
{
    if (m_mode != AnaglyphPointDragMode) {
        KVStereoViewer::cancelOperation();
        return;
    }
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &escape);
}

// ---- keys -----------------------------------------------------------------------------------

void KVXStereoViewer::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_U:
    case Qt::Key_W:
    case Qt::Key_E:
    case Qt::Key_I:
        KVImgViewer::keyPressEvent(e);
        return;
    // One pixel per key, saturating at the ends of the int range.
    case Qt::Key_Left:
        if (deltaX() > INT_MIN)
            setDeltaX(deltaX() - 1, false);
        break;
    case Qt::Key_Right:
        if (deltaX() < INT_MAX)
            setDeltaX(deltaX() + 1, false);
        break;
    case Qt::Key_Up:
        if (deltaY() > INT_MIN)
            setDeltaY(deltaY() - 1, false);
        break;
    case Qt::Key_Down:
        if (deltaY() < INT_MAX)
            setDeltaY(deltaY() + 1, false);
        break;
    case Qt::Key_A:
    case Qt::Key_J:
        if (cursorDeltaX() > -300)
            setCursorDeltaX(cursorDeltaX() - 1);
        break;
    case Qt::Key_D:
    case Qt::Key_L:
        if (cursorDeltaX() < 300)
            setCursorDeltaX(cursorDeltaX() + 1);
        break;
    case Qt::Key_Escape:
        if (m_mode != AnaglyphPointDragMode) {
            KVStereoViewer::keyPressEvent(e);
            return;
        }
        {
            // The double click that ends the drag sees the negated state and undoes the drag.
            m_dragState = -m_dragState;
            const QPoint pos = mousePosition();
            QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(pos),
                              QPointF(viewport()->mapToGlobal(pos)), Qt::NoButton,
                              QGuiApplication::mouseButtons(), e->modifiers());
            QCoreApplication::sendEvent(viewport(), &click);
        }
        break;
    case Qt::Key_Delete:
        if (m_mode != AnaglyphPolylineTracking) {
            KVStereoViewer::keyPressEvent(e);
            return;
        }
        {
            // Dropping the moving end and moving the last vertex to the pointer removes that
            // vertex from the line being drawn.
            deleteLastPolylinePoint();
            if (m_polyline.size() < 2) {
                m_polyline.clear();
                viewport()->update();
                setMode(AnaglyphPolylineMode);
            }
            const QPoint pos = mousePosition();
            QMouseEvent move(QEvent::MouseMove, QPointF(pos),
                             QPointF(viewport()->mapToGlobal(pos)), Qt::NoButton,
                             QGuiApplication::mouseButtons(), e->modifiers());
            QCoreApplication::sendEvent(viewport(), &move);
        }
        break;
    default:
        KVStereoViewer::keyPressEvent(e);
        return;
    }
    e->accept();
}

// ---- mouse ----------------------------------------------------------------------------------

void KVXStereoViewer::mousePressEvent(QMouseEvent* e)
{
    // The base keeps its own account of the held button (pan, right clicks).
    KVStereoViewer::mousePressEvent(e);
    if (buttonStillHeld(e))
        return;
    pressAt(e);
}

bool KVXStereoViewer::buttonStillHeld(const QMouseEvent* e) const
{
    // One gesture at a time. A button pressed again, or no longer down, was released where
    // this viewer did not see it (it was hidden meanwhile).
    return m_mouseButton != 0 && int(e->button()) != m_mouseButton
           && e->buttons().testFlag(Qt::MouseButton(m_mouseButton));
}

void KVXStereoViewer::pressAt(QMouseEvent* e)
{
    m_mouseButton = int(e->button());
    m_pressMode = m_mode;
    m_pressConsumed = false;
    const QPoint pos = e->position().toPoint();
    m_lastMousePos = pos;
    const bool left = e->button() == Qt::LeftButton;
    const bool middle = e->button() == Qt::MiddleButton;
    const bool shift = e->modifiers().testFlag(Qt::ShiftModifier);
    const bool canPan = contentsHeight() > visibleHeight() || contentsWidth() > visibleWidth();
    switch (int(m_mode)) {
    case AnaglyphMeasureMode:
        if (middle && canPan) {
            setMode(PanMode);
        } else if (left && !shift) {
            // Shift with a click selects; without it a click on a point picks it up.
            const int point = m_points.highlighted();
            const int match = m_matchPoints.highlighted();
            if (m_pointEditing && m_points.contains(point)) {
                startDrag(point, 1);
                m_pressConsumed = true;
            } else if (m_matchPointEditing && hasShownMatchPoints()
                       && m_matchPoints.contains(match)) {
                const GHomPt pair = m_matchPoints[size_t(match)];
                deleteMatchPoint(match);
                const size_t count = m_points.size();
                addPoint(pair);
                if (m_points.size() > count)
                    startDrag(int(m_points.size()) - 1, 2);
                m_pressConsumed = true;
            }
        }
        break;
    case AnaglyphPolylineMode:
        if (middle && canPan)
            setMode(PanMode);
        else if (left)
            startPolyline(pos);
        break;
    case AnaglyphPolylineTracking:
        if (left)
            addPolylineVertex(pos);
        break;
    case AnaglyphPointDragMode:
        endDrag();
        m_pressConsumed = true;
        break;
    default:
        break;
    }
}

void KVXStereoViewer::mouseReleaseEvent(QMouseEvent* e)
{
    const bool held = int(e->button()) == m_mouseButton;
    KVStereoViewer::mouseReleaseEvent(e);
    if (!held)
        return;
    m_mouseButton = 0;
    if (m_pressConsumed)
        return;
    const QPoint pos = e->position().toPoint();
    const bool left = e->button() == Qt::LeftButton;
    if (m_mode == AnaglyphMeasureMode && m_pressMode == AnaglyphMeasureMode && left)
        releasePointAt(pos, e->modifiers());
    else if (m_mode == AnaglyphPolylineTracking && e->button() == Qt::MiddleButton)
        finishPolyline();
}

void KVXStereoViewer::mouseDoubleClickEvent(QMouseEvent* e)
{
    // Escape ends a drag with a double click without a button, whatever gesture runs.
    if (m_mode == AnaglyphPointDragMode && e->button() == Qt::NoButton) {
        endDrag();
        return;
    }
    KVStereoViewer::mouseDoubleClickEvent(e);
    if (buttonStillHeld(e))
        return;
    if (m_mode == AnaglyphPolylineTracking
        && (e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton)) {
        // The first click of the pair has fixed the end; the second one finishes the line.
        m_mouseButton = int(e->button());
        m_pressMode = m_mode;
        m_pressConsumed = true;
        finishPolyline();
        return;
    }
    // Two quick clicks are two clicks.
    pressAt(e);
}

void KVXStereoViewer::mouseMoveEvent(QMouseEvent* e)
{
    KVStereoViewer::mouseMoveEvent(e);
    const QPoint pos = e->position().toPoint();
    m_lastMousePos = pos;
    switch (int(m_mode)) {
    case AnaglyphMeasureMode:
    case AnaglyphPolylineMode:
        moveCursorWithMouse(pos);
        pickUnderMouse(pos);
        break;
    case AnaglyphPolylineTracking:
        moveCursorWithMouse(pos);
        movePolylineEnd(pos);
        break;
    case AnaglyphPointDragMode:
        moveCursorWithMouse(pos);
        dragPoint(m_draggedPoint, e->modifiers().testFlag(Qt::ControlModifier));
        break;
    default:
        break;
    }
}

bool KVXStereoViewer::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::Leave
        && (m_mode == AnaglyphMeasureMode || m_mode == AnaglyphPolylineMode
            || m_mode == AnaglyphPolylineTracking)) {
        m_cursor->hide();
        highlightPoint(-1);
        highlightMatchPoint(-1);
    } else if (e->type() == QEvent::Enter && !hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    return KVStereoViewer::viewportEvent(e);
}

void KVXStereoViewer::scrollContentsBy(int dx, int dy)
{
    KVStereoViewer::scrollContentsBy(dx, dy);
    m_cursor->contentsScrolled(dx, dy);
    // Without a polyline the poly markers sit at the viewport origin, not on the picture.
    if (m_polyline.empty() && (m_polyMarkerEnabled || m_referenceMarkerEnabled))
        viewport()->update();
}

// ---- points ---------------------------------------------------------------------------------

void KVXStereoViewer::refreshGrids(bool matchPoints) const
{
    GPoint2DVector& leftGrid = matchPoints ? m_leftMatchGrid : m_leftGrid;
    GPoint2DVector& rightGrid = matchPoints ? m_rightMatchGrid : m_rightGrid;
    const KVPointList<GHomPtVector>& list = matchPoints ? m_matchPoints : m_points;
    const int cells = matchPoints ? 20 : 10;
    // The grid covers the left image and every point outside it, so that a point set in a
    // margin opened by the offsets can still be picked.
    const double width = leftImage().width();
    const double height = leftImage().height();
    if (!list.isGridStale() && leftGrid.size() == list.size()
        && leftGrid.gridArea.corner2(0) >= width && leftGrid.gridArea.corner2(1) >= height)
        return;
    if (!allocating([&] {
            leftGrid.clear();
            rightGrid.clear();
            leftGrid.reserve(list.size());
            rightGrid.reserve(list.size());
        }))
        return;
    for (const GHomPt& pair : list.list()) {
        leftGrid.push_back(pair.first);
        rightGrid.push_back(pair.second);
    }
    const auto area = [&](const GPoint2DVector& grid) {
        double x1 = 0.0, y1 = 0.0, x2 = width, y2 = height;
        for (const GPoint2D& p : grid) {
            if (!isFinite(p))
                continue;
            x1 = std::min(x1, p(0));
            y1 = std::min(y1, p(1));
            x2 = std::max(x2, p(0));
            y2 = std::max(y2, p(1));
        }
        // A point on the right or bottom edge of an area is in no cell.
        return GRect2D(x1, y1, x2 + 1.0, y2 + 1.0);
    };
    leftGrid.buildGrid(area(leftGrid), cells, cells);
    rightGrid.buildGrid(area(rightGrid), cells, cells);
    list.setGridBuilt();
}

int KVXStereoViewer::pickPair(bool matchPoints, const GHomPt& at, double distance) const
{
    const KVPointList<GHomPtVector>& list = matchPoints ? m_matchPoints : m_points;
    if (list.empty() || !(distance > 0.0) || !isFinite(at))
        return -1;
    refreshGrids(matchPoints);
    const GPoint2DVector& leftGrid = matchPoints ? m_leftMatchGrid : m_leftGrid;
    const GPoint2DVector& rightGrid = matchPoints ? m_rightMatchGrid : m_rightGrid;
    const std::vector<int> nearLeft = leftGrid.pointsNear(at.first, distance);
    if (nearLeft.empty())
        return -1;
    std::vector<int> nearRight = rightGrid.pointsNear(at.second, distance);
    std::sort(nearRight.begin(), nearRight.end());
    int best = -1;
    double bestDistance = 0.0;
    for (int i : nearLeft) {
        if (!std::binary_search(nearRight.begin(), nearRight.end(), i))
            continue;
        const GHomPt& pair = list[size_t(i)];
        const double d
                = std::hypot(pair.first(0) - at.first(0), pair.first(1) - at.first(1))
                  + std::hypot(pair.second(0) - at.second(0), pair.second(1) - at.second(1));
        if (best < 0 || d < bestDistance || (d == bestDistance && i < best)) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

void KVXStereoViewer::pickUnderMouse(const QPoint& pos)
{
    const GHomPt at = stereoPointAt(QPointF(pos));
    // Five screen pixels, whatever the zoom.
    const double distance = 5.0 / zoomFactor();
    if (m_pointEditing)
        highlightPoint(pickPair(false, at, distance));
    if (m_matchPointEditing && hasShownMatchPoints()) {
        // A point wins over a match point at the same place.
        if (m_points.contains(m_points.highlighted()))
            highlightMatchPoint(-1);
        else
            highlightMatchPoint(pickPair(true, at, distance));
    }
}

void KVXStereoViewer::releasePointAt(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const int point = m_points.highlighted();
    if (m_pointEditing && m_points.contains(point)) {
        if (shift)
            selectPoint(point, !m_points.isSelected(point), false);
        else
            selectPoint(point, true, true);
        return;
    }
    const int match = m_matchPoints.highlighted();
    if (m_matchPointEditing && hasShownMatchPoints() && m_matchPoints.contains(match)) {
        if (shift)
            selectMatchPoint(match, !m_matchPoints.isSelected(match), false);
        else
            selectMatchPoint(match, true, true);
        return;
    }
    if (shift)
        return;
    appendMousePoint(pos);
}

void KVXStereoViewer::appendMousePoint(const QPoint& pos)
{
    const GHomPt pair = stereoPointAt(QPointF(pos));
    if (!m_points.append(pair))
        return;
    updatePoint(int(m_points.size()) - 1);
    if (m_twoPointsOnly)
        limitToTwoPoints();
    else
        emit newPointSet(pair.first(0), pair.first(1), pair.second(0), pair.second(1));
}

void KVXStereoViewer::limitToTwoPoints()
{
    if (m_points.size() > 3) {
        clearFromPoints();
        return;
    }
    if (m_points.size() == 3) {
        // A third point starts a new pair: it is the only one left.
        while (m_points.size() >= 2)
            removePointAt(0);
        viewport()->update();
    }
    if (m_points.size() == 1)
        emit firstPointSet();
    else if (m_points.size() == 2)
        emit secondPointSet();
}

void KVXStereoViewer::setTwoPointsOnly(bool on)
{
    m_twoPointsOnly = on;
    if (on)
        limitToTwoPoints();
}

void KVXStereoViewer::addPoint(const GHomPt& point)
{
    if (!m_points.append(point))
        return;
    const int index = int(m_points.size()) - 1;
    updatePoint(index);
    const GHomPt& added = m_points[size_t(index)];
    emit newPointSet(added.first(0), added.first(1), added.second(0), added.second(1));
}

void KVXStereoViewer::replacePoint(int index, double xl, double yl, double xr, double yr)
{
    if (m_points.replace(index, GHomPt(GPoint2D(xl, yl), GPoint2D(xr, yr)),
                         [this](int i) { updatePoint(i); }))
        emit pointChanged(index, xl, yl, xr, yr);
}

void KVXStereoViewer::removePointAt(int index)
{
    updatePoint(index);
    m_points.erase(index);
    m_points.adjustAfterRemoval(m_draggedPoint, index);
}

void KVXStereoViewer::deletePoint(int index)
{
    if (!m_points.contains(index))
        return;
    removePointAt(index);
    emit pointDeleted(index);
}

void KVXStereoViewer::clearFromPoints()
{
    m_points.clear();
    m_draggedPoint = -1;
    viewport()->update();
    emit viewerPointsCleared();
}

void KVXStereoViewer::selectPoint(int index, bool yesOrNo)
{
    selectPoint(index, yesOrNo, true);
}

void KVXStereoViewer::selectPoint(int index, bool yesOrNo, bool exclusive)
{
    if (!m_points.select(index, yesOrNo, exclusive,
                         [this](int i) { selectPoint(i, false, false); }))
        return;
    updatePoint(index);
    emit pointSelectionChanged(index, yesOrNo);
}

void KVXStereoViewer::selectAllPoints(bool yesOrNo)
{
    if (m_points.allFlagsAre(yesOrNo))
        return;
    WaitCursor wait;
    m_points.selectAll(
            yesOrNo, [this](int i) { updatePoint(i); }, [this] { viewport()->update(); });
    emit pointSelectionChanged(-1, yesOrNo);
}

void KVXStereoViewer::enablePointEditing(bool yesOrNo)
{
    if (yesOrNo == m_pointEditing)
        return;
    m_pointEditing = yesOrNo;
    // Selected and highlighted points are emphasised only while editing.
    if (m_points.hasEmphasis() || m_draggedPoint != -1)
        viewport()->update();
}

void KVXStereoViewer::highlightPoint(int index)
{
    if (m_points.highlight(index, [this](int i) { updatePoint(i); }))
        emit pointHighlighted(index);
}

QRegion KVXStereoViewer::pairRegion(const GHomPt& pair, int halfSize) const
{
    QRegion region;
    if (isFinite(pair.first))
        region += square(leftViewportPos(pair.first), halfSize);
    if (isFinite(pair.second))
        region += square(rightViewportPos(pair.second), halfSize);
    return region;
}

void KVXStereoViewer::updatePoint(int index)
{
    if (!validIndex(index, m_points.size()))
        return;
    viewport()->update(pairRegion(m_points[size_t(index)], markerRadius(zoomFactor()) + 1));
}

// ---- point drag -----------------------------------------------------------------------------

void KVXStereoViewer::placeCursorOnPair(const GHomPt& pair)
{
    if (!isFinite(pair))
        return;
    const QPointF l = leftViewportPosF(pair.first);
    const QPointF r = rightViewportPosF(pair.second);
    const QPoint middle(roundHalfUp((l.x() + r.x()) / 2), roundHalfUp((l.y() + r.y()) / 2));
    m_cursor->setDisparity(roundHalfUp((r.x() - l.x()) / 2));
    if (m_cursorOn)
        m_cursor->moveTo(middle);
    m_lastMousePos = middle;
    QCursor::setPos(viewport()->mapToGlobal(middle));
}

void KVXStereoViewer::startDrag(int index, int state)
{
    m_savedPair = m_points[size_t(index)];
    m_dragState = state;
    highlightPoint(-1);
    m_draggedPoint = index;
    setMode(AnaglyphPointDragMode);
    placeCursorOnPair(m_savedPair);
    m_dragStartPos = m_lastMousePos;
    m_dragStartDisparity = cursorDeltaX();
    m_dragMoved = false;
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
    updatePoint(index);
}

void KVXStereoViewer::dragPoint(int index, bool xyLock)
{
    if (!validIndex(index, m_points.size()))
        return;
    const GHomPt& pair = m_points[size_t(index)];
    QPointF at = QPointF(m_lastMousePos);
    // The drag put the mouse onto the point with a rounded disparity: the pair stays where it
    // is until the mouse or the disparity really moves.
    if (!m_dragMoved && m_lastMousePos == m_dragStartPos && cursorDeltaX() == m_dragStartDisparity)
        return;
    m_dragMoved = true;
    if (xyLock) {
        if (!isFinite(pair))
            return;
        const QPointF l = leftViewportPosF(pair.first);
        const QPointF r = rightViewportPosF(pair.second);
        at = (l + r) / 2;
    }
    const GHomPt moved = stereoPointAt(at);
    replacePoint(index, moved.first(0), moved.first(1), moved.second(0), moved.second(1));
}

void KVXStereoViewer::endDrag()
{
    const int index = m_draggedPoint;
    const int state = m_dragState;
    m_draggedPoint = -1;
    m_dragState = 0;
    setMode(AnaglyphMeasureMode);
    if (!validIndex(index, m_points.size()))
        return;
    if (state == -2) {
        // The point was a match point copied for the drag: it goes back to the match points.
        deletePoint(index);
        addMatchPoint(m_savedPair);
        return;
    }
    if (state == -1)
        replacePoint(index, m_savedPair.first(0), m_savedPair.first(1), m_savedPair.second(0),
                     m_savedPair.second(1));
    updatePoint(index);
}

// ---- match points ---------------------------------------------------------------------------

void KVXStereoViewer::updateMatchPoint(int index)
{
    if (!validIndex(index, m_matchPoints.size()))
        return;
    viewport()->update(pairRegion(m_matchPoints[size_t(index)], markerRadius(zoomFactor()) + 1));
}

void KVXStereoViewer::setMatchPoints(const GHomPtVector& matchPoints)
{
    if (m_matchPoints.assign(matchPoints) && m_matchPointsEnabled)
        viewport()->update();
}

void KVXStereoViewer::addMatchPoint(const GHomPt& point)
{
    WaitCursor wait;
    if (m_matchPoints.append(point) && m_matchPointsEnabled)
        updateMatchPoint(int(m_matchPoints.size()) - 1);
}

void KVXStereoViewer::addMatchPoints(const GHomPtVector& points)
{
    if (points.empty())
        return;
    WaitCursor wait;
    const int first = m_matchPoints.append(points);
    if (first >= 0 && m_matchPointsEnabled)
        m_matchPoints.repaintFrom(
                first, [this](int i) { updateMatchPoint(i); }, [this] { viewport()->update(); });
}

void KVXStereoViewer::deleteMatchPoint(int index)
{
    if (!m_matchPoints.contains(index))
        return;
    WaitCursor wait;
    updateMatchPoint(index);
    m_matchPoints.erase(index);
}

void KVXStereoViewer::deleteSelectedMatchPoints()
{
    if (m_matchPoints.selectedCount() == 0)
        return;
    WaitCursor wait;
    m_matchPoints.eraseSelected([this](int i) { updateMatchPoint(i); });
}

void KVXStereoViewer::deleteAllMatchPoints()
{
    KVStereoViewer::deleteAllMatchPoints();
    const bool hadPoints = !m_matchPoints.empty();
    m_matchPoints.clear();
    if (hadPoints && m_matchPointsEnabled)
        viewport()->update();
}

void KVXStereoViewer::selectMatchPoint(int index, bool yesOrNo)
{
    selectMatchPoint(index, yesOrNo, true);
}

void KVXStereoViewer::selectMatchPoint(int index, bool yesOrNo, bool exclusive)
{
    if (!m_matchPoints.select(index, yesOrNo, exclusive,
                              [this](int i) { selectMatchPoint(i, false, false); }))
        return;
    updateMatchPoint(index);
    emit matchPointSelectionChanged(index, yesOrNo);
}

void KVXStereoViewer::selectAllMatchPoints(bool yesOrNo)
{
    if (m_matchPoints.allFlagsAre(yesOrNo))
        return;
    WaitCursor wait;
    m_matchPoints.selectAll(
            yesOrNo, [this](int i) { updateMatchPoint(i); }, [this] { viewport()->update(); });
    emit matchPointSelectionChanged(-1, yesOrNo);
}

void KVXStereoViewer::enableMatchPoints(bool yesOrNo)
{
    m_matchPointsEnabled = yesOrNo;
    KVStereoViewer::enableMatchPoints(yesOrNo);
}

void KVXStereoViewer::enableMatchPointEditing(bool yesOrNo)
{
    m_matchPointEditing = yesOrNo;
}

void KVXStereoViewer::highlightMatchPoint(int index)
{
    if (m_matchPoints.highlight(index, [this](int i) { updateMatchPoint(i); }))
        emit matchPointHighlighted(index);
}

// ---- boundary line --------------------------------------------------------------------------

void KVXStereoViewer::setBoundaryLine(const GHomPtVector& boundaryLine)
{
    GHomPtVector copy;
    if (!allocating([&] { copy = boundaryLine; }))
        return;
    m_boundaryLine = std::move(copy);
    if (m_boundaryEnabled)
        viewport()->update();
}

void KVXStereoViewer::enableBoundaryLine(bool yesOrNo)
{
    m_boundaryEnabled = yesOrNo;
    KVStereoViewer::enableBoundaryLine(yesOrNo);
}

// ---- polyline -------------------------------------------------------------------------------

void KVXStereoViewer::setPolyline(const GHomPtVector& polyline)
{
    if (polyline.size() == m_polyline.size()
        && std::equal(polyline.cbegin(), polyline.cend(), m_polyline.cbegin()))
        return;
    GHomPtVector copy;
    if (!allocating([&] { copy = polyline; }))
        return;
    m_polyline = std::move(copy);
    viewport()->update();
}

void KVXStereoViewer::clearFromPolyline()
{
    if (m_polyline.empty())
        return;
    m_polyline.clear();
    viewport()->update();
    emit polyLineChanged();
}

void KVXStereoViewer::deleteLastPolylinePoint()
{
    if (!m_polyline.empty())
        m_polyline.pop_back();
    viewport()->update();
}

void KVXStereoViewer::startPolyline(const QPoint& pos)
{
    setMode(AnaglyphPolylineTracking);
    const GHomPt p = stereoPointAt(QPointF(pos));
    m_polyline.clear();
    // The first vertex and the end that follows the pointer.
    if (!allocating([&] { m_polyline.reserve(16); }))
        return;
    m_polyline.push_back(p);
    m_polyline.push_back(p);
    viewport()->update();
}

void KVXStereoViewer::addPolylineVertex(const QPoint& pos)
{
    const GHomPt p = stereoPointAt(QPointF(pos));
    if (m_polyline.empty()) {
        startPolyline(pos);
        return;
    }
    // A click on the vertex just fixed adds nothing.
    if (m_polyline.size() >= 2 && kvFuzzyEqual(m_polyline[m_polyline.size() - 2], p))
        return;
    const QRegion before = lastSegmentRegion();
    m_polyline.back() = p;
    if (!allocating([&] { reserveOneMore(m_polyline); }))
        return;
    m_polyline.push_back(p);
    viewport()->update(before + lastSegmentRegion());
}

void KVXStereoViewer::movePolylineEnd(const QPoint& pos)
{
    if (m_polyline.empty())
        return;
    const QRegion before = lastSegmentRegion();
    m_polyline.back() = stereoPointAt(QPointF(pos));
    viewport()->update(before + lastSegmentRegion());
}

void KVXStereoViewer::finishPolyline()
{
    // The end that followed the pointer is dropped when it lies on the last vertex.
    if (m_polyline.size() >= 2
        && kvFuzzyEqual(m_polyline.back(), m_polyline[m_polyline.size() - 2]))
        m_polyline.pop_back();
    setMode(AnaglyphPolylineMode);
    viewport()->update();
    emit polyLineChanged();
}

QRegion KVXStereoViewer::lastSegmentRegion() const
{
    if (m_polyline.empty())
        return QRegion();
    const GHomPt& end = m_polyline.back();
    const GHomPt& from = m_polyline.size() > 1 ? m_polyline[m_polyline.size() - 2] : end;
    const int margin = 4;
    QRegion region;
    const auto segment = [&](const QPoint& a, const QPoint& b) {
        region += QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                        QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
                          .adjusted(-margin, -margin, margin, margin);
    };
    if (isFinite(end.first) && isFinite(from.first))
        segment(leftViewportPos(from.first), leftViewportPos(end.first));
    if (isFinite(end.second) && isFinite(from.second))
        segment(rightViewportPos(from.second), rightViewportPos(end.second));
    return region;
}

// ---- poly marker ----------------------------------------------------------------------------

bool KVXStereoViewer::polyMarkerPoints(double leftPos, double rightPos, GPoint2D* left,
                                       GPoint2D* right) const
{
    if (m_polyline.empty())
        return false;
    if (left) {
        const QPointF p = kvPointAlongPolyline(eyePoints(m_polyline, false), leftPos, m_pixelSizeX,
                                               m_pixelSizeY);
        *left = GPoint2D(p.x(), p.y());
    }
    if (right) {
        const QPointF p = kvPointAlongPolyline(eyePoints(m_polyline, true), rightPos, m_pixelSizeX,
                                               m_pixelSizeY);
        *right = GPoint2D(p.x(), p.y());
    }
    return true;
}

QPoint KVXStereoViewer::polyMarkerScreenPos(double position, bool right) const
{
    GPoint2D p;
    if (!polyMarkerPoints(position, position, right ? nullptr : &p, right ? &p : nullptr))
        return QPoint(0, 0);
    return right ? rightViewportPos(p) : leftViewportPos(p);
}

QRegion KVXStereoViewer::polyMarkerRegion(double leftPos, double rightPos, bool left,
                                          bool right) const
{
    QRegion region;
    if (left)
        region += square(polyMarkerScreenPos(leftPos, false), 4);
    if (right)
        region += square(polyMarkerScreenPos(rightPos, true), 4);
    return region;
}

void KVXStereoViewer::enablePolyMarker(bool yesOrNo)
{
    if (yesOrNo == m_polyMarkerEnabled)
        return;
    m_polyMarkerEnabled = yesOrNo;
    viewport()->update();
}

void KVXStereoViewer::enablePolyReferenzMarker(bool yesOrNo)
{
    if (yesOrNo == m_referenceMarkerEnabled)
        return;
    // The reference freezes the marker's place; without a marker there is nothing to freeze.
    if (yesOrNo && !m_polyMarkerEnabled)
        return;
    m_referenceMarkerEnabled = yesOrNo;
    m_referenceMarkerLeft = m_polyMarkerLeft;
    m_referenceMarkerRight = m_polyMarkerRight;
    viewport()->update();
}

void KVXStereoViewer::setPolyMarker(double markerPos)
{
    setPolyMarker(markerPos, markerPos);
}

void KVXStereoViewer::setPolyMarker(double leftPos, double rightPos)
{
    const QRegion before = polyMarkerRegion(m_polyMarkerLeft, m_polyMarkerRight, true, true);
    m_polyMarkerLeft = leftPos;
    m_polyMarkerRight = rightPos;
    if (m_polyMarkerEnabled)
        viewport()->update(before + polyMarkerRegion(leftPos, rightPos, true, true));
}

void KVXStereoViewer::setPolyMarkerLeft(double leftPos)
{
    const QRegion before = polyMarkerRegion(m_polyMarkerLeft, 0.0, true, false);
    m_polyMarkerLeft = leftPos;
    if (!m_polyMarkerEnabled)
        return;
    viewport()->update(before);
    viewport()->update(polyMarkerRegion(leftPos, 0.0, true, false));
}

void KVXStereoViewer::setPolyMarkerRight(double rightPos)
{
    const QRegion before = polyMarkerRegion(0.0, m_polyMarkerRight, false, true);
    m_polyMarkerRight = rightPos;
    if (!m_polyMarkerEnabled)
        return;
    viewport()->update(before);
    viewport()->update(polyMarkerRegion(0.0, rightPos, false, true));
}

// ---- drawing --------------------------------------------------------------------------------

void KVXStereoViewer::drawLeftMarker(QPainter* p, int x, int y)
{
    mergeIntoDevice(p, m_leftMarker, x - m_leftMarker.width() / 2, y - m_leftMarker.height() / 2);
}

void KVXStereoViewer::drawRightMarker(QPainter* p, int x, int y)
{
    mergeIntoDevice(p, m_rightMarker, x - m_rightMarker.width() / 2,
                    y - m_rightMarker.height() / 2);
}

void KVXStereoViewer::drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch)
{
    KVStereoViewer::drawViewport(p, ox, oy, cx, cy, cw, ch);
    const int width = std::max(2, overlayPenWidth(p));
    const QRect painted = QRect(cx, cy, cw, ch).translated(-ox, -oy);
    if (hasShownBoundary())
        drawPolylinePerEye(p, m_boundaryLine, true, width);
    if (hasShownMatchPoints())
        drawMatchPointsPerEye(p, painted);
    if (!m_polyline.empty())
        drawPolylinePerEye(p, m_polyline, m_polygon && m_mode != AnaglyphPolylineTracking, width);
    drawPolyMarkers(p);
    drawPointsPerEye(p, painted);
    m_cursor->draw(p);
}

void KVXStereoViewer::drawPolylinePerEye(QPainter* p, const GHomPtVector& line, bool closed,
                                         int width)
{
    QPolygon left;
    QPolygon right;
    if (!allocating([&] {
            left.reserve(qsizetype(line.size()));
            right.reserve(qsizetype(line.size()));
        }))
        return;
    for (const GHomPt& pair : line) {
        if (isFinite(pair.first))
            left << leftViewportPos(pair.first);
        if (isFinite(pair.second))
            right << rightViewportPos(pair.second);
    }
    const auto draw = [&](const QPolygon& points, const QColor& colour) {
        if (points.isEmpty())
            return;
        drawPerEye(p, colour, [&](const QColor& c) {
            p->setPen(QPen(c, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            p->setBrush(Qt::NoBrush);
            if (points.size() == 1)
                p->drawPoint(points.front());
            else if (closed)
                p->drawPolygon(points);
            else
                p->drawPolyline(points);
        });
    };
    draw(left, leftColor());
    draw(right, rightColor());
}

const QImage& KVXStereoViewer::artImage(Art art, int half, bool right) const
{
    const int key = int(art) * 1024 + std::clamp(half, 0, 1023);
    auto it = m_artCache.find(key);
    if (it == m_artCache.end()) {
        const QImage pattern = artPattern(art, half);
        std::pair<QImage, QImage> tinted(
                kvTintImage(pattern, leftColor()).convertToFormat(QImage::Format_RGB32),
                kvTintImage(pattern, rightColor()).convertToFormat(QImage::Format_RGB32));
        if (!allocating([&] { it = m_artCache.emplace(key, std::move(tinted)).first; })) {
            static const QImage none;
            return none;
        }
    }
    return right ? it->second.second : it->second.first;
}

void KVXStereoViewer::drawArt(QPainter* p, Art art, int half, const QPoint& centre, bool right)
{
    const QImage& image = artImage(art, half, right);
    if (!image.isNull())
        mergeIntoDevice(p, image, centre.x() - half, centre.y() - half);
}

void KVXStereoViewer::drawMatchPointsPerEye(QPainter* p, const QRect& painted)
{
    const int r = markerRadius(zoomFactor());
    const QRect reach = painted.adjusted(-r - 1, -r - 1, r + 1, r + 1);
    // A plus, on a filled square when selected, in a frame when highlighted.
    for (size_t i = 0; i < m_matchPoints.size(); ++i) {
        const GHomPt& pair = m_matchPoints[i];
        const bool selected = m_matchPoints.isSelected(int(i));
        const bool highlighted = int(i) == m_matchPoints.highlighted();
        for (const bool right : {false, true}) {
            const GPoint2D& point = right ? pair.second : pair.first;
            if (!isFinite(point))
                continue;
            const QPoint c = right ? rightViewportPos(point) : leftViewportPos(point);
            if (!reach.contains(c))
                continue;
            if (selected)
                drawArt(p, Art::Square, r - 1, c, right);
            drawArt(p, Art::Plus, r - 1, c, right);
            if (highlighted)
                drawArt(p, Art::Frame, r + 1, c, right);
        }
    }
}

void KVXStereoViewer::drawPolyMarkers(QPainter* p)
{
    // The marker a filled 9 x 9 square, the reference marker a 9 x 9 frame, in each eye.
    for (const bool right : {false, true}) {
        if (m_polyMarkerEnabled)
            drawArt(p, Art::Square, 4,
                    polyMarkerScreenPos(right ? m_polyMarkerRight : m_polyMarkerLeft, right),
                    right);
        if (m_referenceMarkerEnabled)
            drawArt(p, Art::Frame, 4,
                    polyMarkerScreenPos(right ? m_referenceMarkerRight : m_referenceMarkerLeft,
                                        right),
                    right);
    }
}

void KVXStereoViewer::drawPointsPerEye(QPainter* p, const QRect& painted)
{
    if (m_points.empty())
        return;
    const int r = markerRadius(zoomFactor());
    const QRect reach = painted.adjusted(-r - 1, -r - 1, r + 1, r + 1);
    for (size_t i = 0; i < m_points.size(); ++i) {
        const GHomPt& pair = m_points[i];
        const bool dragged = int(i) == m_draggedPoint;
        // Emphasis only while editing: a selected point on a filled square, the highlighted
        // and the dragged one in a frame (the dragged one without its marker: the cursor sits
        // on it).
        const bool selected = m_pointEditing && m_points.isSelected(int(i)) && !dragged;
        const bool framed = m_pointEditing && (dragged || int(i) == m_points.highlighted());
        for (const bool right : {false, true}) {
            const GPoint2D& point = right ? pair.second : pair.first;
            if (!isFinite(point))
                continue;
            const QPoint c = right ? rightViewportPos(point) : leftViewportPos(point);
            if (!reach.contains(c))
                continue;
            if (selected)
                drawArt(p, Art::Square, 5, c, right);
            if (framed)
                drawArt(p, Art::Frame, r + 1, c, right);
            if (dragged)
                continue;
            if (right)
                drawRightMarker(p, c.x(), c.y());
            else
                drawLeftMarker(p, c.x(), c.y());
        }
    }
}
