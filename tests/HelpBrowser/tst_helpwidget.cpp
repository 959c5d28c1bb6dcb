#include "helptree.h"
#include "helpwidget.h"
#include "topicchooser.h"

#include <QDataStream>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
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

// The index as the user sees it: one "keyword: link, link" line per list entry.
QStringList indexEntries(const HelpWidget& widget)
{
    QStringList entries;
    for (int row = 0; row < widget.listIndex->count(); ++row) {
        const auto* item = static_cast<const HelpNavigationListItem*>(widget.listIndex->item(row));
        entries.append(item->text() + QStringLiteral(": ") + item->links().join(QStringLiteral(", ")));
    }
    return entries;
}

// The contents tree written as "title(link)[children]".
QString treeText(const QTreeWidgetItem* item)
{
    const auto* contents = static_cast<const HelpNavigationContentsItem*>(item);
    QString text = item->text(0);
    if (!contents->link().isEmpty())
        text += QLatin1Char('(') + contents->link() + QLatin1Char(')');
    if (item->childCount() > 0) {
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i)
            children.append(treeText(item->child(i)));
        text += QLatin1Char('[') + children.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    return text;
}

QStringList bookmarkTitles(const HelpWidget& widget)
{
    QStringList titles;
    for (int i = 0; i < widget.listBookmarks->topLevelItemCount(); ++i)
        titles.append(widget.listBookmarks->topLevelItem(i)->text(0));
    return titles;
}

QByteArray indexFile(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n')).toUtf8() + '\n';
}

void setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

// A cache header that matches the text file, so that only what follows it decides.
QByteArray cacheHeader(const QString& source)
{
    const QFileInfo info(source);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << info.lastModified() << info.size();
    return bytes;
}

QByteArray withCount(QByteArray bytes, quint32 count)
{
    QDataStream out(&bytes, QIODevice::Append);
    out.setVersion(QDataStream::Qt_6_0);
    out << count;
    return bytes;
}

} // namespace

class TestHelpWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void formTexts();
    void baseSlotsOnlyComplain();

    void indexRules_data();
    void indexRules();
    void missingIndexGivesEmptyList();
    void indexLoadedWhenIndexTabIsFirstShown();
    void incrementalSearch_data();
    void incrementalSearch();
    void typingMovesThroughTheList();

    void indexCacheUsedWhileTextFileUnchanged();
    void indexCacheRebuiltWhenTextFileChanges_data();
    void indexCacheRebuiltWhenTextFileChanges();
    void damagedIndexCacheIgnored_data();
    void damagedIndexCacheIgnored();
    void damagedTitleCacheIgnored_data();
    void damagedTitleCacheIgnored();
    void readOnlyDirectoryKeepsNoCache();

    void titleList_data();
    void titleList();

    void contents_data();
    void contents();
    void contentsShowTopic();

    void indexShowTopicWithOneLink();
    void indexShowTopicAsksForSeveralLinks_data();
    void indexShowTopicAsksForSeveralLinks();

    void bookmarksLoadedLazily();
    void bookmarkFileWithOddLineCount();
    void bookmarksAddedRemovedAndReloaded();
    void failedBookmarkSaveKeepsTheFile();

    void iconLookupOrder();
};

void TestHelpWidget::cleanup()
{
    TopicChooser::setExecHook({});
}

void TestHelpWidget::formTexts()
{
    // The lazy filling goes by these tab labels.
    HelpTree tree;
    HelpWidget widget(tree.homePage());
    QCOMPARE(widget.tabWidget->count(), 3);
    QCOMPARE(widget.tabWidget->tabText(0), QStringLiteral("Con&tents"));
    QCOMPARE(widget.tabWidget->tabText(1), QStringLiteral("&Index"));
    QCOMPARE(widget.tabWidget->tabText(2), QStringLiteral("B&ookmarks"));
    QVERIFY(widget.listContents->isHeaderHidden());
    QVERIFY(widget.listBookmarks->isHeaderHidden());
    QVERIFY(widget.framePrepare->isHidden());
    QCOMPARE(widget.helpDirectory(), tree.html());
}

void TestHelpWidget::baseSlotsOnlyComplain()
{
    HelpWidgetBase form;
    QTest::ignoreMessage(QtWarningMsg, "HelpWidgetBase::addBookmark(): Not implemented yet");
    form.addBookmark();
    QTest::ignoreMessage(QtWarningMsg,
                         "HelpWidgetBase::searchInIndex(const QString&): Not implemented yet");
    form.editIndex->setText(QStringLiteral("x"));
    QTest::ignoreMessage(QtWarningMsg,
                         "HelpWidgetBase::currentTabChanged(const QString&): Not implemented yet");
    form.tabWidget->setCurrentIndex(1);
}

