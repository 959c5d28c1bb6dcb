#include "kvoverlayviewer.h"

#include <QList>
#include <QMouseEvent>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace {

inline uchar greyOf(QRgb c)
{
    return uchar((qRed(c) * 11 + qGreen(c) * 16 + qBlue(c) * 5) >> 5);
}

void greyRow32(const QRgb* in, uchar* out, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = greyOf(in[i]);
}

void blendRow32(const QRgb* in, uchar* out, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = uchar((greyOf(in[i]) + out[i]) >> 1);
}

void greyRow8(const uchar* in, const uchar* lut, uchar* out, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = lut[in[i]];
}

void blendRow8(const uchar* in, const uchar* lut, uchar* out, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = uchar((lut[in[i]] + out[i]) >> 1);
}

// Grey value of each 8-bit pixel value: through the colour table of an indexed image (entries
// past the table are black), the value itself for grey and alpha images.
std::array<uchar, 256> greyTable(const QImage& image)
{
    std::array<uchar, 256> lut{};
    if (image.format() == QImage::Format_Indexed8) {
        const QList<QRgb> table = image.colorTable();
        for (int i = 0; i < 256 && i < table.size(); ++i)
            lut[size_t(i)] = greyOf(table[i]);
    } else {
        for (int i = 0; i < 256; ++i)
            lut[size_t(i)] = uchar(i);
    }
    return lut;
}

// A 32-bit image whose pixels read as 0xAARRGGBB words.
QImage as32(const QImage& image)
{
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

const QList<QRgb>& greyColours()
{
    static const QList<QRgb> colours = [] {
        QList<QRgb> c(256);
        for (int i = 0; i < 256; ++i)
            c[i] = qRgb(i, i, i);
        return c;
    }();
    return colours;
}

// a + b within the int range.
int addSaturated(int a, int b)
{
    return int(std::clamp(int64_t(a) + b, int64_t(INT_MIN), int64_t(INT_MAX)));
}

} // namespace

QImage kvComposeOverlay(const QImage& first, const QImage& second, int deltaX, int deltaY)
{
    if (first.isNull() || second.isNull() || first.depth() != second.depth()
        || (second.depth() != 8 && second.depth() != 32))
        return QImage();
    const bool wide = second.depth() == 32;
    const QImage a = wide ? as32(first) : first;
    const QImage b = wide ? as32(second) : second;
    QImage result(b.width(), b.height(), QImage::Format_Indexed8);
    if (a.isNull() || b.isNull() || result.isNull()) {
        qWarning("MEMORY EXCEPTION");
        return QImage();
    }
    result.setColorTable(greyColours());

    const int w = b.width();
    const int h = b.height();
    const std::array<uchar, 256> lutA = wide ? std::array<uchar, 256>{} : greyTable(a);
    const std::array<uchar, 256> lutB = wide ? std::array<uchar, 256>{} : greyTable(b);
    for (int y = 0; y < h; ++y) {
        uchar* out = result.scanLine(y);
        if (wide)
            greyRow32(reinterpret_cast<const QRgb*>(b.constScanLine(y)), out, w);
        else
            greyRow8(b.constScanLine(y), lutB.data(), out, w);
    }

    // The overlap, in coordinates of the second image; 64 bits, so that no displacement can
    // overflow.
    const int64_t x0 = std::max<int64_t>(deltaX, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(deltaX) + a.width(), w);
    const int64_t y0 = std::max<int64_t>(deltaY, 0);
    const int64_t y1 = std::min<int64_t>(int64_t(deltaY) + a.height(), h);
    if (x0 >= x1 || y0 >= y1)
        return result;
    const int n = int(x1 - x0);
    const int firstX = int(x0 - deltaX);
    for (int64_t y = y0; y < y1; ++y) {
        uchar* out = result.scanLine(int(y)) + x0;
        const uchar* in = a.constScanLine(int(y - deltaY));
        if (wide)
            blendRow32(reinterpret_cast<const QRgb*>(in) + firstX, out, n);
        else
            blendRow8(in + firstX, lutA.data(), out, n);
    }
    return result;
}

