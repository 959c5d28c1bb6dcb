#include "testsettings.h"
#include "zoraboutdlg.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <memory>

namespace {

// A picture no code path could produce by accident: every pixel depends on its position.
QImage patternImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7) & 0xff, (y * 5) & 0xff, ((x + y) * 3) & 0xff);
    }
    return image;
}

bool fixedToHint(const QWidget& widget)
{
    return widget.minimumSize() == widget.maximumSize() && widget.size() == widget.minimumSize()
           && widget.size() == widget.sizeHint();
}

} // namespace

class TestZORAboutDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void form();
    void fonts();
    void fixedSize_data();
    void fixedSize();
    void sizeFollowsLogo();
    void logoShowsTheImage();
    void withoutAboutImage_data();
    void withoutAboutImage();
    void oversizedImageIsShownSmaller();
    void infoText();
    void okAccepts();

private:
    std::unique_ptr<ZORAboutDlg> openDialog();
    QString aboutImagePath() const
    {
        return m_home.path() + QStringLiteral("/icons/aboutbild.jpg");
    }
    void storeAboutImage(const QImage& image);

    QTemporaryDir m_home;
    std::unique_ptr<TestSettings> m_settings;
};

void TestZORAboutDlg::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(QDir(m_home.path()).mkdir(QStringLiteral("icons")));
    // The program's icons are loaded once per run, so they are put in place before any
    // dialog asks for them.
    QVERIFY(patternImage(16, 16).save(m_home.path() + QStringLiteral("/icons/icon16.png")));
    QVERIFY(patternImage(48, 48).save(m_home.path() + QStringLiteral("/icons/icon48.png")));
}

void TestZORAboutDlg::init()
{
    m_settings = std::make_unique<TestSettings>();
    m_settings->home = m_home.path();
    m_settings->initTexts();
    QFile::remove(aboutImagePath());
}

void TestZORAboutDlg::cleanup()
{
    m_settings.reset();
}

std::unique_ptr<ZORAboutDlg> TestZORAboutDlg::openDialog()
{
    auto dialog = std::make_unique<ZORAboutDlg>(nullptr, nullptr, true);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return nullptr;
    if (!QTest::qWaitFor([&] { return fixedToHint(*dialog); }))
        return nullptr;
    return dialog;
}

void TestZORAboutDlg::storeAboutImage(const QImage& image)
{
    // PNG data under the .jpg name: the loader goes by content, and the pixels stay exact.
    QVERIFY(image.save(aboutImagePath(), "PNG"));
}

void TestZORAboutDlg::form()
{
    const auto dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->objectName(), QStringLiteral("ZORAboutDialogBase"));
    QVERIFY(dialog->isModal());
    QVERIFY(!dialog->isSizeGripEnabled());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("About Tarvix"));
    QVERIFY(!dialog->windowIcon().isNull());

    for (const char* name :
         {"m_aboutLogo", "m_compName", "m_appName", "m_copyright", "m_appIcon", "m_version",
          "m_infoLabel", "m_warning"}) {
        QVERIFY2(dialog->findChild<QLabel*>(QLatin1String(name)), name);
    }
    for (const char* name : {"m_appFrame", "m_versionFrame", "m_lineHorizontal"})
        QVERIFY2(dialog->findChild<QFrame*>(QLatin1String(name)), name);
    QVERIFY(dialog->findChild<QTextBrowser*>(QStringLiteral("m_infoViewer")));
    QVERIFY(dialog->findChild<QPushButton*>(QStringLiteral("m_buttonOK")));
    QCOMPARE(dialog->layout()->objectName(), QStringLiteral("ZORAboutDialogBaseLayout"));

    QCOMPARE(dialog->m_compName->text(), QStringLiteral("Quenmark"));
    QCOMPARE(dialog->m_appName->text(), QStringLiteral("Tarvix"));
    QCOMPARE(dialog->m_version->text(), QStringLiteral("Version 1.0.1"));
    QVERIFY(dialog->m_copyright->text().contains(QStringLiteral("Tarvix developers")));
    QVERIFY(dialog->m_warning->text().contains(QStringLiteral("MIT License")));
    QVERIFY(dialog->m_warning->text().contains(QStringLiteral("WITHOUT WARRANTY")));
    QVERIFY(dialog->m_appIcon->isVisible());
    QCOMPARE(dialog->m_appIcon->pixmap().size(), QSize(48, 48));

    QVERIFY(dialog->m_infoViewer->isReadOnly());
}

void TestZORAboutDlg::fonts()
{
    const auto dialog = openDialog();
    QVERIFY(dialog);
    const QStringList installed = QFontDatabase::families();

    struct Expected
    {
        const QLabel* label;
        int pointSize;
        bool bold;
    };
    for (const Expected& e : {Expected{dialog->m_compName, 16, true},
                              Expected{dialog->m_appName, 34, false},
                              Expected{dialog->m_version, 10, false},
                              Expected{dialog->m_warning, 6, false}}) {
        const QString name = e.label->objectName();
        QCOMPARE(e.label->font().pointSize(), e.pointSize);
        QCOMPARE(e.label->font().bold(), e.bold);
        // Whatever face was asked for, the one drawn must be one the system has.
        const QFontInfo drawn(e.label->font());
        QVERIFY2(installed.contains(drawn.family()), qPrintable(name + ": " + drawn.family()));
        QCOMPARE(drawn.bold(), e.bold);
    }
}

