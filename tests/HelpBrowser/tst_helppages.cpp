#include "helpwidget.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

// The help pages that ship with the program: every link of a page, of the contents and of the
// index leads to a page and an anchor that exist, and the titles agree everywhere.
class TestHelpPages : public QObject
{
    Q_OBJECT

private slots:
    void linksLeadToPagesAndAnchors();
};

void TestHelpPages::linksLeadToPagesAndAnchors()
{
    // The panel writes its caches beside the files: work on a copy.
    QTemporaryDir home;
    const QString html = home.path() + QStringLiteral("/help/html/");
    const QDir source(QStringLiteral(TARVIX_HELP_SOURCE_DIR));
    QVERIFY(QDir().mkpath(html));
    for (const QString& name : source.entryList(QDir::Files))
        QVERIFY(QFile::copy(source.filePath(name), html + name));
    const QStringList pages = source.entryList({QStringLiteral("*.html")}, QDir::Files);
    const auto text = [&html](const QString& name) {
        QFile file(html + name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const auto exists = [&](const QString& link) {
        const QString page = link.section('#', 0, 0), anchor = link.section('#', 1);
        return pages.contains(page)
               && (anchor.isEmpty() || text(page).contains("<a name=\"" + anchor + "\">"));
    };
    HelpWidget widget(html + QStringLiteral("toc.html"));
    static const QRegularExpression title("<title>([^<]*)</title>"), href("href=\"([^\"]*)\"");
    for (const QString& page : pages) {
        QCOMPARE(widget.titleOfLink(page), title.match(text(page)).captured(1).simplified());
        for (auto it = href.globalMatch(text(page)); it.hasNext();) {
            const QString link = it.next().captured(1);
            QVERIFY2(exists(link.startsWith('#') ? page + link : link), qPrintable(page + link));
        }
    }
    // The contents reach every page, under the pages' own titles; the root is the start page.
    QSet<QString> listed;
    for (QTreeWidgetItemIterator it(widget.listContents); *it; ++it) {
        QString link = static_cast<HelpNavigationContentsItem*>(*it)->link();
        link = link.isEmpty() ? QStringLiteral("toc.html") : link;
        QVERIFY2(exists(link), qPrintable(link));
        QCOMPARE((*it)->text(0), widget.titleOfLink(link));
        listed.insert(link);
    }
    QCOMPARE(listed, QSet<QString>(pages.cbegin(), pages.cend()));
    // Every line of the index is an entry leading to a titled page, in alphabetical order
    // (equal keywords merge only as neighbours); some keywords lead to several pages.
    widget.loadIndexFile();
    int links = 0, chooser = 0;
    for (int row = 0; row < widget.listIndex->count(); ++row) {
        const auto* item = static_cast<HelpNavigationListItem*>(widget.listIndex->item(row));
        for (const QString& link : item->links())
            QVERIFY2(exists(link) && !widget.titleOfLink(link).isEmpty(), qPrintable(link));
        links += int(item->links().size());
        chooser += item->links().size() > 1 ? 1 : 0;
        const QString previous = row ? widget.listIndex->item(row - 1)->text() : QString();
        QVERIFY2(previous.compare(item->text(), Qt::CaseInsensitive) < 0, qPrintable(previous));
    }
    QCOMPARE(links, int(text("index").split('\n', Qt::SkipEmptyParts).size()));
    QVERIFY(chooser >= 5);
}

QTEST_MAIN(TestHelpPages)
#include "tst_helppages.moc"
