#include "errorrecorder.h"
#include "gbase.h"
#include "ghompt.h"
#include "ghomptvector.h"
#include "gline2d.h"
#include "gpoint2d.h"
#include "gpoint2dvector.h"
#include "grect2d.h"
#include "gvector.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sstream>
#include <unistd.h>

namespace {

// A class without file routines of its own, for the generic ones of GBase: its body is
// one integer.
class Counter : public GBase
{
public:
    bool write(std::ostream& os, int mode) const override
    {
        if (mode == 3)
            return false;
        os << value << " ";
        return true;
    }
    bool read(std::istream& is, int) override { return static_cast<bool>(is >> value); }
    std::string className() const override { return "Counter"; }
    int defaultMode() const override { return defaultModeValue; }

    int value = 0;
    int defaultModeValue = 0;
};

// One object of each class, built with contents so that a round trip shows.
std::unique_ptr<GBase> makeObject(const QByteArray& name)
{
    if (name == "GVector") {
        auto v = std::make_unique<GVector>(2);
        (*v)(0) = 0.5;
        (*v)(1) = -1;
        return v;
    }
    if (name == "GPoint2D")
        return std::make_unique<GPoint2D>(3, 4);
    if (name == "GHomPt")
        return std::make_unique<GHomPt>(GPoint2D(1, 2), GPoint2D(3, 4));
    if (name == "GPoint2DVector")
        return std::make_unique<GPoint2DVector>(GPoint2DVector{GPoint2D(1, 2), GPoint2D(3, 4)});
    if (name == "GHomPtVector")
        return std::make_unique<GHomPtVector>(
                GHomPtVector{GHomPt(GPoint2D(1, 2), GPoint2D(3, 4))});
    if (name == "GRect2D")
        return std::make_unique<GRect2D>(1, 2, 3, 4);
    if (name == "GLine2D")
        return std::make_unique<GLine2D>(GPoint2D(0, 1), GPoint2D(10, 6));
    return {};
}

// The same class with other contents, so that a successful read is visible.
std::unique_ptr<GBase> makeTarget(const QByteArray& name)
{
    if (name == "GVector")
        return std::make_unique<GVector>();
    if (name == "GPoint2DVector")
        return std::make_unique<GPoint2DVector>();
    if (name == "GHomPtVector")
        return std::make_unique<GHomPtVector>();
    if (name == "GLine2D")
        return std::make_unique<GLine2D>(GPoint2D(), GPoint2D());
    return makeObject(name) ? makeObject(name == "GPoint2D" ? "GPoint2D" : name) : nullptr;
}

const QList<QByteArray> kClasses = {"GVector",      "GPoint2D", "GHomPt", "GPoint2DVector",
                                    "GHomPtVector", "GRect2D",  "GLine2D"};
// Classes whose file reports carry the file name.
const QList<QByteArray> kNamedReports = {"GVector", "GPoint2DVector", "GHomPtVector", "GLine2D"};

} // namespace

class TestGBase : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void expectChar_data();
    void expectChar();
    void streamOperatorsUsePlainText();

    void genericWriteToFile_data();
    void genericWriteToFile();
    void genericReadFromFile();
    void genericReadFromFileReports();

    void fileRoundTrip_data();
    void fileRoundTrip();
    void keyWordAcceptance_data();
    void keyWordAcceptance();
    void keyWordCutAtFifteen();
    void fileModeErrors_data();
    void fileModeErrors();
    void streamModeErrors_data();
    void streamModeErrors();
    void openFailures_data();
    void openFailures();
    void bodyReadFailure();
    void failedWriteKeepsOldFile();
    void readOnlyFileIsNotReplaced();
    void writeFollowsSymbolicLink();
    void rewriteKeepsPermissions();

private:
    QTemporaryDir m_dir;
};

void TestGBase::init()
{
    QVERIFY(m_dir.isValid());
}

