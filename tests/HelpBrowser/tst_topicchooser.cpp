#include "topicchooser.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

class TestTopicChooser : public QObject
{
    Q_OBJECT

private slots:
    void getLink_data();
    void getLink();
};

void TestTopicChooser::getLink_data()
{
    QTest::addColumn<QString>("answer"); // a button's text or "double click"
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("expected");
    QTest::newRow("second of two equal titles gives the first") << "&Display" << 2 << "b.html";
    QTest::newRow("more titles than links give the title") << "&Display" << 3 << "Extra";
    QTest::newRow("nothing current gives nothing") << "&Display" << -1 << "";
    QTest::newRow("double click") << "double click" << 0 << "a.html";
    QTest::newRow("Close returns nothing") << "&Close" << 1 << "";
    QTest::newRow("Help does not close") << "&Help" << 1 << "";
}

void TestTopicChooser::getLink()
{
    QFETCH(QString, answer);
    QFETCH(int, row);
    QFETCH(QString, expected);
    QString seen;
    TopicChooser::setExecHook([&](TopicChooser& chooser) {
        seen = QStringList{chooser.label->text(), chooser.listbox->currentItem()->text(),
                           chooser.windowIcon().isNull() ? "" : "icon"}
                       .join('|');
        chooser.show();
        chooser.listbox->setCurrentRow(row);
        const QPoint item = chooser.listbox->visualItemRect(chooser.listbox->item(0)).center();
        if (answer == "double click") {
            QTest::mouseClick(chooser.listbox->viewport(), Qt::LeftButton, {}, item);
            QTest::mouseDClick(chooser.listbox->viewport(), Qt::LeftButton, {}, item);
        }
        for (QPushButton* button : chooser.findChildren<QPushButton*>())
            if (button->text() == answer)
                QTest::mouseClick(button, Qt::LeftButton);
        return chooser.isVisible() ? int(QDialog::Rejected) : chooser.result();
    });
    QCOMPARE(TopicChooser::getLink(nullptr, {"a.html", "b.html", "c.html"},
                                   {"Apple", "Banana", "Banana", "Extra"}, "Fruit", QPixmap(1, 1)),
             expected);
    QCOMPARE(seen, QStringLiteral("Choose a topic for <b>Fruit</b>|Apple|icon"));
}

QTEST_MAIN(TestTopicChooser)
#include "tst_topicchooser.moc"
