// Shows the help window for a look at it: "helpdemo DIR" on its start page,
// "helpdemo DIR index KEYWORD" on the index with the topic chooser open for KEYWORD,
// "helpdemo DIR page NAME" on the page NAME, "helpdemo DIR print NAME FILE.pdf" prints the
// page NAME into a PDF file and ends.
#include "help.h"
#include "helpwidget.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString directory = args.value(1, QStringLiteral("help/html"));
    Help help(directory, QStringLiteral("toc.html"), nullptr, "help");
    help.move(40, 40);
    help.show();
    if (args.value(2) == QLatin1String("index")) {
        HelpWidget* panel = help.helpWidget();
        panel->tabWidget->setCurrentWidget(panel->indexPage);
        panel->loadIndexFile();
        panel->editIndex->setFocus();
        panel->editIndex->setText(args.value(3));
        QTimer::singleShot(800, panel, &HelpWidget::showTopic);
    } else if (args.value(2) == QLatin1String("page")) {
        help.showLink(args.value(3), QString());
    } else if (args.value(2) == QLatin1String("print")) {
        help.showLink(args.value(3), QString());
        const QString pdf = args.value(4);
        Help::setPrintDialogHook([pdf](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        help.filePrint();
        return 0;
    }
    return app.exec();
}
