#include "zorsettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QtDebug>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

ZORSettings* s_instance = nullptr;

// Texts of the table are translated once an application object exists; before that
// the literal stands.
QString translated(const char* text)
{
    if (QCoreApplication::instance())
        return QCoreApplication::translate("ZORSettings", text);
    return QString::fromLatin1(text);
}

QString programFile()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return QString();
        if (static_cast<size_t>(n) < buffer.size())
            return QString::fromLocal8Bit(buffer.data(), static_cast<int>(n));
        if (buffer.size() >= 1 << 20)
            return QString();
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

ZORSettings::ZORSettings()
{
    if (s_instance)
        qDebug("There should be only one settings object!");
    s_instance = this;
}

ZORSettings::~ZORSettings()
{
    if (s_instance == this)
        s_instance = nullptr;
}

ZORSettings* ZORSettings::instance()
{
    return s_instance;
}

void ZORSettings::initTexts()
{
    const QString home = homePath();

    m_appVersion = QStringLiteral("1.0.1");
    m_appName = translated("Tarvix");
    m_appCaption = translated("Quenmark - %1").arg(m_appName);
    m_startImagePath = home + QStringLiteral("/icons/startbild.jpg");
    m_aboutImagePath = home + QStringLiteral("/icons/aboutbild.jpg");
    m_textExit = translated("E&xit");
    m_textAbout = translated("&About %1").arg(m_appName);
    m_textFileMenu = translated("&File");
    m_textHelpMenu = translated("&Help");
    m_textOk = translated("OK");
    m_textCancel = translated("Cancel");
    m_textYes = translated("&Yes");
    m_textNo = translated("&No");
    m_textEditMenu = translated("&Edit");
    m_tipZoomIn = translated("Zoom In");
    m_tipZoomOut = translated("Zoom Out");
    m_tipFitToWindow = translated("Fit to Window");
    m_tipLeftView = translated("Display Left Image");
    m_tipRightView = translated("Display Right Image");
    m_tipBothViews = translated("Display Both Images");
    m_tipAnaglyphMode = translated("Display Anaglyph Image");
    m_tipDock = translated("Dock");
    m_helpZoomIn = translated("Zoom in one level");
    m_helpZoomOut = translated("Zoom out one level");
    m_helpFitToWindow = translated("Zoom image so that it fits onto the workspace");
    m_helpLeftView = translated("Displays only the left image of the stereopair");
    m_helpRightView = translated("Displays only the right image of the stereopair");
    m_helpBothViews = translated("Displays both images of the stereopair side by side");
    m_helpAnaglyphMode = translated("Displays the stereopair as an anaglyph image");
    m_helpDock = translated("Dock left and right stereo image");
    m_msgFormatUnrecognized
            = translated("Cannot read this file.\nThe image format is unrecognized.");
    m_msgReadFailed = translated("Sorry, reading this image file failed.");
}

QString ZORSettings::homePathFrom(const QString& programFile, const QString& zorHome)
{
    if (programFile.isEmpty()) {
        if (zorHome.isNull())
            return QString();
        QString home = zorHome;
        return home.replace(QLatin1Char('\\'), QLatin1Char('/'));
    }
    QString file = programFile;
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QFileInfo(file).path();
}

QString ZORSettings::homePath() const
{
    const QByteArray zorHome = qgetenv("ZORHOME");
    return homePathFrom(programFile(),
                        zorHome.isNull() ? QString() : QString::fromLocal8Bit(zorHome));
}

QString ZORSettings::userName() const
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd* result = nullptr;
    int rc;
    while ((rc = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &result))
                   == ERANGE
           && buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (rc != 0 || !result || !result->pw_name)
        return QString(QLatin1String(""));
    return QString::fromLocal8Bit(result->pw_name);
}

// Every icon lives below the home directory and is read once, on its first use.
#define ZOR_ICON(accessor, file)                                                                  \
    const QPixmap& ZORSettings::accessor() const                                                  \
    {                                                                                             \
        static const QPixmap pixmap(homePath() + QStringLiteral(file));                           \
        return pixmap;                                                                            \
    }

ZOR_ICON(iconApp16, "/icons/icon16.png")
ZOR_ICON(iconApp48, "/icons/icon48.png")
ZOR_ICON(iconSwap, "/icons/swap32.xpm")
ZOR_ICON(iconRotateLeft, "/icons/rotateleftimg32.xpm")
ZOR_ICON(iconRotateRight, "/icons/rotaterightimg32.xpm")
ZOR_ICON(iconOpenLeft, "/icons/openleft32.xpm")
ZOR_ICON(iconOpenRight, "/icons/openright32.xpm")
ZOR_ICON(iconZoomIn, "/icons/zoomin32.xpm")
ZOR_ICON(iconZoomInActive, "/icons/zoominactive32.xpm")
ZOR_ICON(iconZoomOut, "/icons/zoomout32.xpm")
ZOR_ICON(iconZoomOutActive, "/icons/zoomoutactive32.xpm")
ZOR_ICON(iconFitToWindow, "/icons/fittowindow32.xpm")
ZOR_ICON(iconLeftView, "/icons/leftview32.xpm")
ZOR_ICON(iconRightView, "/icons/rightview32.xpm")
ZOR_ICON(iconBothViews, "/icons/leftrightview32.xpm")
ZOR_ICON(iconAnaglyphMode, "/icons/tarvix32.xpm")
ZOR_ICON(iconLeftViewFocus, "/icons/leftviewactivefocus32.xpm")
ZOR_ICON(iconRightViewFocus, "/icons/rightviewactivefocus32.xpm")
ZOR_ICON(iconBothViewsFocus, "/icons/leftrightviewactivefocus32.xpm")
ZOR_ICON(iconAnaglyphModeFocus, "/icons/tarvixactivefocus32.xpm")
ZOR_ICON(iconDock, "/icons/dock32.xpm")
ZOR_ICON(iconDockFocus, "/icons/dockactivefocus32.xpm")
ZOR_ICON(iconInvertColors, "/icons/invertcolor32.xpm")

#undef ZOR_ICON
