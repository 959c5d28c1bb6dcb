// Shows the global offset dialog for a look at it: the courtyard pair reduced as the main window
// reduces it, opened with a horizontal offset of 24 and a vertical one of -6 full-size pixels.
// Arguments: the left and the right image file.
#include "zorsetglobaloffsetdlg.h"
#include "zorsettings.h"

#include <QApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: offsetdlgdemo LEFT RIGHT\n");
        return 2;
    }
    ZORSettings settings;
    settings.initTexts();

    const QImage left
            = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    const QImage right
            = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    const ZOROffsetThumbnails thumbnails = zorOffsetThumbnails(left, right);
    if (!thumbnails.isValid()) {
        std::fprintf(stderr, "cannot read the pair\n");
        return 1;
    }
    ZORSetGlobalOffsetDlg dialog(thumbnails.left, thumbnails.right, thumbnails.scale, 24, -6,
                                 nullptr, nullptr, true,
                                 Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setWindowIcon(QIcon(settings.iconApp16()));
    dialog.setWindowTitle(settings.appName() + QStringLiteral(" - ")
                          + QCoreApplication::translate("ZORMainWindow", "Adjust Offset"));
    dialog.show();
    return app.exec();
}
