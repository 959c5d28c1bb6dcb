#include "kvstereoviewer.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

// ---- composition ----------------------------------------------------------------------------

// The row code is inlined into each processor-specific copy of the band functions below, so
// that every copy is compiled, and vectorised, for its own instruction set.
#if defined(__GNUC__) || defined(__clang__)
#define KV_INLINE inline __attribute__((always_inline))
#else
#define KV_INLINE inline
#endif

namespace {

constexpr QRgb kOpaqueBlack = 0xff000000u;

// Products of a grey value with each eye's colour; a channel is the sum of both eyes' products
// divided by 256.
struct Weights
{
    quint32 lr = 0, lg = 0, lb = 0;
    quint32 rr = 0, rg = 0, rb = 0;
};

KV_INLINE quint32 greyOf(QRgb p)
{
    return (11u * ((p >> 16) & 0xffu) + 16u * ((p >> 8) & 0xffu) + 5u * (p & 0xffu)) >> 5;
}

// Where both colours have a channel the sum can pass 255: it saturates there, so that a bright
// pixel stays bright instead of wrapping round to a dark one.
KV_INLINE QRgb mix(quint32 gl, quint32 gr, const Weights& w)
{
    const quint32 r = std::min((gl * w.lr + gr * w.rr) >> 8, 255u);
    const quint32 g = std::min((gl * w.lg + gr * w.rg) >> 8, 255u);
    const quint32 b = std::min((gl * w.lb + gr * w.rb) >> 8, 255u);
    return kOpaqueBlack | (r << 16) | (g << 8) | b;
}

// One image's pixels from a given column on; grey(i) is the grey of the i-th of them.
struct DirectPixels
{
    const QRgb* p = nullptr;
    KV_INLINE quint32 grey(int i) const { return greyOf(p[i]); }
    KV_INLINE DirectPixels from(qint64 i) const { return DirectPixels{p + i}; }
};

struct IndexedPixels
{
    const uchar* p = nullptr;
    const quint8* greys = nullptr; // 256 entries
    KV_INLINE quint32 grey(int i) const { return greys[p[i]]; }
    KV_INLINE IndexedPixels from(qint64 i) const { return IndexedPixels{p + i, greys}; }
};

// The three span kernels are straight loops without a test per pixel, so that the compiler
// vectorises them.
template<class Pixels>
KV_INLINE void spanBoth(QRgb* out, Pixels left, Pixels right, int n, const Weights& w)
{
    for (int i = 0; i < n; ++i)
        out[i] = mix(left.grey(i), right.grey(i), w);
}

template<class Pixels>
KV_INLINE void spanLeft(QRgb* out, Pixels left, int n, const Weights& w)
{
    for (int i = 0; i < n; ++i)
        out[i] = mix(left.grey(i), 0, w);
}

template<class Pixels>
KV_INLINE void spanRight(QRgb* out, Pixels right, int n, const Weights& w)
{
    for (int i = 0; i < n; ++i)
        out[i] = mix(0, right.grey(i), w);
}

struct Source
{
    const uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    int width = 0;
    int height = 0;
    std::array<quint8, 256> greys{};
};

struct Job
{
    Source left;
    Source right;
    uchar* out = nullptr;
    qsizetype outBytesPerLine = 0;
    int width = 0;
    int height = 0;
    qint64 deltaX = 0;
    qint64 deltaY = 0;
    qint64 halfY = 0;
    Weights weights;
};

KV_INLINE qint64 clampTo(qint64 v, qint64 lo, qint64 hi)
{
    return std::max(lo, std::min(v, hi));
}

template<class Pixels>
Pixels rowPixels(const Source& s, qint64 row);

template<>
KV_INLINE DirectPixels rowPixels<DirectPixels>(const Source& s, qint64 row)
{
    return DirectPixels{reinterpret_cast<const QRgb*>(s.bits + row * s.bytesPerLine)};
}

template<>
KV_INLINE IndexedPixels rowPixels<IndexedPixels>(const Source& s, qint64 row)
{
    return IndexedPixels{s.bits + row * s.bytesPerLine, s.greys.data()};
}

// Output rows [y0, y1). Each row splits into at most five spans, each covered by the left
// image, the right image, both or neither; the tests happen once per span, not per pixel.
template<class Pixels>
KV_INLINE void composeRows(const Job& job, int y0, int y1)
{
    const qint64 w = job.width;
    for (int y = y0; y < y1; ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(job.out + qsizetype(y) * job.outBytesPerLine);
        const qint64 leftRow = y - job.halfY;
        const qint64 rightRow = y - job.halfY + job.deltaY;
        const bool hasLeft = leftRow >= 0 && leftRow < job.left.height;
        const bool hasRight = rightRow >= 0 && rightRow < job.right.height;
        // Output columns each image covers: left column x - deltaX, right column x + deltaX.
        qint64 la = 0, lb = 0, ra = 0, rb = 0;
        if (hasLeft) {
            la = clampTo(job.deltaX, 0, w);
            lb = std::max(la, clampTo(job.left.width + job.deltaX, 0, w));
        }
        if (hasRight) {
            ra = clampTo(-job.deltaX, 0, w);
            rb = std::max(ra, clampTo(job.right.width - job.deltaX, 0, w));
        }
        const Pixels left = hasLeft ? rowPixels<Pixels>(job.left, leftRow) : Pixels{};
        const Pixels right = hasRight ? rowPixels<Pixels>(job.right, rightRow) : Pixels{};
        qint64 x = 0;
        while (x < w) {
            const bool inLeft = x >= la && x < lb;
            const bool inRight = x >= ra && x < rb;
            qint64 end = w;
            for (const qint64 b : {la, lb, ra, rb}) {
                if (b > x)
                    end = std::min(end, b);
            }
            const int n = int(end - x);
            if (inLeft && inRight)
                spanBoth(out + x, left.from(x - job.deltaX), right.from(x + job.deltaX), n,
                         job.weights);
            else if (inLeft)
                spanLeft(out + x, left.from(x - job.deltaX), n, job.weights);
            else if (inRight)
                spanRight(out + x, right.from(x + job.deltaX), n, job.weights);
            else
                std::fill(out + x, out + end, kOpaqueBlack);
            x = end;
        }
    }
}

// The kernels are compiled for AVX2 as well and the processor picks at load time, so the
// program still runs on any x86-64.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KV_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KV_SIMD_CLONES
#endif

KV_SIMD_CLONES void composeDirectRows(const Job& job, int y0, int y1)
{
    composeRows<DirectPixels>(job, y0, y1);
}

KV_SIMD_CLONES void composeIndexedRows(const Job& job, int y0, int y1)
{
    composeRows<IndexedPixels>(job, y0, y1);
}

bool isDirect(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
           || format == QImage::Format_ARGB32_Premultiplied;
}

// The grey of every index: through the colour table, white without one, black past its end.
std::array<quint8, 256> indexGreys(const QImage& image)
{
    std::array<quint8, 256> greys{};
    if (image.format() == QImage::Format_Grayscale8) {
        for (int i = 0; i < 256; ++i)
            greys[size_t(i)] = quint8(i);
        return greys;
    }
    const QList<QRgb> table = image.colorTable();
    if (table.isEmpty()) {
        greys.fill(255);
        return greys;
    }
    for (int i = 0; i < 256 && i < table.size(); ++i)
        greys[size_t(i)] = quint8(greyOf(table[i]));
    return greys;
}

Source sourceOf(const QImage& image)
{
    Source s;
    s.bits = image.constBits();
    s.bytesPerLine = image.bytesPerLine();
    s.width = image.width();
    s.height = image.height();
    return s;
}

// Rows are split over the processor's cores when the picture is big enough to repay the
// threads; every row is computed the same way whichever thread does it.
constexpr qint64 kPixelsPerThread = 1 << 20;

constexpr int kMaxThreads = 8;

template<class Rows>
void runRows(const Job& job, Rows rows, int maxThreads)
{
    const qint64 pixels = qint64(job.width) * job.height;
    const qint64 cores
            = maxThreads > 0 ? maxThreads : std::max(1u, std::thread::hardware_concurrency());
    const int threads = int(
            std::min<qint64>({cores, pixels / kPixelsPerThread, qint64(job.height), kMaxThreads}));
    if (threads <= 1) {
        rows(job, 0, job.height);
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(threads - 1));
    const auto band = [&](int i) { return int(qint64(job.height) * i / threads); };
    for (int i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back(rows, std::cref(job), band(i), band(i + 1));
        } catch (...) {
            // No thread to be had: this one does the band itself.
            rows(job, band(i), band(i + 1));
        }
    }
    rows(job, 0, band(1));
    for (std::thread& t : helpers)
        t.join();
}

} // namespace

