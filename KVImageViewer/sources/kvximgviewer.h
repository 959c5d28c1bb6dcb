#pragma once

#include "gpoint2dvector.h"
#include "kvfpoint2d.h"
#include "kvimgviewer.h"
#include "kvpointlist.h"

#include <QColor>
#include <QCursor>
#include <QEvent>
#include <QPointF>
#include <QPolygon>
#include <QRect>

#include <map>
#include <vector>

// The image viewer with mouse tools and the overlays they leave on the image: a region of
// interest, a zoom rectangle, panning with the middle button, a polyline or polygon with a
// marker that runs along it, a measuring line, and two sets of marked positions (points and
// match points) with selection, highlight and dragging, slave polylines and a boundary line.
// The stereo frame owns two of them (left and right view); the anaglyph and overlay viewers
// derive from it.
class KVXImgViewer : public KVImgViewer
{
    Q_OBJECT

public:
    explicit KVXImgViewer(QWidget* parent = nullptr, const char* name = nullptr,
                          Qt::WindowFlags f = {});
    explicit KVXImgViewer(const QImage& image, QWidget* parent = nullptr,
                          const char* name = nullptr, Qt::WindowFlags f = {});
    ~KVXImgViewer() override;

    // Any pointer may be null.
    virtual void roi(int* left, int* right, int* top, int* bottom) const;
    // The polyline with each coordinate rounded.
    virtual QPolygon polylinePoints() const;
    virtual GPoint2DVector boundaryPoints() const;
    virtual bool hasPolyline() const;
    // True when the region maps to a non-empty rectangle on screen.
    virtual bool hasRoi() const;
    virtual bool hasMeasureLine() const;
    virtual bool hasPoints() const;
    // "Shown" means enabled and not empty.
    virtual bool hasShownMatchPoints() const;
    virtual bool hasSelectedMatchPoints() const;
    virtual bool hasShownBoundary() const;
    virtual bool hasMatchPoints() const;
    // The lists with an up-to-date grid (10 x 10 and 20 x 20 cells over the image rectangle).
    virtual const GPoint2DVector& points() const;
    virtual const GPoint2DVector& matchPoints() const;
    // Physical size of one image pixel; lengths along the polyline are measured in it.
    virtual void setPixelSize(double x, double y);
    virtual void setPixelSize(const GPoint2D& pixelSize);

public slots:
    // Ends a point drag as Escape does: the point goes back where the drag started.
    virtual void cancelOperation();
    virtual void setViewMode();
    virtual void setRoiMode();
    virtual void setZoomMode();
    virtual void setLineMeasureMode();
    virtual void setPointMeasureMode();
    virtual void setPolylineMode();
    virtual void setPolygonMode();
    virtual void clearRoi();
    virtual void clearPolyline();
    virtual void clearMeasureLine();
    virtual void setRoi(int left, int right, int top, int bottom);
    virtual void setPolyline(const QPolygon& polyline);
    // Each coordinate rounded to the nearest pixel.
    virtual void setPolyline(const GPoint2DVector& polyline);
    virtual void setPolyMarker(double markerPos);
    virtual void enablePolyReferenzMarker(bool yesOrNo);
    virtual void enablePolyMarker(bool yesOrNo);
    virtual void deleteLastPolylinePoint();

    // Match points: drawn when enabled, picked and selected with the mouse when editing is on.
    // Every slot ignores an index outside the list.
    virtual void setMatchPoints(const GPoint2DVector& matchPoints);
    // A second list that is kept (with its grid) but never drawn.
    virtual void setMatchPoints2(const GPoint2DVector& matchPoints);
    virtual void addMatchPoint(const GPoint2D& point);
    virtual void addMatchPoints(const GPoint2DVector& points);
    virtual void deleteMatchPoint(int nr);
    virtual void deleteAllMatchPoints();
    virtual void deleteSelectedMatchPoints();
    virtual void selectMatchPoint(int nr, bool select);
    // exclusive: every other match point is deselected first.
    virtual void selectMatchPoint(int nr, bool select, bool exclusive);
    virtual void selectAllMatchPoints(bool yesOrNo);
    virtual void enableMatchPoints(bool yesOrNo);
    virtual void enableMatchPointEditing(bool yesOrNo);
    // -1 clears the highlight.
    virtual void highlightMatchPoint(int nr);

    virtual void setBoundaryLine(const GPoint2DVector& boundaryPoints);
    virtual void enableBoundaryLine(bool yesOrNo);

    // Lines copied from another view, in image pixels; the key identifies one for removal.
    // Starting a new region or polyline removes them all.
    virtual int addSlavePolyline(const QPolygon& polyline);
    virtual void removeSlavePolyline(int key);
    virtual void removeAllSlavePolylines();
    virtual void enableSlavePolylines(bool yesOrNo);

