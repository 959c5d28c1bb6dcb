#pragma once

#include "ghomptvector.h"
#include "gpoint2dvector.h"
#include "kvpointlist.h"
#include "kvstereoviewer.h"

#include <QCursor>
#include <QImage>
#include <QPointF>
#include <QRegion>

#include <map>
#include <utility>
#include <vector>

class KVStereoCursor;

// The anaglyph as a stereo measuring surface: offsets from the keyboard, a stereo cursor that
// floats at an adjustable depth, stereo points and a stereo polyline set with the mouse, match
// points, a boundary line and a marker running along the polyline, each drawn into its own
// eye's colour channels only. The stereo frame owns one as its anaglyph view.
//
// Every mouse position maps to one stereo point (stereoPointAt()): the left and the right image
// point that the composite shows there, moved apart by the cursor's disparity.
class KVXStereoViewer : public KVStereoViewer
{
    Q_OBJECT

public:
    // The anaglyph's own interaction modes (13 is unused).
    static constexpr Mode AnaglyphMeasureMode = Mode(12);
    static constexpr Mode AnaglyphPolylineMode = Mode(14);
    static constexpr Mode AnaglyphPolylineTracking = Mode(15);
    static constexpr Mode AnaglyphPointDragMode = Mode(16);

    // The overloads of the bases stay callable beside those for stereo pairs.
    using KVStereoViewer::setDeltaX;
    using KVStereoViewer::setDeltaY;
    using KVXImgViewer::addMatchPoint;
    using KVXImgViewer::addMatchPoints;
    using KVXImgViewer::addPoint;
    using KVXImgViewer::replacePoint;
    using KVXImgViewer::setBoundaryLine;
    using KVXImgViewer::setMatchPoints;
    using KVXImgViewer::setPixelSize;
    using KVXImgViewer::setPolyline;

    explicit KVXStereoViewer(const QImage& leftImage = QImage(),
                             const QImage& rightImage = QImage(), QWidget* parent = nullptr,
                             const char* name = nullptr, Qt::WindowFlags f = {});
    ~KVXStereoViewer() override;

    // Whether the user wants the stereo cursor in the anaglyph modes.
    virtual bool isCursorOn() const;
    // The stereo cursor's disparity in screen pixels.
    virtual int cursorDeltaX() const;
    // The lists of stereo pairs (left point first). They are not called points() and
    // matchPoints() because the base viewer's getters of those names return plain point lists.
    virtual const GHomPtVector& stereoPoints() const;
    virtual const GHomPtVector& stereoMatchPoints() const;
    virtual const GHomPtVector& stereoPolyline() const;

    bool hasPoints() const override;
    bool hasShownMatchPoints() const override;
    bool hasSelectedMatchPoints() const override;
    bool hasShownBoundary() const override;
    bool hasMatchPoints() const override;
    bool hasPolyline() const override;

    // Both leave the stereo cursor out of the picture.
    QPixmap visiblePixmap() override;
    void drawVisibleArea(QPainter* p) override;

    void setPixelSize(double x, double y) override;

    // The stereo point under a viewport position: the image points the composite shows there,
    // the left one moved left and the right one moved right by the cursor's disparity.
    GHomPt stereoPointAt(const QPointF& viewportPos) const;
    // Where the composite shows a left or a right image point, in viewport pixels.
    QPointF leftViewportPosF(const GPoint2D& left) const;
    QPointF rightViewportPosF(const GPoint2D& right) const;
    QPoint leftViewportPos(const GPoint2D& left) const;
    QPoint rightViewportPos(const GPoint2D& right) const;

    // State of the stereo tools, read-only.
    bool isStereoPointSelected(int index) const;
    bool isStereoMatchPointSelected(int index) const;
    int selectedStereoPointCount() const { return m_points.selectedCount(); }
    int selectedStereoMatchPointCount() const { return m_matchPoints.selectedCount(); }
    int highlightedStereoPoint() const { return m_points.highlighted(); }
    int highlightedStereoMatchPoint() const { return m_matchPoints.highlighted(); }
    int draggedStereoPoint() const { return m_draggedPoint; }
    bool isTwoPointsOnly() const { return m_twoPointsOnly; }
    bool isPolygon() const { return m_polygon; }
    const GHomPtVector& stereoBoundaryLine() const { return m_boundaryLine; }
    bool isPolyMarkerEnabled() const { return m_polyMarkerEnabled; }
    bool isPolyReferenceMarkerEnabled() const { return m_referenceMarkerEnabled; }
    double polyMarkerLeft() const { return m_polyMarkerLeft; }
    double polyMarkerRight() const { return m_polyMarkerRight; }
    // Image points of the poly marker along the polyline's left and right points; without a
    // polyline there is none (the marker then sits at the viewport origin).
    bool polyMarkerPoints(double leftPos, double rightPos, GPoint2D* left, GPoint2D* right) const;
    const QImage& leftMarker() const { return m_leftMarker; }
    const QImage& rightMarker() const { return m_rightMarker; }
    KVStereoCursor* stereoCursor() const { return m_cursor; }

