#include "help.h"

#include "helpwidget.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QTextDocument>
#include <QToolBar>

#include <memory>

namespace {

TextBrowser::MessageHook& messageHook()
{
    static TextBrowser::MessageHook hook;
    return hook;
}

Help::PrintDialogHook& printDialogHook()
{
    static Help::PrintDialogHook hook;
    return hook;
}

void showMessage(QWidget* parent, const QString& caption, const QString& text)
{
    if (messageHook())
        messageHook()(parent, caption, text);
    else
        QMessageBox::information(parent, caption, text);
}

bool isLocal(const QUrl& url)
{
    return url.isLocalFile() || url.scheme().isEmpty() || url.scheme() == QLatin1String("qrc");
}

} // namespace

QString helpDocumentStyleSheet()
{
    return QStringLiteral("head { display: none; }\n"
                          "dl { display: block; }\n"
                          "dl dt, dt { display: block; }\n");
}

void applyHelpDocumentStyle(QTextDocument* document)
{
    if (document)
        document->setDefaultStyleSheet(helpDocumentStyleSheet());
}

TextBrowser::TextBrowser(QWidget* parent, const char* name)
    : QTextBrowser(parent)
{
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("TextBrowser"));
    applyHelpDocumentStyle(document());
}

void TextBrowser::setMessageHook(MessageHook hook)
{
    messageHook() = std::move(hook);
}

QUrl TextBrowser::resolveName(const QString& name) const
{
    const QUrl url(name);
    if (!url.isRelative())
        return url;
    const QString path = url.path();
    QUrl resolved;
    if (QDir::isAbsolutePath(path)) {
        resolved = QUrl::fromLocalFile(path);
    } else if (path.isEmpty() || source().isLocalFile()) {
        return source().resolved(url);
    } else {
        resolved = QUrl::fromLocalFile(QDir::current().absoluteFilePath(path));
        for (const QString& directory : searchPaths()) {
            const QString candidate = QDir(directory).absoluteFilePath(path);
            if (QFileInfo::exists(candidate)) {
                resolved = QUrl::fromLocalFile(candidate);
                break;
            }
        }
    }
    if (url.hasFragment())
        resolved.setFragment(url.fragment());
    return resolved;
}

void TextBrowser::setSource(const QString& name)
{
    if (name.isEmpty())
        return;
    setSource(resolveName(name));
}

void TextBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    if (!isLocal(name)) {
        showMessage(this, tr("Help"),
                    tr("Can't load and display non-local file\n%1").arg(name.toString()));
        return;
    }
    QTextBrowser::doSetSource(name, type);
}

Help::Help(const QString& home, const QString& path, QWidget* parent, const char* name)
    : QMainWindow(parent, Qt::Window)
    , m_homePage(QFileInfo(QDir(home).filePath(path)).absoluteFilePath())
    , m_helpDirectory(QFileInfo(m_homePage).path())
{
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("Help"));
    setIconSize(QSize(22, 22));

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_helpWidget = new HelpWidget(m_homePage, m_splitter);
    m_browser = new TextBrowser(m_splitter, "browser");
    m_browser->setSearchPaths({m_helpDirectory});
    m_browser->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_helpWidget->setBrowser(m_browser);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({270, 480});
    setCentralWidget(m_splitter);

    createActions();

    connect(m_helpWidget, &HelpWidget::showLink, this, &Help::showLink);
    connect(m_helpWidget, &HelpWidget::bookmarksChanged, this, &Help::setupBookmarkMenu);
    connect(m_browser, &QTextBrowser::textChanged, this, &Help::textChanged);
    // The browser reports its new location only after this signal: take it from there.
    connect(m_browser, &QTextBrowser::sourceChanged, this, &Help::updateCaption);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_backwardAction, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forwardAction, &QAction::setEnabled);

    setupBookmarkMenu();
    resize(750, 700);
    goHome();
    textChanged();
}

