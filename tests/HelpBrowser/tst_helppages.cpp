#include "help.h"
#include "helpwidget.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// Checks the help pages that ship with the program: every page reachable from the contents,
// every link and keyword leading to a page and anchor that exist, titles that agree.
class TestHelpPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyPageHasItsTitle_data();
    void everyPageHasItsTitle();
    void linksLeadToPagesAndAnchors_data();
    void linksLeadToPagesAndAnchors();
    void contentsListEveryPage();
    void indexIsSortedAndComplete();
    void indexKeywordsLeadToPages();
    void startPageOpensInTheWindow();

private:
    QString page(const QString& name) const;
    bool anchorExists(const QString& link) const;

    QTemporaryDir m_home;
    QString m_html;
    QStringList m_pages;
};

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString titleOf(const QString& text)
{
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
    return title.match(text).captured(1).simplified();
}

} // namespace

void TestHelpPages::initTestCase()
{
    // The panel writes its caches beside the files: work on a copy, not on the sources.
    QVERIFY(m_home.isValid());
    m_html = m_home.path() + QStringLiteral("/help/html");
    QVERIFY(QDir().mkpath(m_html));
    const QDir source(QStringLiteral(TARVIX_HELP_SOURCE_DIR));
    for (const QString& name : source.entryList(QDir::Files))
        QVERIFY(QFile::copy(source.filePath(name), m_html + QLatin1Char('/') + name));
    m_pages = QDir(m_html).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    QVERIFY(m_pages.contains(QStringLiteral("toc.html")));
    QVERIFY(m_pages.size() >= 10);
}

QString TestHelpPages::page(const QString& name) const
{
    return readText(m_html + QLatin1Char('/') + name);
}

bool TestHelpPages::anchorExists(const QString& link) const
{
    const int hash = link.indexOf(QLatin1Char('#'));
    const QString file = hash < 0 ? link : link.left(hash);
    if (!m_pages.contains(file))
        return false;
    if (hash < 0)
        return true;
    const QString name = link.mid(hash + 1);
    return page(file).contains(QStringLiteral("<a name=\"%1\">").arg(name));
}

void TestHelpPages::everyPageHasItsTitle_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : m_pages)
        QTest::newRow(qPrintable(name)) << name;
}

void TestHelpPages::everyPageHasItsTitle()
{
    QFETCH(QString, name);
    const QString text = page(name);
    QVERIFY(text.contains(QLatin1String("<meta charset=\"utf-8\">")));
    const QString title = titleOf(text);
    QVERIFY(!title.isEmpty());
    HelpWidget widget(m_html + QStringLiteral("/toc.html"));
    QCOMPARE(widget.titleOfLink(name), title);
    // The page head never shows: the heading repeats the title.
    QVERIFY(text.contains(QStringLiteral("<h1>%1</h1>").arg(title)));
}

void TestHelpPages::linksLeadToPagesAndAnchors_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : m_pages)
        QTest::newRow(qPrintable(name)) << name;
}

void TestHelpPages::linksLeadToPagesAndAnchors()
{
    QFETCH(QString, name);
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    const QString text = page(name);
    auto it = href.globalMatch(text);
    int links = 0;
    while (it.hasNext()) {
        QString link = it.next().captured(1);
        if (link.startsWith(QLatin1Char('#')))
            link.prepend(name);
        QVERIFY2(anchorExists(link), qPrintable(link));
        ++links;
    }
    // Every page leads back to the contents.
    if (name != QLatin1String("toc.html"))
        QVERIFY(text.contains(QLatin1String("<a href=\"toc.html\">Contents</a>")));
    QVERIFY(links > 0);
}

void TestHelpPages::contentsListEveryPage()
{
    HelpWidget widget(m_html + QStringLiteral("/toc.html"));
    QTreeWidgetItem* root = widget.listContents->topLevelItem(0);
    QCOMPARE(root->text(0), QStringLiteral("Tarvix Help"));
    QSet<QString> listed;
    QList<QTreeWidgetItem*> open{root};
    while (!open.isEmpty()) {
        QTreeWidgetItem* item = open.takeFirst();
        for (int i = 0; i < item->childCount(); ++i) {
            auto* child = static_cast<HelpNavigationContentsItem*>(item->child(i));
            QVERIFY2(anchorExists(child->link()), qPrintable(child->link()));
            QCOMPARE(child->text(0), widget.titleOfLink(child->link()));
            listed.insert(child->link());
            open.append(child);
        }
    }
    QSet<QString> pages(m_pages.cbegin(), m_pages.cend());
    pages.remove(QStringLiteral("toc.html"));
    QCOMPARE(listed, pages);
}

void TestHelpPages::indexIsSortedAndComplete()
{
    const QStringList lines = readText(m_html + QStringLiteral("/index"))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    HelpWidget widget(m_html + QStringLiteral("/toc.html"));
    widget.loadIndexFile();
    int keywordsWithSeveralPages = 0;
    int entries = 0;
    for (int row = 0; row < widget.listIndex->count(); ++row) {
        const auto* item = static_cast<HelpNavigationListItem*>(widget.listIndex->item(row));
        entries += int(item->links().size());
        if (item->links().size() > 1)
            ++keywordsWithSeveralPages;
        if (row > 0)
            QVERIFY2(QString::compare(widget.listIndex->item(row - 1)->text(), item->text(),
                                      Qt::CaseInsensitive) < 0,
                     qPrintable(item->text()));
    }
    // No line of the file is dropped by the index rules, and the chooser has work to do.
    QCOMPARE(entries, int(lines.size()));
    QVERIFY(keywordsWithSeveralPages >= 5);
}

void TestHelpPages::indexKeywordsLeadToPages()
{
    HelpWidget widget(m_html + QStringLiteral("/toc.html"));
    widget.loadIndexFile();
    QVERIFY(widget.listIndex->count() > 40);
    for (int row = 0; row < widget.listIndex->count(); ++row) {
        const auto* item = static_cast<HelpNavigationListItem*>(widget.listIndex->item(row));
        for (const QString& link : item->links()) {
            QVERIFY2(anchorExists(link), qPrintable(item->text() + QStringLiteral(": ") + link));
            QVERIFY(!widget.titleOfLink(link).isEmpty());
        }
    }
}

void TestHelpPages::startPageOpensInTheWindow()
{
    Help help(m_html, QStringLiteral("toc.html"), nullptr, "help");
    QCOMPARE(help.windowTitle(), QStringLiteral("Help - Tarvix Help"));
    const QString text = help.browser()->toPlainText();
    QVERIFY(text.startsWith(QLatin1String("Tarvix Help")));
    QVERIFY(text.contains(QLatin1String("Getting started with the example pairs")));
}

QTEST_MAIN(TestHelpPages)
#include "tst_helppages.moc"
