#include "help.h"
#include "helptree.h"
#include "helpwidget.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QTreeWidget>

namespace {

struct Message
{
    QWidget* parent = nullptr;
    QString caption;
    QString text;
};

QAction* action(const Help& help, const char* name)
{
    return help.findChild<QAction*>(QLatin1String(name));
}

QString localSource(const Help& help)
{
    return help.browser()->source().toLocalFile();
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

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* item : menu->actions())
        texts.append(item->isSeparator() ? QStringLiteral("-") : item->text());
    return texts;
}

// What the main window's help request does: create the window once, then show it again.
void requestHelp(QPointer<Help>& window, const QString& home)
{
    if (!window)
        window = new Help(home + QStringLiteral("/help/html"), QStringLiteral("toc.html"),
                          nullptr, "help");
    window->show();
    window->raise();
}

QString pdfText(const QString& pdf, int page)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                   QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPageCount(const QString& pdf)
{
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return int(QString::fromLatin1(file.readAll()).count(page));
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createdAsTheMainWindowDoes();
    void documentStyle();
    void actions_data();
    void actions();
    void iconsFromThePicsFolder();
    void captionFollowsThePage_data();
    void captionFollowsThePage();
    void backwardForwardAndHome();
    void navigationLinksAreRelativeToTheHelpDirectory();
    void relativeHelpDirectory();
    void navigationPanelOpensPages();
    void hideAndShowNavigation();
    void nonLocalLinksRefused_data();
    void nonLocalLinksRefused();
    void bookmarkMenuWithoutFile();
    void bookmarkMenuFollowsTheFile();
    void closeHides();
    void printsEveryLineOnNumberedPages();
    void cancelledPrintPrintsNothing();
    void failedPrintIsReported();

private:
    HelpTree* m_tree = nullptr;
    QList<Message> m_messages;
};

void TestHelp::init()
{
    m_tree = new HelpTree;
    QVERIFY(m_tree->isValid());
    QVERIFY(m_tree->write(QStringLiteral("toc.html"),
                          "<html><head><title>Start page</title></head><body>"
                          "<h1>Help</h1><!-- TOC --><ul>"
                          "<li><a href=\"zoom.html\">Zooming</a></li>"
                          "<li><a href=\"keys.html\">Keys</a></li></ul></body></html>"));
    QVERIFY(m_tree->write(QStringLiteral("zoom.html"),
                          "<html><head><title>Zooming</title></head><body><p>Zoom text. "
                          "<a href=\"keys.html\">keys page</a> "
                          "<a href=\"http://example.org/tarvix\">web page</a> "
                          "<a href=\"mailto:someone@example.org\">mail us</a> "
                          "<a href=\"#below\">below</a></p><p><a name=\"below\"></a>Bottom</p>"
                          "</body></html>"));
    QVERIFY(m_tree->write(QStringLiteral("keys.html"), "<html><body><p>Keys without a title</p>"
                                                       "</body></html>"));
    QVERIFY(m_tree->write(QStringLiteral("titleindex"), "zoom.html|Zooming\n"));
    m_messages.clear();
    TextBrowser::setMessageHook([this](QWidget* parent, const QString& caption,
                                       const QString& text) {
        m_messages.append({parent, caption, text});
    });
}

void TestHelp::cleanup()
{
    TextBrowser::setMessageHook({});
    Help::setPrintDialogHook({});
    delete m_tree;
    m_tree = nullptr;
}

void TestHelp::createdAsTheMainWindowDoes()
{
    QPointer<Help> window;
    requestHelp(window, m_tree->home());
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("help"));
    QCOMPARE(window->size(), QSize(750, 700));
    QVERIFY(!window->parent());
    QCOMPARE(window->homePage(), m_tree->homePage());
    QCOMPARE(localSource(*window), m_tree->homePage());
    QCOMPARE(window->windowTitle(), QStringLiteral("Help - Start page"));
    QCOMPARE(qobject_cast<QSplitter*>(window->centralWidget())->widget(0), window->helpWidget());
    QCOMPARE(qobject_cast<QSplitter*>(window->centralWidget())->widget(1), window->browser());
    // The contents tab is filled from the start page.
    QCOMPARE(window->helpWidget()->listContents->topLevelItem(0)->childCount(), 2);

    // A second request shows the same window.
    Help* first = window;
    window->hide();
    requestHelp(window, m_tree->home());
    QCOMPARE(window.data(), first);
    QVERIFY(window->isVisible());

    // Once deleted, the guarded pointer is empty and the next request builds a new one.
    delete first;
    QVERIFY(!window);
    requestHelp(window, m_tree->home());
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("help"));
    delete window;
}

