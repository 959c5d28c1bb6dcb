#pragma once

#include <QMainWindow>
#include <QRect>

class QCloseEvent;

// The program's one top-level window. It is created by the start-up object and ends
// the program through the exit question; the window never closes by itself.
class ZORMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    ZORMainWindow();
    ~ZORMainWindow() override;

    // Where the window goes on a desktop of the given size: 85 % of it, a little left
    // of the centre and nearer the top.
    static QRect initialGeometry(const QRect& desktop);

protected slots:
    void aboutToQuit();

protected:
    void closeEvent(QCloseEvent* event) override;
};
