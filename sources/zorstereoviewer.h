#pragma once

#include <QFrame>
#include <QImage>
#include <QMetaObject>
#include <QMetaType>
#include <QPalette>
#include <QPoint>
#include <QPolygon>
#include <QString>

#include <functional>

class KVXImgViewer;
class KVXStereoViewer;
class QAction;
class QGridLayout;
class QMenu;

// What the stereo frame shows: one image, the other, both side by side, or the anaglyph.
enum DISPLAY_MODE : int { MonoLeft = 0, MonoRight = 1, LeftAndRight = 2, Anaglyph = 3 };
Q_DECLARE_METATYPE(DISPLAY_MODE)

// The widget in the middle of the main window that shows the stereo pair. It owns a left and
// a right image viewer and the anaglyph viewer, switches between the display modes by
// rebuilding its grid, keeps the three zoom factors equal (the left viewer leads), scrolls the
// two side-by-side views together when docked, carries the global offset to the anaglyph and
// takes the anaglyph to full screen and back. The main window owns it as its central widget.
class ZORStereoViewer : public QFrame
{
    Q_OBJECT

public:
    // Runs a context menu at a global position and returns the chosen entry (null for none).
    // Tests install one so that no menu waits for a person; an empty function restores exec().
    using PopupMenuHook = std::function<QAction*(QMenu* menu, const QPoint& globalPos)>;
    static void setPopupMenuHook(PopupMenuHook hook);

    ZORStereoViewer(const QImage& leftImage = QImage(), const QImage& rightImage = QImage(),
                    const QString& leftName = QString(), const QString& rightName = QString(),
                    QWidget* parent = nullptr, const char* name = nullptr, Qt::WindowFlags f = {});
    ~ZORStereoViewer() override;

    virtual DISPLAY_MODE displayMode() const;
    // The image last handed to the frame for that side (not the inverted one on show).
    virtual QImage image(bool right) const;
    // The name after its last "//"; the whole name when it holds none.
    virtual QString shortName(bool right) const;
    virtual QString name(bool right) const;
    virtual bool canZoomBack() const;
    virtual bool isDocked() const;
    virtual int cursorDeltaX() const;
    virtual int deltaX() const;
    virtual int deltaY() const;
    virtual double stereoZoomFactor() const;
    virtual KVXImgViewer* leftViewer() const;
    virtual KVXImgViewer* rightViewer() const;
    virtual KVXStereoViewer* stereoViewer() const;

    bool isFullScreenState() const { return m_fullScreen; }
    int globalOffsetX() const { return m_globalOffsetX; }
    int globalOffsetY() const { return m_globalOffsetY; }
    QGridLayout* gridLayout() const { return m_layout; }

public slots:
    // A value outside the four modes is ignored.
    virtual void setDisplayMode(DISPLAY_MODE mode);
    virtual void setModeMonoLeft();
    virtual void setModeMonoRight();
    virtual void setModeLeftAndRight();
    virtual void setModeAnaglyph();
    // Switching docking on takes the two views' present positions as the reference, so they
    // keep whatever relative position they had at that moment.
    virtual void setDocking(bool enable);
    // x is the whole horizontal displacement; each image of the anaglyph moves by half of it.
    virtual void setGlobalOffset(int x, int y);
    virtual void scrollLeftViewer(int x, int y);
    virtual void scrollRightViewer(int x, int y);
    virtual void setLeftImage(const QImage& image);
    virtual void setRightImage(const QImage& image);
    virtual void setImages(const QImage& left, const QImage& right);
    // Inverts what the viewers show; the stored images stay as they were.
    virtual void invertColors();
    // Takes the anaglyph out of the frame onto the whole screen (only in Anaglyph mode; in the
    // other modes only the state is set).
    virtual void showFullScreen();
    virtual void showNormalScreen();

    // Zooming acts on the left viewer; the coupling carries the result to the others.
    virtual void setZoomInOutFactor(uint zoomPercentage);
    virtual void setZoomFactor(double zoomFactor);
    virtual void zoomWindow(double left, double top, double width, double height);
    virtual void zoomIn();
    virtual void zoomOut();
    virtual void zoomBack();
    virtual void zoomInAtPosition(double x, double y);
    virtual void zoomOutAtPosition(double x, double y);
    virtual void zoomInAtCursor();
    virtual void zoomOutAtCursor();
    // Fitting is computed for the viewer on show.
    virtual void fitToWindow();
    virtual void zoomWidth();
    virtual void zoomHeight();

