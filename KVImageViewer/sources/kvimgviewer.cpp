#include "kvimgviewer.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Far beyond the zoom limits; only an image swapped in at a high zoom gets near it. Keeps the
// contents size and everything derived from it inside int.
constexpr int kMaxContentsExtent = 1 << 30;
// Qt widgets cannot be larger; the viewport never grows beyond the zoomed image.
constexpr int kMaxViewportExtent = 32767;
constexpr double kZoomEpsilon = 1e-15;
constexpr int kMinZoomedExtent = 2;
constexpr int kMaxZoomedExtent = 75000;
constexpr QRgb kOpaque = 0xff000000u;

KVImgViewer::MessageBoxHook& messageBoxHook()
{
    static KVImgViewer::MessageBoxHook hook;
    return hook;
}

KVImgViewer::PrintSetupHook& printSetupHook()
{
    static KVImgViewer::PrintSetupHook hook;
    return hook;
}

void showWarning(QWidget* parent, const QString& caption, const QString& text)
{
    if (messageBoxHook()) {
        messageBoxHook()(parent, caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool runPrintSetup(QPrinter* printer, QWidget* parent)
{
    if (printSetupHook())
        return printSetupHook()(printer, parent);
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int contentsExtent(int imageExtent, double zoom)
{
    const double v = imageExtent * zoom;
    if (!(v > 0.0))
        return 0;
    if (v >= kMaxContentsExtent)
        return kMaxContentsExtent;
    return qRound(v);
}

bool isDirectlyReadable(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
           || format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

void KVImgViewer::setMessageBoxHook(MessageBoxHook hook)
{
    messageBoxHook() = std::move(hook);
}

void KVImgViewer::setPrintSetupHook(PrintSetupHook hook)
{
    printSetupHook() = std::move(hook);
}

KVImgViewer::KVImgViewer(QWidget* parent, const char* name, Qt::WindowFlags f)
    : QAbstractScrollArea(parent)
{
    setUp(name, f);
    adjustContents();
    viewport()->hide();
}

KVImgViewer::KVImgViewer(const QImage& image, QWidget* parent, const char* name, Qt::WindowFlags f)
    : QAbstractScrollArea(parent)
{
    setUp(name, f);
    // Not visible yet: the image waits for the first show.
    setImage(image, true);
}

void KVImgViewer::setUp(const char* name, Qt::WindowFlags f)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    if (f)
        setWindowFlags(f);
    setFocus();
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    // The viewport paints every pixel itself.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
}

KVImgViewer::~KVImgViewer() = default;

const QImage& KVImgViewer::image() const
{
    return m_image;
}

uchar* KVImgViewer::imageBits() const
{
    // No detach: the caller sees the very pixels that are shown.
    return m_image.isNull() ? nullptr : const_cast<uchar*>(m_image.constBits());
}

int KVImgViewer::imageWidth() const
{
    return m_image.width();
}

int KVImgViewer::imageHeight() const
{
    return m_image.height();
}

int KVImgViewer::imageDepth() const
{
    return m_image.depth();
}

double KVImgViewer::zoomFactor() const
{
    return m_zoomFactor;
}

uint KVImgViewer::zoomInOutFactor() const
{
    return m_zoomInOutFactor;
}

bool KVImgViewer::canZoomBack() const
{
    return !m_zoomStack.empty();
}

KVImgViewer::Mode KVImgViewer::mode() const
{
    return m_mode;
}

int KVImgViewer::contentsX() const
{
    return horizontalScrollBar()->value();
}

int KVImgViewer::contentsY() const
{
    return verticalScrollBar()->value();
}

int KVImgViewer::contentsWidth() const
{
    return m_contentsWidth;
}

int KVImgViewer::contentsHeight() const
{
    return m_contentsHeight;
}

int KVImgViewer::visibleWidth() const
{
    return viewport()->width();
}

int KVImgViewer::visibleHeight() const
{
    return viewport()->height();
}

void KVImgViewer::setContentsPos(int x, int y)
{
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

void KVImgViewer::scrollBy(int dx, int dy)
{
    setContentsPos(contentsX() + dx, contentsY() + dy);
}

void KVImgViewer::center(int x, int y)
{
    setContentsPos(x - visibleWidth() / 2, y - visibleHeight() / 2);
}

QPoint KVImgViewer::viewportToContents(const QPoint& p) const
{
    return p + QPoint(contentsX(), contentsY());
}

QPoint KVImgViewer::contentsToViewport(const QPoint& p) const
{
    return p - QPoint(contentsX(), contentsY());
}

// ---- images ---------------------------------------------------------------------------------

bool KVImgViewer::setImage(uchar* data, int width, int height, int depth, int alignment)
{
    Q_UNUSED(alignment)
    if (width <= 0 || height <= 0 || depth == 0) {
        setImage(QImage(), true);
        return true;
    }
    QImage wrapped;
    if (depth == 8) {
        wrapped = QImage(data, width, height, QImage::Format_Indexed8);
        QList<QRgb> greys(256);
        for (int i = 0; i < 256; ++i)
            greys[i] = qRgb(i, i, i);
        wrapped.setColorTable(greys);
    } else if (depth == 32) {
        wrapped = QImage(data, width, height, QImage::Format_RGB32);
    } else {
        showWarning(nullptr, tr("Image format not supported"),
                    tr("Image depth format (%1 bit) not supported").arg(depth));
        return false;
    }
    setImage(wrapped, true);
    return true;
}

void KVImgViewer::setImage(const QImage& image, bool eraseBackground)
{
    if (isVisible()) {
        m_imagePending = false;
        applyImage(image, eraseBackground);
        return;
    }
    m_image = image;
    m_converted = QImage();
    m_indexed = false;
    m_backBuffer.clear();
    m_imagePending = true;
}

void KVImgViewer::applyImage(const QImage& image, bool eraseBackground)
{
    // The viewport paints every pixel itself, so there is no background to keep or erase.
    Q_UNUSED(eraseBackground)
    m_image = image;
    prepareSource();
    m_backBuffer.clear();
    adjustContents();
    setViewportShown(m_contentsWidth > 0 && m_contentsHeight > 0);
    viewport()->update();
    emit imageChanged(m_image);
}

void KVImgViewer::prepareSource()
{
    m_converted = QImage();
    m_indexed = false;
    if (m_image.isNull() || isDirectlyReadable(m_image.format()))
        return;
    if (m_image.format() == QImage::Format_Indexed8) {
        // Indices beyond the table show black instead of reading past it.
        const QList<QRgb> table = m_image.colorTable();
        for (int i = 0; i < 256; ++i)
            m_colorTable[size_t(i)] = i < table.size() ? (table[i] | kOpaque) : kOpaque;
        m_indexed = true;
        return;
    }
    if (m_image.format() == QImage::Format_Grayscale8) {
        for (int i = 0; i < 256; ++i)
            m_colorTable[size_t(i)] = qRgb(i, i, i);
        m_indexed = true;
        return;
    }
    // Any other layout (1, 16, 24 bits, other byte orders) is shown through a 32-bit copy.
    m_converted = m_image.convertToFormat(QImage::Format_RGB32);
    if (m_converted.isNull())
        qWarning("MEMORY EXCEPTION");
}

KVZoomedImage KVImgViewer::zoomedImage() const
{
    KVZoomedImage source;
    if (!m_converted.isNull())
        source.image = &m_converted;
    else if (isDirectlyReadable(m_image.format()) || m_indexed)
        source.image = &m_image;
    source.colorTable = m_indexed ? m_colorTable.data() : nullptr;
    source.contentsWidth = m_contentsWidth;
    source.contentsHeight = m_contentsHeight;
    return source;
}

void KVImgViewer::invertColors()
{
    QImage inverted = m_image;
    // Drop our own references first, so that pixels nobody else shares are inverted in place.
    m_image = QImage();
    m_converted = QImage();
    m_backBuffer.clear();
    // Colours only: inverting the alpha as well would turn an opaque picture into an invisible
    // one as soon as it is exported. An indexed image's table is inverted, not its indices.
    if (inverted.format() == QImage::Format_Indexed8) {
        QList<QRgb> table = inverted.colorTable();
        for (QRgb& entry : table)
            entry ^= RGB_MASK;
        inverted.setColorTable(table);
    } else {
        inverted.invertPixels(QImage::InvertRgb);
    }
    setImage(inverted, true);
}

// ---- geometry -------------------------------------------------------------------------------

int KVImgViewer::horizontalBarExtent() const
{
    const QScrollBar* bar = horizontalScrollBar();
    if (bar->style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarOverlap, nullptr, bar) != 0)
        return 0;
    return bar->sizeHint().height();
}

int KVImgViewer::verticalBarExtent() const
{
    const QScrollBar* bar = verticalScrollBar();
    if (bar->style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarOverlap, nullptr, bar) != 0)
        return 0;
    return bar->sizeHint().width();
}

void KVImgViewer::adjustContents()
{
    m_contentsWidth = contentsExtent(imageWidth(), m_zoomFactor);
    m_contentsHeight = contentsExtent(imageHeight(), m_zoomFactor);
    updateScrollBars();
    viewport()->setMaximumSize(std::min(m_contentsWidth, kMaxViewportExtent),
                               std::min(m_contentsHeight, kMaxViewportExtent));
    centerImage();
}

void KVImgViewer::centerImage()
{
    // setViewportMargins() lays the children out at once, and the viewport's resize brings us
    // back here.
    if (m_inCentring)
        return;
    m_inCentring = true;

    int availW = width() - 2 * frameWidth();
    int availH = height() - 2 * frameWidth();
    const int cw = m_contentsWidth;
    const int ch = m_contentsHeight;
    const Qt::ScrollBarPolicy hPolicy = horizontalScrollBarPolicy();
    const Qt::ScrollBarPolicy vPolicy = verticalScrollBarPolicy();
    const int hExt = horizontalBarExtent();
    const int vExt = verticalBarExtent();
    bool needH = hPolicy == Qt::ScrollBarAlwaysOn
                 || (hPolicy == Qt::ScrollBarAsNeeded && cw > availW);
    const bool needV = vPolicy == Qt::ScrollBarAlwaysOn
                       || (vPolicy == Qt::ScrollBarAsNeeded && ch > availH - (needH ? hExt : 0));
    if (!needH && needV)
        needH = hPolicy == Qt::ScrollBarAsNeeded && cw > availW - vExt;
    if (needH)
        availH -= hExt;
    if (needV)
        availW -= vExt;

    int left = 0;
    int top = 0;
    if (availW > cw || availH > ch) {
        left = std::max((availW - cw) / 2, 0);
        top = std::max((availH - ch) / 2, 0);
    }

    // Set the ranges for the viewport size about to come, so that the layout below shows
    // exactly the scroll bars decided here.
    const int vw = std::max(std::min({availW - left, cw, kMaxViewportExtent}), 0);
    const int vh = std::max(std::min({availH - top, ch, kMaxViewportExtent}), 0);
    horizontalScrollBar()->setRange(0, std::max(0, cw - vw));
    verticalScrollBar()->setRange(0, std::max(0, ch - vh));
    setViewportMargins(left, top, 0, 0);
    updateScrollBars();
    // The margins and a scroll bar corner that just went away are ours to repaint; without
    // this a stale corner square can stay on screen.
    update();

    m_inCentring = false;
}

void KVImgViewer::updateScrollBars()
{
    const int vw = viewport()->width();
    const int vh = viewport()->height();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setPageStep(std::max(vw, 1));
    v->setPageStep(std::max(vh, 1));
    h->setRange(0, std::max(0, m_contentsWidth - vw));
    v->setRange(0, std::max(0, m_contentsHeight - vh));
}

void KVImgViewer::setViewportShown(bool show)
{
    if (show != viewport()->isVisibleTo(this))
        viewport()->setVisible(show);
}

bool KVImgViewer::event(QEvent* e)
{
    const bool result = QAbstractScrollArea::event(e);
    // The viewport may keep its size when it is capped by the image: re-centre here too.
    if (e->type() == QEvent::Resize)
        centerImage();
    return result;
}

void KVImgViewer::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
    centerImage();
}

void KVImgViewer::showEvent(QShowEvent* e)
{
    if (m_imagePending) {
        m_imagePending = false;
        applyImage(m_image, true);
    }
    QAbstractScrollArea::showEvent(e);
    emit shown();
}

void KVImgViewer::hide()
{
    setVisible(false);
}

void KVImgViewer::setVisible(bool visible)
{
    if (visible) {
        QAbstractScrollArea::setVisible(true);
        return;
    }
    m_backBuffer.clear();
    m_scratch = QImage();
    QAbstractScrollArea::setVisible(false);
    emit hidden();
}

// ---- zoom -----------------------------------------------------------------------------------

QPointF KVImgViewer::visibleCentre() const
{
    return QPointF((contentsX() + visibleWidth() * 0.5) / m_zoomFactor,
                   (contentsY() + visibleHeight() * 0.5) / m_zoomFactor);
}

void KVImgViewer::zoomTo(double zoom, double x, double y)
{
    if (!std::isfinite(zoom) || !std::isfinite(x) || !std::isfinite(y))
        return;
    const double larger = std::max(std::fabs(m_zoomFactor), std::fabs(zoom));
    if (larger <= kZoomEpsilon || std::fabs(m_zoomFactor - zoom) / larger < kZoomEpsilon)
        return;
    if (x < 0.0 || x > imageWidth() || y < 0.0 || y > imageHeight())
        return;
    const double zoomedW = imageWidth() * zoom;
    const double zoomedH = imageHeight() * zoom;
    if (!(zoomedW < 2.0 * kMaxZoomedExtent && zoomedH < 2.0 * kMaxZoomedExtent))
        return;
    const int w = qRound(zoomedW);
    const int h = qRound(zoomedH);
    if (w > kMaxZoomedExtent || h > kMaxZoomedExtent || w < kMinZoomedExtent
        || h < kMinZoomedExtent)
        return;

    if (zoom > m_zoomFactor) {
        const QPointF c = visibleCentre();
        m_zoomStack.push_back(ZoomItem{m_zoomFactor, c.x(), c.y()});
    } else {
        while (!m_zoomStack.empty() && m_zoomStack.back().zoom >= zoom)
            m_zoomStack.pop_back();
    }

    m_zoomFactor = zoom;
    emit zoomChanged(zoom);

    m_backBuffer.clear();
    adjustContents();
    center(qRound(x * zoom), qRound(y * zoom));
    setViewportShown(m_contentsWidth > 0 && m_contentsHeight > 0);
    viewport()->update();
    // Connected viewers follow and the new view is painted before the call returns.
    QCoreApplication::processEvents();
}

void KVImgViewer::setZoomInOutFactor(uint zoomPercentage)
{
    m_zoomInOutFactor = zoomPercentage;
}

void KVImgViewer::setZoomFactor(double zoomfactor)
{
    if (!(zoomfactor >= 0.0))
        return;
    const QPointF c = visibleCentre();
    zoomTo(zoomfactor, c.x(), c.y());
}

void KVImgViewer::zoomWindow(double left, double top, double width, double height)
{
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(width)
        || !std::isfinite(height))
        return;
    const double right = std::min(left + width, double(imageWidth()));
    const double bottom = std::min(top + height, double(imageHeight()));
    left = std::max(left, 0.0);
    top = std::max(top, 0.0);
    const double w = right - left;
    const double h = bottom - top;
    if (std::fabs(w) < kZoomEpsilon || std::fabs(h) < kZoomEpsilon)
        return;
    const double cx = left + w * 0.5;
    const double cy = top + h * 0.5;

    const double availW = this->width() - 2 * frameWidth();
    const double availH = this->height() - 2 * frameWidth();
    double widthBudget = availW / w;
    double heightBudget = availH / h;
    const double z = std::min(widthBudget, heightBudget);
    // Where the fitted image overflows one direction, that direction's scroll bar takes room
    // from the other.
    if (imageWidth() * z > availW && horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        heightBudget = (availH - horizontalBarExtent()) / h;
    if (imageHeight() * z > availH && verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        widthBudget = (availW - verticalBarExtent()) / w;
    zoomTo(std::min(widthBudget, heightBudget), cx, cy);
}

void KVImgViewer::fitToWindow()
{
    zoomWindow(0.0, 0.0, imageWidth(), imageHeight());
}

void KVImgViewer::zoomWidth()
{
    zoomWindow(0.0, imageHeight() * 0.5, imageWidth(), 1.0);
}

void KVImgViewer::zoomHeight()
{
    zoomWindow(imageWidth() * 0.5, 0.0, 1.0, imageHeight());
}

void KVImgViewer::zoomIn()
{
    setZoomFactor((m_zoomInOutFactor * 0.01 + 1.0) * m_zoomFactor);
}

void KVImgViewer::zoomOut()
{
    setZoomFactor((1.0 - m_zoomInOutFactor * 0.01) * m_zoomFactor);
}

void KVImgViewer::zoomInAtPosition(double x, double y)
{
    zoomTo((m_zoomInOutFactor * 0.01 + 1.0) * m_zoomFactor, x, y);
}

void KVImgViewer::zoomOutAtPosition(double x, double y)
{
    zoomTo((1.0 - m_zoomInOutFactor * 0.01) * m_zoomFactor, x, y);
}

void KVImgViewer::zoomAtCursor(bool in)
{
    const QPoint pos = viewport()->mapFromGlobal(QCursor::pos());
    if (pos.x() < 0 || pos.y() < 0 || pos.x() > visibleWidth() - 1
        || pos.y() > visibleHeight() - 1)
        return;
    const QPointF c = visibleCentre();
    const QPointF p((contentsX() + pos.x()) / m_zoomFactor,
                    (contentsY() + pos.y()) / m_zoomFactor);
    const double step = m_zoomInOutFactor * 0.01;
    const double f = in ? 1.0 + step : 1.0 - step;
    // The new centre keeps p at the same distance from the centre on screen.
    const QPointF n = p - (p - c) / f;
    if (in)
        zoomInAtPosition(n.x(), n.y());
    else
        zoomOutAtPosition(n.x(), n.y());
}

void KVImgViewer::zoomInAtCursor()
{
    zoomAtCursor(true);
}

void KVImgViewer::zoomOutAtCursor()
{
    zoomAtCursor(false);
}

void KVImgViewer::zoomBack()
{
    if (m_zoomStack.empty())
        return;
    const ZoomItem item = m_zoomStack.back();
    m_zoomStack.pop_back();
    zoomTo(item.zoom, item.x, item.y);
}

// ---- input ----------------------------------------------------------------------------------

void KVImgViewer::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_U:
    case Qt::Key_W:
        zoomInAtCursor();
        break;
    case Qt::Key_E:
    case Qt::Key_I:
        zoomOutAtCursor();
        break;
    default:
        e->ignore();
        return;
    }
    e->accept();
}

void KVImgViewer::wheelEvent(QWheelEvent* e)
{
    const QPoint delta = e->angleDelta();
    if ((delta.y() != 0 ? delta.y() : delta.x()) > 0)
        zoomInAtCursor();
    else
        zoomOutAtCursor();
    e->accept();
}

void KVImgViewer::scrollContentsBy(int dx, int dy)
{
    QWidget* vp = viewport();
    if (vp->isVisible()) {
        // Move what is on screen and let only the uncovered strips be painted, as the back
        // buffer does with its own copy.
        if (std::abs(dx) < vp->width() && std::abs(dy) < vp->height())
            vp->scroll(dx, dy, vp->rect());
        else
            vp->update();
    }
    emit contentsMoving(contentsX(), contentsY());
}

// ---- painting -------------------------------------------------------------------------------

bool KVImgViewer::updateBackBuffer(int ox, int oy)
{
    if (!m_backBuffer.update(zoomedImage(), ox, oy, visibleWidth(), visibleHeight())) {
        qWarning("MEMORY EXCEPTION");
        return false;
    }
    return true;
}

void KVImgViewer::paintEvent(QPaintEvent* e)
{
    QWidget* vp = viewport();
    if (!vp->isVisible())
        return;
    QPainter p(vp);
    const int ox = contentsX();
    const int oy = contentsY();
    const QRegion region = e->region() & vp->rect();
    auto paintRect = [&](const QRect& r) {
        drawContents(&p, ox, oy, r.x() + ox, r.y() + oy, r.width(), r.height());
    };
    // The strips uncovered by a scroll come as separate rectangles; compose only those.
    if (region.rectCount() > 4) {
        paintRect(region.boundingRect());
    } else {
        for (const QRect& r : region)
            paintRect(r);
    }
}

void KVImgViewer::drawContents(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch)
{
    if (!viewport()->isVisible() || cw <= 0 || ch <= 0)
        return;
    updateBackBuffer(ox, oy);
    const QRect r(cx - ox, cy - oy, cw, ch);
    const QSize size = viewport()->size();
    if (m_scratch.size() != size) {
        m_scratch = QImage(size, QImage::Format_RGB32);
        if (m_scratch.isNull())
            qWarning("MEMORY EXCEPTION");
    }
    if (m_scratch.isNull()) {
        // Compose on screen then; the overlays cannot read back, but nothing is lost.
        p->save();
        p->setClipRect(r);
        drawViewport(p, ox, oy, cx, cy, cw, ch);
        emit postDrawing(p, ox, oy, cx, cy, cw, ch);
        p->restore();
        return;
    }
    {
        QPainter scratch(&m_scratch);
        scratch.setClipRect(r);
        drawViewport(&scratch, ox, oy, cx, cy, cw, ch);
        emit postDrawing(&scratch, ox, oy, cx, cy, cw, ch);
    }
    p->drawImage(r.topLeft(), m_scratch, r);
}

void KVImgViewer::drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch)
{
    const QRect r(cx - ox, cy - oy, cw, ch);
    if (m_backBuffer.isNull())
        p->fillRect(r, Qt::black);
    else
        m_backBuffer.draw(p, r);
    emit preDrawing(p, ox, oy, cx, cy, cw, ch);
}

