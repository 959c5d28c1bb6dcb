#include "kvximgviewer.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace {

// The tool cursors: '#' black, '.' white, ' ' transparent.
// clang-format off
const char* const kRoiCursorArt[32] = {
    "       .#.                      ",
    "       .#.                      ",
    "       .#.                      ",
    "       .#.                      ",
    "       .#.                      ",
    "       .#.                      ",
    "       ...                      ",
    ".......   ........              ",
    "######.   .######.              ",
    ".......   ........              ",
    "       ...                      ",
    "       .#.                      ",
    "       .#.                      ",
    "       .#.   .................  ",
    "       .#.   .#.#.#.#.#.#.#.#.. ",
    "       .#.   ................#. ",
    "       .#.   .#.            ... ",
    "       ...   ...            .#. ",
    "             .#.            ... ",
    "             ...            .#. ",
    "             .#.            ... ",
    "             ...            .#. ",
    "             .#.            ... ",
    "             ...            .#. ",
    "             .#.            ... ",
    "             ................#. ",
    "             .#.#.#.#.#.#.#.#.. ",
    "             .................  ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
};
const char* const kPencilCursorArt[32] = {
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                     ...        ",
    "                    ..#..       ",
    "                   ..###..      ",
    "                  ..#####..     ",
    "                 ..#.#####..    ",
    "                ..#...#####.    ",
    "               ..#.....###..    ",
    "              ..#.......#..     ",
    "             ..#.......#..      ",
    "            ..#.......#..       ",
    "           ..#.......#..        ",
    "          ..#.......#..         ",
    "         ..#.......#..          ",
    "        ..#.......#..           ",
    "       ..#.......#..            ",
    "      ..#.......#..             ",
    "     ..##......#..              ",
    "     .#..#....#..               ",
    "     .#...#..#..                ",
    "     .#....##..                 ",
    "    ..#....#..                  ",
    "    .######..                   ",
    "    .##.....                    ",
    "    ....                        ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
};
const char* const kRulerCursorArt[32] = {
    "      .#.                       ",
    "      .#.                       ",
    "      .#.                       ",
    "      .#.                       ",
    "      .#.                       ",
    "      ...                       ",
    "......   .......                ",
    "#####.   .#####.                ",
    "......   .......                ",
    "      ...                       ",
    "      .#.                       ",
    "      .#.                       ",
    "      .#.                       ",
    "      .#.                       ",
    "      .#.                       ",
    "      ...                       ",
    "                                ",
    "           .....................",
    "           .###################.",
    "           .#.#.#.#.#.#.#.#.#.#.",
    "           .#.#.#.#.#.#.#.#.#.#.",
    "           .#.#...#...#...#...#.",
    "           .#.#...#...#...#...#.",
    "           .#.................#.",
    "           .#.................#.",
    "           .###################.",
    "           .....................",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
};
// clang-format on

// Only the first `rows` rows of the art are drawn; the rest of the cursor is transparent.
QCursor cursorFromArt(const char* const (&art)[32], int hotX, int hotY, int rows = 32)
{
    // X-bitmap order: 4 bytes per row, least significant bit first; 1 bits are black.
    uchar bits[32 * 4] = {};
    uchar mask[32 * 4] = {};
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < 32; ++x) {
            const char c = art[y][x];
            if (c == ' ')
                continue;
            const uchar bit = uchar(1u << (x & 7));
            mask[y * 4 + x / 8] |= bit;
            if (c == '#')
                bits[y * 4 + x / 8] |= bit;
        }
    }
    return QCursor(QBitmap::fromData(QSize(32, 32), bits, QImage::Format_MonoLSB),
                   QBitmap::fromData(QSize(32, 32), mask, QImage::Format_MonoLSB), hotX, hotY);
}

// qRound for values that may lie far outside int.
int roundClamped(double v)
{
    if (!(v == v))
        return 0;
    constexpr double limit = INT_MAX / 2;
    return qRound(std::clamp(v, -limit, limit));
}

int floorClamped(double v)
{
    if (!(v == v))
        return 0;
    constexpr double limit = INT_MAX / 2;
    return int(std::floor(std::clamp(v, -limit, limit)));
}

