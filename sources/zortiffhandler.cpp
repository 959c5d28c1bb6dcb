#include "zortiffhandler.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QtPlugin>

#include <magick/MagickCore.h>

#include <cstring>
#include <memory>
#include <new>

// Defined by moc at the end of this file.
extern const QStaticPlugin qt_static_plugin_ZORTiffPlugin();

static_assert(MAGICKCORE_QUANTUM_DEPTH == 16 && !MAGICKCORE_HDRI_ENABLE,
              "the pixel exchange below expects 16-bit integer quanta");

namespace {

// The 100-megapixel photographs we promise to open fit in this many megabytes even in
// Qt's 64-bit formats (16-bit PNG).
constexpr int kImageAllocationLimitMB = 1024;

struct ImageInfoDeleter
{
    void operator()(ImageInfo* info) const { DestroyImageInfo(info); }
};
struct ExceptionInfoDeleter
{
    void operator()(ExceptionInfo* exception) const { DestroyExceptionInfo(exception); }
};
struct ImageDeleter
{
    void operator()(Image* image) const { DestroyImageList(image); }
};
struct BlobDeleter
{
    void operator()(void* blob) const { RelinquishMagickMemory(blob); }
};
using ImageInfoPtr = std::unique_ptr<ImageInfo, ImageInfoDeleter>;
using ExceptionInfoPtr = std::unique_ptr<ExceptionInfo, ExceptionInfoDeleter>;
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;
using BlobPtr = std::unique_ptr<void, BlobDeleter>;

// The records every call into the library needs. The library must never talk to the user
// or the terminal itself, so it is silenced first: every failure comes back to us through
// the exception record. False when memory ran out.
bool acquireRecords(ImageInfoPtr& info, ExceptionInfoPtr& exception)
{
    SetErrorHandler(nullptr);
    SetWarningHandler(nullptr);
    info.reset(AcquireImageInfo());
    exception.reset(AcquireExceptionInfo());
    return info && exception;
}

// Names the TIFF coder in an image or its description, so that nothing else decides the
// format.
template<typename Record>
void selectTiffCoder(Record* record)
{
    CopyMagickString(record->magick, "TIFF", MaxTextExtent);
    CopyMagickString(record->filename, "TIFF:", MaxTextExtent);
}

// Colour spaces whose three channels already hold red, green and blue (or grey).
bool holdsRgb(ColorspaceType colorspace)
{
    switch (colorspace) {
    case UndefinedColorspace:
    case RGBColorspace:
    case sRGBColorspace:
    case scRGBColorspace:
    case GRAYColorspace:
    case LinearGRAYColorspace:
    case TransparentColorspace:
        return true;
    default:
        return false;
    }
}

// 16-bit samples keep their upper byte.
void packetsToRgb32(const PixelPacket* source, QRgb* target, int count)
{
    for (int i = 0; i < count; ++i) {
        target[i] = 0xff000000u | (QRgb(source[i].red >> 8) << 16)
                    | (QRgb(source[i].green >> 8) << 8) | QRgb(source[i].blue >> 8);
    }
}

void packetsToGrayIndices(const PixelPacket* source, uchar* target, int count)
{
    for (int i = 0; i < count; ++i)
        target[i] = uchar(source[i].red >> 8);
}

// An 8-bit value v becomes v * 257, which the library's 8-bit TIFF writer turns back
// into exactly v and whose upper byte is v again.
inline Quantum widen(int value)
{
    return Quantum(value * 257);
}

void rgb32ToPackets(const QRgb* source, PixelPacket* target, int count)
{
    for (int i = 0; i < count; ++i) {
        target[i].red = widen(qRed(source[i]));
        target[i].green = widen(qGreen(source[i]));
        target[i].blue = widen(qBlue(source[i]));
        target[i].opacity = OpaqueOpacity;
    }
}

void indicesToPackets(const uchar* source, const QList<QRgb>& colorTable, PixelPacket* target,
                      int count)
{
    const int tableSize = int(colorTable.size());
    for (int i = 0; i < count; ++i) {
        // An index beyond the table has no colour; it is written black.
        const QRgb color = source[i] < tableSize ? colorTable.at(source[i]) : 0xff000000u;
        target[i].red = widen(qRed(color));
        target[i].green = widen(qGreen(color));
        target[i].blue = widen(qBlue(color));
        target[i].opacity = OpaqueOpacity;
    }
}

// The name the library opens for a device that is a local file, prefixed with the coder
// so that neither the extension nor a colon in the name chooses another one. Empty when
// the device has no such name or the library would read the name differently (a trailing
// "[...]" selects frames or a region); such files are read through the device.
QByteArray libraryFileName(QIODevice* device)
{
    const auto* file = qobject_cast<QFileDevice*>(device);
    if (!file || file->fileName().isEmpty())
        return QByteArray();
    const QFileInfo info(file->fileName());
    const QString path = info.absoluteFilePath();
    if (!info.isNativePath() || QFileInfo(path).isRelative() || path.endsWith(QLatin1Char(']')))
        return QByteArray();
    return QByteArrayLiteral("TIFF:") + QFile::encodeName(QDir::toNativeSeparators(path));
}

} // namespace

