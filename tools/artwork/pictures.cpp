#include "pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace art {

namespace {

// Scales to cover width x height and cuts out the window at the given relative vertical position.
QImage cover(const QImage& image, int width, int height, qreal vertical)
{
    const QImage scaled = image.scaled(width, height, Qt::KeepAspectRatioByExpanding,
                                       Qt::SmoothTransformation);
    const int x = (scaled.width() - width) / 2;
    const int y = qRound((scaled.height() - height) * vertical);
    return scaled.copy(x, y, width, height).convertToFormat(QImage::Format_RGB32);
}

// Brightens mid tones (gamma below 1): the anaglyph colours never reach full white, and the
// pictures carry text over them.
void lift(QImage& image, qreal gamma)
{
    uchar table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = uchar(qRound(255.0 * std::pow(i / 255.0, gamma)));
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            line[x] = qRgb(table[qRed(c)], table[qGreen(c)], table[qBlue(c)]);
        }
    }
}

QFont font(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Text with a soft dark halo so it stays legible on any part of the picture.
void haloText(QPainter& p, const QPointF& at, const QString& text, const QFont& f,
              const QColor& colour)
{
    QPainterPath path;
    path.addText(at, f, text);
    p.save();
    for (int i = 3; i >= 1; --i) {
        QPen pen(QColor(10, 16, 24, 45));
        pen.setWidthF(i * 2.0);
        pen.setJoinStyle(Qt::RoundJoin);
        p.strokePath(path, pen);
    }
    p.fillPath(path, colour);
    p.restore();
}

} // namespace

QImage anaglyph(const QImage& left, const QImage& right, const QColor& leftColour,
                const QColor& rightColour)
{
    const QImage l = left.convertToFormat(QImage::Format_RGB32);
    const QImage r = right.convertToFormat(QImage::Format_RGB32);
    const int w = qMin(l.width(), r.width());
    const int h = qMin(l.height(), r.height());
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const QRgb* lp = reinterpret_cast<const QRgb*>(l.constScanLine(y));
        const QRgb* rp = reinterpret_cast<const QRgb*>(r.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int gl = qGray(lp[x]);
            const int gr = qGray(rp[x]);
            const int red = (gl * leftColour.red() + gr * rightColour.red()) / 255;
            const int green = (gl * leftColour.green() + gr * rightColour.green()) / 255;
            const int blue = (gl * leftColour.blue() + gr * rightColour.blue()) / 255;
            o[x] = qRgb(qMin(red, 255), qMin(green, 255), qMin(blue, 255));
        }
    }
    return out;
}

QImage splash(const QImage& anaglyphImage, const QImage& mark, const QString& version)
{
    QImage image = cover(anaglyphImage, 500, 300, 0.45);
    lift(image, 0.8);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    // Darken the left side for the title; the picture stays clear on the right.
    QLinearGradient shade(0, 0, 500, 0);
    shade.setColorAt(0.0, QColor(14, 22, 32, 205));
    shade.setColorAt(0.40, QColor(14, 22, 32, 135));
    shade.setColorAt(0.70, QColor(14, 22, 32, 0));
    p.fillRect(image.rect(), shade);
    QLinearGradient bottom(0, 230, 0, 300);
    bottom.setColorAt(0.0, QColor(14, 22, 32, 0));
    bottom.setColorAt(1.0, QColor(14, 22, 32, 150));
    p.fillRect(QRect(0, 230, 500, 70), bottom);

    p.drawImage(QPointF(30, 44), mark);
    haloText(p, QPointF(88, 84), QStringLiteral("Tarvix"), font(46, true), QColor("#ffffff"));
    // Red and cyan rule under the name.
    p.fillRect(QRectF(32, 104, 110, 3), QColor("#d8463a"));
    p.fillRect(QRectF(142, 104, 110, 3), QColor("#2cb0e6"));
    haloText(p, QPointF(32, 134), QStringLiteral("Stereo image viewer"), font(19, false),
             QColor("#e6edf4"));
    haloText(p, QPointF(32, 278), QStringLiteral("Version ") + version, font(13, false),
             QColor("#d5dde6"));
    haloText(p, QPointF(300, 278), QStringLiteral("Best viewed with red/cyan glasses"),
             font(11, false), QColor("#c5ced8"));
    p.end();
    return image;
}

QImage about(const QImage& anaglyphImage, const QImage& mark)
{
    QImage image = cover(anaglyphImage, 400, 250, 0.4);
    lift(image, 0.8);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient bottom(0, 160, 0, 250);
    bottom.setColorAt(0.0, QColor(14, 22, 32, 0));
    bottom.setColorAt(1.0, QColor(14, 22, 32, 200));
    p.fillRect(QRect(0, 160, 400, 90), bottom);
    p.drawImage(QPointF(18, 188),
                mark.scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    haloText(p, QPointF(68, 224), QStringLiteral("Tarvix"), font(32, true), QColor("#ffffff"));
    p.end();
    return image;
}

} // namespace art