// A pen one device pixel wide (width 0) on screen.
QPen overlayPen(const QColor& color, int width)
{
    return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// Outlines exactly the pixels of r's border (with a one-pixel pen).
void drawOutline(QPainter* p, const QRect& r)
{
    if (r.width() == 1 || r.height() == 1)
        p->drawLine(r.topLeft(), r.bottomRight());
    else
        p->drawRect(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
}

[[noreturn]] void outOfMemory(int line)
{
    qFatal("Out of memory in kvximgviewer.cpp, line %d", line);
}

using kv::allocating;
using kv::isFinite;
using kv::validIndex;
using kv::WaitCursor;

} // namespace

bool kvFuzzyEqual(double a, double b)
{
    const double larger = std::max(std::fabs(a), std::fabs(b));
    if (larger < 1e-15)
        return true;
    return std::fabs(a - b) / larger < 1e-15;
}

bool kvFuzzyEqual(const GPoint2D& a, const GPoint2D& b)
{
    return kvFuzzyEqual(a(0), b(0)) && kvFuzzyEqual(a(1), b(1));
}

bool kvFuzzyEqual(const GHomPt& a, const GHomPt& b)
{
    return kvFuzzyEqual(a.first, b.first) && kvFuzzyEqual(a.second, b.second);
}

QPointF kvPointAlongPolyline(const std::vector<KVFPoint2D>& polyline, double position, double sx,
                             double sy)
{
    if (polyline.empty())
        return QPointF();
    const KVFPoint2D& first = polyline.front();
    if (!(position > 0.0))
        return QPointF(first.x, first.y);
    double before = 0.0;
    for (size_t i = 1; i < polyline.size(); ++i) {
        const KVFPoint2D& a = polyline[i - 1];
        const KVFPoint2D& b = polyline[i];
        const double length = std::hypot((b.x - a.x) * sx, (b.y - a.y) * sy);
        // A repeated vertex adds no length (and must not divide by zero).
        if (!(length >= 1e-15))
            continue;
        if (before + length >= position) {
            const double f = (position - before) / length;
            return QPointF(a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f);
        }
        before += length;
    }
    const KVFPoint2D& last = polyline.back();
    return QPointF(last.x, last.y);
}

KVXImgViewer::KVXImgViewer(QWidget* parent, const char* name, Qt::WindowFlags f)
    : KVImgViewer(parent, name, f)
{
    init();
}

KVXImgViewer::KVXImgViewer(const QImage& image, QWidget* parent, const char* name,
                           Qt::WindowFlags f)
    : KVImgViewer(image, parent, name, f)
{
    init();
}

KVXImgViewer::~KVXImgViewer() = default;

void KVXImgViewer::init()
{
    m_roiCursor = cursorFromArt(kRoiCursorArt, 8, 8);
    m_pencilCursor = cursorFromArt(kPencilCursorArt, 5, 26);
    m_rulerCursor = cursorFromArt(kRulerCursorArt, 7, 7);
    // The cross is the ruler cursor's upper half.
    m_crossCursor = cursorFromArt(kRulerCursorArt, 7, 7, 16);
    m_mode = ViewMode;
    viewport()->setCursor(Qt::ArrowCursor);
    viewport()->setMouseTracking(true);
}

// ---- queries --------------------------------------------------------------------------------

void KVXImgViewer::roi(int* left, int* right, int* top, int* bottom) const
{
    if (left)
        *left = m_roiLeft;
    if (right)
        *right = m_roiRight;
    if (top)
        *top = m_roiTop;
    if (bottom)
        *bottom = m_roiBottom;
}

QPolygon KVXImgViewer::polylinePoints() const
{
    QPolygon result;
    for (const KVFPoint2D& point : m_polyline)
        result << QPoint(roundClamped(point.x), roundClamped(point.y));
    return result;
}

bool KVXImgViewer::hasPolyline() const
{
    return !m_polyline.empty();
}

bool KVXImgViewer::hasRoi() const
{
    return !roiScreenRect().isEmpty();
}

bool KVXImgViewer::hasMeasureLine() const
{
    return m_measureStart != m_measureEnd;
}

GPoint2DVector KVXImgViewer::boundaryPoints() const
{
    return m_boundaryPoints;
}

bool KVXImgViewer::hasPoints() const
{
    return !m_points.empty();
}

bool KVXImgViewer::hasShownMatchPoints() const
{
    return m_matchPointsEnabled && !m_matchPoints.empty();
}

bool KVXImgViewer::hasSelectedMatchPoints() const
{
    return hasShownMatchPoints() && m_matchPoints.selectedCount() != 0;
}

bool KVXImgViewer::hasShownBoundary() const
{
    return m_boundaryEnabled && !m_boundaryPoints.empty();
}

bool KVXImgViewer::hasMatchPoints() const
{
    return !m_matchPoints.empty();
}

const GPoint2DVector& KVXImgViewer::points() const
{
    ensurePointGrid();
    return m_points.list();
}

const GPoint2DVector& KVXImgViewer::matchPoints() const
{
    ensureMatchPointGrid();
    return m_matchPoints.list();
}

bool KVXImgViewer::isPointSelected(int nr) const
{
    return m_points.isSelected(nr);
}

bool KVXImgViewer::isMatchPointSelected(int nr) const
{
    return m_matchPoints.isSelected(nr);
}

void KVXImgViewer::setPixelSize(double x, double y)
{
    m_pixelSize = GPoint2D(x, y);
    if (m_polyMarkerEnabled || m_referenceMarkerEnabled)
        viewport()->update();
}

void KVXImgViewer::setPixelSize(const GPoint2D& pixelSize)
{
    setPixelSize(pixelSize(0), pixelSize(1));
}

QPointF KVXImgViewer::imagePoint(const QPoint& viewportPos) const
{
    const double z = zoomFactor();
    return QPointF((contentsX() + viewportPos.x()) / z, (contentsY() + viewportPos.y()) / z);
}

QPoint KVXImgViewer::viewportPoint(double x, double y) const
{
    const double z = zoomFactor();
    return QPoint(roundClamped(x * z) - contentsX(), roundClamped(y * z) - contentsY());
}

int KVXImgViewer::overlayPenWidth(QPainter* p) const
{
    const QPaintDevice* device = outputDevice(p);
    if (!device || device->devType() != QInternal::Printer || device->widthMM() <= 0)
        return 0;
    return qRound(device->width() / double(device->widthMM()) * 0.25);
}

// ---- modes ----------------------------------------------------------------------------------

void KVXImgViewer::setViewMode()
{
    setMode(ViewMode);
}

void KVXImgViewer::setRoiMode()
{
    setMode(RoiMode);
}

void KVXImgViewer::setZoomMode()
{
    setMode(ZoomMode);
}

void KVXImgViewer::setLineMeasureMode()
{
    setMode(LineMeasureMode);
}

void KVXImgViewer::setPointMeasureMode()
{
    setMode(PointMeasureMode);
}

void KVXImgViewer::cancelOperation()
{
    if (m_mode != PointDragMode)
        return;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &escape);
}

void KVXImgViewer::setPolylineMode()
{
    m_polygon = false;
    setMode(PolylineMode);
}

void KVXImgViewer::setPolygonMode()
{
    m_polygon = true;
    setMode(PolylineMode);
}

void KVXImgViewer::setMode(KVImgViewer::Mode mode)
{
    if (mode == m_mode)
        return;
    if (mode == PanMode) {
        m_savedCursor = viewport()->cursor();
        const QPoint pos = viewport()->mapFromGlobal(QCursor::pos());
        m_panLastX = pos.x();
        m_panLastY = pos.y();
    }
    m_previousMode = m_mode;
    m_mode = mode;
    emit modeChanged(mode);
    switch (mode) {
    case ViewMode:
        viewport()->setCursor(Qt::ArrowCursor);
        break;
    case RoiMode:
    case RoiTracking:
    case ZoomMode:
    case ZoomTracking:
        viewport()->setCursor(m_roiCursor);
        break;
    case PolylineMode:
    case PolylineTracking:
        viewport()->setCursor(m_pencilCursor);
        break;
    case PanMode:
        viewport()->setCursor(Qt::SizeAllCursor);
        break;
    case LineMeasureMode:
    case LineMeasureTracking:
        viewport()->setCursor(m_rulerCursor);
        break;
    case PointMeasureMode:
        viewport()->setCursor(m_crossCursor);
        break;
    default:
        // The point drag and the modes of derived viewers keep the cursor they have.
        break;
    }
}

// ---- region of interest ---------------------------------------------------------------------

QRect KVXImgViewer::roiScreenRect() const
{
    if (m_roiLeft > m_roiRight || m_roiTop > m_roiBottom)
        return QRect();
    const double z = zoomFactor();
    const int left = std::max(roundClamped(m_roiLeft * z), 0);
    const int top = std::max(roundClamped(m_roiTop * z), 0);
    const int right = std::min(roundClamped((m_roiRight + 1.0) * z) - 1, contentsWidth() - 1);
    const int bottom = std::min(roundClamped((m_roiBottom + 1.0) * z) - 1, contentsHeight() - 1);
    if (left > right || top > bottom)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom)).translated(-contentsX(), -contentsY());
}

void KVXImgViewer::updateFrame(const QRect& frame)
{
    if (frame.isEmpty())
        return;
    // The frame and its black outline: a band of a few pixels along the rectangle's border.
    const QRegion outer(frame.adjusted(-2, -2, 2, 2));
    const QRect inner = frame.adjusted(2, 2, -2, -2);
    viewport()->update(inner.isEmpty() ? outer : outer.subtracted(QRegion(inner)));
}