QByteArray ZORTiffHandler::formatKey()
{
    return QByteArrayLiteral("zortif");
}

bool ZORTiffHandler::isTiffHeader(const QByteArray& firstBytes)
{
    if (firstBytes.size() < 4)
        return false;
    const auto* b = reinterpret_cast<const uchar*>(firstBytes.constData());
    // Classic TIFF has 42 after the byte-order mark, BigTIFF 43.
    const bool little = b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0;
    const bool big = b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43);
    return little || big;
}

void ZORTiffHandler::startImageLibrary(const char* executionPath, const QString& policyDirectory)
{
    // The library reads its configuration once, during genesis.
    qputenv("MAGICK_CONFIGURE_PATH", QFile::encodeName(policyDirectory));
    MagickCoreGenesis(executionPath, MagickFalse);
}

void ZORTiffHandler::registerHandler()
{
    static bool registered = false;
    if (!registered) {
        qRegisterStaticPluginFunction(qt_static_plugin_ZORTiffPlugin());
        registered = true;
    }
    QImageReader::setAllocationLimit(kImageAllocationLimitMB);
}

bool ZORTiffHandler::canRead() const
{
    return device() && isTiffHeader(device()->peek(4));
}

bool ZORTiffHandler::read(QImage* image)
{
    m_status = LibraryFailure;
    QIODevice* source = device();
    // A format forced by the caller skips canRead(): look at the header here as well.
    if (!image || !source || !isTiffHeader(source->peek(4)))
        return false;

    try {
        ImageInfoPtr info;
        ExceptionInfoPtr exception;
        if (!acquireRecords(info, exception)) {
            m_status = AllocationFailure;
            return false;
        }
        // Only the first page of a multi-page file is shown.
        info->scene = 0;
        info->number_scenes = 1;

        ImagePtr picture;
        const QByteArray fileName = libraryFileName(source);
        if (!fileName.isEmpty()) {
            // The library's file-name field has a fixed size; a longer name is refused
            // rather than cut to the name of some other file.
            if (fileName.size() >= MaxTextExtent)
                return false;
            CopyMagickString(info->filename, fileName.constData(), MaxTextExtent);
            picture.reset(ReadImage(info.get(), exception.get()));
        } else {
            const QByteArray data = source->readAll();
            selectTiffCoder(info.get());
            picture.reset(BlobToImage(info.get(), data.constData(), size_t(data.size()),
                                      exception.get()));
        }
        // A damaged file may still yield an image, with holes; it is refused as a whole.
        if (!picture || exception->severity >= ErrorException)
            return false;

        Image* frame = picture.get();
        if (!holdsRgb(frame->colorspace) && !TransformImageColorspace(frame, sRGBColorspace)) {
            return false;
        }
        const int width = int(frame->columns);
        const int height = int(frame->rows);
        if (width <= 0 || height <= 0 || size_t(width) != frame->columns
            || size_t(height) != frame->rows) {
            return false;
        }

        // Grey images keep a full 256-entry table so that no index can fall beyond it.
        const bool gray = GetImageType(frame, exception.get()) == GrayscaleType;
        QImage result;
        if (!QImageIOHandler::allocateImage(QSize(width, height),
                                            gray ? QImage::Format_Indexed8 : QImage::Format_RGB32,
                                            &result)) {
            m_status = AllocationFailure;
            return false;
        }
        if (gray) {
            QList<QRgb> table(256);
            for (int i = 0; i < 256; ++i)
                table[i] = qRgb(i, i, i);
            result.setColorTable(table);
        }

        const PixelPacket* pixels
                = GetVirtualPixels(frame, 0, 0, frame->columns, frame->rows, exception.get());
        if (!pixels)
            return false;
        for (int y = 0; y < height; ++y) {
            const PixelPacket* row = pixels + qsizetype(y) * width;
            if (gray)
                packetsToGrayIndices(row, result.scanLine(y), width);
            else
                packetsToRgb32(row, reinterpret_cast<QRgb*>(result.scanLine(y)), width);
        }

        *image = std::move(result);
        m_status = Success;
        return true;
    } catch (const std::bad_alloc&) {
        m_status = AllocationFailure;
        return false;
    }
}

