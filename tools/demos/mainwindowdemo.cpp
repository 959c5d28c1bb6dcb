// Not a test: the main window with a stereo pair already loaded, for looking at it.
//   mainwindowdemo HOME LEFT RIGHT [MODE [fit|full]]
// HOME is the folder with icons/ and help/ (the build folder); MODE is 0 left image, 1 right
// image, 2 both images (the default), 3 anaglyph; "fit" fits the view, "full" also goes full
// screen.

#include "testsettings.h"
#include "zorerror.h"
#include "zorimagefile.h"
#include "zormain.h"
#include "zoroptions.h"
#include "zorstereoviewer.h"
#include "zortiffhandler.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <magick/MagickCore.h>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: mainwindowdemo HOME LEFT RIGHT [MODE [fit|full]]\n");
        return 2;
    }
    ZORTiffHandler::startImageLibrary(argv[0], QString::fromLocal8Bit(argv[1]));
    int result = 0;
    {
        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        TestSettings settings;
        settings.home = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
        ZORTiffHandler::registerHandler();
        ZORError error;
        ZOROptions options;
        settings.initTexts();

        QStringList files{QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])};
        ZORImageFile::setFileDialogHook([&files](const ZORImageFile::FileDialogRequest&) {
            return files.isEmpty() ? QString() : files.takeFirst();
        });
        const int mode = argc > 4 ? QByteArray(argv[4]).toInt() : int(LeftAndRight);
        const QByteArray view = argc > 5 ? QByteArray(argv[5]) : QByteArray();

        ZORMainWindow window;
        window.setWindowIcon(QIcon(settings.iconApp16()));
        window.show();
        QTimer::singleShot(200, &window, [&window, mode, view] {
            QMetaObject::invokeMethod(&window, "doOpenLeftImage");
            QMetaObject::invokeMethod(&window, "doOpenRightImage");
            ZORImageFile::setFileDialogHook({});
            window.stereoViewer()->setDisplayMode(DISPLAY_MODE(mode));
            if (view == "fit" || view == "full")
                window.stereoViewer()->fitToWindow();
            if (view == "full")
                QMetaObject::invokeMethod(&window, "doViewFullScreen");
        });
        result = application.exec();
        MagickCoreTerminus();
    }
    return result;
}
