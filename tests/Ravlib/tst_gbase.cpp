#include "errorrecorder.h"
#include "ghomptvector.h"
#include "gline2d.h"
#include "gpoint2dvector.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<GBase> make(const QByteArray& name)
{
    using P = std::unique_ptr<GBase>;
    return name == "GVector"          ? P(new GVector)
           : name == "GPoint2D"       ? P(new GPoint2D)
           : name == "GHomPt"         ? P(new GHomPt)
           : name == "GPoint2DVector" ? P(new GPoint2DVector)
           : name == "GHomPtVector"   ? P(new GHomPtVector)
           : name == "GRect2D"        ? P(new GRect2D)
                                      : P(new GLine2D(GPoint2D(), GPoint2D()));
}

} // namespace

class TestGBase : public QObject
{
    Q_OBJECT

private slots:
    void baseRoutines();
    void files_data();
    void files();
    void safeSaving();

private:
    QByteArray path(const QString& name) const { return m_dir.filePath(name).toLocal8Bit(); }

    QTemporaryDir m_dir;
};

void TestGBase::baseRoutines()
{
    ErrorRecorder errors;
    std::istringstream is(" \n\t{x}");
    // Modes other than 1 read nothing.
    QVERIFY(expect_char(is, 1, '{') && expect_char(is, 2, '}') && expect_char(is, 3, '}'));
    QVERIFY(!expect_char(is, 1, '}') && expect_char(is, 1, '}'));
    QVERIFY(!expect_char(is, 1, '{')); // at the end of the input
    QCOMPARE(errors.reports,
             QByteArrayList({"25 GMesh::expect_char(): missing } in ASCII stream",
                             "25 GMesh::expect_char(): missing { in ASCII stream"}));
    // The stream operators use plain text.
    std::stringstream s;
    s << GPoint2D(1.5, -2) << GRect2D(1, 2, 3, 4);
    QCOMPARE(s.str(), "1.5 -2 1 2 3 4 ");
    GPoint2D p;
    GRect2D r;
    s >> r >> p;
    QCOMPARE(written(r, 2) + written(p, 2), "1.5 -2 1 2 3 4 ");
    // The file routines of the base class, which every class of the library replaces.
    errors.reports.clear();
    GRect2D rect(1, 2, 3, 4);
    QVERIFY(rect.GBase::writeToFile(path("g1"), 1) && rect.GBase::writeToFile(path("g2"), 2));
    QCOMPARE(fileContents(path("g1")) + fileContents(path("g2")),
             "GRect2D {\n{ 1 2 3 4 } }\n1 2 3 4 ");
    QVERIFY(writeFile(path("g1"), "GRect2D\n{{5 6\n7 8}}")
            && rect.GBase::readFromFile(path("g1"), 1));
    QCOMPARE(written(rect, 2), "5 6 7 8 ");
    QVERIFY(writeFile(path("other"), "Other { }") && !rect.GBase::readFromFile(path("other"), 1));
    QCOMPARE(errors.reports, QByteArrayList({"27 GBase::readFromFile() [GRect2D]: file: "
                                             + path("other") + ", key: Other"}));
    for (const char* key : {"GPoint2D", "GPoint3D"}) // a vector reads a point's file too
        QVERIFY(writeFile(path("key"), key + QByteArray(" { 2 nn { 0.5 -1 } }"))
                && GVector().readFromFile(path("key"), 1));
}

void TestGBase::files_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("text"); // the object's file in mode 1
    QTest::addColumn<bool>("named");      // whether the file reports carry the file name
    const auto row = [](const QByteArray& text, bool named) {
        const QByteArray name = text.left(text.indexOf(' '));
        QTest::newRow(name) << name << text << named;
    };
    row("GVector { 2 nn { 0.5 -1  } } ", true);
    row("GPoint2D { 2 nn { 1.5 -1  } } ", false);
    row("GHomPt { 1 2 3 4 } ", false);
    row("GPoint2DVector { 2 n { \n1 2 \n3 4 \n} } ", true);
    row("GHomPtVector { 1 { \n1 2 3 4 \n} } ", true);
    row("GRect2D { 1 2 3 4 } ", false);
    row("GLine2D { -0.5 1 -1 } { 0.5 1 } { 0 1  10 6  } { 1 1 } { 1 }", true);
}

