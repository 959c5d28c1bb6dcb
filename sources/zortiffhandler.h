#pragma once

#include <QByteArray>
#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QString>

// Reads and writes TIFF files through MagickCore for Qt's image I/O. The plugin is built
// into the program and registered once at start-up; Qt creates and owns one handler per
// reader or writer. Only the format key below reaches it: Qt's own TIFF plugin, when
// installed, keeps "tif" and "tiff" for itself.
class ZORTiffHandler : public QImageIOHandler
{
public:
    // Results of the last read() or write().
    enum Status { Success = 0, LibraryFailure = -1, AllocationFailure = -3 };

    // Format key under which Qt knows this handler; unused by every Qt plugin.
    static QByteArray formatKey();

    // True when the first bytes of a file are a TIFF header, either byte order.
    static bool isTiffHeader(const QByteArray& firstBytes);

    // Points the library at the policy.xml in policyDirectory (resource limits that fit
    // photographs and stop hostile headers) and starts it. Call once, before any other
    // library call; main() and the tests share it.
    static void startImageLibrary(const char* executionPath, const QString& policyDirectory);
    // Makes the handler known to Qt and lets Qt's readers allocate images of up to
    // 100 megapixels in any format. Safe to call more than once.
    static void registerHandler();

    bool canRead() const override;
    bool read(QImage* image) override;
    bool write(const QImage& image) override;

    int status() const { return m_status; }

private:
    int m_status = Success;
};

// Hands Qt a ZORTiffHandler for our format key; registered by registerHandler().
class ZORTiffPlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "zortiffhandler.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};
