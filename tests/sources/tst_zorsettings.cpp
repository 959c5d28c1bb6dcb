#include "testsettings.h"
#include "zorsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
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
    void homePathIsProgramDirectory();
    void userNameIsLoginName();
    void textTable();
    void pathsJoinWithOneSlash();
    void iconLoadedOnce();
    void secondInstanceTakesOver();
};

void TestZORSettings::homePathFrom_data()
{
    QTest::addColumn<QString>("programFile");
    QTest::addColumn<QString>("zorHome");
    QTest::addColumn<QString>("expected");

    QTest::newRow("program file") << "/opt/tarvix/tarvix" << QString() << "/opt/tarvix";
    QTest::newRow("program file wins over ZORHOME") << "/opt/tarvix/tarvix" << "/elsewhere"
                                                    << "/opt/tarvix";
    QTest::newRow("backslashes in program file") << "C:\\Programs\\Tarvix\\tarvix.exe" << QString()
                                                 << "C:/Programs/Tarvix";
    QTest::newRow("mixed separators") << "/opt\\tarvix/bin\\tarvix" << QString() << "/opt/tarvix/bin";
    QTest::newRow("unknown program, ZORHOME") << QString() << "D:\\zor\\home" << "D:/zor/home";
    QTest::newRow("unknown program, ZORHOME as it stands") << QString() << "/srv/zor/" << "/srv/zor/";
    QTest::newRow("unknown program, no ZORHOME") << QString() << QString() << QString();
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

void TestZORSettings::homePathIsProgramDirectory()
{
    ZORSettings settings;
    QCOMPARE(settings.homePath(), QCoreApplication::applicationDirPath());
    QVERIFY(!settings.homePath().endsWith(QLatin1Char('/')));
}

void TestZORSettings::userNameIsLoginName()
{
    ZORSettings settings;
    const passwd* entry = ::getpwuid(::geteuid());
    QVERIFY(entry);
    QCOMPARE(settings.userName(), QString::fromLocal8Bit(entry->pw_name));
}

void TestZORSettings::textTable()
{
    ZORSettings settings;
    QVERIFY(settings.appName().isEmpty());
    settings.initTexts();
    QCOMPARE(settings.appVersion(), QStringLiteral("1.0.1"));
    QCOMPARE(settings.appName(), QStringLiteral("Tarvix"));
    QCOMPARE(settings.appCaption(), QStringLiteral("Quenmark - Tarvix"));
    QCOMPARE(settings.textAbout(), QStringLiteral("&About Tarvix"));
    QCOMPARE(settings.textExit(), QStringLiteral("E&xit"));
    QCOMPARE(settings.textYes(), QStringLiteral("&Yes"));
    QCOMPARE(settings.textNo(), QStringLiteral("&No"));
    QCOMPARE(settings.helpFitToWindow(),
             QStringLiteral("Zoom image so that it fits onto the workspace"));
    QCOMPARE(settings.msgFormatUnrecognized(),
             QStringLiteral("Cannot read this file.\nThe image format is unrecognized."));
    QCOMPARE(settings.msgReadFailed(), QStringLiteral("Sorry, reading this image file failed."));
}

void TestZORSettings::pathsJoinWithOneSlash()
{
    TestSettings settings;
    settings.home = ZORSettings::homePathFrom(QStringLiteral("C:\\Tarvix\\bin\\tarvix.exe"), QString());
    settings.initTexts();
    QCOMPARE(settings.startImagePath(), QStringLiteral("C:/Tarvix/bin/icons/startbild.jpg"));
    QCOMPARE(settings.aboutImagePath(), QStringLiteral("C:/Tarvix/bin/icons/aboutbild.jpg"));
}

void TestZORSettings::iconLoadedOnce()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("icons")));
    const QString file = dir.path() + QStringLiteral("/icons/dock32.xpm");
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(file, "XPM"));

    TestSettings settings;
    settings.home = dir.path();
    const QPixmap& first = settings.iconDock();
    QCOMPARE(first.size(), QSize(32, 32));

    // The file is gone, but the icon was read on its first use and is kept.
    QVERIFY(QFile::remove(file));
    const QPixmap& second = settings.iconDock();
    QCOMPARE(&second, &first);
    QCOMPARE(second.size(), QSize(32, 32));

    // A missing file gives a null pixmap and nothing else.
    QVERIFY(settings.iconInvertColors().isNull());
}

void TestZORSettings::secondInstanceTakesOver()
{
    ZORSettings first;
    QCOMPARE(ZORSettings::instance(), &first);
    {
        QTest::ignoreMessage(QtDebugMsg, "There should be only one settings object!");
        ZORSettings second;
        QCOMPARE(ZORSettings::instance(), &second);
    }
    QCOMPARE(ZORSettings::instance(), nullptr);
}

QTEST_MAIN(TestZORSettings)
#include "tst_zorsettings.moc"