QSize kvAnaglyphSize(const QImage& left, const QImage& right)
{
    if (left.isNull() || right.isNull() || left.depth() != right.depth())
        return QSize();
    if (left.depth() != 8 && left.depth() != 32)
        return QSize();
    return QSize(std::max(left.width(), right.width()), std::max(left.height(), right.height()));
}

bool kvComposeAnaglyph(const QImage& left, const QImage& right, const QColor& leftColor,
                       const QColor& rightColor, int deltaX, int deltaY, QImage* target,
                       int threads)
{
    const QSize size = kvAnaglyphSize(left, right);
    if (size.isEmpty() || !target || target->size() != size
        || (target->format() != QImage::Format_RGB32 && target->format() != QImage::Format_ARGB32))
        return false;

    const bool indexed = left.depth() == 8;
    QImage l = left;
    QImage r = right;
    if (!indexed) {
        // 32-bit layouts other than 0xAARRGGBB are read through a converted copy.
        if (!isDirect(l.format()))
            l = l.convertToFormat(QImage::Format_RGB32);
        if (!isDirect(r.format()))
            r = r.convertToFormat(QImage::Format_RGB32);
        if (l.isNull() || r.isNull()) {
            qWarning("MEMORY EXCEPTION");
            return false;
        }
    }

    Job job;
    job.left = sourceOf(l);
    job.right = sourceOf(r);
    if (indexed) {
        job.left.greys = indexGreys(l);
        job.right.greys = indexGreys(r);
    }
    job.weights.lr = quint32(leftColor.red());
    job.weights.lg = quint32(leftColor.green());
    job.weights.lb = quint32(leftColor.blue());
    job.weights.rr = quint32(rightColor.red());
    job.weights.rg = quint32(rightColor.green());
    job.weights.rb = quint32(rightColor.blue());
    job.out = target->bits();
    job.outBytesPerLine = target->bytesPerLine();
    job.width = size.width();
    job.height = size.height();
    job.deltaX = deltaX;
    job.deltaY = deltaY;
    job.halfY = deltaY / 2;
    runRows(job, indexed ? composeIndexedRows : composeDirectRows, threads);
    return true;
}

