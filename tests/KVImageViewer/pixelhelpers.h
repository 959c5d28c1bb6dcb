#pragma once

// Small helpers of the overlay, point and anaglyph tests: test pictures, what a viewer's
// viewport shows, and the first pixel where two pictures differ.

#include "viewertesthelpers.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace Pix {

// Grey of a colour, from its definition.
inline int greyOf(QRgb c)
{
    return (11 * qRed(c) + 16 * qGreen(c) + 5 * qBlue(c)) / 32;
}

// Grey of a pixel; 8-bit images through their colour table, where an index past the table is
// black and an image without a table is white.
inline int greyAt(const QImage& image, int x, int y)
{
    if (image.format() != QImage::Format_Indexed8)
        return greyOf(image.pixel(x, y));
    if (image.colorCount() == 0)
        return 255;
    const int index = image.pixelIndex(x, y);
    return index < image.colorCount() ? greyOf(image.color(index)) : 0;
}

using ViewerTest::filledImage;
using ViewerTest::grabViewport;
using ViewerTest::patternImage;

// An 8-bit image with a colour table of tableSize entries and indices 0 .. indexModulo - 1.
inline QImage indexedImage(int w, int h, int tableSize, int indexModulo = 256)
{
    QImage image(w, h, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < tableSize; ++i)
        table << qRgb((i * 37) & 0xff, (i * 91 + 40) & 0xff, 255 - (i & 0xff));
    image.setColorTable(table);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.scanLine(y)[x] = uchar((x * 7 + y * 3) % indexModulo);
    }
    return image;
}

// Channel merge from its definition: each non-zero channel of a non-black overlay pixel
// replaces the picture's, inside `limit` (the whole picture when null); the overlay's top left
// lands at (left, top).
inline void mergeChannels(QImage* picture, const QImage& overlay, int left, int top,
                          QRect limit = QRect())
{
    limit = limit.isNull() ? picture->rect() : limit & picture->rect();
    for (int y = 0; y < overlay.height(); ++y) {
        for (int x = 0; x < overlay.width(); ++x) {
            const QPoint at(left + x, top + y);
            const QRgb o = overlay.pixel(x, y);
            if (!limit.contains(at) || (o & 0xffffffu) == 0)
                continue;
            const QRgb b = picture->pixel(at);
            picture->setPixel(at,
                              qRgb(qRed(o) ? qRed(o) : qRed(b), qGreen(o) ? qGreen(o) : qGreen(b),
                                   qBlue(o) ? qBlue(o) : qBlue(b)));
        }
    }
}

// Empty when both pictures agree pixel by pixel.
inline QString firstDifference(const QImage& got, const QImage& want)
{
    if (got.size() != want.size())
        return QStringLiteral("size %1 x %2, want %3 x %4")
                .arg(got.width())
                .arg(got.height())
                .arg(want.width())
                .arg(want.height());
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            if (got.pixel(x, y) != want.pixel(x, y))
                return QStringLiteral("(%1, %2): got %3, want %4")
                        .arg(x)
                        .arg(y)
                        .arg(got.pixel(x, y), 8, 16)
                        .arg(want.pixel(x, y), 8, 16);
        }
    }
    return QString();
}

// Lets the passes of the event loop that are due run.
inline void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace Pix
