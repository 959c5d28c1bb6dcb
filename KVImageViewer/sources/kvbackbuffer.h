#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

// The image as a viewer shows it at one zoom factor: contentsWidth x contentsHeight pixels,
// each taken from `image` by nearest neighbour. A 32-bit image is read as QRgb values with the
// alpha byte ignored; an 8-bit image is read through colorTable, 256 opaque entries.
struct KVZoomedImage
{
    const QImage* image = nullptr;
    const QRgb* colorTable = nullptr;
    int contentsWidth = 0;
    int contentsHeight = 0;
};

// Renders the contents rectangle (cx, cy, cw, ch) of the zoomed image into the Format_RGB32
// image dst at (px, py). Contents pixel (X, Y) shows image pixel (X * w / contentsWidth,
// Y * h / contentsHeight) in integer arithmetic (w, h the image size): the result depends only
// on the contents position, so strips rendered after a scroll join a full render seamlessly.
// Contents pixels outside the zoomed image, and everything when the source cannot be read,
// come out black. The destination rectangle is clipped to dst.
void kvRenderZoomed(const KVZoomedImage& source, int cx, int cy, int cw, int ch, QImage* dst,
                    int px, int py);

// Viewport-sized copy of the zoomed image at the last scroll position, owned by a viewer.
// It is kept as a ring (a wrap-around origin), so that a scroll by less than a viewport moves
// nothing in memory and renders only the strips that came into view.
class KVBackBuffer
{
public:
    bool isNull() const { return m_image.isNull(); }
    QSize size() const { return m_image.size(); }
    // Contents offset of the viewport's top left pixel at the last update.
    QPoint offset() const { return QPoint(m_lastX, m_lastY); }

    // Drops the content and the memory; the next update renders everything.
    void clear();

    // Makes the buffer hold the viewport of vw x vh pixels at contents offset (ox, oy). Keeps and
    // moves what it already holds where it can. Returns false when the buffer could not be
    // allocated; it is empty then.
    bool update(const KVZoomedImage& source, int ox, int oy, int vw, int vh);

    // Draws the buffer's part under the viewport rectangle r at r's place.
    void draw(QPainter* p, const QRect& r) const;

    // The buffer in viewport order (unwrapped), for inspection.
    QImage toImage() const;

private:
    void render(const KVZoomedImage& source, const QRect& viewportRect);
    void scroll(const KVZoomedImage& source, int dx, int dy);

    template<typename Function>
    void forEachPiece(const QRect& viewportRect, Function function) const;

    QImage m_image;
    int m_ringX = 0; // buffer column that holds viewport column 0
    int m_ringY = 0;
    int m_lastX = 0;
    int m_lastY = 0;
};
