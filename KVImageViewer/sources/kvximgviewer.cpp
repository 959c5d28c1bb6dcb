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
const char* const kCrossCursorArt[32] = {
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
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
};
// clang-format on

QCursor cursorFromArt(const char* const (&art)[32], int hotX, int hotY)
{
    // X-bitmap order: 4 bytes per row, least significant bit first; 1 bits are black.
    uchar bits[32 * 4] = {};
    uchar mask[32 * 4] = {};
    for (int y = 0; y < 32; ++y) {
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

} // namespace

bool kvFuzzyEqual(double a, double b)
{
    const double larger = std::max(std::fabs(a), std::fabs(b));
    if (larger < 1e-15)
        return true;
    return std::fabs(a - b) / larger < 1e-15;
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
    m_crossCursor = cursorFromArt(kCrossCursorArt, 7, 7);
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

void KVXImgViewer::setPixelSize(double x, double y)
{
    m_pixelSize = QPointF(x, y);
    if (m_polyMarkerEnabled || m_referenceMarkerEnabled)
        viewport()->update();
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
    const QPointF p = kvPointAlongPolyline(m_polyline, position, m_pixelSize.x(), m_pixelSize.y());
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
    case PointDragMode:
        // Belong to the point tools.
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
    default:
        break;
    }
}

void KVXImgViewer::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (m_pressedButton != 0)
        return;
    m_pressedButton = int(e->button());
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
