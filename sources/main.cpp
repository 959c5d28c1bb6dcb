#include "zorerror.h"
#include "zoroptions.h"
#include "zorsettings.h"
#include "zorstartobj.h"
#include "zortiffhandler.h"

#include "gerror.h"

#include <QApplication>
#include <QFileInfo>

#include <magick/MagickCore.h>

#include <vector>

int main(int argc, char* argv[])
{
    std::vector<char> executionPath(MaxTextExtent, '\0');
    GetExecutionPath(executionPath.data(), executionPath.size());
    // Our policy.xml lies beside the program.
    ZORTiffHandler::startImageLibrary(
            executionPath.data(),
            QFileInfo(QString::fromLocal8Bit(executionPath.data())).absolutePath());

    qInstallMessageHandler(messageHandler);

    // The geometry library would otherwise stop on every report and wait for an answer
    // on standard input, which would freeze the window; here it reports and carries on.
    gErrorHandler.mode = 1;

    int result = 0;
    {
        QApplication application(argc, argv);
        // The splash goes away before the main window appears; the program ends only
        // through the exit question.
        QApplication::setQuitOnLastWindowClosed(false);

        ZORSettings settings;
        ZORTiffHandler::registerHandler();
        ZORError error;
        ZOROptions options;
        settings.initTexts();
        ZORStartObj startObj;

        result = application.exec();

        MagickCoreTerminus();
    }
    return result;
}