    // Shapes of the emphasis, the match points and the poly markers, each a square of side
    // 2 half + 1: a three-pixel frame (dark, bright, dark), a filled square with a dark border,
    // and a plus three pixels thick.
    enum class Art { Frame, Square, Plus };
    // The shape tinted for the left or the right eye, as a 32-bit image.
    const QImage& artImage(Art art, int half, bool right) const;

    // The 9 x 9 point marker as an 8-bit image with the colours black (0, transparent),
    // #010101 (1, the outline) and #B3B3B3 (2, the ring).
    static QImage markerPattern();
    // Repaint radius of a point's marker pair at zoom z, in screen pixels.
    static int markerRadius(double zoom);

public slots:
    // In the point drag: cancels it as Escape does.
    void cancelOperation() override;
    void setAnaglyphColors(const QColor& leftColor, const QColor& rightColor) override;
    virtual void setAnaglyphMeasureMode();
    virtual void setAnaglyphPolylineMode();
    virtual void setAnaglyphPolygonMode();
    virtual void setPolyline(const GHomPtVector& polyline);
    // Keep at most two points: a third click starts a new pair.
    virtual void setTwoPointsOnly(bool on);
    virtual void setCursorDeltaX(int deltaX);
    virtual void setCursorOn(bool on);
    // Both keep the cursor's depth in image pixels.
    void zoomInAtCursor() override;
    void zoomOutAtCursor() override;
    virtual void clearFromPoints();
    virtual void clearFromPolyline();
    virtual void setMatchPoints(const GHomPtVector& matchPoints);
    virtual void addMatchPoint(const GHomPt& point);
    virtual void addMatchPoints(const GHomPtVector& points);
    void deleteMatchPoint(int index) override;
    void deleteSelectedMatchPoints() override;
    void deleteAllMatchPoints() override;
    void selectMatchPoint(int index, bool yesOrNo) override;
    void selectMatchPoint(int index, bool yesOrNo, bool exclusive) override;
    void selectAllMatchPoints(bool yesOrNo) override;
    void enableMatchPoints(bool yesOrNo) override;
    void enableMatchPointEditing(bool yesOrNo) override;
    // Both hide the stereo cursor while the picture moves and put it back.
    void setDeltaX(int deltaX, bool immediateMode) override;
    void setDeltaY(int deltaY, bool immediateMode) override;
    void enablePolyMarker(bool yesOrNo) override;
    void enablePolyReferenzMarker(bool yesOrNo) override;
    // The same position along the left and the right points.
    void setPolyMarker(double markerPos) override;
    virtual void setPolyMarker(double leftPos, double rightPos);
    virtual void setPolyMarkerLeft(double leftPos);
    virtual void setPolyMarkerRight(double rightPos);
    void deleteLastPolylinePoint() override;
    virtual void setBoundaryLine(const GHomPtVector& boundaryLine);
    void enableBoundaryLine(bool yesOrNo) override;
    virtual void addPoint(const GHomPt& point);
    virtual void replacePoint(int index, double xl, double yl, double xr, double yr);
    void deletePoint(int index) override;
    void selectPoint(int index, bool yesOrNo) override;
    void selectPoint(int index, bool yesOrNo, bool exclusive) override;
    void selectAllPoints(bool yesOrNo) override;
    void enablePointEditing(bool yesOrNo) override;
    // -1 clears the highlight.
    void highlightPoint(int index) override;
    void highlightMatchPoint(int index) override;

    void setMode(KVImgViewer::Mode mode) override;

signals:
    void cursorDeltaXChanged(int deltaX);
    void viewerPointsCleared();
    // With two points only: the first and the second point of a pair are set.
    void firstPointSet();
    void secondPointSet();
    void newPointSet(double xleft, double yleft, double xright, double yright);
    void pointChanged(int index, double xleft, double yleft, double xright, double yright);

private slots:
    void limitToTwoPoints();
    void updatePoint(int index) override;
    void updateMatchPoint(int index) override;
    // Moves the dragged pair to the stereo point under the mouse or, with xyLock, under its
    // own screen position, so that only its depth follows the cursor's disparity.
    void dragPoint(int index, bool xyLock);

protected:
    // Channel merge of the tinted marker centred on (x, y): only the eye's channels change.
    virtual void drawLeftMarker(QPainter* p, int x, int y);
    virtual void drawRightMarker(QPainter* p, int x, int y);

