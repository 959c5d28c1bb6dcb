#include "zormain.h"

#include "zorerror.h"
#include "zorsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>

ZORMainWindow::ZORMainWindow()
    : QMainWindow(nullptr, Qt::Window)
{
    setObjectName(QStringLiteral("Tarvix"));
    setWindowTitle(ZORSettings::instance()->appCaption());
    setIconSize(QSize(32, 32));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(initialGeometry(screen->geometry()));

    QMenu* fileMenu = menuBar()->addMenu(ZORSettings::instance()->textFileMenu());
    fileMenu->addAction(ZORSettings::instance()->textExit(), QKeySequence(Qt::CTRL | Qt::Key_Q),
                        this, &ZORMainWindow::aboutToQuit);
}

ZORMainWindow::~ZORMainWindow() = default;

QRect ZORMainWindow::initialGeometry(const QRect& desktop)
{
    // Single precision on purpose: 1 - 0.85f is slightly below 0.15, which decides the
    // truncation on common desktop sizes.
    const float share = 0.85f;
    const float rest = 1.0f - share;
    const int desktopWidth = desktop.right() - desktop.left() + 1;
    const int desktopHeight = desktop.bottom() - desktop.top() + 1;
    const int width = int(share * float(desktopWidth));
    const int height = int(share * float(desktopHeight));
    const int x = int(rest * float(desktopWidth) * 0.5f);
    const int y = int(rest * float(desktopHeight) * 0.25f);
    return QRect(x, y, width, height);
}

void ZORMainWindow::aboutToQuit()
{
    const ZORSettings* settings = ZORSettings::instance();
    const int answer = messageWarning(this, settings->appName(),
                                      tr("Do you really want to exit %1?").arg(settings->appName()),
                                      settings->textYes(), settings->textNo(), QString(), 1, 1);
    // exit() rather than quit(): quit() first asks every window to close, which would
    // bring this question up a second time.
    if (answer == 0)
        QCoreApplication::exit(0);
}

void ZORMainWindow::closeEvent(QCloseEvent* event)
{
    aboutToQuit();
    event->ignore();
}
