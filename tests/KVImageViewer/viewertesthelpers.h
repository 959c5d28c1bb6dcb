#pragma once

// Shared by the viewer tests: test images, the expected picture of a zoomed image computed from
// the definition of the sampling, and access to what the viewport shows.

#include <QAbstractScrollArea>
#include <QImage>
#include <QScreen>

namespace ViewerTest {

// Every pixel a different colour, so that a wrong source pixel cannot go unnoticed.
inline QImage patternImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x * 37 + y * 11) & 0xff, (x * 5 + y * 71) & 0xff,
                           (x ^ (y * 3)) & 0xff);
    }
    return image;
}

inline QImage filledImage(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// What a full repaint of the viewport paints now.
inline QImage grabViewport(QAbstractScrollArea* viewer)
{
    return viewer->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What is on screen now, in viewport coordinates (the offscreen platform's backing store).
inline QImage screenOfViewport(QAbstractScrollArea* viewer)
{
    QWidget* window = viewer->window();
    const QImage screen = window->screen()->grabWindow(window->winId()).toImage();
    const QRect r(viewer->viewport()->mapTo(window, QPoint(0, 0)), viewer->viewport()->size());
    return screen.copy(r).convertToFormat(QImage::Format_RGB32);
}

// First difference between `shown` and the image zoomed to cw x ch contents pixels as seen from
// contents offset (ox, oy); empty when they agree. Contents pixel (X, Y) shows image pixel
// (X * w / cw, Y * h / ch), truncated; outside the contents it is black.
inline QString compareWithZoomedImage(const QImage& shown, const QImage& image, int cw, int ch,
                                      int ox, int oy)
{
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const int X = ox + x, Y = oy + y;
            const bool inside = X >= 0 && Y >= 0 && X < cw && Y < ch;
            const QRgb want = inside ? image.pixel(int(qint64(X) * image.width() / cw),
                                                   int(qint64(Y) * image.height() / ch))
                                               | 0xff000000u
                                     : qRgb(0, 0, 0);
            if (shown.pixel(x, y) != want)
                return QString::asprintf("contents (%d, %d): got %08x, want %08x", X, Y,
                                         shown.pixel(x, y), want);
        }
    }
    return QString();
}

} // namespace ViewerTest
