#include "zorerror.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>

class TestZORError : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_requests.clear();
        setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
            m_requests.append(request); // a box under the wait cursor shows as such
            m_requests.last().text += QApplication::overrideCursor() ? " (wait cursor)" : "";
            return request.defaultButton;
        });
    }

    void showErrorByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("icon"); // -1: no box at all

        QTest::newRow("0 shows nothing") << 0 << -1;
        QTest::newRow("1 information") << 1 << int(QMessageBox::Information);
        QTest::newRow("2 warning") << 2 << int(QMessageBox::Warning);
        QTest::newRow("3 warning too") << 3 << int(QMessageBox::Warning);
        QTest::newRow("4 critical") << 4 << int(QMessageBox::Critical);
        QTest::newRow("5 shows nothing") << 5 << -1;
    }

    void showErrorByKind()
    {
        QFETCH(int, kind);
        QFETCH(int, icon);
        ZORError first;
        QTest::ignoreMessage(QtDebugMsg, "There should be only one error object!");
        ZORError error;
        QWidget parent;
        error.setError(kind, 5, "Cannot read.");
        QApplication::setOverrideCursor(Qt::WaitCursor);
        error.showError(&parent);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::restoreOverrideCursor();
        QCOMPARE(m_requests.size(), icon < 0 ? 0 : 1);
        for (const ZORMessageBoxRequest& box : m_requests) {
            QCOMPARE(int(box.icon), icon);
            QCOMPARE(box.parent, &parent);
            QCOMPARE(QStringList({box.caption, box.text}) + box.buttons,
                     (QStringList{"Tarvix", "Cannot read.", "OK"}));
        }
        QVERIFY(error.kind() == kind && error.code() == 5 && !error.text().isEmpty());
    }

    void buttonsAndNoCursor()
    {
        QCOMPARE(messageWarning(nullptr, "c", "t", "&Yes", "&No", {}, 1, 0), 1);
        QCOMPARE(m_requests.first().buttons, (QStringList{"&Yes", "&No"}));
        messageCritical(nullptr, "c", "t");
        QVERIFY(!QApplication::overrideCursor());
    }

    void handlerOutputAndFatalExit()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"handler-child"});
        QVERIFY(child.waitForFinished(30000));
        const QByteArray err = child.readAllStandardError();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 3, err);
        QVERIFY2(err.contains("Debug: width 50% %n %s\nDebug: plain\ncaption=Quenmark - Tarvix\n"
                              "text=disk on fire\n\nPlease report "),
                 err.constData());
        QVERIFY2(err.endsWith("\n\nTarvix will terminate now.\n") && !err.contains("ignored"),
                 err.constData());
    }

private:
    QList<ZORMessageBoxRequest> m_requests;
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // A fatal message ends the process, so the handler runs in a child: this program, started
    // with one argument, answers the box through the hook and prints what it showed.
    if (argc == 2 && qstrcmp(argv[1], "handler-child") == 0) {
        qInstallMessageHandler(messageHandler);
        setMessageBoxHook([](const ZORMessageBoxRequest& request) {
            std::fprintf(stderr, "caption=%s\ntext=%s\n", qPrintable(request.caption),
                         qPrintable(request.text));
            return 0;
        });
        qWarning("%s", "width 50% %n %s");
        qDebug("plain");
        qInfo("info is ignored");
        qFatal("disk on fire");
    }
    TestZORError test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zorerror.moc"
