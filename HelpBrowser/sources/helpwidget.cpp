#include "helpwidget.h"

#include "topicchooser.h"

#include <QApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtDebug>

#include <new>

namespace {

const QDataStream::Version kCacheStreamVersion = QDataStream::Qt_6_0;

QString picsDirectory(const QString& helpDirectory)
{
    return QDir::cleanPath(helpDirectory + QStringLiteral("/../pics")) + QLatin1Char('/');
}

// The file name part of a link, without an anchor: the key of the title list.
QString linkFileName(const QString& link)
{
    QString path = link;
    const int hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        path.truncate(hash);
    return QFileInfo(path).fileName();
}

// Only the six umlauts are known; every other entity stays as written.
QString decodeTitle(QString title)
{
    static const struct
    {
        const char* entity;
        char16_t letter;
    } umlauts[] = {
            {"&auml;", 0xe4}, {"&Auml;", 0xc4}, {"&ouml;", 0xf6},
            {"&Ouml;", 0xd6}, {"&uuml;", 0xfc}, {"&Uuml;", 0xdc},
    };
    for (const auto& umlaut : umlauts)
        title.replace(QLatin1String(umlaut.entity), QChar(umlaut.letter));
    return title;
}

// One line of the keyword index. Lines that point outside the help (web and mail
// addresses), scoped names and lines without a quoted keyword are no entries.
bool parseIndexLine(const QString& line, QString* keyword, QString* link)
{
    if (line.contains(QLatin1String("::")) || line.startsWith(QLatin1Char('~'))
        || line.contains(QLatin1String("http://")) || line.contains(QLatin1String("ftp://"))
        || line.contains(QLatin1String("mailto:")))
        return false;
    const int first = line.indexOf(QLatin1Char('"'));
    const int last = line.lastIndexOf(QLatin1Char('"'));
    if (first < 0 || last == first)
        return false;
    *keyword = line.mid(first + 1, last - first - 1);
    if (keyword->isEmpty())
        return false;
    // One separating character sits between the closing quote and the link.
    *link = line.mid(last + 2);
    return true;
}

int countTags(const QString& text, const QString& tag)
{
    return text.count(tag, Qt::CaseInsensitive);
}

// List nesting in a stretch of the start page: lists opened minus lists closed.
int listDepthChange(const QString& text)
{
    return countTags(text, QStringLiteral("<ul")) + countTags(text, QStringLiteral("<ol"))
           - countTags(text, QStringLiteral("</ul")) - countTags(text, QStringLiteral("</ol"));
}

// The binary caches start with the modification time and the size of the text file they
// were made from; a cache is only trusted when both still match. Everything read from
// them is checked against the stream status and bounded by the bytes left in the file,
// so a damaged or hostile cache is dropped, never believed.
bool openCache(QFile& file, QDataStream& in, const QFileInfo& source)
{
    if (!file.open(QIODevice::ReadOnly))
        return false;
    in.setDevice(&file);
    in.setVersion(kCacheStreamVersion);
    QDateTime modified;
    qint64 size = -1;
    in >> modified >> size;
    return in.status() == QDataStream::Ok && modified == source.lastModified()
           && size == source.size();
}

bool readCount(QFile& file, QDataStream& in, qint64 minimumBytesPerItem, quint32* count)
{
    in >> *count;
    if (in.status() != QDataStream::Ok)
        return false;
    const qint64 left = file.size() - file.pos();
    return left >= 0 && qint64(*count) <= left / minimumBytesPerItem;
}

// Reads the cache's entries, each at least minimumBytesPerItem long, into a new Container
// through readEntry(in, container); `target` is set only when the whole cache was good.
template<typename Container, typename Reader>
bool readCache(const QString& cachePath, const QFileInfo& source, qint64 minimumBytesPerItem,
               Container* target, Reader readEntry)
{
    try {
        QFile file(cachePath);
        QDataStream in;
        if (!openCache(file, in, source))
            return false;
        quint32 count = 0;
        if (!readCount(file, in, minimumBytesPerItem, &count))
            return false;
        Container result;
        for (quint32 i = 0; i < count; ++i) {
            readEntry(in, result);
            if (in.status() != QDataStream::Ok)
                return false;
        }
        if (!in.atEnd())
            return false;
        *target = result;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool readStringCache(const QString& cachePath, const QFileInfo& source, QStringList* lines)
{
    // A string takes at least its four length bytes.
    return readCache(cachePath, source, 4, lines, [](QDataStream& in, QStringList& result) {
        QString line;
        in >> line;
        result.append(line);
    });
}

bool readMapCache(const QString& cachePath, const QFileInfo& source, QMap<QString, QString>* map)
{
    return readCache(cachePath, source, 8, map,
                     [](QDataStream& in, QMap<QString, QString>& result) {
                         QString key;
                         QString value;
                         in >> key >> value;
                         result.insert(key, value);
                     });
}

// A help directory that cannot be written (an installed program) keeps no cache; the
// text file is simply parsed on every run.
template<typename Writer>
void writeCache(const QString& cachePath, const QFileInfo& source, Writer writeEntries)
{
    QSaveFile file(cachePath);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QDataStream out(&file);
    out.setVersion(kCacheStreamVersion);
    out << source.lastModified() << source.size();
    writeEntries(out);
    if (out.status() != QDataStream::Ok) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

QString bookmarkFilePath(const QString& helpDirectory)
{
    return helpDirectory + QStringLiteral("/bookmarks");
}

// Bookmark titles and links are one line each in the file.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

QPixmap helpPixmap(const QString& helpDirectory, const QString& name)
{
    const QString pics = picsDirectory(helpDirectory);
    for (const char* folder : {"mini/", "", "small/", "large/"}) {
        const QString path = pics + QLatin1String(folder) + name;
        if (QFileInfo::exists(path)) {
            QPixmap pixmap(path);
            if (!pixmap.isNull())
                return pixmap;
        }
    }
    return QPixmap();
}

QIcon helpIconSet(const QString& helpDirectory, const QString& name)
{
    const QString pics = picsDirectory(helpDirectory);
    QIcon icon;
    const struct
    {
        const char* folder;
        QIcon::Mode mode;
    } variants[] = {
            {"", QIcon::Normal},
            {"small/", QIcon::Normal},
            {"small/disabled/", QIcon::Disabled},
            {"large/", QIcon::Normal},
            {"mini/", QIcon::Normal},
    };
    for (const auto& variant : variants) {
        const QString path = pics + QLatin1String(variant.folder) + name;
        if (!QFileInfo::exists(path))
            continue;
        const QPixmap pixmap(path);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap, variant.mode);
    }
    return icon;
}

QList<HelpBookmark> readHelpBookmarks(const QString& helpDirectory)
{
    QList<HelpBookmark> bookmarks;
    QFile file(bookmarkFilePath(helpDirectory));
    if (!file.open(QIODevice::ReadOnly))
        return bookmarks;
    QTextStream in(&file);
    HelpBookmark bookmark;
    while (in.readLineInto(&bookmark.title) && in.readLineInto(&bookmark.link))
        bookmarks.append(bookmark);
    return bookmarks;
}

HelpNavigationListItem::HelpNavigationListItem(QListWidget* list, const QString& text)
    : QListWidgetItem(text, list)
{
}

void HelpNavigationListItem::addLink(const QString& link)
{
    if (!link.isEmpty())
        m_links.append(link);
}

HelpNavigationContentsItem::HelpNavigationContentsItem(QTreeWidget* view, const QString& title,
                                                       const QString& link)
    : QTreeWidgetItem(view, QStringList(title))
    , m_link(link)
{
}

HelpNavigationContentsItem::HelpNavigationContentsItem(QTreeWidgetItem* parent,
                                                       const QString& title, const QString& link)
    : QTreeWidgetItem(parent, QStringList(title))
    , m_link(link)
{
}

HelpWidgetBase::HelpWidgetBase(QWidget* parent, const char* name, Qt::WindowFlags f)
    : QWidget(parent, f)
{
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("HelpWidgetBase"));

    tabWidget = new QTabWidget(this);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));

