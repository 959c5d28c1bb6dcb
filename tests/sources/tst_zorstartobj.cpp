#include "testsettings.h"
#include "zorerror.h"
#include "zormain.h"
#include "zorstartobj.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestZORStartObj : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void splashThenMainWindow_data();
    void splashThenMainWindow();
    void placementAndExitQuestion();

private:
    QTemporaryDir m_home;
    TestSettings m_settings;
    int m_answer = 1;
    QList<ZORMessageBoxRequest> m_requests;
};

void TestZORStartObj::init()
{
    m_settings.home = m_home.path();
    m_settings.initTexts();
    m_requests.clear();
    setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
        m_requests.append(request);
        return m_answer;
    });
}

void TestZORStartObj::splashThenMainWindow_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::newRow("no splash image") << QSize(0, 0);
    QTest::newRow("splash image") << QSize(120, 80);
}

void TestZORStartObj::splashThenMainWindow()
{
    QFETCH(QSize, picture);
    QDir(m_home.path()).mkdir(QStringLiteral("icons"));
    if (!picture.isEmpty()) {
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(m_settings.startImagePath(), "JPG"));
    }

    QElapsedTimer clock;
    clock.start();
    ZORStartObj start;
    QPointer<QLabel> splash = start.splashWindow();
    QVERIFY(splash && splash->isVisible() && (splash->windowFlags() & Qt::FramelessWindowHint));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(splash->geometry(), QRect(QPoint(screen.width() / 2 - picture.width() / 2,
                                              screen.height() / 2 - picture.height() / 2),
                                       picture));
    QVERIFY(QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    QVERIFY(start.splashTimer()->isSingleShot() && start.splashTimer()->interval() == 2800);

    QTRY_VERIFY_WITH_TIMEOUT(start.mainWindowWidget(), 10000);
    QVERIFY(clock.elapsed() >= 2800);
    QVERIFY(!start.splashWindow() && (!splash || !splash->isVisible()));
    QVERIFY(start.mainWindowWidget()->isVisible() && !QApplication::overrideCursor());
    QTRY_VERIFY(!splash);
}

void TestZORStartObj::placementAndExitQuestion()
{
    // With an exact 0.15 the corner would be (96, 38); single precision makes it smaller.
    QCOMPARE(ZORMainWindow::initialGeometry(QRect(0, 0, 1280, 1024)), QRect(95, 38, 1088, 870));
    ZORMainWindow window;
    window.show();

    // Exit asks; the event loop ends with its own result only on "Yes".
    for (const int answer : {1, 0}) {
        m_answer = answer;
        QTimer::singleShot(0, window.findChild<QAction*>("exitAction"), &QAction::trigger);
        QTimer::singleShot(500, &window, [] { QCoreApplication::exit(42); });
        QCOMPARE(QApplication::exec(), answer == 0 ? 0 : 42);
    }
    QCOMPARE(m_requests.size(), 2);
    const ZORMessageBoxRequest& box = m_requests.first();
    QCOMPARE(QStringList(box.text) + box.buttons,
             (QStringList{"Do you really want to exit Tarvix?", "&Yes", "&No"}));
    QVERIFY(box.icon == QMessageBox::Warning && box.parent == &window);
    QVERIFY(box.defaultButton == 1 && box.escapeButton == 1);

    m_answer = 1;
    QVERIFY(!window.close() && window.isVisible());
    QCOMPARE(m_requests.size(), 3);
}

QTEST_MAIN(TestZORStartObj)
#include "tst_zorstartobj.moc"
