#include "topicchooser.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

class TestTopicChooser : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void filledFromArguments();
    void linkOfChosenTitle_data();
    void linkOfChosenTitle();
    void linkWithoutCurrentItemIsEmpty();
    void getLinkAnswers_data();
    void getLinkAnswers();
    void returnOnItemAccepts();
};

void TestTopicChooser::cleanup()
{
    TopicChooser::setExecHook({});
}

void TestTopicChooser::filledFromArguments()
{
    TopicChooser chooser(nullptr, {"a.html", "b.html", "c.html"}, {"Alpha", "Beta", "Gamma"},
                         QStringLiteral("Zoom"));
    QCOMPARE(chooser.windowTitle(), QStringLiteral("Choose Topic"));
    QCOMPARE(chooser.label->text(), QStringLiteral("Choose a topic for <b>Zoom</b>"));
    QCOMPARE(chooser.label->buddy(), chooser.listbox);
    QVERIFY(chooser.isModal());
    QCOMPARE(chooser.listbox->count(), 3);
    QCOMPARE(chooser.listbox->item(2)->text(), QStringLiteral("Gamma"));
    QCOMPARE(chooser.listbox->currentRow(), 0);
}

void TestTopicChooser::linkOfChosenTitle_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("expected");

    const QStringList links{"one.html", "two.html", "three.html"};
    QTest::newRow("first") << links << QStringList{"One", "Two", "Three"} << 0 << "one.html";
    QTest::newRow("last") << links << QStringList{"One", "Two", "Three"} << 2 << "three.html";
    QTest::newRow("same title, second chosen gives first")
        << links << QStringList{"One", "Same", "Same"} << 2 << "two.html";
    QTest::newRow("same title, first chosen") << links << QStringList{"Same", "Same", "Three"}
                                              << 0 << "one.html";
    QTest::newRow("more titles than links gives the text")
        << QStringList{"one.html"} << QStringList{"One", "Orphan"} << 1 << "Orphan";
}

void TestTopicChooser::linkOfChosenTitle()
{
    QFETCH(QStringList, links);
    QFETCH(QStringList, titles);
    QFETCH(int, row);
    QFETCH(QString, expected);

    TopicChooser chooser(nullptr, links, titles, QStringLiteral("key"));
    chooser.listbox->setCurrentRow(row);
    QCOMPARE(chooser.link(), expected);
}

void TestTopicChooser::linkWithoutCurrentItemIsEmpty()
{
    TopicChooser empty(nullptr, {}, {}, QStringLiteral("key"));
    QVERIFY(empty.link().isEmpty());

    TopicChooser chooser(nullptr, {"a.html"}, {"A"}, QStringLiteral("key"));
    chooser.listbox->setCurrentItem(nullptr);
    QVERIFY(chooser.link().isEmpty());
}

void TestTopicChooser::getLinkAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Display on the second page") << "display" << 1 << "b.html";
    QTest::newRow("Display on a repeated title") << "display" << 2 << "b.html";
    QTest::newRow("double click on the first page") << "double click" << 0 << "a.html";
    QTest::newRow("Close returns nothing") << "close" << 1 << QString();
    QTest::newRow("window close button returns nothing") << "window close" << 1 << QString();
    QTest::newRow("Help does not close") << "help" << 1 << QString();
}

void TestTopicChooser::getLinkAnswers()
{
    QFETCH(QString, answer);
    QFETCH(int, row);
    QFETCH(QString, expected);

    bool iconSeen = false;
    TopicChooser::setExecHook([&](TopicChooser& chooser) {
        iconSeen = !chooser.windowIcon().isNull();
        chooser.show();
        chooser.listbox->setCurrentRow(row);
        if (answer == QLatin1String("display")) {
            QTest::mouseClick(chooser.buttonDisplay, Qt::LeftButton);
        } else if (answer == QLatin1String("double click")) {
            QListWidgetItem* item = chooser.listbox->item(row);
            const QPoint centre = chooser.listbox->visualItemRect(item).center();
            // A real double click starts with a press and release on the item.
            QTest::mouseClick(chooser.listbox->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(chooser.listbox->viewport(), Qt::LeftButton, {}, centre);
        } else if (answer == QLatin1String("close")) {
            QTest::mouseClick(chooser.buttonCancel, Qt::LeftButton);
        } else if (answer == QLatin1String("window close")) {
            chooser.close();
        } else {
            QTest::mouseClick(chooser.buttonHelp, Qt::LeftButton);
            if (chooser.isVisible())
                chooser.reject(); // the user gives up after Help did nothing
        }
        return chooser.result();
    });

    QPixmap icon(16, 16);
    icon.fill(Qt::blue);
    const QString link = TopicChooser::getLink(nullptr, {"a.html", "b.html", "c.html"},
                                               {"Apple", "Banana", "Banana"},
                                               QStringLiteral("Fruit"), icon);
    QCOMPARE(link, expected);
    QVERIFY(iconSeen);
}

void TestTopicChooser::returnOnItemAccepts()
{
    TopicChooser::setExecHook([](TopicChooser& chooser) {
        chooser.show();
        chooser.listbox->setFocus();
        chooser.listbox->setCurrentRow(1);
        QTest::keyClick(chooser.listbox, Qt::Key_Return);
        return chooser.result();
    });
    QCOMPARE(TopicChooser::getLink(nullptr, {"a.html", "b.html"}, {"A", "B"}, QStringLiteral("k")),
             QStringLiteral("b.html"));
}

QTEST_MAIN(TestTopicChooser)
#include "tst_topicchooser.moc"