void KVXImgViewer::setRoi(int left, int right, int top, int bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, imageWidth() - 1);
    bottom = std::min(bottom, imageHeight() - 1);
    if (left == m_roiLeft && right == m_roiRight && top == m_roiTop && bottom == m_roiBottom)
        return;
    if ((left > right && m_roiLeft > m_roiRight) || (top > bottom && m_roiTop > m_roiBottom))
        return;
    m_roiLeft = left;
    m_roiRight = right;
    m_roiTop = top;
    m_roiBottom = bottom;
    emit roiChanged(left, top, right, bottom);
    viewport()->update();
}

void KVXImgViewer::clearRoi()
{
    setRoi(0, -1, 0, -1);
}

void KVXImgViewer::pressRoi(const QPoint& pos)
{
    const QRect oldFrame = roiScreenRect();
    setMode(RoiTracking);
    const QPointF p = imagePoint(pos);
    m_roiAnchorX = floorClamped(p.x());
    m_roiAnchorY = floorClamped(p.y());
    m_roiLeft = m_roiRight = m_roiAnchorX;
    m_roiTop = m_roiBottom = m_roiAnchorY;
    updateFrame(oldFrame);
    updateFrame(roiScreenRect());
    removeAllSlavePolylines();
    emit roiTracked(m_roiAnchorX, m_roiAnchorY, m_roiAnchorX, m_roiAnchorY);
}

void KVXImgViewer::moveRoi(const QPoint& pos)
{
    const QRect oldFrame = roiScreenRect();
    const QPointF p = imagePoint(pos);
    const int x = floorClamped(p.x());
    const int y = floorClamped(p.y());
    // Dragging left or up leaves the anchor pixel out, so that the region starts where the
    // pointer is and ends before the anchor.
    if (m_roiAnchorX <= x) {
        m_roiLeft = m_roiAnchorX;
        m_roiRight = x;
    } else {
        m_roiLeft = x;
        m_roiRight = m_roiAnchorX - 1;
    }
    if (m_roiAnchorY <= y) {
        m_roiTop = m_roiAnchorY;
        m_roiBottom = y;
    } else {
        m_roiTop = y;
        m_roiBottom = m_roiAnchorY - 1;
    }
    updateFrame(oldFrame);
    updateFrame(roiScreenRect());
    emit roiTracked(m_roiAnchorX, m_roiAnchorY, p.x(), p.y());
}

void KVXImgViewer::releaseRoi()
{
    setMode(RoiMode);
    const QRect s = roiScreenRect();
    if (s.isEmpty()) {
        // Too small to cover a screen pixel at this zoom: report the region as it is.
        emit roiChanged(m_roiLeft, m_roiTop, m_roiRight, m_roiBottom);
        return;
    }
    const double z = zoomFactor();
    const int ox = contentsX();
    const int oy = contentsY();
    emit roiChanged(roundClamped((ox + s.left()) / z), roundClamped((oy + s.top()) / z),
                    roundClamped((ox + s.right()) / z - 0.5),
                    roundClamped((oy + s.bottom()) / z - 0.5));
}

// ---- zoom rectangle -------------------------------------------------------------------------

void KVXImgViewer::pressZoom(const QPoint& pos)
{
    setMode(ZoomTracking);
    m_zoomStartX = pos.x();
    m_zoomStartY = pos.y();
    const QRect old = m_zoomRect;
    m_zoomRect = QRect(pos, pos);
    updateFrame(old);
    updateFrame(m_zoomRect);
    const QPointF p = imagePoint(pos);
    emit zoomTracked(p.x(), p.y(), p.x(), p.y());
}

void KVXImgViewer::moveZoom(const QPoint& pos)
{
    QRect r(QPoint(std::min(m_zoomStartX, pos.x()), std::min(m_zoomStartY, pos.y())),
            QPoint(std::max(m_zoomStartX, pos.x()), std::max(m_zoomStartY, pos.y())));
    r.setLeft(std::max(r.left(), 0));
    r.setTop(std::max(r.top(), 0));
    r.setRight(std::min(r.right(), visibleWidth() - 1));
    r.setBottom(std::min(r.bottom(), visibleHeight() - 1));
    if (r.left() > r.right() || r.top() > r.bottom())
        r = QRect();
    const QRect old = m_zoomRect;
    m_zoomRect = r;
    updateFrame(old);
    updateFrame(m_zoomRect);
    if (r.isEmpty())
        return;
    const QPointF a = imagePoint(r.topLeft());
    const QPointF b = imagePoint(r.bottomRight());
    emit zoomTracked(a.x(), a.y(), b.x(), b.y());
}

void KVXImgViewer::releaseZoom()
{
    setMode(ZoomMode);
    const QRect r = m_zoomRect;
    const double z = zoomFactor();
    const double left = (contentsX() + r.left()) / z;
    const double right = (contentsX() + r.right() + 1) / z;
    const double top = (contentsY() + r.top()) / z;
    const double bottom = (contentsY() + r.bottom() + 1) / z;
    m_zoomRect = QRect();
    updateFrame(r);
    // A click without a drag does not zoom.
    if (r.width() >= 2 && r.height() >= 2)
        zoomWindow(left, top, right - left, bottom - top);
}

// ---- polyline -------------------------------------------------------------------------------

void KVXImgViewer::setPolyline(const QPolygon& polyline)
{
    if (size_t(polyline.size()) == m_polyline.size()
        && std::equal(
                polyline.cbegin(), polyline.cend(), m_polyline.cbegin(),
                [](const QPoint& a, const KVFPoint2D& b) { return a.x() == b.x && a.y() == b.y; }))
        return;
    std::vector<KVFPoint2D> points;
    try {
        points.reserve(size_t(polyline.size()));
    } catch (const std::bad_alloc&) {
        outOfMemory(__LINE__);
    }
    for (const QPoint& p : polyline)
        points.emplace_back(p.x(), p.y());
    m_polyline.swap(points);
    emit polyLineChanged();
    viewport()->update();
}

void KVXImgViewer::setPolyline(const GPoint2DVector& polyline)
{
    QPolygon points;
    if (!allocating([&] { points.reserve(qsizetype(polyline.size())); }))
        return;
    for (const GPoint2D& p : polyline)
        points << QPoint(roundClamped(p(0)), roundClamped(p(1)));
    setPolyline(points);
}

void KVXImgViewer::clearPolyline()
{
    m_polyline.clear();
    viewport()->update();
    emit polyLineChanged();
}

void KVXImgViewer::deleteLastPolylinePoint()
{
    if (!m_polyline.empty())
        m_polyline.pop_back();
    viewport()->update();
}