void TestHelpWidget::indexRules_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("plain entry") << QStringList{R"("Zoom" zoom.html)"}
                                 << QStringList{"Zoom: zoom.html"};
    QTest::newRow("any separating character")
        << QStringList{"\"Zoom\"\tzoom.html", "\"Pan\"|pan.html#middle"}
        << QStringList{"Zoom: zoom.html", "Pan: pan.html#middle"};
    QTest::newRow("link starts two characters after the quote")
        << QStringList{R"("Zoom"  zoom.html)"} << QStringList{"Zoom:  zoom.html"};
    QTest::newRow("keyword runs to the last quote")
        << QStringList{R"("The "Dock" button" dock.html)"}
        << QStringList{R"(The "Dock" button: dock.html)"};
    QTest::newRow("text before the first quote ignored")
        << QStringList{R"(12 "Zoom" zoom.html)"} << QStringList{"Zoom: zoom.html"};
    QTest::newRow("scoped name skipped") << QStringList{R"("KVImgViewer::zoomIn" z.html)"}
                                         << QStringList{};
    QTest::newRow("tilde skipped") << QStringList{R"(~"Viewer" v.html)"} << QStringList{};
    QTest::newRow("web address skipped") << QStringList{R"("Home page" http://example.org/)"}
                                         << QStringList{};
    QTest::newRow("ftp address skipped") << QStringList{R"("Files" ftp://example.org/a)"}
                                         << QStringList{};
    QTest::newRow("mail address skipped") << QStringList{R"("Mail" mailto:someone@example.org)"}
                                          << QStringList{};
    QTest::newRow("no quotes skipped") << QStringList{"Zoom zoom.html"} << QStringList{};
    QTest::newRow("one quote skipped") << QStringList{R"("Zoom zoom.html)"} << QStringList{};
    QTest::newRow("empty keyword skipped") << QStringList{R"("" empty.html)"} << QStringList{};
    QTest::newRow("empty line skipped") << QStringList{""} << QStringList{};
    QTest::newRow("neighbours merged")
        << QStringList{R"("Offset" keys.html)", R"("Offset" dialog.html)"}
        << QStringList{"Offset: keys.html, dialog.html"};
    QTest::newRow("distant equal keywords stay apart")
        << QStringList{R"("Offset" keys.html)", R"("Zoom" zoom.html)", R"("Offset" dialog.html)"}
        << QStringList{"Offset: keys.html", "Zoom: zoom.html", "Offset: dialog.html"};
    QTest::newRow("skipped line between equal keywords")
        << QStringList{R"("Offset" keys.html)", "garbage", R"("Offset" dialog.html)"}
        << QStringList{"Offset: keys.html, dialog.html"};
    QTest::newRow("letter case matters for merging")
        << QStringList{R"("zoom" a.html)", R"("Zoom" b.html)"}
        << QStringList{"zoom: a.html", "Zoom: b.html"};
    QTest::newRow("non-Latin-1 keywords")
        << QStringList{R"("Größe" size.html)", R"("立体視" stereo.html)"}
        << QStringList{"Größe: size.html", "立体視: stereo.html"};
    QTest::newRow("order of the file kept")
        << QStringList{R"("b" b.html)", R"("a" a.html)", R"("c" c.html)"}
        << QStringList{"b: b.html", "a: a.html", "c: c.html"};
}

void TestHelpWidget::indexRules()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, entries);

    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("index"), indexFile(lines)));
    HelpWidget widget(tree.homePage());
    widget.loadIndexFile();
    QCOMPARE(indexEntries(widget), entries);
    QVERIFY(widget.framePrepare->isHidden());
}

void TestHelpWidget::missingIndexGivesEmptyList()
{
    HelpTree tree;
    HelpWidget widget(tree.homePage());
    widget.loadIndexFile();
    QCOMPARE(widget.listIndex->count(), 0);
    QVERIFY(!QFile::exists(tree.path(QStringLiteral("indexdb"))));
}