KVOverlayViewer::KVOverlayViewer(QWidget* parent, const char* name, Qt::WindowFlags f)
    : KVXImgViewer(parent, name, f)
{
}

KVOverlayViewer::~KVOverlayViewer() = default;

void KVOverlayViewer::setImages(const QImage& first, const QImage& second)
{
    if (isVisible()) {
        m_imagesPending = false;
        applyImages(first, second);
        return;
    }
    m_firstImage = first;
    m_secondImage = second;
    m_imagesPending = true;
}

void KVOverlayViewer::applyImages(const QImage& first, const QImage& second)
{
    m_firstImage = first;
    m_secondImage = second;
    showComposition();
}

void KVOverlayViewer::showComposition()
{
    // A pair that cannot be blended shows nothing rather than the blend of an earlier pair.
    setImage(kvComposeOverlay(m_firstImage, m_secondImage, m_deltaX, m_deltaY), true);
}

int KVOverlayViewer::deltaX() const
{
    return m_deltaX;
}

int KVOverlayViewer::deltaY() const
{
    return m_deltaY;
}

void KVOverlayViewer::setDeltaX(int deltaX)
{
    if (deltaX == m_deltaX)
        return;
    m_deltaX = deltaX;
    emit displacementXChanged(deltaX);
    showComposition();
}

void KVOverlayViewer::setDeltaY(int deltaY)
{
    if (deltaY == m_deltaY)
        return;
    m_deltaY = deltaY;
    emit displacementYChanged(deltaY);
    showComposition();
}

void KVOverlayViewer::showEvent(QShowEvent* e)
{
    if (m_imagesPending) {
        m_imagesPending = false;
        applyImages(m_firstImage, m_secondImage);
    }
    KVXImgViewer::showEvent(e);
}

void KVOverlayViewer::mousePressEvent(QMouseEvent* e)
{
    if (m_pressedButton != 0)
        return;
    if (m_mode != ViewMode) {
        KVXImgViewer::mousePressEvent(e);
        return;
    }
    m_pressedButton = int(e->button());
    if (e->button() != Qt::LeftButton && e->button() != Qt::MiddleButton)
        return;
    m_savedCursor = viewport()->cursor();
    const QPoint pos = e->position().toPoint();
    m_dragLastX = pos.x();
    m_dragLastY = pos.y();
    viewport()->setCursor(Qt::SizeAllCursor);
    m_savedMode = m_mode;
    m_mode = PanMode;
}

void KVOverlayViewer::mouseMoveEvent(QMouseEvent* e)
{
    if (m_pressedButton != Qt::LeftButton && m_pressedButton != Qt::MiddleButton) {
        KVXImgViewer::mouseMoveEvent(e);
        return;
    }
    const QPoint pos = e->position().toPoint();
    // Viewport pixels, whatever the zoom: the image follows the hand at zoom 1.
    const int dx = pos.x() - m_dragLastX;
    const int dy = pos.y() - m_dragLastY;
    m_dragLastX = pos.x();
    m_dragLastY = pos.y();
    if (dx == 0 && dy == 0)
        return;
    if (dx != 0) {
        m_deltaX = addSaturated(m_deltaX, dx);
        emit displacementXChanged(m_deltaX);
    }
    if (dy != 0) {
        m_deltaY = addSaturated(m_deltaY, dy);
        emit displacementYChanged(m_deltaY);
    }
    showComposition();
}

void KVOverlayViewer::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_pressedButton == 0) {
        KVXImgViewer::mouseReleaseEvent(e);
        return;
    }
    if (int(e->button()) != m_pressedButton)
        return;
    m_pressedButton = 0;
    if (e->button() == Qt::RightButton) {
        emit rightButtonClicked(viewport()->mapToGlobal(e->position().toPoint()));
        return;
    }
    viewport()->setCursor(m_savedCursor);
    m_mode = m_savedMode;
}
