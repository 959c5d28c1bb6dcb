#include "kvimgviewer.h"

KVImgViewer::KVImgViewer(QWidget* parent)
    : QAbstractScrollArea(parent)
{
}