void TestHelpWidget::indexLoadedWhenIndexTabIsFirstShown()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("index"), indexFile({R"("Zoom" zoom.html)"})));
    HelpWidget widget(tree.homePage());
    widget.show();
    QCOMPARE(widget.listIndex->count(), 0);
    QVERIFY(!QFile::exists(tree.path(QStringLiteral("indexdb"))));

    widget.tabWidget->setCurrentWidget(widget.indexPage);
    QTRY_COMPARE(widget.listIndex->count(), 1);
    QVERIFY(QFile::exists(tree.path(QStringLiteral("indexdb"))));

    // Once prepared, the index stays as it is for the life of the panel.
    QVERIFY(tree.write(QStringLiteral("index"), indexFile({"\"A\" a.html", "\"B\" b.html"})));
    widget.tabWidget->setCurrentWidget(widget.contentPage);
    widget.tabWidget->setCurrentWidget(widget.indexPage);
    widget.loadIndexFile();
    QCOMPARE(widget.listIndex->count(), 1);
}

void TestHelpWidget::incrementalSearch_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("row");

    QTest::newRow("Vec finds vector in any case") << 0 << "Vec" << 2;
    QTest::newRow("upper-case typing") << 0 << "VECTOR" << 2;
    QTest::newRow("longer prefix moves on") << 0 << "vector g" << 3;
    QTest::newRow("whole keyword") << 0 << "Anaglyph" << 0;
    QTest::newRow("first letter") << 4 << "v" << 1;
    QTest::newRow("longer than every keyword changes nothing")
        << 4 << "vector graphics and much more" << 4;
    QTest::newRow("longer than the matching keyword changes nothing") << 1 << "anaglyphs" << 1;
    QTest::newRow("no keyword with that start") << 3 << "q" << 3;
}

void TestHelpWidget::incrementalSearch()
{
    QFETCH(int, startRow);
    QFETCH(QString, typed);
    QFETCH(int, row);

    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("index"),
                       indexFile({R"("Anaglyph" a.html)", R"("Value" v.html)",
                                  R"("Vector" v1.html)", R"("vector graphics" v2.html)",
                                  R"("Zoom" z.html)"})));
    HelpWidget widget(tree.homePage());
    widget.loadIndexFile();
    widget.listIndex->setCurrentRow(startRow);
    widget.searchInIndex(typed);
    QCOMPARE(widget.listIndex->currentRow(), row);
}

void TestHelpWidget::typingMovesThroughTheList()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("index"),
                       indexFile({R"("Anaglyph" a.html)", R"("Vector" v1.html)",
                                  R"("vector graphics" v2.html)", R"("Zoom" z.html)"})));
    HelpWidget widget(tree.homePage());
    widget.show();
    widget.tabWidget->setCurrentWidget(widget.indexPage);
    widget.loadIndexFile();
    QSignalSpy shown(&widget, &HelpWidget::showLink);

    QTest::keyClicks(widget.editIndex, QStringLiteral("Vec"));
    QCOMPARE(widget.listIndex->currentRow(), 1);
    QTest::keyClick(widget.editIndex, Qt::Key_Down);
    QCOMPARE(widget.listIndex->currentRow(), 2);
    QCOMPARE(widget.editIndex->text(), QStringLiteral("Vec"));
    QTest::keyClick(widget.editIndex, Qt::Key_Return);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.first().at(0).toString(), QStringLiteral("v2.html"));
}

void TestHelpWidget::indexCacheUsedWhileTextFileUnchanged()
{
    HelpTree tree;
    const QString index = tree.path(QStringLiteral("index"));
    QVERIFY(tree.write(QStringLiteral("index"), indexFile({R"("Aaaa" a.html)"})));
    const QDateTime written = QFileInfo(index).lastModified();
    {
        HelpWidget widget(tree.homePage());
        widget.loadIndexFile();
        QCOMPARE(indexEntries(widget), QStringList{"Aaaa: a.html"});
    }
    QVERIFY(QFile::exists(tree.path(QStringLiteral("indexdb"))));

    // Same size and time: the cache is believed, whatever the text says now.
    QVERIFY(tree.write(QStringLiteral("index"), indexFile({R"("Bbbb" b.html)"})));
    setModified(index, written);
    HelpWidget widget(tree.homePage());
    widget.loadIndexFile();
    QCOMPARE(indexEntries(widget), QStringList{"Aaaa: a.html"});
}

void TestHelpWidget::indexCacheRebuiltWhenTextFileChanges_data()
{
    QTest::addColumn<QStringList>("newLines");
    QTest::addColumn<int>("secondsLater");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("touched: newer time, same content")
        << QStringList{R"("Aaaa" a.html)"} << 60 << QStringList{"Aaaa: a.html"};
    QTest::newRow("newer time, same size, other content")
        << QStringList{R"("Bbbb" b.html)"} << 60 << QStringList{"Bbbb: b.html"};
    QTest::newRow("same time, other size")
        << QStringList{R"("Cc" c.html)", R"("Dd" d.html)"} << 0
        << QStringList{"Cc: c.html", "Dd: d.html"};
}

