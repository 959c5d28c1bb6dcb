#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>

// The user's anaglyph colour pair, kept in a per-user profile file below the home
// directory. Nothing is cached: every read and write goes to the file, and every write
// is announced. One instance, owned by main().
class ZOROptions : public QObject
{
    Q_OBJECT

public:
    ZOROptions();
    ~ZOROptions() override;

    static ZOROptions* instance();

    // Both colours become invalid when the profile holds nothing usable.
    void readAnaglyphChannels(QColor& left, QColor& right);
    // Stores the pair and announces it, also when the file could not be written: the
    // running program then still uses the new colours.
    void writeAnaglyphChannels(const QColor& left, const QColor& right);

    // The profile of the current user, or the shared one when the user is unknown.
    QString profilePath() const;

signals:
    void anaglyphChannelsChanged(const QColor& leftColor, const QColor& rightColor);
};

// Key files: text lines "name=value"; a line starting with "#" is a comment. The name
// is trimmed, the value is everything after the first "=" as it stands.

// The value of the first line named `name`, or a null string.
QString readKeyValue(const QString& fileName, const QString& name);
// Sets every line named `name` to `value` (appending one when there is none), keeping
// all other lines in order. The new content is written in full to "<file>_tmp" and then
// renamed over the file, so a failure leaves the old file as it was and returns false.
bool writeKeyValue(const QString& fileName, const QString& name, const QString& value);

// Replaces the rename step of writeKeyValue(); tests use it to make the rename fail.
// An empty function restores the real rename.
void setKeyFileRenameFunction(std::function<bool(const QString& from, const QString& to)> rename);
