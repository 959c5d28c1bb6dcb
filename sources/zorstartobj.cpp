#include "zorstartobj.h"

#include "zormain.h"
#include "zorsettings.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

ZORStartObj::ZORStartObj()
{
    showSplash();
}

ZORStartObj::~ZORStartObj()
{
    delete splash;
    delete mainWindow;
}

void ZORStartObj::showSplash()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QRect desktop;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        desktop = screen->geometry();
    const int desktopWidth = desktop.right() - desktop.left() + 1;
    const int desktopHeight = desktop.bottom() - desktop.top() + 1;

    splash = new QLabel(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    Q_CHECK_PTR(splash);

    const QPixmap picture(ZORSettings::instance()->startImagePath());
    splash->setGeometry(desktopWidth / 2 - picture.width() / 2,
                        desktopHeight / 2 - picture.height() / 2, picture.width(),
                        picture.height());
    splash->setPixmap(picture);
    splash->show();

    timer = new QTimer(splash);
    Q_CHECK_PTR(timer);
    connect(timer, &QTimer::timeout, this, &ZORStartObj::showMainWindow);
    // A coarse timer may fire a little early; the splash must stay its full time.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(true);
    timer->start(SplashMilliseconds);
}

void ZORStartObj::showMainWindow()
{
    if (splash) {
        // Deleting the label from its own timer's signal is safe only later.
        splash->hide();
        splash->deleteLater();
        splash = nullptr;
        timer = nullptr;
    }

    mainWindow = new ZORMainWindow();
    Q_CHECK_PTR(mainWindow);
    mainWindow->setWindowIcon(QIcon(ZORSettings::instance()->iconApp16()));
    mainWindow->show();

    QApplication::restoreOverrideCursor();
}
