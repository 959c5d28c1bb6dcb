#include "icons.h"

#include "painting.h"

#include <QPainterPathStroker>
#include <QtMath>

namespace art {

namespace {

using Painter = std::function<void(QPainter&)>;

// Draws a picture on a fresh canvas, optionally on the lit plate of an active button.
QImage render(int size, const Painter& picture, bool lit = false)
{
    QImage image = canvas(size);
    QPainter p(&image);
    begin(p);
    if (lit)
        litPlate(p, size);
    picture(p);
    p.end();
    return image;
}

// ------------------------------------------------------------------ toolbar, 32 x 32

void openImage(QPainter& p, const Tone& accent, const QString& side)
{
    // Back of the folder with its tab.
    QPainterPath back;
    back.moveTo(2.5, 27.5);
    back.lineTo(2.5, 7.5);
    back.lineTo(3.5, 6.5);
    back.lineTo(11.5, 6.5);
    back.lineTo(13.5, 8.5);
    back.lineTo(28.5, 8.5);
    back.lineTo(28.5, 27.5);
    back.closeSubpath();
    shape(p, back, Tone{tone::folder.mid, tone::folder.mid.darker(115), tone::folder.dark});

    photo(p, QRectF(7, 2, 19, 16), accent);

    // Front flap, opened slightly towards the viewer.
    QPainterPath front;
    front.moveTo(1.5, 14.5);
    front.lineTo(29.5, 14.5);
    front.lineTo(28.5, 28.5);
    front.lineTo(2.5, 28.5);
    front.closeSubpath();
    shape(p, front, tone::folder);
    p.save();
    QColor hi(255, 255, 255, 150);
    p.setPen(QPen(hi, 1.0));
    p.drawLine(QPointF(2.8, 15.5), QPointF(28.2, 15.5));
    p.restore();
    letter(p, QPointF(15.5, 22.0), side, 10.5, accent.dark);
}

void singleView(QPainter& p, const Tone& accent)
{
    photo(p, QRectF(2, 5, 28, 22), accent);
}

void bothViews(QPainter& p)
{
    photo(p, QRectF(1, 8, 14, 16), tone::red);
    photo(p, QRectF(17, 8, 14, 16), tone::cyan);
}

void anaglyphView(QPainter& p)
{
    const QRectF outer(2, 2, 28, 21);
    box(p, outer, tone::paper);
    bevel(p, outer, 0.45);
    const QRectF inner = outer.adjusted(3, 3, -3, -3);
    landscapeAnaglyph(p, inner, 3.0);
    p.save();
    QColor line = tone::paper.dark;
    line.setAlphaF(0.55f);
    p.setPen(QPen(line, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(inner.adjusted(-0.5, -0.5, 0.5, 0.5));
    p.restore();
    glasses(p, QRectF(3, 16, 26, 13));
}

void magnifier(QPainter& p, bool plus)
{
    const QPointF c(13, 13);
    // Handle.
    QPainterPath handleSpine;
    handleSpine.moveTo(19.5, 19.5);
    handleSpine.lineTo(27.0, 27.0);
    QPainterPathStroker stroker;
    stroker.setWidth(5.0);
    stroker.setCapStyle(Qt::RoundCap);
    shape(p, stroker.createStroke(handleSpine),
          Tone{QColor("#9aa6b4"), QColor("#5b6875"), tone::slate.dark});
    // Rim.
    QPainterPath rim;
    rim.addEllipse(c, 10.0, 10.0);
    shape(p, rim, tone::metal);
    // Glass.
    QRadialGradient glass(c - QPointF(3, 3), 10.0);
    glass.setColorAt(0.0, QColor("#ffffff"));
    glass.setColorAt(1.0, QColor("#b9d8f0"));
    p.save();
    p.setBrush(glass);
    p.setPen(QPen(tone::metal.dark, 1.0));
    p.drawEllipse(c, 7.5, 7.5);
    p.restore();
    // Sign.
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(tone::blue.dark);
    p.drawRect(QRectF(8.5, 11.5, 9, 3));
    if (plus)
        p.drawRect(QRectF(11.5, 8.5, 3, 9));
    p.restore();
}

void fitToWindow(QPainter& p)
{
    const QRectF window(2, 4, 28, 24);
    box(p, window, tone::paper, 1.5);
    bevel(p, window, 0.6, 1.5);
    photo(p, QRectF(11, 12, 10, 8), tone::paper, 0.0);
    const QPointF centre(16, 16);
    const QPointF corners[] = {{5.5, 7.5}, {26.5, 7.5}, {5.5, 24.5}, {26.5, 24.5}};
    for (const QPointF& corner : corners) {
        QPainterPath spine;
        spine.moveTo(centre + (corner - centre) * 0.50);
        spine.lineTo(corner);
        arrow(p, spine, 2.0, 4.0, 5.5, tone::green);
    }
}

void chainLink(QPainter& p, const QRectF& r)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    const qreal radius = r.height() / 2.0;
    p.setPen(QPen(tone::metal.dark, 3.2));
    p.drawRoundedRect(r, radius, radius);
    p.setPen(QPen(tone::metal.light, 1.3));
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

void dock(QPainter& p)
{
    photo(p, QRectF(1, 3, 14, 17), tone::red);
    photo(p, QRectF(17, 3, 14, 17), tone::cyan);
    const QRectF left(5.5, 21.5, 12, 7);
    const QRectF right(14.5, 21.5, 12, 7);
    chainLink(p, left);
    chainLink(p, right);
    // Let the left link pass over the right one at the top, so the two interlock.
    p.save();
    p.setClipRect(QRectF(13, 19, 6, 5.5));
    chainLink(p, left);
    p.restore();
}

void invertColours(QPainter& p)
{
    const QRectF outer(2, 5, 28, 22);
    box(p, outer, tone::paper);
    bevel(p, outer, 0.45);
    const QRectF inner = outer.adjusted(3, 3, -3, -3);
    QPainterPath upper;
    upper.moveTo(inner.topLeft());
    upper.lineTo(inner.topRight());
    upper.lineTo(inner.bottomLeft());
    upper.closeSubpath();
    QPainterPath lower;
    lower.moveTo(inner.topRight());
    lower.lineTo(inner.bottomRight());
    lower.lineTo(inner.bottomLeft());
    lower.closeSubpath();
    p.save();
    p.setClipPath(upper);
    landscape(p, inner);
    p.setClipPath(lower);
    landscapeNegative(p, inner);
    p.setClipping(false);
    p.setPen(QPen(Qt::white, 1.2));
    p.drawLine(inner.topRight(), inner.bottomLeft());
    QColor line = tone::paper.dark;
    line.setAlphaF(0.55f);
    p.setPen(QPen(line, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(inner.adjusted(-0.5, -0.5, 0.5, 0.5));
    p.restore();
}

void swap(QPainter& p)
{
    photo(p, QRectF(1, 2, 16, 13), tone::red);
    photo(p, QRectF(15, 17, 16, 13), tone::cyan);
    QPainterPath toRight;
    toRight.moveTo(18.0, 7.5);
    toRight.quadTo(25.5, 7.5, 25.5, 16.0);
    arrow(p, toRight, 2.5, 5.0, 7.0, tone::green);
    QPainterPath toLeft;
    toLeft.moveTo(14.0, 24.5);
    toLeft.quadTo(6.5, 24.5, 6.5, 16.0);
    arrow(p, toLeft, 2.5, 5.0, 7.0, tone::green);
}

void rotate(QPainter& p, const Tone& accent)
{
    photo(p, QRectF(8, 12, 16, 13), accent);
    // Counter-clockwise: up the right side, over the top, down the left.
    const QPointF c(16, 17);
    const qreal r = 11.5;
    QPainterPath spine;
    for (int deg = -15; deg <= 172; deg += 3) {
        const qreal a = qDegreesToRadians(qreal(deg));
        const QPointF pt(c.x() + r * qCos(a), c.y() - r * qSin(a));
        if (deg == -15)
            spine.moveTo(pt);
        else
            spine.lineTo(pt);
    }
    arrow(p, spine, 2.5, 5.5, 7.5, tone::green);
}

// ------------------------------------------------------------------ help browser, 22 x 22

void printer(QPainter& p)
{
    box(p, QRectF(6, 1, 10, 8), tone::paper);
    box(p, QRectF(1, 7, 20, 9), tone::metal, 1.5);
    bevel(p, QRectF(1, 7, 20, 9), 0.7, 1.5);
    p.save();
    p.setPen(QPen(tone::slate.dark, 1.0));
    p.drawLine(QPointF(4, 12.5), QPointF(18, 12.5));
    p.setPen(Qt::NoPen);
    p.setBrush(tone::green.mid);
    p.drawEllipse(QPointF(17, 9.8), 1.0, 1.0);
    p.restore();
    box(p, QRectF(5, 12, 12, 9), tone::paper);
    p.save();
    p.setPen(QPen(tone::slate.light, 1.0));
    p.drawLine(QPointF(7, 15.5), QPointF(15, 15.5));
    p.drawLine(QPointF(7, 17.5), QPointF(13, 17.5));
    p.restore();
}

void helpArrow(QPainter& p, bool forward)
{
    QPainterPath spine;
    if (forward) {
        spine.moveTo(2.5, 11);
        spine.lineTo(19.5, 11);
    } else {
        spine.moveTo(19.5, 11);
        spine.lineTo(2.5, 11);
    }
    arrow(p, spine, 6.0, 9.0, 15.0, tone::green);
}

void home(QPainter& p)
{
    box(p, QRectF(14, 2, 3, 6), tone::wood);
    box(p, QRectF(4, 9, 14, 12), tone::paper);
    box(p, QRectF(9, 13, 5, 8), tone::wood);
    QPainterPath roof;
    roof.moveTo(0.5, 11.5);
    roof.lineTo(11.0, 1.5);
    roof.lineTo(21.5, 11.5);
    roof.lineTo(19.5, 12.5);
    roof.lineTo(11.0, 4.5);
    roof.lineTo(2.5, 12.5);
    roof.closeSubpath();
    shape(p, roof, tone::red);
}

void navigationPanel(QPainter& p, bool show)
{
    const QRectF window(1, 2, 20, 18);
    box(p, window, tone::paper, 1.0);
    box(p, QRectF(1, 2, 20, 4), tone::blue, 1.0);
    const QRectF panel = show ? QRectF(2, 6, 3, 13) : QRectF(2, 6, 8, 13);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#cfe0f2"));
    p.drawRect(panel);
    p.setPen(QPen(tone::blue.mid, 1.0));
    p.drawLine(QPointF(panel.right() + 0.5, 6), QPointF(panel.right() + 0.5, 19));
    p.restore();
    // A small arrow head pointing the way the panel moves.
    QPainterPath head;
    if (show) {
        head.moveTo(9.5, 8.5);
        head.lineTo(16.5, 12.5);
        head.lineTo(9.5, 16.5);
    } else {
        head.moveTo(18.5, 8.5);
        head.lineTo(11.5, 12.5);
        head.lineTo(18.5, 16.5);
    }
    head.closeSubpath();
    shape(p, head, tone::green);
}

void book(QPainter& p, int size)
{
    if (size >= 20) {
        box(p, QRectF(5, 3, 15, 18), tone::paper); // pages
        QPainterPath cover;
        cover.addRoundedRect(QRectF(2.5, 1.5, 15, 18), 1.0, 1.0);
        shape(p, cover, tone::blue);
        p.save();
        p.setPen(QPen(tone::blue.dark, 1.0));
        p.drawLine(QPointF(5.5, 2), QPointF(5.5, 19)); // spine fold
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 210));
        p.drawRect(QRectF(8, 6, 7, 3)); // label
        p.restore();
    } else {
        box(p, QRectF(4, 2, 11, 13), tone::paper);
        QPainterPath cover;
        cover.addRoundedRect(QRectF(1.5, 1.5, 11, 13), 1.0, 1.0);
        shape(p, cover, tone::blue);
        p.save();
        p.setPen(QPen(tone::blue.dark, 1.0));
        p.drawLine(QPointF(3.5, 2), QPointF(3.5, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 210));
        p.drawRect(QRectF(6, 4, 5, 2));
        p.restore();
    }
}

// ------------------------------------------------------------------ application icon

void appIcon(QPainter& p, int size)
{
    if (size >= 32) {
        photo(p, QRectF(3, 2, size - 6, size - 12), tone::paper, 2.0);
        glasses(p, QRectF(1, size * 0.52, size - 2, size * 0.42));
    } else {
        photo(p, QRectF(2, 0, 12, 11), tone::paper, 0.0);
        glasses(p, QRectF(0, 8, 16, 8));
    }
}

} // namespace

std::vector<IconEntry> allIcons()
{
    std::vector<IconEntry> icons;
    auto add = [&](const QString& path, int size, Painter picture, bool lit = false) {
        icons.push_back({path, size, [size, picture, lit] { return render(size, picture, lit); }});
    };
    using namespace std::placeholders;

    add("icons/openleft32.xpm", 32, [](QPainter& p) { openImage(p, tone::red, "L"); });
    add("icons/openright32.xpm", 32, [](QPainter& p) { openImage(p, tone::cyan, "R"); });
    add("icons/leftview32.xpm", 32, [](QPainter& p) { singleView(p, tone::red); });
    add(
            "icons/leftviewactivefocus32.xpm", 32, [](QPainter& p) { singleView(p, tone::red); },
            true);
    add("icons/rightview32.xpm", 32, [](QPainter& p) { singleView(p, tone::cyan); });
    add(
            "icons/rightviewactivefocus32.xpm", 32, [](QPainter& p) { singleView(p, tone::cyan); },
            true);
    add("icons/leftrightview32.xpm", 32, bothViews);
    add("icons/leftrightviewactivefocus32.xpm", 32, bothViews, true);
    add("icons/tarvix32.xpm", 32, anaglyphView);
    add("icons/tarvixactivefocus32.xpm", 32, anaglyphView, true);
    add("icons/zoomin32.xpm", 32, [](QPainter& p) { magnifier(p, true); });
    add(
            "icons/zoominactive32.xpm", 32, [](QPainter& p) { magnifier(p, true); }, true);
    add("icons/zoomout32.xpm", 32, [](QPainter& p) { magnifier(p, false); });
    add(
            "icons/zoomoutactive32.xpm", 32, [](QPainter& p) { magnifier(p, false); }, true);
    add("icons/fittowindow32.xpm", 32, fitToWindow);
    add("icons/dock32.xpm", 32, dock);
    add("icons/dockactivefocus32.xpm", 32, dock, true);
    add("icons/invertcolor32.xpm", 32, invertColours);
    add("icons/swap32.xpm", 32, swap);
    add("icons/rotateleftimg32.xpm", 32, [](QPainter& p) { rotate(p, tone::red); });
    add("icons/rotaterightimg32.xpm", 32, [](QPainter& p) { rotate(p, tone::cyan); });

    add("help/pics/print.xpm", 22, printer);
    add("help/pics/left.xpm", 22, [](QPainter& p) { helpArrow(p, false); });
    add("help/pics/right.xpm", 22, [](QPainter& p) { helpArrow(p, true); });
    add("help/pics/home.xpm", 22, home);
    add("help/pics/deflate.xpm", 22, [](QPainter& p) { navigationPanel(p, false); });
    add("help/pics/inflate.xpm", 22, [](QPainter& p) { navigationPanel(p, true); });
    add("help/pics/book.xpm", 22, [](QPainter& p) { book(p, 22); });
    add("help/pics/mini/book.xpm", 16, [](QPainter& p) { book(p, 16); });

    add("icons/icon16.png", 16, [](QPainter& p) { appIcon(p, 16); });
    add("icons/icon48.png", 48, [](QPainter& p) { appIcon(p, 48); });
    return icons;
}

} // namespace art