void KVXImgViewer::appendPolylinePoint(const QPointF& p)
{
    try {
        m_polyline.emplace_back(p.x(), p.y());
    } catch (const std::bad_alloc&) {
        outOfMemory(__LINE__);
    }
}

QPointF KVXImgViewer::roundedImagePoint(const QPoint& viewportPos) const
{
    const QPointF p = imagePoint(viewportPos);
    return QPointF(roundClamped(p.x()), roundClamped(p.y()));
}

void KVXImgViewer::pressPolyline(const QPoint& pos)
{
    setMode(PolylineTracking);
    m_polyline.clear();
    const QPointF p = roundedImagePoint(pos);
    // The first vertex and the end that follows the pointer.
    removeAllSlavePolylines();
    appendPolylinePoint(p);
    appendPolylinePoint(p);
    m_polyMarkerEnabled = false;
    m_referenceMarkerEnabled = false;
    viewport()->update();
}

void KVXImgViewer::addPolylineVertex(const QPoint& pos, bool keepDrawing)
{
    const QPointF p = roundedImagePoint(pos);
    if (!m_polyline.empty())
        m_polyline.pop_back();
    if (m_polyline.empty() || !kvFuzzyEqual(m_polyline.back().x, p.x())
        || !kvFuzzyEqual(m_polyline.back().y, p.y()))
        appendPolylinePoint(p);
    if (keepDrawing) {
        appendPolylinePoint(p);
        viewport()->update();
    }
}

QRect KVXImgViewer::polylineSegmentRect() const
{
    if (m_polyline.empty())
        return QRect();
    const KVFPoint2D& end = m_polyline.back();
    const KVFPoint2D& from = m_polyline.size() > 1 ? m_polyline[m_polyline.size() - 2] : end;
    const QPoint a = viewportPoint(from.x, from.y);
    const QPoint b = viewportPoint(end.x, end.y);
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
            .adjusted(-2, -2, 2, 2);
}

void KVXImgViewer::movePolyline(const QPoint& pos)
{
    if (m_polyline.empty())
        return;
    const QRect before = polylineSegmentRect();
    const QPointF p = roundedImagePoint(pos);
    m_polyline.back() = KVFPoint2D(p.x(), p.y());
    viewport()->update(before.united(polylineSegmentRect()));
}

void KVXImgViewer::finishPolyline()
{
    setMode(PolylineMode);
    // A polygon gets its closing edge now.
    if (m_polygon)
        viewport()->update();
    emit polyLineChanged();
}

// ---- poly marker ----------------------------------------------------------------------------

QPoint KVXImgViewer::markerPoint(double position) const
{
    if (m_polyline.empty())
        return QPoint(0, 0);
    const QPointF p = kvPointAlongPolyline(m_polyline, position, m_pixelSize(0), m_pixelSize(1));
    return viewportPoint(p.x(), p.y());
}

void KVXImgViewer::setPolyMarker(double markerPos)
{
    const QPoint old = markerPoint(m_polyMarkerPos);
    m_polyMarkerPos = markerPos;
    if (!m_polyMarkerEnabled)
        return;
    viewport()->update(QRect(old.x() - 4, old.y() - 4, 9, 9));
    const QPoint now = markerPoint(m_polyMarkerPos);
    viewport()->update(QRect(now.x() - 4, now.y() - 4, 9, 9));
}

void KVXImgViewer::enablePolyReferenzMarker(bool yesOrNo)
{
    if (yesOrNo == m_referenceMarkerEnabled)
        return;
    // The reference freezes the marker's place; without a marker there is nothing to freeze.
    if (yesOrNo && !m_polyMarkerEnabled)
        return;
    m_referenceMarkerEnabled = yesOrNo;
    m_referenceMarkerPos = m_polyMarkerPos;
    viewport()->update();
}

void KVXImgViewer::enablePolyMarker(bool yesOrNo)
{
    if (yesOrNo == m_polyMarkerEnabled)
        return;
    m_polyMarkerEnabled = yesOrNo;
    viewport()->update();
}

// ---- measuring line -------------------------------------------------------------------------

QRect KVXImgViewer::measureLineRect() const
{
    const QPoint a = viewportPoint(m_measureStart.x(), m_measureStart.y());
    const QPoint b = viewportPoint(m_measureEnd.x(), m_measureEnd.y());
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
            .adjusted(-2, -2, 2, 2);
}

void KVXImgViewer::pressMeasure(const QPoint& pos)
{
    const QPointF p = roundedImagePoint(pos);
    m_measureStart = p;
    m_measureEnd = p;
    emit measureLineReset();
    setMode(LineMeasureTracking);
    m_measureRect = measureLineRect();
    viewport()->update();
}

void KVXImgViewer::moveMeasure(const QPoint& pos)
{
    m_measureEnd = roundedImagePoint(pos);
    const QRect now = measureLineRect();
    viewport()->update(m_measureRect.united(now));
    m_measureRect = now;
}

void KVXImgViewer::finishMeasure(const QPoint& pos)
{
    const QPointF p = roundedImagePoint(pos);
    m_measureEnd = p;
    emit distanceInPixel(std::fabs(p.x() - m_measureStart.x()),
                         std::fabs(p.y() - m_measureStart.y()));
    setMode(LineMeasureMode);
    viewport()->update();
}

void KVXImgViewer::clearMeasureLine()
{
    if (!hasMeasureLine())
        return;
    m_measureStart = QPointF();
    m_measureEnd = QPointF();
    m_measureRect = QRect();
    viewport()->update();
    emit measureLineReset();
}

// ---- points and match points ----------------------------------------------------------------

int kvPointRadius(double zoom)
{
    return std::clamp(roundClamped(4.0 * zoom), 2, 5);
}

int kvMatchPointRadius(double zoom)
{
    return std::min(roundClamped(4.0 * zoom), 10);
}

int kvPickPoint(const GPoint2DVector& list, const GPoint2D& at, double distance)
{
    if (list.empty() || !(distance > 0.0))
        return -1;
    const std::vector<int> near = list.pointsNear(at, distance);
    if (near.empty())
        return -1;
    return list.nearestPoint(at, &near);
}

GRect2D KVXImgViewer::imageArea() const
{
    return GRect2D(0.0, 0.0, imageWidth(), imageHeight());
}

namespace {

// Rebuilds a list's grid when the list changed or the image has another size now.
void refreshGrid(KVPointList<GPoint2DVector>& list, const GRect2D& area, int cells)
{
    const GRect2D& built = list.list().gridArea;
    if (!list.isGridStale() && built.corner2(0) == area.corner2(0)
        && built.corner2(1) == area.corner2(1))
        return;
    list.rebuildGrid(area, cells);
}

} // namespace

void KVXImgViewer::ensurePointGrid() const
{
    refreshGrid(m_points, imageArea(), 10);
}

void KVXImgViewer::ensureMatchPointGrid() const
{
    refreshGrid(m_matchPoints, imageArea(), 20);
}

