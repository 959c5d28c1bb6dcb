#pragma once

#include <QComboBox>
#include <QToolBar>

class QMainWindow;
class QTimer;

// The main window's toolbar. Its timer asks the window ten times a second to bring the
// buttons in step with the view, whichever way the view was changed.
class ZORToolBar : public QToolBar
{
    Q_OBJECT

public:
    static constexpr int StatusInterval = 100;

    explicit ZORToolBar(QMainWindow* parent, const char* name = nullptr);

    QTimer* statusTimerObject() const { return statusTimer; }

signals:
    void updateStatus();

private:
    QTimer* statusTimer = nullptr;
};

// Editable zoom field: shows the current zoom in percent and requests the factor the user
// picks or types.
class ZORZoomComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ZORZoomComboBox(QWidget* parent, const char* name = nullptr);

    // The number a zoom text starts with, in percent, as a factor: "400%" gives 4.0,
    // "250" 2.5, and a text that does not start with a number 0.0.
    static double factorFromText(const QString& text);
    // 1.15 gives "115%"; halves round up.
    static QString textFromFactor(double factor);

signals:
    void zoomSelected(double factor);

public slots:
    void setZoomFactor(double factor);

private slots:
    void newValue(const QString& text);
};