void TestZORAboutDlg::fixedSize_data()
{
    QTest::addColumn<QSize>("logo"); // empty: no about image

    QTest::newRow("no about image") << QSize();
    QTest::newRow("tall logo 120 x 160") << QSize(120, 160);
    QTest::newRow("wide logo 300 x 90") << QSize(300, 90);
}

void TestZORAboutDlg::fixedSize()
{
    QFETCH(QSize, logo);
    if (logo.isValid())
        storeAboutImage(patternImage(logo.width(), logo.height()));

    const auto dialog = openDialog();
    QVERIFY(dialog);
    const QSize fixed = dialog->size();
    QVERIFY(fixed.width() > 0 && fixed.height() > 0);

    dialog->resize(fixed + QSize(80, 60));
    QCOMPARE(dialog->size(), fixed);
    dialog->resize(fixed / 2);
    QCOMPARE(dialog->size(), fixed);

    // Everything the form holds fits inside it.
    for (const QWidget* child : dialog->findChildren<QWidget*>()) {
        if (!child->isVisible() || child->parentWidget() != dialog.get())
            continue;
        QVERIFY2(dialog->rect().contains(child->geometry()), qPrintable(child->objectName()));
        QVERIFY2(child->width() >= child->minimumSizeHint().width()
                         || child->minimumSizeHint().width() < 0,
                 qPrintable(child->objectName()));
    }
}

void TestZORAboutDlg::sizeFollowsLogo()
{
    const auto without = openDialog();
    QVERIFY(without);
    const QSize bare = without->size();

    storeAboutImage(patternImage(200, 400));
    const auto with = openDialog();
    QVERIFY(with);
    QVERIFY(with->width() > bare.width());
    QVERIFY(with->height() > bare.height());
    // The logo gets its whole size and the texts beside it still get theirs.
    QCOMPARE(with->m_aboutLogo->size(), QSize(200, 400));
    QVERIFY(with->m_appFrame->width() >= with->m_appFrame->sizeHint().width());
    QVERIFY(with->m_appFrame->x() >= with->m_aboutLogo->geometry().right());
}

void TestZORAboutDlg::logoShowsTheImage()
{
    const QImage picture = patternImage(90, 70);
    storeAboutImage(picture);
    const auto dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->m_aboutLogo->isVisible());
    QCOMPARE(dialog->m_aboutLogo->size(), picture.size());

    const QImage shown = dialog->m_aboutLogo->grab().toImage().convertToFormat(
            QImage::Format_RGB32);
    QCOMPARE(shown.size(), picture.size());
    for (int y = 0; y < picture.height(); ++y) {
        const auto* expected = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        const auto* actual = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (actual[x] != expected[x])
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
        }
    }
}

void TestZORAboutDlg::withoutAboutImage_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file

    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("empty file") << QByteArray("");
    QTest::newRow("not an image") << QByteArray("\xff\xd8\xff\xe0 truncated jpeg");
}

void TestZORAboutDlg::withoutAboutImage()
{
    QFETCH(QByteArray, file);
    if (!file.isNull()) {
        QFile out(aboutImagePath());
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(file), file.size());
    }

    const auto dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->m_aboutLogo->pixmap().isNull());
    QVERIFY(!dialog->m_aboutLogo->isVisible());

    // The rest of the dialog is all there and starts at the left margin.
    QCOMPARE(dialog->m_appName->text(), QStringLiteral("Tarvix"));
    QCOMPARE(dialog->m_version->text(), QStringLiteral("Version 1.0.1"));
    QVERIFY(dialog->m_appName->isVisible());
    QVERIFY(dialog->m_appIcon->isVisible());
    QVERIFY(dialog->m_buttonOK->isVisible());
    QCOMPARE(dialog->m_appFrame->x(), dialog->m_infoLabel->x());
}

void TestZORAboutDlg::oversizedImageIsShownSmaller()
{
    storeAboutImage(patternImage(3000, 1500));
    const auto dialog = openDialog();
    QVERIFY(dialog);

    const QSize screen = dialog->screen()->availableGeometry().size();
    const QSize logo = dialog->m_aboutLogo->pixmap().size();
    QVERIFY(logo.width() <= screen.width() / 2 && logo.height() <= screen.height() / 2);
    QVERIFY(logo.width() == screen.width() / 2 || logo.height() == screen.height() / 2);
    // Proportions kept to within a pixel.
    QVERIFY(qAbs(logo.width() - 2 * logo.height()) <= 2);
    QCOMPARE(dialog->m_aboutLogo->size(), logo);
}

void TestZORAboutDlg::infoText()
{
    {
        const auto dialog = openDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->m_infoViewer->toPlainText().isEmpty());
    }

    auto dialog = std::make_unique<ZORAboutDlg>(nullptr, "about", true);
    dialog->setInfoText(QStringLiteral("<p>Seen best with <b>red/cyan</b> glasses</p>"));
    dialog->show();
    QTRY_VERIFY(fixedToHint(*dialog));
    QCOMPARE(dialog->objectName(), QStringLiteral("about"));
    QCOMPARE(dialog->m_infoViewer->toPlainText(),
             QStringLiteral("Seen best with red/cyan glasses"));
}

void TestZORAboutDlg::okAccepts()
{
    const auto dialog = openDialog();
    QVERIFY(dialog);
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    QTest::mouseClick(dialog->m_buttonOK, Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    QVERIFY(!dialog->isVisible());
}

QTEST_MAIN(TestZORAboutDlg)
#include "tst_zoraboutdlg.moc"