void Help::createActions()
{
    m_printAction = new QAction(helpIconSet(m_helpDirectory, QStringLiteral("print.xpm")),
                                tr("&Print..."), this);
    m_printAction->setObjectName(QStringLiteral("filePrintAction"));
    m_printAction->setToolTip(tr("Print"));
    m_printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(m_printAction, &QAction::triggered, this, &Help::filePrint);

    m_closeAction = new QAction(tr("&Close"), this);
    m_closeAction->setObjectName(QStringLiteral("fileCloseAction"));
    m_closeAction->setToolTip(tr("Close"));
    m_closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(m_closeAction, &QAction::triggered, this, &QWidget::hide);

    // Only this toggle owns Ctrl+N: two actions with one shortcut in a window would
    // cancel each other out. The toolbar button has the same effect through navToolBar().
    m_navigationAction = new QAction(tr("&Navigations"), this);
    m_navigationAction->setObjectName(QStringLiteral("viewNavigationAction"));
    m_navigationAction->setToolTip(tr("Navigations"));
    m_navigationAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_navigationAction->setCheckable(true);
    m_navigationAction->setChecked(true);
    connect(m_navigationAction, &QAction::toggled, this, &Help::showNavigation);

    m_backwardAction = new QAction(helpIconSet(m_helpDirectory, QStringLiteral("left.xpm")),
                                   tr("&Backward"), this);
    m_backwardAction->setObjectName(QStringLiteral("goBackwardAction"));
    m_backwardAction->setToolTip(tr("Backward"));
    m_backwardAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    m_backwardAction->setEnabled(false);
    connect(m_backwardAction, &QAction::triggered, m_browser, &QTextBrowser::backward);

    m_forwardAction = new QAction(helpIconSet(m_helpDirectory, QStringLiteral("right.xpm")),
                                  tr("&Forward"), this);
    m_forwardAction->setObjectName(QStringLiteral("goForwardAction"));
    m_forwardAction->setToolTip(tr("Forward"));
    m_forwardAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    m_forwardAction->setEnabled(false);
    connect(m_forwardAction, &QAction::triggered, m_browser, &QTextBrowser::forward);

    m_homeAction = new QAction(helpIconSet(m_helpDirectory, QStringLiteral("home.xpm")),
                               tr("&Home"), this);
    m_homeAction->setObjectName(QStringLiteral("goHomeAction"));
    m_homeAction->setToolTip(tr("Home"));
    m_homeAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    connect(m_homeAction, &QAction::triggered, this, &Help::goHome);

    m_navToolBarAction = new QAction(helpIconSet(m_helpDirectory, QStringLiteral("deflate.xpm")),
                                     tr("Hide Navigations"), this);
    m_navToolBarAction->setObjectName(QStringLiteral("navToolBarAction"));
    m_navToolBarAction->setToolTip(tr("Hide Navigations"));
    connect(m_navToolBarAction, &QAction::triggered, this, &Help::navToolBar);

    m_addBookmarkAction = new QAction(tr("&Add Bookmark"), this);
    m_addBookmarkAction->setObjectName(QStringLiteral("addBookmarkAction"));
    connect(m_addBookmarkAction, &QAction::triggered, m_helpWidget, &HelpWidget::addBookmark);

    QMenu* fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->addAction(m_printAction);
    fileMenu->addSeparator();
    fileMenu->addAction(m_closeAction);

    QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
    viewMenu->setObjectName(QStringLiteral("viewMenu"));
    viewMenu->addAction(m_navigationAction);

    QMenu* goMenu = menuBar()->addMenu(tr("&Go"));
    goMenu->setObjectName(QStringLiteral("goMenu"));
    goMenu->addAction(m_backwardAction);
    goMenu->addAction(m_forwardAction);
    goMenu->addAction(m_homeAction);

    m_bookmarkMenu = menuBar()->addMenu(tr("&Bookmarks"));
    m_bookmarkMenu->setObjectName(QStringLiteral("bookmarkMenu"));

    m_toolsBar = addToolBar(tr("Tools"));
    m_toolsBar->setObjectName(QStringLiteral("Tools"));
    m_toolsBar->addAction(m_printAction);
    m_toolsBar->addSeparator();
    m_toolsBar->addAction(m_backwardAction);
    m_toolsBar->addAction(m_forwardAction);
    m_toolsBar->addAction(m_homeAction);

    m_navigationBar = addToolBar(tr("Navigation"));
    m_navigationBar->setObjectName(QStringLiteral("navigationToolBar"));
    m_navigationBar->addAction(m_navToolBarAction);
}

void Help::setPrintDialogHook(PrintDialogHook hook)
{
    printDialogHook() = std::move(hook);
}

void Help::textChanged()
{
    updateCaption(m_browser->source());
}

void Help::updateCaption(const QUrl& source)
{
    QString title = m_browser->documentTitle();
    if (title.isEmpty()) {
        title = source.isLocalFile() ? QDir::toNativeSeparators(source.toLocalFile())
                                     : source.toString();
    }
    setWindowTitle(tr("Help") + QStringLiteral(" - ") + title);
}

