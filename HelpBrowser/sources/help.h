#pragma once

#include <QMainWindow>

// The online help window (to be filled in).
class Help : public QMainWindow
{
    Q_OBJECT

public:
    explicit Help(QWidget* parent = nullptr);
};