QRect KVXImgViewer::pointArea(const GPoint2D& point, int radius) const
{
    if (!isFinite(point))
        return QRect();
    const QPoint c = viewportPoint(point(0), point(1));
    return QRect(c.x() - radius - 1, c.y() - radius - 1, 2 * radius + 3, 2 * radius + 3);
}

void KVXImgViewer::updatePoint(int nr)
{
    if (!validIndex(nr, m_points.size()))
        return;
    const QRect area = pointArea(m_points[size_t(nr)], kvPointRadius(zoomFactor()));
    if (!area.isEmpty())
        viewport()->update(area);
}

void KVXImgViewer::updateMatchPoint(int nr)
{
    if (!validIndex(nr, m_matchPoints.size()))
        return;
    const QRect area = pointArea(m_matchPoints[size_t(nr)], kvMatchPointRadius(zoomFactor()));
    if (!area.isEmpty())
        viewport()->update(area);
}

void KVXImgViewer::setMatchPoints(const GPoint2DVector& matchPoints)
{
    if (m_matchPoints.assign(matchPoints) && m_matchPointsEnabled)
        viewport()->update();
}

void KVXImgViewer::setMatchPoints2(const GPoint2DVector& matchPoints)
{
    if (&matchPoints != &m_secondMatchPoints) {
        GPoint2DVector copy;
        if (!allocating([&] { copy = matchPoints; }))
            return;
        m_secondMatchPoints = std::move(copy);
    }
    m_secondMatchPoints.buildGrid(imageArea(), 20, 20);
    if (m_matchPointsEnabled)
        viewport()->update();
}

void KVXImgViewer::addMatchPoint(const GPoint2D& point)
{
    WaitCursor wait;
    if (m_matchPoints.append(point) && m_matchPointsEnabled)
        updateMatchPoint(int(m_matchPoints.size()) - 1);
}

void KVXImgViewer::addMatchPoints(const GPoint2DVector& points)
{
    if (points.empty())
        return;
    WaitCursor wait;
    const int first = m_matchPoints.append(points);
    if (first >= 0 && m_matchPointsEnabled)
        m_matchPoints.repaintFrom(
                first, [this](int i) { updateMatchPoint(i); }, [this] { viewport()->update(); });
}

void KVXImgViewer::deleteMatchPoint(int nr)
{
    if (!m_matchPoints.contains(nr))
        return;
    WaitCursor wait;
    updateMatchPoint(nr);
    m_matchPoints.erase(nr);
}

void KVXImgViewer::deleteAllMatchPoints()
{
    const bool hadPoints = !m_matchPoints.empty();
    m_matchPoints.clear();
    m_secondMatchPoints.clear();
    m_secondMatchPoints.buildGrid(imageArea(), 20, 20);
    if (hadPoints && m_matchPointsEnabled)
        viewport()->update();
}

void KVXImgViewer::deleteSelectedMatchPoints()
{
    if (m_matchPoints.selectedCount() == 0)
        return;
    WaitCursor wait;
    m_matchPoints.eraseSelected([this](int i) { updateMatchPoint(i); });
}

void KVXImgViewer::selectMatchPoint(int nr, bool select)
{
    selectMatchPoint(nr, select, true);
}

void KVXImgViewer::selectMatchPoint(int nr, bool select, bool exclusive)
{
    if (!m_matchPoints.select(nr, select, exclusive,
                              [this](int i) { selectMatchPoint(i, false, false); }))
        return;
    updateMatchPoint(nr);
    emit matchPointSelectionChanged(nr, select);
}

void KVXImgViewer::selectAllMatchPoints(bool yesOrNo)
{
    if (m_matchPoints.selectAll(
                yesOrNo, [this](int i) { updateMatchPoint(i); }, [this] { viewport()->update(); }))
        emit matchPointSelectionChanged(-1, yesOrNo);
}

void KVXImgViewer::enableMatchPoints(bool yesOrNo)
{
    m_matchPointsEnabled = yesOrNo;
    viewport()->update();
}

void KVXImgViewer::enableMatchPointEditing(bool yesOrNo)
{
    m_matchPointEditing = yesOrNo;
}

void KVXImgViewer::highlightMatchPoint(int nr)
{
    if (m_matchPoints.highlight(nr, [this](int i) { updateMatchPoint(i); }))
        emit matchPointHighlighted(nr);
}

void KVXImgViewer::setBoundaryLine(const GPoint2DVector& boundaryPoints)
{
    if (&boundaryPoints != &m_boundaryPoints) {
        GPoint2DVector copy;
        if (!allocating([&] { copy = boundaryPoints; }))
            return;
        m_boundaryPoints = std::move(copy);
    }
    if (m_boundaryEnabled)
        viewport()->update();
}

void KVXImgViewer::enableBoundaryLine(bool yesOrNo)
{
    m_boundaryEnabled = yesOrNo;
    viewport()->update();
}

int KVXImgViewer::addSlavePolyline(const QPolygon& polyline)
{
    // Keys count up from 1; after INT_MAX they start again at the first free one.
    int key = m_lastSlaveKey < INT_MAX ? m_lastSlaveKey + 1 : 1;
    while (m_slavePolylines.count(key) != 0)
        key = key < INT_MAX ? key + 1 : 1;
    if (!allocating([&] { m_slavePolylines.emplace(key, polyline); }))
        return 0;
    m_lastSlaveKey = key;
    viewport()->update();
    return key;
}

void KVXImgViewer::removeSlavePolyline(int key)
{
    if (m_slavePolylines.erase(key) != 0)
        viewport()->update();
}

void KVXImgViewer::removeAllSlavePolylines()
{
    if (m_slavePolylines.empty())
        return;
    m_slavePolylines.clear();
    viewport()->update();
}

void KVXImgViewer::enableSlavePolylines(bool yesOrNo)
{
    if (yesOrNo == m_slavePolylinesEnabled)
        return;
    m_slavePolylinesEnabled = yesOrNo;
    viewport()->update();
}

void KVXImgViewer::setSlavePolylineWidth(int width)
{
    m_slavePolylineWidth = width;
}

void KVXImgViewer::addPoint(const GPoint2D& point)
{
    if (!m_points.append(point))
        return;
    const int nr = int(m_points.size()) - 1;
    updatePoint(nr);
    emit newPointSet(m_points[size_t(nr)](0), m_points[size_t(nr)](1));
}

void KVXImgViewer::replacePoint(int nr, double x, double y)
{
    if (m_points.replace(nr, GPoint2D(x, y), [this](int i) { updatePoint(i); }))
        emit pointChanged(nr, x, y);
}

void KVXImgViewer::deletePoint(int nr)
{
    if (!m_points.contains(nr))
        return;
    updatePoint(nr);
    m_points.erase(nr);
    m_points.adjustAfterRemoval(m_draggedPoint, nr);
    emit pointDeleted(nr);
}