void TestGBase::expectChar_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("left");
    QTest::newRow("mode 1, brace after blanks")
            << 1 << QByteArray(" \n\t{x") << true << QByteArray() << QByteArray("x");
    QTest::newRow("mode 1, wrong character")
            << 1 << QByteArray(" }x") << false << QByteArray("missing { in ASCII stream")
            << QByteArray("x");
    QTest::newRow("mode 1, end of input")
            << 1 << QByteArray("  ") << false << QByteArray("missing { in ASCII stream")
            << QByteArray();
    QTest::newRow("mode 2 reads nothing")
            << 2 << QByteArray("x{") << true << QByteArray() << QByteArray("x{");
    QTest::newRow("mode 3 reads nothing")
            << 3 << QByteArray("}") << true << QByteArray() << QByteArray("}");
}

void TestGBase::expectChar()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(bool, result);
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, left);
    ErrorRecorder errors;
    std::istringstream is(input.toStdString());
    QCOMPARE(expect_char(is, mode, '{'), result);
    is.clear();
    std::string rest;
    std::getline(is, rest, '\0');
    QCOMPARE(QByteArray::fromStdString(rest), left);
    if (result) {
        QVERIFY(errors.reports.isEmpty());
    } else {
        QCOMPARE(errors.codes(), QList<int>{25});
        QCOMPARE(errors.last().function, QByteArray("GMesh::expect_char()"));
        QCOMPARE(errors.last().message, message);
    }
}

void TestGBase::streamOperatorsUsePlainText()
{
    ErrorRecorder errors;
    std::ostringstream os;
    os << GPoint2D(1.5, -2) << GRect2D(1, 2, 3, 4);
    QCOMPARE(QByteArray::fromStdString(os.str()), QByteArray("1.5 -2 1 2 3 4 "));
    std::istringstream is("7 8\n9 10 11 12");
    GPoint2D p;
    GRect2D r;
    is >> p >> r;
    QCOMPARE(p(0), 7.0);
    QCOMPARE(p(1), 8.0);
    QCOMPARE(r.corner2(1), 12.0);
    QVERIFY(errors.reports.isEmpty());
}

void TestGBase::genericWriteToFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("defaultMode");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("mode 1") << 1 << 0 << QByteArray("Counter {\n42 }\n");
    QTest::newRow("mode 2") << 2 << 0 << QByteArray("42 ");
    QTest::newRow("mode 0 takes the default mode 1") << 0 << 1 << QByteArray("Counter {\n42 }\n");
    QTest::newRow("mode 0 takes the default mode 2") << 0 << 2 << QByteArray("42 ");
}

void TestGBase::genericWriteToFile()
{
    QFETCH(int, mode);
    QFETCH(int, defaultMode);
    QFETCH(QByteArray, contents);
    ErrorRecorder errors;
    Counter counter;
    counter.value = 42;
    counter.defaultModeValue = defaultMode;
    const QString path = m_dir.filePath("counter.txt");
    QVERIFY(counter.writeToFile(qPrintable(path), mode));
    QCOMPARE(fileContents(path), contents);
    QVERIFY(errors.reports.isEmpty());
}

void TestGBase::genericReadFromFile()
{
    ErrorRecorder errors;
    const QString path = m_dir.filePath("counter-in.txt");
    QVERIFY(writeFile(path, "Counter\n{ 17\n}\n"));
    Counter counter;
    QVERIFY(counter.readFromFile(qPrintable(path), 1));
    QCOMPARE(counter.value, 17);
    QVERIFY(errors.reports.isEmpty());
}

void TestGBase::genericReadFromFileReports()
{
    ErrorRecorder errors;
    const QString path = m_dir.filePath("counter-bad.txt");
    QVERIFY(writeFile(path, "Other { 17 }"));
    Counter counter;
    QVERIFY(!counter.readFromFile(qPrintable(path), 1));
    QCOMPARE(errors.codes(), QList<int>{27});
    QCOMPARE(errors.last().function, QByteArray("GBase::readFromFile() [Counter]"));
    QCOMPARE(errors.last().message, QByteArray("file: " + path.toLocal8Bit() + ", key: Other"));

    errors.reset();
    const QString missing = m_dir.filePath("no-such-file");
    QVERIFY(!counter.readFromFile(qPrintable(missing), 1));
    QCOMPARE(errors.codes(), QList<int>{20});
    QCOMPARE(errors.last().message, missing.toLocal8Bit());

    errors.reset();
    QVERIFY(!counter.writeToFile(qPrintable(m_dir.filePath("counter3.txt")), 3));
    QCOMPARE(errors.codes(), QList<int>{21});
    QCOMPARE(errors.last().function, QByteArray("GBase::writeToFile() [Counter]"));
}