    contentPage = new QWidget(tabWidget);
    contentPage->setObjectName(QStringLiteral("contentPage"));
    listContents = new QTreeWidget(contentPage);
    listContents->setObjectName(QStringLiteral("listContents"));
    listContents->setColumnCount(1);
    listContents->header()->hide();
    // Long titles scroll sideways rather than being cut short.
    listContents->header()->setStretchLastSection(false);
    listContents->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    listContents->setRootIsDecorated(true);
    auto* contentLayout = new QVBoxLayout(contentPage);
    contentLayout->setContentsMargins(5, 5, 5, 5);
    contentLayout->addWidget(listContents);
    tabWidget->addTab(contentPage, QString());

    indexPage = new QWidget(tabWidget);
    indexPage->setObjectName(QStringLiteral("indexPage"));
    TextLabel1 = new QLabel(indexPage);
    TextLabel1->setObjectName(QStringLiteral("TextLabel1"));
    editIndex = new QLineEdit(indexPage);
    editIndex->setObjectName(QStringLiteral("editIndex"));
    TextLabel1->setBuddy(editIndex);
    listIndex = new QListWidget(indexPage);
    listIndex->setObjectName(QStringLiteral("listIndex"));
    framePrepare = new QFrame(indexPage);
    framePrepare->setObjectName(QStringLiteral("framePrepare"));
    framePrepare->setFrameShape(QFrame::StyledPanel);
    labelPrepare = new QLabel(framePrepare);
    labelPrepare->setObjectName(QStringLiteral("labelPrepare"));
    progressPrepare = new QProgressBar(framePrepare);
    progressPrepare->setObjectName(QStringLiteral("progressPrepare"));
    auto* prepareLayout = new QVBoxLayout(framePrepare);
    prepareLayout->addWidget(labelPrepare);
    prepareLayout->addWidget(progressPrepare);
    framePrepare->hide();
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(5, 5, 5, 5);
    indexLayout->addWidget(TextLabel1);
    indexLayout->addWidget(editIndex);
    indexLayout->addWidget(listIndex, 1);
    indexLayout->addWidget(framePrepare);
    tabWidget->addTab(indexPage, QString());