bool ZORTiffHandler::write(const QImage& image)
{
    m_status = LibraryFailure;
    QIODevice* target = device();
    if (!target || image.isNull())
        return false;

    try {
        // Written from 32-bit pixels or 8-bit indices; every other form is converted.
        QImage source = image;
        const QImage::Format format = image.format();
        if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
            && format != QImage::Format_Indexed8) {
            source = image.convertToFormat(QImage::Format_RGB32);
            if (source.isNull()) {
                m_status = AllocationFailure;
                return false;
            }
        }

        ImageInfoPtr info;
        ExceptionInfoPtr exception;
        if (!acquireRecords(info, exception)) {
            m_status = AllocationFailure;
            return false;
        }
        selectTiffCoder(info.get());

        ImagePtr picture(AcquireImage(info.get()));
        if (!picture
            || !SetImageExtent(picture.get(), size_t(source.width()), size_t(source.height()))) {
            m_status = AllocationFailure;
            return false;
        }
        Image* frame = picture.get();
        frame->depth = 8;
        selectTiffCoder(frame);

        const int width = source.width();
        const int height = source.height();
        PixelPacket* pixels
                = QueueAuthenticPixels(frame, 0, 0, frame->columns, frame->rows, exception.get());
        if (!pixels)
            return false;
        const QList<QRgb> colorTable = source.colorTable();
        for (int y = 0; y < height; ++y) {
            PixelPacket* row = pixels + qsizetype(y) * width;
            if (source.format() == QImage::Format_Indexed8)
                indicesToPackets(source.constScanLine(y), colorTable, row, width);
            else
                rgb32ToPackets(reinterpret_cast<const QRgb*>(source.constScanLine(y)), row, width);
        }
        if (!SyncAuthenticPixels(frame, exception.get()))
            return false;

        size_t length = 0;
        BlobPtr blob(ImageToBlob(info.get(), frame, &length, exception.get()));
        if (!blob || length == 0)
            return false;
        const qint64 size = qint64(length);
        if (target->write(static_cast<const char*>(blob.get()), size) != size) {
            return false;
        }
        // A full disk often shows only when the buffer goes out.
        if (auto* file = qobject_cast<QFileDevice*>(target); file && !file->flush())
            return false;
        m_status = Success;
        return true;
    } catch (const std::bad_alloc&) {
        m_status = AllocationFailure;
        return false;
    }
}

QImageIOPlugin::Capabilities ZORTiffPlugin::capabilities(QIODevice* device,
                                                         const QByteArray& format) const
{
    if (format.toLower() == ZORTiffHandler::formatKey())
        return CanRead | CanWrite;
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    // Asked about a device of unknown format: claim it only when it is readable TIFF.
    Capabilities capabilities;
    if (device->isReadable() && ZORTiffHandler::isTiffHeader(device->peek(4)))
        capabilities |= CanRead;
    return capabilities;
}

QImageIOHandler* ZORTiffPlugin::create(QIODevice* device, const QByteArray& format) const
{
    auto* handler = new ZORTiffHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? ZORTiffHandler::formatKey() : format);
    return handler;
}

#include "moc_zortiffhandler.cpp"