    // Points: added with the mouse in PointMeasureMode; picked, selected and dragged there
    // when editing is on.
    virtual void addPoint(const GPoint2D& point);
    virtual void replacePoint(int nr, double x, double y);
    // Indices held for the highlight and the drag are not renumbered.
    virtual void deletePoint(int nr);
    virtual void selectPoint(int nr, bool select);
    virtual void selectPoint(int nr, bool select, bool exclusive);
    virtual void selectAllPoints(bool yesOrNo);
    virtual void enablePointEditing(bool yesOrNo);
    virtual void highlightPoint(int nr);
    // Width in image pixels of the slave polylines; used from the next paint on.
    virtual void setSlavePolylineWidth(int width);

    virtual void setMode(KVImgViewer::Mode mode);

signals:
    void modeChanged(KVImgViewer::Mode mode);
    void roiChanged(int left, int top, int right, int bottom);
    void polyLineChanged();
    void roiTracked(double x0, double y0, double x1, double y1);
    void zoomTracked(double x0, double y0, double x1, double y1);
    void cursorPos(double x, double y);
    // Both carry global screen coordinates.
    void rightButtonClicked(const QPoint& pos);
    void leftButtonClicked(const QPoint& pos);
    void distanceInPixel(double deltaX, double deltaY);
    void measureLineReset();
    void newPointSet(double x, double y);
    void pointDeleted(int nr);
    void pointChanged(int nr, double x, double y);
    void matchPointHighlighted(int index);
    void pointHighlighted(int index);
    // nr -1: every flag was set to `selected` at once.
    void pointSelectionChanged(int nr, bool selected);
    void matchPointSelectionChanged(int nr, bool selected);

private slots:
    // Repaint the area of one point or match point.
    virtual void updatePoint(int nr);
    virtual void updateMatchPoint(int nr);
    // Moves the dragged point to the image position under the mouse.
    virtual void dragPoint(int nr);

protected:
    void drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch) override;
    void keyPressEvent(QKeyEvent* e) override;
    // The viewport's mouse events, in viewport coordinates.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // Leaving the viewport in PointMeasureMode clears the highlights.
    bool viewportEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

    // The image point under a viewport position, unrounded.
    QPointF imagePoint(const QPoint& viewportPos) const;
    // Where an image point is drawn in the viewport (rounded, clamped to the int range).
    QPoint viewportPoint(double x, double y) const;
    // Overlay pens are one device pixel on screen and a quarter millimetre on a printer.
    int overlayPenWidth(QPainter* p) const;

    // The state of the point tools, for derived viewers and tests. Highlight indices below -1
    // mark a point that was just clicked (index = -2 - value).
    int highlightedPoint() const { return m_points.highlighted(); }
    int highlightedMatchPoint() const { return m_matchPoints.highlighted(); }
    int draggedPoint() const { return m_draggedPoint; }
    bool isPointSelected(int nr) const;
    bool isMatchPointSelected(int nr) const;
    int selectedPointCount() const { return m_points.selectedCount(); }
    int selectedMatchPointCount() const { return m_matchPoints.selectedCount(); }
    const GPoint2DVector& secondMatchPoints() const { return m_secondMatchPoints; }
    const std::map<int, QPolygon>& slavePolylines() const { return m_slavePolylines; }

    // 0 idle, 1 dragging a point, 2 dragging a point that a derived viewer copied from a match
    // point (it sets 2 before the double click that starts the drag); Escape negates it, and
    // the end of the drag undoes a negated drag: -1 puts the point back, -2 turns it back into
    // a match point.
    int m_dragState = 0;

