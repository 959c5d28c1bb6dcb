#pragma once

#include <QIcon>
#include <QList>
#include <QListWidgetItem>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTreeWidgetItem>
#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

// Pictures of the help window, found below the help directory: a single picture is looked
// for in "../pics/mini/", "../pics/", "../pics/small/" and "../pics/large/" (first found
// wins); an icon set gathers every size and the disabled variant it finds. A missing file
// gives a null pixmap or an empty icon.
QPixmap helpPixmap(const QString& helpDirectory, const QString& name);
QIcon helpIconSet(const QString& helpDirectory, const QString& name);

// One entry of the file "bookmarks" in the help directory: a title line, then a link line.
struct HelpBookmark
{
    QString title;
    QString link;
};

// The bookmarks in file order; none when the file cannot be read. A title whose link line is
// missing (a file with an odd number of lines) is dropped.
QList<HelpBookmark> readHelpBookmarks(const QString& helpDirectory);

// A keyword of the index page and the pages the index gives for it.
class HelpNavigationListItem : public QListWidgetItem
{
public:
    HelpNavigationListItem(QListWidget* list, const QString& text);

    void addLink(const QString& link);
    QStringList links() const { return m_links; }

private:
    QStringList m_links;
};

// A page of the contents tree or of the bookmark list: its title is the item's text.
class HelpNavigationContentsItem : public QTreeWidgetItem
{
public:
    HelpNavigationContentsItem(QTreeWidget* view, const QString& title,
                               const QString& link = QString());
    HelpNavigationContentsItem(QTreeWidgetItem* parent, const QString& title,
                               const QString& link = QString());

    void setLink(const QString& link) { m_link = link; }
    QString link() const { return m_link; }

private:
    QString m_link;
};

// The form of the navigation panel: the three tabs and their widgets. Its slots only
// complain; HelpWidget gives them their work.
class HelpWidgetBase : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWidgetBase(QWidget* parent = nullptr, const char* name = nullptr,
                            Qt::WindowFlags f = Qt::WindowFlags());

    QTabWidget* tabWidget = nullptr;
    QWidget* contentPage = nullptr;
    QTreeWidget* listContents = nullptr;
    QWidget* indexPage = nullptr;
    QLabel* TextLabel1 = nullptr;
    QLineEdit* editIndex = nullptr;
    QListWidget* listIndex = nullptr;
    QFrame* framePrepare = nullptr;
    QLabel* labelPrepare = nullptr;
    QProgressBar* progressPrepare = nullptr;
    QWidget* bookmarkPage = nullptr;
    QTreeWidget* listBookmarks = nullptr;
    QPushButton* buttonAdd = nullptr;
    QPushButton* buttonRemove = nullptr;

public slots:
    virtual void loadIndexFile();
    virtual void currentTabChanged(const QString& label);
    virtual void currentIndexChanged(QListWidgetItem* item);
    virtual void showTopic();
    virtual void searchInIndex(const QString& text);
    virtual void addBookmark();
    virtual void removeBookmark();
    virtual void currentBookmarkChanged(QTreeWidgetItem* item);
    virtual void currentContentsChanged(QTreeWidgetItem* item);

protected slots:
    virtual void languageChange();
};

// The navigation panel on the left of the help window: contents, keyword index and
// bookmarks, each filled the first time its tab is shown. It reads its files from the
// help directory and keeps binary caches of the index and the title list beside them.
// Owned by the help window's splitter.
class HelpWidget : public HelpWidgetBase
{
    Q_OBJECT

public:
    // homePage: the start page whose directory is the help directory.
    explicit HelpWidget(const QString& homePage, QWidget* parent = nullptr,
                        const char* name = nullptr);

    // The browser whose page "Add" bookmarks.
    void setBrowser(QTextBrowser* browser);

    QString helpDirectory() const { return m_helpDirectory; }
    // The title list's entry for the link's file name, empty when it has none.
    QString titleOfLink(const QString& link) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void loadIndexFile() override;
    void currentTabChanged(const QString& label) override;
    void currentIndexChanged(QListWidgetItem* item) override;
    void showTopic() override;
    void searchInIndex(const QString& text) override;
    void addBookmark() override;
    void removeBookmark() override;
    void currentBookmarkChanged(QTreeWidgetItem* item) override;
    void currentContentsChanged(QTreeWidgetItem* item) override;

signals:
    void showLink(const QString& link, const QString& title);
    // The bookmark file has been rewritten; the help window rebuilds its menu.
    void bookmarksChanged();

private:
    QStringList readIndexLines() const;
    void loadTitleMap();
    void loadBookmarks();
    void saveBookmarks();
    void buildContents();

    QString m_homePage;
    QString m_helpDirectory;
    QMap<QString, QString> m_titleMap;
    QPointer<QTextBrowser> m_browser;
    bool m_indexLoaded = false;
    bool m_bookmarksLoaded = false;
    bool m_contentsBuilt = false;
};
