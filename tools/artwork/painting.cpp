#include "painting.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QtMath>

namespace art {

namespace tone {
const Tone red{QColor("#f0766a"), QColor("#cc3b2f"), QColor("#86201a")};
const Tone cyan{QColor("#7fd6f5"), QColor("#1fa2d6"), QColor("#0d5f86")};
const Tone green{QColor("#9ad97a"), QColor("#4f9a37"), QColor("#2b5f1d")};
const Tone paper{QColor("#ffffff"), QColor("#d9dee4"), QColor("#3a434e")};
const Tone slate{QColor("#7a8794"), QColor("#46515d"), QColor("#232a32")};
const Tone folder{QColor("#f8dc98"), QColor("#dfa63c"), QColor("#8a560b")};
const Tone metal{QColor("#eef0f2"), QColor("#a2abb5"), QColor("#47505a")};
const Tone amber{QColor("#ffefb8"), QColor("#f2bb3c"), QColor("#a8731a")};
const Tone wood{QColor("#b98a5e"), QColor("#7d5532"), QColor("#4a2f17")};
const Tone blue{QColor("#7ea4d8"), QColor("#3566a8"), QColor("#1d3a63")};
} // namespace tone

QImage canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, top);
    g.setColorAt(1.0, bottom);
    return g;
}

void shape(QPainter& p, const QPainterPath& path, const Tone& t, qreal width)
{
    p.save();
    p.setBrush(vertical(path.boundingRect(), t.light, t.mid));
    if (width > 0.0) {
        QPen pen(t.dark, width);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
    } else {
        p.setPen(Qt::NoPen);
    }
    p.drawPath(path);
    p.restore();
}

void box(QPainter& p, const QRectF& outer, const Tone& t, qreal radius)
{
    QPainterPath path;
    const QRectF r = outer.adjusted(0.5, 0.5, -0.5, -0.5);
    if (radius > 0.0)
        path.addRoundedRect(r, radius, radius);
    else
        path.addRect(r);
    shape(p, path, t);
}

void bevel(QPainter& p, const QRectF& outer, qreal alpha, qreal radius)
{
    p.save();
    QColor c(255, 255, 255);
    c.setAlphaF(float(alpha));
    p.setPen(QPen(c, 1.0));
    p.setBrush(Qt::NoBrush);
    const QRectF r = outer.adjusted(1.5, 1.5, -1.5, -1.5);
    if (radius > 0.0) {
        p.drawRoundedRect(r, radius - 1.0, radius - 1.0);
    } else {
        QPainterPath path;
        path.moveTo(r.bottomLeft());
        path.lineTo(r.topLeft());
        path.lineTo(r.topRight());
        p.drawPath(path);
    }
    p.restore();
}

namespace {

struct LandscapeColours
{
    QColor skyTop, skyBottom, farHill, nearHillTop, nearHillBottom, sun;
};

const LandscapeColours kDay{QColor("#4f98d8"), QColor("#c9e5f8"), QColor("#8fbf74"),
                            QColor("#6aae45"), QColor("#3d7a27"), QColor("#fbd24e")};

QColor negative(const QColor& c)
{
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue(), c.alpha());
}

void paintLandscape(QPainter& p, const QRectF& r, const LandscapeColours& c)
{
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.setPen(Qt::NoPen);
    p.fillRect(r, vertical(r, c.skyTop, c.skyBottom));
    const qreal x0 = r.left();
    const qreal y0 = r.top();
    const qreal w = r.width();
    const qreal h = r.height();
    const bool small = h < 9.0;
    if (!small) {
        p.setBrush(c.sun);
        const qreal sr = qMax(1.2, h * 0.14);
        p.drawEllipse(QPointF(x0 + w * 0.72, y0 + h * 0.30), sr, sr);
        QPainterPath far;
        far.moveTo(x0 - 1, y0 + h * 0.62);
        far.cubicTo(x0 + w * 0.25, y0 + h * 0.30, x0 + w * 0.45, y0 + h * 0.38, x0 + w * 0.62,
                    y0 + h * 0.58);
        far.lineTo(x0 + w + 1, y0 + h + 1);
        far.lineTo(x0 - 1, y0 + h + 1);
        far.closeSubpath();
        p.setBrush(c.farHill);
        p.drawPath(far);
    }
    QPainterPath near;
    near.moveTo(x0 - 1, y0 + h * (small ? 0.62 : 0.82));
    near.cubicTo(x0 + w * 0.35, y0 + h * (small ? 0.45 : 0.62), x0 + w * 0.7,
                 y0 + h * (small ? 0.42 : 0.52), x0 + w + 1, y0 + h * (small ? 0.55 : 0.66));
    near.lineTo(x0 + w + 1, y0 + h + 1);
    near.lineTo(x0 - 1, y0 + h + 1);
    near.closeSubpath();
    p.setBrush(vertical(near.boundingRect(), c.nearHillTop, c.nearHillBottom));
    p.drawPath(near);
    p.restore();
}

} // namespace

