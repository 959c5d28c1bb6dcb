#pragma once

#include <QDialog>
#include <QImage>
#include <QPixmap>

#include <functional>

class KVOverlayViewer;
class QLabel;
class QPushButton;

// The modal dialog in which the user sets the X/Y offset between the two images of the pair
// against a live preview: reduced copies of both images blended in an overlay viewer, an arrow
// pad that moves the offset by one preview pixel, and the offset in full-size pixels. The main
// window creates it for each use, runs it and reads the offset back on OK.
class ZORSetGlobalOffsetDlg : public QDialog
{
    Q_OBJECT

public:
    // leftImage and rightImage are already reduced by scale (preview pixels per full-size
    // pixel); deltaX and deltaY are the displacement of the right image against the left one
    // in full-size pixels. A scale that is not a positive number is taken as 1.
    ZORSetGlobalOffsetDlg(const QImage& leftImage, const QImage& rightImage, double scale,
                          int deltaX, int deltaY, QWidget* parent = nullptr,
                          const char* name = nullptr, bool modal = false,
                          Qt::WindowFlags f = Qt::WindowFlags());
    ~ZORSetGlobalOffsetDlg() override;

    // The offset the dialog shows, in full-size pixels; read after it was accepted.
    int offsetX() const;
    int offsetY() const;

    KVOverlayViewer* previewViewer() const { return m_previewViewer; }

    // Runs the dialog modally, or hands it to the hook a test installed, which answers it
    // without a person and returns QDialog::Accepted or QDialog::Rejected.
    int run();
    using RunHook = std::function<int(ZORSetGlobalOffsetDlg& dialog)>;
    // An empty hook restores exec().
    static void setRunHook(RunHook hook);

public slots:
    // Every acceptance, by the OK button, the keyboard or a caller, announces the offset.
    void accept() override;

signals:
    void globalOffset(int x, int y);

protected slots:
    void aboutToAccept();

private slots:
    void moveOnePixelUp();
    void moveOnePixelDown();
    void moveOnePixelLeft();
    void moveOnePixelRight();
    void resetOffset();
    void displayDeltaX(int value);
    void displayDeltaY(int value);

private:
    void buildLayout();
    // The full-size value of a preview offset, as the value fields show it.
    QString fullSizeText(int previewOffset) const;

    KVOverlayViewer* m_previewViewer = nullptr;
    QPushButton* m_buttonUp = nullptr;
    QPushButton* m_buttonDown = nullptr;
    QPushButton* m_buttonLeft = nullptr;
    QPushButton* m_buttonRight = nullptr;
    QPushButton* m_buttonReset = nullptr;
    QLabel* m_xNameLabel = nullptr;
    QLabel* m_yNameLabel = nullptr;
    QLabel* m_xValueLabel = nullptr;
    QLabel* m_yValueLabel = nullptr;
    double m_scale = 1.0;
    int m_initialX = 0;
    int m_initialY = 0;
    int m_currentX = 0;
    int m_currentY = 0;
    // Whether the preview takes its minimum size from the left image.
    bool m_previewSized = false;
    QPixmap m_leftPreviewPixmap;
};

// Reduced copies of a stereo pair for the offset preview, and the scale of the reduction.
struct ZOROffsetThumbnails
{
    QImage left;
    QImage right;
    // Thumbnail pixels per full-size pixel; 0 when no thumbnails could be made.
    double scale = 0.0;

    bool isValid() const { return scale > 0.0 && !left.isNull() && !right.isNull(); }
};

// Scales both images by one factor so that the largest side of either becomes 500 pixels
// (small images are enlarged), each side rounded half up and at least 1 pixel; the thumbnails
// are 32-bit. Invalid when either image is null or memory runs out.
ZOROffsetThumbnails zorOffsetThumbnails(const QImage& left, const QImage& right);
