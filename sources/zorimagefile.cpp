#include "zorimagefile.h"

#include "zorerror.h"
#include "zorsettings.h"
#include "zortiffhandler.h"
#include "zorwaitcursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QtDebug>

#include <algorithm>
#include <cstring>
#include <new>

namespace ZORImageFile {

namespace {

// The main window shows every text of this module.
QString tr(const char* text)
{
    return QCoreApplication::translate("ZORMainWindow", text);
}

QString appName()
{
    const ZORSettings* settings = ZORSettings::instance();
    return settings ? settings->appName() : QStringLiteral("Tarvix");
}

void reportError(QWidget* parent, int code, const QString& text)
{
    if (ZORError* error = ZORError::instance()) {
        error->setError(ZORError::SevereWarning, code, text);
        error->showError(parent);
    } else {
        qWarning("%s", qPrintable(text));
    }
}

bool isTiffFormat(const QString& format)
{
    const QString lower = format.toLower();
    return lower == QLatin1String("tif") || lower == QLatin1String("tiff");
}

// Quarter turn of pixels of one size, square tile by square tile so that both the rows
// read and the rows written stay in the cache.
template<typename Pixel>
void rotatePixels(const uchar* source, qsizetype sourceStride, uchar* target,
                  qsizetype targetStride, int width, int height)
{
    constexpr int kTile = 64;
    for (int y0 = 0; y0 < height; y0 += kTile) {
        const int y1 = std::min(y0 + kTile, height);
        for (int x0 = 0; x0 < width; x0 += kTile) {
            const int x1 = std::min(x0 + kTile, width);
            for (int x = x0; x < x1; ++x) {
                auto* out = reinterpret_cast<Pixel*>(target + (width - 1 - x) * targetStride);
                for (int y = y0; y < y1; ++y)
                    out[y] = reinterpret_cast<const Pixel*>(source + y * sourceStride)[x];
            }
        }
    }
}

template<int Size>
struct Bytes
{
    uchar data[Size];
};

// One-bit images, most or least significant bit first.
void rotateBits(const uchar* source, qsizetype sourceStride, uchar* target, qsizetype targetStride,
                int width, int height, bool lsbFirst)
{
    for (int x = 0; x < width; ++x)
        std::memset(target + x * targetStride, 0, size_t(targetStride));
    const auto bitMask
            = [lsbFirst](int i) { return uchar(lsbFirst ? 1u << (i & 7) : 0x80u >> (i & 7)); };
    for (int y = 0; y < height; ++y) {
        const uchar* in = source + y * sourceStride;
        const uchar outMask = bitMask(y);
        for (int x = 0; x < width; ++x) {
            if (in[x >> 3] & bitMask(x))
                target[(width - 1 - x) * targetStride + (y >> 3)] |= outMask;
        }
    }
}

FileDialogHook& fileDialogHook()
{
    static FileDialogHook hook;
    return hook;
}

QString runFileDialog(const FileDialogRequest& request)
{
    if (const FileDialogHook& hook = fileDialogHook())
        return hook(request);
    QFileDialog dialog(request.parent, request.caption, request.directory, request.filter);
    dialog.setObjectName(request.objectName);
    if (request.mode == FileDialogRequest::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The caller adds the extension first and then asks itself.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

QImage loadImage(const QString& fileName, QWidget* parent)
{
    if (fileName.isEmpty())
        return QImage();

    const ZORSettings* settings = ZORSettings::instance();
    const QByteArray format = imageFileFormat(fileName);
    if (format.isEmpty()) {
        reportError(parent, 5,
                    settings ? settings->msgFormatUnrecognized()
                             : tr("Cannot read this file.\nThe image format is unrecognized."));
        return QImage();
    }

    QCoreApplication::processEvents();
    ZORWaitCursor waitCursor;
    // The message comes without the wait cursor.
    const auto fail = [&waitCursor, parent](const QString& text) {
        waitCursor.restore();
        reportError(parent, 5, text);
        return QImage();
    };

    QImage image;
    bool loaded = false;
    try {
        loaded = image.load(fileName, format.constData());
    } catch (const std::bad_alloc&) {
        loaded = false;
    }
    if (!loaded || image.isNull()) {
        return fail(settings ? settings->msgReadFailed()
                             : tr("Sorry, reading this image file failed."));
    }

    QImage converted;
    try {
        converted = image.convertToFormat(QImage::Format_RGB32);
    } catch (const std::bad_alloc&) {
        converted = QImage();
    }
    if (converted.isNull())
        return fail(tr("Cannot convert this image to 32 bit"));
    return converted;
}

QByteArray imageFileFormat(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // TIFF goes to our handler whatever the extension, and even when another TIFF reader
    // is installed.
    if (ZORTiffHandler::isTiffHeader(file.peek(4)))
        return ZORTiffHandler::formatKey();
    return QImageReader::imageFormat(&file);
}

QStringList exportFormats()
{
    QStringList formats;
    const QByteArray ownKey = ZORTiffHandler::formatKey();
    for (const QByteArray& format : QImageWriter::supportedImageFormats()) {
        const QString name = QString::fromLatin1(format).toUpper();
        if (format == ownKey || isTiffFormat(name) || formats.contains(name))
            continue;
        formats.append(name);
    }
    if (QImageWriter::supportedImageFormats().contains(ownKey))
        formats.append(QStringLiteral("TIF"));
    formats.sort();
    return formats;
}

QString exportFileName(const QString& fileName, const QString& format)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    const QString ext = format.toLower();
    if (fileName.endsWith(QLatin1Char('.')))
        return fileName + ext;
    return fileName + QLatin1Char('.') + ext;
}

bool saveImage(const QImage& image, const QString& fileName, const QString& format)
{
    if (image.isNull() || fileName.isEmpty())
        return false;
    const QByteArray key
            = isTiffFormat(format) ? ZORTiffHandler::formatKey() : format.toLower().toLatin1();
    try {
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        QImageWriter writer(&file, key);
        writer.setQuality(-1);
        if (!writer.write(image)) {
            file.cancelWriting();
            return false;
        }
        return file.commit();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool exportImage(const QImage& image, const QString& fileName, const QString& format,
                 QWidget* parent)
{
    ZORWaitCursor waitCursor;
    if (saveImage(image, fileName, format))
        return true;
    waitCursor.restore();
    reportError(parent, 8, tr("Cannot save the image."));
    return false;
}

QString askOpenImageFileName(QWidget* parent, bool rightImage)
{
    const ZORSettings* settings = ZORSettings::instance();
    const QString directory
            = (settings ? settings->homePath() : QString()) + QStringLiteral("/examples");
    const QString caption = appName() + QStringLiteral(" - ")
                            + (rightImage ? tr("Load Right Image") : tr("Load Left Image"));
    return getOpenFileName(parent, QStringLiteral("Load_New_Image"), caption, directory,
                           tr("All files (*)"));
}

QString askExportFileName(QWidget* parent, const QString& format)
{
    const QString ext = format.toLower();
    const QString extUpper = ext.toUpper();
    const QString caption = appName() + QStringLiteral(" - ") + tr("Export Image as")
                            + QLatin1Char(' ') + extUpper;
    const QString filter = tr("Image file") + QStringLiteral(" (*.") + ext + QStringLiteral(");;")
                           + tr("All files (*)");

    QString fileName
            = getSaveFileName(parent, QStringLiteral("Export_Image"), caption, QString(), filter);
    if (fileName.isEmpty())
        return QString();
    fileName = exportFileName(fileName, format);

    if (QFileInfo::exists(fileName)) {
        const ZORSettings* settings = ZORSettings::instance();
        const int answer
                = messageWarning(parent, appName(),
                                 tr("'%1' already exists.\nDo you want to overwrite it?")
                                         .arg(QDir::toNativeSeparators(fileName)),
                                 settings ? settings->textYes() : tr("&Yes"),
                                 settings ? settings->textNo() : tr("&No"), QString(), 1, 1);
        if (answer != 0)
            return QString();
    }
    return fileName;
}

QImage rotateImage90ccw(const QImage& image)
{
    const int width = image.width();
    const int height = image.height();
    QImage result;
    if (!image.isNull())
        result = QImage(height, width, image.format());
    if (result.isNull()) {
        qWarning("rotateImage90ccw: Memory allocation failed");
        return QImage();
    }

    ZORWaitCursor waitCursor;
    result.setColorTable(image.colorTable());
    result.setDotsPerMeterX(image.dotsPerMeterY());
    result.setDotsPerMeterY(image.dotsPerMeterX());

    const uchar* source = image.constBits();
    uchar* target = result.bits();
    const qsizetype sourceStride = image.bytesPerLine();
    const qsizetype targetStride = result.bytesPerLine();
    switch (image.depth()) {
    case 1:
        rotateBits(source, sourceStride, target, targetStride, width, height,
                   image.format() == QImage::Format_MonoLSB);
        break;
    case 8:
        rotatePixels<quint8>(source, sourceStride, target, targetStride, width, height);
        break;
    case 16:
        rotatePixels<quint16>(source, sourceStride, target, targetStride, width, height);
        break;
    case 24:
        rotatePixels<Bytes<3>>(source, sourceStride, target, targetStride, width, height);
        break;
    case 32:
        rotatePixels<quint32>(source, sourceStride, target, targetStride, width, height);
        break;
    case 64:
        rotatePixels<quint64>(source, sourceStride, target, targetStride, width, height);
        break;
    case 128:
        rotatePixels<Bytes<16>>(source, sourceStride, target, targetStride, width, height);
        break;
    default:
        qWarning("rotateImage90ccw: unsupported depth %d", image.depth());
        return QImage();
    }
    return result;
}

void setFileDialogHook(FileDialogHook hook)
{
    fileDialogHook() = std::move(hook);
}

QString getOpenFileName(QWidget* parent, const QString& objectName, const QString& caption,
                        const QString& directory, const QString& filter)
{
    return runFileDialog(
            {FileDialogRequest::Open, parent, objectName, caption, directory, filter});
}

QString getSaveFileName(QWidget* parent, const QString& objectName, const QString& caption,
                        const QString& directory, const QString& filter)
{
    return runFileDialog(
            {FileDialogRequest::Save, parent, objectName, caption, directory, filter});
}

} // namespace ZORImageFile
