#pragma once

#include <QMainWindow>
#include <QMap>
#include <QTextBrowser>

#include <functional>

class QAction;
class QMenu;
class QPrinter;
class QSplitter;
class QTextDocument;
class QToolBar;
class HelpWidget;

// The document style of every help page: the page head is never shown and definition
// lists and their terms are blocks of their own.
QString helpDocumentStyleSheet();
void applyHelpDocumentStyle(QTextDocument* document);

// The page view of the help window. It follows local links only; any other link is
// refused with a message and the current page stays. Owned by the help window.
class TextBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit TextBrowser(QWidget* parent = nullptr, const char* name = nullptr);

    using QTextBrowser::setSource;
    // name may be relative: it is taken relative to the page shown, or, before any page
    // was shown, to the first search path that holds it.
    void setSource(const QString& name);
    QUrl resolveName(const QString& name) const;

    // Replaces the information boxes of the help (a refused link, a page that cannot be
    // printed); tests answer them through the hook. An empty function restores the boxes.
    using MessageHook
            = std::function<void(QWidget* parent, const QString& caption, const QString& text)>;
    static void setMessageHook(MessageHook hook);

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
};

// The online help window: the navigation panel on the left, the page on the right, with
// menus for printing, navigation and bookmarks. It has no parent; the main window creates
// it on the first help request, keeps a guarded pointer and shows it again later.
class Help : public QMainWindow
{
    Q_OBJECT

public:
    // home: the help directory; path: the start page inside it ("toc.html").
    Help(const QString& home, const QString& path, QWidget* parent = nullptr,
         const char* name = nullptr);

    TextBrowser* browser() const { return m_browser; }
    HelpWidget* helpWidget() const { return m_helpWidget; }
    QString homePage() const { return m_homePage; }
    QMenu* bookmarkMenu() const { return m_bookmarkMenu; }

    // Rebuilds the Bookmarks menu from the bookmark file.
    void setupBookmarkMenu();

    // Replaces the printer set-up dialog of filePrint(): the hook may configure the
    // printer and returns whether to print. Tests print to a file through it; an empty
    // function restores the dialog.
    using PrintDialogHook = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static void setPrintDialogHook(PrintDialogHook hook);

public slots:
    void textChanged();
    void filePrint();
    void navToolBar();
    void showNavigation(bool on);
    void goHome();
    void showLink(const QString& link, const QString& title);
    void showBookmark(int id);

private:
    void createActions();
    void updateCaption(const QUrl& source);
    void printPages(QPrinter& printer);

    QString m_homePage;
    QString m_helpDirectory;
    QSplitter* m_splitter = nullptr;
    HelpWidget* m_helpWidget = nullptr;
    TextBrowser* m_browser = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_navigationAction = nullptr;
    QAction* m_backwardAction = nullptr;
    QAction* m_forwardAction = nullptr;
    QAction* m_homeAction = nullptr;
    QAction* m_navToolBarAction = nullptr;
    QAction* m_addBookmarkAction = nullptr;
    QMenu* m_bookmarkMenu = nullptr;
    QToolBar* m_toolsBar = nullptr;
    QToolBar* m_navigationBar = nullptr;
    QMap<int, QString> m_bookmarkLinks;
    int m_lastBookmarkId = 0;
};
