// Shows the point tools for a look at them: a viewer at zoom 2 with plain, selected and
// highlighted points and match points, a boundary line and a slave polyline, and beside it the
// overlay viewer blending two shifted copies of the picture.
#include "kvoverlayviewer.h"
#include "kvximgviewer.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace {

// A landscape-like picture: sky, hills and a few houses.
QImage scene(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double hill = h * 0.45 + 25 * std::sin(x / 37.0) + 12 * std::sin(x / 11.0);
            if (y < hill)
                line[x] = qRgb(120 + y / 4, 170 + y / 6, 235);
            else
                line[x] = qRgb(70 + (x * 7 + y * 3) % 40, 120 + (x ^ y) % 50, 50 + y % 30);
        }
    }
    QPainter p(&image);
    for (int i = 0; i < 5; ++i) {
        const QRect house(30 + i * 70, int(h * 0.55) + (i % 2) * 20, 40, 30);
        p.fillRect(house, QColor(200 - i * 20, 180, 150));
        p.setBrush(QColor(150, 60, 40));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygon({house.topLeft(), house.topRight(),
                                QPoint(house.center().x(), house.top() - 18)}));
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Points and overlay"));
    auto* layout = new QHBoxLayout(&window);

    const QImage picture = scene(400, 300);
    auto* viewer = new KVXImgViewer(picture, &window, "points");
    viewer->setMinimumSize(640, 560);
    layout->addWidget(viewer);

    GPoint2DVector boundary;
    for (const QPointF& p :
         {QPointF(40, 60), QPointF(260, 50), QPointF(300, 200), QPointF(60, 230)})
        boundary.push_back(GPoint2D(p.x(), p.y()));
    viewer->setBoundaryLine(boundary);
    viewer->enableBoundaryLine(true);

    GPoint2DVector matches;
    for (int i = 0; i < 6; ++i)
        matches.push_back(GPoint2D(70 + i * 35, 190 - (i % 3) * 12));
    viewer->setMatchPoints(matches);
    viewer->enableMatchPoints(true);
    viewer->selectMatchPoint(2, true);
    viewer->highlightMatchPoint(4);

    viewer->addSlavePolyline(
            QPolygon({QPoint(50, 110), QPoint(120, 95), QPoint(190, 130), QPoint(270, 105)}));
    viewer->setSlavePolylineWidth(1);
    viewer->enableSlavePolylines(true);

    for (int i = 0; i < 7; ++i)
        viewer->addPoint(GPoint2D(60.5 + i * 32, 150 + (i % 2) * 14));
    viewer->enablePointEditing(true);
    viewer->selectPoint(1, true);
    viewer->selectPoint(2, true, false);
    viewer->highlightPoint(5);
    viewer->setPointMeasureMode();
    viewer->setZoomFactor(2);

    auto* overlay = new KVOverlayViewer(&window, "overlay");
    overlay->setMinimumSize(410, 310);
    overlay->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overlay->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(overlay);
    overlay->setImages(picture, picture);
    overlay->setDeltaX(12);
    overlay->setDeltaY(-6);

    window.move(10, 10);
    window.show();
    viewer->setContentsPos(60, 100);
    return app.exec();
}
