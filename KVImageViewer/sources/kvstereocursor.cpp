#include "kvstereocursor.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace {

// Cursor geometry is computed in 64 bits and kept within this range, so that no disparity or
// position, however absurd, overflows a QRect.
constexpr qint64 kCoordinateLimit = qint64(1) << 29;

int clampCoordinate(qint64 v)
{
    return int(std::max(-kCoordinateLimit, std::min(v, kCoordinateLimit)));
}

bool isDirect32(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
           || format == QImage::Format_ARGB32_Premultiplied;
}

quint32 greyOf(QRgb c)
{
    return (11u * quint32(qRed(c)) + 16u * quint32(qGreen(c)) + 5u * quint32(qBlue(c))) / 32u;
}

int tintChannel(quint32 grey, int channel)
{
    const quint32 p = grey * quint32(channel);
    if (p == 0)
        return 0;
    if (p <= 255)
        return 1;
    return int(p >> 8);
}

// Only images and pixmaps give their pixels back; a widget's painter, for one, does not.
bool isReadable(const QPaintDevice* device)
{
    return device
           && (device->devType() == QInternal::Image || device->devType() == QInternal::Pixmap);
}

// What p's readable device shows in the device rectangle r.
QImage readBack(QPainter* p, const QRect& r)
{
    QPaintDevice* device = p->device();
    if (device->devType() == QInternal::Image)
        return static_cast<QImage*>(device)->copy(r);
    return static_cast<QPixmap*>(device)->copy(r).toImage();
}

} // namespace

void kvMergeChannelsRow(QRgb* dst, const QRgb* overlay, int count)
{
    for (int i = 0; i < count; ++i) {
        const QRgb o = overlay[i] & 0x00ffffffu;
        if (o == 0)
            continue;
        // 0xff in every channel the overlay has, 0 in the others.
        quint32 mask = 0;
        if (o & 0x00ff0000u)
            mask |= 0x00ff0000u;
        if (o & 0x0000ff00u)
            mask |= 0x0000ff00u;
        if (o & 0x000000ffu)
            mask |= 0x000000ffu;
        dst[i] = 0xff000000u | (dst[i] & ~mask) | (o & mask);
    }
}

void kvMergeChannels(QImage* target, const QImage& overlay, int x, int y)
{
    if (!target || target->isNull() || overlay.isNull() || !isDirect32(target->format()))
        return;
    const QImage source = isDirect32(overlay.format())
                                  ? overlay
                                  : overlay.convertToFormat(QImage::Format_ARGB32);
    if (source.isNull())
        return;
    const qint64 x0 = std::max<qint64>(x, 0);
    const qint64 y0 = std::max<qint64>(y, 0);
    const qint64 x1 = std::min<qint64>(qint64(x) + source.width(), target->width());
    const qint64 y1 = std::min<qint64>(qint64(y) + source.height(), target->height());
    if (x0 >= x1 || y0 >= y1)
        return;
    for (qint64 ty = y0; ty < y1; ++ty) {
        auto* dst = reinterpret_cast<QRgb*>(target->scanLine(int(ty)));
        const auto* src = reinterpret_cast<const QRgb*>(source.constScanLine(int(ty - y)));
        kvMergeChannelsRow(dst + x0, src + (x0 - x), int(x1 - x0));
    }
}

QImage kvTintImage(const QImage& image, const QColor& colour)
{
    QList<QRgb> table = image.colorTable();
    if (table.isEmpty())
        return image;
    for (QRgb& entry : table) {
        const quint32 g = greyOf(entry);
        entry = qRgba(tintChannel(g, colour.red()), tintChannel(g, colour.green()),
                      tintChannel(g, colour.blue()), qAlpha(entry));
    }
    QImage tinted = image;
    tinted.setColorTable(table);
    return tinted;
}

KVStereoCursor::KVStereoCursor(QWidget* widget, const QImage& leftImage, const QImage& rightImage,
                               int hotX, int hotY, int disparity)
    : QObject(widget)
    , m_widget(widget)
    , m_disparity(disparity)
{
    if (leftImage.size() != rightImage.size())
        qDebug("Left and right cursor images must be of the same size");
    if (leftImage.depth() != 32 || rightImage.depth() != 32)
        qDebug("Left and right cursor images must be of depth 32");
    setImages(leftImage, rightImage, hotX, hotY);
}

KVStereoCursor::~KVStereoCursor() = default;

void KVStereoCursor::setImages(const QImage& leftImage, const QImage& rightImage, int hotX,
                               int hotY)
{
    m_leftImage = leftImage;
    m_rightImage = rightImage;
    m_hotX = hotX < 0 ? leftImage.width() / 2 : hotX;
    m_hotY = hotY < 0 ? leftImage.height() / 2 : hotY;
}

