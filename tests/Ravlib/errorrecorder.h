#pragma once

// Test helpers for the geometry library: an error handler that records reports instead of
// printing them (installed on gError for its lifetime), and small conversions for QCOMPARE.

#include "gbase.h"
#include "gerror.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

struct RecordedReport
{
    QByteArray function;
    int code = 0;
    QByteArray message;
};

class ErrorRecorder : public GErrorHandler
{
public:
    ErrorRecorder()
        : m_saved(gError.handler)
    {
        gError.handler = this;
    }
    ~ErrorRecorder() override { gError.handler = m_saved; }

    int handle(const char* function, const char* file, int line, int code,
               const char* message) override
    {
        Q_UNUSED(file);
        Q_UNUSED(line);
        reports.append({QByteArray(function), code, QByteArray(message)});
        return 0;
    }

    QList<int> codes() const
    {
        QList<int> result;
        for (const RecordedReport& report : reports)
            result.append(report.code);
        return result;
    }
    RecordedReport last() const { return reports.isEmpty() ? RecordedReport() : reports.last(); }
    void reset() { reports.clear(); }

    QList<RecordedReport> reports;

private:
    GErrorHandler* m_saved;
};

// The text (or bytes) an object writes in `mode`.
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
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(data) == data.size();
}

// Little-endian records built independently of the library.
inline QByteArray leInt(qint32 value)
{
    QByteArray bytes;
    const quint32 bits = quint32(value);
    for (int i = 0; i < 4; ++i)
        bytes.append(char((bits >> (8 * i)) & 0xff));
    return bytes;
}

inline QByteArray leDouble(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes;
    for (int i = 0; i < 8; ++i)
        bytes.append(char((bits >> (8 * i)) & 0xff));
    return bytes;
}

// The binary record of a vector or point: flag letters, count, values.
inline QByteArray vectorRecord(const std::vector<double>& values, char t = 'n', char h = 'n')
{
    QByteArray bytes;
    bytes.append(t);
    bytes.append(h);
    bytes.append(leInt(qint32(values.size())));
    for (double v : values)
        bytes.append(leDouble(v));
    return bytes;
}