    virtual void setViewMode();
    virtual void setZoomMode();
    virtual void clearRoi();
    virtual void setRoiMode();
    virtual void setPolylineMode();
    virtual void setMeasureMode();
    virtual void clearPolyline();
    virtual void setPolyline(const QPolygon& polyline);
    virtual void setPolyMarker(double markerPos);
    // Ignored in Anaglyph mode.
    virtual void setRoi(int left, int right, int top, int bottom);
    // The anaglyph's offsets; the stored global offset is not changed.
    virtual void setDeltaX(int deltaX);
    virtual void setDeltaY(int deltaY);
    virtual void setCursorDeltaX(int deltaX);
    virtual void setCursorOn(bool on);

signals:
    void displayModeChanged(DISPLAY_MODE mode);
    void displayModeChanged();
    void zoomChanged(double zoomFactor);
    void leftImageChanged(const QImage& image);
    void rightImageChanged(const QImage& image);
    void roiChanged(int left, int top, int right, int bottom);
    void displacementXChanged(int deltaX);
    void displacementYChanged(int deltaY);
    void cursorDeltaXChanged(int deltaX);
    void cursorPos(double x, double y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void drawRightRoi(int left, int top, int right, int bottom);
    void drawLeftRoi(int left, int top, int right, int bottom);
    void setInternalZoom(double zoomFactor);
    void doDisplayLeftPopupMenu(const QPoint& pos);
    void doDisplayRightPopupMenu(const QPoint& pos);
    void doDisplayAnaglyphPopupMenu(const QPoint& pos);

private:
    // The first of left, right and anaglyph viewer that is not hidden.
    KVXImgViewer* visibleViewer() const;
    void followLeftZoom(KVXImgViewer* viewer);
    void displayPopupMenu(QWidget* viewer, const QPoint& pos);
    // Replaces the grid by an empty one.
    void newLayout();
    // Puts one viewer alone into the grid and hides the other two, in the order given.
    void showAlone(KVXImgViewer* shown, KVXImgViewer* hidden, KVXImgViewer* hidden2);
    // Lets the scrolling of one side's view (right or left) move the other while docked.
    void linkScrolling(bool right);
    // Moves one side's view as far from its docking position as the other view has moved
    // from its own.
    void followScrolling(bool right, int x, int y);
    // Copies a region drawn in one view into the other side's view (right or left).
    void copyRoi(bool toRight, int left, int top, int right, int bottom);
    // Puts the anaglyph viewer back into the frame, hidden, as it was before full screen.
    void bringAnaglyphBack();

    DISPLAY_MODE m_displayMode = LeftAndRight;
    bool m_docked = false;
    bool m_fullScreen = false;
    // The anaglyph viewer is out on the screen as a window of its own.
    bool m_anaglyphDetached = false;
    int m_savedFrameStyle = 0;
    Qt::ScrollBarPolicy m_savedHScrollBarMode = Qt::ScrollBarAsNeeded;
    Qt::ScrollBarPolicy m_savedVScrollBarMode = Qt::ScrollBarAsNeeded;
    bool m_savedAutoFillBackground = false;
    QPalette m_savedPalette;
    QImage m_leftImage;
    QImage m_rightImage;
    QString m_leftName;
    QString m_rightName;
    KVXImgViewer* m_leftViewer = nullptr;
    KVXImgViewer* m_rightViewer = nullptr;
    KVXStereoViewer* m_stereoViewer = nullptr;
    QGridLayout* m_layout = nullptr;
    int m_globalOffsetX = 0;
    int m_globalOffsetY = 0;
    QPoint m_leftDock;
    QPoint m_rightDock;
    // The scroll links are cut while the frame moves one view after the other, so that the
    // move does not echo back.
    QMetaObject::Connection m_leftScrollLink;
    QMetaObject::Connection m_rightScrollLink;
    // A region copied into the other view is not copied back.
    bool m_copyingRoi = false;
};
