#include "testsettings.h"
#include "zoroptions.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

static QByteArray contents(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// Replaces the file by one holding data; a null array leaves no file.
static bool setFile(const QString& fileName, const QByteArray& data)
{
    QFile::remove(fileName);
    QFile file(fileName);
    return data.isNull() || (file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

class TestZOROptions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir(m_settings.home = m_dir.path()).mkdir("userprofiles")); }

    void keyFile_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("read");      // the value of "K", null or not
        QTest::addColumn<QByteArray>("after");  // the file after setting "K" to "new"

        QTest::newRow("no file") << QByteArray() << QString() << QByteArray("K=new\n");
        QTest::newRow("others kept, spaced name")
                << QByteArray("# mine\nA = 1\n K \t=  a=b \njunk\n\n  o=  x ") << "  a=b "
                << QByteArray("# mine\nA = 1\nK=new\njunk\n\n  o=  x \n");
        QTest::newRow("K twice") << QByteArray("K=1\nK=3\n") << "1"
                                 << QByteArray("K=new\nK=new\n");
        QTest::newRow("empty value") << QByteArray("K=\n") << "" << QByteArray("K=new\n");
        QTest::newRow("only commented, case differs")
                << QByteArray("#K=x\nk=1\n") << QString() << QByteArray("#K=x\nk=1\nK=new\n");
    }

    void keyFile()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, read);
        QFETCH(QByteArray, after);
        QVERIFY(setFile(m_file, before));
        const QString value = readKeyValue(m_file, "K");
        QVERIFY(value == read && value.isNull() == read.isNull());
        QVERIFY(writeKeyValue(m_file, "K", "new"));
        QCOMPARE(contents(m_file), after);
        QVERIFY(!QFile::exists(m_file + "_tmp"));
    }

    void profile_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QByteArray>("stored"); // null: no profile; nothing usable in any row
        const QByteArray key = "ZORANAGLYPHCHANNELS=";
        QTest::newRow("no user name, no profile") << QString() << QByteArray();
        QTest::newRow("no bar") << "ada" << key + "#B80000";
        QTest::newRow("binary, empty right") << "ada" << key + "#\xff\x01|";
    }

    void profile()
    {
        QFETCH(QString, user);
        QFETCH(QByteArray, stored);
        m_settings.user = user;
        ZOROptions options;
        QSignalSpy spy(&options, &ZOROptions::anaglyphChannelsChanged);
        const QString path = m_dir.path() + QStringLiteral("/userprofiles/")
                             + (user.isEmpty() ? QStringLiteral("_all_ZoR_users") : user);
        QCOMPARE(options.profilePath(), path);
        QVERIFY(setFile(path, stored));
        QColor left(Qt::white), right(Qt::white);
        options.readAnaglyphChannels(left, right);
        QVERIFY(!left.isValid() && !right.isValid());

        const QColor red(184, 0, 0), cyan(0, 184, 255);
        options.writeAnaglyphChannels(red, cyan);
        QCOMPARE(contents(path), QByteArray("ZORANAGLYPHCHANNELS=#B80000|#00B8FF\n"));
        QCOMPARE(QList<QVariantList>(spy), (QList<QVariantList>{{QColor(red), QColor(cyan)}}));
        options.readAnaglyphChannels(left, right);
        QVERIFY(left == red && right == cyan);
    }

    void failuresLoseNothing()
    {
        QVERIFY(setFile(m_file, "# keep me\nK=old\n"));
        setKeyFileRenameFunction([](const QString&, const QString&) { return false; });
        QVERIFY(!writeKeyValue(m_file, "K", "new"));
        setKeyFileRenameFunction({});
        QCOMPARE(contents(m_file), QByteArray("# keep me\nK=old\n"));
        QVERIFY(!QFile::exists(m_file + "_tmp"));

        // Without the profile folder nothing is written, but the change is still announced.
        QVERIFY(QDir(m_dir.path() + QStringLiteral("/userprofiles")).removeRecursively());
        ZOROptions options;
        QSignalSpy spy(&options, &ZOROptions::anaglyphChannelsChanged);
        options.writeAnaglyphChannels(QColor(4, 5, 6), QColor(7, 8, 9));
        QCOMPARE(spy.count(), 1);
        QVERIFY(!QFile::exists(options.profilePath()));
    }

private:
    QTemporaryDir m_dir;
    TestSettings m_settings;
    QString m_file = m_dir.path() + QStringLiteral("/keys");
};

QTEST_GUILESS_MAIN(TestZOROptions)
#include "tst_zoroptions.moc"