void landscape(QPainter& p, const QRectF& r)
{
    paintLandscape(p, r, kDay);
}

void landscapeNegative(QPainter& p, const QRectF& r)
{
    const LandscapeColours n{negative(kDay.skyTop),         negative(kDay.skyBottom),
                             negative(kDay.farHill),        negative(kDay.nearHillTop),
                             negative(kDay.nearHillBottom), negative(kDay.sun)};
    paintLandscape(p, r, n);
}

void landscapeAnaglyph(QPainter& p, const QRectF& r, qreal shift)
{
    // Composed the way the viewer composes its anaglyphs: both views in grey, the left one
    // in the default dark red and the right one in the default light blue, added.
    const QSize size = r.size().toSize();
    auto view = [&](qreal dx) {
        QImage v(size, QImage::Format_ARGB32_Premultiplied);
        v.fill(Qt::white);
        QPainter vp(&v);
        begin(vp);
        // The left view sees near things further right: the hills move a little, the tree in
        // front moves most, so its red and cyan fringes show that it stands out.
        vp.save();
        vp.translate(dx * 0.3, 0);
        paintLandscape(vp, QRectF(QPointF(-4, 0), QSizeF(size.width() + 8, size.height())),
                       LandscapeColours{QColor("#a8c8e6"), QColor("#eef5fb"), QColor("#8aa07c"),
                                        QColor("#56704a"), QColor("#35452e"), QColor("#fff6c8")});
        vp.restore();
        const qreal h = size.height();
        const QPointF crown(size.width() * 0.34 + dx, h * 0.40);
        vp.setPen(Qt::NoPen);
        vp.setBrush(QColor("#2a3524"));
        vp.drawRect(QRectF(crown.x() - h * 0.05, crown.y(), h * 0.10, h));
        vp.drawEllipse(crown, h * 0.24, h * 0.26);
        vp.end();
        return v;
    };
    const QImage left = view(shift / 2.0);
    const QImage right = view(-shift / 2.0);
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y) {
        const QRgb* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const QRgb* rr = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int gl = qGray(l[x]);
            const int gr = qGray(rr[x]);
            o[x] = qRgb(gl * 0xB8 / 255, gr * 0xB8 / 255, gr);
        }
    }
    p.drawImage(r.topLeft(), out);
}