private:
    void init();
    QRect roiScreenRect() const;
    QRect polylineSegmentRect() const;
    QRect measureLineRect() const;
    QPoint markerPoint(double position) const;
    QPointF roundedImagePoint(const QPoint& viewportPos) const;
    void appendPolylinePoint(const QPointF& p);
    void updateFrame(const QRect& frame);
    void deliverMouseEvent(QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                           Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

    void pressRoi(const QPoint& pos);
    void moveRoi(const QPoint& pos);
    void releaseRoi();
    void pressZoom(const QPoint& pos);
    void moveZoom(const QPoint& pos);
    void releaseZoom();
    void pressPolyline(const QPoint& pos);
    void addPolylineVertex(const QPoint& pos, bool keepDrawing);
    void movePolyline(const QPoint& pos);
    void finishPolyline();
    void pressMeasure(const QPoint& pos);
    void finishMeasure(const QPoint& pos);
    void moveMeasure(const QPoint& pos);
    void startPan(const QPoint& pos);

    void drawRoi(QPainter* p, int penWidth);
    void drawZoomRect(QPainter* p, int penWidth);
    void drawPolyline(QPainter* p, int penWidth);
    void drawMarkers(QPainter* p, int penWidth);
    void drawMeasureLine(QPainter* p, int penWidth);
    void drawBoundary(QPainter* p, int penWidth);
    void drawMatchPoints(QPainter* p, const QRect& painted, int penWidth);
    void drawSlavePolylines(QPainter* p, int penWidth);
    void drawPoints(QPainter* p, const QRect& painted, int penWidth);

    void ensurePointGrid() const;
    void ensureMatchPointGrid() const;
    GRect2D imageArea() const;
    QRect pointArea(const GPoint2D& point, int radius) const;
    void pickUnderMouse(const QPoint& pos);
    void releasePoint(const QPoint& pos, Qt::KeyboardModifiers modifiers);
    void startPointDrag();
    void endPointDrag();
    void placeCursorOn(const GPoint2D& point);

    int m_roiLeft = 0;
    int m_roiRight = -1;
    int m_roiTop = 0;
    int m_roiBottom = -1;
    int m_roiAnchorX = 0;
    int m_roiAnchorY = 0;
    QRect m_zoomRect; // viewport pixels; empty when not tracking
    int m_zoomStartX = 0;
    int m_zoomStartY = 0;
    std::vector<KVFPoint2D> m_polyline; // while drawing, the last point is the moving end
    QCursor m_savedCursor;
    int m_panLastX = 0;
    int m_panLastY = 0;
    Mode m_previousMode = ViewMode;
    int m_pressedButton = 0;
    GPoint2D m_pixelSize{1.0, 1.0};
    double m_polyMarkerPos = 0.0;
    double m_referenceMarkerPos = 0.0;
    bool m_polyMarkerEnabled = false;
    bool m_referenceMarkerEnabled = false;
    bool m_polygon = false;
    QPointF m_measureStart;
    QPointF m_measureEnd;
    QRect m_measureRect;

    QCursor m_roiCursor;
    QCursor m_pencilCursor;
    QCursor m_rulerCursor;
    QCursor m_crossCursor;

    QColor m_roiColor = Qt::yellow;
    QColor m_zoomRectColor = Qt::white;
    QColor m_frameColor = Qt::black;
    QColor m_polylineColor = Qt::magenta;
    QColor m_markerColor = Qt::red;
    QColor m_referenceMarkerColor = Qt::green;
    QColor m_markerFillColor = Qt::black;
    QColor m_measureColor = QColor(0, 0, 255);

    bool m_matchPointsEnabled = false;
    // Mutable for their grids, which are rebuilt when a list is next searched or handed out.
    mutable KVPointList<GPoint2DVector> m_points;
    bool m_pointEditing = false;
    int m_draggedPoint = -1;
    GPoint2D m_dragOrigin;
    mutable KVPointList<GPoint2DVector> m_matchPoints;
    GPoint2DVector m_secondMatchPoints;
    bool m_matchPointEditing = false;
    GPoint2DVector m_boundaryPoints;
    bool m_boundaryEnabled = false;
    std::map<int, QPolygon> m_slavePolylines;
    int m_lastSlaveKey = 0;
    bool m_slavePolylinesEnabled = false;
    int m_slavePolylineWidth = 0;
    // Where the mouse was last seen in the viewport (the drag follows it).
    QPoint m_lastMousePos;
    // The release that completes a double click is not a click of its own.
    bool m_releaseEndsDoubleClick = false;

    QColor m_boundaryColor = QColor(0, 255, 0);
    QColor m_matchPointColor = Qt::red;
    QColor m_slavePolylineColor = QColor(255, 0, 255);
    QColor m_pointOuterColor = QColor(255, 0, 255);
    QColor m_pointInnerColor = Qt::green;
};

// Marker radii on screen at zoom factor z: points qRound(4z) within 2..5 pixels, match points
// qRound(4z) up to 10 pixels.
int kvPointRadius(double zoom);
int kvMatchPointRadius(double zoom);

// Index of the point of `list` nearest to `at` among those less than `distance` away in x and
// in y, found through the list's grid; -1 when there is none.
int kvPickPoint(const GPoint2DVector& list, const GPoint2D& at, double distance);

// The point at arc length `position` along the polyline, where a segment's length is measured
// with pixel size (sx, sy). Before the start it is the first vertex, beyond the end the last.
QPointF kvPointAlongPolyline(const std::vector<KVFPoint2D>& polyline, double position, double sx,
                             double sy);