void TestHelpWidget::indexCacheRebuiltWhenTextFileChanges()
{
    QFETCH(QStringList, newLines);
    QFETCH(int, secondsLater);
    QFETCH(QStringList, entries);

    HelpTree tree;
    const QString index = tree.path(QStringLiteral("index"));
    const QString cache = tree.path(QStringLiteral("indexdb"));
    QVERIFY(tree.write(QStringLiteral("index"), indexFile({R"("Aaaa" a.html)"})));
    const QDateTime written = QFileInfo(index).lastModified();
    {
        HelpWidget widget(tree.homePage());
        widget.loadIndexFile();
    }
    const QByteArray oldCache = tree.read(QStringLiteral("indexdb"));
    QVERIFY(!oldCache.isEmpty());

    QVERIFY(tree.write(QStringLiteral("index"), indexFile(newLines)));
    setModified(index, written.addSecs(secondsLater));
    {
        HelpWidget widget(tree.homePage());
        widget.loadIndexFile();
        QCOMPARE(indexEntries(widget), entries);
    }
    QVERIFY(tree.read(QStringLiteral("indexdb")) != oldCache);

    // The rebuilt cache serves the next run: make the text disagree with it again.
    const QDateTime rebuilt = QFileInfo(index).lastModified();
    QByteArray other = tree.read(QStringLiteral("index"));
    std::reverse(other.begin(), other.end() - 1);
    QVERIFY(tree.write(QStringLiteral("index"), other));
    setModified(index, rebuilt);
    HelpWidget widget(tree.homePage());
    widget.loadIndexFile();
    QCOMPARE(indexEntries(widget), entries);
    QVERIFY(QFileInfo(cache).isFile());
}

void TestHelpWidget::damagedIndexCacheIgnored_data()
{
    QTest::addColumn<QString>("damage");

    QTest::newRow("empty file") << "empty";
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("truncated in the middle of a string") << "truncated";
    QTest::newRow("huge count") << "huge count";
    QTest::newRow("count beyond the strings present") << "short count";
    QTest::newRow("trailing bytes") << "trailing";
    QTest::newRow("string length beyond the file") << "long string";
    QTest::newRow("odd string length") << "odd string";
}

void TestHelpWidget::damagedIndexCacheIgnored()
{
    QFETCH(QString, damage);

    HelpTree tree;
    const QString index = tree.path(QStringLiteral("index"));
    const QStringList lines{R"("Anaglyph" a.html)", R"("Zoom" z.html)", R"("Zoom" y.html)"};
    QVERIFY(tree.write(QStringLiteral("index"), indexFile(lines)));
    {
        HelpWidget widget(tree.homePage());
        widget.loadIndexFile();
    }
    const QByteArray good = tree.read(QStringLiteral("indexdb"));
    const QByteArray header = cacheHeader(index);
    QVERIFY(good.startsWith(header));

    QByteArray bad;
    if (damage == QLatin1String("empty")) {
        bad = QByteArray();
    } else if (damage == QLatin1String("garbage")) {
        bad = QByteArray(64, '\xa5');
    } else if (damage == QLatin1String("truncated")) {
        bad = good.left(good.size() - 7);
    } else if (damage == QLatin1String("huge count")) {
        bad = withCount(header, 0xfffffff0u) + QByteArray(16, '\0');
    } else if (damage == QLatin1String("short count")) {
        bad = withCount(header, 4) + good.mid(header.size() + 4);
    } else if (damage == QLatin1String("trailing")) {
        bad = good + QByteArray("extra");
    } else if (damage == QLatin1String("long string")) {
        // One string whose length field claims two gigabytes.
        bad = withCount(header, 1) + QByteArray("\x7f\xff\xff\xfe", 4) + QByteArray(8, 'x');
    } else {
        bad = withCount(header, 1) + QByteArray("\x00\x00\x00\x03", 4) + QByteArray(3, 'x');
    }
    QVERIFY(tree.write(QStringLiteral("indexdb"), bad));
    setModified(index, QFileInfo(index).lastModified());

    HelpWidget widget(tree.homePage());
    widget.loadIndexFile();
    QCOMPARE(indexEntries(widget), (QStringList{"Anaglyph: a.html", "Zoom: z.html, y.html"}));
    // The damaged cache has been replaced by a sound one.
    QCOMPARE(tree.read(QStringLiteral("indexdb")), good);
}