void KVXImgViewer::selectPoint(int nr, bool select)
{
    selectPoint(nr, select, true);
}

void KVXImgViewer::selectPoint(int nr, bool select, bool exclusive)
{
    if (!m_points.select(nr, select, exclusive, [this](int i) { selectPoint(i, false, false); }))
        return;
    updatePoint(nr);
    emit pointSelectionChanged(nr, select);
}

void KVXImgViewer::selectAllPoints(bool yesOrNo)
{
    if (m_points.selectAll(
                yesOrNo, [this](int i) { updatePoint(i); }, [this] { viewport()->update(); }))
        emit pointSelectionChanged(-1, yesOrNo);
}

void KVXImgViewer::enablePointEditing(bool yesOrNo)
{
    if (yesOrNo == m_pointEditing)
        return;
    m_pointEditing = yesOrNo;
    // Selected and highlighted points are emphasised only while editing.
    if (m_points.hasEmphasis() || m_draggedPoint != -1)
        viewport()->update();
}

void KVXImgViewer::highlightPoint(int nr)
{
    if (m_points.highlight(nr, [this](int i) { updatePoint(i); }))
        emit pointHighlighted(nr);
}

void KVXImgViewer::dragPoint(int nr)
{
    if (!validIndex(nr, m_points.size()))
        return;
    const QPointF p = imagePoint(m_lastMousePos);
    replacePoint(nr, p.x(), p.y());
}

void KVXImgViewer::pickUnderMouse(const QPoint& pos)
{
    const QPointF p = imagePoint(pos);
    const GPoint2D at(p.x(), p.y());
    // Five screen pixels, whatever the zoom.
    const double distance = 5.0 / zoomFactor();
    if (m_pointEditing && !m_points.empty()) {
        ensurePointGrid();
        highlightPoint(kvPickPoint(m_points.list(), at, distance));
    }
    if (m_matchPointEditing && m_matchPointsEnabled && !m_matchPoints.empty()) {
        // A point wins over a match point at the same place.
        if (m_points.contains(m_points.highlightedIndex())) {
            highlightMatchPoint(-1);
        } else {
            ensureMatchPointGrid();
            highlightMatchPoint(kvPickPoint(m_matchPoints.list(), at, distance));
        }
    }
}

void KVXImgViewer::releasePoint(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const int point = m_points.highlightedIndex();
    if (m_pointEditing && m_points.contains(point)) {
        selectPoint(point, shift ? !m_points.isSelected(point) : true, !shift);
        if (!shift)
            selectAllMatchPoints(false);
        m_points.markHighlightClicked(point);
        return;
    }
    const int match = m_matchPoints.highlightedIndex();
    if (m_matchPointEditing && m_matchPoints.contains(match)) {
        selectMatchPoint(match, shift ? !m_matchPoints.isSelected(match) : true, !shift);
        if (!shift)
            selectAllPoints(false);
        m_matchPoints.markHighlightClicked(match);
        return;
    }
    if (shift)
        return;
    const QPointF p = imagePoint(pos);
    addPoint(GPoint2D(p.x(), p.y()));
}

void KVXImgViewer::placeCursorOn(const GPoint2D& point)
{
    if (!isFinite(point))
        return;
    const QPoint pos = viewportPoint(point(0), point(1));
    m_lastMousePos = pos;
    QCursor::setPos(viewport()->mapToGlobal(pos));
}

void KVXImgViewer::startPointDrag()
{
    const int nr = m_points.highlightedIndex();
    if (m_dragState == 0)
        m_dragState = 1;
    const GPoint2D origin = m_points[size_t(nr)];
    placeCursorOn(origin);
    viewport()->setCursor(Qt::BlankCursor);
    m_draggedPoint = nr;
    m_dragOrigin = origin;
    setMode(PointDragMode);
    viewport()->setFocus(Qt::OtherFocusReason);
    updatePoint(nr);
}

void KVXImgViewer::endPointDrag()
{
    const int nr = m_draggedPoint;
    const int state = m_dragState;
    m_draggedPoint = -1;
    m_dragState = 0;
    setMode(PointMeasureMode);
    if (!validIndex(nr, m_points.size()))
        return;
    if (state == -2) {
        // The point was a match point copied for the drag: it goes back to the match points.
        deletePoint(nr);
        addMatchPoint(m_dragOrigin);
        placeCursorOn(m_dragOrigin);
        return;
    }
    if (state == -1)
        replacePoint(nr, m_dragOrigin(0), m_dragOrigin(1));
    if (!validIndex(nr, m_points.size()))
        return;
    placeCursorOn(m_points[size_t(nr)]);
    selectPoint(nr, false, false);
    updatePoint(nr);
}

bool KVXImgViewer::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::Leave && m_mode == PointMeasureMode) {
        highlightPoint(-1);
        highlightMatchPoint(-1);
    }
    return KVImgViewer::viewportEvent(e);
}

// ---- mouse and keys -------------------------------------------------------------------------

void KVXImgViewer::startPan(const QPoint& pos)
{
    setMode(PanMode);
    // The press itself is where the drag starts.
    m_panLastX = pos.x();
    m_panLastY = pos.y();
}

void KVXImgViewer::deliverMouseEvent(QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                                     Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    QMouseEvent event(type, QPointF(pos), QPointF(viewport()->mapToGlobal(pos)), button, buttons,
                      modifiers);
    QCoreApplication::sendEvent(viewport(), &event);
}

void KVXImgViewer::mousePressEvent(QMouseEvent* e)
{
    // One gesture at a time.
    if (m_pressedButton != 0)
        return;
    m_pressedButton = int(e->button());
    m_releaseEndsDoubleClick = false;
    const QPoint pos = e->position().toPoint();
    const Qt::MouseButton button = e->button();
    const bool left = button == Qt::LeftButton;
    switch (m_mode) {
    case RoiMode:
        if (left) {
            pressRoi(pos);
            return;
        }
        break;
    case ZoomMode:
        if (left) {
            pressZoom(pos);
            return;
        }
        break;
    case PolylineMode:
        if (left) {
            pressPolyline(pos);
            return;
        }
        break;
    case PolylineTracking:
        if (left || button == Qt::MiddleButton)
            addPolylineVertex(pos, left);
        return;
    case LineMeasureMode:
        if (left) {
            pressMeasure(pos);
            return;
        }
        break;
    case LineMeasureTracking:
        if (left)
            finishMeasure(pos);
        return;
    default:
        break;
    }

    if (button != Qt::MiddleButton)
        return;
    switch (m_mode) {
    case ViewMode:
    case RoiMode:
    case ZoomMode:
    case PolylineMode:
    case LineMeasureMode:
    case PointMeasureMode:
    case PointDragMode:
        if (contentsHeight() > visibleHeight() || contentsWidth() > visibleWidth())
            startPan(pos);
        break;
    default:
        break;
    }
}

