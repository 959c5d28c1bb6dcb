#include "testsettings.h"
#include "zoroptions.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
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

private slots:
    void init();
    void cleanup();

    void readKeyValue_data();
    void readKeyValue();
    void writeKeyValue_data();
    void writeKeyValue();
    void writeKeyValueCreatesFile();
    void writeKeyValueFailures();
    void failedRenameKeepsOldFile();

    void roundTrip();
    void sharedProfileWithoutUserName();
    void unusableProfiles_data();
    void unusableProfiles();
    void writeWithoutProfileDirectoryStillAnnounces();

private:
    QTemporaryDir* m_dir = nullptr;
    TestSettings* m_settings = nullptr;
    QString m_file;
};

void TestZOROptions::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("userprofiles")));
    m_settings = new TestSettings;
    m_settings->home = m_dir->path();
    m_settings->user = QStringLiteral("ada");
    m_file = m_dir->path() + QStringLiteral("/keys");
}

void TestZOROptions::cleanup()
{
    setKeyFileRenameFunction({});
    delete m_settings;
    m_settings = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void TestZOROptions::readKeyValue_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected"); // "<null>" for a null string

    QTest::newRow("plain") << QByteArray("A=1\nB=2\n") << "B" << "2";
    QTest::newRow("first of duplicates") << QByteArray("K=first\nK=second\n") << "K" << "first";
    QTest::newRow("spaces around name") << QByteArray("  K \t= v\n") << "K" << " v";
    QTest::newRow("spaces after equals kept") << QByteArray("K=  v  \n") << "K" << "  v  ";
    QTest::newRow("only first equals splits") << QByteArray("K=a=b\n") << "K" << "a=b";
    QTest::newRow("empty value is not null") << QByteArray("K=\n") << "K" << "";
    QTest::newRow("comment skipped") << QByteArray("#K=hidden\nK=shown\n") << "K" << "shown";
    QTest::newRow("commented only") << QByteArray("#K=hidden\n") << "K" << "<null>";
    QTest::newRow("case-sensitive") << QByteArray("k=lower\n") << "K" << "<null>";
    QTest::newRow("line without equals") << QByteArray("K\nK=v\n") << "K" << "v";
    QTest::newRow("no final line feed") << QByteArray("A=1\nK=last") << "K" << "last";
    QTest::newRow("empty file") << QByteArray() << "K" << "<null>";
    QTest::newRow("binary garbage") << QByteArray("\x01\xff\xfe=\x00\x02\n", 7) << "K" << "<null>";
}

void TestZOROptions::readKeyValue()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QVERIFY(writeFile(m_file, file));
    const QString value = ::readKeyValue(m_file, name);
    if (expected == QLatin1String("<null>"))
        QVERIFY(value.isNull());
    else
        QCOMPARE(value, expected);
}

void TestZOROptions::writeKeyValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("append to empty") << QByteArray() << QByteArray("K=new\n");
    QTest::newRow("replace in place, others keep order and text")
        << QByteArray("# my colours\nA = 1\nK=old\n  other=  x \n")
        << QByteArray("# my colours\nA = 1\nK=new\n  other=  x \n");
    QTest::newRow("every duplicate replaced")
        << QByteArray("K=1\nA=2\nK=3\n") << QByteArray("K=new\nA=2\nK=new\n");
    QTest::newRow("spaced name replaced") << QByteArray(" K =old\n") << QByteArray("K=new\n");
    QTest::newRow("commented key kept, key appended")
        << QByteArray("#K=old\n") << QByteArray("#K=old\nK=new\n");
    QTest::newRow("last line gets its line feed") << QByteArray("A=1") << QByteArray("A=1\nK=new\n");
    QTest::newRow("lines without equals kept") << QByteArray("junk\n\nK=old\n")
                                               << QByteArray("junk\n\nK=new\n");
}

void TestZOROptions::writeKeyValue()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QVERIFY(writeFile(m_file, before));
    QVERIFY(::writeKeyValue(m_file, QStringLiteral("K"), QStringLiteral("new")));
    QCOMPARE(contents(m_file), after);
    QVERIFY(!QFile::exists(m_file + QStringLiteral("_tmp")));
}

void TestZOROptions::writeKeyValueCreatesFile()
{
    QVERIFY(!QFile::exists(m_file));
    QVERIFY(::writeKeyValue(m_file, QStringLiteral("K"), QStringLiteral("v")));
    QCOMPARE(contents(m_file), QByteArray("K=v\n"));
}

void TestZOROptions::writeKeyValueFailures()
{
    // No such directory: nothing can be created.
    const QString missing = m_dir->path() + QStringLiteral("/nowhere/keys");
    QVERIFY(!::writeKeyValue(missing, QStringLiteral("K"), QStringLiteral("v")));
    QVERIFY(!QFile::exists(missing));

    // The temporary name is taken by a directory: the old file stays as it was.
    QVERIFY(writeFile(m_file, "K=old\n"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("keys_tmp")));
    QVERIFY(!::writeKeyValue(m_file, QStringLiteral("K"), QStringLiteral("new")));
    QCOMPARE(contents(m_file), QByteArray("K=old\n"));
}

