#include "testsettings.h"
#include "zorerror.h"
#include "zormain.h"
#include "zorstartobj.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestZORStartObj : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void splashThenMainWindow();
    void missingSplashImage();
    void initialGeometry_data();
    void initialGeometry();
    void exitQuestion_data();
    void exitQuestion();
    void closeButtonAsksAndKeepsWindow();

private:
    TestSettings* m_settings = nullptr;
    QTemporaryDir* m_home = nullptr;
    int m_answer = 1;
    QList<ZORMessageBoxRequest> m_requests;
};

void TestZORStartObj::init()
{
    m_home = new QTemporaryDir;
    QVERIFY(m_home->isValid());
    m_settings = new TestSettings;
    m_settings->home = m_home->path();
    m_settings->initTexts();
    m_requests.clear();
    setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
        m_requests.append(request);
        return m_answer;
    });
}

void TestZORStartObj::cleanup()
{
    setMessageBoxHook({});
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    delete m_settings;
    m_settings = nullptr;
    delete m_home;
    m_home = nullptr;
}

void TestZORStartObj::splashThenMainWindow()
{
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("icons")));
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(m_settings->startImagePath(), "JPG"));

    QElapsedTimer clock;
    clock.start();
    ZORStartObj start;
    QLabel* splash = start.splashWindow();
    QVERIFY(splash);
    QVERIFY(splash->isVisible());
    QVERIFY(splash->isWindow());
    QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash->size(), QSize(120, 80));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(splash->pos(), QPoint(screen.width() / 2 - 60, screen.height() / 2 - 40));
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    QTimer* timer = start.splashTimer();
    QVERIFY(timer);
    QVERIFY(timer->isSingleShot());
    QCOMPARE(timer->interval(), 2800);
    QCOMPARE(timer->parent(), splash);
    QVERIFY(!start.mainWindowWidget());

    QPointer<QLabel> guard(splash);
    QTRY_VERIFY_WITH_TIMEOUT(start.mainWindowWidget(), 10000);
    QVERIFY(clock.elapsed() >= 2800);
    QVERIFY(!start.splashWindow());
    QVERIFY(!guard || !guard->isVisible());
    QVERIFY(start.mainWindowWidget()->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    QTRY_VERIFY(!guard);
}

void TestZORStartObj::missingSplashImage()
{
    ZORStartObj start;
    QVERIFY(start.splashWindow());
    QCOMPARE(start.splashWindow()->size(), QSize(0, 0));
    QTRY_VERIFY_WITH_TIMEOUT(start.mainWindowWidget(), 10000);
    QVERIFY(start.mainWindowWidget()->isVisible());
}

void TestZORStartObj::initialGeometry_data()
{
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("1024 x 768") << QRect(0, 0, 1024, 768) << QRect(76, 28, 870, 652);
    // With an exact 0.15 these would be 96 and 38; single precision makes them smaller.
    QTest::newRow("1280 x 1024") << QRect(0, 0, 1280, 1024) << QRect(95, 38, 1088, 870);
    QTest::newRow("1920 x 1080") << QRect(0, 0, 1920, 1080) << QRect(143, 40, 1632, 918);
}

void TestZORStartObj::initialGeometry()
{
    QFETCH(QRect, desktop);
    QFETCH(QRect, expected);
    QCOMPARE(ZORMainWindow::initialGeometry(desktop), expected);
}

void TestZORStartObj::exitQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("quits");

    QTest::newRow("yes") << 0 << true;
    QTest::newRow("no") << 1 << false;
    QTest::newRow("escape") << 1 << false;
}

void TestZORStartObj::exitQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, quits);
    m_answer = answer;

    ZORMainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("Tarvix"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Quenmark - Tarvix"));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Ctrl+Q asks; the event loop ends with its own result only on "Yes".
    QTimer::singleShot(0, &window, [&] { QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier); });
    QTimer::singleShot(500, qApp, [] { QCoreApplication::exit(42); });
    const int result = QApplication::exec();
    QCOMPARE(result, quits ? 0 : 42);

    QCOMPARE(m_requests.size(), 1);
    const ZORMessageBoxRequest& box = m_requests.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.parent, &window);
    QCOMPARE(box.caption, QStringLiteral("Tarvix"));
    QCOMPARE(box.text, QStringLiteral("Do you really want to exit Tarvix?"));
    QCOMPARE(box.buttons, (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
    QCOMPARE(box.defaultButton, 1);
    QCOMPARE(box.escapeButton, 1);
}

void TestZORStartObj::closeButtonAsksAndKeepsWindow()
{
    m_answer = 1;
    ZORMainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QCOMPARE(m_requests.size(), 1);
}

QTEST_MAIN(TestZORStartObj)
#include "tst_zorstartobj.moc"
