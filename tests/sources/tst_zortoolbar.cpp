#include "kvtoolbutton.h"
#include "zortoolbar.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

QPixmap filled(Qt::GlobalColor color)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

class TestZORToolBar : public QObject
{
    Q_OBJECT

private slots:
    void statusTimer();
    void factorFromText_data();
    void factorFromText();
    void textFromFactor_data();
    void textFromFactor();
    void comboPicksAndTyping();
    void toolButtonPictures();
    void toggleButtonPictures();
    void untoggleAndEnable();
    void buttonConnectsReceiver();

private:
    void hover(QWidget* widget, bool inside);
};

void TestZORToolBar::statusTimer()
{
    QMainWindow window;
    ZORToolBar toolBar(&window, "tools");
    QCOMPARE(toolBar.objectName(), QStringLiteral("tools"));
    QTimer* timer = toolBar.statusTimerObject();
    QVERIFY(timer->isActive());
    QVERIFY(!timer->isSingleShot());
    QCOMPARE(timer->interval(), 100);
    QSignalSpy spy(&toolBar, &ZORToolBar::updateStatus);
    QTRY_VERIFY(spy.count() >= 3);
}

void TestZORToolBar::factorFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("factor");

    QTest::newRow("1600%") << "1600%" << 16.0;
    QTest::newRow("250") << "250" << 2.5;
    QTest::newRow("400%") << "400%" << 4.0;
    QTest::newRow("12.5%") << "12.5%" << 0.125;
    QTest::newRow("-50%") << "-50%" << -0.5;
    QTest::newRow("0") << "0" << 0.0;
    QTest::newRow("1e9%") << "1e9%" << 1e7;
    QTest::newRow("exponent without digits") << "3e%" << 0.03;
    QTest::newRow("leading blanks") << "  75 %" << 0.75;
    QTest::newRow("not a number") << "big" << 0.0;
    QTest::newRow("percent only") << "%" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("trailing point") << "50.%" << 0.5;
}

void TestZORToolBar::factorFromText()
{
    QFETCH(QString, text);
    QFETCH(double, factor);
    QCOMPARE(ZORZoomComboBox::factorFromText(text), factor);
}

void TestZORToolBar::textFromFactor_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<QString>("text");

    QTest::newRow("1.0") << 1.0 << "100%";
    QTest::newRow("1.15") << 1.15 << "115%";
    QTest::newRow("0.9775 rounds up the half") << 0.9775 << "98%";
    QTest::newRow("0.125 half up") << 0.125 << "13%";
    QTest::newRow("0.004 rounds down") << 0.004 << "0%";
    QTest::newRow("16") << 16.0 << "1600%";
}

void TestZORToolBar::textFromFactor()
{
    QFETCH(double, factor);
    QFETCH(QString, text);
    QCOMPARE(ZORZoomComboBox::textFromFactor(factor), text);
}

void TestZORToolBar::comboPicksAndTyping()
{
    QWidget window;
    ZORZoomComboBox combo(&window, "zoom");
    combo.addItems({"25%", "50%", "100%", "1600%"});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy spy(&combo, &ZORZoomComboBox::zoomSelected);

    // Setting the factor only shows it: no request, no new entry.
    combo.setZoomFactor(1.15);
    QCOMPARE(combo.currentText(), QStringLiteral("115%"));
    QCOMPARE(combo.count(), 4);
    QCOMPARE(spy.count(), 0);

    emit combo.textActivated(QStringLiteral("1600%"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toDouble(), 16.0);

    // Typing a value and pressing Enter asks for it once and keeps the list as it was,
    // whether or not the text names an entry of the list.
    combo.setFocus();
    const QList<QPair<QString, double>> typed = {{"250", 2.5},   {"1600%", 16.0}, {"1600%", 16.0},
                                                 {"junk", 0.0},  {"25%", 0.25}};
    for (const auto& [text, factor] : typed) {
        combo.lineEdit()->selectAll();
        QTest::keyClick(&combo, Qt::Key_Delete);
        QTest::keyClicks(&combo, text);
        QTest::keyClick(&combo, Qt::Key_Return);
        QVERIFY2(spy.count() == 1, qPrintable(text));
        QCOMPARE(spy.takeFirst().at(0).toDouble(), factor);
        QCOMPARE(combo.count(), 4);
    }
    // An empty field asks for nothing.
    combo.lineEdit()->clear();
    QTest::keyClick(&combo, Qt::Key_Return);
    QCOMPARE(spy.count(), 0);
}

void TestZORToolBar::toolButtonPictures()
{
    QMainWindow window;
    ZORToolBar toolBar(&window);
    const QPixmap up = filled(Qt::red), down = filled(Qt::blue);
    KvToolButton button(up, down, QStringLiteral("Zoom In"), QStringLiteral("Zoom in one level"),
                        &toolBar, "zoomIn");
    QCOMPARE(button.toolTip(), QStringLiteral("Zoom In"));
    QCOMPARE(button.statusTip(), QStringLiteral("Zoom in one level"));
    QCOMPARE(button.shownPixmap().cacheKey(), up.cacheKey());
    QTest::mousePress(&button, Qt::LeftButton);
    QCOMPARE(button.shownPixmap().cacheKey(), down.cacheKey());
    QTest::mouseRelease(&button, Qt::LeftButton);
    QCOMPARE(button.shownPixmap().cacheKey(), up.cacheKey());
}

void TestZORToolBar::hover(QWidget* widget, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
    }
}

