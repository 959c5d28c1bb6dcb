// Not a test: shows the stereo measuring viewer on a real pair the way a user leaves it after a
// few minutes of work: stereo points set with the mouse at the depth of the surface (one of
// them selected, one highlighted), a stereo polyline round a feature, the poly marker on it,
// and the stereo cursor resting on the scene.
//   xstereodemo LEFT RIGHT [X Y ...]
// The optional X Y pairs are left-image positions for the points; their partners in the right
// image are found by block matching along the row, as a user would find them by turning the
// cursor's depth with A and D until it sits on the surface.

#include "kvstereocursor.h"
#include "kvxstereoviewer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

int grey(QRgb c)
{
    return (11 * qRed(c) + 16 * qGreen(c) + 5 * qBlue(c)) / 32;
}

// Horizontal disparity (right x minus left x) of the 15 x 15 block around (x, y), by the
// smallest sum of absolute grey differences.
int matchAlongRow(const QImage& left, const QImage& right, int x, int y)
{
    constexpr int kHalf = 7;
    constexpr int kRange = 120;
    long best = LONG_MAX;
    int bestD = 0;
    for (int d = -kRange; d <= kRange; ++d) {
        long sum = 0;
        for (int dy = -kHalf; dy <= kHalf; ++dy) {
            for (int dx = -kHalf; dx <= kHalf; ++dx) {
                const QPoint a(x + dx, y + dy);
                const QPoint b(x + dx + d, y + dy);
                if (!left.rect().contains(a) || !right.rect().contains(b)) {
                    sum += 255;
                    continue;
                }
                sum += std::abs(grey(left.pixel(a)) - grey(right.pixel(b)));
            }
        }
        if (sum < best) {
            best = sum;
            bestD = d;
        }
    }
    return bestD;
}

void send(QWidget* viewport, QEvent::Type type, const QPoint& pos, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons
            = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent e(type, QPointF(pos), QPointF(viewport->mapToGlobal(pos)), button, buttons,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &e);
}

// The user's gesture: turn the cursor's depth onto the surface, move there and click.
void clickAtDepth(KVXStereoViewer* v, const QImage& left, const QImage& right, int x, int y,
                  Qt::MouseButton button = Qt::LeftButton)
{
    const int d = matchAlongRow(left, right, x, y);
    const double z = v->zoomFactor();
    // Without offsets the click maps to x' - D / z and x' + D / z around the screen position's
    // image x', D being the cursor's disparity: the middle of the pair, half its distance.
    const double middle = x + d / 2.0;
    v->setCursorDeltaX(qRound(d / 2.0 * z));
    const QPoint pos(qRound(middle * z) - v->contentsX(), qRound(y * z) - v->contentsY());
    send(v->viewport(), QEvent::MouseMove, pos, Qt::NoButton);
    send(v->viewport(), QEvent::MouseButtonPress, pos, button);
    send(v->viewport(), QEvent::MouseButtonRelease, pos, button);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: xstereodemo LEFT RIGHT [X Y ...]\n");
        return 2;
    }
    const QImage left = QImage(args.at(1)).convertToFormat(QImage::Format_RGB32);
    const QImage right = QImage(args.at(2)).convertToFormat(QImage::Format_RGB32);
    if (left.isNull() || right.isNull()) {
        std::fprintf(stderr, "cannot read the images\n");
        return 1;
    }
    QList<QPoint> points;
    for (int i = 3; i + 1 < args.size(); i += 2)
        points << QPoint(args.at(i).toInt(), args.at(i + 1).toInt());
    if (points.isEmpty())
        points = {{505, 378}, {930, 640}, {225, 520}, {858, 508}, {1093, 620}};

    KVXStereoViewer viewer(left, right);
    viewer.setWindowTitle(QStringLiteral("Stereo measuring"));
    viewer.resize(left.width() + 8, left.height() + 8);
    viewer.show();
    QTimer::singleShot(200, &viewer, [&] {
        // A polyline round the rim of the basin, each vertex at its own depth.
        viewer.setAnaglyphPolygonMode();
        const QList<QPoint> rim = {{290, 580}, {360, 548}, {520, 538}, {680, 548},
                                   {760, 580}, {680, 612}, {520, 622}, {360, 612}};
        for (const QPoint& p : rim)
            clickAtDepth(&viewer, left, right, p.x(), p.y());
        clickAtDepth(&viewer, left, right, rim.back().x(), rim.back().y(), Qt::MiddleButton);
        viewer.enablePolyMarker(true);
        viewer.setPolyMarker(260.0, 260.0);

        viewer.setAnaglyphMeasureMode();
        viewer.enablePointEditing(true);
        for (const QPoint& p : points)
            clickAtDepth(&viewer, left, right, p.x(), p.y());
        viewer.selectPoint(1, true);

        // The cursor comes to rest on the pillar of the fountain, at its depth.
        const int x = 512;
        const int y = 480;
        const int d = matchAlongRow(left, right, x, y);
        viewer.setCursorDeltaX(qRound(d / 2.0));
        const QPoint pos(qRound(x + d / 2.0) - viewer.contentsX(), y - viewer.contentsY());
        QCursor::setPos(viewer.viewport()->mapToGlobal(pos));
        send(viewer.viewport(), QEvent::MouseMove, pos, Qt::NoButton);
        // The first point shown as the mouse passing over it leaves it, once the pointer's
        // own move has arrived.
        QTimer::singleShot(500, &viewer, [&viewer] { viewer.highlightPoint(0); });
        std::printf("points:\n");
        for (const GHomPt& pair : viewer.stereoPoints())
            std::printf("  left (%.1f, %.1f)  right (%.1f, %.1f)\n", pair.first(0), pair.first(1),
                        pair.second(0), pair.second(1));
        std::printf("cursor disparity %d\n", viewer.cursorDeltaX());
        std::fflush(stdout);
    });
    return app.exec();
}
