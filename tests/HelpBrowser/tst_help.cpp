#include "help.h"
#include "helptree.h"
#include "helpwidget.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QTreeWidget>

namespace {

QAction* action(const Help& help, const char* name)
{
    return help.findChild<QAction*>(QLatin1String(name));
}

QString page(const Help& help)
{
    return QFileInfo(help.browser()->source().toLocalFile()).fileName();
}

// Clicks the middle of the first occurrence of text in the page.
void clickText(TextBrowser* browser, const QString& text)
{
    QTextCursor cursor = browser->document()->find(text);
    QVERIFY(!cursor.isNull());
    cursor.setPosition(cursor.selectionStart() + int(text.size()) / 2);
    const QPoint point = browser->cursorRect(cursor).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
}

QString menuText(const QMenu* menu) // "title: text shortcut, -, ..."
{
    QStringList texts;
    for (const QAction* item : menu->actions())
        texts << (item->isSeparator() ? "-" : item->text() + ' ' + item->shortcut().toString())
                         .trimmed();
    return menu->title() + ": " + texts.join(", ");
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startPage();
    void navigation();
    void hideAndShowNavigation();
    void bookmarkMenu();
    void printing();

private:
    HelpTree m_tree;
    QStringList m_messages;
};

void TestHelp::init()
{
    QVERIFY(m_tree.write("toc.html", "<head><title>Start page</title>Head words</head><h1>Help"
                                     "</h1><dl><dt>Term</dt><dd>Meaning</dd></dl><!-- TOC --><ul>"
                                     "<li><a href=\"zoom.html\">Zooming</a><li><a href=\"keys.html"
                                     "\">Keys</a></ul>"));
    QVERIFY(m_tree.write("zoom.html", "<title>Zooming</title><p><a href=\"keys.html\">keys page"
                                      "</a> <a href=\"http://example.org/t\">web page</a> <a href"
                                      "=\"mailto:a@x.org\">mail us</a><p><a name=\"b\"></a>"));
    QVERIFY(m_tree.write("keys.html", "<p>Keys without a title</p>"));
    QVERIFY(m_tree.write("more/deep.html", "<title>Deep</title><a href=\"../zoom.html\">up</a>"));
    QVERIFY(m_tree.write("titleindex", "zoom.html|Zooming\n"));
    QFile::remove(m_tree.path("bookmarks"));
    m_messages.clear();
    TextBrowser::setMessageHook([this](QWidget*, const QString& caption, const QString& text) {
        m_messages << caption + ": " + text;
    });
}

void TestHelp::cleanup()
{
    TextBrowser::setMessageHook({});
    Help::setPrintDialogHook({});
}

void TestHelp::startPage()
{
    // The main window may name the help directory relative to the current one.
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_tree.home()));
    Help help(QStringLiteral("help/html"), QStringLiteral("toc.html"), nullptr, "help");
    QVERIFY(QDir::setCurrent(current));
    QCOMPARE(help.homePage(), m_tree.homePage());
    QCOMPARE(help.windowTitle(), QStringLiteral("Help - Start page"));
    QCOMPARE(help.size(), QSize(750, 700));
    // The head stays hidden; definition lists are blocks.
    QStringList blocks;
    for (QTextBlock block = help.browser()->document()->begin(); block.isValid();
         block = block.next())
        blocks << block.text();
    QCOMPARE(blocks, (QStringList{"Help", "Term", "Meaning", "Zooming", "Keys"}));
    QStringList menus;
    for (const QAction* menu : help.menuBar()->actions())
        menus << menuText(menu->menu());
    QCOMPARE(menus, (QStringList{"&File: &Print... Ctrl+P, -, &Close Ctrl+W",
                                 "&View: &Navigations Ctrl+N",
                                 "&Go: &Backward Alt+Left, &Forward Alt+Right, &Home Alt+Home",
                                 "&Bookmarks: &Add Bookmark, -"}));
    help.show();
    action(help, "fileCloseAction")->trigger();
    QVERIFY(help.isHidden());
}

void TestHelp::navigation()
{
    Help help(m_tree.html(), QStringLiteral("toc.html"));
    help.show();
    QAction* backward = action(help, "goBackwardAction");
    QAction* forward = action(help, "goForwardAction");
    QVERIFY(!backward->isEnabled() && !forward->isEnabled());
    // Links of the panel are relative to the help directory, links of a page to the page.
    help.showLink(QStringLiteral("more/deep.html"), QString());
    clickText(help.browser(), QStringLiteral("up"));
    QCOMPARE(page(help), QStringLiteral("zoom.html"));
    // Other than local links are refused with a word, and the page stays.
    clickText(help.browser(), QStringLiteral("web page"));
    clickText(help.browser(), QStringLiteral("mail us"));
    QCOMPARE(m_messages, (QStringList{"Help: Can't load and display non-local file\n"
                                      "http://example.org/t",
                                      "Help: Can't load and display non-local file\n"
                                      "mailto:a@x.org"}));
    help.showLink(QString(), QString());
    clickText(help.browser(), QStringLiteral("keys page"));
    QCOMPARE(help.windowTitle(), "Help - " + m_tree.path("keys.html")); // a page without title
    backward->trigger();
    QCOMPARE(help.windowTitle(), QStringLiteral("Help - Zooming"));
    backward->trigger();
    QCOMPARE(page(help), QStringLiteral("deep.html"));
    forward->trigger();
    QCOMPARE(page(help), QStringLiteral("zoom.html"));
    help.showLink(QStringLiteral("zoom.html#b"), QString());
    QCOMPARE(page(help) + help.browser()->source().fragment(), QStringLiteral("zoom.htmlb"));
    action(help, "goHomeAction")->trigger();
    QCOMPARE(page(help), QStringLiteral("toc.html"));
    HelpWidget* panel = help.helpWidget();
    panel->listContents->setCurrentItem(panel->listContents->topLevelItem(0)->child(1));
    panel->showTopic();
    QCOMPARE(page(help), QStringLiteral("keys.html"));
}