void TestHelpWidget::damagedTitleCacheIgnored_data()
{
    QTest::addColumn<QString>("damage");

    QTest::newRow("garbage") << "garbage";
    QTest::newRow("truncated") << "truncated";
    QTest::newRow("huge count") << "huge count";
    QTest::newRow("trailing bytes") << "trailing";
}

void TestHelpWidget::damagedTitleCacheIgnored()
{
    QFETCH(QString, damage);

    HelpTree tree;
    const QString titles = tree.path(QStringLiteral("titleindex"));
    QVERIFY(tree.write(QStringLiteral("titleindex"), "zoom.html | Zooming\nkeys.html|Keys\n"));
    {
        HelpWidget widget(tree.homePage());
        QCOMPARE(widget.titleOfLink(QStringLiteral("zoom.html")), QStringLiteral("Zooming"));
    }
    const QByteArray good = tree.read(QStringLiteral("titlemapdb"));
    const QByteArray header = cacheHeader(titles);
    QVERIFY(good.startsWith(header));

    QByteArray bad;
    if (damage == QLatin1String("garbage"))
        bad = QByteArray(40, '\x17');
    else if (damage == QLatin1String("truncated"))
        bad = good.left(good.size() - 3);
    else if (damage == QLatin1String("huge count"))
        bad = withCount(header, 0x7fffffffu);
    else
        bad = good + QByteArray(1, '\0');
    QVERIFY(tree.write(QStringLiteral("titlemapdb"), bad));

    HelpWidget widget(tree.homePage());
    QCOMPARE(widget.titleOfLink(QStringLiteral("zoom.html")), QStringLiteral("Zooming"));
    QCOMPARE(widget.titleOfLink(QStringLiteral("keys.html")), QStringLiteral("Keys"));
    QCOMPARE(tree.read(QStringLiteral("titlemapdb")), good);
}

void TestHelpWidget::readOnlyDirectoryKeepsNoCache()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("index"), indexFile({R"("Zoom" zoom.html)"})));
    QVERIFY(tree.write(QStringLiteral("titleindex"), "zoom.html|Zooming\n"));
    {
        ReadOnlyAccess readOnly(tree.html());
        QVERIFY(readOnly.active());
        HelpWidget widget(tree.homePage());
        widget.loadIndexFile();
        QCOMPARE(indexEntries(widget), QStringList{"Zoom: zoom.html"});
        QCOMPARE(widget.titleOfLink(QStringLiteral("zoom.html")), QStringLiteral("Zooming"));
    }
    QVERIFY(!QFile::exists(tree.path(QStringLiteral("indexdb"))));
    QVERIFY(!QFile::exists(tree.path(QStringLiteral("titlemapdb"))));
    QCOMPARE(QDir(tree.html()).entryList(QDir::Files).size(), 2);
}

void TestHelpWidget::titleList_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("title");

    const QByteArray titles = "zoom.html | Zooming   and\tscrolling \n"
                              "  keys.html|Keys | and mouse\n"
                              "no bar here\n"
                              "|Nameless\n"
                              "umlaut.html|Größe\n";
    QTest::newRow("white space collapsed") << titles << "zoom.html" << "Zooming and scrolling";
    QTest::newRow("first bar separates") << titles << "keys.html" << "Keys | and mouse";
    QTest::newRow("anchor ignored") << titles << "zoom.html#wheel" << "Zooming and scrolling";
    QTest::newRow("directory ignored") << titles << "/some/where/keys.html" << "Keys | and mouse";
    QTest::newRow("unknown page") << titles << "other.html" << "";
    QTest::newRow("line without bar skipped") << titles << "no bar here" << "";
    QTest::newRow("non-Latin-1 title") << titles << "umlaut.html" << "Größe";
    QTest::newRow("missing title file") << QByteArray() << "zoom.html" << "";
}

void TestHelpWidget::titleList()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, link);
    QFETCH(QString, title);

    HelpTree tree;
    if (!content.isEmpty())
        QVERIFY(tree.write(QStringLiteral("titleindex"), content));
    HelpWidget widget(tree.homePage());
    QCOMPARE(widget.titleOfLink(link), title);
}