void KVXImgViewer::mouseMoveEvent(QMouseEvent* e)
{
    if (!viewport()->hasFocus())
        viewport()->setFocus(Qt::MouseFocusReason);
    const QPoint pos = e->position().toPoint();
    switch (m_mode) {
    case RoiTracking:
        moveRoi(pos);
        break;
    case ZoomTracking:
        moveZoom(pos);
        break;
    case PolylineTracking:
        movePolyline(pos);
        break;
    case PanMode:
        scrollBy(m_panLastX - pos.x(), m_panLastY - pos.y());
        m_panLastX = pos.x();
        m_panLastY = pos.y();
        break;
    case LineMeasureTracking:
        moveMeasure(pos);
        break;
    case PointMeasureMode:
        m_lastMousePos = pos;
        pickUnderMouse(pos);
        break;
    case PointDragMode:
        m_lastMousePos = pos;
        dragPoint(m_draggedPoint);
        break;
    default: {
        const QPointF p = imagePoint(pos);
        emit cursorPos(p.x(), p.y());
        break;
    }
    }
}

void KVXImgViewer::mouseReleaseEvent(QMouseEvent* e)
{
    if (int(e->button()) != m_pressedButton)
        return;
    m_pressedButton = 0;
    const bool endsDoubleClick = m_releaseEndsDoubleClick;
    m_releaseEndsDoubleClick = false;
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::RightButton) {
        emit rightButtonClicked(viewport()->mapToGlobal(pos));
        return;
    }
    const bool left = e->button() == Qt::LeftButton;
    if (left)
        emit leftButtonClicked(viewport()->mapToGlobal(pos));
    switch (m_mode) {
    case RoiTracking:
        if (left)
            releaseRoi();
        break;
    case ZoomTracking:
        if (left)
            releaseZoom();
        break;
    case PolylineTracking:
        if (e->button() == Qt::MiddleButton)
            finishPolyline();
        break;
    case PanMode:
        setMode(m_previousMode);
        viewport()->setCursor(m_savedCursor);
        break;
    case PointMeasureMode:
        // The second click of a double click has done its work in the double-click handler;
        // it must not add a point or select once more.
        if (left && !endsDoubleClick)
            releasePoint(pos, e->modifiers());
        break;
    default:
        break;
    }
}

void KVXImgViewer::mouseDoubleClickEvent(QMouseEvent* e)
{
    // Escape ends a drag with a double click without a button, whatever gesture runs.
    if (m_mode == PointDragMode && e->button() == Qt::NoButton) {
        endPointDrag();
        return;
    }
    if (m_pressedButton != 0)
        return;
    m_pressedButton = int(e->button());
    if (m_mode == PointMeasureMode) {
        m_releaseEndsDoubleClick = true;
        const int nr = m_points.highlightedIndex();
        if (e->button() == Qt::LeftButton && m_pointEditing && m_points.contains(nr))
            startPointDrag();
        return;
    }
    if (m_mode == PointDragMode) {
        m_releaseEndsDoubleClick = true;
        endPointDrag();
        return;
    }
    const bool leftOrMiddle = e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton;
    if (m_mode == PolylineTracking && leftOrMiddle) {
        // Finish exactly like a middle click at this place.
        if (!m_polyline.empty())
            m_polyline.pop_back();
        const QPoint pos = e->position().toPoint();
        m_pressedButton = 0;
        deliverMouseEvent(QEvent::MouseButtonPress, pos, Qt::MiddleButton, Qt::MiddleButton,
                          e->modifiers());
        deliverMouseEvent(QEvent::MouseButtonRelease, pos, Qt::MiddleButton, Qt::NoButton,
                          e->modifiers());
    }
}

void KVXImgViewer::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_U:
    case Qt::Key_W:
    case Qt::Key_E:
    case Qt::Key_I:
        KVImgViewer::keyPressEvent(e);
        return;
    case Qt::Key_Escape:
        if (m_mode == PointDragMode) {
            // The double click that ends the drag sees the negated state and undoes the drag.
            m_dragState = -m_dragState;
            deliverMouseEvent(QEvent::MouseButtonDblClick,
                              viewport()->mapFromGlobal(QCursor::pos()), Qt::NoButton,
                              QGuiApplication::mouseButtons(), e->modifiers());
            e->accept();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (m_mode == PolylineTracking) {
            // Dropping the moving end and moving the last vertex to the pointer removes that
            // vertex from the line being drawn.
            deleteLastPolylinePoint();
            deliverMouseEvent(QEvent::MouseMove, viewport()->mapFromGlobal(QCursor::pos()),
                              Qt::NoButton, QGuiApplication::mouseButtons(), e->modifiers());
            e->accept();
            return;
        }
        break;
    default:
        break;
    }
    e->ignore();
}

void KVXImgViewer::scrollContentsBy(int dx, int dy)
{
    KVImgViewer::scrollContentsBy(dx, dy);
    // Overlays fixed to the viewport rather than to the image cannot move with the picture.
    if (!m_zoomRect.isEmpty()
        || (m_polyline.empty() && (m_polyMarkerEnabled || m_referenceMarkerEnabled)))
        viewport()->update();
}

// ---- drawing --------------------------------------------------------------------------------

void KVXImgViewer::drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch)
{
    KVImgViewer::drawViewport(p, ox, oy, cx, cy, cw, ch);
    const int penWidth = overlayPenWidth(p);
    p->save();
    p->setBrush(Qt::NoBrush);
    // The exposed rectangle in viewport coordinates.
    const QRect painted = QRect(cx, cy, cw, ch).translated(-ox, -oy);
    drawBoundary(p, penWidth);
    drawMatchPoints(p, painted, penWidth);
    drawSlavePolylines(p, penWidth);
    drawPoints(p, painted, penWidth);
    drawRoi(p, penWidth);
    drawZoomRect(p, penWidth);
    drawPolyline(p, penWidth);
    drawMarkers(p, penWidth);
    drawMeasureLine(p, penWidth);
    p->restore();
}

void KVXImgViewer::drawRoi(QPainter* p, int penWidth)
{
    const QRect r = roiScreenRect();
    if (r.isEmpty())
        return;
    p->setPen(overlayPen(m_roiColor, penWidth));
    drawOutline(p, r);
    p->setPen(overlayPen(m_frameColor, penWidth));
    drawOutline(p, r.adjusted(-1, -1, 1, 1));
}

void KVXImgViewer::drawZoomRect(QPainter* p, int penWidth)
{
    if (m_zoomRect.isEmpty())
        return;
    p->setPen(overlayPen(m_zoomRectColor, penWidth));
    drawOutline(p, m_zoomRect);
    p->setPen(overlayPen(m_frameColor, penWidth));
    drawOutline(p, m_zoomRect.adjusted(-1, -1, 1, 1));
}

