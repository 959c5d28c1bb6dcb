#include "testsettings.h"
#include "zorerror.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

// Captures what the process writes to standard error while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_file.open();
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }

    QByteArray finish()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

const char* const kFatalChildVariable = "TST_ZORERROR_FATAL_CHILD";

} // namespace

class TestZORError : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showErrorByKind_data();
    void showErrorByKind();
    void helperButtons_data();
    void helperButtons();
    void waitCursorLiftedWhileBoxIsOpen();
    void debugAndWarningGoToStandardError();
    void fatalShowsBoxAndExitsWithThree();
    void secondInstanceTakesOver();

private:
    TestSettings* m_settings = nullptr;
    QList<ZORMessageBoxRequest> m_requests;
};

void TestZORError::init()
{
    m_settings = new TestSettings;
    m_settings->initTexts();
    m_requests.clear();
    setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
        m_requests.append(request);
        return request.defaultButton;
    });
}

void TestZORError::cleanup()
{
    setMessageBoxHook({});
    delete m_settings;
    m_settings = nullptr;
}

void TestZORError::showErrorByKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("icon"); // -1: no box at all

    QTest::newRow("0 shows nothing") << 0 << -1;
    QTest::newRow("1 information") << 1 << int(QMessageBox::Information);
    QTest::newRow("2 warning") << 2 << int(QMessageBox::Warning);
    QTest::newRow("3 warning too") << 3 << int(QMessageBox::Warning);
    QTest::newRow("4 critical") << 4 << int(QMessageBox::Critical);
    QTest::newRow("5 shows nothing") << 5 << -1;
    QTest::newRow("-1 shows nothing") << -1 << -1;
}

void TestZORError::showErrorByKind()
{
    QFETCH(int, kind);
    QFETCH(int, icon);

    ZORError error;
    QCOMPARE(error.kind(), 0);
    QCOMPARE(error.code(), 0);
    QVERIFY(error.text().isEmpty());

    QWidget parent;
    error.setError(kind, 5, QStringLiteral("Sorry, reading this image file failed."));
    error.showError(&parent);

    if (icon < 0) {
        QVERIFY(m_requests.isEmpty());
    } else {
        QCOMPARE(m_requests.size(), 1);
        const ZORMessageBoxRequest& box = m_requests.first();
        QCOMPARE(int(box.icon), icon);
        QCOMPARE(box.parent, &parent);
        QCOMPARE(box.caption, QStringLiteral("Tarvix"));
        QCOMPARE(box.text, QStringLiteral("Sorry, reading this image file failed."));
        QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
    }
    // The record keeps its content after showing.
    QCOMPARE(error.kind(), kind);
    QCOMPARE(error.code(), 5);
    QCOMPARE(error.text(), QStringLiteral("Sorry, reading this image file failed."));
}

void TestZORError::helperButtons_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("none gives OK") << QStringList{{}, {}, {}} << QStringList{"OK"};
    QTest::newRow("two") << QStringList{"&Yes", "&No", {}} << QStringList{"&Yes", "&No"};
    QTest::newRow("three") << QStringList{"A", "B", "C"} << QStringList{"A", "B", "C"};
}

void TestZORError::helperButtons()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, shown);
    setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
        m_requests.append(request);
        return 1;
    });
    const int pressed = messageWarning(nullptr, QStringLiteral("caption"), QStringLiteral("text"),
                                       texts.at(0), texts.at(1), texts.at(2), 1, 1);
    QCOMPARE(pressed, 1);
    QCOMPARE(m_requests.size(), 1);
    QCOMPARE(m_requests.first().buttons, shown);
    QCOMPARE(m_requests.first().defaultButton, 1);
    QCOMPARE(m_requests.first().escapeButton, 1);
}

void TestZORError::waitCursorLiftedWhileBoxIsOpen()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool cursorDuringBox = true;
    setMessageBoxHook([&](const ZORMessageBoxRequest&) {
        cursorDuringBox = QApplication::overrideCursor() != nullptr;
        return 0;
    });
    ZORError error;
    error.setError(ZORError::Critical, 8, QStringLiteral("Cannot save the image."));
    error.showError(nullptr);
    QVERIFY(!cursorDuringBox);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
    QVERIFY(!QApplication::overrideCursor());

    // Without a wait cursor none is set afterwards.
    messageInformation(nullptr, QStringLiteral("c"), QStringLiteral("t"));
    QVERIFY(!QApplication::overrideCursor());
}

void TestZORError::debugAndWarningGoToStandardError()
{
    QCOMPARE(formatDebugMessage(QStringLiteral("100% of %s %d")),
             QByteArray("Debug: 100% of %s %d\n"));

    StderrCapture capture;
    const QMessageLogContext context;
    messageHandler(QtWarningMsg, context, QStringLiteral("width 50% %n %s"));
    messageHandler(QtDebugMsg, context, QStringLiteral("plain"));
    messageHandler(QtCriticalMsg, context, QStringLiteral("critical"));
    messageHandler(QtInfoMsg, context, QStringLiteral("info is ignored"));
    // A warning issued through Qt reaches the handler once it is installed.
    const QtMessageHandler previous = qInstallMessageHandler(messageHandler);
    qWarning("%s", "through Qt: 5% %d");
    qInstallMessageHandler(previous);
    QCOMPARE(capture.finish(), QByteArray("Debug: width 50% %n %s\nDebug: plain\nDebug: critical\n"
                                          "Debug: through Qt: 5% %d\n"));
    QVERIFY(m_requests.isEmpty());
}

void TestZORError::fatalShowsBoxAndExitsWithThree()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kFatalChildVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 3);
    const QByteArray out = child.readAllStandardOutput();
    QVERIFY2(out.contains("caption=Quenmark - Tarvix"), out.constData());
    QVERIFY2(out.contains("text=disk on fire\n\nPlease report this message"), out.constData());
    QVERIFY2(out.contains("Tarvix will terminate now."), out.constData());
    QVERIFY2(!out.contains("not reached"), out.constData());
}

void TestZORError::secondInstanceTakesOver()
{
    ZORError first;
    QCOMPARE(ZORError::instance(), &first);
    QTest::ignoreMessage(QtDebugMsg, "There should be only one error object!");
    ZORError second;
    QCOMPARE(ZORError::instance(), &second);
}

// The fatal path ends the process, so it runs in a child: the same program, started
// with an environment variable, answers the box through the hook and reports it.
static int runFatalChild(int argc, char** argv)
{
    qInstallMessageHandler(messageHandler);
    QApplication application(argc, argv);
    TestSettings settings;
    settings.initTexts();
    setMessageBoxHook([](const ZORMessageBoxRequest& request) {
        std::printf("caption=%s\ntext=%s\n", qPrintable(request.caption),
                    qPrintable(request.text));
        std::fflush(stdout);
        return 0;
    });
    qFatal("disk on fire");
    std::printf("not reached\n");
    return 0;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kFatalChildVariable))
        return runFatalChild(argc, argv);
    QApplication application(argc, argv);
    TestZORError test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zorerror.moc"
