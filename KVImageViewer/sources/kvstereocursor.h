#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

class QPainter;
class QWidget;

// The anaglyph's mouse cursor: a left and a right cursor image painted into the widget,
// each into its own eye's colour channels only, set apart by a disparity so that the cursor
// floats at a depth. The anaglyph viewer owns one on its viewport (the widget is the parent),
// moves it and calls draw() last in every repaint.
class KVStereoCursor : public QObject
{
    Q_OBJECT

public:
    // The images should be 32-bit and of one size (a debug message says so when they are not;
    // the cursor is built anyway). A negative hot spot coordinate means the image's centre.
    explicit KVStereoCursor(QWidget* widget, const QImage& leftImage, const QImage& rightImage,
                            int hotX = -1, int hotY = -1, int disparity = 0);
    ~KVStereoCursor() override;

    // Replaces the images without checks, e.g. after a change of the anaglyph colours. The
    // owner repaints.
    void setImages(const QImage& leftImage, const QImage& rightImage, int hotX = -1,
                   int hotY = -1);
    const QImage& leftImage() const { return m_leftImage; }
    const QImage& rightImage() const { return m_rightImage; }

    // A negative coordinate hides the cursor. The old and the new place are repainted.
    void moveTo(int x, int y);
    void moveTo(const QPoint& pos);
    void hide();
    // Paints the cursor by channel merge into what p's device shows under it (p must paint on a
    // QImage or QPixmap, whose pixels can be read back); only the bounding rectangle is touched.
    void draw(QPainter* p) const;

    // In widget coordinates; empty while hidden.
    QRect boundingRect() const;
    int x() const { return m_x; }
    int y() const { return m_y; }
    QPoint pos() const { return QPoint(m_x, m_y); }
    bool isHidden() const { return m_x < 0 || m_y < 0; }
    int hotX() const { return m_hotX; }
    int hotY() const { return m_hotY; }
    int disparity() const { return m_disparity; }

    // After the widget's contents were scrolled by (dx, dy) with QWidget::scroll(): the cursor
    // drawn into the moved pixels is repainted away and drawn again at its place.
    void contentsScrolled(int dx, int dy);

    // The 64 x 64 cross with an open centre, as an 8-bit image with the colours black (0),
    // #010101 (1, the outline) and #B3B3B3 (2, the bars).
    static QImage crossPattern();
    // The cross tinted with colour (kvTintImage) as a 32-bit image.
    static QImage cursorImage(const QColor& colour);

public slots:
    // d screen pixels: the left image is drawn d to the left of the hot spot, the right image
    // d to the right.
    void setDisparity(int d);

signals:
    void disparityChanged(int disparity);

private:
    void updateArea(const QRect& oldRect, const QRect& newRect);

    QPointer<QWidget> m_widget;
    int m_x = -1;
    int m_y = -1;
    QImage m_leftImage;
    QImage m_rightImage;
    int m_disparity = 0;
    int m_hotX = 0;
    int m_hotY = 0;
};

// A palette image recoloured for one eye: every colour table entry becomes its grey
// g = (11 red + 16 green + 5 blue) / 32 times the colour, each channel (g * c) >> 8 but at least
// 1 where the product is not 0, so that a dark outline keeps exactly the colour's channels.
// An image without a colour table is returned unchanged.
QImage kvTintImage(const QImage& image, const QColor& colour);

// Channel merge of count overlay pixels into dst: each non-zero channel of an overlay pixel
// replaces that channel, zero channels leave dst as it is; written pixels become opaque and
// all-black overlay pixels are skipped.
void kvMergeChannelsRow(QRgb* dst, const QRgb* overlay, int count);

// kvMergeChannelsRow over a whole 32-bit overlay placed with its top left at (x, y) of target
// (a 32-bit image), clipped to both images.
void kvMergeChannels(QImage* target, const QImage& overlay, int x, int y);
