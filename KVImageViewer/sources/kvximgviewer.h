#pragma once

#include "kvfpoint2d.h"
#include "kvimgviewer.h"

#include <QColor>
#include <QCursor>
#include <QEvent>
#include <QPointF>
#include <QPolygon>
#include <QRect>

#include <vector>

// The image viewer with mouse tools and the overlays they leave on the image: a region of
// interest, a zoom rectangle, panning with the middle button, a polyline or polygon with a
// marker that runs along it, and a measuring line. The stereo frame owns two of them (left and
// right view); the anaglyph and overlay viewers derive from it.
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
    virtual bool hasPolyline() const;
    // True when the region maps to a non-empty rectangle on screen.
    virtual bool hasRoi() const;
    virtual bool hasMeasureLine() const;
    // Physical size of one image pixel; lengths along the polyline are measured in it.
    virtual void setPixelSize(double x, double y);

public slots:
    virtual void setViewMode();
    virtual void setRoiMode();
    virtual void setZoomMode();
    virtual void setLineMeasureMode();
    virtual void setPolylineMode();
    virtual void setPolygonMode();
    virtual void clearRoi();
    virtual void clearPolyline();
    virtual void clearMeasureLine();
    virtual void setRoi(int left, int right, int top, int bottom);
    virtual void setPolyline(const QPolygon& polyline);
    virtual void setPolyMarker(double markerPos);
    virtual void enablePolyReferenzMarker(bool yesOrNo);
    virtual void enablePolyMarker(bool yesOrNo);
    virtual void deleteLastPolylinePoint();
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

protected:
    void drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch) override;
    void keyPressEvent(QKeyEvent* e) override;
    // The viewport's mouse events, in viewport coordinates.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

    // The image point under a viewport position, unrounded.
    QPointF imagePoint(const QPoint& viewportPos) const;
    // Where an image point is drawn in the viewport (rounded, clamped to the int range).
    QPoint viewportPoint(double x, double y) const;
    // Overlay pens are one device pixel on screen and a quarter millimetre on a printer.
    int overlayPenWidth(QPainter* p) const;

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
    QPointF m_pixelSize{1.0, 1.0};
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
};

// The point at arc length `position` along the polyline, where a segment's length is measured
// with pixel size (sx, sy). Before the start it is the first vertex, beyond the end the last.
QPointF kvPointAlongPolyline(const std::vector<KVFPoint2D>& polyline, double position, double sx,
                             double sy);

// Relative equality: |a - b| / max(|a|, |b|) below 1e-15, or both magnitudes below 1e-15.
bool kvFuzzyEqual(double a, double b);
