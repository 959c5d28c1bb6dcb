// tarvixart: draws the program's icons, its splash and about pictures into the data directory,
// and composes a contact sheet of what is on disk for review.
//
//   tarvixart DATA_DIR                    icons, splash and about picture
//   tarvixart --icons DATA_DIR            icons only
//   tarvixart --sheet OUT.png DATA_DIR    contact sheet of the installed icons
//
// Run with QT_QPA_PLATFORM=offscreen; needs the DejaVu fonts.

#include "icons.h"
#include "painting.h"
#include "pictures.h"
#include "xpmwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

// Alpha from which an antialiased edge pixel of an XPM icon is kept (out of 255).
constexpr int kXpmThreshold = 100;

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        err() << "cannot write " << path << Qt::endl;
        return false;
    }
    return true;
}

bool saveImage(const QImage& image, const QString& path, const char* format, int quality = -1)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, format, quality)
        || !file.commit()) {
        err() << "cannot write " << path << Qt::endl;
        return false;
    }
    return true;
}

// Reads the file back with Qt's own reader and compares it with what was meant to be written.
bool verify(const QString& path, const QImage& expected)
{
    QImageReader reader(path);
    const QImage read = reader.read();
    if (read.isNull()) {
        err() << path << ": Qt cannot read it: " << reader.errorString() << Qt::endl;
        return false;
    }
    const QImage a = read.convertToFormat(QImage::Format_ARGB32);
    const QImage b = expected.convertToFormat(QImage::Format_ARGB32);
    if (a.size() != b.size()) {
        err() << path << ": size differs" << Qt::endl;
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const bool sameAlpha = qAlpha(pa[x]) == qAlpha(pb[x]);
            const bool sameColour
                    = qAlpha(pa[x]) == 0 || (pa[x] & 0xffffffu) == (pb[x] & 0xffffffu);
            if (!sameAlpha || !sameColour) {
                err() << path << ": pixel " << x << "," << y << " differs after reading"
                      << Qt::endl;
                return false;
            }
        }
    }
    return true;
}

bool writeIcons(const QString& dataDir)
{
    bool ok = true;
    for (const art::IconEntry& entry : art::allIcons()) {
        const QString path = dataDir + QLatin1Char('/') + entry.path;
        const QImage image = entry.draw();
        if (entry.path.endsWith(QLatin1String(".xpm"))) {
            const QImage flat = art::flattenAlpha(image, kXpmThreshold);
            const QByteArray name = QFileInfo(entry.path).completeBaseName().toLatin1() + "_xpm";
            ok = writeFile(path, art::toXpm(flat, name)) && verify(path, flat) && ok;
        } else {
            const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
            ok = saveImage(argb, path, "PNG") && verify(path, argb) && ok;
        }
    }
    return ok;
}

bool writePictures(const QString& dataDir)
{
    const QString examples = dataDir + QStringLiteral("/examples/");
    const QImage courtyardL(examples + QStringLiteral("courtyard_left.jpg"));
    const QImage courtyardR(examples + QStringLiteral("courtyard_right.jpg"));
    const QImage stillL(examples + QStringLiteral("stilllife_left.jpg"));
    const QImage stillR(examples + QStringLiteral("stilllife_right.jpg"));
    if (courtyardL.isNull() || courtyardR.isNull() || stillL.isNull() || stillR.isNull()) {
        err() << "the example pairs are missing: run tools/examples/render.sh first" << Qt::endl;
        return false;
    }
    const QImage mark(dataDir + QStringLiteral("/icons/icon48.png"));
    const QImage start
            = art::splash(art::anaglyph(courtyardL, courtyardR), mark, QStringLiteral("1.0.1"));
    const QImage about = art::about(art::anaglyph(stillL, stillR), mark);
    return saveImage(start, dataDir + QStringLiteral("/icons/startbild.jpg"), "JPEG", 92)
           && saveImage(about, dataDir + QStringLiteral("/icons/aboutbild.jpg"), "JPEG", 92);
}

// Every icon read from disk at 1x and 3x, on a light and on a dark background.
bool writeSheet(const QString& dataDir, const QString& out)
{
    const std::vector<art::IconEntry> icons = art::allIcons();
    const int rowHeight = 3 * 48 + 12;
    const int nameWidth = 250;
    const int cell = 3 * 48 + 16;
    const QColor light("#efefef");
    const QColor dark("#2b2d30");
    QImage sheet(nameWidth + 2 * 64 + 2 * cell, int(icons.size()) * rowHeight,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    p.setFont(font);
    bool ok = true;
    int y = 0;
    for (const art::IconEntry& entry : icons) {
        const QString path = dataDir + QLatin1Char('/') + entry.path;
        QImageReader reader(path);
        const QImage image = reader.read();
        QString label = entry.path;
        if (image.isNull()) {
            label += QStringLiteral("  UNREADABLE");
            ok = false;
        } else if (image.size() != QSize(entry.size, entry.size)) {
            label += QStringLiteral("  WRONG SIZE");
            ok = false;
        } else {
            label += QStringLiteral("  %1x%1").arg(entry.size);
        }
        p.setPen(Qt::black);
        p.drawText(QRect(8, y, nameWidth - 8, rowHeight), Qt::AlignVCenter | Qt::TextWordWrap,
                   label);
        int x = nameWidth;
        for (const QColor& bg : {light, dark}) {
            p.fillRect(QRect(x, y, 64, rowHeight), bg);
            p.drawImage(QPoint(x + (64 - image.width()) / 2, y + (rowHeight - image.height()) / 2),
                        image);
            x += 64;
        }
        for (const QColor& bg : {light, dark}) {
            p.fillRect(QRect(x, y, cell, rowHeight), bg);
            const QImage big = image.scaled(image.size() * 3, Qt::IgnoreAspectRatio,
                                            Qt::FastTransformation);
            p.drawImage(QPoint(x + (cell - big.width()) / 2, y + (rowHeight - big.height()) / 2),
                        big);
            x += cell;
        }
        y += rowHeight;
    }
    p.end();
    return saveImage(sheet, out, "PNG") && ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args.at(0) == QLatin1String("--sheet"))
        return writeSheet(args.at(2), args.at(1)) ? 0 : 1;
    if (args.size() == 2 && args.at(0) == QLatin1String("--icons"))
        return writeIcons(args.at(1)) ? 0 : 1;
    if (args.size() == 1 && !args.at(0).startsWith(QLatin1Char('-')))
        return writeIcons(args.at(0)) && writePictures(args.at(0)) ? 0 : 1;
    err() << "usage: tarvixart [--icons] DATA_DIR | tarvixart --sheet OUT.png DATA_DIR"
          << Qt::endl;
    return 2;
}
