#include "kvbackbuffer.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr QRgb kOpaque = 0xff000000u;

void fillRow(QRgb* dst, int count, QRgb value)
{
    std::fill(dst, dst + count, value);
}

void gatherRow32(const QRgb* src, const int* columns, QRgb* dst, int count)
{
    for (int i = 0; i < count; ++i)
        dst[i] = src[columns[i]] | kOpaque;
}

void copyRow32(const QRgb* src, QRgb* dst, int count, bool opaque)
{
    if (opaque) {
        std::memcpy(dst, src, size_t(count) * sizeof(QRgb));
        return;
    }
    for (int i = 0; i < count; ++i)
        dst[i] = src[i] | kOpaque;
}

void gatherRow8(const uchar* src, const int* columns, const QRgb* table, QRgb* dst, int count)
{
    for (int i = 0; i < count; ++i)
        dst[i] = table[src[columns[i]]];
}

// Yields n * numerator / denominator (integer division, n >= 0) for n, n + 1, ... with one
// division at the start instead of one per step.
class RatioStepper
{
public:
    RatioStepper(qint64 n, qint64 numerator, qint64 denominator)
        : m_quotient(n * numerator / denominator)
        , m_remainder(n * numerator % denominator)
        , m_stepQuotient(numerator / denominator)
        , m_stepRemainder(numerator % denominator)
        , m_denominator(denominator)
    {
    }

    qint64 value() const { return m_quotient; }

    void next()
    {
        m_quotient += m_stepQuotient;
        m_remainder += m_stepRemainder;
        if (m_remainder >= m_denominator) {
            m_remainder -= m_denominator;
            ++m_quotient;
        }
    }

private:
    qint64 m_quotient;
    qint64 m_remainder;
    qint64 m_stepQuotient;
    qint64 m_stepRemainder;
    qint64 m_denominator;
};

int positiveModulo(int value, int modulus)
{
    const int r = value % modulus;
    return r < 0 ? r + modulus : r;
}

} // namespace

void kvRenderZoomed(const KVZoomedImage& source, int cx, int cy, int cw, int ch, QImage* dst,
                    int px, int py)
{
    if (!dst || dst->isNull() || dst->depth() != 32)
        return;
    // Clip the destination rectangle to dst and move the contents rectangle along.
    if (px < 0) {
        cx -= px;
        cw += px;
        px = 0;
    }
    if (py < 0) {
        cy -= py;
        ch += py;
        py = 0;
    }
    cw = std::min(cw, dst->width() - px);
    ch = std::min(ch, dst->height() - py);
    if (cw <= 0 || ch <= 0)
        return;

    uchar* const dstBits = dst->bits();
    const qsizetype dstStride = dst->bytesPerLine();
    auto dstRow
            = [&](int j) { return reinterpret_cast<QRgb*>(dstBits + (py + j) * dstStride) + px; };

    const QImage* image = source.image;
    const int cwTotal = source.contentsWidth;
    const int chTotal = source.contentsHeight;
    const bool readable = image && !image->isNull() && cwTotal > 0 && chTotal > 0
                          && (image->depth() == 32 || (image->depth() == 8 && source.colorTable));
    std::unique_ptr<int[]> columns;
    if (readable)
        columns.reset(new (std::nothrow) int[cw]);
    if (!columns) {
        for (int j = 0; j < ch; ++j)
            fillRow(dstRow(j), cw, kOpaque);
        return;
    }

    const qint64 w = image->width();
    const qint64 h = image->height();
    // Columns [i0, i1) of the rectangle lie inside the zoomed image; the rest is black.
    const int i0 = std::clamp(-cx, 0, cw);
    const int i1 = std::clamp(cwTotal - cx, i0, cw);
    RatioStepper column(qint64(cx) + i0, w, cwTotal);
    for (int i = i0; i < i1; ++i, column.next())
        columns[i] = int(column.value());

    const uchar* const srcBits = image->constBits();
    const qsizetype srcStride = image->bytesPerLine();
    const bool deep = image->depth() == 32;
    // At one image pixel per screen pixel horizontally a row is a plain copy.
    const bool oneToOne = deep && w == cwTotal;
    const bool opaqueSource = image->format() == QImage::Format_RGB32;
    // Rows [j0, j1) lie inside the zoomed image; the rest is black.
    const int j0 = std::clamp(-cy, 0, ch);
    const int j1 = std::clamp(chTotal - cy, j0, ch);
    for (int j = 0; j < j0; ++j)
        fillRow(dstRow(j), cw, kOpaque);
    for (int j = j1; j < ch; ++j)
        fillRow(dstRow(j), cw, kOpaque);
    RatioStepper row(qint64(cy) + j0, h, chTotal);
    qint64 previousSourceRow = -1;
    const QRgb* previous = nullptr;
    for (int j = j0; j < j1; ++j, row.next()) {
        QRgb* d = dstRow(j);
        const qint64 sourceRow = row.value();
        // Rows repeat when zoomed in: copy the one just made.
        if (sourceRow == previousSourceRow) {
            std::memcpy(d, previous, size_t(cw) * sizeof(QRgb));
            continue;
        }
        fillRow(d, i0, kOpaque);
        fillRow(d + i1, cw - i1, kOpaque);
        const uchar* s = srcBits + sourceRow * srcStride;
        if (i1 == i0)
            ; // nothing of the image in this rectangle's columns
        else if (oneToOne)
            copyRow32(reinterpret_cast<const QRgb*>(s) + columns[i0], d + i0, i1 - i0,
                      opaqueSource);
        else if (deep)
            gatherRow32(reinterpret_cast<const QRgb*>(s), columns.get() + i0, d + i0, i1 - i0);
        else
            gatherRow8(s, columns.get() + i0, source.colorTable, d + i0, i1 - i0);
        previousSourceRow = sourceRow;
        previous = d;
    }
}

