#include "help.h"

Help::Help(QWidget* parent)
    : QMainWindow(parent)
{
}
