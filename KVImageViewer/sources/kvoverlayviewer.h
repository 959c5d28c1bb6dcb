#pragma once

#include "kvximgviewer.h"

#include <QCursor>
#include <QImage>

// Shows two images blended into one grey picture, the first shifted against the second by an
// integer displacement, which the user changes by dragging with the left or middle button. The
// global offset dialog owns one as the live preview of the offset between the two images.
class KVOverlayViewer : public KVXImgViewer
{
    Q_OBJECT

public:
    explicit KVOverlayViewer(QWidget* parent = nullptr, const char* name = nullptr,
                             Qt::WindowFlags f = {});
    ~KVOverlayViewer() override;

    // Both images must have the same depth, 8 or 32 bits; any other pair shows an empty view.
    // While the viewer is hidden they wait for the next show.
    virtual void setImages(const QImage& first, const QImage& second);
    // Displacement of the first image in image pixels (positive: right / down).
    virtual int deltaX() const;
    virtual int deltaY() const;

public slots:
    virtual void setDeltaX(int deltaX);
    virtual void setDeltaY(int deltaY);

signals:
    void displacementXChanged(int deltaX);
    void displacementYChanged(int deltaY);

protected:
    void showEvent(QShowEvent* e) override;
    // In ViewMode the left and middle buttons drag the first image; other modes work as in
    // the base viewer.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void applyImages(const QImage& first, const QImage& second);
    void showComposition();

    QImage m_firstImage;
    QImage m_secondImage;
    int m_deltaX = 0;
    int m_deltaY = 0;
    bool m_imagesPending = false;
    QCursor m_savedCursor;
    int m_dragLastX = 0;
    int m_dragLastY = 0;
    Mode m_savedMode = ViewMode;
    // The button of a gesture this viewer handles itself (in ViewMode); 0 when none.
    int m_pressedButton = 0;
};

// The blended picture: an 8-bit grey image (opaque grey table) of the second image's size, each
// pixel the grey value of the second image there, averaged with the grey value of the first
// image where the first, shifted by (deltaX, deltaY), covers it. Grey is (11 r + 16 g + 5 b) / 32.
// Null when either image is null, when their depths differ or are neither 8 nor 32, or when
// memory runs out.
QImage kvComposeOverlay(const QImage& first, const QImage& second, int deltaX, int deltaY);