    bookmarkPage = new QWidget(tabWidget);
    bookmarkPage->setObjectName(QStringLiteral("bookmarkPage"));
    listBookmarks = new QTreeWidget(bookmarkPage);
    listBookmarks->setObjectName(QStringLiteral("listBookmarks"));
    listBookmarks->setColumnCount(1);
    listBookmarks->header()->hide();
    listBookmarks->setRootIsDecorated(false);
    buttonAdd = new QPushButton(bookmarkPage);
    buttonAdd->setObjectName(QStringLiteral("buttonAdd"));
    buttonRemove = new QPushButton(bookmarkPage);
    buttonRemove->setObjectName(QStringLiteral("buttonRemove"));
    auto* bookmarkButtons = new QHBoxLayout;
    bookmarkButtons->addStretch(1);
    bookmarkButtons->addWidget(buttonAdd);
    bookmarkButtons->addWidget(buttonRemove);
    auto* bookmarkLayout = new QVBoxLayout(bookmarkPage);
    bookmarkLayout->setContentsMargins(5, 5, 5, 5);
    bookmarkLayout->addWidget(listBookmarks, 1);
    bookmarkLayout->addLayout(bookmarkButtons);
    tabWidget->addTab(bookmarkPage, QString());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabWidget);

    languageChange();

    connect(tabWidget, &QTabWidget::currentChanged, this,
            [this](int index) { currentTabChanged(tabWidget->tabText(index)); });

    // itemActivated stands for both a double click and Return on an item.
    connect(listIndex, &QListWidget::itemActivated, this, [this] { showTopic(); });
    connect(listIndex, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* current) { currentIndexChanged(current); });
    connect(listIndex, &QListWidget::itemSelectionChanged, this,
            [this] { currentIndexChanged(listIndex->currentItem()); });
    connect(editIndex, &QLineEdit::textChanged, this,
            [this](const QString& text) { searchInIndex(text); });
    connect(buttonAdd, &QPushButton::clicked, this, [this] { addBookmark(); });
    connect(buttonRemove, &QPushButton::clicked, this, [this] { removeBookmark(); });

    connect(listBookmarks, &QTreeWidget::itemActivated, this, [this] { showTopic(); });
    connect(listBookmarks, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { currentBookmarkChanged(current); });
    connect(listBookmarks, &QTreeWidget::itemSelectionChanged, this,
            [this] { currentBookmarkChanged(listBookmarks->currentItem()); });
    connect(listContents, &QTreeWidget::itemActivated, this, [this] { showTopic(); });
    connect(listContents, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { currentContentsChanged(current); });
    connect(listContents, &QTreeWidget::itemSelectionChanged, this,
            [this] { currentContentsChanged(listContents->currentItem()); });
}