void TestHelpWidget::contents_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("tree");

    QTest::newRow("flat list")
        << QByteArray("<html><head><title>Guide</title></head><body>"
                      "<p><a href=\"intro.html\">Before the marker</a></p><!-- TOC -->"
                      "<ul><li><a href=\"a.html\">First</a></li>\n"
                      "<li><a href=\"b.html\">Second</a></li></ul></body></html>")
        << "Guide[First(a.html), Second(b.html)]";
    QTest::newRow("nested lists give levels")
        << QByteArray("<title>Guide</title>TOC<ul><li><a href=\"a.html\">A</a>"
                      "<ul><li><a href=\"a1.html\">A1</a></li><li><a href=\"a2.html\">A2</a>"
                      "<ul><li><a href=\"deep.html\">Deep</a></ul></li></ul></li>"
                      "<li><a href=\"b.html\">B</a></li></ul>")
        << "Guide[A(a.html)[A1(a1.html), A2(a2.html)[Deep(deep.html)]], B(b.html)]";
    QTest::newRow("Next and empty titles skipped")
        << QByteArray("<title>Guide</title>TOC <a href=\"a.html\">A</a> "
                      "<a href=\"next.html\">Next</a> <a href=\"pic.html\"><img></a> "
                      "<a href=\"b.html\">B</a>")
        << "Guide[A(a.html), B(b.html)]";
    QTest::newRow("white space collapsed in titles")
        << QByteArray("<title> My\n  Guide </title>TOC <a href=\"a.html\">\n  Getting\n\t"
                      "started </a>")
        << "My Guide[Getting started(a.html)]";
    QTest::newRow("umlaut entities decoded, sharp s kept")
        << QByteArray("<title>&Uuml;bersicht</title>TOC "
                      "<a href=\"u.html\">&auml;&Auml;&ouml;&Ouml;&uuml;&Uuml;</a> "
                      "<a href=\"s.html\">Stra&szlig;e &amp; Weg</a>")
        << QString::fromUtf8("Übersicht[äÄöÖüÜ(u.html), Stra&szlig;e &amp; Weg(s.html)]");
    QTest::newRow("no marker, no topics")
        << QByteArray("<title>Guide</title><a href=\"a.html\">A</a>") << "Guide";
    QTest::newRow("no title labels the root Help")
        << QByteArray("TOC <a href=\"a.html\">A</a>") << "Help[A(a.html)]";
    QTest::newRow("unfinished link ignored")
        << QByteArray("<title>Guide</title>TOC <a href=\"a.html\">A</a> <a href=\"b.html")
        << "Guide[A(a.html)]";
    QTest::newRow("missing start page") << QByteArray() << "Help";
}

void TestHelpWidget::contents()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, tree);

    HelpTree help;
    if (!page.isEmpty())
        QVERIFY(help.write(QStringLiteral("toc.html"), page));
    // The contents page is the first tab: it is built with the panel.
    HelpWidget widget(help.homePage());
    QCOMPARE(widget.listContents->topLevelItemCount(), 1);
    QCOMPARE(treeText(widget.listContents->topLevelItem(0)), tree);
}

void TestHelpWidget::contentsShowTopic()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("toc.html"),
                       "<title>Guide</title>TOC<ul><li><a href=\"a.html\">A</a><ul><li>"
                       "<a href=\"a1.html#x\">A one</a></li></ul></li></ul>"));
    HelpWidget widget(tree.homePage());
    QSignalSpy shown(&widget, &HelpWidget::showLink);
    QTreeWidgetItem* root = widget.listContents->topLevelItem(0);

    widget.listContents->setCurrentItem(root);
    widget.showTopic();
    QCOMPARE(shown.count(), 0);

    widget.listContents->setCurrentItem(root->child(0)->child(0));
    widget.showTopic();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.first().at(0).toString(), QStringLiteral("a1.html#x"));
    QCOMPARE(shown.first().at(1).toString(), QStringLiteral("A one"));
}

void TestHelpWidget::indexShowTopicWithOneLink()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("index"), indexFile({R"("Zoom" zoom.html#wheel)"})));
    QVERIFY(tree.write(QStringLiteral("titleindex"), "zoom.html|Zooming\n"));
    bool chooserOpened = false;
    TopicChooser::setExecHook([&](TopicChooser&) {
        chooserOpened = true;
        return int(QDialog::Rejected);
    });
    HelpWidget widget(tree.homePage());
    widget.show();
    widget.tabWidget->setCurrentWidget(widget.indexPage);
    widget.loadIndexFile();
    QSignalSpy shown(&widget, &HelpWidget::showLink);

    widget.listIndex->setCurrentRow(0);
    const QPoint centre = widget.listIndex->visualItemRect(widget.listIndex->item(0)).center();
    QTest::mouseClick(widget.listIndex->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(widget.listIndex->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.first().at(0).toString(), QStringLiteral("zoom.html#wheel"));
    QCOMPARE(shown.first().at(1).toString(), QStringLiteral("Zooming"));
    QVERIFY(!chooserOpened);
}

