#include "testsettings.h"
#include "zoraboutdlg.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

class TestZORAboutDlg : public QObject
{
    Q_OBJECT

private slots:
    void fixedSize_data();
    void fixedSize();

private:
    QTemporaryDir m_home;
    TestSettings m_settings;
    QSize m_bareSize;
};

void TestZORAboutDlg::fixedSize_data()
{
    QTest::addColumn<QSize>("logo"); // invalid: no about image
    QTest::newRow("no about image") << QSize();
    QTest::newRow("about image 200 x 400") << QSize(200, 400);
    QTest::newRow("larger than the screen, shown smaller") << QSize(6000, 3000);
}

void TestZORAboutDlg::fixedSize()
{
    QFETCH(QSize, logo);
    m_settings.home = m_home.path();
    m_settings.initTexts();
    QDir(m_home.path()).mkdir("icons");
    if (logo.isValid()) {
        QImage picture(logo, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(m_settings.aboutImagePath(), "PNG"));
    }

    ZORAboutDlg dialog(nullptr, nullptr, true);
    dialog.show();
    QTRY_VERIFY(dialog.minimumSize() == dialog.maximumSize());
    const QSize fixed = dialog.size();
    QCOMPARE(fixed, dialog.sizeHint());
    dialog.resize(fixed * 2);
    dialog.resize(fixed / 2);
    QCOMPARE(dialog.size(), fixed);
    for (const QWidget* child : dialog.findChildren<QWidget*>())
        QVERIFY2(dialog.rect().contains(child->geometry()), qPrintable(child->objectName()));
    QVERIFY(dialog.m_appName->isVisible() && dialog.m_buttonOK->isVisible());
    QCOMPARE(dialog.m_aboutLogo->isVisible(), logo.isValid());
    if (!logo.isValid()) {
        m_bareSize = fixed;
        return;
    }
    // The logo is shown whole beside the texts, up to half the screen.
    const QSize half = dialog.screen()->availableGeometry().size() / 2;
    QCOMPARE(dialog.m_aboutLogo->size(), logo.scaled(half, Qt::KeepAspectRatio).boundedTo(logo));
    QVERIFY(fixed.width() > m_bareSize.width() && fixed.height() > m_bareSize.height());
}

QTEST_MAIN(TestZORAboutDlg)
#include "tst_zoraboutdlg.moc"