void TestHelp::documentStyle()
{
    QVERIFY(m_tree->write(QStringLiteral("styled.html"),
                          "<html><head><title>Styled</title><meta name=\"a\" content=\"b\">"
                          "Head words</head><body><dl><dt>Term one</dt><dd>Meaning one</dd>"
                          "<dt>Term two</dt><dd>Meaning two</dd></dl><p>After</p></body></html>"));
    Help help(m_tree->html(), QStringLiteral("styled.html"));
    QTextDocument* document = help.browser()->document();
    QCOMPARE(document->defaultStyleSheet(), helpDocumentStyleSheet());

    const QString text = document->toPlainText();
    QVERIFY(!text.contains(QLatin1String("Head words")));
    QVERIFY(!text.contains(QLatin1String("Styled")));
    QStringList blocks;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        blocks.append(block.text());
    QCOMPARE(blocks, (QStringList{"Term one", "Meaning one", "Term two", "Meaning two", "After"}));

    QTextDocument other;
    applyHelpDocumentStyle(&other);
    QCOMPARE(other.defaultStyleSheet(), helpDocumentStyleSheet());
    applyHelpDocumentStyle(nullptr);
}

void TestHelp::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QKeySequence>("shortcut");

    QTest::newRow("Print") << "filePrintAction" << "&File" << "&Print..." << "Print"
                           << QKeySequence(Qt::CTRL | Qt::Key_P);
    QTest::newRow("Close") << "fileCloseAction" << "&File" << "&Close" << "Close"
                           << QKeySequence(Qt::CTRL | Qt::Key_W);
    QTest::newRow("Navigations") << "viewNavigationAction" << "&View" << "&Navigations"
                                 << "Navigations" << QKeySequence(Qt::CTRL | Qt::Key_N);
    QTest::newRow("Backward") << "goBackwardAction" << "&Go" << "&Backward" << "Backward"
                              << QKeySequence(Qt::ALT | Qt::Key_Left);
    QTest::newRow("Forward") << "goForwardAction" << "&Go" << "&Forward" << "Forward"
                             << QKeySequence(Qt::ALT | Qt::Key_Right);
    QTest::newRow("Home") << "goHomeAction" << "&Go" << "&Home" << "Home"
                          << QKeySequence(Qt::ALT | Qt::Key_Home);
    QTest::newRow("Add Bookmark") << "addBookmarkAction" << "&Bookmarks" << "&Add Bookmark"
                                  << "Add Bookmark" << QKeySequence();
    QTest::newRow("Hide Navigations") << "navToolBarAction" << "" << "Hide Navigations"
                                      << "Hide Navigations" << QKeySequence();
}

void TestHelp::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, menu);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(QKeySequence, shortcut);

    Help help(m_tree->html(), QStringLiteral("toc.html"));
    QAction* item = action(help, name.toLatin1().constData());
    QVERIFY(item);
    QCOMPARE(item->text(), text);
    QCOMPARE(item->toolTip(), toolTip);
    QCOMPARE(item->shortcut(), shortcut);

    QStringList menus;
    for (const QAction* entry : help.menuBar()->actions())
        menus.append(entry->text());
    QCOMPARE(menus, (QStringList{"&File", "&View", "&Go", "&Bookmarks"}));
    if (!menu.isEmpty()) {
        const QAction* entry = help.menuBar()->actions().at(menus.indexOf(menu));
        QVERIFY(entry->menu()->actions().contains(item));
    } else {
        const auto* bar = help.findChild<QToolBar*>(QStringLiteral("navigationToolBar"));
        QVERIFY(bar);
        QCOMPARE(bar->actions(), QList<QAction*>{item});
    }
}

