#include "kvtoolbutton.h"
#include "zortoolbar.h"

#include <QEnterEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestZORToolBar : public QObject
{
    Q_OBJECT

private slots:
    void zoomTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("shown"); // the factor shown again, in whole percent
        QTest::newRow("1600%") << "1600%" << 16.0 << "1600%";
        QTest::newRow("250") << "250" << 2.5 << "250%";
        QTest::newRow("115%") << "115%" << 1.15 << "115%";
        QTest::newRow("half rounds up") << "12.5%" << 0.125 << "13%";
        QTest::newRow("4e-1%, rounds down") << "4e-1%" << 0.004 << "0%";
        QTest::newRow("negative half rounds up") << "-12.5%" << -0.125 << "-12%";
        QTest::newRow("1e9%") << "1e9%" << 1e7 << "1000000000%";
        QTest::newRow("exponent without digits") << "3e%" << 0.03 << "3%";
        QTest::newRow("leading blanks") << "  75 %" << 0.75 << "75%";
        QTest::newRow("empty") << "" << 0.0 << "0%";
    }

    void zoomTexts()
    {
        QFETCH(QString, text);
        QFETCH(double, factor);
        QFETCH(QString, shown);
        QCOMPARE(ZORZoomComboBox::factorFromText(text), factor);
        QCOMPARE(ZORZoomComboBox::textFromFactor(factor), shown);
    }

    void comboPicksAndTyping()
    {
        ZORZoomComboBox combo(nullptr, "zoom");
        combo.addItems({"25%", "50%", "100%", "1600%"});
        combo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&combo));
        QSignalSpy spy(&combo, &ZORZoomComboBox::zoomSelected);
        combo.setZoomFactor(1.15); // shown, not requested, not added
        QCOMPARE(combo.currentText(), QStringLiteral("115%"));
        emit combo.textActivated(QStringLiteral("1600%"));
        // Each Enter asks once, even for an entry; an empty field asks nothing; the list stays.
        combo.setFocus();
        for (const QString text : {"250", "1600%", "1600%", "junk", "", "25%"}) {
            combo.lineEdit()->setText(text);
            QTest::keyClick(&combo, Qt::Key_Return);
            QCOMPARE(combo.count(), 4);
        }
        QCOMPARE(QList<QVariantList>(spy),
                 (QList<QVariantList>{{16.0}, {2.5}, {16.0}, {16.0}, {0.0}, {0.25}}));
    }

    void buttonPictures()
    {
        QPixmap up(32, 32), down(32, 32), focused(32, 32);
        up.fill(Qt::red);
        down.fill(Qt::blue);
        focused.fill(Qt::green);
        KvToolButton push(up, down, "Zoom In", "Zoom in one level", nullptr);
        QTest::mousePress(&push, Qt::LeftButton);
        QCOMPARE(push.shownPixmap().cacheKey(), down.cacheKey());
        QTest::mouseRelease(&push, Qt::LeftButton);
        QCOMPARE(push.shownPixmap().cacheKey(), up.cacheKey());

        KvToggleToolButton button(up, down, focused, "Dock", "Dock the views", nullptr);
        const auto shown = [&button] { return button.shownPixmap().cacheKey(); };
        const auto hover = [&](bool inside) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&button, inside ? static_cast<QEvent*>(&enter) : &leave);
            return shown();
        };
        QCOMPARE(shown(), up.cacheKey());
        hover(true);
        QTest::mouseClick(&button, Qt::LeftButton); // on under the mouse: focused
        QCOMPARE(shown(), focused.cacheKey());
        QCOMPARE(hover(false), down.cacheKey());
        QCOMPARE(hover(true), focused.cacheKey());
        QTest::mouseClick(&button, Qt::LeftButton); // off: up, whatever the mouse does
        QCOMPARE(hover(false), up.cacheKey());
        QCOMPARE(hover(true), up.cacheKey());
        button.setChecked(true); // on from code, without the focus: down
        QCOMPARE(shown(), down.cacheKey());
        QSignalSpy toggled(&button, &QToolButton::toggled);
        button.untoggleAndEnable(false);
        QVERIFY(!button.isChecked() && !button.isEnabled());
        QCOMPARE(shown(), up.cacheKey());
        button.untoggleAndEnable(true); // enabled, not switched on again
        QVERIFY(button.isEnabled() && toggled.count() == 1);
    }
};

QTEST_MAIN(TestZORToolBar)
#include "tst_zortoolbar.moc"
