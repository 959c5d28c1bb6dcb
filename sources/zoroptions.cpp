#include "zoroptions.h"

#include "zorsettings.h"

#include <QFile>
#include <QTextStream>
#include <QtDebug>

#include <cstdio>

namespace {

ZOROptions* s_instance = nullptr;

const char* const kAnaglyphChannelsKey = "ZORANAGLYPHCHANNELS";

std::function<bool(const QString&, const QString&)>& renameFunction()
{
    static std::function<bool(const QString&, const QString&)> function;
    return function;
}

// rename(2) replaces the target in one step, which QFile::rename() refuses to do.
bool renameOver(const QString& from, const QString& to)
{
    if (const auto& function = renameFunction())
        return function(from, to);
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData())
           == 0;
}

bool isComment(const QString& line)
{
    return line.startsWith(QLatin1Char('#'));
}

// The name of a "name=value" line; null for comments and lines without "=".
QString lineName(const QString& line)
{
    if (isComment(line))
        return QString();
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return QString();
    return line.left(equals).trimmed();
}

QString colorText(const QColor& color)
{
    return QString::asprintf("#%02X%02X%02X", color.red(), color.green(), color.blue());
}

} // namespace

ZOROptions::ZOROptions()
{
    if (s_instance)
        qDebug("There should be only one options object!");
    s_instance = this;
}

ZOROptions::~ZOROptions()
{
    if (s_instance == this)
        s_instance = nullptr;
}

ZOROptions* ZOROptions::instance()
{
    return s_instance;
}

QString ZOROptions::profilePath() const
{
    const ZORSettings* settings = ZORSettings::instance();
    const QString home = settings ? settings->homePath() : QString();
    QString user = settings ? settings->userName() : QString();
    if (user.isEmpty())
        user = tr("_all_ZoR_users");
    return home + QStringLiteral("/userprofiles/") + user;
}

void ZOROptions::readAnaglyphChannels(QColor& left, QColor& right)
{
    left = QColor();
    right = QColor();

    const QString path = profilePath();
    if (!QFile::exists(path))
        return;
    const QString value = readKeyValue(path, QLatin1String(kAnaglyphChannelsKey));
    if (value.isNull())
        return;
    const qsizetype bar = value.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return;
    left = QColor::fromString(value.left(bar));
    right = QColor::fromString(value.mid(bar + 1));
}

void ZOROptions::writeAnaglyphChannels(const QColor& left, const QColor& right)
{
    const QString value = colorText(left) + QLatin1Char('|') + colorText(right);
    writeKeyValue(profilePath(), QLatin1String(kAnaglyphChannelsKey), value);
    emit anaglyphChannelsChanged(left, right);
}

QString readKeyValue(const QString& fileName, const QString& name)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QTextStream in(&file);
    QString line;
    while (in.readLineInto(&line)) {
        if (lineName(line) == name && !name.isEmpty())
            return line.mid(line.indexOf(QLatin1Char('=')) + 1);
    }
    return QString();
}

bool writeKeyValue(const QString& fileName, const QString& name, const QString& value)
{
    if (!QFile::exists(fileName)) {
        QFile create(fileName);
        if (!create.open(QIODevice::WriteOnly))
            return false;
    }

    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly))
        return false;

    const QString tmpName = fileName + QStringLiteral("_tmp");
    QFile out(tmpName);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;

    QTextStream reader(&in);
    QTextStream writer(&out);
    const QString newLine = name + QLatin1Char('=') + value;
    bool found = false;
    QString line;
    while (reader.readLineInto(&line)) {
        if (!name.isEmpty() && lineName(line) == name) {
            writer << newLine << '\n';
            found = true;
        } else {
            writer << line << '\n';
        }
    }
    if (!found)
        writer << newLine << '\n';
    writer.flush();

    const bool written = writer.status() == QTextStream::Ok && out.error() == QFileDevice::NoError
                         && out.flush();
    out.close();
    in.close();
    if (!written || out.error() != QFileDevice::NoError) {
        QFile::remove(tmpName);
        return false;
    }
    if (!renameOver(tmpName, fileName)) {
        QFile::remove(tmpName);
        return false;
    }
    return true;
}

void setKeyFileRenameFunction(std::function<bool(const QString&, const QString&)> rename)
{
    renameFunction() = std::move(rename);
}
