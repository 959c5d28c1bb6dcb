#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

// A help directory laid out as installed (home/help/html) in a temporary folder that
// everyone may enter and read, the "nobody" of ReadOnlyAccess included.
struct HelpTree
{
    HelpTree()
    {
        QDir().mkpath(html());
        ::chmod(qPrintable(home()), 0755);
    }
    QString home() const { return dir.path(); }
    QString html() const { return dir.path() + QStringLiteral("/help/html"); }
    QString homePage() const { return path(QStringLiteral("toc.html")); }
    QString path(const QString& name) const { return html() + QLatin1Char('/') + name; }
    bool write(const QString& name, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

// While it lives, the directory cannot be written. Root writes anyway, so a test run by
// root checks the access as "nobody" (whose group keeps root's rights: it gets no more).
struct ReadOnlyAccess
{
    explicit ReadOnlyAccess(const QString& path)
        : path(path)
    {
        ::chmod(qPrintable(path), 0555);
        switched = ::geteuid() == 0 && ::seteuid(65534) == 0;
    }
    ~ReadOnlyAccess()
    {
        if (switched && ::seteuid(0) != 0)
            qFatal("cannot return to the test's own user");
        ::chmod(qPrintable(path), 0755);
    }
    QString path;
    bool switched = false;
};
