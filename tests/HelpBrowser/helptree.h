#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

// A help directory of the program's layout (home/help/html, pictures in home/help/pics)
// in a temporary folder, filled by the test.
class HelpTree
{
public:
    HelpTree()
    {
        QDir().mkpath(html());
        // Readable for the ordinary user that ReadOnlyAccess switches to.
        QFile::setPermissions(m_dir.path(), writable());
    }

    // The process keeps root's group while it checks as "nobody", so the group needs the
    // same rights as everyone else.
    static QFile::Permissions readOnly()
    {
        return QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
            | QFile::ReadOther | QFile::ExeOther;
    }
    static QFile::Permissions writable() { return readOnly() | QFile::WriteOwner; }

    bool isValid() const { return m_dir.isValid(); }
    QString home() const { return m_dir.path(); }
    QString html() const { return m_dir.path() + QStringLiteral("/help/html"); }
    QString homePage() const { return path(QStringLiteral("toc.html")); }
    QString path(const QString& name) const { return html() + QLatin1Char('/') + name; }

    bool write(const QString& name, const QByteArray& content) const
    {
        const QString target = name.startsWith(QLatin1Char('/')) ? name : path(name);
        QDir().mkpath(QFileInfo(target).path());
        QFile file(target);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(content) == content.size();
    }

    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};

// While it lives, the help directory cannot be written. A test run by root would write
// anyway, so the file access is then checked as the unprivileged user "nobody".
class ReadOnlyAccess
{
public:
    explicit ReadOnlyAccess(const QString& directory)
        : m_directory(directory)
    {
        QFile::setPermissions(m_directory, HelpTree::readOnly());
        if (::geteuid() == 0)
            m_switched = ::seteuid(65534) == 0;
    }
    ~ReadOnlyAccess()
    {
        if (m_switched && ::seteuid(0) != 0)
            qFatal("cannot return to the test's own user");
        QFile::setPermissions(m_directory, HelpTree::writable());
    }
    bool active() const { return ::geteuid() != 0; }

private:
    QString m_directory;
    bool m_switched = false;
};