void TestHelp::iconsFromThePicsFolder()
{
    {
        // The pictures may be missing: the window is built all the same.
        Help help(m_tree->html(), QStringLiteral("toc.html"));
        QVERIFY(action(help, "filePrintAction")->icon().isNull());
    }
    const QString pics = m_tree->home() + QStringLiteral("/help/pics/");
    QDir().mkpath(pics);
    const QStringList names{"print", "left", "right", "home", "deflate", "inflate", "book"};
    for (const QString& name : names) {
        QPixmap pixmap(22, 22);
        pixmap.fill(Qt::darkGreen);
        QVERIFY(pixmap.save(pics + name + QStringLiteral(".xpm"), "XPM"));
    }
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    for (const char* name : {"filePrintAction", "goBackwardAction", "goForwardAction",
                             "goHomeAction", "navToolBarAction"})
        QVERIFY2(!action(help, name)->icon().isNull(), name);
    const auto* tools = help.findChild<QToolBar*>(QStringLiteral("Tools"));
    QVERIFY(tools);
    QVERIFY(tools->actions().contains(action(help, "filePrintAction")));
    QVERIFY(tools->actions().contains(action(help, "goHomeAction")));
}

void TestHelp::captionFollowsThePage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("caption");

    QTest::newRow("page with title") << "zoom.html" << "Help - Zooming";
    QTest::newRow("page without title shows its location") << "keys.html" << "";
}

void TestHelp::captionFollowsThePage()
{
    QFETCH(QString, page);
    QFETCH(QString, caption);
    if (caption.isEmpty())
        caption = QStringLiteral("Help - ") + m_tree->path(page);

    Help help(m_tree->html(), QStringLiteral("toc.html"));
    help.showLink(page, QStringLiteral("ignored title"));
    QCOMPARE(help.windowTitle(), caption);
}

void TestHelp::backwardForwardAndHome()
{
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    help.show();
    QAction* backward = action(help, "goBackwardAction");
    QAction* forward = action(help, "goForwardAction");
    QVERIFY(!backward->isEnabled());
    QVERIFY(!forward->isEnabled());

    help.showLink(QStringLiteral("zoom.html"), QString());
    QVERIFY(backward->isEnabled());
    QVERIFY(!forward->isEnabled());
    clickText(help.browser(), QStringLiteral("keys page"));
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("keys.html")));

    backward->trigger();
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("zoom.html")));
    QVERIFY(forward->isEnabled());
    forward->trigger();
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("keys.html")));

    action(help, "goHomeAction")->trigger();
    QCOMPARE(localSource(help), m_tree->homePage());
    QCOMPARE(help.windowTitle(), QStringLiteral("Help - Start page"));
}

void TestHelp::navigationLinksAreRelativeToTheHelpDirectory()
{
    QVERIFY(m_tree->write(QStringLiteral("more/deep.html"),
                          "<title>Deep</title><a href=\"../zoom.html\">up</a>"));
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    help.show();
    help.showLink(QStringLiteral("more/deep.html"), QString());
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("more/deep.html")));
    // A page link resolves against the page, a panel link against the help directory.
    clickText(help.browser(), QStringLiteral("up"));
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("zoom.html")));
    help.showLink(QStringLiteral("more/deep.html"), QString());
    help.showLink(QStringLiteral("keys.html"), QString());
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("keys.html")));
    help.showLink(QStringLiteral("zoom.html#below"), QString());
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("zoom.html")));
    QCOMPARE(help.browser()->source().fragment(), QStringLiteral("below"));
    help.showLink(QString(), QString());
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("zoom.html")));
}

void TestHelp::relativeHelpDirectory()
{
    // Pages keep working when the window is given a directory relative to the current one.
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_tree->home()));
    Help help(QStringLiteral("help/html"), QStringLiteral("toc.html"));
    QVERIFY(QDir::setCurrent(current));
    QCOMPARE(help.homePage(), m_tree->homePage());
    help.showLink(QStringLiteral("zoom.html"), QString());
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("zoom.html")));
    QVERIFY(help.browser()->toPlainText().contains(QLatin1String("Zoom text.")));
}

