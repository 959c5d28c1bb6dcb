#include "testsettings.h"
#include "zorsettings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

class TestZORSettings : public QObject
{
    Q_OBJECT

private slots:
    void homePathFrom_data();
    void homePathFrom();
    void systemHomeUserAndInstance();
    void textsAndPaths();
    void iconLoadedOnce();
};

void TestZORSettings::homePathFrom_data()
{
    QTest::addColumn<QString>("programFile");
    QTest::addColumn<QString>("zorHome");
    QTest::addColumn<QString>("expected");

    QTest::newRow("program file first") << "/opt/tarvix/tarvix"
                                        << "/else"
                                        << "/opt/tarvix";
    QTest::newRow("backslashes") << "C:\\Programs\\Tarvix\\tarvix.exe" << QString()
                                 << "C:/Programs/Tarvix";
    QTest::newRow("ZORHOME as it stands") << QString() << "D:\\zor/"
                                          << "D:/zor/";
    QTest::newRow("neither") << QString() << QString() << QString();
}

void TestZORSettings::homePathFrom()
{
    QFETCH(QString, programFile);
    QFETCH(QString, zorHome);
    QFETCH(QString, expected);
    const QString home = ZORSettings::homePathFrom(programFile, zorHome);
    QCOMPARE(home, expected);
    QCOMPARE(home.isNull(), expected.isNull());
}

void TestZORSettings::systemHomeUserAndInstance()
{
    ZORSettings settings;
    QCOMPARE(settings.homePath(), QCoreApplication::applicationDirPath());
    QCOMPARE(settings.userName(), QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name));
    {
        QTest::ignoreMessage(QtDebugMsg, "There should be only one settings object!");
        ZORSettings second;
        QCOMPARE(ZORSettings::instance(), &second);
    }
    QCOMPARE(ZORSettings::instance(), nullptr);
}

void TestZORSettings::textsAndPaths()
{
    TestSettings settings;
    settings.home = ZORSettings::homePathFrom(QStringLiteral("C:\\Tarvix\\bin\\tarvix.exe"), {});
    QVERIFY(settings.appName().isEmpty());
    settings.initTexts();
    QCOMPARE(settings.appCaption(), QStringLiteral("Quenmark - Tarvix"));
    QCOMPARE(settings.textAbout(), QStringLiteral("&About Tarvix"));
    QCOMPARE(settings.startImagePath(), QStringLiteral("C:/Tarvix/bin/icons/startbild.jpg"));
    QCOMPARE(settings.aboutImagePath(), QStringLiteral("C:/Tarvix/bin/icons/aboutbild.jpg"));
}

void TestZORSettings::iconLoadedOnce()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("icons")));
    const QString file = dir.path() + QStringLiteral("/icons/dock32.xpm");
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(file, "XPM"));

    TestSettings settings;
    settings.home = dir.path();
    const QPixmap* first = &settings.iconDock();
    // Gone from disk, the icon read on its first use stays.
    QVERIFY(QFile::remove(file));
    QCOMPARE(&settings.iconDock(), first);
    QCOMPARE(settings.iconDock().size(), QSize(32, 32));
    QVERIFY(settings.iconInvertColors().isNull());
}

QTEST_MAIN(TestZORSettings)
#include "tst_zorsettings.moc"
