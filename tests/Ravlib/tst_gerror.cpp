#include "gerror.h"
#include "gvector.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const char* const kChildVariable = "TST_GERROR_CHILD";

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

// Runs in a fresh child process: "<mode> <reports>" raises that many reports with the
// handler in that mode and prints what each raise returned on standard output; "exit"
// calls exitOnErrors before any report; "library" lets a vector report on its own.
int runChild(const QByteArray& scenario)
{
    if (scenario == "exit") {
        gErrorHandler.exitOnErrors();
        std::printf("still running\n");
        return 0;
    }
    if (scenario == "library") {
        gErrorHandler.mode = 0;
        GVector v;
        const bool created = v.create(0);
        std::printf("created %d\n", int(created));
        return 0;
    }
    const QList<QByteArray> parts = scenario.split(' ');
    gErrorHandler.mode = parts.value(0).toInt();
    const int reports = parts.value(1).toInt();
    for (int i = 0; i < reports; ++i) {
        const int result = gError.raise("child()", "child.cpp", 7, 5, "report %d", i + 1);
        std::printf("returned %d\n", result);
        std::fflush(stdout);
    }
    return 0;
}

struct ChildResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ChildResult runInChild(const QByteArray& scenario, const QByteArray& input, bool closeInput)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildVariable, QString::fromLatin1(scenario));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted())
        return {};
    child.write(input);
    if (closeInput)
        child.closeWriteChannel();
    child.waitForFinished(20000);
    return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2,
            child.readAllStandardOutput(), child.readAllStandardError()};
}

const QByteArray kChildReport = "ERROR(5): Error without explaination (report 1)\n"
                                "     in function 'child()' in file 'child.cpp' (7)\n";
const QByteArray kPrompt = "(C)ontinue / (B)reak : ";
const QByteArray kExitLine = "Errors have occoured. Program exits with status -1\n";

} // namespace

class TestGError : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void codeText_data();
    void codeText();
    void reportFormat_data();
    void reportFormat();
    void raiseRecordsEveryReport();
    void codeListsKeepTheNewest();
    void overlongMessageIsCut();
    void exceptionsWhenSwitchedOn();
    void positiveModeReturnsWithoutPrompt();

    void promptAnswers_data();
    void promptAnswers();
    void promptDiscardsRestOfAnswerLine();
    void negativeModeEndsProcess();
    void exitOnErrorsWithoutReportDoesNothing();
    void libraryReportPromptsAndContinues();

private:
    int m_savedMode = 0;
};

void TestGError::init()
{
    m_savedMode = gErrorHandler.mode;
    gErrorHandler.mode = 3;
}

void TestGError::cleanup()
{
    gErrorHandler.mode = m_savedMode;
    GError::throwExceptions = false;
}

void TestGError::codeText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative -1") << -1 << "User error";
    QTest::newRow("negative -400") << -400 << "User error";
    QTest::newRow("0") << 0 << "No error detected";
    QTest::newRow("1") << 1 << "Unspecified error";
    QTest::newRow("10") << 10 << "Memory allocation failed";
    QTest::newRow("11") << 11 << "NULL-Pointer problem";
    QTest::newRow("20") << 20 << "File Open failed";
    QTest::newRow("21") << 21 << "Error during file write";
    QTest::newRow("22") << 22 << "Error during file read";
    QTest::newRow("23") << 23 << "Write to stream failed";
    QTest::newRow("24") << 24 << "Read from stream failed";
    QTest::newRow("25") << 25 << "Parsing error in input stream";
    QTest::newRow("26") << 26 << "Unsupported RAVLIB io-mode";
    QTest::newRow("27") << 27 << "Incorrect file type";
    QTest::newRow("30") << 30 << "Access to non existing plane";
    QTest::newRow("31") << 31 << "Access to non existing element";
    QTest::newRow("32") << 32 << "Not valid range";
    QTest::newRow("40") << 40 << "Incorrect Dimensions";
    QTest::newRow("41") << 41 << "Unsupported Operation";
    QTest::newRow("42") << 42 << "Unsupported Mode";
    QTest::newRow("50") << 50 << "Unspecified RTTI error";
    QTest::newRow("51") << 51 << "Unsupported Image Type";
    QTest::newRow("52") << 52 << "Unsupported Image Conversion";
    QTest::newRow("9999") << 9999 << "Function is not fully implemented yet";
    for (int code : {2, 5, 9, 12, 19, 28, 29, 33, 39, 43, 49, 53, 9998, 10000})
        QTest::newRow(qPrintable(QString("unexplained %1").arg(code)))
                << code << "Error without explaination";
}

void TestGError::codeText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(QString::fromLatin1(GError::codeText(code)), text);
}

void TestGError::reportFormat_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::newRow("with message") << 40 << QByteArray("Not possible to create (0)")
                                  << QByteArray("ERROR(40): Incorrect Dimensions "
                                                "(Not possible to create (0))");
    QTest::newRow("empty message")
            << 10 << QByteArray() << QByteArray("ERROR(10): Memory allocation failed");
    QTest::newRow("negative code")
            << -3 << QByteArray("x") << QByteArray("ERROR(-3): User error (x)");
    QTest::newRow("9999") << 9999 << QByteArray()
                          << QByteArray("ERROR(9999): Function is not fully implemented yet");
}

void TestGError::reportFormat()
{
    QFETCH(int, code);
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, firstLine);
    StderrCapture capture;
    gError.raise("GVector::create()", "gvector.cpp", 131, code, "%s", message.constData());
    const QByteArray expected
            = firstLine + "\n"
              + "     in function 'GVector::create()' in file 'gvector.cpp' (131)\n";
    QCOMPARE(capture.finish(), expected);
}