void TestHelpWidget::indexShowTopicAsksForSeveralLinks_data()
{
    QTest::addColumn<int>("choice"); // -1: the user closes the chooser
    QTest::addColumn<QString>("link");

    QTest::newRow("first page") << 0 << "keys.html";
    QTest::newRow("second page") << 1 << "offset.html#dialog";
    QTest::newRow("closed") << -1 << QString();
}

void TestHelpWidget::indexShowTopicAsksForSeveralLinks()
{
    QFETCH(int, choice);
    QFETCH(QString, link);

    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("index"),
                       indexFile({R"("Offset" keys.html)", R"("Offset" offset.html#dialog)"})));
    QVERIFY(tree.write(QStringLiteral("titleindex"), "keys.html|Keys and mouse\n"));
    QStringList offered;
    QString keyword;
    TopicChooser::setExecHook([&](TopicChooser& chooser) {
        for (int row = 0; row < chooser.listbox->count(); ++row)
            offered.append(chooser.listbox->item(row)->text());
        keyword = chooser.label->text();
        if (choice < 0)
            return int(QDialog::Rejected);
        chooser.listbox->setCurrentRow(choice);
        return int(QDialog::Accepted);
    });
    HelpWidget widget(tree.homePage());
    widget.tabWidget->setCurrentWidget(widget.indexPage);
    widget.loadIndexFile();
    QSignalSpy shown(&widget, &HelpWidget::showLink);
    widget.listIndex->setCurrentRow(0);
    widget.showTopic();

    // A page without an entry in the title list is offered under its file name.
    QCOMPARE(offered, (QStringList{"Keys and mouse", "offset.html"}));
    QCOMPARE(keyword, QStringLiteral("Choose a topic for <b>Offset</b>"));
    if (link.isEmpty()) {
        QCOMPARE(shown.count(), 0);
    } else {
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.first().at(0).toString(), link);
    }
}

void TestHelpWidget::bookmarksLoadedLazily()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("bookmarks"), "Zooming\n/x/zoom.html\nKeys\n/x/keys.html\n"));
    HelpWidget widget(tree.homePage());
    QCOMPARE(widget.listBookmarks->topLevelItemCount(), 0);
    widget.tabWidget->setCurrentWidget(widget.bookmarkPage);
    QCOMPARE(bookmarkTitles(widget), (QStringList{"Zooming", "Keys"}));

    QSignalSpy shown(&widget, &HelpWidget::showLink);
    widget.listBookmarks->setCurrentItem(widget.listBookmarks->topLevelItem(1));
    QVERIFY(widget.buttonRemove->isEnabled());
    widget.showTopic();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.first().at(0).toString(), QStringLiteral("/x/keys.html"));
    QCOMPARE(shown.first().at(1).toString(), QStringLiteral("Keys"));
}

void TestHelpWidget::bookmarkFileWithOddLineCount()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("bookmarks"), "Zooming\n/x/zoom.html\nDangling title\n"));
    HelpWidget widget(tree.homePage());
    widget.tabWidget->setCurrentWidget(widget.bookmarkPage);
    QCOMPARE(bookmarkTitles(widget), QStringList{"Zooming"});
}

