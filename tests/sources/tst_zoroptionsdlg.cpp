#include "testsettings.h"
#include "zoroptions.h"
#include "zoroptionsdlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QStringList kRedFirst{QStringLiteral("Red, Blue"), QStringLiteral("Red, Green"),
                            QStringLiteral("Red, Cyan")};
const QStringList kRedSecond{QStringLiteral("Blue, Red"), QStringLiteral("Green, Red"),
                             QStringLiteral("Cyan, Red")};
const QList<QColor> kPartners{QColor(0, 0, 255), QColor(0, 255, 0), QColor(0, 255, 255)};
const QColor kRed(255, 0, 0);

// What the anaglyph page shows, read from its widgets.
struct PageState
{
    QStringList texts;
    QList<QColor> lefts;
    QList<QColor> rights;
    QList<bool> checked;
};

PageState pageState(const ZOROptAnaglyphTab* tab)
{
    PageState state;
    for (int row = 1; row <= 3; ++row) {
        const QString n = QString::number(row);
        const auto* button = tab->findChild<QRadioButton*>(QStringLiteral("pairButton") + n);
        const auto* left = tab->findChild<QLabel*>(QStringLiteral("leftSwatch") + n);
        const auto* right = tab->findChild<QLabel*>(QStringLiteral("rightSwatch") + n);
        if (!button || !left || !right)
            return PageState();
        state.texts << button->text();
        state.lefts << left->palette().color(QPalette::Window);
        state.rights << right->palette().color(QPalette::Window);
        state.checked << button->isChecked();
    }
    return state;
}

// The page as it must look with red on the given side and the given pair (1..3) chosen.
PageState expectedState(bool redOnLeft, int pair)
{
    PageState state;
    for (int i = 0; i < 3; ++i) {
        state.texts << (redOnLeft ? kRedFirst : kRedSecond).at(i);
        state.lefts << (redOnLeft ? kRed : kPartners.at(i));
        state.rights << (redOnLeft ? kPartners.at(i) : kRed);
        state.checked << (i + 1 == pair);
    }
    return state;
}

QRadioButton* pairButton(const ZOROptionsDlg& dialog, int pair)
{
    return dialog.anaglyphTab()->findChild<QRadioButton*>(QStringLiteral("pairButton")
                                                          + QString::number(pair));
}

bool anyChecked(const ZOROptionsDlg& dialog)
{
    return pageState(dialog.anaglyphTab()).checked.contains(true);
}

} // namespace

#define COMPARE_PAGE(actual, expected)                                                            \
    do {                                                                                          \
        const PageState a = (actual);                                                             \
        const PageState e = (expected);                                                           \
        QCOMPARE(a.texts, e.texts);                                                               \
        QCOMPARE(a.lefts, e.lefts);                                                               \
        QCOMPARE(a.rights, e.rights);                                                             \
        QCOMPARE(a.checked, e.checked);                                                           \
    } while (false)

class TestZOROptionsDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void form();
    void opening_data();
    void opening();
    void swapTwice_data();
    void swapTwice();
    void defaultsAfterSwapThenCancel();
    void okStores_data();
    void okStores();
    void okShowsWaitCursorWhileWriting();
    void acceptBeforeFillingWritesNothing();

private:
    std::unique_ptr<ZOROptionsDlg> openDialog();
    QByteArray profile() const;
    void storeProfile(const QByteArray& data);

    QTemporaryDir m_home;
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<ZOROptions> m_options;
};

void TestZOROptionsDlg::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(QDir(m_home.path()).mkdir(QStringLiteral("userprofiles")));
}

void TestZOROptionsDlg::init()
{
    m_settings = std::make_unique<TestSettings>();
    m_settings->home = m_home.path();
    m_settings->user = QStringLiteral("ada");
    m_settings->initTexts();
    m_options = std::make_unique<ZOROptions>();
    QFile::remove(m_options->profilePath());
}

void TestZOROptionsDlg::cleanup()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    m_options.reset();
    m_settings.reset();
}

// A shown dialog whose page has been filled from the profile.
std::unique_ptr<ZOROptionsDlg> TestZOROptionsDlg::openDialog()
{
    auto dialog = std::make_unique<ZOROptionsDlg>(nullptr, "options");
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return nullptr;
    if (!QTest::qWaitFor([&] { return anyChecked(*dialog); }))
        return nullptr;
    return dialog;
}

QByteArray TestZOROptionsDlg::profile() const
{
    QFile file(m_options->profilePath());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void TestZOROptionsDlg::storeProfile(const QByteArray& data)
{
    QFile file(m_options->profilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

void TestZOROptionsDlg::form()
{
    const auto dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Tarvix - Options"));

    const auto* tabs = dialog->findChild<QTabWidget*>();
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Anaglyph"));
    QCOMPARE(tabs->widget(0), dialog->anaglyphTab());

    const QDialogButtonBox* box = dialog->buttonBox();
    QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                             | QDialogButtonBox::RestoreDefaults);

    // The swap icon is not installed in this home: the button names itself instead.
    const auto* swap =
            dialog->anaglyphTab()->findChild<QPushButton*>(QStringLiteral("swapButton"));
    QVERIFY(swap);
    QCOMPARE(swap->toolTip(), QStringLiteral("Swap Colors"));
    QVERIFY(!swap->text().isEmpty());
    QVERIFY(swap->isVisible());

    for (int row = 1; row <= 3; ++row) {
        auto* swatch = dialog->anaglyphTab()->findChild<QLabel*>(
                QStringLiteral("leftSwatch") + QString::number(row));
        QVERIFY(swatch);
        QCOMPARE(swatch->size(), QSize(20, 20));
        // The colour must reach the screen, not only the palette.
        const QImage shot = swatch->grab().toImage();
        QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() / 2), kRed);
    }
}

