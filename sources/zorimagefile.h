#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Image files for the main window: reading any file into a 32-bit image, the export
// naming rule and saving, the quarter turn, and the file dialogs behind a hook. Stateless
// functions; the main window owns the images and passes itself as the parent of boxes.
// Texts are the main window's (translation context "ZORMainWindow").
namespace ZORImageFile {

// Reads a file into a Format_RGB32 image. A null image after any failure; the user has
// then been told why through ZORError (kind 3, code 5), except for an empty name.
// TIFF files (recognised by their first bytes) are read by our own TIFF handler.
QImage loadImage(const QString& fileName, QWidget* parent);

// The format key to read a file with: our TIFF handler's for a TIFF header, else what
// Qt detects; empty when nobody recognises the file or it cannot be opened.
QByteArray imageFileFormat(const QString& fileName);

// Item texts of the export submenu: every format Qt can write, upper-case and sorted,
// with TIFF offered once as "TIF" (written by our handler).
QStringList exportFormats();

// The name an export is written under: a name without an extension gets the format's
// lower-case name ("shot" -> "shot.png", "shot." -> "shot.png"); any other is kept.
QString exportFileName(const QString& fileName, const QString& format);

// Writes the image in the named format (a submenu text; "TIF" and "TIFF" go to our
// handler) with the default quality. The file is replaced only once it has been written
// completely; false when anything failed, and nothing is left behind then.
bool saveImage(const QImage& image, const QString& fileName, const QString& format);

// saveImage() under the wait cursor, reporting a failure as "Cannot save the image."
// (kind 3, code 8) with the parent given.
bool exportImage(const QImage& image, const QString& fileName, const QString& format,
                 QWidget* parent);

// Asks for a file to open as the left or the right image, starting in the examples
// folder. Empty when the user cancelled.
QString askOpenImageFileName(QWidget* parent, bool rightImage);

// Asks where to export in the given format, applies exportFileName() and, for an existing
// file, asks before overwriting. Empty when the user cancelled or declined.
QString askExportFileName(QWidget* parent, const QString& format);

// Turns the image a quarter counter-clockwise: source pixel (x, y) lands at column y,
// row width - 1 - x. Format and colour table are kept. A null image (and a warning) when
// the result cannot be allocated or the source is null.
QImage rotateImage90ccw(const QImage& image);

// What a file dialog is asked to show; handed to the file dialog hook.
struct FileDialogRequest
{
    enum Mode { Open, Save };
    Mode mode = Open;
    QWidget* parent = nullptr;
    QString objectName;
    QString caption;
    QString directory;
    QString filter;
};

// Replaces the modal file dialogs: the hook receives the request and returns the chosen
// name (empty for cancel). Tests install one; an empty function restores the dialogs.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;
void setFileDialogHook(FileDialogHook hook);

// The file dialogs (or the hook). Symbolic links are resolved.
QString getOpenFileName(QWidget* parent, const QString& objectName, const QString& caption,
                        const QString& directory, const QString& filter);
QString getSaveFileName(QWidget* parent, const QString& objectName, const QString& caption,
                        const QString& directory, const QString& filter);

} // namespace ZORImageFile
