#pragma once

#include <QAbstractScrollArea>

// The scrolling, zooming image viewer every view of the program is built on (to be filled in).
class KVImgViewer : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit KVImgViewer(QWidget* parent = nullptr);
};