void TestGBase::fileRoundTrip_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("mode");
    for (const QByteArray& name : kClasses) {
        for (int mode : {1, 2, 3}) {
            if (name == "GRect2D" && mode == 3)
                continue; // the rectangle writes no binary form
            QTest::newRow(name + " mode " + QByteArray::number(mode)) << name << mode;
        }
    }
}

void TestGBase::fileRoundTrip()
{
    QFETCH(QByteArray, name);
    QFETCH(int, mode);
    ErrorRecorder errors;
    const std::unique_ptr<GBase> object = makeObject(name);
    const QString path = m_dir.filePath(name + ".file");
    QVERIFY(object->writeToFile(qPrintable(path), mode));
    const QByteArray expected = (mode == 1 ? name + " " : QByteArray()) + written(*object, mode);
    QCOMPARE(fileContents(path), expected);

    // Plain text carries no sizes: the target must already have them.
    std::unique_ptr<GBase> target = mode == 2 ? makeObject(name) : makeTarget(name);
    if (mode == 2)
        QVERIFY(readFrom(*target, QByteArray(written(*object, 2)).replace('1', '9'), 2));
    QVERIFY(target->readFromFile(qPrintable(path), mode));
    QCOMPARE(written(*target, mode), written(*object, mode));
    QVERIFY(errors.reports.isEmpty());
}

void TestGBase::keyWordAcceptance_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("accepted");
    const QList<QByteArray> keys = {"GVector",        "GPoint2D",     "GPoint3D", "GHomPt",
                                    "GPoint2DVector", "GHomPtVector", "GRect2D",  "GLine2D"};
    for (const QByteArray& name : kClasses) {
        for (const QByteArray& key : keys) {
            const bool accepted
                    = key == name
                      || (name == "GVector" && (key == "GPoint2D" || key == "GPoint3D"));
            QTest::newRow(name + " reading " + key) << name << key << accepted;
        }
    }
}

void TestGBase::keyWordAcceptance()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, key);
    QFETCH(bool, accepted);
    ErrorRecorder errors;
    const std::unique_ptr<GBase> object = makeObject(name);
    const QString path = m_dir.filePath("key.txt");
    QVERIFY(writeFile(path, key + " " + written(*object, 1)));
    std::unique_ptr<GBase> target = makeTarget(name);
    QCOMPARE(target->readFromFile(qPrintable(path), 1), accepted);
    if (accepted) {
        QVERIFY(errors.reports.isEmpty());
        QCOMPARE(written(*target, 1), written(*object, 1));
        return;
    }
    QCOMPARE(errors.reports.size(), 1);
    QCOMPARE(errors.last().function, name + "::readFromFile()");
    if (kNamedReports.contains(name)) {
        QCOMPARE(errors.last().code, 27);
        QCOMPARE(errors.last().message, "file: " + path.toLocal8Bit() + ", key: " + key);
    } else {
        QCOMPARE(errors.last().code, 25);
        QCOMPARE(errors.last().message, QByteArray());
    }
}