void TestZOROptions::failedRenameKeepsOldFile()
{
    QVERIFY(writeFile(m_file, "# keep me\nK=old\n"));
    QString renamedFrom;
    setKeyFileRenameFunction([&](const QString& from, const QString&) {
        renamedFrom = from;
        return false;
    });
    QVERIFY(!::writeKeyValue(m_file, QStringLiteral("K"), QStringLiteral("new")));
    QCOMPARE(renamedFrom, m_file + QStringLiteral("_tmp"));
    QCOMPARE(contents(m_file), QByteArray("# keep me\nK=old\n"));
    QVERIFY(!QFile::exists(m_file + QStringLiteral("_tmp")));
}

void TestZOROptions::roundTrip()
{
    ZOROptions options;
    QSignalSpy spy(&options, &ZOROptions::anaglyphChannelsChanged);
    const QString profile = m_dir->path() + QStringLiteral("/userprofiles/ada");
    QCOMPARE(options.profilePath(), profile);

    QColor left, right;
    options.readAnaglyphChannels(left, right);
    QVERIFY(!left.isValid());
    QVERIFY(!right.isValid());

    const QColor red(0xb8, 0x00, 0x00), cyan(0x00, 0xb8, 0xff);
    options.writeAnaglyphChannels(red, cyan);
    QCOMPARE(contents(profile), QByteArray("ZORANAGLYPHCHANNELS=#B80000|#00B8FF\n"));
    QCOMPARE(::readKeyValue(profile, QStringLiteral("ZORANAGLYPHCHANNELS")).size(), 15);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QColor>(), red);
    QCOMPARE(spy.at(0).at(1).value<QColor>(), cyan);

    options.readAnaglyphChannels(left, right);
    QCOMPARE(left, red);
    QCOMPARE(right, cyan);

    // A second write replaces the line and leaves the user's other lines alone.
    QVERIFY(writeFile(profile, "# Ada's profile\nZORANAGLYPHCHANNELS=#B80000|#00B8FF\nOTHER=1\n"));
    options.writeAnaglyphChannels(QColor(0, 0, 255), QColor(184, 0, 0));
    QCOMPARE(contents(profile),
             QByteArray("# Ada's profile\nZORANAGLYPHCHANNELS=#0000FF|#B80000\nOTHER=1\n"));
    QCOMPARE(spy.count(), 2);
}

void TestZOROptions::sharedProfileWithoutUserName()
{
    m_settings->user = QString();
    ZOROptions options;
    const QString shared = m_dir->path() + QStringLiteral("/userprofiles/_all_ZoR_users");
    QCOMPARE(options.profilePath(), shared);
    options.writeAnaglyphChannels(QColor(1, 2, 3), QColor(250, 251, 252));
    QCOMPARE(contents(shared), QByteArray("ZORANAGLYPHCHANNELS=#010203|#FAFBFC\n"));
    QColor left, right;
    options.readAnaglyphChannels(left, right);
    QCOMPARE(left, QColor(1, 2, 3));
    QCOMPARE(right, QColor(250, 251, 252));
}

void TestZOROptions::unusableProfiles_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<bool>("leftValid");
    QTest::addColumn<bool>("rightValid");

    QTest::newRow("empty file") << QByteArray() << false << false;
    QTest::newRow("other keys only") << QByteArray("A=1\n") << false << false;
    QTest::newRow("no bar") << QByteArray("ZORANAGLYPHCHANNELS=#B80000#00B8FF\n") << false << false;
    QTest::newRow("garbled left") << QByteArray("ZORANAGLYPHCHANNELS=#B8Z000|#00B8FF\n") << false
                                  << true;
    QTest::newRow("empty right") << QByteArray("ZORANAGLYPHCHANNELS=#B80000|\n") << true << false;
    QTest::newRow("space after equals") << QByteArray("ZORANAGLYPHCHANNELS= #B80000|#00B8FF\n")
                                        << false << true;
    QTest::newRow("binary") << QByteArray("\xff\xfe\x00ZORANAGLYPHCHANNELS=\x01|\x02", 26) << false
                            << false;
}

void TestZOROptions::unusableProfiles()
{
    QFETCH(QByteArray, profile);
    QFETCH(bool, leftValid);
    QFETCH(bool, rightValid);
    ZOROptions options;
    QVERIFY(writeFile(options.profilePath(), profile));
    QColor left(Qt::white), right(Qt::white);
    options.readAnaglyphChannels(left, right);
    QCOMPARE(left.isValid(), leftValid);
    QCOMPARE(right.isValid(), rightValid);
    // Reading never touches the file.
    QCOMPARE(contents(options.profilePath()), profile);
}

void TestZOROptions::writeWithoutProfileDirectoryStillAnnounces()
{
    QVERIFY(QDir(m_dir->path() + QStringLiteral("/userprofiles")).removeRecursively());
    ZOROptions options;
    QSignalSpy spy(&options, &ZOROptions::anaglyphChannelsChanged);
    options.writeAnaglyphChannels(QColor(1, 2, 3), QColor(4, 5, 6));
    QCOMPARE(spy.count(), 1);
    QVERIFY(!QFile::exists(options.profilePath()));
    QColor left, right;
    options.readAnaglyphChannels(left, right);
    QVERIFY(!left.isValid() && !right.isValid());
}

QTEST_GUILESS_MAIN(TestZOROptions)
#include "tst_zoroptions.moc"