void TestHelpWidget::bookmarksAddedRemovedAndReloaded()
{
    HelpTree tree;
    QVERIFY(tree.write(QStringLiteral("titleindex"), "zoom.html|Zooming\n"));
    QVERIFY(tree.write(QStringLiteral("zoom.html"), "<title>Zoom page</title>zoom"));
    QVERIFY(tree.write(QStringLiteral("untitled.html"), "no title here"));
    QTextBrowser browser;
    HelpWidget widget(tree.homePage());
    widget.setBrowser(&browser);
    QSignalSpy changed(&widget, &HelpWidget::bookmarksChanged);

    // Without a page nothing can be bookmarked.
    widget.addBookmark();
    QCOMPARE(widget.listBookmarks->topLevelItemCount(), 0);
    QCOMPARE(changed.count(), 0);

    browser.setSource(QUrl::fromLocalFile(tree.path(QStringLiteral("zoom.html"))));
    QTest::mouseClick(widget.buttonAdd, Qt::LeftButton);
    browser.setSource(QUrl::fromLocalFile(tree.path(QStringLiteral("untitled.html"))));
    widget.addBookmark();
    browser.setSource(QUrl::fromLocalFile(tree.path(QStringLiteral("zoom.html"))));
    widget.addBookmark();
    QCOMPARE(changed.count(), 3);
    QCOMPARE(bookmarkTitles(widget), (QStringList{"Zooming", "untitled.html", "Zooming"}));
    const QString zoom = tree.path(QStringLiteral("zoom.html"));
    const QString untitled = tree.path(QStringLiteral("untitled.html"));
    QCOMPARE(tree.read(QStringLiteral("bookmarks")),
             QStringLiteral("Zooming\n%1\nuntitled.html\n%2\nZooming\n%1\n")
                 .arg(zoom, untitled)
                 .toUtf8());

    widget.listBookmarks->setCurrentItem(widget.listBookmarks->topLevelItem(0));
    QTest::mouseClick(widget.buttonRemove, Qt::LeftButton);
    QCOMPARE(changed.count(), 4);
    QCOMPARE(tree.read(QStringLiteral("bookmarks")),
             QStringLiteral("untitled.html\n%2\nZooming\n%1\n").arg(zoom, untitled).toUtf8());

    // Nothing current: Remove does nothing.
    widget.listBookmarks->setCurrentItem(nullptr);
    widget.removeBookmark();
    QCOMPARE(changed.count(), 4);
    QCOMPARE(widget.listBookmarks->topLevelItemCount(), 2);

    HelpWidget reloaded(tree.homePage());
    reloaded.tabWidget->setCurrentWidget(reloaded.bookmarkPage);
    QCOMPARE(bookmarkTitles(reloaded), (QStringList{"untitled.html", "Zooming"}));
    const auto* last = static_cast<HelpNavigationContentsItem*>(reloaded.listBookmarks->topLevelItem(1));
    QCOMPARE(last->link(), zoom);
}

void TestHelpWidget::failedBookmarkSaveKeepsTheFile()
{
    HelpTree tree;
    const QByteArray saved = "Keys\n/x/keys.html\n";
    QVERIFY(tree.write(QStringLiteral("bookmarks"), saved));
    QVERIFY(tree.write(QStringLiteral("zoom.html"), "zoom"));
    QTextBrowser browser;
    browser.setSource(QUrl::fromLocalFile(tree.path(QStringLiteral("zoom.html"))));
    HelpWidget widget(tree.homePage());
    widget.setBrowser(&browser);
    {
        ReadOnlyAccess readOnly(tree.html());
        QVERIFY(readOnly.active());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot save the bookmarks"));
        widget.addBookmark();
        QCOMPARE(bookmarkTitles(widget), (QStringList{"Keys", "zoom.html"}));
    }
    QCOMPARE(tree.read(QStringLiteral("bookmarks")), saved);
    QCOMPARE(QDir(tree.html()).entryList(QDir::Files).size(), 2);
}

void TestHelpWidget::iconLookupOrder()
{
    HelpTree tree;
    const QString pics = tree.home() + QStringLiteral("/help/pics/");
    const auto save = [](const QString& path, int size) {
        QDir().mkpath(QFileInfo(path).path());
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::red);
        return pixmap.save(path, "XPM");
    };
    QVERIFY(helpPixmap(tree.html(), QStringLiteral("book.xpm")).isNull());
    QVERIFY(helpIconSet(tree.html(), QStringLiteral("book.xpm")).isNull());

    QVERIFY(save(pics + QStringLiteral("large/book.xpm"), 32));
    QCOMPARE(helpPixmap(tree.html(), QStringLiteral("book.xpm")).width(), 32);
    QVERIFY(save(pics + QStringLiteral("small/book.xpm"), 20));
    QCOMPARE(helpPixmap(tree.html(), QStringLiteral("book.xpm")).width(), 20);
    QVERIFY(save(pics + QStringLiteral("book.xpm"), 22));
    QCOMPARE(helpPixmap(tree.html(), QStringLiteral("book.xpm")).width(), 22);
    QVERIFY(save(pics + QStringLiteral("mini/book.xpm"), 16));
    QCOMPARE(helpPixmap(tree.html(), QStringLiteral("book.xpm")).width(), 16);

    const QIcon icon = helpIconSet(tree.html(), QStringLiteral("book.xpm"));
    QList<int> widths;
    for (const QSize& size : icon.availableSizes())
        widths.append(size.width());
    std::sort(widths.begin(), widths.end());
    QCOMPARE(widths, (QList<int>{16, 20, 22, 32}));

    // The contents root carries the small book.
    QVERIFY(tree.write(QStringLiteral("toc.html"), "TOC"));
    HelpWidget widget(tree.homePage());
    QVERIFY(!widget.listContents->topLevelItem(0)->icon(0).isNull());
}

QTEST_MAIN(TestHelpWidget)
#include "tst_helpwidget.moc"