QPaintDevice* KVImgViewer::outputDevice(QPainter* p) const
{
    if (m_outputDevice)
        return m_outputDevice;
    return p ? p->device() : nullptr;
}

QImage KVImgViewer::renderVisibleArea(QPaintDevice* target)
{
    const int x = contentsX();
    const int y = contentsY();
    const int vw = visibleWidth();
    const int vh = visibleHeight();
    QImage result(vw, vh, QImage::Format_RGB32);
    if (result.isNull()) {
        qWarning("MEMORY EXCEPTION");
        return result;
    }
    updateBackBuffer(x, y);
    QPainter p(&result);
    m_outputDevice = target;
    drawViewport(&p, x, y, x, y, vw, vh);
    emit postDrawing(&p, x, y, x, y, vw, vh);
    m_outputDevice = nullptr;
    return result;
}

QPixmap KVImgViewer::visiblePixmap()
{
    if (!viewport()->isVisible() || visibleWidth() <= 0 || visibleHeight() <= 0)
        return QPixmap();
    return QPixmap::fromImage(renderVisibleArea(nullptr));
}

void KVImgViewer::drawVisibleArea(QPainter* p)
{
    if (!p || !p->isActive() || !viewport()->isVisible() || visibleWidth() <= 0
        || visibleHeight() <= 0)
        return;
    const QRect area(0, 0, visibleWidth(), visibleHeight());
    p->save();
    p->setClipRect(area, p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (p->paintEngine() && p->paintEngine()->type() == QPaintEngine::Raster) {
        const int x = contentsX();
        const int y = contentsY();
        updateBackBuffer(x, y);
        drawViewport(p, x, y, x, y, area.width(), area.height());
        emit postDrawing(p, x, y, x, y, area.width(), area.height());
    } else {
        // Printers and PDF have no raster operations: compose as on screen, then hand over
        // the finished picture.
        const QImage picture = renderVisibleArea(p->device());
        p->setRenderHint(QPainter::SmoothPixmapTransform, false);
        p->setRenderHint(QPainter::LosslessImageRendering, true);
        p->drawImage(area, picture);
    }
    p->restore();
}

void KVImgViewer::print(QWidget* errorParent)
{
    QPrinter printer(QPrinter::ScreenResolution);
    if (!runPrintSetup(&printer, this))
        return;
    QCoreApplication::processEvents();

    const QString failedCaption = tr("Printing failed");
    const QString failedText = tr("Cannot print the page.\nPlease check that the printer is "
                                  "turned on and correctly installed.");
    QPainter painter;
    if (!painter.begin(&printer) || printer.printerState() == QPrinter::Aborted) {
        if (painter.isActive())
            painter.end();
        showWarning(errorParent, failedCaption, failedText);
        return;
    }

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const int pw = printer.width();
    const int ph = printer.height();
    const int vw = visibleWidth();
    const int vh = visibleHeight();
    if (pw > 0 && ph > 0 && vw > 0 && vh > 0) {
        // Fill the page in one direction, centre in the other.
        const double s = std::min(double(pw) / vw, double(ph) / vh);
        painter.setWindow(0, 0, vw, vh);
        painter.setViewport(qRound((pw - vw * s) * 0.5), qRound((ph - vh * s) * 0.5),
                            qRound(vw * s), qRound(vh * s));
        drawVisibleArea(&painter);
    }
    const bool written = painter.end() && printer.printerState() != QPrinter::Error;
    QGuiApplication::restoreOverrideCursor();
    if (!written)
        showWarning(errorParent, failedCaption, failedText);
}