void Help::showNavigation(bool on)
{
    m_helpWidget->setVisible(on);
    if (m_navigationAction->isChecked() != on) {
        const QSignalBlocker blocker(m_navigationAction);
        m_navigationAction->setChecked(on);
    }
    const QString text = on ? tr("Hide Navigations") : tr("Show Navigations");
    m_navToolBarAction->setIcon(helpIconSet(m_helpDirectory, on ? QStringLiteral("deflate.xpm")
                                                                : QStringLiteral("inflate.xpm")));
    m_navToolBarAction->setText(text);
    m_navToolBarAction->setToolTip(text);
}

void Help::navToolBar()
{
    m_navigationAction->toggle();
}

void Help::goHome()
{
    m_browser->setSource(m_homePage);
}

void Help::showLink(const QString& link, const QString& /*title*/)
{
    if (link.isEmpty())
        return;
    // Links of the navigation panel are relative to the help directory, whatever page
    // is on screen.
    const QUrl url(link);
    if (url.isRelative() && !url.path().isEmpty() && !QDir::isAbsolutePath(url.path()))
        m_browser->setSource(m_helpDirectory + QLatin1Char('/') + link);
    else
        m_browser->setSource(link);
}

void Help::setupBookmarkMenu()
{
    m_bookmarkMenu->clear();
    m_bookmarkLinks.clear();
    m_bookmarkMenu->addAction(m_addBookmarkAction);
    m_bookmarkMenu->addSeparator();

    for (const HelpBookmark& bookmark : readHelpBookmarks(m_helpDirectory)) {
        const int id = ++m_lastBookmarkId;
        QString text = bookmark.title;
        text.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = m_bookmarkMenu->addAction(text);
        action->setData(id);
        m_bookmarkLinks.insert(id, bookmark.link);
        connect(action, &QAction::triggered, this, [this, id] { showBookmark(id); });
    }
}

void Help::showBookmark(int id)
{
    const auto it = m_bookmarkLinks.constFind(id);
    if (it == m_bookmarkLinks.cend())
        return;
    QString title;
    for (const QAction* action : m_bookmarkMenu->actions()) {
        if (action->data().toInt() == id) {
            title = action->text().replace(QLatin1String("&&"), QLatin1String("&"));
            break;
        }
    }
    showLink(it.value(), title);
}

void Help::filePrint()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    bool accepted = false;
    if (printDialogHook()) {
        accepted = printDialogHook()(printer, this);
    } else {
        QPrintDialog dialog(&printer, this);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (accepted)
        printPages(printer);
}

void Help::printPages(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        showMessage(this, tr("Help"), tr("Cannot print the page."));
        return;
    }

    // Margins of about 17 mm whatever the printer's resolution; the page number sits in
    // the last line of the body.
    const int margin = printer.resolution() * 2 / 3;
    const QRect paper = printer.pageLayout().fullRectPixels(printer.resolution());
    const QRect body = paper.adjusted(margin, margin, -margin, -margin);
    const QFont font(QStringLiteral("times"), 10);
    const QFontMetrics metrics(font, &printer);
    const int numberHeight = metrics.lineSpacing();
    const qreal textHeight = body.height() - 2 * numberHeight;
    if (body.width() <= 0 || textHeight <= 0) {
        painter.end();
        return;
    }

    // A copy of the page laid out for the printer; as a child of the browser it finds
    // pictures the way the browser does.
    std::unique_ptr<QTextDocument> document(m_browser->document()->clone(m_browser));
    applyHelpDocumentStyle(document.get());
    document->setDefaultFont(font);
    document->documentLayout()->setPaintDevice(&printer);
    document->setPageSize(QSizeF(body.width(), textHeight));

    painter.setFont(font);
    const int pages = document->pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            printer.newPage();
        painter.save();
        painter.translate(body.left(), body.top() - page * textHeight);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, page * textHeight, body.width(), textHeight);
        context.palette.setColor(QPalette::Text, Qt::black);
        document->documentLayout()->draw(&painter, context);
        painter.restore();
        painter.drawText(
                QRect(body.left(), body.bottom() - numberHeight, body.width(), numberHeight),
                Qt::AlignRight | Qt::AlignBottom, QString::number(page + 1));
    }
    painter.end();
}