QRect KVStereoCursor::boundingRect() const
{
    if (isHidden())
        return QRect();
    const qint64 d = std::abs(qint64(m_disparity));
    const qint64 left = qint64(m_x) - m_hotX - d;
    const qint64 top = qint64(m_y) - m_hotY;
    const qint64 right = qint64(m_x) - m_hotX + m_leftImage.width() + d - 1;
    const qint64 bottom = top + m_leftImage.height() - 1;
    if (right < left || bottom < top)
        return QRect();
    return QRect(QPoint(clampCoordinate(left), clampCoordinate(top)),
                 QPoint(clampCoordinate(right), clampCoordinate(bottom)));
}

void KVStereoCursor::updateArea(const QRect& oldRect, const QRect& newRect)
{
    if (!m_widget)
        return;
    // One repaint when the areas overlap, so that a moving cursor does not flicker.
    if (oldRect.intersects(newRect)) {
        m_widget->update(oldRect.united(newRect));
    } else {
        m_widget->update(oldRect);
        m_widget->update(newRect);
    }
}

void KVStereoCursor::moveTo(int x, int y)
{
    if (!m_widget)
        return;
    const QRect oldRect = boundingRect();
    m_x = x;
    m_y = y;
    updateArea(oldRect, boundingRect());
}

void KVStereoCursor::moveTo(const QPoint& pos)
{
    moveTo(pos.x(), pos.y());
}

void KVStereoCursor::hide()
{
    const QRect oldRect = boundingRect();
    m_x = -1;
    m_y = -1;
    if (m_widget)
        m_widget->update(oldRect);
}

void KVStereoCursor::setDisparity(int d)
{
    if (d == m_disparity)
        return;
    const QRect oldRect = boundingRect();
    m_disparity = d;
    updateArea(oldRect, boundingRect());
    emit disparityChanged(d);
}

void KVStereoCursor::contentsScrolled(int dx, int dy)
{
    if (isHidden())
        return;
    const QRect r = boundingRect();
    updateArea(r.translated(dx, dy), r);
}

void KVStereoCursor::draw(QPainter* p) const
{
    if (isHidden() || !p || !p->isActive())
        return;
    const QRect bounds = boundingRect();
    if (bounds.isEmpty())
        return;
    // Work in device pixels: only the painter's translation is followed.
    const QTransform t = p->combinedTransform();
    const qint64 tx = qRound64(t.dx());
    const qint64 ty = qRound64(t.dy());
    QPaintDevice* device = p->device();
    if (!isReadable(device)) {
        qDebug("Background pixmap could not be converted to 32 bit depth");
        return;
    }
    const QRect area = QRect(QPoint(clampCoordinate(bounds.left() + tx),
                                    clampCoordinate(bounds.top() + ty)),
                             bounds.size())
                       & QRect(0, 0, device->width(), device->height());
    if (area.isEmpty())
        return;

    QImage background = readBack(p, area);
    if (!background.isNull() && !isDirect32(background.format()))
        background = background.convertToFormat(QImage::Format_RGB32);
    if (background.isNull() || background.depth() != 32) {
        qDebug("Background pixmap could not be converted to 32 bit depth");
        return;
    }

    // Relative to the area: the left image d pixels left of the hot spot, the right image d
    // pixels right of it.
    const qint64 imageX = qint64(m_x) - m_hotX + tx - area.left();
    const qint64 imageY = qint64(m_y) - m_hotY + ty - area.top();
    const int y = clampCoordinate(imageY);
    kvMergeChannels(&background, m_leftImage, clampCoordinate(imageX - m_disparity), y);
    kvMergeChannels(&background, m_rightImage, clampCoordinate(imageX + m_disparity), y);

    p->save();
    p->setViewTransformEnabled(false);
    p->resetTransform();
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(area.topLeft(), background);
    p->restore();
}

QImage KVStereoCursor::crossPattern()
{
    constexpr int kSize = 64;
    QImage pattern(kSize, kSize, QImage::Format_Indexed8);
    if (pattern.isNull())
        return pattern;
    pattern.setColorTable({qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(0xb3, 0xb3, 0xb3)});
    pattern.fill(0);
    // Index of a bar's cross section: outline, grey centre, outline.
    const auto across = [](int i) -> uchar {
        if ((i >= 27 && i <= 29) || (i >= 34 && i <= 36))
            return 1;
        return (i >= 30 && i <= 33) ? 2 : 0;
    };
    const auto inArm = [](int i) { return i <= 26 || i >= 37; };
    const auto inHorizontalArm = [](int i) { return i <= 28 || i >= 35; };
    for (int y = 0; y < kSize; ++y) {
        uchar* line = pattern.scanLine(y);
        for (int x = 0; x < kSize; ++x) {
            if (inArm(y))
                line[x] = across(x);
            else if (inHorizontalArm(x))
                line[x] = across(y);
        }
    }
    return pattern;
}

QImage KVStereoCursor::cursorImage(const QColor& colour)
{
    return kvTintImage(crossPattern(), colour).convertToFormat(QImage::Format_RGB32);
}