void TestGBase::keyWordCutAtFifteen()
{
    ErrorRecorder errors;
    const QString path = m_dir.filePath("long-key.txt");
    // The first fifteen characters are read as the key, so no key can match.
    QVERIFY(writeFile(path, "GPoint2DVectorXYZ { 0 n { \n} } "));
    GPoint2DVector list;
    QVERIFY(!list.readFromFile(qPrintable(path), 1));
    QCOMPARE(errors.codes(), QList<int>{27});
    QCOMPARE(errors.last().message,
             QByteArray("file: " + path.toLocal8Bit() + ", key: GPoint2DVectorX"));

    // A key of exactly the accepted word followed by more text is cut the same way.
    errors.reset();
    QVERIFY(writeFile(path, "GHomPtVector{ 0 { \n} } "));
    GHomPtVector pairs;
    QVERIFY(!pairs.readFromFile(qPrintable(path), 1));
    QCOMPARE(errors.last().message,
             QByteArray("file: " + path.toLocal8Bit() + ", key: GHomPtVector{"));
}

void TestGBase::fileModeErrors_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("mode");
    for (const QByteArray& name : kClasses) {
        for (int mode : {0, 4, 7, -1})
            QTest::newRow(name + " mode " + QByteArray::number(mode)) << name << mode;
    }
}

void TestGBase::fileModeErrors()
{
    QFETCH(QByteArray, name);
    QFETCH(int, mode);
    ErrorRecorder errors;
    const std::unique_ptr<GBase> object = makeObject(name);
    const QString path = m_dir.filePath("mode-" + name + QString::number(mode));
    QVERIFY(!object->writeToFile(qPrintable(path), mode));
    QVERIFY(!QFile::exists(path));
    QVERIFY(writeFile(path, name + " " + written(*object, 1)));
    QVERIFY(!object->readFromFile(qPrintable(path), mode));
    QCOMPARE(errors.codes(), QList<int>({26, 26}));
    QCOMPARE(errors.reports[0].function, name + "::writeToFile()");
    QCOMPARE(errors.reports[1].function, name + "::readFromFile()");
    const QByteArray message = "requested mode " + QByteArray::number(mode) + " not supported";
    QCOMPARE(errors.reports[0].message, message);
    QCOMPARE(errors.reports[1].message, message);
}

void TestGBase::streamModeErrors_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("writes");
    for (const QByteArray& name : kClasses) {
        for (int mode : {0, 4})
            QTest::newRow(name + " mode " + QByteArray::number(mode)) << name << mode << false;
    }
    QTest::newRow("GRect2D writes mode 7") << QByteArray("GRect2D") << 7 << true;
    QTest::newRow("GRect2D writes no mode 3") << QByteArray("GRect2D") << 3 << false;
}

void TestGBase::streamModeErrors()
{
    QFETCH(QByteArray, name);
    QFETCH(int, mode);
    QFETCH(bool, writes);
    ErrorRecorder errors;
    const std::unique_ptr<GBase> object = makeObject(name);
    std::ostringstream os;
    QCOMPARE(object->write(os, mode), writes);
    if (writes) {
        QVERIFY(errors.reports.isEmpty());
        return;
    }
    QVERIFY(os.str().empty());
    // A point writes and reads as the vector it is.
    const QByteArray reporter = name == "GPoint2D" ? QByteArray("GVector") : name;
    QCOMPARE(errors.codes(), QList<int>{26});
    QCOMPARE(errors.last().function, reporter + "::write()");
    QCOMPARE(errors.last().message,
             "requested mode " + QByteArray::number(mode) + " not supported");
    if (mode == 3)
        return; // the rectangle reads its binary form
    std::istringstream is("1 2 3 4 5 6 7 8");
    QVERIFY(!object->read(is, mode));
    QCOMPARE(errors.codes(), QList<int>({26, 26}));
    QCOMPARE(errors.last().function, reporter + "::read()");
}

void TestGBase::openFailures_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const QByteArray& name : kClasses)
        QTest::newRow(name) << name;
}

void TestGBase::openFailures()
{
    QFETCH(QByteArray, name);
    ErrorRecorder errors;
    const std::unique_ptr<GBase> object = makeObject(name);
    const QByteArray missing = m_dir.filePath("missing/dir/file.txt").toLocal8Bit();
    QVERIFY(!object->writeToFile(missing.constData(), 1));
    QVERIFY(!object->readFromFile(missing.constData(), 1));
    QCOMPARE(errors.codes(), QList<int>({20, 20}));
    const QByteArray message = kNamedReports.contains(name) ? missing : QByteArray();
    QCOMPARE(errors.reports[0].message, message);
    QCOMPARE(errors.reports[1].message, message);
}