void TestGError::raiseRecordsEveryReport()
{
    const std::size_t errorCodes = gError.codes.size();
    const std::size_t handlerCodes = gErrorHandler.codes.size();
    StderrCapture capture;
    gError.raise("f()", "f.cpp", 1, 22, "");
    gError.raise("f()", "f.cpp", 2, -8, "");
    capture.finish();
    QVERIFY(gError.errorOccurred);
    QCOMPARE(gError.lastCode, -8);
    QCOMPARE(gError.codes.size(), errorCodes + 2);
    QCOMPARE(gError.codes[errorCodes], 22);
    QCOMPARE(gError.codes.back(), -8);
    QCOMPARE(gErrorHandler.codes.size(), handlerCodes + 2);
    QCOMPARE(gErrorHandler.codes.back(), -8);
    gErrorHandler.clear();
    QVERIFY(gErrorHandler.codes.empty());
}

void TestGError::codeListsKeepTheNewest()
{
    StderrCapture capture;
    const int reports = int(GErrorHandler::maxCodes) + 10;
    for (int i = 0; i < reports; ++i)
        gError.raise("f()", "f.cpp", 1, -i, "");
    capture.finish();
    QCOMPARE(gError.codes.size(), GErrorHandler::maxCodes);
    QCOMPARE(gErrorHandler.codes.size(), GErrorHandler::maxCodes);
    QCOMPARE(gError.codes.front(), -10);
    QCOMPARE(gError.codes.back(), -(reports - 1));
    QCOMPARE(gErrorHandler.codes.back(), -(reports - 1));
}

void TestGError::overlongMessageIsCut()
{
    const QByteArray longText(5000, 'm');
    StderrCapture capture;
    gError.raise("f()", "f.cpp", 1, 1, "<%s>", longText.constData());
    const QByteArray output = capture.finish();
    const QByteArray firstLine = output.left(output.indexOf('\n'));
    // 1023 characters of message fit the buffer beside its terminator.
    const QByteArray expected = "ERROR(1): Unspecified error (<" + QByteArray(1022, 'm') + ")";
    QCOMPARE(firstLine, expected);
}

void TestGError::exceptionsWhenSwitchedOn()
{
    GError::throwExceptions = true;
    bool thrown = false;
    try {
        gError.raise("g()", "g.cpp", 12, 31, "Not possible to access (%d)", 9);
    } catch (const GException& exception) {
        thrown = true;
        QCOMPARE(QByteArray::fromStdString(exception.function), QByteArray("g()"));
        QCOMPARE(QByteArray::fromStdString(exception.file), QByteArray("g.cpp"));
        QCOMPARE(exception.line, 12);
        QCOMPARE(exception.code, 31);
        QCOMPARE(QByteArray::fromStdString(exception.message),
                 QByteArray("Not possible to access (9)"));
    }
    QVERIFY(thrown);
    QCOMPARE(gError.lastCode, 31);
}

void TestGError::positiveModeReturnsWithoutPrompt()
{
    StderrCapture capture;
    const int result = gError.raise("f()", "f.cpp", 1, 5, "");
    const QByteArray output = capture.finish();
    QCOMPARE(result, 3);
    QVERIFY(!output.contains("Continue"));
}

void TestGError::promptAnswers_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("closeInput");
    QTest::addColumn<bool>("continues");
    QTest::newRow("c") << QByteArray("c\n") << false << true;
    QTest::newRow("blank") << QByteArray(" \n") << false << true;
    QTest::newRow("bare newline") << QByteArray("\n") << false << true;
    QTest::newRow("end of input") << QByteArray() << true << true;
    QTest::newRow("b") << QByteArray("b\n") << false << false;
    QTest::newRow("x") << QByteArray("x\n") << false << false;
    QTest::newRow("upper-case C") << QByteArray("C\n") << false << false;
}

void TestGError::promptAnswers()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, closeInput);
    QFETCH(bool, continues);
    const ChildResult result = runInChild("0 1", input, closeInput);
    if (continues) {
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("returned 0\n"));
        QCOMPARE(result.err, kChildReport + kPrompt + "\n");
    } else {
        QCOMPARE(result.exitCode, 255);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.err, kChildReport + kPrompt + kExitLine);
    }
}

void TestGError::promptDiscardsRestOfAnswerLine()
{
    // "cx" continues; the x must not answer the second prompt, which gets "c".
    const ChildResult result = runInChild("0 2", "cx\nc\n", true);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray("returned 0\nreturned 0\n"));
    QCOMPARE(result.err.count(kPrompt), 2);
}

void TestGError::negativeModeEndsProcess()
{
    const ChildResult result = runInChild("-1 2", "c\nc\n", true);
    QCOMPARE(result.exitCode, 255);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err, kChildReport + kExitLine);
}

void TestGError::exitOnErrorsWithoutReportDoesNothing()
{
    const ChildResult result = runInChild("exit", {}, true);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray("still running\n"));
    QCOMPARE(result.err, QByteArray());
}

void TestGError::libraryReportPromptsAndContinues()
{
    const ChildResult result = runInChild("library", "c\n", true);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray("created 0\n"));
    const QRegularExpression expected(
            "^ERROR\\(40\\): Incorrect Dimensions \\(Not possible to create \\(0\\)\\)\n"
            "     in function 'GVector::create\\(\\)' in file '[^']*gvector\\.cpp' \\(\\d+\\)\n"
            "\\(C\\)ontinue / \\(B\\)reak : \n$");
    QVERIFY2(expected.match(QString::fromLatin1(result.err)).hasMatch(), result.err.constData());
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runChild(qgetenv(kChildVariable));
    QCoreApplication app(argc, argv);
    TestGError test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gerror.moc"
