#include "gerror.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <utility>

namespace {

const char* const kChild = "TST_GERROR_CHILD";

// Runs in a child process, since answers to the prompt may end it. "<mode> <count> <code>
// <message>" raises count reports with the handler in that mode, printing what each raise
// returned, and then asks to exit on errors.
int runChild(const QByteArray& scenario)
{
    const QByteArrayList parts = scenario.split(' ');
    gErrorHandler.mode = parts.value(0).toInt();
    const QByteArray message = parts.mid(3).join(' ');
    const int code = parts.value(2).toInt();
    for (int i = parts.value(1).toInt(); i > 0; --i)
        std::printf("returned %d\n",
                    gError.raise("child()", "c.cpp", 7, code, "%s", message.data()));
    gErrorHandler.exitOnErrors();
    std::printf("still running\n");
    return 0;
}

} // namespace

class TestGError : public QObject
{
    Q_OBJECT

private slots:
    void codeText();
    void reports_data();
    void reports();
    void raiseRecordsAndThrows();
};

void TestGError::codeText()
{
    // clang-format off
    const QList<QPair<int, const char*>> texts = {{-400, "User error"}, {-1, "User error"},
        {0, "No error detected"}, {52, "Unsupported Image Conversion"},
        {9999, "Function is not fully implemented yet"}, {2, "Error without explaination"},
        {53, "Error without explaination"}};
    // clang-format on
    for (const auto& [code, text] : texts)
        QCOMPARE(GError::codeText(code), text);
}

void TestGError::reports_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    const auto row = [](const QByteArray& name, const QByteArray& scenario, const char* input,
                        int exitCode, const char* out, const QByteArray& err) {
        QTest::newRow(name.data())
                << scenario << QByteArray(input) << exitCode << QByteArray(out) << err;
    };
    const QByteArray where = "     in function 'child()' in file 'c.cpp' (7)\n";
    const QByteArray report = "ERROR(5): Error without explaination (c)\n" + where;
    const QByteArray prompt = "(C)ontinue / (B)reak : ";
    const QByteArray exit = "Errors have occoured. Program exits with status -1\n";
    row("mode 3 returns 3 without prompt", "3 1 40 Not possible to create (0)", "", 255,
        "returned 3\n",
        "ERROR(40): Incorrect Dimensions (Not possible to create (0))\n" + where + exit);
    row("empty message", "3 1 10", "", 255, "returned 3\n",
        "ERROR(10): Memory allocation failed\n" + where + exit);
    row("overlong message is cut", "3 1 1 " + QByteArray(5000, 'm'), "", 255, "returned 3\n",
        "ERROR(1): Unspecified error (" + QByteArray(1023, 'm') + ")\n" + where + exit);
    row("no exit without a report", "3 0", "", 0, "still running\n", "");
    for (const auto& [answer, input] : {qMakePair("c", "c\n"), qMakePair("blank", " \n"),
                                        qMakePair("newline", "\n"), qMakePair("end of input", "")})
        row(QByteArray("continue on ") + answer, "0 1 5 c", input, 255, "returned 0\n",
            report + prompt + "\n" + exit);
    for (const char* answer : {"b\n", "x\n", "C\n"})
        row("break on " + QByteArray(answer, 1), "0 1 5 c", answer, 255, "",
            report + prompt + exit);
    row("rest of the answer line dropped", "0 2 5 c", "cx\nc\n", 255, "returned 0\nreturned 0\n",
        report + prompt + "\n" + report + prompt + "\n" + exit);
    row("negative mode ends the process", "-1 2 5 c", "c\nc\n", 255, "", report + exit);
}

void TestGError::reports()
{
    QFETCH(QByteArray, scenario);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QProcess child;
    child.setEnvironment(QProcess::systemEnvironment() << kChild + QString("=") + scenario);
    child.start(QCoreApplication::applicationFilePath(), {});
    child.write(input);
    child.closeWriteChannel();
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1, exitCode);
    QCOMPARE(child.readAllStandardOutput(), out);
    QCOMPARE(child.readAllStandardError(), err);
}

void TestGError::raiseRecordsAndThrows()
{
    QCOMPARE(gErrorHandler.mode, 0); // the library asks unless told otherwise
    GErrorHandler* const handler = std::exchange(gError.handler, nullptr);
    const int reports = int(GErrorHandler::maxCodes) + 10;
    for (int i = 0; i < reports; ++i)
        gError.raise("f()", "f.cpp", 1, -i, "");
    gError.handler = handler;
    QVERIFY(gError.errorOccurred);
    QCOMPARE(gError.lastCode, 1 - reports);
    QCOMPARE(gError.codes.size(), GErrorHandler::maxCodes);
    QCOMPARE(gError.codes.front(), -10); // only the newest codes are kept

    GError::throwExceptions = true;
    GException caught;
    try {
        gError.raise("g()", "g.cpp", 12, 31, "Not possible to access (%d)", 9);
    } catch (const GException& exception) {
        caught = exception;
    }
    GError::throwExceptions = false;
    QCOMPARE(QString::asprintf("%s %s %d %d %s", caught.function.data(), caught.file.data(),
                               caught.line, caught.code, caught.message.data()),
             "g() g.cpp 12 31 Not possible to access (9)");
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kChild))
        return runChild(qgetenv(kChild));
    QCoreApplication app(argc, argv);
    TestGError test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gerror.moc"