void HelpWidgetBase::languageChange()
{
    setWindowTitle(tr("Help"));
    setWhatsThis(tr("Displays help topics organized by category, index or bookmarks"));
    listContents->setWhatsThis(
            tr("<b>Help topics organized by category.</b><p>Double-click an item to see which "
               "topics are in that category. To view a topic, select it, and then click "
               "<b>Display</b>.</p>"));
    tabWidget->setTabText(tabWidget->indexOf(contentPage), tr("Con&tents"));
    TextLabel1->setText(tr("&Look For:"));
    editIndex->setToolTip(tr("Enter keyword"));
    editIndex->setWhatsThis(tr("<b>Enter a keyword.</b><p>The list will select an item that "
                               "matches the entered string best.</p>"));
    listIndex->setWhatsThis(
            tr("<b>List of available help topics.</b><p>Double-click on an item to open up the "
               "help page for this topic. You will have to choose the right page if more than one "
               "are found.</p>"));
    tabWidget->setTabText(tabWidget->indexOf(indexPage), tr("&Index"));
    listBookmarks->setWhatsThis(tr("Displays the list of bookmarks."));
    buttonAdd->setText(tr("&Add"));
    buttonAdd->setToolTip(tr("Add new bookmark"));
    buttonAdd->setWhatsThis(tr("Add the current displayed page as new bookmark to the list."));
    buttonRemove->setText(tr("&Remove"));
    buttonRemove->setToolTip(tr("Delete bookmark"));
    buttonRemove->setWhatsThis(tr("Delete the selected bookmark from the list."));
    tabWidget->setTabText(tabWidget->indexOf(bookmarkPage), tr("B&ookmarks"));
    labelPrepare->setText(tr("Preparing..."));
}

void HelpWidgetBase::loadIndexFile()
{
    qWarning("HelpWidgetBase::loadIndexFile(): Not implemented yet");
}

void HelpWidgetBase::currentTabChanged(const QString&)
{
    qWarning("HelpWidgetBase::currentTabChanged(const QString&): Not implemented yet");
}

void HelpWidgetBase::currentIndexChanged(QListWidgetItem*)
{
    qWarning("HelpWidgetBase::currentIndexChanged(QListWidgetItem*): Not implemented yet");
}

void HelpWidgetBase::showTopic()
{
    qWarning("HelpWidgetBase::showTopic(): Not implemented yet");
}

void HelpWidgetBase::searchInIndex(const QString&)
{
    qWarning("HelpWidgetBase::searchInIndex(const QString&): Not implemented yet");
}