void TestHelp::hideAndShowNavigation()
{
    Help help(m_tree.html(), QStringLiteral("toc.html"));
    help.show();
    QVERIFY(QTest::qWaitForWindowActive(&help));
    QAction* toggle = action(help, "viewNavigationAction");
    QAction* button = action(help, "navToolBarAction");
    const auto state = [&] {
        return QStringList{help.helpWidget()->isVisible() ? "shown" : "hidden",
                           toggle->isChecked() ? "on" : "off", button->text(), button->toolTip()};
    };
    const QStringList shown{"shown", "on", "Hide Navigations", "Hide Navigations"};
    const QStringList hidden{"hidden", "off", "Show Navigations", "Show Navigations"};
    QCOMPARE(state(), shown);
    auto* bar = help.findChild<QToolBar*>(QStringLiteral("navigationToolBar"));
    QTest::mouseClick(bar->widgetForAction(button), Qt::LeftButton);
    QCOMPARE(state(), hidden);
    QTest::keySequence(&help, QKeySequence(Qt::CTRL | Qt::Key_N));
    QCOMPARE(state(), shown);
    help.showNavigation(false); // the slot keeps the View toggle in step
    QCOMPARE(state(), hidden);
}

void TestHelp::bookmarkMenu()
{
    const QString zoom = m_tree.path("zoom.html"), keys = m_tree.path("keys.html");
    QVERIFY(m_tree.write("bookmarks", ("Zooming\n" + zoom + "\nKeys & mouse\n" + keys).toUtf8()));
    Help help(m_tree.html(), QStringLiteral("toc.html"));
    QMenu* menu = help.bookmarkMenu();
    QCOMPARE(menuText(menu), "&Bookmarks: &Add Bookmark, -, Zooming, Keys && mouse");
    // Adding through the menu or removing in the panel rebuilds the menu.
    help.showLink(QStringLiteral("zoom.html"), QString());
    menu->actions().at(0)->trigger();
    HelpWidget* panel = help.helpWidget();
    panel->listBookmarks->setCurrentItem(panel->listBookmarks->topLevelItem(0));
    panel->removeBookmark();
    QCOMPARE(menuText(menu), "&Bookmarks: &Add Bookmark, -, Keys && mouse, Zooming");
    menu->actions().at(2)->trigger();
    QCOMPARE(page(help), QStringLiteral("keys.html"));
    menu->actions().at(3)->trigger();
    QCOMPARE(page(help), QStringLiteral("zoom.html"));
}

void TestHelp::printing()
{
    QStringList lines;
    for (int i = 1; i <= 240; ++i)
        lines << QStringLiteral("Printed line %1").arg(i);
    QVERIFY(m_tree.write("long.html", ("<p>" + lines.join("</p><p>") + "</p>").toUtf8()));
    QString pdf = m_tree.home() + QStringLiteral("/cancelled.pdf");
    bool accept = false;
    Help::setPrintDialogHook([&](QPrinter& printer, QWidget* parent) {
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        return accept && parent && printer.fullPage();
    });
    Help help(m_tree.html(), QStringLiteral("long.html"));
    help.filePrint();
    QVERIFY(!QFile::exists(pdf));
    accept = true;
    pdf = m_tree.home() + QStringLiteral("/no such folder/printed.pdf");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QPainter::begin"));
    help.filePrint();
    QCOMPARE(m_messages, QStringList{"Help: Cannot print the page."});

    pdf = m_tree.home() + QStringLiteral("/printed.pdf");
    action(help, "filePrintAction")->trigger();
    QProcess reader;
    reader.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY2(reader.waitForFinished(30000) && reader.exitCode() == 0, "pdftotext is needed");
    // Page after page (form feeds part them), every line once and then the page's number.
    QStringList pages = QString::fromUtf8(reader.readAllStandardOutput()).split('\f');
    pages.removeAll(QString());
    QVERIFY(pages.size() >= 3);
    QStringList printed;
    for (int number = 1; number <= pages.size(); ++number) {
        QStringList found = pages.at(number - 1).trimmed().split(QRegularExpression("\\s*\n\\s*"));
        QCOMPARE(found.takeLast(), QString::number(number));
        printed += found;
    }
    QCOMPARE(printed, lines);
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