    void drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    bool usesStereoCursor(Mode mode) const;
    void applyCursorChoice();
    QPoint mousePosition() const;
    bool mouseInViewport(const QPoint& pos) const;
    void postMouseMove();
    void rebuildMarkers();
    void moveCursorWithMouse(const QPoint& pos);

    bool buttonStillHeld(const QMouseEvent* e) const;
    void pressAt(QMouseEvent* e);
    void releasePointAt(const QPoint& pos, Qt::KeyboardModifiers modifiers);
    void appendMousePoint(const QPoint& pos);
    void startDrag(int index, int state);
    void endDrag();
    void placeCursorOnPair(const GHomPt& pair);
    void pickUnderMouse(const QPoint& pos);
    // Index of the pair of the points (or the match points) whose left and right point both lie
    // near those of `at`; -1 when there is none.
    int pickPair(bool matchPoints, const GHomPt& at, double distance) const;
    void refreshGrids(bool matchPoints) const;

    void startPolyline(const QPoint& pos);
    void addPolylineVertex(const QPoint& pos);
    void movePolylineEnd(const QPoint& pos);
    void finishPolyline();
    QRegion lastSegmentRegion() const;

    void removePointAt(int index);
    QRegion pairRegion(const GHomPt& pair, int halfSize) const;
    QRegion polyMarkerRegion(double leftPos, double rightPos, bool left, bool right) const;
    QPoint polyMarkerScreenPos(double position, bool right) const;

    void drawPolylinePerEye(QPainter* p, const GHomPtVector& line, bool closed, int width);
    void drawMatchPointsPerEye(QPainter* p, const QRect& painted);
    void drawArt(QPainter* p, Art art, int half, const QPoint& centre, bool right);
    void drawPolyMarkers(QPainter* p);
    void drawPointsPerEye(QPainter* p, const QRect& painted);

    KVStereoCursor* m_cursor = nullptr;
    // A removal renumbers the highlight (and the drag) with the entries.
    KVPointList<GHomPtVector> m_points{KVHighlightAfterRemoval::FollowsEntry};
    QImage m_leftMarker;
    QImage m_rightMarker;
    bool m_pointEditing = false;
    int m_draggedPoint = -1;
    GHomPt m_savedPair;
    // 0 idle, 1 dragging a point, 2 dragging a point copied from a match point; Escape
    // negates it and the end of the drag then undoes it.
    int m_dragState = 0;
    GHomPtVector m_polyline;
    double m_polyMarkerLeft = 0.0;
    double m_polyMarkerRight = 0.0;
    double m_referenceMarkerLeft = 0.0;
    double m_referenceMarkerRight = 0.0;
    bool m_polyMarkerEnabled = false;
    bool m_referenceMarkerEnabled = false;
    bool m_polygon = false;
    bool m_cursorOn = false;
    QCursor m_savedCursor;
    int m_mouseButton = 0;
    KVPointList<GHomPtVector> m_matchPoints{KVHighlightAfterRemoval::FollowsEntry};
    bool m_matchPointEditing = false;
    bool m_twoPointsOnly = false;
    GHomPtVector m_boundaryLine;
    bool m_boundaryEnabled = false;

    bool m_matchPointsEnabled = false;
    double m_pixelSizeX = 1.0;
    double m_pixelSizeY = 1.0;

    // Search grids of the left and the right points, rebuilt when next searched after a
    // change, so that a burst of changes (every step of a drag) costs one rebuild.
    mutable GPoint2DVector m_leftGrid;
    mutable GPoint2DVector m_rightGrid;
    mutable GPoint2DVector m_leftMatchGrid;
    mutable GPoint2DVector m_rightMatchGrid;

    // The mode a held button was pressed in, and whether that press has done all its work
    // (started or ended a drag, finished a line), so that its release does nothing more.
    Mode m_pressMode = ViewMode;
    bool m_pressConsumed = false;
    QPoint m_lastMousePos{-1, -1};
    QPoint m_dragStartPos;
    int m_dragStartDisparity = 0;
    bool m_dragMoved = false;
    // The colours the markers and the cursor images were tinted with.
    QColor m_markerLeftColour;
    QColor m_markerRightColour;
    mutable std::map<int, std::pair<QImage, QImage>> m_artCache;
};
