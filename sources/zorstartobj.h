#pragma once

#include <QObject>

class QLabel;
class QTimer;
class ZORMainWindow;

// Runs the start-up sequence: shows the splash image for a fixed time under the wait
// cursor, then builds and shows the main window, which it owns from then on.
class ZORStartObj : public QObject
{
    Q_OBJECT

public:
    static constexpr int SplashMilliseconds = 2800;

    ZORStartObj();
    ~ZORStartObj() override;

    QLabel* splashWindow() const { return splash; }
    ZORMainWindow* mainWindowWidget() const { return mainWindow; }
    QTimer* splashTimer() const { return timer; }

private slots:
    void showMainWindow();

private:
    void showSplash();

    QTimer* timer = nullptr; // child of the splash label
    QLabel* splash = nullptr;
    ZORMainWindow* mainWindow = nullptr;
};