void KVXImgViewer::drawPolyline(QPainter* p, int penWidth)
{
    if (m_polyline.empty())
        return;
    QPolygon points;
    points.reserve(qsizetype(m_polyline.size()));
    for (const KVFPoint2D& point : m_polyline)
        points << viewportPoint(point.x, point.y);
    p->setPen(overlayPen(m_polylineColor, penWidth));
    if (!m_polygon || m_mode == PolylineTracking)
        p->drawPolyline(points);
    else
        p->drawPolygon(points);
}

void KVXImgViewer::drawMarkers(QPainter* p, int penWidth)
{
    auto drawMarker = [&](double position, const QColor& color) {
        const QPoint m = markerPoint(position);
        p->setPen(overlayPen(color, penWidth));
        p->setBrush(m_markerFillColor);
        // 7 x 7 pixels with a one-pixel pen.
        p->drawEllipse(QRect(m.x() - 3, m.y() - 3, 6, 6));
    };
    if (m_polyMarkerEnabled)
        drawMarker(m_polyMarkerPos, m_markerColor);
    if (m_referenceMarkerEnabled)
        drawMarker(m_referenceMarkerPos, m_referenceMarkerColor);
    p->setBrush(Qt::NoBrush);
}

void KVXImgViewer::drawMeasureLine(QPainter* p, int penWidth)
{
    if (!hasMeasureLine())
        return;
    // NOR with blue: visible on any picture, and never the same colour as the pixels below.
    p->setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination);
    p->setPen(overlayPen(m_measureColor, penWidth));
    p->drawLine(viewportPoint(m_measureStart.x(), m_measureStart.y()),
                viewportPoint(m_measureEnd.x(), m_measureEnd.y()));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void KVXImgViewer::drawBoundary(QPainter* p, int penWidth)
{
    if (!m_boundaryEnabled || m_boundaryPoints.empty())
        return;
    QPolygon polygon;
    polygon.reserve(qsizetype(m_boundaryPoints.size()));
    for (const GPoint2D& point : m_boundaryPoints) {
        if (isFinite(point))
            polygon << viewportPoint(point(0), point(1));
    }
    // OR with green shows the line on any picture and keeps red and blue below it.
    p->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    p->setPen(overlayPen(m_boundaryColor, penWidth));
    p->setBrush(Qt::NoBrush);
    p->drawPolygon(polygon);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void KVXImgViewer::drawMatchPoints(QPainter* p, const QRect& painted, int penWidth)
{
    if (!m_matchPointsEnabled || m_matchPoints.empty())
        return;
    const int r = kvMatchPointRadius(zoomFactor());
    // Markers reaching into the painted rectangle are drawn too, or a repaint of a neighbour
    // would cut them.
    const QRect reach = painted.adjusted(-r, -r, r, r);
    const int highlighted = m_matchPoints.highlightedIndex();
    p->setPen(overlayPen(m_matchPointColor, penWidth));
    for (size_t i = 0; i < m_matchPoints.size(); ++i) {
        const GPoint2D& point = m_matchPoints[i];
        if (!isFinite(point))
            continue;
        const QPoint c = viewportPoint(point(0), point(1));
        if (!reach.contains(c))
            continue;
        if (m_matchPoints.isSelected(int(i)) || highlighted == int(i)) {
            p->fillRect(QRect(c.x() - r, c.y() - r, 2 * r + 1, 2 * r + 1), m_matchPointColor);
        } else {
            p->drawLine(c.x() - r, c.y(), c.x() + r, c.y());
            p->drawLine(c.x(), c.y() - r, c.x(), c.y() + r);
        }
    }
}

void KVXImgViewer::drawSlavePolylines(QPainter* p, int penWidth)
{
    if (!m_slavePolylinesEnabled || m_slavePolylines.empty())
        return;
    int width = penWidth;
    const QPaintDevice* device = outputDevice(p);
    if (!device || device->devType() != QInternal::Printer) {
        // Image pixels wide; no wider than any screen.
        const int scaled = int(std::clamp(zoomFactor() * m_slavePolylineWidth, 0.0, 16384.0));
        width = scaled > 1 ? scaled : 0;
    }
    p->setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination);
    p->setPen(overlayPen(m_slavePolylineColor, width));
    p->setBrush(Qt::NoBrush);
    for (const auto& entry : m_slavePolylines) {
        QPolygon mapped;
        mapped.reserve(entry.second.size());
        for (const QPoint& point : entry.second)
            mapped << viewportPoint(point.x(), point.y());
        p->drawPolyline(mapped);
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void KVXImgViewer::drawPoints(QPainter* p, const QRect& painted, int penWidth)
{
    if (m_points.empty())
        return;
    const int r = kvPointRadius(zoomFactor());
    const QRect reach = painted.adjusted(-r, -r, r, r);
    const int highlighted = m_points.highlightedIndex();
    const QPen outerPen = overlayPen(m_pointOuterColor, penWidth);
    const QPen innerPen = overlayPen(m_pointInnerColor, penWidth);
    // Each marker twice: NOR with magenta (green inverted, red and blue gone) around a green
    // inside, so that it stands out on any picture.
    for (size_t i = 0; i < m_points.size(); ++i) {
        const GPoint2D& point = m_points[i];
        if (!isFinite(point))
            continue;
        const QPoint c = viewportPoint(point(0), point(1));
        if (!reach.contains(c))
            continue;
        const int x = c.x();
        const int y = c.y();
        p->setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination);
        if (m_pointEditing && m_draggedPoint == int(i)) {
            p->setPen(Qt::NoPen);
            p->setBrush(m_pointOuterColor);
            p->drawEllipse(QRectF(x - r, y - r, 2 * r + 1, 2 * r + 1));
            p->setCompositionMode(QPainter::CompositionMode_SourceOver);
            p->setBrush(m_pointInnerColor);
            p->drawEllipse(QRectF(x - r + 1, y - r + 1, 2 * r - 1, 2 * r - 1));
            p->setBrush(Qt::NoBrush);
        } else if (m_pointEditing && (m_points.isSelected(int(i)) || highlighted == int(i))) {
            p->fillRect(QRect(x - r, y - r, 2 * r + 1, 2 * r + 1), m_pointOuterColor);
            p->setCompositionMode(QPainter::CompositionMode_SourceOver);
            p->fillRect(QRect(x - r + 1, y - r + 1, 2 * r - 1, 2 * r - 1), m_pointInnerColor);
        } else {
            p->setPen(outerPen);
            p->drawEllipse(QRect(x - r, y - r, 2 * r, 2 * r));
            p->setCompositionMode(QPainter::CompositionMode_SourceOver);
            p->setPen(innerPen);
            p->drawEllipse(QRect(x - r + 1, y - r + 1, 2 * r - 2, 2 * r - 2));
        }
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}
