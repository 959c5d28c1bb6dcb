#pragma once

// The drawing vocabulary shared by every icon: one palette, one light direction (from the top
// left), outlines one pixel wide in a darker shade of the fill, and a few recurring motifs
// (the framed photo, arrows, the red/cyan glasses). Coordinates are pixels of the target size.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace art {

// A material: gradient from light (top) to mid (bottom), outlined in dark.
struct Tone
{
    QColor light;
    QColor mid;
    QColor dark;
};

namespace tone {
extern const Tone red;   // the left image
extern const Tone cyan;  // the right image
extern const Tone green; // actions: arrows
extern const Tone paper; // frames, pages, window bodies
extern const Tone slate; // neutral dark parts
extern const Tone folder;
extern const Tone metal;
extern const Tone amber; // the lit plate behind active buttons
extern const Tone wood;
extern const Tone blue; // book cover, title bars
} // namespace tone

// A transparent ARGB image of the given square size.
QImage canvas(int size);
// Painter with antialiasing switched on.
void begin(QPainter& p);

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom);

// Fills path with the tone's gradient over the path's bounds and strokes it with its dark shade.
void shape(QPainter& p, const QPainterPath& path, const Tone& t, qreal width = 1.0);
// A pixel-aligned rectangle given by its outer pixel edges, filled and outlined.
void box(QPainter& p, const QRectF& outer, const Tone& t, qreal radius = 0.0);
// A one pixel highlight just inside the top and left edges of an outlined rectangle.
void bevel(QPainter& p, const QRectF& outer, qreal alpha = 0.55, qreal radius = 0.0);

// Landscape (sky, two hills, sun) filling r; simplified below 9 pixels.
void landscape(QPainter& p, const QRectF& r);
// The same landscape in colour negative, for the invert icon.
void landscapeNegative(QPainter& p, const QRectF& r);
// Landscape as a red/cyan anaglyph: left copy in red, right copy in cyan, offset by shift.
void landscapeAnaglyph(QPainter& p, const QRectF& r, qreal shift);

// A framed photo: outer rectangle in pixel edges, frame of the given tone and width,
// landscape inside.
void photo(QPainter& p, const QRectF& outer, const Tone& frame, qreal frameWidth = 2.0);

// Arrow along a path ending in a head at the path's end. width is the shaft width.
void arrow(QPainter& p, const QPainterPath& spine, qreal width, qreal headLength, qreal headWidth,
           const Tone& t);

// Red/cyan glasses fitted into r.
void glasses(QPainter& p, const QRectF& r);

// The amber plate shown behind a button picture while its function is on.
void litPlate(QPainter& p, int size);

// Bold text centred on a point, used for the small L/R letters.
void letter(QPainter& p, const QPointF& centre, const QString& text, qreal pixelSize,
            const QColor& colour);

} // namespace art
