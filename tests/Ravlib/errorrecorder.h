#pragma once

// Test helpers for the geometry library: a handler that records reports instead of printing
// them (installed on gError while it lives), the forms objects write, the pixels of images.

#include "gbase.h"
#include "gerror.h"

#include <QFile>
#include <QSet>
#include <QtEndian>

#include <sstream>
#include <vector>

class ErrorRecorder : public GErrorHandler
{
public:
    ErrorRecorder() { gError.handler = this; }
    ~ErrorRecorder() override { gError.handler = m_saved; }

    // Each report as "<code> <function>: <message>".
    int handle(const char* function, const char*, int, int code, const char* message) override
    {
        reports.append(QByteArray::number(code) + ' ' + function + ": " + message);
        return 0;
    }

    QByteArrayList reports;

private:
    GErrorHandler* m_saved = gError.handler;
};

inline QByteArray written(const GBase& object, int mode)
{
    std::ostringstream os;
    object.write(os, mode);
    return QByteArray::fromStdString(os.str());
}

inline bool readFrom(GBase& object, const QByteArray& data, int mode)
{
    std::istringstream is(data.toStdString());
    return object.read(is, mode);
}

inline QByteArray fileContents(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Little-endian bytes of an int or a double, built by Qt rather than by the library.
template<typename T>
QByteArray le(T value)
{
    const T bytes = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

// The binary record of a vector or point: two flag letters, the count, the values.
inline QByteArray record(const std::vector<double>& values, const char* flags = "nn")
{
    QByteArray bytes = flags + le(qint32(values.size()));
    for (double v : values)
        bytes += le(v);
    return bytes;
}

using PixelSet = QSet<QPair<int, int>>;

template<typename Image>
PixelSet setPixels(const Image& image, int plane = 0)
{
    PixelSet pixels;
    for (int y = 0; y < image.rows(); ++y) {
        for (int x = 0; x < image.cols(); ++x) {
            if (image(x, y, plane) != 0)
                pixels.insert({x, y});
        }
    }
    return pixels;
}