void photo(QPainter& p, const QRectF& outer, const Tone& frame, qreal frameWidth)
{
    box(p, outer, frame);
    bevel(p, outer, 0.45);
    const qreal inset = frameWidth + 1.0;
    const QRectF inner = outer.adjusted(inset, inset, -inset, -inset);
    landscape(p, inner);
    // A thin dark line around the picture separates it from a light frame.
    p.save();
    QColor line = frame.dark;
    line.setAlphaF(0.55f);
    p.setPen(QPen(line, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(inner.adjusted(-0.5, -0.5, 0.5, 0.5));
    p.restore();
}

void arrow(QPainter& p, const QPainterPath& spine, qreal width, qreal headLength, qreal headWidth,
           const Tone& t)
{
    const qreal length = spine.length();
    const QPointF tip = spine.pointAtPercent(1.0);
    const qreal baseAt = qMax(0.0, length - headLength);
    const QPointF base = spine.pointAtPercent(spine.percentAtLength(baseAt));
    QPointF dir = tip - base;
    const qreal dl = qSqrt(dir.x() * dir.x() + dir.y() * dir.y());
    if (dl > 0)
        dir /= dl;
    const QPointF normal(-dir.y(), dir.x());

    // Shaft: the spine up to a little inside the head, sampled into a polyline and widened.
    QPainterPath shaft;
    const int steps = 40;
    const qreal shaftEnd = baseAt + headLength * 0.3;
    for (int i = 0; i <= steps; ++i) {
        const qreal at = shaftEnd * i / steps;
        const QPointF pt = spine.pointAtPercent(spine.percentAtLength(at));
        if (i == 0)
            shaft.moveTo(pt);
        else
            shaft.lineTo(pt);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath body = stroker.createStroke(shaft);

    QPainterPath head;
    head.addPolygon(QPolygonF({base + normal * headWidth / 2.0, tip,
                               base - normal * headWidth / 2.0, base + normal * headWidth / 2.0}));
    body = body.united(head).simplified();
    shape(p, body, t);
}

void glasses(QPainter& p, const QRectF& r)
{
    // Cardboard glasses seen from the front: a light frame with a nose cut-out and two lens
    // windows, red on the left eye and cyan on the right.
    const qreal w = r.width();
    const qreal h = r.height();
    p.save();
    if (w <= 16) {
        // At the smallest size every edge sits on a pixel boundary.
        const int x = qRound(r.left());
        const int y = qRound(r.top());
        p.setRenderHint(QPainter::Antialiasing, false);
        const QColor edge = tone::slate.dark;
        p.fillRect(x + 1, y, 14, 1, edge);
        p.fillRect(x, y + 1, 1, 6, edge);
        p.fillRect(x + 15, y + 1, 1, 6, edge);
        p.fillRect(x + 1, y + 7, 5, 1, edge);
        p.fillRect(x + 10, y + 7, 5, 1, edge);
        p.fillRect(x + 6, y + 6, 1, 1, edge);
        p.fillRect(x + 9, y + 6, 1, 1, edge);
        p.fillRect(x + 7, y + 5, 2, 1, edge);
        p.fillRect(x + 1, y + 1, 14, 4, tone::paper.light);
        p.fillRect(x + 1, y + 5, 6, 1, tone::paper.mid);
        p.fillRect(x + 9, y + 5, 6, 1, tone::paper.mid);
        p.fillRect(x + 1, y + 6, 5, 1, tone::paper.mid);
        p.fillRect(x + 10, y + 6, 5, 1, tone::paper.mid);
        p.fillRect(x + 2, y + 2, 5, 3, tone::red.mid);
        p.fillRect(x + 9, y + 2, 5, 3, tone::cyan.mid);
        p.fillRect(x + 2, y + 2, 5, 1, tone::red.light);
        p.fillRect(x + 9, y + 2, 5, 1, tone::cyan.light);
        p.restore();
        return;
    }
    const qreal line = w >= 40 ? 1.5 : 1.0;
    QPainterPath front;
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    front.addRoundedRect(body, h * 0.22, h * 0.22);
    QPainterPath nose;
    nose.addEllipse(QPointF(body.center().x(), body.bottom() + h * 0.05), w * 0.085, h * 0.42);
    front = front.subtracted(nose);
    p.setBrush(vertical(body, tone::paper.light, tone::paper.mid));
    p.setPen(QPen(tone::slate.dark, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(front);

    const qreal lensW = w * 0.34;
    const qreal lensH = h * 0.52;
    const qreal lensTop = body.top() + h * 0.18;
    const QRectF lensL(body.left() + w * 0.07, lensTop, lensW, lensH);
    const QRectF lensR(body.right() - w * 0.07 - lensW, lensTop, lensW, lensH);
    const struct
    {
        QRectF rect;
        Tone lens;
    } lenses[] = {{lensL, tone::red}, {lensR, tone::cyan}};
    for (const auto& l : lenses) {
        const QRectF lr(QPointF(qRound(l.rect.left()) + 0.5, qRound(l.rect.top()) + 0.5),
                        QPointF(qRound(l.rect.right()) - 0.5, qRound(l.rect.bottom()) - 0.5));
        p.setBrush(vertical(lr, l.lens.light, l.lens.mid));
        p.setPen(QPen(l.lens.dark, line));
        p.drawRoundedRect(lr, h * 0.12, h * 0.12);
        if (w >= 24) {
            QColor glint(255, 255, 255);
            glint.setAlphaF(0.55f);
            p.setPen(QPen(glint, line, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(lr.left() + lr.width() * 0.2, lr.top() + line * 1.5),
                       QPointF(lr.left() + lr.width() * 0.55, lr.top() + line * 1.5));
        }
    }
    p.restore();
}

void litPlate(QPainter& p, int size)
{
    const QRectF r(0.5, 0.5, size - 1.0, size - 1.0);
    const qreal radius = size * 0.16;
    p.save();
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    // Darker at the top: a pressed button catches its shadow there.
    p.setBrush(vertical(r, tone::amber.mid, tone::amber.light));
    p.setPen(QPen(tone::amber.dark, 1.0));
    p.drawPath(path);
    QColor shade(120, 70, 0);
    shade.setAlphaF(0.25f);
    p.setPen(QPen(shade, 1.0));
    p.drawLine(QPointF(radius, 1.5), QPointF(size - radius, 1.5));
    p.restore();
}

void letter(QPainter& p, const QPointF& centre, const QString& text, qreal pixelSize,
            const QColor& colour)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qRound(pixelSize));
    font.setHintingPreference(QFont::PreferFullHinting);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF b = path.boundingRect();
    p.save();
    p.translate(qRound(centre.x() - b.center().x()), qRound(centre.y() - b.center().y()));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
}

} // namespace art
