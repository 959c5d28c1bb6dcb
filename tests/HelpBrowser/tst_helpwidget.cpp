#include "helptree.h"
#include "helpwidget.h"
#include "topicchooser.h"

#include <QDataStream>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
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
    const QString link = static_cast<const HelpNavigationContentsItem*>(item)->link();
    QString text = item->text(0) + (link.isEmpty() ? QString() : '(' + link + ')');
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

    void indexRules_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("entries");
        QTest::newRow("keyword between the first and the last quote, link one character after")
                << QByteArray("\"Zoom\" z.html\n\"Pan\"\tp#m\n12 \"The \"Dock\" button\"  d\n")
                << "Zoom: z.html; Pan: p#m; The \"Dock\" button:  d / ";
        QTest::newRow("scoped names, tilde and addresses skipped")
                << QByteArray("\"A::b\" a\n~\"V\" v\n\"H\" http://x.org/\n\"F\" ftp://x.org/\n"
                              "\"M\" mailto:a@x.org\n")
                << " / ";
        QTest::newRow("no quotes, one quote, empty keyword skipped")
                << QByteArray("Zoom z.html\n\"Zoom z.html\n\"\" empty.html\n") << " / ";
        QTest::newRow("neighbours merged, also across a skipped line")
                << QByteArray("\"Offset\" k\n\"Offset\" d\njunk\n\"Offset\" x\n")
                << "Offset: k, d, x / ";
        QTest::newRow("distant or differently cased keywords stay apart")
                << QByteArray("\"Offset\" k\n\"Zoom\" z\n\"Offset\" d\n\"offset\" e\n")
                << "Offset: k; Zoom: z; Offset: d; offset: e / ";
        QTest::newRow("non-Latin-1 keywords")
                << QByteArray("\"Größe\" s\n\"立体視\" t\n") << "Größe: s; 立体視: t / ";
        QTest::newRow("missing file") << QByteArray() << " / ";
    }

    void indexRules()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, entries);
        HelpTree tree;
        QVERIFY(file.isEmpty() || tree.write("index", file));
        QCOMPARE(shown(tree), entries);
    }

    void incrementalSearch_data()
    {
        QTest::addColumn<int>("startRow");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("row");
        QTest::newRow("Vec finds vector in any case") << 0 << "Vec" << 3;
        QTest::newRow("longer prefix moves on") << 0 << "VECTOR G" << 4;
        QTest::newRow("search starts at the first keyword") << 5 << "v" << 2;
        QTest::newRow("longer than every keyword changes nothing")
                << 0 << "vector graphics 2" << 4;
        QTest::newRow("longer than the matching keyword changes nothing") << 3 << "anaglyphs" << 0;
        QTest::newRow("no keyword with that start changes nothing") << 2 << "q" << 2;
    }

    void incrementalSearch()
    {
        QFETCH(int, startRow);
        QFETCH(QString, typed);
        QFETCH(int, row);
        HelpTree tree;
        fill(tree);
        HelpWidget widget(tree.homePage());
        QCOMPARE(widget.listIndex->count(), 0); // filled when its tab is first shown
        widget.tabWidget->setCurrentWidget(widget.indexPage);
        QTRY_COMPARE(widget.listIndex->count(), 6);
        widget.listIndex->setCurrentRow(startRow);
        QTest::keyClicks(widget.editIndex, typed);
        QCOMPARE(widget.listIndex->currentRow(), row);
    }

    void caches_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("change"); // for "Anaglyph" in the index, "Zooming" in titles
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("damage");
        QTest::newRow("index of same time and size: cache believed")
                << "index" << QByteArray("Bnaglyph") << 0 << "";
        QTest::newRow("index touched") << "index" << QByteArray() << 60 << "";
        QTest::newRow("index newer, same size") << "index" << QByteArray("Bnaglyph") << 60 << "";
        QTest::newRow("index of same time, other size") << "index" << QByteArray("A") << 0 << "";
        QTest::newRow("title list newer") << "titleindex" << QByteArray("Zoomzzz") << 60 << "";
        for (const char* file : {"index", "titleindex"})
            for (const char* damage : {"empty", "truncated", "huge count", "trailing bytes",
                                       "string beyond the file", "odd string length"})
                QTest::addRow("%s cache %s", file, damage) << file << QByteArray() << 0 << damage;
    }

    void caches()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, change);
        QFETCH(int, seconds);
        QFETCH(QString, damage);
        HelpTree tree;
        fill(tree);
        const QString before = shown(tree);
        const QString cache = file == "index" ? "indexdb" : "titlemapdb";
        const QByteArray good = tree.read(cache);
        const QFileInfo source(tree.path(file));
        const QDateTime written = source.lastModified();
        const auto counted = [&](quint32 count) { // a header that matches the text file
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out.setVersion(QDataStream::Qt_6_0);
            out << written << source.size() << count;
            return bytes;
        };
        QVERIFY(good.startsWith(counted(file == "index" ? 7 : 2)));
        const QMap<QString, QByteArray> damaged{
                {"empty", {}},
                {"truncated", good.chopped(3)},
                {"trailing bytes", good + '\0'},
                {"huge count", counted(0x7ffffff0u) + QByteArray(16, '\0')},
                {"string beyond the file",
                 counted(1) + QByteArray("\x7f\xff\xff\xfexxxxxxxx", 12)},
                {"odd string length", counted(1) + QByteArray("\0\0\0\3xxx", 7)}};
        QVERIFY(damage.isEmpty() || tree.write(cache, damaged.value(damage)));

        const QByteArray old = file == "index" ? "Anaglyph" : "Zooming";
        QVERIFY(tree.write(file, tree.read(file).replace(old, change.isEmpty() ? old : change)));
        // Only a text file of the same time and size as the cache's leaves the cache believed.
        const bool rebuilt = seconds != 0 || (!change.isEmpty() && change.size() != old.size());
        QFile changed(source.filePath());
        QVERIFY(changed.open(QIODevice::ReadWrite));
        QVERIFY(changed.setFileTime(written.addSecs(seconds), QFileDevice::FileModificationTime));
        const QString now = shown(tree);
        QCOMPARE(tree.read(cache) != good, rebuilt); // a damaged cache is made whole again
        QVERIFY(QFile::remove(tree.path("indexdb")) && QFile::remove(tree.path("titlemapdb")));
        const QString parsed = shown(tree); // the text as it is now, read without caches
        QCOMPARE(parsed != before, !change.isEmpty());
        QCOMPARE(now, rebuilt ? parsed : before);
    }

    void contents_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("tree");
        QTest::newRow("links from the marker on, white space collapsed") << QByteArray(
                "<head><title> My\n Guide</title></head><a href=\"i\">I</a> TOC <ul><li>"
                "<a href=\"a\">\n Getting\tstarted </a></li><li><a href=\"b\">B</a></ul>")
                                                                         << "My Guide[Getting "
                                                                            "started(a), B(b)]";
        QTest::newRow("nested lists give levels") << QByteArray(
                "<title>G</title>TOC<ul><li><a href=\"a\">A</a><ul><li><a href=\"a1\">"
                "A1</a><li><a href=\"a2\">A2</a><ul><li><a href=\"d\">D</a></ul></ul>"
                "<li><a href=\"b\">B</a></ul>") << "G[A(a)[A1(a1), A2(a2)[D(d)]], B(b)]";
        QTest::newRow("Next, empty titles and an unfinished link skipped")
                << QByteArray("<title>G</title>TOC <a href=\"a\">A</a> <a href=\"n\">Next</a> "
                              "<a href=\"p\"><img></a> <a href=\"b\">B</a> <a href=\"c")
                << "G[A(a), B(b)]";
        QTest::newRow("umlaut entities decoded, sharp s kept")
                << QByteArray("<title>&Uuml;bersicht</title>TOC <a "
                              "href=\"u\">&auml;&Auml;&ouml;&Ouml;"
                              "&uuml;&Uuml;</a> <a href=\"s\">Stra&szlig;e &amp; Weg</a>")
                << QString::fromUtf8("Übersicht[äÄöÖüÜ(u), Stra&szlig;e &amp; Weg(s)]");
        QTest::newRow("no title, no marker") << QByteArray("<a href=\"a\">A</a>") << "Help";
        QTest::newRow("missing start page") << QByteArray() << "Help";
    }

    void contents()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, tree);
        HelpTree help;
        QVERIFY(page.isEmpty() || help.write("toc.html", page));
        HelpWidget widget(help.homePage()); // the first tab is filled at once
        QCOMPARE(widget.listContents->topLevelItemCount(), 1);
        QCOMPARE(treeText(widget.listContents->topLevelItem(0)), tree);
    }

    void showTopic_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("choice"); // -1: the chooser is closed
        QTest::addColumn<QString>("opened");
        QTest::newRow("contents root opens nothing") << 0 << 0 << -1 << "|";
        QTest::newRow("contents topic") << 0 << 1 << -1 << "a1.html#x|A one";
        QTest::newRow("keyword with one page") << 1 << 5 << -1 << "zoom.html#w|Zooming";
        QTest::newRow("two pages, the second chosen") << 1 << 1 << 1 << "off.html#d|";
        QTest::newRow("two pages, chooser closed") << 1 << 1 << -1 << "|";
        QTest::newRow("bookmark") << 2 << 0 << -1 << "/x/keys.html|Keys";
    }

    void showTopic()
    {
        QFETCH(int, tab);
        QFETCH(int, row);
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
        widget.tabWidget->setCurrentIndex(tab);
        widget.loadIndexFile();
        QTreeWidgetItem* root = widget.listContents->topLevelItem(0);
        widget.listContents->setCurrentItem(row == 0 ? root : root->child(row - 1));
        widget.listIndex->setCurrentRow(row);
        widget.listBookmarks->setCurrentItem(widget.listBookmarks->topLevelItem(row));
        QSignalSpy shown(&widget, &HelpWidget::showLink);
        widget.showTopic();
        QVERIFY(shown.count() <= 1);
        QCOMPARE(shown.value(0).value(0).toString() + '|' + shown.value(0).value(1).toString(),
                 opened);
        // Only the keyword with two pages asks; a page without title is offered by its name.
        QCOMPARE(asked,
                 QString(tab == 1 && row == 1 ? "Choose a topic for <b>Offset</b>, Keys and "
                                                "mouse, off.html"
                                              : ""));
    }

    void bookmarks()
    {
        HelpTree tree;
        fill(tree);
        const QString zoom = tree.path("zoom.html"), untitled = tree.path("untitled.html");
        QVERIFY(tree.write("zoom.html", "<title>Zoom</title>")
                && tree.write("untitled.html", "-"));
        const QByteArray saved = tree.read("bookmarks");
        QTextBrowser browser;
        browser.setSource(QUrl::fromLocalFile(zoom));
        {
            // An installed help directory cannot be written: the panel works all the same,
            // keeps no caches, and a failed save leaves the bookmark file as it was.
            ReadOnlyAccess readOnly(tree.html());
            QVERIFY(::geteuid() != 0);
            QVERIFY(shown(tree).endsWith("Zoom: zoom.html#w / Zooming"));
            HelpWidget widget(tree.homePage());
            widget.setBrowser(&browser);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot save the bookmarks"));
            widget.addBookmark();
            QCOMPARE(widget.listBookmarks->topLevelItem(1)->text(0), QStringLiteral("Zooming"));
        }
        QCOMPARE(QDir(tree.html()).entryList(QDir::Files).size(), 6);
        QCOMPARE(tree.read("bookmarks"), saved);

        HelpWidget widget(tree.homePage());
        widget.setBrowser(&browser);
        QCOMPARE(widget.listBookmarks->topLevelItemCount(), 0); // filled when first shown
        widget.tabWidget->setCurrentWidget(widget.bookmarkPage);
        QCOMPARE(widget.listBookmarks->topLevelItemCount(),
                 1); // the title without a link is dropped
        // The file is replaced, never rewritten in place: a link to the old one keeps it whole.
        QCOMPARE(::link(qPrintable(tree.path("bookmarks")), qPrintable(tree.path("old"))), 0);
        QTest::mouseClick(widget.buttonAdd, Qt::LeftButton);
        browser.setSource(QUrl::fromLocalFile(untitled));
        widget.addBookmark();
        QCOMPARE(tree.read("bookmarks"), QStringLiteral("Keys\n/x/keys.html\nZooming\n%1\n"
                                                        "untitled.html\n%2\n")
                                                 .arg(zoom, untitled)
                                                 .toUtf8());
        QCOMPARE(tree.read("old"), saved);
        widget.listBookmarks->setCurrentItem(widget.listBookmarks->topLevelItem(0));
        QTest::mouseClick(widget.buttonRemove, Qt::LeftButton);
        widget.listBookmarks->setCurrentItem(nullptr);
        widget.removeBookmark(); // nothing current: nothing removed
        HelpWidget reloaded(tree.homePage());
        reloaded.tabWidget->setCurrentWidget(reloaded.bookmarkPage);
        QCOMPARE(reloaded.listBookmarks->topLevelItemCount(), 2);
        const auto* last = static_cast<HelpNavigationContentsItem*>(
                reloaded.listBookmarks->topLevelItem(1));
        QCOMPARE(last->text(0) + last->link(), "untitled.html" + untitled);
    }
};

QTEST_MAIN(TestHelpWidget)
#include "tst_helpwidget.moc"