void HelpWidgetBase::addBookmark()
{
    qWarning("HelpWidgetBase::addBookmark(): Not implemented yet");
}

void HelpWidgetBase::removeBookmark()
{
    qWarning("HelpWidgetBase::removeBookmark(): Not implemented yet");
}

void HelpWidgetBase::currentBookmarkChanged(QTreeWidgetItem*)
{
    qWarning("HelpWidgetBase::currentBookmarkChanged(QTreeWidgetItem*): Not implemented yet");
}

void HelpWidgetBase::currentContentsChanged(QTreeWidgetItem*)
{
    qWarning("HelpWidgetBase::currentContentsChanged(QTreeWidgetItem*): Not implemented yet");
}

HelpWidget::HelpWidget(const QString& homePage, QWidget* parent, const char* name)
    : HelpWidgetBase(parent, name)
    , m_homePage(homePage)
    , m_helpDirectory(QFileInfo(homePage).path())
{
    if (!name)
        setObjectName(QStringLiteral("HelpWidget"));
    editIndex->installEventFilter(this);
    buttonRemove->setEnabled(false);
    loadTitleMap();
    // The first tab is on screen from the start: fill it now.
    currentTabChanged(tabWidget->tabText(tabWidget->currentIndex()));
}

void HelpWidget::setBrowser(QTextBrowser* browser)
{
    m_browser = browser;
}

QString HelpWidget::titleOfLink(const QString& link) const
{
    return m_titleMap.value(linkFileName(link));
}

bool HelpWidget::eventFilter(QObject* watched, QEvent* event)
{
    // While typing a keyword, the keys that move through a list move the current keyword.
    if (watched == editIndex && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(listIndex, event);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            showTopic();
            return true;
        default:
            break;
        }
    }
    return HelpWidgetBase::eventFilter(watched, event);
}

void HelpWidget::currentTabChanged(const QString& label)
{
    if (label.contains(QLatin1String("&Index"))) {
        // Deferred so that the index tab is painted before the work starts.
        if (!m_indexLoaded)
            QTimer::singleShot(100, this, &HelpWidget::loadIndexFile);
    } else if (label.contains(QLatin1String("B&ookmarks"))) {
        if (!m_bookmarksLoaded)
            loadBookmarks();
    } else if (label.contains(QLatin1String("Con&tents"))) {
        if (!m_contentsBuilt)
            buildContents();
    }
}

