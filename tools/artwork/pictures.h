#pragma once

// The splash and about pictures, composed from an example stereo pair as an anaglyph.

#include <QColor>
#include <QImage>
#include <QString>

namespace art {

// Grey anaglyph the way the viewer composes it: the left view's grey value times leftColour
// plus the right view's grey value times rightColour.
QImage anaglyph(const QImage& left, const QImage& right,
                const QColor& leftColour = QColor("#B80000"),
                const QColor& rightColour = QColor("#00B8FF"));

// 500 x 300 start-up picture with the program's name, subtitle and version.
QImage splash(const QImage& anaglyphImage, const QImage& mark, const QString& version);

// 400 x 250 picture beside the text of the about box.
QImage about(const QImage& anaglyphImage, const QImage& mark);

} // namespace art
