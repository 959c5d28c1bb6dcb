#include "testsettings.h"
#include "zoroptions.h"
#include "zoroptionsdlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

// The page row by row: button text, left and right swatch, and a mark on the checked one.
static QStringList page(const ZOROptionsDlg& dialog)
{
    QStringList rows;
    for (const QString n : {"1", "2", "3"}) {
        const auto* button = dialog.findChild<QRadioButton*>("pairButton" + n);
        QString row = button->text();
        for (const QString side : {"leftSwatch", "rightSwatch"})
            row += ' ' + dialog.findChild<QLabel*>(side + n)->palette().window().color().name();
        rows << row + (button->isChecked() ? "*" : "");
    }
    return rows;
}

static QStringList expectedPage(bool redOnLeft, int pair)
{
    QStringList rows
            = redOnLeft ? QStringList{"Red, Blue #ff0000 #0000ff", "Red, Green #ff0000 #00ff00",
                                      "Red, Cyan #ff0000 #00ffff"}
                        : QStringList{"Blue, Red #0000ff #ff0000", "Green, Red #00ff00 #ff0000",
                                      "Cyan, Red #00ffff #ff0000"};
    rows[pair - 1] += '*';
    return rows;
}

static std::unique_ptr<ZOROptionsDlg> openDialog()
{
    auto dialog = std::make_unique<ZOROptionsDlg>(nullptr, "options");
    dialog->show(); // the page is filled from the profile once events run
    (void)QTest::qWaitFor([&] { return page(*dialog).join(' ').contains('*'); }); // compared later
    return dialog;
}

class TestZOROptionsDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QDir(m_settings.home = m_home.path()).mkdir("userprofiles"); }

    void opening_data()
    {
        QTest::addColumn<QByteArray>("stored"); // null: no profile
        QTest::addColumn<bool>("redOnLeft");
        QTest::addColumn<int>("pair");
        QTest::newRow("nothing stored") << QByteArray() << true << 3;
        QTest::newRow("(184,0,0)/(0,184,0)") << QByteArray("#B80000|#00B800") << true << 2;
        QTest::newRow("(0,0,255)/(184,0,0)") << QByteArray("#0000FF|#B80000") << false << 1;
        QTest::newRow("garbage") << QByteArray("\x01\xff garbage") << true << 3;
        QTest::newRow("red on both sides") << QByteArray("#B80000|#B80000") << true << 3;
    }

    void opening()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, redOnLeft);
        QFETCH(int, pair);
        QFile::remove(m_options.profilePath());
        if (!stored.isNull())
            writeKeyValue(m_options.profilePath(), m_key, stored);
        ZOROptionsDlg(nullptr, "options").accept(); // nothing chosen yet: nothing written
        const auto dialog = openDialog();
        for (bool left : {redOnLeft, !redOnLeft, redOnLeft}) {
            QCOMPARE(page(*dialog), expectedPage(left, pair));
            dialog->findChild<QPushButton*>("swapButton")->click();
        }
        dialog->buttonBox()->button(QDialogButtonBox::RestoreDefaults)->click();
        QCOMPARE(page(*dialog), expectedPage(true, 3));
        dialog->buttonBox()->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(profile(), QString::fromUtf8(stored));

        dialog->findChild<QPushButton*>("swapButton")->click();
        dialog->buttonBox()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(profile(), "#00B8FF|#B80000");
        QCOMPARE(page(*openDialog()), expectedPage(false, 3));
    }

private:
    QString profile() const { return readKeyValue(m_options.profilePath(), m_key); }

    QTemporaryDir m_home;
    TestSettings m_settings;
    ZOROptions m_options;
    const QString m_key = QStringLiteral("ZORANAGLYPHCHANNELS");
};

QTEST_MAIN(TestZOROptionsDlg)
#include "tst_zoroptionsdlg.moc"