// ---- composite buffers ----------------------------------------------------------------------

// Up to two pixel buffers of the composite's size, reused while no image refers to them any
// more. The composite handed to the viewer core wraps one of them; the next composition writes
// into the other, and the one given up by the core is free again after that. A buffer that
// someone else still holds a copy of is never written: a fresh one is taken instead.
class KVStereoViewer::CompositeBuffers
{
public:
    ~CompositeBuffers()
    {
        for (Block* block : m_blocks)
            release(block);
    }

    // A Format_RGB32 image of the size over a free buffer; null when memory is short.
    QImage acquire(const QSize& size)
    {
        // Buffers of another size are of no further use once they are free.
        for (auto it = m_blocks.begin(); it != m_blocks.end();) {
            Block* block = *it;
            if (block->users.load() == 1 && block->size != size) {
                release(block);
                it = m_blocks.erase(it);
            } else {
                ++it;
            }
        }
        Block* free = nullptr;
        for (Block* block : m_blocks) {
            if (block->users.load() == 1) {
                free = block;
                break;
            }
        }
        if (!free) {
            if (m_blocks.size() >= kMaxBlocks) {
                // Both are held elsewhere: give the older one up to its holders.
                release(m_blocks.front());
                m_blocks.erase(m_blocks.begin());
            }
            free = allocate(size);
            if (!free)
                return QImage();
            m_blocks.push_back(free);
        }
        ++free->users;
        QImage image(free->data, size.width(), size.height(), qsizetype(size.width()) * 4,
                     QImage::Format_RGB32, &CompositeBuffers::imageGone, free);
        if (image.isNull())
            --free->users;
        return image;
    }

private:
    struct Block
    {
        // This pool and every image over the buffer; the last one frees it.
        std::atomic<int> users{1};
        QSize size;
        uchar* data = nullptr;
    };

    static constexpr size_t kMaxBlocks = 2;
    static constexpr size_t kAlignment = 64;

    static Block* allocate(const QSize& size)
    {
        const size_t bytes = size_t(size.width()) * size_t(size.height()) * 4;
        const size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
        auto* data = static_cast<uchar*>(std::aligned_alloc(kAlignment, rounded));
        if (!data)
            return nullptr;
        auto* block = new (std::nothrow) Block;
        if (!block) {
            std::free(data);
            return nullptr;
        }
        block->size = size;
        block->data = data;
        return block;
    }

    static void release(Block* block)
    {
        if (--block->users == 0) {
            std::free(block->data);
            delete block;
        }
    }

    static void imageGone(void* info) { release(static_cast<Block*>(info)); }

    std::vector<Block*> m_blocks;
};

// ---- viewer ---------------------------------------------------------------------------------