void TestZOROptionsDlg::opening_data()
{
    QTest::addColumn<QByteArray>("stored"); // null: no profile file
    QTest::addColumn<bool>("redOnLeft");
    QTest::addColumn<int>("pair");

    QTest::newRow("nothing stored") << QByteArray() << true << 3;
    QTest::newRow("profile without the key") << QByteArray("# mine\nOTHER=1\n") << true << 3;
    QTest::newRow("(184,0,0)/(0,184,0)")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#00B800\n") << true << 2;
    QTest::newRow("(0,0,255)/(184,0,0)")
            << QByteArray("ZORANAGLYPHCHANNELS=#0000FF|#B80000\n") << false << 1;
    QTest::newRow("(184,0,0)/(0,184,255)")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#00B8FF\n") << true << 3;
    QTest::newRow("(0,184,255)/(184,0,0)")
            << QByteArray("ZORANAGLYPHCHANNELS=#00B8FF|#B80000\n") << false << 3;
    QTest::newRow("(184,0,0)/(0,0,255)")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#0000FF\n") << true << 1;
    QTest::newRow("(0,184,0)/(184,0,0)")
            << QByteArray("ZORANAGLYPHCHANNELS=#00B800|#B80000\n") << false << 2;
    // Equal reds count as red on the right; only the left colour is classified then.
    QTest::newRow("(0,0,255)/(0,0,0), no red at all")
            << QByteArray("ZORANAGLYPHCHANNELS=#0000FF|#000000\n") << false << 1;
    QTest::newRow("undarkened named colours")
            << QByteArray("ZORANAGLYPHCHANNELS=red|cyan\n") << true << 3;
    QTest::newRow("garbage") << QByteArray("ZORANAGLYPHCHANNELS=\x01\xff garbage\n") << true << 3;
    QTest::newRow("empty value") << QByteArray("ZORANAGLYPHCHANNELS=\n") << true << 3;
    QTest::newRow("no separator")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000#00B8FF\n") << true << 3;
    QTest::newRow("unparsable right colour")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#XYZXYZ\n") << true << 3;
    QTest::newRow("right colour without green or blue")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#000000\n") << true << 3;
    QTest::newRow("red on both sides")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#B80000\n") << true << 3;
}

void TestZOROptionsDlg::opening()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, redOnLeft);
    QFETCH(int, pair);

    if (!stored.isNull())
        storeProfile(stored);
    const QByteArray before = profile();

    auto dialog = std::make_unique<ZOROptionsDlg>(nullptr, "options");
    // The page is filled once the event loop runs, not while it is being built.
    QCOMPARE(pageState(dialog->anaglyphTab()).checked, QList<bool>({false, false, false}));
    dialog->show();
    QTRY_VERIFY(anyChecked(*dialog));
    COMPARE_PAGE(pageState(dialog->anaglyphTab()), expectedState(redOnLeft, pair));

    // Opening only reads.
    QCOMPARE(profile(), before);
}

void TestZOROptionsDlg::swapTwice_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("redOnLeft");
    QTest::addColumn<int>("pair");

    QTest::newRow("from the defaults") << QByteArray() << true << 3;
    QTest::newRow("from Blue, Red")
            << QByteArray("ZORANAGLYPHCHANNELS=#0000FF|#B80000\n") << false << 1;
    QTest::newRow("from Red, Green")
            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#00B800\n") << true << 2;
}

void TestZOROptionsDlg::swapTwice()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, redOnLeft);
    QFETCH(int, pair);

    if (!stored.isNull())
        storeProfile(stored);
    const auto dialog = openDialog();
    QVERIFY(dialog);
    auto* swap = dialog->anaglyphTab()->findChild<QPushButton*>(QStringLiteral("swapButton"));
    QVERIFY(swap);

    COMPARE_PAGE(pageState(dialog->anaglyphTab()), expectedState(redOnLeft, pair));
    QTest::mouseClick(swap, Qt::LeftButton);
    COMPARE_PAGE(pageState(dialog->anaglyphTab()), expectedState(!redOnLeft, pair));
    QTest::mouseClick(swap, Qt::LeftButton);
    COMPARE_PAGE(pageState(dialog->anaglyphTab()), expectedState(redOnLeft, pair));
}

