// Not a test: shows the anaglyph of a stereo pair with a stereo cursor, for looking at it.
//   anaglyphdemo LEFT RIGHT [DELTAX [DELTAY [DISPARITY]]]
// The cursor follows the mouse; it starts in the middle of the view.

#include "kvstereocursor.h"
#include "kvstereoviewer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <cstdio>

namespace {

class DemoViewer : public KVStereoViewer
{
public:
    DemoViewer(const QImage& left, const QImage& right)
        : KVStereoViewer(left, right)
    {
        m_cursor = new KVStereoCursor(viewport(), KVStereoCursor::cursorImage(leftColor()),
                                      KVStereoCursor::cursorImage(rightColor()));
        viewport()->setMouseTracking(true);
        viewport()->setCursor(Qt::BlankCursor);
    }

    KVStereoCursor* cursor() const { return m_cursor; }

protected:
    void drawViewport(QPainter* p, int ox, int oy, int cx, int cy, int cw, int ch) override
    {
        KVStereoViewer::drawViewport(p, ox, oy, cx, cy, cw, ch);
        m_cursor->draw(p);
    }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        KVStereoViewer::mouseMoveEvent(e);
        m_cursor->moveTo(e->position().toPoint());
    }

    void scrollContentsBy(int dx, int dy) override
    {
        KVStereoViewer::scrollContentsBy(dx, dy);
        m_cursor->contentsScrolled(dx, dy);
    }

private:
    KVStereoCursor* m_cursor = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: anaglyphdemo LEFT RIGHT [DELTAX [DELTAY [DISPARITY]]]\n");
        return 2;
    }
    const QImage left = QImage(args.at(1)).convertToFormat(QImage::Format_RGB32);
    const QImage right = QImage(args.at(2)).convertToFormat(QImage::Format_RGB32);
    if (left.isNull() || right.isNull()) {
        std::fprintf(stderr, "cannot read the images\n");
        return 1;
    }
    DemoViewer viewer(left, right);
    viewer.setWindowTitle(QStringLiteral("Anaglyph"));
    viewer.resize(1200, 900);
    viewer.setDeltaX(args.value(3).toInt());
    viewer.setDeltaY(args.value(4).toInt());
    viewer.cursor()->setDisparity(args.value(5).toInt());
    viewer.show();
    QTimer::singleShot(0, &viewer, [&viewer] {
        viewer.cursor()->moveTo(viewer.viewport()->width() / 2, viewer.viewport()->height() / 2);
    });
    return app.exec();
}
