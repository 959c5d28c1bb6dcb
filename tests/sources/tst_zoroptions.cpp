#include "testsettings.h"
#include "zoroptions.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

bool writeFile(const QString& fileName, const QByteArray& data)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

class TestZOROptions : public QObject
{
    Q_OBJECT

public:
    TestZOROptions()
    {
        QDir(m_dir.path()).mkdir(QStringLiteral("userprofiles"));
        m_settings.home = m_dir.path();
    }

private slots:
    void keyFile_data();
    void keyFile();
    void profile_data();
    void profile();
    void failuresLoseNothing();

private:
    QTemporaryDir m_dir;
    TestSettings m_settings;
    QString m_file = m_dir.path() + QStringLiteral("/keys");
};

void TestZOROptions::keyFile_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("read");      // the value of "K", null or not
    QTest::addColumn<QByteArray>("after");  // the file after setting "K" to "new"

    QTest::newRow("no file") << QByteArray() << QString() << QByteArray("K=new\n");
    QTest::newRow("others keep order and text, spaced name")
            << QByteArray("# mine\nA = 1\n K \t=  a=b \njunk\n\n  o=  x ") << "  a=b "
            << QByteArray("# mine\nA = 1\nK=new\njunk\n\n  o=  x \n");
    QTest::newRow("duplicates") << QByteArray("K=first\nA=2\nK=3\n") << "first"
                                << QByteArray("K=new\nA=2\nK=new\n");
    QTest::newRow("empty value") << QByteArray("#K=x\nK=\n") << "" << QByteArray("#K=x\nK=new\n");
    QTest::newRow("only commented, case differs")
            << QByteArray("#K=x\nk=1\n") << QString() << QByteArray("#K=x\nk=1\nK=new\n");
}

void TestZOROptions::keyFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, read);
    QFETCH(QByteArray, after);
    QFile::remove(m_file);
    if (!before.isNull())
        QVERIFY(writeFile(m_file, before));
    const QString value = readKeyValue(m_file, "K");
    QVERIFY(value == read && value.isNull() == read.isNull());
    QVERIFY(writeKeyValue(m_file, "K", "new"));
    QCOMPARE(contents(m_file), after);
    QVERIFY(!QFile::exists(m_file + "_tmp"));
}

void TestZOROptions::profile_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QByteArray>("stored"); // null: no profile; nothing usable in any row

    QTest::newRow("no profile") << "ada" << QByteArray();
    QTest::newRow("no user name, shared profile") << QString() << QByteArray();
    QTest::newRow("no bar") << "ada" << QByteArray("ZORANAGLYPHCHANNELS=#B80000");
    QTest::newRow("spaces after = and |")
            << "ada" << QByteArray("ZORANAGLYPHCHANNELS= #B80000| #00B8FF");
    QTest::newRow("binary, empty right") << "ada" << QByteArray("ZORANAGLYPHCHANNELS=#\xff\x01|");
}

void TestZOROptions::profile()
{
    QFETCH(QString, user);
    QFETCH(QByteArray, stored);
    m_settings.user = user;
    ZOROptions options;
    QSignalSpy spy(&options, &ZOROptions::anaglyphChannelsChanged);
    const QString path = m_dir.path() + QStringLiteral("/userprofiles/")
                         + (user.isEmpty() ? QStringLiteral("_all_ZoR_users") : user);
    QCOMPARE(options.profilePath(), path);
    QFile::remove(path);
    if (!stored.isNull())
        QVERIFY(writeFile(path, stored));
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

void TestZOROptions::failuresLoseNothing()
{
    QVERIFY(writeFile(m_file, "# keep me\nK=old\n"));
    // The new content is complete before the rename; a failing rename loses nothing.
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

QTEST_GUILESS_MAIN(TestZOROptions)
#include "tst_zoroptions.moc"