void TestZORToolBar::toggleButtonPictures()
{
    QMainWindow window;
    ZORToolBar toolBar(&window);
    const QPixmap up = filled(Qt::red), down = filled(Qt::blue), focused = filled(Qt::green);
    KvToggleToolButton button(up, down, focused, QStringLiteral("Dock"),
                              QStringLiteral("Dock left and right stereo image"), &toolBar);
    QVERIFY(button.isCheckable());
    QCOMPARE(button.shownPixmap().cacheKey(), up.cacheKey());

    // Clicked on with the mouse over it: the focused picture.
    hover(&button, true);
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(button.isChecked());
    QCOMPARE(button.shownPixmap().cacheKey(), focused.cacheKey());

    // The mouse leaves: the plain down picture; it comes back: focused again.
    hover(&button, false);
    QCOMPARE(button.shownPixmap().cacheKey(), down.cacheKey());
    hover(&button, true);
    QCOMPARE(button.shownPixmap().cacheKey(), focused.cacheKey());

    // Clicked off: the up picture, whatever the mouse does.
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(!button.isChecked());
    QCOMPARE(button.shownPixmap().cacheKey(), up.cacheKey());
    hover(&button, false);
    hover(&button, true);
    QCOMPARE(button.shownPixmap().cacheKey(), up.cacheKey());

    // Switched on from code without the focus: the down picture.
    button.setChecked(true);
    QCOMPARE(button.shownPixmap().cacheKey(), down.cacheKey());
}

void TestZORToolBar::untoggleAndEnable()
{
    QMainWindow window;
    ZORToolBar toolBar(&window);
    KvToggleToolButton button(filled(Qt::red), filled(Qt::blue), filled(Qt::green),
                              QString(), QString(), &toolBar);
    QSignalSpy toggled(&button, &QToolButton::toggled);
    button.setChecked(true);
    button.untoggleAndEnable(false);
    QVERIFY(!button.isChecked());
    QVERIFY(!button.isEnabled());
    QCOMPARE(toggled.count(), 2);
    button.untoggleAndEnable(true);
    QVERIFY(button.isEnabled());
    QCOMPARE(toggled.count(), 2);
}

void TestZORToolBar::buttonConnectsReceiver()
{
    QMainWindow window;
    ZORToolBar toolBar(&window);
    QTimer receiver;
    receiver.setInterval(12345);
    KvToolButton push(QPixmap(), QPixmap(), QString(), QString(), &receiver,
                      qOverload<>(&QTimer::start), &toolBar);
    KvToggleToolButton toggle(QPixmap(), QPixmap(), QPixmap(), QString(), QString(), &receiver,
                              &QTimer::stop, &toolBar);
    push.click();
    QVERIFY(receiver.isActive());
    toggle.click();
    QVERIFY(!receiver.isActive());
    // Missing icon files give empty pictures and working buttons.
    QVERIFY(push.shownPixmap().isNull());
}

QTEST_MAIN(TestZORToolBar)
#include "tst_zortoolbar.moc"
