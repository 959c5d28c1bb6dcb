#pragma once

#include "kvbackbuffer.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPixmap>

#include <array>
#include <functional>
#include <vector>

class QPainter;
class QPaintDevice;
class QPrinter;

// The scrolling, zooming image widget on which every image view of the program is built. It
// renders only the visible part of its image (nearest neighbour, into a viewport-sized back
// buffer), keeps a zoom history and offers paint hooks for overlays. Owned by its Qt parent.
//
// Coordinates: image coordinates are image pixels; contents coordinates are image coordinates
// times zoomFactor(); viewport coordinates are contents coordinates minus (contentsX(),
// contentsY()). The scroll-view interface (contentsX() ... contentsMoving()) mirrors the one
// the viewers were designed around.
class KVImgViewer : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // Interaction modes; the extended viewer drives them. Values from 12 on belong to derived
    // viewers, which is why the type is fixed: every int is a valid Mode.
    enum Mode : int {
        ViewMode = 0,
        RoiMode = 1,
        RoiTracking = 2,
        ZoomMode = 3,
        ZoomTracking = 4,
        PolylineMode = 5,
        PolylineTracking = 6,
        PanMode = 7,
        LineMeasureMode = 8,
        LineMeasureTracking = 9,
        PointMeasureMode = 10,
        PointDragMode = 11
    };
    Q_ENUM(Mode)

    // One step of the zoom history: the zoom factor before a zoom-in and the image point that
    // was at the centre of the visible area then.
    struct ZoomItem
    {
        double zoom = 1.0;
        double x = 0.0;
        double y = 0.0;
    };

    // Shows a message box; tests install one that answers without a person. The viewers only
    // ever warn, so the box has one button.
    using MessageBoxHook
            = std::function<void(QWidget* parent, const QString& caption, const QString& text)>;
    // Runs the printer set-up dialog; returns false when the user cancelled.
    using PrintSetupHook = std::function<bool(QPrinter* printer, QWidget* parent)>;

    // An empty hook restores the real dialog.
    static void setMessageBoxHook(MessageBoxHook hook);
    static void setPrintSetupHook(PrintSetupHook hook);

    explicit KVImgViewer(QWidget* parent = nullptr, const char* name = nullptr,
                         Qt::WindowFlags f = {});
    explicit KVImgViewer(const QImage& image, QWidget* parent = nullptr,
                         const char* name = nullptr, Qt::WindowFlags f = {});
    ~KVImgViewer() override;

    virtual const QImage& image() const;
    // Points into the image's pixel data without copying it; null for a null image.
    virtual uchar* imageBits() const;
    virtual int imageWidth() const;
    virtual int imageHeight() const;
    virtual int imageDepth() const;
    // The visible area with every overlay; null when the viewport is hidden or empty.
    virtual QPixmap visiblePixmap();
    virtual double zoomFactor() const;
    virtual uint zoomInOutFactor() const;
    virtual bool canZoomBack() const;
    virtual Mode mode() const;
    // Paints the visible area with every overlay at (0, 0) of p's coordinate system. On devices
    // without raster operations (printers, PDF) it is rendered into an image first.
    virtual void drawVisibleArea(QPainter* p);

    // Scroll-view interface, in contents coordinates.
    int contentsX() const;
    int contentsY() const;
    int contentsWidth() const;
    int contentsHeight() const;
    int visibleWidth() const;
    int visibleHeight() const;
    void setContentsPos(int x, int y);
    void scrollBy(int dx, int dy);
    // Scrolls so that contents point (x, y) is at the centre of the viewport (as far as possible).
    void center(int x, int y);
    QPoint viewportToContents(const QPoint& p) const;
    QPoint contentsToViewport(const QPoint& p) const;

public slots:
    // Shows caller-owned pixel data (8 or 32 bits per pixel, 32-bit aligned scan lines) without
    // copying it; the caller keeps it alive while it is shown. alignment is not used.
    virtual bool setImage(uchar* data, int width, int height, int depth, int alignment);
    virtual void setImage(const QImage& image, bool eraseBackground = true);
    virtual void setZoomInOutFactor(uint zoomPercentage);
    virtual void setZoomFactor(double zoomfactor);
    virtual void zoomWindow(double left, double top, double width, double height);
    virtual void fitToWindow();
    virtual void zoomWidth();
    virtual void zoomHeight();
    virtual void zoomIn();
    virtual void zoomOut();
    virtual void zoomInAtPosition(double x, double y);
    virtual void zoomOutAtPosition(double x, double y);
    virtual void zoomInAtCursor();
    virtual void zoomOutAtCursor();
    virtual void zoomBack();
    virtual void hide();
    virtual void invertColors();
    virtual void print(QWidget* errorParent);

signals:
    void zoomChanged(double zoomFactor);
    void imageChanged(const QImage& image);
    void shown();
    void hidden();
    // p paints in viewport coordinates; (ox, oy) is the contents offset and (cx, cy, cw, ch)
    // the exposed rectangle in contents coordinates.
    void preDrawing(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch);
    void postDrawing(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch);
    // The contents offset changed to (x, y); emitted after the move.
    void contentsMoving(int x, int y);

public:
    // Hiding, by hide() or otherwise, drops the back buffer and emits hidden().
    void setVisible(bool visible) override;

protected:
    // Draws the image part of the exposed rectangle and emits preDrawing. Overrides call it first
    // and then draw their overlays. On screen p paints on a Format_RGB32 QImage covering the
    // viewport, clipped to the exposed rectangle, so overlays may also read what lies below.
    virtual void drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch);
    virtual void applyImage(const QImage& image, bool eraseBackground);
    // One exposed rectangle of the viewport: brings the back buffer up to date, composes image
    // and overlays off screen and copies the result to p (the viewport's painter).
    virtual void drawContents(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch);

    // The device a drawing is meant for: the printer while the visible area is rendered for
    // one, otherwise p's own device. Overlays size their pens by it.
    QPaintDevice* outputDevice(QPainter* p) const;

    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

    // Derived viewers set it directly where a change must not be signalled.
    Mode m_mode = ViewMode;

private:
    // What both constructors set up before the image.
    void setUp(const char* name, Qt::WindowFlags f);
    void zoomTo(double zoom, double x, double y);
    QPointF visibleCentre() const;
    void zoomAtCursor(bool in);
    void prepareSource();
    KVZoomedImage zoomedImage() const;
    bool updateBackBuffer(int ox, int oy);
    void adjustContents();
    void centerImage();
    void updateScrollBars();
    void setViewportShown(bool show);
    int horizontalBarExtent() const;
    int verticalBarExtent() const;
    QImage renderVisibleArea(QPaintDevice* target);

    KVBackBuffer m_backBuffer;
    double m_zoomFactor = 1.0;
    QImage m_image;
    uint m_zoomInOutFactor = 15;
    bool m_imagePending = false;
    std::vector<ZoomItem> m_zoomStack;

    // What is drawn: m_image itself, or a 32-bit copy of it when its format cannot be read
    // directly, and the opaque colour table of an 8-bit image.
    QImage m_converted;
    std::array<QRgb, 256> m_colorTable{};
    bool m_indexed = false;
    int m_contentsWidth = 0;
    int m_contentsHeight = 0;
    QImage m_scratch; // off-screen composition of the viewport
    QPaintDevice* m_outputDevice = nullptr;
    bool m_inCentring = false;
};