void TestHelp::navigationPanelOpensPages()
{
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    HelpWidget* panel = help.helpWidget();
    QTreeWidgetItem* keys = panel->listContents->topLevelItem(0)->child(1);
    QCOMPARE(keys->text(0), QStringLiteral("Keys"));
    panel->listContents->setCurrentItem(keys);
    panel->showTopic();
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("keys.html")));
}

void TestHelp::hideAndShowNavigation()
{
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    help.show();
    QVERIFY(QTest::qWaitForWindowActive(&help));
    QAction* toggle = action(help, "viewNavigationAction");
    QAction* button = action(help, "navToolBarAction");
    QVERIFY(toggle->isCheckable());
    QVERIFY(toggle->isChecked());
    QVERIFY(help.helpWidget()->isVisible());

    auto* bar = help.findChild<QToolBar*>(QStringLiteral("navigationToolBar"));
    QTest::mouseClick(bar->widgetForAction(button), Qt::LeftButton);
    QVERIFY(!help.helpWidget()->isVisible());
    QVERIFY(!toggle->isChecked());
    QCOMPARE(button->text(), QStringLiteral("Show Navigations"));
    QCOMPARE(button->toolTip(), QStringLiteral("Show Navigations"));

    QTest::keySequence(&help, QKeySequence(Qt::CTRL | Qt::Key_N));
    QVERIFY(help.helpWidget()->isVisible());
    QVERIFY(toggle->isChecked());
    QCOMPARE(button->text(), QStringLiteral("Hide Navigations"));

    // Calling the slot directly keeps the menu toggle in step.
    help.showNavigation(false);
    QVERIFY(!toggle->isChecked());
    QCOMPARE(button->text(), QStringLiteral("Show Navigations"));
    help.navToolBar();
    QVERIFY(toggle->isChecked());
    QVERIFY(help.helpWidget()->isVisible());
}

void TestHelp::nonLocalLinksRefused_data()
{
    QTest::addColumn<QString>("linkText");
    QTest::addColumn<QString>("link");

    QTest::newRow("web address") << "web page" << "http://example.org/tarvix";
    QTest::newRow("mail address") << "mail us" << "mailto:someone@example.org";
}

void TestHelp::nonLocalLinksRefused()
{
    QFETCH(QString, linkText);
    QFETCH(QString, link);

    Help help(m_tree->html(), QStringLiteral("zoom.html"));
    help.show();
    clickText(help.browser(), linkText);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.first().caption, QStringLiteral("Help"));
    QCOMPARE(m_messages.first().text,
             QStringLiteral("Can't load and display non-local file\n") + link);
    QCOMPARE(m_messages.first().parent, help.browser());
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("zoom.html")));
    QVERIFY(help.browser()->toPlainText().contains(QLatin1String("Zoom text.")));
    QVERIFY(!action(help, "goBackwardAction")->isEnabled());

    // Local links and anchors inside the page are followed without a word.
    clickText(help.browser(), QStringLiteral("below"));
    QCOMPARE(help.browser()->source().fragment(), QStringLiteral("below"));
    help.browser()->setSource(QStringLiteral("keys.html"));
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("keys.html")));
    QCOMPARE(m_messages.size(), 1);
}

void TestHelp::bookmarkMenuWithoutFile()
{
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    QCOMPARE(menuTexts(help.bookmarkMenu()), (QStringList{"&Add Bookmark", "-"}));
    help.showBookmark(1);
    QCOMPARE(localSource(help), m_tree->homePage());
}