QStringList HelpWidget::readIndexLines() const
{
    const QFileInfo source(m_helpDirectory + QStringLiteral("/index"));
    if (!source.isFile())
        return QStringList();
    const QString cachePath = m_helpDirectory + QStringLiteral("/indexdb");
    QStringList lines;
    if (readStringCache(cachePath, source, &lines))
        return lines;

    QFile file(source.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    QTextStream in(&file);
    QString line;
    while (in.readLineInto(&line))
        lines.append(line);
    writeCache(cachePath, source, [&lines](QDataStream& out) {
        out << quint32(lines.size());
        for (const QString& entry : lines)
            out << entry;
    });
    return lines;
}

void HelpWidget::loadIndexFile()
{
    if (m_indexLoaded)
        return;
    m_indexLoaded = true;

    QPointer<HelpWidget> self(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    labelPrepare->setText(tr("Preparing..."));
    progressPrepare->setValue(0);
    framePrepare->show();
    // Paint only: user input must not reach the panel while it is half filled.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!self) {
        QApplication::restoreOverrideCursor();
        return;
    }

    const QStringList lines = readIndexLines();
    progressPrepare->setRange(0, qMax(1, int(lines.size())));
    listIndex->clear();
    HelpNavigationListItem* last = nullptr;
    QString keyword;
    QString link;
    for (int i = 0; i < lines.size(); ++i) {
        if (parseIndexLine(lines.at(i), &keyword, &link)) {
            // Equal keywords merge only when they follow each other in the file.
            if (!last || last->text() != keyword)
                last = new HelpNavigationListItem(listIndex, keyword);
            last->addLink(link);
        }
        if (i % 200 == 0) {
            progressPrepare->setValue(i);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (!self) {
                QApplication::restoreOverrideCursor();
                return;
            }
        }
    }
    progressPrepare->setValue(progressPrepare->maximum());
    framePrepare->hide();
    QApplication::restoreOverrideCursor();
    if (!editIndex->text().isEmpty())
        searchInIndex(editIndex->text());
}

void HelpWidget::loadTitleMap()
{
    m_titleMap.clear();
    const QFileInfo source(m_helpDirectory + QStringLiteral("/titleindex"));
    if (!source.isFile())
        return;
    const QString cachePath = m_helpDirectory + QStringLiteral("/titlemapdb");
    if (readMapCache(cachePath, source, &m_titleMap))
        return;

    QFile file(source.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    QTextStream in(&file);
    QString line;
    while (in.readLineInto(&line)) {
        const int bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0)
            continue;
        const QString fileName = line.left(bar).simplified();
        if (fileName.isEmpty())
            continue;
        m_titleMap.insert(fileName, line.mid(bar + 1).simplified());
    }
    writeCache(cachePath, source, [this](QDataStream& out) {
        out << quint32(m_titleMap.size());
        for (auto it = m_titleMap.cbegin(); it != m_titleMap.cend(); ++it)
            out << it.key() << it.value();
    });
}

void HelpWidget::buildContents()
{
    m_contentsBuilt = true;
    listContents->clear();
    auto* root = new HelpNavigationContentsItem(listContents, tr("Help"));
    root->setIcon(0, helpPixmap(m_helpDirectory, QStringLiteral("book.xpm")));

    QFile file(m_homePage);
    if (!file.open(QIODevice::ReadOnly)) {
        root->setExpanded(true);
        return;
    }
    const QString text = QString::fromUtf8(file.readAll()).simplified();

    const QLatin1String titleTag("<title>");
    const int titleStart = text.indexOf(titleTag, 0, Qt::CaseInsensitive);
    if (titleStart >= 0) {
        const int from = titleStart + titleTag.size();
        const int end = text.indexOf(QLatin1Char('<'), from);
        const QString pageTitle
                = decodeTitle(text.mid(from, end < 0 ? -1 : end - from).simplified());
        if (!pageTitle.isEmpty())
            root->setText(0, pageTitle);
    }

    // From the marker on, every quoted text is a link target and the text between the next
    // ">" and "<" its title; the lists around the links give the tree its levels.
    int pos = text.indexOf(QLatin1String("TOC"));
    QList<QTreeWidgetItem*> levels{root};
    int depth = 0;
    while (pos >= 0) {
        const int open = text.indexOf(QLatin1Char('"'), pos);
        if (open < 0)
            break;
        const int close = text.indexOf(QLatin1Char('"'), open + 1);
        if (close < 0)
            break;
        const int titleFrom = text.indexOf(QLatin1Char('>'), close + 1);
        if (titleFrom < 0)
            break;
        const int titleTo = text.indexOf(QLatin1Char('<'), titleFrom + 1);
        if (titleTo < 0)
            break;
        depth += listDepthChange(text.mid(pos, open - pos));
        const QString link = text.mid(open + 1, close - open - 1);
        const QString title
                = decodeTitle(text.mid(titleFrom + 1, titleTo - titleFrom - 1).simplified());
        pos = titleTo;
        if (title.isEmpty() || title == QLatin1String("Next"))
            continue;
        const int level = qMin(qMax(1, depth), int(levels.size()));
        auto* item = new HelpNavigationContentsItem(levels.at(level - 1), title, link);
        levels.resize(level);
        levels.append(item);
    }
    listContents->expandAll();
    listContents->setCurrentItem(root);
}

void HelpWidget::currentIndexChanged(QListWidgetItem* item)
{
    if (item)
        listIndex->scrollToItem(item);
}

void HelpWidget::currentContentsChanged(QTreeWidgetItem* item)
{
    if (item)
        listContents->scrollToItem(item);
}

void HelpWidget::currentBookmarkChanged(QTreeWidgetItem* item)
{
    buttonRemove->setEnabled(item != nullptr);
}

void HelpWidget::searchInIndex(const QString& text)
{
    const QString wanted = text.toLower();
    for (int row = 0; row < listIndex->count(); ++row) {
        QListWidgetItem* item = listIndex->item(row);
        const QString keyword = item->text().toLower();
        if (keyword.size() >= wanted.size() && keyword.startsWith(wanted)) {
            listIndex->setCurrentItem(item);
            listIndex->scrollToItem(item);
            return;
        }
    }
}

void HelpWidget::showTopic()
{
    QWidget* page = tabWidget->currentWidget();
    if (page == indexPage) {
        const auto* item = static_cast<HelpNavigationListItem*>(listIndex->currentItem());
        if (!item)
            return;
        const QStringList links = item->links();
        if (links.isEmpty())
            return;
        if (links.size() == 1) {
            emit showLink(links.first(), titleOfLink(links.first()));
            return;
        }
        // A page missing from the title list is offered under its file name, so that the
        // chooser never shows an empty line.
        QStringList titles;
        for (const QString& link : links) {
            const QString title = titleOfLink(link);
            titles.append(title.isEmpty() ? linkFileName(link) : title);
        }
        const QString link
                = TopicChooser::getLink(this, links, titles, item->text(),
                                        helpPixmap(m_helpDirectory, QStringLiteral("book.xpm")));
        if (!link.isEmpty())
            emit showLink(link, titleOfLink(link));
    } else if (page == bookmarkPage) {
        const auto* item = static_cast<HelpNavigationContentsItem*>(listBookmarks->currentItem());
        if (item)
            emit showLink(item->link(), item->text(0));
    } else if (page == contentPage) {
        const auto* item = static_cast<HelpNavigationContentsItem*>(listContents->currentItem());
        if (item && item != listContents->topLevelItem(0))
            emit showLink(item->link(), item->text(0));
    }
}

void HelpWidget::loadBookmarks()
{
    m_bookmarksLoaded = true;
    listBookmarks->clear();
    for (const HelpBookmark& bookmark : readHelpBookmarks(m_helpDirectory))
        new HelpNavigationContentsItem(listBookmarks, bookmark.title, bookmark.link);
}

void HelpWidget::saveBookmarks()
{
    // Written beside the old file and renamed over it: a failure leaves the old list.
    QSaveFile file(bookmarkFilePath(m_helpDirectory));
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("Cannot save the bookmarks: %s", qPrintable(file.errorString()));
        return;
    }
    QTextStream out(&file);
    for (int i = 0; i < listBookmarks->topLevelItemCount(); ++i) {
        const auto* item
                = static_cast<HelpNavigationContentsItem*>(listBookmarks->topLevelItem(i));
        out << oneLine(item->text(0)) << '\n' << oneLine(item->link()) << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit())
        qWarning("Cannot save the bookmarks: %s", qPrintable(file.errorString()));
}

void HelpWidget::addBookmark()
{
    if (!m_bookmarksLoaded)
        loadBookmarks();
    if (!m_browser)
        return;
    const QUrl source = m_browser->source();
    if (!source.isLocalFile())
        return;
    const QString link = source.toLocalFile();
    QString title = titleOfLink(link);
    if (title.isEmpty())
        title = QFileInfo(link).fileName();
    auto* item = new HelpNavigationContentsItem(listBookmarks, title, link);
    listBookmarks->setCurrentItem(item);
    saveBookmarks();
    emit bookmarksChanged();
}

void HelpWidget::removeBookmark()
{
    QTreeWidgetItem* item = listBookmarks->currentItem();
    if (!item)
        return;
    delete item;
    saveBookmarks();
    emit bookmarksChanged();
}