void TestGBase::bodyReadFailure()
{
    ErrorRecorder errors;
    const QString path = m_dir.filePath("cut.txt");
    QVERIFY(writeFile(path, "GVector { 3 nn { 1 2 "));
    GVector v;
    QVERIFY(!v.readFromFile(qPrintable(path), 1));
    QCOMPARE(errors.codes(), QList<int>({24, 22}));
    QCOMPARE(errors.last().function, QByteArray("GVector::readFromFile()"));
    QCOMPARE(errors.last().message, path.toLocal8Bit());
    // What was read before the failure stays.
    QCOMPARE(v.size(), 3);
    QCOMPARE(v(1), 2.0);

    errors.reset();
    QVERIFY(writeFile(path, "GRect2D { 1 2 3 }"));
    GRect2D r;
    QVERIFY(!r.readFromFile(qPrintable(path), 1));
    QCOMPARE(errors.last().code, 22);
    QCOMPARE(errors.last().message, QByteArray());
}

void TestGBase::failedWriteKeepsOldFile()
{
    ErrorRecorder errors;
    QVERIFY(QDir(m_dir.path()).mkpath("keep"));
    const QString path = m_dir.filePath("keep/rect.txt");
    QVERIFY(writeFile(path, "precious"));
    // The rectangle has no binary writer: the body fails before the file is touched.
    QVERIFY(!GRect2D(1, 2, 3, 4).writeToFile(qPrintable(path), 3));
    QCOMPARE(errors.codes(), QList<int>({26, 21}));
    QCOMPARE(errors.last().function, QByteArray("GRect2D::writeToFile()"));
    QCOMPARE(fileContents(path), QByteArray("precious"));
    QCOMPARE(QDir(m_dir.filePath("keep")).entryList(QDir::Files | QDir::Hidden),
             QStringList{"rect.txt"});

    errors.reset();
    GPoint2DVector mixed{GPoint2D(1, 2), GPoint2D(3, 4)};
    mixed[1].homogenize();
    QVERIFY(!mixed.writeToFile(qPrintable(path), 1));
    QCOMPARE(errors.codes(), QList<int>({23, 21}));
    QCOMPARE(fileContents(path), QByteArray("precious"));
}

void TestGBase::readOnlyFileIsNotReplaced()
{
    if (::geteuid() == 0)
        QSKIP("file permissions do not bind the superuser");
    ErrorRecorder errors;
    const QString path = m_dir.filePath("locked.txt");
    QVERIFY(writeFile(path, "locked"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    QVERIFY(!GPoint2D(1, 2).writeToFile(qPrintable(path), 1));
    QCOMPARE(errors.codes(), QList<int>{20});
    QCOMPARE(fileContents(path), QByteArray("locked"));
}

void TestGBase::writeFollowsSymbolicLink()
{
    ErrorRecorder errors;
    const QString target = m_dir.filePath("real.txt");
    const QString link = m_dir.filePath("link.txt");
    QVERIFY(writeFile(target, "old"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(GPoint2D(5, 6).writeToFile(qPrintable(link), 2));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileContents(target), QByteArray("5 6 "));
    QVERIFY(errors.reports.isEmpty());
}

void TestGBase::rewriteKeepsPermissions()
{
    ErrorRecorder errors;
    const QString path = m_dir.filePath("private.txt");
    QVERIFY(writeFile(path, "old"));
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(QFile::setPermissions(path, owner));
    QVERIFY(GRect2D(1, 2, 3, 4).writeToFile(qPrintable(path), 1));
    QCOMPARE(fileContents(path), QByteArray("GRect2D { 1 2 3 4 } "));
    QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser), owner);
    QVERIFY(errors.reports.isEmpty());
}

QTEST_GUILESS_MAIN(TestGBase)
#include "tst_gbase.moc"