void TestZOROptionsDlg::defaultsAfterSwapThenCancel()
{
    const QByteArray stored("# kept\nZORANAGLYPHCHANNELS=#0000FF|#B80000\nOTHER=x\n");
    storeProfile(stored);
    QSignalSpy changed(m_options.get(), &ZOROptions::anaglyphChannelsChanged);

    const auto dialog = openDialog();
    QVERIFY(dialog);
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    COMPARE_PAGE(pageState(dialog->anaglyphTab()), expectedState(false, 1));

    QTest::mouseClick(pairButton(*dialog, 2), Qt::LeftButton);
    COMPARE_PAGE(pageState(dialog->anaglyphTab()), expectedState(false, 2));

    QTest::mouseClick(dialog->buttonBox()->button(QDialogButtonBox::RestoreDefaults),
                      Qt::LeftButton);
    COMPARE_PAGE(pageState(dialog->anaglyphTab()), expectedState(true, 3));
    QVERIFY(dialog->isVisible());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(profile(), stored);

    QTest::mouseClick(dialog->buttonBox()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(profile(), stored);
}

void TestZOROptionsDlg::okStores_data()
{
    QTest::addColumn<bool>("swap");
    QTest::addColumn<int>("pair");
    QTest::addColumn<QString>("how"); // "button", "return" or "accept"
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("Cyan, Red by OK") << true << 3 << "button" << QColor(0, 184, 255)
                                     << QColor(184, 0, 0)
                                     << QByteArray("ZORANAGLYPHCHANNELS=#00B8FF|#B80000\n");
    QTest::newRow("Red, Cyan by OK") << false << 3 << "button" << QColor(184, 0, 0)
                                     << QColor(0, 184, 255)
                                     << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#00B8FF\n");
    QTest::newRow("Red, Blue by OK") << false << 1 << "button" << QColor(184, 0, 0)
                                     << QColor(0, 0, 255)
                                     << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#0000FF\n");
    QTest::newRow("Green, Red by OK") << true << 2 << "button" << QColor(0, 184, 0)
                                      << QColor(184, 0, 0)
                                      << QByteArray("ZORANAGLYPHCHANNELS=#00B800|#B80000\n");
    QTest::newRow("Blue, Red by Return") << true << 1 << "return" << QColor(0, 0, 255)
                                         << QColor(184, 0, 0)
                                         << QByteArray("ZORANAGLYPHCHANNELS=#0000FF|#B80000\n");
    QTest::newRow("Red, Green by accept()") << false << 2 << "accept" << QColor(184, 0, 0)
                                            << QColor(0, 184, 0)
                                            << QByteArray("ZORANAGLYPHCHANNELS=#B80000|#00B800\n");
}

void TestZOROptionsDlg::okStores()
{
    QFETCH(bool, swap);
    QFETCH(int, pair);
    QFETCH(QString, how);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    QFETCH(QByteArray, line);

    QSignalSpy changed(m_options.get(), &ZOROptions::anaglyphChannelsChanged);
    {
        const auto dialog = openDialog();
        QVERIFY(dialog);
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        if (swap) {
            QTest::mouseClick(
                    dialog->anaglyphTab()->findChild<QPushButton*>(QStringLiteral("swapButton")),
                    Qt::LeftButton);
        }
        QTest::mouseClick(pairButton(*dialog, pair), Qt::LeftButton);
        QCOMPARE(changed.count(), 0);

        if (how == QLatin1String("button"))
            QTest::mouseClick(dialog->buttonBox()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        else if (how == QLatin1String("return"))
            QTest::keyClick(dialog.get(), Qt::Key_Return);
        else
            dialog->accept();

        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    }

    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QColor>(), left);
    QCOMPARE(changed.at(0).at(1).value<QColor>(), right);
    QCOMPARE(profile(), line);

    // Reopened, the dialog shows the choice although the stored colours are darker.
    const auto again = openDialog();
    QVERIFY(again);
    COMPARE_PAGE(pageState(again->anaglyphTab()), expectedState(!swap, pair));
    QCOMPARE(pairButton(*again, pair)->text(), (swap ? kRedSecond : kRedFirst).at(pair - 1));
}

void TestZOROptionsDlg::okShowsWaitCursorWhileWriting()
{
    const auto dialog = openDialog();
    QVERIFY(dialog);
    int shapeWhileWriting = -1;
    connect(m_options.get(), &ZOROptions::anaglyphChannelsChanged, this, [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        shapeWhileWriting = cursor ? int(cursor->shape()) : -2;
    });
    QTest::mouseClick(dialog->buttonBox()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QCOMPARE(shapeWhileWriting, int(Qt::WaitCursor));
    QVERIFY(!QApplication::overrideCursor());
}

void TestZOROptionsDlg::acceptBeforeFillingWritesNothing()
{
    QSignalSpy changed(m_options.get(), &ZOROptions::anaglyphChannelsChanged);
    ZOROptionsDlg dialog(nullptr, "options");
    QSignalSpy finished(&dialog, &QDialog::finished);
    // No event has run, so the page is still empty: there is no choice to store.
    dialog.accept();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!QFile::exists(m_options->profilePath()));
}

QTEST_MAIN(TestZOROptionsDlg)
#include "tst_zoroptionsdlg.moc"
