#include "xpmwriter.h"

#include <QMap>

#include <algorithm>
#include <vector>

namespace art {

QImage flattenAlpha(const QImage& image, int threshold)
{
    QImage flat = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < flat.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            const QRgb c = line[x];
            line[x] = qAlpha(c) >= threshold ? (c | 0xff000000u) : 0u;
        }
    }
    return flat;
}

QByteArray toXpm(const QImage& flat, const QByteArray& name)
{
    // Characters that need no escaping inside a C string; the space stands for "None".
    static const QByteArray alphabet
            = ".+@#$%&*=-;>,')!~{]^/"
              "(_:<[}|1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ`";

    // Colours in order of first appearance, so the output only changes where the picture does.
    std::vector<QRgb> colours;
    QMap<QRgb, int> index;
    bool transparent = false;
    for (int y = 0; y < flat.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            if (qAlpha(line[x]) == 0) {
                transparent = true;
                continue;
            }
            const QRgb c = line[x] & 0xffffffu;
            if (!index.contains(c)) {
                index.insert(c, int(colours.size()));
                colours.push_back(c);
            }
        }
    }
    const int total = int(colours.size()) + (transparent ? 1 : 0);
    const int perPixel = total <= alphabet.size() + 1 ? 1 : 2;
    auto code = [&](int i) {
        if (perPixel == 1)
            return QByteArray(1, alphabet.at(i));
        return QByteArray(1, alphabet.at(i / alphabet.size())) + alphabet.at(i % alphabet.size());
    };
    const QByteArray none(perPixel, ' ');

    QByteArray out;
    out += "/* XPM */\n";
    out += "static const char *const " + name + "[] = {\n";
    out += "\"" + QByteArray::number(flat.width()) + " " + QByteArray::number(flat.height()) + " "
           + QByteArray::number(total) + " " + QByteArray::number(perPixel) + "\",\n";
    if (transparent)
        out += "\"" + none + " c None\",\n";
    for (int i = 0; i < int(colours.size()); ++i) {
        out += "\"" + code(i) + " c #"
               + QByteArray::number(colours[size_t(i)], 16).rightJustified(6, '0').toUpper()
               + "\",\n";
    }
    for (int y = 0; y < flat.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        out += "\"";
        for (int x = 0; x < flat.width(); ++x)
            out += qAlpha(line[x]) == 0 ? none : code(index.value(line[x] & 0xffffffu));
        out += y + 1 < flat.height() ? "\",\n" : "\"\n";
    }
    out += "};\n";
    return out;
}

} // namespace art