KVStereoViewer::KVStereoViewer(const QImage& leftImage, const QImage& rightImage, QWidget* parent,
                               const char* name, Qt::WindowFlags f)
    : KVXImgViewer(parent, name, f)
    , m_leftColor(0xb8, 0x00, 0x00)
    , m_rightColor(0x00, 0xb8, 0xff)
    , m_buffers(std::make_unique<CompositeBuffers>())
{
    setImages(leftImage, rightImage);
    m_xTimer = new QTimer(this);
    m_xTimer->setSingleShot(true);
    m_xTimer->setInterval(0);
    connect(m_xTimer, &QTimer::timeout, this, &KVStereoViewer::setDeltaXInternal);
    m_yTimer = new QTimer(this);
    m_yTimer->setSingleShot(true);
    m_yTimer->setInterval(0);
    connect(m_yTimer, &QTimer::timeout, this, &KVStereoViewer::setDeltaYInternal);
}

// The viewer core still holds the last composite; its buffer goes when the core lets it go.
KVStereoViewer::~KVStereoViewer() = default;

void KVStereoViewer::setImages(const QImage& leftImage, const QImage& rightImage)
{
    m_leftImage = leftImage;
    m_rightImage = rightImage;
    if (isVisible()) {
        m_pending = false;
        recompose();
    } else {
        m_pending = true;
    }
}

const QImage& KVStereoViewer::leftImage() const
{
    return m_leftImage;
}

const QImage& KVStereoViewer::rightImage() const
{
    return m_rightImage;
}

int KVStereoViewer::deltaX() const
{
    return m_deltaX;
}

int KVStereoViewer::deltaY() const
{
    return m_deltaY;
}

QColor KVStereoViewer::leftColor() const
{
    return m_leftColor;
}

QColor KVStereoViewer::rightColor() const
{
    return m_rightColor;
}

void KVStereoViewer::setAnaglyphColors(const QColor& leftColor, const QColor& rightColor)
{
    if (!leftColor.isValid() || !rightColor.isValid())
        return;
    if (leftColor == m_leftColor && rightColor == m_rightColor)
        return;
    m_leftColor = leftColor;
    m_rightColor = rightColor;
    recompose();
    emit anaglyphColorsChanged(leftColor, rightColor);
}

void KVStereoViewer::setDeltaX(int deltaX)
{
    setDeltaX(deltaX, false);
}

void KVStereoViewer::setDeltaX(int deltaX, bool immediateMode)
{
    setOffset(m_deltaX, deltaX, immediateMode, &KVStereoViewer::displacementXChanged,
              &KVStereoViewer::setDeltaXInternal, m_xTimer);
}

void KVStereoViewer::setDeltaY(int deltaY)
{
    setDeltaY(deltaY, false);
}

void KVStereoViewer::setDeltaY(int deltaY, bool immediateMode)
{
    setOffset(m_deltaY, deltaY, immediateMode, &KVStereoViewer::displacementYChanged,
              &KVStereoViewer::setDeltaYInternal, m_yTimer);
}

void KVStereoViewer::setOffset(int& offset, int value, bool immediateMode,
                               void (KVStereoViewer::*changed)(int),
                               void (KVStereoViewer::*composeNow)(), QTimer* timer)
{
    if (value == offset && !immediateMode)
        return;
    const bool isNew = value != offset;
    offset = value;
    emit(this->*changed)(value);
    if (!isVisible()) {
        // Composed when the viewer is shown, so that it never shows a stale offset.
        m_pending = m_pending || isNew;
        return;
    }
    if (immediateMode)
        (this->*composeNow)();
    else
        timer->start();
}

void KVStereoViewer::setDeltaXInternal()
{
    recomposeAfterOffsetChange();
}

void KVStereoViewer::setDeltaYInternal()
{
    recomposeAfterOffsetChange();
}

void KVStereoViewer::recomposeAfterOffsetChange()
{
    // One composition takes both offsets as they are now, so a change of the other offset
    // waiting for the event loop is served by it as well.
    m_xTimer->stop();
    m_yTimer->stop();
    if (!isVisible()) {
        m_pending = true;
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    recompose();
    const QPointF p = imagePoint(viewport()->mapFromGlobal(QCursor::pos()));
    emit cursorPos(p.x(), p.y());
    QGuiApplication::restoreOverrideCursor();
}

void KVStereoViewer::recompose()
{
    m_pending = false;
    setImage(composeAnaglyph(), true);
}

QImage KVStereoViewer::composeAnaglyph()
{
    const QSize size = kvAnaglyphSize(m_leftImage, m_rightImage);
    if (size.isEmpty())
        return QImage();
    QImage composite = m_buffers->acquire(size);
    if (composite.isNull()) {
        qWarning("MEMORY EXCEPTION");
        return QImage();
    }
    if (!kvComposeAnaglyph(m_leftImage, m_rightImage, m_leftColor, m_rightColor, m_deltaX,
                           m_deltaY, &composite))
        return QImage();
    return composite;
}

void KVStereoViewer::showEvent(QShowEvent* e)
{
    if (m_pending)
        recompose();
    KVXImgViewer::showEvent(e);
}
