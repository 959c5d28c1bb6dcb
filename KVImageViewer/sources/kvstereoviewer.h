#pragma once

#include "kvximgviewer.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <memory>

class QTimer;

// The anaglyph viewer: composes a left and a right image into one 32-bit picture (each image
// turned grey, tinted with its eye's colour and shifted by the offsets) and shows it through
// the inherited viewer, so zoom, scrolling, printing and the mouse tools work on it unchanged.
// The stereo frame owns one, as the extended KVXStereoViewer.
class KVStereoViewer : public KVXImgViewer
{
    Q_OBJECT

public:
    explicit KVStereoViewer(const QImage& leftImage = QImage(),
                            const QImage& rightImage = QImage(), QWidget* parent = nullptr,
                            const char* name = nullptr, Qt::WindowFlags f = {});
    ~KVStereoViewer() override;

    // While the viewer is hidden the images are only stored; the first show composes them.
    virtual void setImages(const QImage& leftImage, const QImage& rightImage);
    virtual const QImage& leftImage() const;
    virtual const QImage& rightImage() const;
    virtual int deltaX() const;
    virtual int deltaY() const;
    virtual QColor leftColor() const;
    virtual QColor rightColor() const;

public slots:
    // Invalid colours are ignored; valid ones are composed at once, even while hidden.
    virtual void setAnaglyphColors(const QColor& leftColor, const QColor& rightColor);
    virtual void setDeltaX(int deltaX);
    // Each image moves by deltaX, in opposite directions. Without immediateMode the
    // recomposition waits for the event loop, so a burst of changes costs one composition.
    virtual void setDeltaX(int deltaX, bool immediateMode);
    virtual void setDeltaY(int deltaY);
    // deltaY is the whole vertical displacement; the images share it (see kvComposeAnaglyph).
    virtual void setDeltaY(int deltaY, bool immediateMode);

signals:
    void displacementXChanged(int deltaX);
    void displacementYChanged(int deltaY);
    void anaglyphColorsChanged(const QColor& leftColor, const QColor& rightColor);

protected slots:
    // Recompose after an offset change and report the image point under the mouse again,
    // since the picture moved under it.
    virtual void setDeltaXInternal();
    virtual void setDeltaYInternal();

protected:
    // Composes the current images, colours and offsets and hands the result to setImage().
    // Every recomposition goes through here.
    virtual void recompose();
    // The composite of the current inputs; null for unsupported or mismatched images and when
    // the buffer cannot be had ("MEMORY EXCEPTION").
    QImage composeAnaglyph();

    void showEvent(QShowEvent* e) override;

private:
    // What setDeltaX() and setDeltaY() share: the offset is stored and signalled, then
    // composed now (composeNow), by the axis's timer or, while hidden, at the next show.
    void setOffset(int& offset, int value, bool immediateMode,
                   void (KVStereoViewer::*changed)(int), void (KVStereoViewer::*composeNow)(),
                   QTimer* timer);
    void recomposeAfterOffsetChange();

    class CompositeBuffers;

    QImage m_leftImage;
    QImage m_rightImage;
    QColor m_leftColor;
    QColor m_rightColor;
    int m_deltaX = 0;
    int m_deltaY = 0;
    bool m_pending = false;
    QTimer* m_xTimer = nullptr;
    QTimer* m_yTimer = nullptr;
    // The composite's pixels are written into buffers kept between recompositions, so that an
    // offset change does not pay for a fresh allocation of the whole picture.
    std::unique_ptr<CompositeBuffers> m_buffers;
};

// Size of the composite of two images: the larger width and the larger height, or an empty
// size when the pair cannot be composed (a null image, mixed depths, depths other than 8 and
// 32 bits per pixel).
QSize kvAnaglyphSize(const QImage& left, const QImage& right);

// Writes the anaglyph of left and right into target, which must be a Format_RGB32 or
// Format_ARGB32 image of kvAnaglyphSize(left, right); returns false (target untouched) when it
// is not or the pair cannot be composed. Every output pixel is opaque:
//   grey g = (11 red + 16 green + 5 blue) / 32 of the contributing source pixel, 0 where the
//   image does not cover;
//   channel c = min(255, (gLeft * leftColor.c + gRight * rightColor.c) >> 8).
// Output pixel (x, y) takes the left image's pixel (x - deltaX, y - deltaY / 2) and the right
// image's (x + deltaX, y - deltaY / 2 + deltaY), the halving truncated toward zero. 8-bit
// images are read through their colour table (no table: white; an index past it: black).
// Large pictures are split into bands of rows over at most `threads` threads (0: one per core);
// the result is the same for any number.
bool kvComposeAnaglyph(const QImage& left, const QImage& right, const QColor& leftColor,
                       const QColor& rightColor, int deltaX, int deltaY, QImage* target,
                       int threads = 0);