void TestGBase::files()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, text);
    QFETCH(bool, named);
    ErrorRecorder errors;
    const std::unique_ptr<GBase> object = make(name);
    QVERIFY(writeFile(path("in"), text) && object->readFromFile(path("in"), 1));
    // Every mode; the rectangle writes no binary form.
    for (int mode = 1; mode <= (name == "GRect2D" ? 2 : 3); ++mode) {
        QVERIFY(object->writeToFile(path("out"), mode));
        QCOMPARE(fileContents(path("out")), mode == 1 ? text : written(*object, mode));
        // Plain text carries no sizes: that target starts with them, but with other values.
        const std::unique_ptr<GBase> target = make(name);
        if (mode == 2)
            QVERIFY(target->readFromFile(path("in"), 1)
                    && readFrom(*target, written(*target, 2).replace('1', '7'), 2));
        QVERIFY(target->readFromFile(path("out"), mode));
        QCOMPARE(name + " " + written(*target, 1), text);
    }
    QVERIFY(errors.reports.isEmpty());

    const QByteArray file = path(name + ".bad");
    const QByteArray none = path("no/such/file");
    std::stringstream stream;
    QVERIFY(!object->write(stream, 0) && !object->read(stream, 4));
    QVERIFY(!object->writeToFile(file, 4) && !QFile::exists(file));
    QVERIFY(!object->readFromFile(file, 0));
    QVERIFY(!object->writeToFile(none, 1) && !object->readFromFile(none, 1));
    // A key word is read as at most fifteen characters, so this one cannot match.
    QVERIFY(writeFile(file, "GPoint2DVectorXYZ { }") && !object->readFromFile(file, 1));
    QVERIFY(writeFile(file, name + " { 1 ") && !object->readFromFile(file, 1));
    const QByteArray body = name == "GPoint2D" ? "26 GVector" : "26 " + name; // the vector's
    const QByteArray writes = name + "::writeToFile(): ";
    const QByteArray reads = name + "::readFromFile(): ";
    QCOMPARE(errors.reports.mid(0, 7),
             QByteArrayList({body + "::write(): requested mode 0 not supported",
                             body + "::read(): requested mode 4 not supported",
                             "26 " + writes + "requested mode 4 not supported",
                             "26 " + reads + "requested mode 0 not supported",
                             "20 " + writes + (named ? none : ""),
                             "20 " + reads + (named ? none : ""),
                             named ? "27 " + reads + "file: " + file + ", key: GPoint2DVectorX"
                                   : "25 " + reads}));
    QCOMPARE(errors.reports.last(), "22 " + reads + (named ? file : ""));
}

void TestGBase::safeSaving()
{
    ErrorRecorder errors;
    const QByteArray file = path("rect");
    QVERIFY(writeFile(file, "old"));
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(QFile::setPermissions(file, owner));
    // A body that fails leaves the old file and no temporary file behind.
    QVERIFY(!GRect2D(1, 2, 3, 4).writeToFile(file, 3));
    QCOMPARE(fileContents(file), "old");
    QCOMPARE(QDir(m_dir.path()).entryList({".rect*"}, QDir::Files | QDir::Hidden), {});
    QCOMPARE(errors.reports, QByteArrayList({"26 GRect2D::write(): requested mode 3 not supported",
                                             "21 GRect2D::writeToFile(): "}));
    // A rewrite goes through a symbolic link and keeps the file's permissions.
    QVERIFY(QFile::link(file, path("link")));
    QVERIFY(GRect2D(1, 2, 3, 4).writeToFile(path("link"), 2));
    QVERIFY(QFileInfo(path("link")).isSymLink());
    QCOMPARE(fileContents(file), "1 2 3 4 ");
    QCOMPARE(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser), owner);
}

QTEST_GUILESS_MAIN(TestGBase)
#include "tst_gbase.moc"