void KVBackBuffer::clear()
{
    m_image = QImage();
    m_ringX = m_ringY = 0;
}

bool KVBackBuffer::update(const KVZoomedImage& source, int ox, int oy, int vw, int vh)
{
    if (vw <= 0 || vh <= 0) {
        clear();
        return true;
    }
    if (m_image.size() == QSize(vw, vh)) {
        if (ox == m_lastX && oy == m_lastY)
            return true;
        const qint64 dx = qint64(m_lastX) - ox;
        const qint64 dy = qint64(m_lastY) - oy;
        m_lastX = ox;
        m_lastY = oy;
        if (std::llabs(dx) < vw && std::llabs(dy) < vh) {
            scroll(source, int(dx), int(dy));
        } else {
            m_ringX = m_ringY = 0;
            render(source, QRect(0, 0, vw, vh));
        }
        return true;
    }

    // A new size. What the old buffer holds stays valid only while the offset is unchanged.
    QImage resized(vw, vh, QImage::Format_RGB32);
    if (resized.isNull()) {
        clear();
        return false;
    }
    const bool keep = !m_image.isNull() && ox == m_lastX && oy == m_lastY;
    const QSize kept = keep ? m_image.size().boundedTo(resized.size()) : QSize();
    if (keep) {
        QPainter p(&resized);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        draw(&p, QRect(QPoint(0, 0), kept));
    }
    m_image = std::move(resized);
    m_ringX = m_ringY = 0;
    m_lastX = ox;
    m_lastY = oy;
    if (!keep) {
        render(source, QRect(0, 0, vw, vh));
        return true;
    }
    if (kept.width() < vw)
        render(source, QRect(kept.width(), 0, vw - kept.width(), vh));
    if (kept.height() < vh)
        render(source, QRect(0, kept.height(), kept.width(), vh - kept.height()));
    return true;
}

void KVBackBuffer::scroll(const KVZoomedImage& source, int dx, int dy)
{
    const int vw = m_image.width();
    const int vh = m_image.height();
    // The content moves by (dx, dy) on screen: move the ring's origin the other way.
    m_ringX = positiveModulo(m_ringX - dx, vw);
    m_ringY = positiveModulo(m_ringY - dy, vh);

    // The column strip that came into view, full height, then the row strip over the rest.
    int restLeft = 0;
    int restWidth = vw;
    if (dx > 0) {
        render(source, QRect(0, 0, dx, vh));
        restLeft = dx;
        restWidth = vw - dx;
    } else if (dx < 0) {
        render(source, QRect(vw + dx, 0, -dx, vh));
        restWidth = vw + dx;
    }
    if (dy > 0)
        render(source, QRect(restLeft, 0, restWidth, dy));
    else if (dy < 0)
        render(source, QRect(restLeft, vh + dy, restWidth, -dy));
}

template<typename Function>
void KVBackBuffer::forEachPiece(const QRect& viewportRect, Function function) const
{
    const int vw = m_image.width();
    const int vh = m_image.height();
    const QRect r = viewportRect & QRect(0, 0, vw, vh);
    if (r.isEmpty())
        return;
    // A rectangle of the viewport lies in the ring in up to two pieces per direction.
    const int bx = (m_ringX + r.x()) % vw;
    const int by = (m_ringY + r.y()) % vh;
    const int firstWidth = std::min(r.width(), vw - bx);
    const int firstHeight = std::min(r.height(), vh - by);
    const int xs[2][3]
            = {{r.x(), bx, firstWidth}, {r.x() + firstWidth, 0, r.width() - firstWidth}};
    const int ys[2][3]
            = {{r.y(), by, firstHeight}, {r.y() + firstHeight, 0, r.height() - firstHeight}};
    for (const auto& y : ys) {
        for (const auto& x : xs) {
            if (x[2] > 0 && y[2] > 0)
                function(QRect(x[0], y[0], x[2], y[2]), QPoint(x[1], y[1]));
        }
    }
}

void KVBackBuffer::render(const KVZoomedImage& source, const QRect& viewportRect)
{
    forEachPiece(viewportRect, [&](const QRect& piece, const QPoint& at) {
        kvRenderZoomed(source, m_lastX + piece.x(), m_lastY + piece.y(), piece.width(),
                       piece.height(), &m_image, at.x(), at.y());
    });
}

void KVBackBuffer::draw(QPainter* p, const QRect& r) const
{
    if (!p || m_image.isNull())
        return;
    forEachPiece(r, [&](const QRect& piece, const QPoint& at) {
        p->drawImage(piece.topLeft(), m_image, QRect(at, piece.size()));
    });
}

QImage KVBackBuffer::toImage() const
{
    QImage result(m_image.size(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    QPainter p(&result);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    draw(&p, result.rect());
    return result;
}