void TestHelp::bookmarkMenuFollowsTheFile()
{
    QVERIFY(m_tree->write(QStringLiteral("bookmarks"),
                          QStringLiteral("Zooming\n%1\nKeys & mouse\n%2\nDangling\n")
                              .arg(m_tree->path(QStringLiteral("zoom.html")),
                                   m_tree->path(QStringLiteral("keys.html")))
                              .toUtf8()));
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    QCOMPARE(menuTexts(help.bookmarkMenu()),
             (QStringList{"&Add Bookmark", "-", "Zooming", "Keys && mouse"}));

    help.bookmarkMenu()->actions().at(3)->trigger();
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("keys.html")));

    // Adding through the menu rewrites the file and the menu.
    help.showLink(QStringLiteral("zoom.html"), QString());
    help.bookmarkMenu()->actions().at(0)->trigger();
    QCOMPARE(menuTexts(help.bookmarkMenu()),
             (QStringList{"&Add Bookmark", "-", "Zooming", "Keys && mouse", "Zooming"}));
    help.bookmarkMenu()->actions().at(4)->trigger();
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("zoom.html")));

    // Removing in the panel rebuilds the menu too.
    HelpWidget* panel = help.helpWidget();
    panel->tabWidget->setCurrentWidget(panel->bookmarkPage);
    panel->listBookmarks->setCurrentItem(panel->listBookmarks->topLevelItem(0));
    panel->removeBookmark();
    QCOMPARE(menuTexts(help.bookmarkMenu()),
             (QStringList{"&Add Bookmark", "-", "Keys && mouse", "Zooming"}));
    help.bookmarkMenu()->actions().at(2)->trigger();
    QCOMPARE(localSource(help), m_tree->path(QStringLiteral("keys.html")));
}

void TestHelp::closeHides()
{
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    action(help, "fileCloseAction")->trigger();
    QVERIFY(!help.isVisible());
    help.show();
    QVERIFY(help.isVisible());
}

void TestHelp::printsEveryLineOnNumberedPages()
{
    QByteArray page = "<html><head><title>Long</title></head><body>";
    const int lines = 240;
    for (int i = 1; i <= lines; ++i)
        page += QStringLiteral("<p>Printed line %1</p>").arg(i, 4, 10, QLatin1Char('0')).toLatin1();
    page += "</body></html>";
    QVERIFY(m_tree->write(QStringLiteral("long.html"), page));

    const QString pdf = m_tree->home() + QStringLiteral("/printed.pdf");
    int dialogs = 0;
    Help::setPrintDialogHook([&](QPrinter& printer, QWidget* parent) {
        ++dialogs;
        if (!parent)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        return printer.fullPage();
    });
    Help help(m_tree->html(), QStringLiteral("long.html"));
    action(help, "filePrintAction")->trigger();
    QCOMPARE(dialogs, 1);
    QVERIFY(QFile::exists(pdf));

    const int pages = pdfPageCount(pdf);
    // 240 paragraphs of 10-point type need more than two A4 pages and far fewer than 240.
    QVERIFY2(pages >= 3 && pages < 40, qPrintable(QString::number(pages)));

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed: the printed text cannot be read back");
    QStringList printed;
    for (int number = 1; number <= pages; ++number) {
        QStringList pageLines =
            pdfText(pdf, number).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString& line : pageLines)
            line = line.trimmed();
        pageLines.removeAll(QString());
        QVERIFY(!pageLines.isEmpty());
        // The page number closes every page.
        QCOMPARE(pageLines.takeLast(), QString::number(number));
        printed += pageLines;
    }
    // Every line once, in order: nothing lost or doubled at the page breaks.
    QCOMPARE(printed.size(), lines);
    for (int i = 1; i <= lines; ++i)
        QCOMPARE(printed.at(i - 1),
                 QStringLiteral("Printed line %1").arg(i, 4, 10, QLatin1Char('0')));
}

void TestHelp::cancelledPrintPrintsNothing()
{
    const QString pdf = m_tree->home() + QStringLiteral("/cancelled.pdf");
    Help::setPrintDialogHook([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return false;
    });
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    help.filePrint();
    QVERIFY(!QFile::exists(pdf));
}

void TestHelp::failedPrintIsReported()
{
    const QString pdf = m_tree->home() + QStringLiteral("/no such folder/printed.pdf");
    Help::setPrintDialogHook([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    Help help(m_tree->html(), QStringLiteral("toc.html"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QPainter::begin"));
    help.filePrint();
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.first().caption, QStringLiteral("Help"));
    QCOMPARE(m_messages.first().text, QStringLiteral("Cannot print the page."));
    QCOMPARE(m_messages.first().parent, &help);
    QVERIFY(!QFile::exists(pdf));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
