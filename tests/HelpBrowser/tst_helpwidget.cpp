#include "helptree.h"
#include "helpwidget.h"
#include "topicchooser.h"

#include <QDataStream>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

void fill(const HelpTree& tree)
{
    QVERIFY(tree.write("toc.html", "TOC <a href=\"a1.html#x\">A one</a>"));
    QVERIFY(tree.write("index",
                       "\"Anaglyph\" a.html\n\"Offset\" keys.html\n\"Offset\" off.html#d\n"
                       "\"Value\" v\n\"Vector\" v1\n\"vector graphics\" v2\n"
                       "\"Zoom\" zoom.html#w\n"));
    QVERIFY(tree.write("titleindex", " keys.html | Keys  and\tmouse \nno bar\n|No file\n"
                                     "zoom.html|Zooming\n"));
    QVERIFY(tree.write("bookmarks", "Keys\n/x/keys.html\nDangling title\n"));
}

// The index as the user sees it ("keyword: link, link; ..."), then the title list's entries
// for zoom.html, for no file name and for the line without a bar.
QString shown(const HelpTree& tree)
{
    HelpWidget widget(tree.homePage());
    widget.loadIndexFile();
    QStringList entries;
    for (int row = 0; row < widget.listIndex->count(); ++row) {
        const auto* item = static_cast<HelpNavigationListItem*>(widget.listIndex->item(row));
        entries << item->text() + ": " + item->links().join(", ");
    }
    return entries.join("; ") + " / " + widget.titleOfLink("zoom.html") + widget.titleOfLink("")
           + widget.titleOfLink("no bar");
}

QString treeText(const QTreeWidgetItem* item) // "title(link)[children]"
{
    const auto* page = dynamic_cast<const HelpNavigationContentsItem*>(item);
    QString text
            = item->text(0) + (page && !page->link().isEmpty() ? '(' + page->link() + ')' : "");
    for (int i = 0; i < item->childCount(); ++i)
        text += (i ? ", " : "[") + treeText(item->child(i));
    return item->childCount() ? text + ']' : text;
}

} // namespace

class TestHelpWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { TopicChooser::setExecHook({}); }

    void parsing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("shows");
        // Written with ' for every " of the files and of what they show.
        const auto row
                = [](const char* name, const char* file, const char* text, const char* shows) {
                      QTest::newRow(name) << QString(file) << QByteArray(text).replace('\'', '"')
                                          << QString::fromUtf8(shows).replace('\'', '"');
                  };
        row("keyword between the first and the last quote, link one character after", "index",
            "'Zoom' z.html\n'Pan'\tp#m\n12 'The 'Dock' button'  d\n",
            "Zoom: z.html; Pan: p#m; The 'Dock' button:  d / ");
        row("scoped names, tilde, addresses, no or one quote, empty keyword skipped", "index",
            "'A::b' a\n~'V' v\n'H' http://x.org/\n'F' ftp://x.org/\n'M' mailto:a@x.org\n"
            "Zoom z.html\n'Zoom z.html\n'' e.html\n",
            " / ");
        row("only neighbours merged, also across a skipped line; case counts", "index",
            "'Offset' k\n'Offset' d\njunk\n'Offset' x\n'Zoom' z\n'Offset' y\n'offset' e\n",
            "Offset: k, d, x; Zoom: z; Offset: y; offset: e / ");
        row("non-Latin-1 keywords", "index", "'Größe' s\n'立体視' t\n", "Größe: s; 立体視: t / ");
        row("missing index", "index", "", " / ");
        row("links from the marker on; Next, empty titles, unfinished link skipped", "toc.html",
            "<title> My\n Guide</title><a href='i'>I</a> TOC <a href='a'>\n Getting\tstarted </a> "
            "<a href='n'>Next</a> <a href='p'><img></a> <a href='b'>B</a> <a href='c",
            "[My Guide[Getting started(a), B(b)]]");
        row("nested lists give levels", "toc.html",
            "<title>G</title>TOC<ul><li><a href='a'>A</a><ul><li><a href='a1'>A1</a><li>"
            "<a href='a2'>A2</a><ul><li><a href='d'>D</a></ul></ul><li><a href='b'>B</a></ul>",
            "[G[A(a)[A1(a1), A2(a2)[D(d)]], B(b)]]");
        row("umlaut entities decoded, sharp s kept", "toc.html",
            "<title>&Uuml;bersicht</title>TOC <a href='u'>&auml;&Auml;&ouml;&Ouml;&uuml;&Uuml;"
            "</a> <a href='s'>Stra&szlig;e &amp; Weg</a>",
            "[Übersicht[äÄöÖüÜ(u), Stra&szlig;e &amp; Weg(s)]]");
        row("no title, no marker", "toc.html", "<a href='a'>A</a>", "[Help]");
        row("missing start page", "toc.html", "", "[Help]");
    }

    void parsing()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, text);
        QFETCH(QString, shows);
        HelpTree tree;
        QVERIFY(text.isEmpty() || tree.write(file, text));
        HelpWidget widget(tree.homePage()); // the contents tab is filled at once
        const QTreeWidgetItem* contents = widget.listContents->invisibleRootItem();
        QCOMPARE(file == "index" ? shown(tree) : treeText(contents), shows);
    }

    void caches_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("edit"); // new text for "Anaglyph"/"Zooming", or a damage
        QTest::newRow("same time and size: cache believed") << "index" << 0 << "Bnaglyph";
        QTest::newRow("index newer, same size") << "index" << 60 << "Bnaglyph";
        QTest::newRow("index of same time, other size") << "index" << 0 << "A";
        QTest::newRow("title list newer") << "titleindex" << 60 << "Zoomzzz";
        for (const char* file : {"index", "titleindex"})
            for (const char* damage :
                 {"empty", "truncated", "huge count", "trailing bytes", "string beyond the file"})
                QTest::addRow("%s cache %s", file, damage) << file << 0 << damage;
    }

    void caches()
    {
        QFETCH(QString, file);
        QFETCH(int, seconds);
        QFETCH(QString, edit);
        HelpTree tree;
        fill(tree);
        const QString before = shown(tree), cache = file == "index" ? "indexdb" : "titlemapdb";
        const QByteArray good = tree.read(cache);
        const QDateTime written = QFileInfo(tree.path(file)).lastModified();
        QByteArray head; // how a cache of the text file as it is starts
        QDataStream out(&head, QIODevice::WriteOnly);
        out << written << QFileInfo(tree.path(file)).size();
        QVERIFY(good.startsWith(head + QByteArray(file == "index" ? "\0\0\0\7" : "\0\0\0\2", 4)));
        const QMap<QString, QByteArray> damaged{
                {"empty", {}},
                {"truncated", good.chopped(3)},
                {"trailing bytes", good + '\0'},
                {"huge count", head + "\x7f\xff\xff\xf0" + QByteArray(16, '\0')},
                {"string beyond the file", head + QByteArray("\0\0\0\1\x7f\xff\xff\xfexxxx", 12)}};
        const bool damaging = damaged.contains(edit);
        const QByteArray old = file == "index" ? "Anaglyph" : "Zooming";
        QVERIFY(damaging ? tree.write(cache, damaged.value(edit))
                         : tree.write(file, tree.read(file).replace(old, edit.toUtf8())));
        QFile changed(tree.path(file));
        QVERIFY(changed.open(QIODevice::ReadWrite));
        QVERIFY(changed.setFileTime(written.addSecs(seconds), QFileDevice::FileModificationTime));
        const bool rebuilt = seconds != 0 || (!damaging && edit.size() != old.size());
        const QString now = shown(tree);
        QCOMPARE(tree.read(cache) != good, rebuilt); // a damaged cache is made whole again
        QVERIFY(QFile::remove(tree.path("indexdb")) && QFile::remove(tree.path("titlemapdb")));
        QCOMPARE(now, rebuilt ? shown(tree) : before); // the text as it is, read without caches
    }

    // Typing searches the index from its top in any case; Return opens the tab's topic.
    void showTopic_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("pick");   // the text typed on the index, else the row
        QTest::addColumn<int>("choice");     // -1: the chooser is closed
        QTest::addColumn<QString>("opened"); // "link|title" opened, then what the chooser offered
        const QString offered = "Choose a topic for <b>Offset</b>, Keys and mouse, off.html";
        QTest::newRow("contents root opens nothing") << 0 << "0" << -1 << "";
        QTest::newRow("contents topic") << 0 << "1" << -1 << "a1.html#x|A one";
        QTest::newRow("bookmark") << 2 << "0" << -1 << "/x/keys.html|Keys";
        QTest::newRow("Vec finds vector in any case") << 1 << "Vec" << -1 << "v1|";
        QTest::newRow("longer start moves on") << 1 << "VECTOR G" << -1 << "v2|";
        QTest::newRow("longer than the keyword changes nothing") << 1 << "vectors" << -1 << "v1|";
        QTest::newRow("no keyword with that start") << 1 << "q" << -1 << "zoom.html#w|Zooming";
        QTest::newRow("two pages, the second chosen")
                << 1 << "off" << 1 << "off.html#d|" + offered;
        QTest::newRow("two pages, chooser closed") << 1 << "Off" << -1 << offered;
    }

    void showTopic()
    {
        QFETCH(int, tab);
        QFETCH(QString, pick);
        QFETCH(int, choice);
        QFETCH(QString, opened);
        HelpTree tree;
        fill(tree);
        QString asked;
        TopicChooser::setExecHook([&](TopicChooser& chooser) {
            asked = chooser.label->text();
            for (int i = 0; i < chooser.listbox->count(); ++i)
                asked += ", " + chooser.listbox->item(i)->text();
            chooser.listbox->setCurrentRow(choice);
            return choice < 0 ? int(QDialog::Rejected) : int(QDialog::Accepted);
        });
        HelpWidget widget(tree.homePage());
        QString got; // "link|title" of every page opened
        connect(&widget, &HelpWidget::showLink, this,
                [&](const QString& link, const QString& title) { got += link + '|' + title; });
        QCOMPARE(widget.listIndex->count(), 0); // filled when its tab is first shown
        widget.tabWidget->setCurrentIndex(tab);
        QTreeWidgetItem* root = widget.listContents->topLevelItem(0);
        widget.listContents->setCurrentItem(pick == "0" ? root : root->child(0));
        widget.listBookmarks->setCurrentItem(widget.listBookmarks->topLevelItem(0));
        QTRY_COMPARE(widget.listIndex->count(), tab == 1 ? 6 : 0);
        widget.listIndex->setCurrentRow(5);
        QTest::keyClicks(widget.editIndex, pick);
        QTest::keyClick(widget.editIndex, Qt::Key_Return);
        QCOMPARE(got + asked, opened);
    }

    void bookmarks()
    {
        HelpTree tree;
        fill(tree);
        const QString zoom = tree.path("zoom.html"), plain = tree.path("plain.html");
        QVERIFY(tree.write("zoom.html", "<title>Zoom</title>") && tree.write("plain.html", "-"));
        const QByteArray saved = tree.read("bookmarks");
        QTextBrowser browser;
        browser.setSource(QUrl::fromLocalFile(zoom));
        HelpWidget widget(tree.homePage());
        widget.setBrowser(&browser);
        QCOMPARE(widget.listBookmarks->topLevelItemCount(), 0); // filled when first shown
        widget.tabWidget->setCurrentWidget(widget.bookmarkPage);
        QCOMPARE(treeText(widget.listBookmarks->invisibleRootItem()), "[Keys(/x/keys.html)]");
        {
            // An installed, read-only help: the panel works, keeps no caches, loses no bookmarks.
            ReadOnlyAccess readOnly(tree.html());
            QVERIFY(shown(tree).endsWith("Zoom: zoom.html#w / Zooming"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot save the bookmarks"));
            QTest::mouseClick(widget.buttonAdd, Qt::LeftButton);
        }
        QVERIFY(!QFileInfo::exists(tree.path("indexdb")));
        QCOMPARE(tree.read("bookmarks"), saved);
        // The file is replaced, never rewritten in place: a link to the old one keeps it whole.
        QCOMPARE(::link(qPrintable(tree.path("bookmarks")), qPrintable(tree.path("old"))), 0);
        browser.setSource(QUrl::fromLocalFile(plain));
        widget.addBookmark();
        QCOMPARE(tree.read("old"), saved);
        widget.listBookmarks->setCurrentItem(widget.listBookmarks->topLevelItem(0));
        QTest::mouseClick(widget.buttonRemove, Qt::LeftButton);
        HelpWidget reloaded(tree.homePage());
        reloaded.tabWidget->setCurrentWidget(reloaded.bookmarkPage);
        QCOMPARE(treeText(reloaded.listBookmarks->invisibleRootItem()),
                 QString("[Zooming(%1), plain.html(%2)]").arg(zoom, plain));
    }
};

QTEST_MAIN(TestHelpWidget)
#include "tst_helpwidget.moc"
