#include "help.h"
#include "helptree.h"
#include "helpwidget.h"

#include <QAction>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

namespace {

QAction* action(const Help& help, const char* name)
{
    return help.findChild<QAction*>(QLatin1String(name));
}

// Clicks the middle of the first occurrence of text in the page.
void clickText(TextBrowser* browser, const QString& text)
{
    QTextCursor cursor = browser->document()->find(text);
    QVERIFY(!cursor.isNull());
    cursor.setPosition(cursor.selectionStart() + int(text.size()) / 2);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {},
                      browser->cursorRect(cursor).center());
}

QString menuText(const QMenu* menu) // "title: text, text, ...", a separator has no text
{
    QStringList texts;
    for (const QAction* item : menu->actions())
        texts << item->text();
    return menu->title() + ": " + texts.join(", ");
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

    HelpTree m_tree;
    QStringList m_messages;

private slots:
    void init()
    {
        QVERIFY(m_tree.write(
                "toc.html",
                "<head><title>Start page</title>Head words</head><h1>Help"
                "</h1><dl><dt>Term</dt><dd>Meaning</dd></dl><!-- TOC --><ul><li><a "
                "href=\"zoom.html\">Zooming</a><li><a href=\"keys.html\">Keys</a></ul>"));
        QVERIFY(m_tree.write(
                "zoom.html",
                "<title>Zooming</title><p><a href=\"keys.html\">keys page"
                "</a> <a href=\"http://example.org/t\">web page</a><p><a name=\"b\">"));
        QVERIFY(m_tree.write("keys.html", "<p>Keys without a title</p>"));
        QVERIFY(m_tree.write("more/deep.html",
                             "<title>Deep</title><a href=\"../zoom.html\">up</a>"));
        QVERIFY(m_tree.write("titleindex", "zoom.html|Zooming\n"));
        m_messages.clear();
        TextBrowser::setMessageHook([this](QWidget*, const QString& c, const QString& t) {
            m_messages << c + ": " + t;
        });
    }

    void startPage()
    {
        // The main window may name the help directory relative to the current one.
        const QString current = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_tree.home()));
        Help help(QStringLiteral("help/html"), QStringLiteral("toc.html"), nullptr, "help");
        QVERIFY(QDir::setCurrent(current));
        QCOMPARE(help.homePage(), m_tree.homePage());
        QCOMPARE(help.windowTitle(), QStringLiteral("Help - Start page"));
        // The head stays hidden; definition lists are blocks.
        QCOMPARE(help.browser()->toPlainText(), "Help\nTerm\nMeaning\nZooming\nKeys");
        // The navigation is hidden and shown by its button, the View toggle and the slot.
        help.show();
        QVERIFY(QTest::qWaitForWindowActive(&help));
        QAction* toggle = action(help, "viewNavigationAction");
        QAction* button = action(help, "navToolBarAction");
        const auto state = [&] { // shown, checked, button text and tip
            return QString::asprintf("%d%d ", help.helpWidget()->isVisible(), toggle->isChecked())
                   + button->text() + '/' + button->toolTip();
        };
        QCOMPARE(state(), "11 Hide Navigations/Hide Navigations");
        auto* bar = help.findChild<QToolBar*>(QStringLiteral("navigationToolBar"));
        QTest::mouseClick(bar->widgetForAction(button), Qt::LeftButton);
        QCOMPARE(state(), "00 Show Navigations/Show Navigations");
        QTest::keySequence(&help, QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(state(), "11 Hide Navigations/Hide Navigations");
        help.showNavigation(false); // the slot keeps the View toggle in step
        QCOMPARE(state(), "00 Show Navigations/Show Navigations");
    }

    void navigation()
    {
        const QString zoom = m_tree.path("zoom.html"), keys = m_tree.path("keys.html");
        QVERIFY(m_tree.write("bookmarks", ("Zoom\n" + zoom + "\nKeys & mouse\n" + keys).toUtf8()));
        Help help(m_tree.html(), QStringLiteral("toc.html"));
        help.show();
        QStringList trail; // "file#fragment|title" after each step
        const auto step = [&] {
            trail << help.browser()->source().toString().section('/', -1) + '|'
                             + help.windowTitle().mid(7);
        };
        const auto click = [&](const char* text) { clickText(help.browser(), text), step(); };
        const auto go = [&](const char* name) { action(help, name)->trigger(), step(); };
        // Links of the panel are relative to the help directory, links of a page to the page.
        help.showLink(QStringLiteral("more/deep.html"), QString());
        click("up");
        click("web page"); // refused with a word, and the page stays
        click("keys page");
        go("goBackwardAction");
        go("goBackwardAction");
        go("goForwardAction");
        help.showLink(QStringLiteral("zoom.html#b"), QString());
        step();
        go("goHomeAction");
        HelpWidget* panel = help.helpWidget();
        panel->listContents->setCurrentItem(panel->listContents->topLevelItem(0)->child(1));
        panel->showTopic();
        step();
        // The Bookmarks menu opens its pages; adding through it or removing in the panel
        // rebuilds it.
        QMenu* menu = help.bookmarkMenu();
        QCOMPARE(menuText(menu), "&Bookmarks: &Add Bookmark, , Zoom, Keys && mouse");
        menu->actions().at(2)->trigger(), step();
        menu->actions().at(0)->trigger();
        panel->listBookmarks->setCurrentItem(panel->listBookmarks->topLevelItem(0));
        panel->removeBookmark();
        QCOMPARE(menuText(menu), "&Bookmarks: &Add Bookmark, , Keys && mouse, Zooming");
        menu->actions().at(2)->trigger(), step();
        const QString k = "keys.html|" + keys; // no title: the path
        QCOMPARE(trail,
                 (QStringList{"zoom.html|Zooming", "zoom.html|Zooming", k, "zoom.html|Zooming",
                              "deep.html|Deep", "zoom.html|Zooming", "zoom.html#b|Zooming",
                              "toc.html|Start page", k, "zoom.html|Zooming", k}));
        QCOMPARE(m_messages,
                 QStringList("Help: Can't load and display non-local file\nhttp://example.org/t"));
    }

    void printing()
    {
        QStringList lines;
        for (int i = 1; i <= 240; ++i) // over several pages
            lines << QStringLiteral("Printed line %1").arg(i);
        QVERIFY(m_tree.write("long.html", ("<p>" + lines.join("</p><p>") + "</p>").toUtf8()));
        QString pdf; // empty: the dialog is cancelled
        auto restore = qScopeGuard([] { Help::setPrintDialogHook({}); });
        Help::setPrintDialogHook([&](QPrinter& printer, QWidget* parent) {
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            return !pdf.isEmpty() && parent && printer.fullPage();
        });
        Help help(m_tree.html(), QStringLiteral("long.html"));
        help.filePrint(); // cancelled: no message
        pdf = m_tree.home() + QStringLiteral("/no such folder/printed.pdf");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QPainter::begin"));
        help.filePrint();
        QCOMPARE(m_messages, QStringList{"Help: Cannot print the page."});
        pdf = m_tree.home() + QStringLiteral("/printed.pdf");
        action(help, "filePrintAction")->trigger();
        QProcess reader;
        reader.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY2(reader.waitForFinished(30000) && reader.exitCode() == 0, "pdftotext is needed");
        // Every line once, page after page, each page closed by its number.
        const QStringList pages = QString::fromUtf8(reader.readAllStandardOutput())
                                          .split('\f', Qt::SkipEmptyParts);
        QStringList printed;
        for (int number = 1; number <= pages.size(); ++number) {
            printed += pages.at(number - 1).trimmed().split(QRegularExpression("\\s*\n\\s*"));
            QCOMPARE(printed.takeLast(), QString::number(number));
        }
        QCOMPARE(printed, lines);
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
