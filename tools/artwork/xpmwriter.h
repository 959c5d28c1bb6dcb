#pragma once

// Writes icons as XPM 3 text. XPM knows only opaque and fully transparent pixels, so the
// antialiased edge of a picture is cut at an alpha threshold and kept at its full colour.

#include <QByteArray>
#include <QImage>

namespace art {

// ARGB32 copy of image with every alpha either 0 or 255: pixels at least threshold opaque keep
// their (unpremultiplied) colour, the others become transparent.
QImage flattenAlpha(const QImage& image, int threshold);

// XPM text of a flattened image; name becomes the C array's name.
QByteArray toXpm(const QImage& flat, const QByteArray& name);

} // namespace art
